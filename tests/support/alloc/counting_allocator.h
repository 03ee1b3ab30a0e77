#pragma once

// Counts the heap allocations of the calling thread between begin and end. The whole process's
// malloc family is interposed (operator new and Qt's containers both end in malloc), so this
// counts every allocation, wherever it is made. Not available in sanitizer builds, whose
// runtime owns malloc.

#if defined(__SANITIZE_ADDRESS__)
#define ORVETTA_COUNTING_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORVETTA_COUNTING_ALLOCATOR 0
#endif
#endif
#ifndef ORVETTA_COUNTING_ALLOCATOR
#define ORVETTA_COUNTING_ALLOCATOR 1
#endif

namespace allocation_counter {

void begin();
// The number of allocations since begin.
long end();

}  // namespace allocation_counter
