#include "gesture_fixture.h"

#include "settings/profiles.h"

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const QPointF& point, std::ostream* out) {
    *out << '(' << point.x() << ", " << point.y() << ')';
}

OVTouchContact makeContact(const TestTouch& touch, int slot) {
    OVTouchContact contact;
    contact.valid = true;
    contact.slot = slot;
    contact.flags = 0x03;
    contact.contactId = static_cast<std::uint8_t>(slot + 1);
    contact.x = static_cast<std::uint32_t>(touch.x * 100.0);
    contact.y = static_cast<std::uint32_t>(touch.y * 100.0);
    contact.xMinimum = 0;
    contact.xMaximum = 192000;
    contact.yMinimum = 0;
    contact.yMaximum = 108000;
    contact.kind = touch.kind;
    return contact;
}

OVTouchContactList makeContactList(const std::vector<TestTouch>& touches) {
    OVTouchContactList list;
    int slot = 0;
    for (const TestTouch& touch : touches) {
        if (slot >= static_cast<int>(list.contacts.size())) {
            break;
        }
        list.contacts[static_cast<size_t>(slot)] = makeContact(touch, slot);
        ++slot;
    }
    list.count = slot;
    list.frameContactCount = slot;
    list.reportedContactCount = slot;
    list.decoded = true;
    list.complete = true;
    return list;
}

OVTouchContactList makeContactList(std::initializer_list<TestTouch> touches) {
    return makeContactList(std::vector<TestTouch>(touches));
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
    const double delta = seconds - clock().now();
    if (delta > 0.0) {
        clock().advance(delta);
    }
}

void GestureTest::report(double seconds, std::initializer_list<TestTouch> touches) {
    advanceTo(seconds);
    bridge->handleContacts(makeContactList(touches));
}

void GestureTest::report(double seconds, const std::vector<TestTouch>& touches) {
    advanceTo(seconds);
    bridge->handleContacts(makeContactList(touches));
}

void GestureTest::drainTimers() {
    clock().drain(10.0);
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

QStringList GestureTest::linesContaining(const QString& fragment) const {
    return poster.lines().filter(fragment);
}

void GestureTest::setProfileValue(const QString& key, const QVariant& value) {
    OVSetProfileValueForKey(key, value);
}
