// The delayed left press, click counting and releasing the buttons.

#include <algorithm>

#include "base/services.h"
#include "gesture/gesture_constants.h"
#include "gesture/gesture_math.h"
#include "hid/touch_bridge.h"
#include "platform/platform.h"

#include <limits>

void OVTouchBridge::scheduleMouseDownAt(QPointF at, std::uint64_t flags) {
    if (_touch.longPressWaiting) {
        // Another input took the touch over: its press is an ordinary one.
        cancelPendingMouseDown();
    }
    // While a press is pending, later reports of the touch only move where it will land.
    _pendingMousePoint = at;
    _pendingMouseFlags = flags;
    _pendingMouseFromGroup = _activeGroupContactCount >= 2;
    if (_pendingMouseDown || _mouseDown) {
        return;
    }
    const double delay = std::max(touchDelay(), keyboardActionMouseDelayRemaining());
    if (delay <= OVImmediatePressDelay) {
        pressLeftMouseAt(at, flags);
        _pendingMouseFlags = 0;
        return;
    }
    _pendingMouseDown = true;
    _pendingMouseTimer.invalidate();
    _pendingMouseTimer = OVMainScheduler().after(delay, [this] { firePendingMouseDown(); });
}

void OVTouchBridge::firePendingMouseDown() {
    // A single touch that turned into a group gesture drops its press.
    const bool droppedByGroup = _ignoreSingleTouchUntilAllUp && !_pendingMouseFromGroup;
    if (_pendingMouseDown && !_mouseDown && !droppedByGroup) {
        pressLeftMouseAt(_pendingMousePoint, _pendingMouseFlags);
    }
    // Called by the timer or, for a tap shorter than the delay, at lift: either way the timer
    // must not fire (again) later, where it could press for the next touch too early.
    cancelPendingMouseDown();
}

void OVTouchBridge::cancelPendingMouseDown() {
    _pendingMouseTimer.reset();
    _pendingMouseDown = false;
    _pendingMouseFromGroup = false;
    _pendingMouseFlags = 0;
    _touch.longPressWaiting = false;
}

void OVTouchBridge::pressLeftMouseAt(QPointF at, std::uint64_t flags) {
    const std::int64_t clickCount = beginLeftClickCountAtPoint(at);
    postMouse(OVEventLeftMouseDown, at, flags, clickCount);
    _leftMouseFlags = flags;
    _mouseDown = true;
    _leftMouseDragged = false;
}

void OVTouchBridge::dragLeftMouseTo(QPointF at) {
    postMouse(OVEventLeftMouseDragged, at, _leftMouseFlags,
              std::max<std::int64_t>(_activeLeftClickCount, 1));
    _leftMouseDragged = true;
}

std::int64_t OVTouchBridge::beginLeftClickCountAtPoint(QPointF at) {
    const double now = currentTime();
    const double distance = OVDistanceBetween(at, _lastLeftClickPoint);
    const double interval = OVCurrentPlatform().eventPoster().doubleClickInterval();
    if (_lastLeftClickTime > 0.0 && now - _lastLeftClickTime <= interval &&
        distance <= OVDoubleClickRadius) {
        _activeLeftClickCount = std::min(_lastLeftClickCount + 1, OVMaximumClickCount);
    } else {
        _activeLeftClickCount = 1;
    }
    return _activeLeftClickCount;
}

void OVTouchBridge::finishLeftClickAtPoint(QPointF at, bool dragged) {
    if (dragged) {
        // A drag never starts a double click.
        _lastLeftClickTime = 0.0;
        _lastLeftClickCount = 0;
        _lastLeftClickPoint =
            QPointF(std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest());
    } else {
        _lastLeftClickTime = currentTime();
        _lastLeftClickPoint = at;
        _lastLeftClickCount = std::max<std::int64_t>(_activeLeftClickCount, 1);
    }
    _activeLeftClickCount = 0;
}

void OVTouchBridge::releaseMouseIfNeededAt(QPointF at) {
    cancelPendingMouseDown();
    if (!_mouseDown) {
        return;
    }
    postMouse(OVEventLeftMouseUp, at, _leftMouseFlags,
              std::max<std::int64_t>(_activeLeftClickCount, 1));
    finishLeftClickAtPoint(at, _leftMouseDragged);
    _mouseDown = false;
    _leftMouseDragged = false;
    _leftMouseFlags = 0;
}

void OVTouchBridge::releaseRightMouseIfNeededAt(QPointF at) {
    if (!_rightMouseDown) {
        return;
    }
    postRightMouse(OVEventRightMouseUp, at, _rightMouseFlags);
    _rightMouseDown = false;
    _rightMouseFlags = 0;
}

void OVTouchBridge::releaseMiddleMouseIfNeededAt(QPointF at) {
    if (!_middleMouseDown) {
        return;
    }
    postMiddleMouse(OVEventOtherMouseUp, at, _middleMouseFlags);
    _middleMouseDown = false;
    _middleMouseFlags = 0;
}

void OVTouchBridge::releaseActiveButtonsAt(QPointF at) {
    releaseMouseIfNeededAt(at);
    releaseRightMouseIfNeededAt(at);
    releaseMiddleMouseIfNeededAt(at);
}
