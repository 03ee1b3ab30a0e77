// Scrolling by touch: wheel events with sub-pixel remainders, a velocity estimate, the delayed
// end of a two- or three-finger scroll, and coasting at 60 Hz after the fingers lift.

#include <cmath>

#include "base/services.h"
#include "gesture/gesture_constants.h"
#include "gesture/gesture_math.h"
#include "hid/touch_bridge.h"
#include "platform/platform.h"

namespace {

// The velocity sample of a movement `delta` over `seconds`, in points per 1/60 s. A movement
// after a pause counts at its raw size.
double velocitySample(double delta, double seconds) {
    return seconds < OVScrollSlowMovementTimeStep ? delta * OVScrollVelocityFrame / seconds : delta;
}

// A one-finger (or pen) scroll keeps its direction through a small reversal, so that the
// finger's wobble at lift does not flip the coasting.
double guardedVelocity(double stored, double sample, double delta) {
    if (stored * sample < 0.0 && std::fabs(delta) < OVScrollReversalGuard) {
        return stored;
    }
    return sample;
}

bool belowStopVelocity(double x, double y) {
    return std::fabs(x) < OVInertiaStopVelocity && std::fabs(y) < OVInertiaStopVelocity;
}

}  // namespace

void OVTouchBridge::handleScrollInput(const QString& input, QPointF at, std::uint64_t flags) {
    releaseActiveButtonsAt(at);
    const bool continues = _scrollActive && _scrollFlags == flags && _scrollInput == input;
    if (!continues) {
        beginScrollInput(input, at, flags);
        return;
    }
    setLastPoint(at);
    // Measured from where the scroll last posted, so that a slow scroll adds up until it
    // crosses the threshold.
    const QPointF delta = at - _lastScrollCenter;
    if (std::hypot(delta.x(), delta.y()) < OVScrollMovementThreshold) {
        return;
    }
    const double now = currentTime();
    const double elapsed = std::max(now - _lastScrollTime, OVScrollMinimumTimeStep);
    const double sampleX = velocitySample(delta.x(), elapsed);
    const double sampleY = velocitySample(delta.y(), elapsed);
    if (input == QLatin1String("finger2")) {
        _scrollVelocityX = sampleX;
        _scrollVelocityY = sampleY;
    } else {
        _scrollVelocityX = guardedVelocity(_scrollVelocityX, sampleX, delta.x());
        _scrollVelocityY = guardedVelocity(_scrollVelocityY, sampleY, delta.y());
    }
    postScrollDeltaX(delta.x(), delta.y(), flags);
    _lastScrollTime = now;
    _lastScrollCenter = at;
}

void OVTouchBridge::beginScrollInput(const QString& input, QPointF at, std::uint64_t flags) {
    _scrollActive = true;
    _scrollInertiaEnabled = inertiaEnabledForInput(input);
    _scrollFlags = flags;
    _scrollRemainderX = 0.0;
    _scrollRemainderY = 0.0;
    _scrollVelocityX = 0.0;
    _scrollVelocityY = 0.0;
    _lastScrollCenter = at;
    _lastScrollTime = currentTime();
    setLastPoint(at);
    _scrollInput = input;
}

void OVTouchBridge::postScrollDeltaX(double deltaX, double deltaY, std::uint64_t flags) {
    const double sign = naturalScroll() ? 1.0 : -1.0;
    const double scale = scrollScale();
    _scrollRemainderX += deltaX * scale * sign;
    _scrollRemainderY += deltaY * scale * sign;
    const std::int32_t unitsX = OVScrollWheelUnits(_scrollRemainderX);
    const std::int32_t unitsY = OVScrollWheelUnits(_scrollRemainderY);
    if (unitsX == 0 && unitsY == 0) {
        return;  // the remainders keep the fraction
    }
    _scrollRemainderX -= unitsX;
    _scrollRemainderY -= unitsY;
    OVCurrentPlatform().eventPoster().postScrollWheel(unitsY, unitsX, flags);
}

void OVTouchBridge::scheduleScrollRelease() {
    if (_scrollReleasePending) {
        return;
    }
    const bool multiFinger =
        _scrollInput == QLatin1String("finger2") || _scrollInput == QLatin1String("finger3");
    const double delay = multiFinger ? scrollReleaseDelay() : 0.0;
    if (delay > OVScrollReleaseDelayThreshold) {
        _scrollReleasePending = true;
        _scrollReleaseTimer.invalidate();
        _scrollReleaseTimer = OVMainScheduler().after(delay, [this] { finishScrollRelease(); });
        return;
    }
    finishScrollRelease();  // a one-finger, pen or eraser scroll ends at lift
}

void OVTouchBridge::finishScrollRelease() {
    _scrollReleaseTimer.reset();
    _scrollReleasePending = false;
    if (_scrollActive && _scrollInertiaEnabled) {
        startInertiaIfNeeded();
    }
    _scrollActive = false;
    if (!_inertiaTimer.isValid()) {
        stopInertia();
    }
    // The gesture is over: the next group warps the cursor to its own centre (so that its wheel
    // events reach the window under it), measures its pinch from its own start and fires its
    // one-shot action again.
    resetGroupGestureState();
    if (!_pinchLocked) {
        resetPinchState();
    }
    _keyboardActionInput = QString();
}

void OVTouchBridge::cancelScrollRelease() {
    _scrollReleaseTimer.reset();
    _scrollReleasePending = false;
}

void OVTouchBridge::startInertiaIfNeeded() {
    if (!_scrollInertiaEnabled) {
        stopInertia();
        return;
    }
    const double boost = inertiaBoost();
    const double velocityX = _scrollVelocityX * boost;
    const double velocityY = _scrollVelocityY * boost;
    if (belowStopVelocity(velocityX, velocityY)) {
        stopInertia();
        return;
    }
    _scrollVelocityX = velocityX;
    _scrollVelocityY = velocityY;
    _inertiaTimer.invalidate();
    _inertiaTimer = OVMainScheduler().every(OVInertiaTickInterval, [this] { inertiaTick(); });
}

void OVTouchBridge::inertiaTick() {
    const double decay = inertiaDecay();
    _scrollVelocityX *= decay;
    _scrollVelocityY *= decay;
    if (belowStopVelocity(_scrollVelocityX, _scrollVelocityY)) {
        stopInertia();
        return;
    }
    postScrollDeltaX(_scrollVelocityX, _scrollVelocityY, _scrollFlags);
}

void OVTouchBridge::cancelInertiaTimer() {
    _inertiaTimer.reset();
}

void OVTouchBridge::stopInertia() {
    _inertiaTimer.reset();
    _scrollVelocityX = 0.0;
    _scrollVelocityY = 0.0;
    if (!_scrollActive) {
        _scrollFlags = 0;
        _scrollInertiaEnabled = false;
        _scrollInput = QString();
    }
}
