#include <QJsonDocument>
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
    ReportPathTest() {
        OVHIDTouchScreenDescription description;
        description.fingers = 5;
        description.xMaximum = 1920;
        description.yMaximum = 1080;
        layout = OVHIDDigitizerLayoutBuild(OVHIDTouchScreenDescriptor(description));
        bridge->setHIDLayout(layout);
        bridge->setHIDDecoderStatus(QStringLiteral("HidDigitizerDescriptor report=1 contacts=5"));
    }

    QByteArray touchReport(std::vector<QPointF> points) {
        std::vector<OVTouchContact> contacts;
        for (size_t i = 0; i < points.size(); ++i) {
            OVTouchContact contact;
            contact.contactId = static_cast<std::uint8_t>(i + 7);
            contact.x = static_cast<std::uint32_t>(points[i].x());
            contact.y = static_cast<std::uint32_t>(points[i].y());
            contact.kind = OVContactKindFinger;
            contact.marker = 0;
            contacts.push_back(contact);
        }
        return OVTouchReport(layout, contacts.data(), static_cast<int>(contacts.size()),
                             static_cast<std::uint32_t>(contacts.size()));
    }

    void send(double seconds, const QByteArray& report) {
        advanceTo(seconds);
        bridge->handleInputReport(reinterpret_cast<const std::uint8_t*>(report.constData()),
                                  report.size());
    }

    OVHIDDigitizerLayout layout;
};

TEST_F(ReportPathTest, NotificationsComeBeforeTheGestureInTheirOrder) {
    QStringList order;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVDebugReportNotification, nullptr, [&](const OVNotification& note) {
        EXPECT_EQ(note.sender, bridge.get());
        order << QStringLiteral("debug %1").arg(poster.events().size());
    });
    observers.add(OVCompatibilityReportNotification, nullptr, [&](const OVNotification& note) {
        EXPECT_EQ(note.sender, bridge.get());
        order << QStringLiteral("compatibility %1").arg(poster.events().size());
    });
    send(0.0, touchReport({{100, 200}}));  // one warp
    send(0.05, touchReport({}));           // the press and the release
    EXPECT_EQ(order, (QStringList{"debug 0", "compatibility 0", "debug 1", "compatibility 1"}));
    EXPECT_EQ(log().size(), 2);
}

TEST_F(ReportPathTest, TheCompatibilityReportCarriesTheTextAndTwelveKeysPerContact) {
    QVariantMap debugInfo;
    QVariantMap compatibilityInfo;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVDebugReportNotification, nullptr,
                  [&](const OVNotification& note) { debugInfo = note.userInfo; });
    observers.add(OVCompatibilityReportNotification, nullptr,
                  [&](const OVNotification& note) { compatibilityInfo = note.userInfo; });
    const QByteArray report = touchReport({{480, 270}, {1920, 1080}});
    send(0.0, report);

    const OVTouchContactList contacts = [&] {
        OVTouchBridge decoder;
        decoder.setHIDLayout(layout);
        decoder.setHIDDecoderStatus(bridge->hidDecoderStatus());
        return decoder.contactsFromReport(reinterpret_cast<const std::uint8_t*>(report.data()),
                                          report.size());
    }();
    const QString text = bridge->debugTextForReport(
        reinterpret_cast<const std::uint8_t*>(report.data()), report.size(), contacts);
    EXPECT_EQ(debugInfo, (QVariantMap{{"text", text}}));
    EXPECT_EQ(compatibilityInfo.value("text").toString(), text);
    const QVariantList list = compatibilityInfo.value("contacts").toList();
    ASSERT_EQ(list.size(), 2);
    const QVariantMap first = list[0].toMap();
    EXPECT_EQ(first.keys(),
              (QStringList{"id", "kind", "kindName", "screenX", "screenY", "width", "x", "xMaximum",
                           "xMinimum", "y", "yMaximum", "yMinimum"}));
    EXPECT_EQ(first.value("id").toUInt(), 7u);
    EXPECT_EQ(first.value("x").toUInt(), 480u);
    EXPECT_EQ(first.value("yMaximum").toInt(), 1080);
    EXPECT_EQ(first.value("screenY").toDouble(), 270.0);
    EXPECT_EQ(first.value("kindName").toString(), "finger");
    EXPECT_EQ(list[1].toMap().value("screenX").toDouble(), 1920.0);
    // Numbers stay numbers in JSON (an 8-bit identifier would turn into a character).
    const QJsonObject json = QJsonObject::fromVariantMap(first);
    EXPECT_TRUE(json.value("id").isDouble());
    EXPECT_EQ(json.value("id").toInt(), 7);
}

TEST_F(ReportPathTest, TestModePublishesReportsButActsOnNone) {
    int published = 0;
    OVScopedObservers observers(OVDefaultCenter());
    observers.add(OVCompatibilityReportNotification, nullptr,
                  [&](const OVNotification&) { ++published; });
    bridge->setCompatibilityTestMode(true);
    send(0.0, touchReport({{100, 100}}));
    send(0.2, touchReport({{300, 100}}));
    send(0.3, touchReport({}));
    EXPECT_EQ(published, 3);
    EXPECT_TRUE(fullLog().isEmpty());
}

TEST_F(ReportPathTest, AReportOfAnotherIDEndsTheTouch) {
    send(0.0, touchReport({{100, 100}}));
    advanceTo(0.15);
    ASSERT_TRUE(bridge->mouseDown());
    QByteArray other = touchReport({{100, 100}});
    other[0] = 2;
    send(0.16, other);
    EXPECT_FALSE(bridge->mouseDown());
    EXPECT_EQ(log().last(), "0.160 mouse type=2 button=0 x=100.00 y=100.00 flags=0x0 clicks=1");
}

}  // namespace
