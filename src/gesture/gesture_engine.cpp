// The per-report decision: which input acts, where, and what its mouse action does.

#include <cmath>

#include "base/services.h"
#include "gesture/gesture_constants.h"
#include "gesture/gesture_math.h"
#include "hid/touch_bridge.h"
#include "platform/platform.h"
#include "settings/profiles.h"

namespace {

const QString kFinger2 = QStringLiteral("finger2");
const QString kFinger3 = QStringLiteral("finger3");

bool isScrollAction(std::int64_t action) {
    return action == OVMouseActionScroll || action == OVMouseActionScrollAndPinch;
}

void warpCursor(QPointF to) {
    OVCurrentPlatform().eventPoster().warpCursor(to);
}

}  // namespace

bool OVTouchBridge::movedFromLastPoint(QPointF to) const {
    // Measured from where the gesture last acted, not from the previous report: a finger that
    // moves less than a point per report still moves.
    const QPointF from = _touch.movementAnchor;
    return std::fabs(to.x() - from.x()) >= OVMoveThreshold ||
           std::fabs(to.y() - from.y()) >= OVMoveThreshold;
}

QPointF OVTouchBridge::deltaFromLastPoint(QPointF to) const {
    return _lastPoint.x() >= 0.0 ? to - _lastPoint : QPointF(0.0, 0.0);
}

void OVTouchBridge::handleContacts(OVTouchContactList contacts) {
    const int count = std::clamp(contacts.count, 0, static_cast<int>(contacts.contacts.size()));
    if (_suppressInputUntilAllContactsUp) {
        if (count == 0) {
            // Every contact has lifted: both latches end here, so the next touch acts again.
            _suppressInputUntilAllContactsUp = false;
            _ignoreSingleTouchUntilAllUp = false;
            _touch.groupPeakContactCount = 0;
        }
        return;
    }
    if (count == 0) {
        handleAllContactsUp();
        return;
    }
    if (_touch.longPressDone) {
        return;  // the touch right-clicked by holding still: the rest of it posts nothing
    }
    if (count < _touch.groupPeakContactCount) {
        handleLingeringContacts();
        return;
    }

    // The surface is touched: a scroll continues and coasting stops.
    cancelScrollRelease();
    cancelInertiaTimer();

    if (count >= 2) {
        contacts.count = count;
        handleGroupOfContacts(contacts);
        return;
    }
    resetGroupGestureState();
    const QPointF point = mapContact(contacts.contacts[0]);
    handleMappedInput(inputForContactKind(contacts.contacts[0].kind), point,
                      movedFromLastPoint(point), deltaFromLastPoint(point));
}

void OVTouchBridge::handleAllContactsUp() {
    // A tap shorter than the touch delay still clicks.
    if (_pendingMouseDown) {
        firePendingMouseDown();
    }
    releaseActiveButtonsAt(_lastPoint);
    _ignoreSingleTouchUntilAllUp = false;
    _touch.groupPeakContactCount = 0;
    _touch.longPressDone = false;
    if (_scrollActive) {
        // The group and the one-shot action end with the scroll release (finishScrollRelease),
        // so that fingers back within the release delay continue the same scroll.
        scheduleScrollRelease();
        return;
    }
    resetGroupGestureState();
    resetPinchState();
    cancelScrollRelease();
    _scrollActive = false;
    if (!_inertiaTimer.isValid()) {
        stopInertia();
    }
    _scrollRemainderX = 0.0;
    _scrollRemainderY = 0.0;
    _keyboardActionInput = QString();
}

void OVTouchBridge::handleLingeringContacts() {
    // Lifting fingers out of a group never turns the rest into a gesture of fewer fingers: a
    // finger left over from two never clicks, two left over from three never right-click.
    if (_scrollActive) {
        scheduleScrollRelease();
    }
    resetGroupGestureState();
    if (!_pinchLocked) {
        resetPinchState();
    }
}

void OVTouchBridge::handleGroupOfContacts(const OVTouchContactList& contacts) {
    const int count = contacts.count;
    // From here until every contact lifted, fewer contacts act on nothing.
    _ignoreSingleTouchUntilAllUp = true;
    _touch.groupPeakContactCount = std::max<std::int64_t>(_touch.groupPeakContactCount, count);
    if (count >= 4) {
        QPointF sum;
        for (int i = 0; i < count; ++i) {
            sum += mapContact(contacts.contacts[static_cast<size_t>(i)]);
        }
        const QPointF center = sum / count;
        beginGroupGestureWithContactCount(count, center);
        releaseActiveButtonsAt(center);
        _scrollActive = false;
        resetPinchState();
        setLastPoint(center);
        return;
    }
    if (count == 3) {
        const QPointF center =
            (mapContact(contacts.contacts[0]) + mapContact(contacts.contacts[1]) +
             mapContact(contacts.contacts[2])) /
            3.0;
        beginGroupGestureWithContactCount(3, center);
        if (!isScrollAction(mouseActionForInput(kFinger3))) {
            _scrollActive = false;  // a three-finger scroll continues from report to report
        }
        resetPinchState();
        handleMappedInput(kFinger3, center, movedFromLastPoint(center), deltaFromLastPoint(center));
        return;
    }

    const QPointF first = mapContact(contacts.contacts[0]);
    const QPointF second = mapContact(contacts.contacts[1]);
    const QPointF center = (first + second) / 2.0;
    beginGroupGestureWithContactCount(2, center);
    const std::int64_t action = mouseActionForInput(kFinger2);
    if (action == OVMouseActionScroll) {
        const std::uint64_t flags = modifierFlagsForInput(kFinger2);
        resetPinchState();
        handleScrollInput(kFinger2, center, flags);
    } else if (action == OVMouseActionScrollAndPinch) {
        const std::uint64_t flags = modifierFlagsForInput(kFinger2);
        handleScrollAndPinchAtCenter(center, OVDistanceBetween(first, second), flags);
    } else {
        _scrollActive = false;
        resetPinchState();
        handleMappedInput(kFinger2, center, movedFromLastPoint(center), deltaFromLastPoint(center));
    }
}

void OVTouchBridge::handleMappedInput(const QString& input, QPointF at, bool moved, QPointF) {
    const std::int64_t action = mouseActionForInput(input);
    // One read of the keyboard action serves both its modifier flags and its one-shot action.
    const std::int64_t keyboardAction = keyboardActionForInput(input);
    const std::uint64_t flags = OVModifierFlagsForKeyboardAction(keyboardAction);
    triggerKeyboardAction(input, keyboardAction);
    if (moved && !isScrollAction(action)) {
        // The cursor follows the touch for every action but scrolling, None included.
        warpCursor(at);
    }
    switch (action) {
        case OVMouseActionNone:
            releaseActiveButtonsAt(at);
            _scrollActive = false;
            break;
        case OVMouseActionLeft:
            _scrollActive = false;
            releaseRightMouseIfNeededAt(at);
            releaseMiddleMouseIfNeededAt(at);
            if (_mouseDown) {
                if (moved) {
                    dragLeftMouseTo(at);
                }
            } else if (waitsForLongPress(input)) {
                holdLeftPressAt(at, flags);
            } else {
                scheduleMouseDownAt(at, flags);
            }
            break;
        case OVMouseActionRight:
            _scrollActive = false;
            releaseMouseIfNeededAt(at);
            releaseMiddleMouseIfNeededAt(at);
            if (!_rightMouseDown) {
                postRightMouse(OVEventRightMouseDown, at, flags);
                _rightMouseFlags = flags;
                _rightMouseDown = true;
            } else if (moved) {
                postRightMouse(OVEventRightMouseDragged, at, _rightMouseFlags);
            }
            break;
        case OVMouseActionMiddle:
            _scrollActive = false;
            releaseMouseIfNeededAt(at);
            releaseRightMouseIfNeededAt(at);
            if (!_middleMouseDown) {
                postMiddleMouse(OVEventOtherMouseDown, at, flags);
                _middleMouseFlags = flags;
                _middleMouseDown = true;
            } else if (moved) {
                postMiddleMouse(OVEventOtherMouseDragged, at, _middleMouseFlags);
            }
            break;
        case OVMouseActionScroll:
        case OVMouseActionScrollAndPinch:
            handleScrollInput(input, at, flags);
            break;
        default:
            break;  // an action this version does not know presses nothing
    }
    if (!isScrollAction(action)) {
        // The scroll path keeps the last point itself. A move below the threshold is measured
        // on from where the gesture last acted.
        _lastPoint = at;
        if (moved) {
            _touch.movementAnchor = at;
        }
    }
}

void OVTouchBridge::beginGroupGestureWithContactCount(std::int64_t count, QPointF center) {
    if (count == _activeGroupContactCount) {
        return;
    }
    _activeGroupContactCount = count;
    warpCursor(center);
    setLastPoint(center);
}

void OVTouchBridge::setLastPoint(QPointF at) {
    _lastPoint = at;
    _touch.movementAnchor = at;
}

void OVTouchBridge::resetGroupGestureState() {
    _activeGroupContactCount = 0;
}

double OVTouchBridge::currentTime() const {
    // The scheduler's monotonic clock starts near 0; one second later keeps 0 free to mean
    // "never" in the click and keyboard-action times.
    constexpr double kClockOrigin = 1.0;
    return OVMainScheduler().now() + kClockOrigin;
}
