#include "hid/touch_bridge.h"

#include <limits>

#include "platform/hid_manager.h"

OVTouchBridge::OVTouchBridge()
    : _hidDecoderStatus(QStringLiteral("No descriptor decoder")),
      _lastPoint(-1.0, -1.0),
      _lastLeftClickPoint(std::numeric_limits<double>::lowest(),
                          std::numeric_limits<double>::lowest()) {}

OVTouchBridge::~OVTouchBridge() {
    // The timers call back into the bridge; none may outlive it.
    _pendingMouseTimer.invalidate();
    _scrollReleaseTimer.invalidate();
    _inertiaTimer.invalidate();
    _frame.wait.invalidate();
    _exclusiveUse.retryTimer.invalidate();
}
