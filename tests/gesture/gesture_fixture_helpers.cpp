#include "gesture_fixture.h"

#include "settings/profiles.h"

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

OVTouchContactList makeContactList(const std::vector<TestTouch>& touches) {
    OVTouchContactList list;
    for (const TestTouch& touch : touches) {
        if (list.count >= static_cast<int>(list.contacts.size())) {
            break;
        }
        OVTouchContact& contact = list.contacts[static_cast<size_t>(list.count)];
        contact.valid = true;
        contact.slot = list.count;
        contact.flags = 0x03;
        contact.contactId = static_cast<std::uint8_t>(++list.count);
        contact.x = static_cast<std::uint32_t>(touch.x * 100.0);
        contact.y = static_cast<std::uint32_t>(touch.y * 100.0);
        contact.xMaximum = 192000;
        contact.yMaximum = 108000;
        contact.kind = touch.kind;
    }
    list.frameContactCount = list.reportedContactCount = list.count;
    list.decoded = list.complete = true;
    return list;
}

GestureTest::GestureTest() : poster(*_guard.virtualScheduler()) {
    OVRegisterDefaults();
    displays.setDisplays({OVSimDisplayServices::makeDisplay(1, QRectF(0, 0, 1920, 1080), true)});
    platform.poster = &poster;
    platform.displays = &displays;
    _guard.setPlatform(&platform);
    bridge = std::make_unique<OVTouchBridge>();
    bridge->loadTargetDisplayBounds();
}

void GestureTest::advanceTo(double seconds) {
    if (seconds > clock().now()) {
        clock().advance(seconds - clock().now());
    }
}

void GestureTest::report(double seconds, const std::vector<TestTouch>& touches) {
    advanceTo(seconds);
    bridge->handleContacts(makeContactList(touches));
}

QStringList GestureTest::log() const {
    QStringList lines;
    for (const OVSimPostedEvent& event : poster.events()) {
        if (event.kind != OVSimPostedEvent::Kind::Warp) {
            lines << OVSimEventLogLine(event);
        }
    }
    return lines;
}

void GestureTest::setValue(const QString& key, const QVariant& value) {
    OVSetProfileValueForKey(key, value);
}
