// Synthetic events, in the program's own vocabulary, through the platform's event poster.

#include <algorithm>
#include <cmath>

#include "base/services.h"
#include "gesture/gesture_constants.h"
#include "hid/touch_bridge.h"
#include "platform/platform.h"

namespace {

OVEventPoster& poster() {
    return OVCurrentPlatform().eventPoster();
}

}  // namespace

void OVTouchBridge::postMouse(int type, QPointF at, std::uint64_t flags, std::int64_t clickCount) {
    poster().postMouseEvent(type, OVMouseButtonLeft, at, flags,
                            std::max<std::int64_t>(clickCount, 1));
}

void OVTouchBridge::postRightMouse(int type, QPointF at, std::uint64_t flags) {
    poster().postMouseEvent(type, OVMouseButtonRight, at, flags, 0);
}

void OVTouchBridge::postMiddleMouse(int type, QPointF at, std::uint64_t flags) {
    poster().postMouseEvent(type, OVMouseButtonCenter, at, flags, 0);
}

void OVTouchBridge::postKeyCode(std::uint16_t keyCode, bool down, std::uint64_t flags) {
    poster().postKey(keyCode, down, flags);
}

void OVTouchBridge::postKeyCode(std::uint16_t keyCode, std::uint64_t flags) {
    poster().postKey(keyCode, true, flags);
    poster().postKey(keyCode, false, flags);
}

void OVTouchBridge::postMagnify(double amount, std::int64_t phase, QPointF at) {
    if (phase == OVGesturePhaseChanged && std::fabs(amount) < OVMagnifyMinimumChange) {
        return;
    }
    poster().postMagnify(amount, phase, at);
}

void OVTouchBridge::openMissionControl() {
    poster().openSystemApplication(QStringLiteral("missionControl"));
}

void OVTouchBridge::openScreenshot() {
    poster().openSystemApplication(QStringLiteral("screenshot"));
}
