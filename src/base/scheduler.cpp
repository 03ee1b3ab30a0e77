#include "base/scheduler.h"

void OVTimer::invalidate() {
    if (!_state || !_state->valid) {
        return;
    }
    _state->valid = false;
    if (auto cancel = std::move(_state->cancel)) {
        _state->cancel = nullptr;
        cancel();
    }
}
