// Ending a gesture from outside: a display change or a change of compatibility test mode.

#include "hid/touch_bridge.h"

void OVTouchBridge::refreshDisplayMapping() {
    cancelPendingMouseDown();
    releaseActiveButtonsAt(_lastPoint);
    cancelScrollRelease();
    _scrollActive = false;
    resetPinchState();
    stopInertia();

    _lastPoint = QPointF(-1.0, -1.0);
    resetGroupGestureState();
    _lastScrollCenter = QPointF(0.0, 0.0);
    _scrollRemainderX = 0.0;
    _scrollRemainderY = 0.0;
    _scrollVelocityX = 0.0;
    _scrollVelocityY = 0.0;
    resetPinchState();

    loadTargetDisplayBounds();

    // A contact that was down across the change acts on nothing until every contact lifted.
    _ignoreSingleTouchUntilAllUp = true;
    _suppressInputUntilAllContactsUp = true;

    if (running()) {
        _status = OVTouchStatus::DisplayUpdated;
    }
}

void OVTouchBridge::setCompatibilityTestMode(bool enabled) {
    if (enabled == _compatibilityTestMode) {
        return;
    }
    cancelPendingMouseDown();
    releaseActiveButtonsAt(_lastPoint);
    cancelScrollRelease();
    _scrollActive = false;
    resetPinchState();
    stopInertia();
    _keyboardActionInput = QString();

    _compatibilityTestMode = enabled;
    // Leaving test mode ignores the touch that is still down.
    _suppressInputUntilAllContactsUp = !enabled;
}
