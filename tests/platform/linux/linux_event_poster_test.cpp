#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStyleHints>
#include <memory>

#include "keyboard/recording_event_poster.h"
#include "platform/linux/linux_event_poster.h"

TEST(LinuxEventPoster, ChoosesTheFirstBackendThatWorksAndLooksAgainOnlyWhenAsked) {
    int tries = 0;
    bool xtestWorks = false;
    const bool never = false;
    OVRecordingEventPoster* made = nullptr;
    auto backend = [&](const bool* works) {
        return [&, works](QString* why) -> std::unique_ptr<OVEventPoster> {
            ++tries;
            if (!*works) {
                *why = QStringLiteral("missing");
                return nullptr;
            }
            auto poster = std::make_unique<OVRecordingEventPoster>();
            made = poster.get();
            return poster;
        };
    };
    OVLinuxEventPoster poster({{"uinput", backend(&never)}, {"XTest", backend(&xtestWorks)}});
    // Nothing works: events are dropped, and only the first one looked for a backend.
    poster.postMouseEvent(1, 0, QPointF(1, 1), 0, 1);
    poster.postKey(0, true, 0);
    EXPECT_EQ(tries, 2);
    EXPECT_FALSE(poster.canPost());  // a check looks again
    EXPECT_EQ(tries, 4);
    EXPECT_TRUE(poster.backendName().isEmpty());
    EXPECT_DOUBLE_EQ(poster.doubleClickInterval(),
                     QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0);

    // The fix arrives (the rule installed, a new session): the next check finds it, and keeps it.
    xtestWorks = true;
    EXPECT_TRUE(poster.canPost());
    EXPECT_EQ(poster.backendName(), QStringLiteral("XTest"));
    ASSERT_TRUE(made);
    poster.postKey(0, true, 0);
    EXPECT_TRUE(poster.canPost());
    EXPECT_EQ(tries, 6);
    EXPECT_EQ(made->lines().size(), 1);
    EXPECT_DOUBLE_EQ(poster.doubleClickInterval(), 0.5);
}
