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
    _interval = OVEffectiveHoldRepeatInterval(_target->keyButtonHoldRepeatInterval());
    _repeatTimer = OVMainScheduler().after(OVKeyHoldInitialDelay, [this] {
        _repeatTimer = OVMainScheduler().every(_interval, [this] { repeat(); });
        repeat();
    });
    return true;
}

void OVKeyHoldPress::repeat() {
    if (_target) {
        _target->keyButtonHoldRepeat(_key);
    }
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
