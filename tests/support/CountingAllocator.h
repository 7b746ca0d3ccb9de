// Counts every allocation of the program that includes this header (once, in one of its files), so a test or a
// benchmark can tell that a piece of work made none. The replaced operators are malloc/free on both sides, which
// the compiler cannot see from here; the non-throwing new (the temporary buffers of std::stable_sort) is replaced
// too, as its blocks come back through delete.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long> allocations{0};

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size, const std::nothrow_t&) noexcept { return ++allocations, std::malloc(size ? size : 1); }
void* operator new(size_t size) {
    if (void* block = operator new(size, std::nothrow))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
