// Two fingers with Scroll and pinch: they scroll until their distance has changed by 18 points
// from where it started, and from then on only magnify, for the rest of the gesture.

#include <cmath>

#include "base/services.h"
#include "gesture/gesture_constants.h"
#include "gesture/gesture_math.h"
#include "hid/touch_bridge.h"
#include "platform/platform.h"

void OVTouchBridge::handleScrollAndPinchAtCenter(QPointF center, double distance,
                                                 std::uint64_t flags) {
    releaseActiveButtonsAt(center);
    if (!_pinchCandidateActive) {
        _pinchCandidateActive = true;
        _pinchLocked = false;
        _pinchStartDistance = distance;
        _lastPinchDistance = distance;
    }
    if (!_pinchLocked && std::fabs(distance - _pinchStartDistance) >= OVPinchLockDistance) {
        _pinchLocked = true;
        _pinchGestureActive = true;
        OVCurrentPlatform().eventPoster().warpCursor(center);
        postMagnify(0.0, OVGesturePhaseBegan, center);
        cancelScrollRelease();
        _scrollActive = false;
        stopInertia();
    }
    if (_pinchLocked) {
        postMagnify(OVMagnifyAmountForDistanceChange(distance - _lastPinchDistance),
                    OVGesturePhaseChanged, center);
        _lastPinchDistance = distance;
        setLastPoint(center);
        return;
    }
    handleScrollInput(QStringLiteral("finger2"), center, flags);
    _lastPinchDistance = distance;
}

void OVTouchBridge::resetPinchState() {
    if (_pinchGestureActive) {
        postMagnify(0.0, OVGesturePhaseEnded, _lastPoint);
    }
    _pinchCandidateActive = false;
    _pinchLocked = false;
    _pinchGestureActive = false;
    _pinchStartDistance = 0.0;
    _lastPinchDistance = 0.0;
}
