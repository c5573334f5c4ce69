#pragma once

// The program's allocation functions stand in for the C library's (the
// executable's definitions win over libc's for every library loaded, so the
// parsers' own malloc calls count too) and keep the bytes in use, as
// malloc_usable_size reports them, and their high-water mark. Included by one
// source file of a program; not for builds under a sanitizer, which brings its
// own allocator.

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <malloc.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace CountingHeap {

// One thread allocates while counting; the counters need no atomicity.
inline std::size_t g_InUse = 0;
inline std::size_t g_Peak = 0;

inline void* Counted(void* block)
{
    if (block != nullptr) {
        g_InUse += malloc_usable_size(block);
        g_Peak = g_InUse > g_Peak ? g_InUse : g_Peak;
    }
    return block;
}

inline void Uncounted(void* block)
{
    if (block != nullptr) {
        g_InUse -= malloc_usable_size(block);
    }
}

} // namespace CountingHeap

extern "C" {
void* malloc(std::size_t size)
{
    return CountingHeap::Counted(__libc_malloc(size));
}
void* calloc(std::size_t count, std::size_t size)
{
    return CountingHeap::Counted(__libc_calloc(count, size));
}
void* realloc(void* block, std::size_t size)
{
    CountingHeap::Uncounted(block);
    void* const moved = __libc_realloc(block, size);
    if (moved == nullptr && size != 0 && block != nullptr) {
        CountingHeap::Counted(block); // the old block stays
        return nullptr;
    }
    return CountingHeap::Counted(moved);
}
void* memalign(std::size_t alignment, std::size_t size)
{
    return CountingHeap::Counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return CountingHeap::Counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size)
{
    void* const p = CountingHeap::Counted(__libc_memalign(alignment, size));
    if (p == nullptr) {
        return ENOMEM;
    }
    *block = p;
    return 0;
}
void free(void* block)
{
    CountingHeap::Uncounted(block);
    __libc_free(block);
}
}
