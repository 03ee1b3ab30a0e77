#include "keyboard/key_hold.h"

#include "base/services.h"

double OVEffectiveHoldRepeatInterval(double configured) {
    // Written so that NaN also falls back to the minimum.
    return configured >= OVKeyHoldMinimumRepeatInterval ? configured
                                                        : OVKeyHoldMinimumRepeatInterval;
}

OVKeyHoldPress::~OVKeyHoldPress() {
    _repeatTimer.invalidate();
}

bool OVKeyHoldPress::begin(OVKeyHoldTarget* target, const OVKeyDescriptor& key) {
    end();
    if (!target || !target->keyButtonShouldUseHold(key)) {
        return false;
    }
    _target = target;
    _key = key;
    _target->keyButtonHoldBegan(_key);
    const double interval = OVEffectiveHoldRepeatInterval(_target->keyButtonHoldRepeatInterval());
    _repeatTimer = OVMainScheduler().every(interval, [this] {
        if (_target) {
            _target->keyButtonHoldRepeat(_key);
        }
    });
    return true;
}

void OVKeyHoldPress::end() {
    if (!_target) {
        return;
    }
    _repeatTimer.invalidate();
    OVKeyHoldTarget* target = _target;
    const OVKeyDescriptor key = _key;
    _target = nullptr;
    _key.clear();
    target->keyButtonHoldEnded(key);
}
