#pragma once

// Stops the fuzzer at once when an invariant does not hold, so that the input is kept.
inline void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}
