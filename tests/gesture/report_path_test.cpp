// Reports through handleInputReport: what is published about each, and when.

#include <QJsonObject>

#include "base/notification_center.h"
#include "base/notification_names.h"
#include "gesture_fixture.h"
#include "hid/descriptor_parser.h"
#include "hid/descriptor_writer.h"
#include "hid/report_encoding.h"

namespace {

class ReportPathTest : public GestureTest {
  protected:
    ReportPathTest()
        : layout(OVHIDDigitizerLayoutBuild(
              OVHIDTouchScreenDescriptor({.fingers = 5, .xMaximum = 1920, .yMaximum = 1080}))) {
        bridge->setHIDLayout(layout);
        bridge->setHIDDecoderStatus(QStringLiteral("HidDigitizerDescriptor report=1 contacts=5"));
    }

    // A report of fingers with identifiers from 7 at these raw positions, handed to the bridge.
    void send(double seconds, std::vector<QPointF> points, char reportID = 1) {
        std::vector<OVTouchContact> contacts(points.size());
        for (size_t i = 0; i < points.size(); ++i) {
            contacts[i].contactId = static_cast<std::uint8_t>(i + 7);
            contacts[i].x = static_cast<std::uint32_t>(points[i].x());
            contacts[i].y = static_cast<std::uint32_t>(points[i].y());
        }
        QByteArray report = OVTouchReport(layout, contacts.data(), static_cast<int>(points.size()),
                                          static_cast<std::uint32_t>(points.size()));
        report[0] = reportID;
        advanceTo(seconds);
        bridge->handleInputReport(reinterpret_cast<const std::uint8_t*>(report.constData()),
                                  report.size());
    }

    OVHIDDigitizerLayout layout;
};

TEST_F(ReportPathTest, NotificationsComeBeforeTheGestureCarryTheReportAndOutliveTestMode) {
    QStringList order;
    QVariantMap debugInfo;
    QVariantMap compatibilityInfo;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVDebugReportNotification, nullptr, [&](const OVNotification& note) {
        EXPECT_EQ(note.sender, bridge.get());
        order << QStringLiteral("debug %1").arg(poster.events().size());
        debugInfo = note.userInfo;
    });
    observers.add(OVCompatibilityReportNotification, nullptr, [&](const OVNotification& note) {
        EXPECT_EQ(note.sender, bridge.get());
        order << QStringLiteral("compatibility %1").arg(poster.events().size());
        compatibilityInfo = note.userInfo;
    });
    send(0.0, {{480, 270}, {1920, 1080}});  // one warp
    send(0.05, {});                         // nothing: a two-finger scroll
    EXPECT_EQ(order, (QStringList{"debug 0", "compatibility 0", "debug 1", "compatibility 1"}));
    send(0.1, {{480, 270}, {1920, 1080}});

    EXPECT_EQ(debugInfo.keys(), QStringList{"text"});
    EXPECT_TRUE(debugInfo.value("text").toString().contains("contacts=2"));
    EXPECT_EQ(compatibilityInfo.value("text"), debugInfo.value("text"));
    const QVariantList list = compatibilityInfo.value("contacts").toList();
    ASSERT_EQ(list.size(), 2);
    const QVariantMap first = list[0].toMap();
    EXPECT_EQ(first.keys(),
              (QStringList{"id", "kind", "kindName", "screenX", "screenY", "width", "x", "xMaximum",
                           "xMinimum", "y", "yMaximum", "yMinimum"}));
    EXPECT_EQ(first.value("x").toUInt(), 480u);
    EXPECT_EQ(first.value("yMaximum").toInt(), 1080);
    EXPECT_EQ(first.value("screenY").toDouble(), 270.0);
    EXPECT_EQ(first.value("kindName").toString(), "finger");
    EXPECT_EQ(list[1].toMap().value("screenX").toDouble(), 1920.0);
    // Numbers stay numbers in JSON (an 8-bit identifier would turn into a character).
    EXPECT_EQ(QJsonObject::fromVariantMap(first).value("id").toInt(-1), 7);
    // Test mode still publishes every report, and acts on none.
    bridge->setCompatibilityTestMode(true);
    const QStringList acted = fullLog();
    send(0.3, {{100, 100}});
    send(0.5, {});
    EXPECT_EQ(order.size(), 10);
    EXPECT_EQ(fullLog(), acted);
}

TEST_F(ReportPathTest, AReportOfAnotherIDEndsTheTouch) {
    send(0.0, {{100, 100}});
    advanceTo(0.15);
    ASSERT_TRUE(bridge->mouseDown());
    send(0.16, {{100, 100}}, 2);
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_EQ(log().last(), "0.160 mouse type=2 button=0 x=100.00 y=100.00 flags=0x0 clicks=1");
}

}  // namespace
