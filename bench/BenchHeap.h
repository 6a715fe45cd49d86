#pragma once

// Every allocation of the program that includes this goes through here, so a benchmark can
// count its own: the number of blocks and the bytes the allocator really hands out for them.
// Include it in one file of a program only.

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

static std::atomic<long> gAllocations{0};
static std::atomic<long long> gHeapBytes{0};

void *operator new(size_t size)
{
    void *p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    gHeapBytes.fetch_add((long long)malloc_usable_size(p), std::memory_order_relaxed);
    return p;
}
void operator delete(void *p) noexcept
{
    if (p)
        gHeapBytes.fetch_sub((long long)malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}
void operator delete(void *p, size_t) noexcept { operator delete(p); }
