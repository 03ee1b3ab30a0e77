#include "support/alloc/counting_allocator.h"

#include <cerrno>
#include <cstddef>

namespace {

thread_local bool tCounting = false;
thread_local long tAllocations = 0;

inline void countOne() {
    if (tCounting) {
        ++tAllocations;
    }
}

}  // namespace

namespace allocation_counter {

void begin() {
    tAllocations = 0;
    tCounting = true;
}

long end() {
    tCounting = false;
    return tAllocations;
}

}  // namespace allocation_counter

#if ORVETTA_COUNTING_ALLOCATOR

extern "C" {

void* __libc_malloc(std::size_t size);
void __libc_free(void* pointer);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);

void* malloc(std::size_t size) {
    countOne();
    return __libc_malloc(size);
}

void free(void* pointer) {
    __libc_free(pointer);
}

void* calloc(std::size_t count, std::size_t size) {
    countOne();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
    countOne();
    return __libc_realloc(pointer, size);
}

void* memalign(std::size_t alignment, std::size_t size) {
    countOne();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    countOne();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    countOne();
    void* pointer = __libc_memalign(alignment, size);
    if (!pointer) {
        return ENOMEM;
    }
    *result = pointer;
    return 0;
}

}  // extern "C"

#endif
