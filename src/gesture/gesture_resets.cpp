// Ending a gesture from outside the touch: a display change, a change of compatibility test
// mode, or the session stopping.

#include "hid/touch_bridge.h"

void OVTouchBridge::endGesture() {
    cancelPendingMouseDown();
    releaseActiveButtonsAt(_lastPoint);
    cancelScrollRelease();
    _scrollActive = false;
    resetPinchState();  // a magnify in progress ends where it was
    stopInertia();

    resetGroupGestureState();
    setLastPoint(QPointF(-1.0, -1.0));
    _lastScrollCenter = QPointF(0.0, 0.0);
    _scrollRemainderX = 0.0;
    _scrollRemainderY = 0.0;

    _keyboardActionInput = QString();
    _ignoreSingleTouchUntilAllUp = false;
    _suppressInputUntilAllContactsUp = false;
    _touch.groupPeakContactCount = 0;
    _touch.longPressDone = false;
}

void OVTouchBridge::refreshDisplayMapping() {
    endGesture();
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
    endGesture();
    _compatibilityTestMode = enabled;
    // Leaving test mode ignores the touch that is still down.
    _suppressInputUntilAllContactsUp = !enabled;
}
