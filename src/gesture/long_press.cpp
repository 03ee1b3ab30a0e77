// Press and hold for right click: finger1's left press waits while the finger stays within a
// small radius of where it touched. Moving farther presses there and drags, lifting clicks as
// usual, and holding still long enough posts a right click instead.

#include "base/services.h"
#include "gesture/gesture_constants.h"
#include "gesture/gesture_math.h"
#include "hid/touch_bridge.h"

bool OVTouchBridge::waitsForLongPress(const QString& input) const {
    return input == QLatin1String("finger1") && longPressRightClick();
}

void OVTouchBridge::holdLeftPressAt(QPointF at, std::uint64_t flags) {
    if (_pendingMouseDown && !_touch.longPressWaiting) {
        scheduleMouseDownAt(at, flags);  // an ordinary press is already on its way
        return;
    }
    // As with the delayed press, a lift lands the click where the finger is.
    _pendingMousePoint = at;
    _pendingMouseFlags = flags;
    if (!_pendingMouseDown) {
        _pendingMouseDown = true;
        _touch.longPressWaiting = true;
        _touch.longPressStart = at;
        _pendingMouseTimer.invalidate();
        _pendingMouseTimer =
            OVMainScheduler().after(OVLongPressDuration, [this] { fireLongPress(); });
        return;
    }
    if (OVDistanceBetween(at, _touch.longPressStart) <= OVLongPressRadius) {
        return;
    }
    const QPointF start = _touch.longPressStart;
    cancelPendingMouseDown();
    if (keyboardActionMouseDelayRemaining() > OVImmediatePressDelay) {
        // Right after a one-shot action the press is held back like any other.
        scheduleMouseDownAt(at, flags);
        return;
    }
    // A drag: it starts where the finger touched.
    pressLeftMouseAt(start, flags);
    dragLeftMouseTo(at);
}

void OVTouchBridge::fireLongPress() {
    // The timer runs only while the press waits: anything that ends the wait cancels it.
    const QPointF at = _pendingMousePoint;
    const std::uint64_t flags = _pendingMouseFlags;
    cancelPendingMouseDown();
    postRightMouse(OVEventRightMouseDown, at, flags);
    postRightMouse(OVEventRightMouseUp, at, flags);
    _touch.longPressDone = true;
}
