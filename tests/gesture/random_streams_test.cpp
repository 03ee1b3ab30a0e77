// Thousands of random contact streams, each ending with every contact up and the timers
// drained: no button, key or magnify gesture may be left open, and no timer may stay alive. A stop,
// a display refresh or a change of test mode at a random point ends the gesture at once.

#include <QRectF>
#include <map>
#include <random>

#include "base/preferences.h"
#include "gesture_fixture.h"
#include "settings/profiles.h"

namespace {

// Follows the event log and reports the first thing that breaks the pairing rules.
class EventPairing {
  public:
    explicit EventPairing(QRectF bounds) : _bounds(bounds) {}

    // Follows the events posted since the last call.
    void check(const std::vector<OVSimPostedEvent>& events) {
        for (; _checked < events.size(); ++_checked) {
            checkOne(events[_checked]);
        }
    }
    void checkNothingOpen() {
        for (int button = 0; button < 3; ++button) {
            EXPECT_FALSE(_buttonDown[button]) << "button " << button << " left held";
        }
        for (const auto& [code, down] : _keysDown) {
            EXPECT_FALSE(down) << "key " << code << " left down";
        }
        EXPECT_FALSE(_magnifying) << "magnify gesture not ended";
    }

  private:
    void checkOne(const OVSimPostedEvent& event) {
        using Kind = OVSimPostedEvent::Kind;
        const std::string line = OVSimEventLogLine(event).toStdString();
        switch (event.kind) {
            case Kind::Mouse:
                checkInside(event.at, line);
                checkButton(event, line);
                break;
            case Kind::Key:
                ASSERT_NE(_keysDown[event.code], event.down) << "unpaired key: " << line;
                _keysDown[event.code] = event.down;
                break;
            case Kind::Magnify:
                checkMagnify(event, line);
                break;
            case Kind::Warp:
                checkInside(event.at, line);
                break;
            default:
                break;
        }
    }

    void checkButton(const OVSimPostedEvent& event, const std::string& line) {
        // Down, up and dragged event types of the left, right and middle buttons.
        static const int kTypes[3][3] = {{1, 2, 6}, {3, 4, 7}, {25, 26, 27}};
        for (int button = 0; button < 3; ++button) {
            const int* types = kTypes[button];
            if (event.type == types[0] || event.type == types[1] || event.type == types[2]) {
                ASSERT_EQ(event.button, button) << line;
                ASSERT_EQ(_buttonDown[button], event.type != types[0]) << "unpaired: " << line;
                _buttonDown[button] = event.type != types[1];
            }
        }
        if (event.button == 0) {
            ASSERT_TRUE(event.clickCount == 1 || event.clickCount == 2) << line;
        }
    }

    void checkMagnify(const OVSimPostedEvent& event, const std::string& line) {
        ASSERT_TRUE(event.phase == 1 || event.phase == 2 || event.phase == 8) << line;
        ASSERT_EQ(_magnifying, event.phase != 1) << "unpaired: " << line;
        _magnifying = event.phase != 8;
        if (event.phase == 2) {
            ASSERT_TRUE(std::abs(event.amount) <= 0.08 && std::abs(event.amount) >= 0.0001) << line;
        }
    }

    void checkInside(QPointF at, const std::string& line) {
        ASSERT_TRUE(at.x() >= _bounds.left() && at.x() <= _bounds.right() &&
                    at.y() >= _bounds.top() && at.y() <= _bounds.bottom())
            << "outside the display: " << line;
    }

    QRectF _bounds;
    size_t _checked = 0;
    bool _buttonDown[3] = {false, false, false};
    std::map<int, bool> _keysDown;
    bool _magnifying = false;
};

class RandomStreamsTest : public GestureTest {
  protected:
    void randomizeProfile(std::mt19937& random) {
        std::uniform_int_distribution<int> mouse(0, 5);
        std::uniform_int_distribution<int> keyboard(0, 9);
        std::bernoulli_distribution coin(0.5);
        for (const QString& input : OVInputNames()) {
            set(OVMouseActionKey(input), mouse(random));
            set(OVModifierActionKey(input), coin(random) ? 0 : keyboard(random));
            set(OVInertiaEnabledKey(input), coin(random));
            set(OVKeyComboKeyCodeKey(input), keyboard(random) * 3);
            set(OVKeyComboFlagsKey(input), coin(random) ? 0x1E0000 : 0x40000);
        }
        const double delays[] = {0.0, 0.0005, 0.05, 0.1, 0.3};
        set("touchDelay", delays[random() % 5]);
        set("scrollReleaseDelay", delays[random() % 5]);
        set("scrollScale", 0.5 + (random() % 4));
        OVStandardPreferences().setBool("naturalScroll", coin(random));
        set(OVLongPressRightClickKey, coin(random));
    }

    std::vector<TestTouch> randomContacts(std::mt19937& random, std::vector<TestTouch>& fingers) {
        // Counts 0 to 8, weighted towards the common ones.
        static const int kCounts[] = {0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 4, 5, 8};
        const int count = kCounts[random() % (sizeof(kCounts) / sizeof(kCounts[0]))];
        std::uniform_real_distribution<double> step(-40.0, 40.0);
        std::uniform_real_distribution<double> x(-50.0, 1970.0);  // beyond the edges too
        std::uniform_real_distribution<double> y(-50.0, 1130.0);
        fingers.resize(static_cast<size_t>(count));
        for (TestTouch& finger : fingers) {
            if (random() % 4 == 0) {
                finger = {x(random), y(random), static_cast<std::int64_t>(random() % 5)};
            } else {
                finger.x += step(random);
                finger.y += step(random);
            }
        }
        std::vector<TestTouch> touches = fingers;
        for (TestTouch& touch : touches) {
            touch.x = std::max(touch.x, 0.0);
            touch.y = std::max(touch.y, 0.0);
        }
        return touches;
    }
};

TEST_F(RandomStreamsTest, EveryStreamEndsWithNothingHeldOrRunning) {
    std::mt19937 random(20240611);
    // What the streams produced, so that a generator gone quiet cannot pass.
    std::map<QString, int> seen;
    for (int stream = 0; stream < 3000; ++stream) {
        SCOPED_TRACE(testing::Message() << "stream " << stream);
        randomizeProfile(random);
        poster.clear();
        EventPairing pairing(QRectF(0, 0, 1920, 1080));
        // Each of these ends the gesture there and then: nothing held, no timer left.
        const auto endsEverything = [&](int outside) {
            SCOPED_TRACE(testing::Message() << "refresh, test mode, stop: " << outside);
            pairing.check(poster.events());
            pairing.checkNothingOpen();
            EXPECT_EQ(clock().pendingCount(), 0) << "a timer outlived the gesture";
            EXPECT_FALSE(bridge->pinchGestureActive());
        };
        std::vector<TestTouch> fingers;
        const int reports = 2 + static_cast<int>(random() % 40);
        bool testMode = false;
        for (int i = 0; i < reports; ++i) {
            const double gaps[] = {0.0, 0.004, 1.0 / 120, 1.0 / 60, 0.03, 0.1, 0.25, 0.6};
            advanceTo(clock().now() + gaps[random() % 8]);
            const std::vector<TestTouch> touches = randomContacts(random, fingers);
            // Now and then a display refresh, a change of test mode or a stop.
            if (const int outside = static_cast<int>(random() % 60); outside < 3) {
                if (outside == 0) {
                    bridge->refreshDisplayMapping();
                } else if (outside == 1) {
                    bridge->setCompatibilityTestMode(testMode = !testMode);
                } else {
                    bridge->stop();
                }
                endsEverything(outside);
            }
            if (!testMode) {
                bridge->handleContacts(makeContactList(touches));
            }
        }
        bridge->setCompatibilityTestMode(false);
        bridge->handleContacts(makeContactList({}));
        ASSERT_TRUE(clock().drain(30.0)) << "a timer is still alive";
        ASSERT_EQ(clock().pendingCount(), 0);

        for (const OVSimPostedEvent& event : poster.events()) {
            const QString line = OVSimEventLogLine(event);
            for (const char* kind : {"type=1 ", "type=3 ", "type=25 ", "type=6 ", "clicks=2",
                                     "scroll", "phase=1", "key code=53", "key code=56", "open"}) {
                seen[kind] += line.contains(kind) ? 1 : 0;
            }
        }
        pairing.check(poster.events());
        pairing.checkNothingOpen();
        ASSERT_FALSE(HasFatalFailure());
        EXPECT_FALSE(bridge->mouseDown() || bridge->rightMouseDown() || bridge->middleMouseDown() ||
                     bridge->pendingMouseDown() || bridge->scrollActive() ||
                     bridge->scrollReleasePending() || bridge->inertiaRunning() ||
                     bridge->pinchGestureActive());
        if (HasFailure()) {
            break;
        }
    }
    for (const auto& [kind, count] : seen) {
        EXPECT_GT(count, 10) << kind.toStdString();
    }
}

}  // namespace
