#pragma once

#include <QString>

#include "platform/sim/replay_gestures.h"

// A replay's gestures in words, one line each.

// The touch of a gesture: "tap", "long press", "drag", "pen stroke", "eraser tap",
// "two fingers", "no touch".
QString OVReplayTouchName(const OVReplayGesture& gesture);
// What an action did: "left click at (480, 300)", "scroll 180 points down".
QString OVReplayActionText(const OVReplayAction& action);
// "1.00–1.07 s  tap → left click at (480, 300)".
QString OVReplaySummaryLine(const OVReplayGesture& gesture);
