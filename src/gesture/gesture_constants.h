#pragma once

#include <cstdint>

#include "base/modifier_flags.h"

// Event type numbers.
inline constexpr int OVEventLeftMouseDown = 1;
inline constexpr int OVEventLeftMouseUp = 2;
inline constexpr int OVEventRightMouseDown = 3;
inline constexpr int OVEventRightMouseUp = 4;
inline constexpr int OVEventMouseMoved = 5;
inline constexpr int OVEventLeftMouseDragged = 6;
inline constexpr int OVEventRightMouseDragged = 7;
inline constexpr int OVEventOtherMouseDown = 25;
inline constexpr int OVEventOtherMouseUp = 26;
inline constexpr int OVEventOtherMouseDragged = 27;
inline constexpr int OVEventGesture = 29;

// Mouse button numbers.
inline constexpr int OVMouseButtonLeft = 0;
inline constexpr int OVMouseButtonRight = 1;
inline constexpr int OVMouseButtonCenter = 2;

// Virtual key codes.
inline constexpr std::uint16_t OVKeyCodeEscape = 53;
inline constexpr std::uint16_t OVKeyCodeShift = 56;
inline constexpr std::uint16_t OVKeyCodeControl = 59;
inline constexpr std::uint16_t OVKeyCodeOption = 58;
inline constexpr std::uint16_t OVKeyCodeCommand = 55;

// Magnify gesture phases.
inline constexpr std::int64_t OVGesturePhaseBegan = 1;
inline constexpr std::int64_t OVGesturePhaseChanged = 2;
inline constexpr std::int64_t OVGesturePhaseEnded = 8;

// Gestures.
inline constexpr double OVMoveThreshold = 1.0;                 // points: less is "not moved"
inline constexpr double OVDoubleClickRadius = 12.0;            // points
inline constexpr std::int64_t OVMaximumClickCount = 2;         // clicks count 1, 2, 2, 2 ...
inline constexpr double OVImmediatePressDelay = 0.001;         // seconds: shorter presses at once
inline constexpr double OVKeyboardActionMouseHoldBack = 0.05;  // seconds
inline constexpr double OVLongPressDuration = 0.8;             // seconds held for a right click
inline constexpr double OVLongPressRadius = 12.0;              // points a held finger may wander

// Scrolling.
inline constexpr double OVScrollMovementThreshold = 0.5;  // points per report
inline constexpr double OVScrollMinimumTimeStep = 1.0 / 120.0;
inline constexpr double OVScrollVelocityFrame = 1.0 / 60.0;
inline constexpr double OVScrollSlowMovementTimeStep = 0.2;  // seconds: raw-size sample beyond
inline constexpr double OVScrollReversalGuard = 12.0;        // points
inline constexpr double OVScrollReleaseDelayThreshold = 0.001;

// Inertia.
inline constexpr double OVInertiaTickInterval = 1.0 / 60.0;
inline constexpr double OVInertiaStopVelocity = 0.35;

// Pinch.
inline constexpr double OVPinchLockDistance = 18.0;  // points
inline constexpr double OVMagnifyDivisor = 90.0;
inline constexpr double OVMagnifyStepLimit = 0.08;
inline constexpr double OVMagnifyMinimumChange = 0.0001;

// Fixed logical limits of mapRawX(x, y).
inline constexpr std::int32_t OVDefaultRawXMaximum = 4800;
inline constexpr std::int32_t OVDefaultRawYMaximum = 3000;
