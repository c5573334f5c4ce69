// Replaces the global allocation functions of the test program (and so of the
// library it loads) with ones that count bytes while told to.

#include "encoding/AllocationCounter.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

bool g_Counting = false;
std::uint64_t g_Total = 0;
std::int64_t g_Held = 0;
std::int64_t g_Peak = 0;

} // namespace

void* operator new(std::size_t size)
{
    void* const memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    if (g_Counting) {
        auto const bytes = static_cast<std::int64_t>(malloc_usable_size(memory));
        g_Total += static_cast<std::uint64_t>(bytes);
        g_Held += bytes;
        g_Peak = std::max(g_Peak, g_Held);
    }
    return memory;
}

void operator delete(void* memory) noexcept
{
    if (memory != nullptr && g_Counting) {
        // Memory held before counting started may go meanwhile: the balance may fall below 0.
        g_Held -= static_cast<std::int64_t>(malloc_usable_size(memory));
    }
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    operator delete(memory);
}

namespace EncodingTest {

void StartCounting()
{
    g_Total = 0;
    g_Held = 0;
    g_Peak = 0;
    g_Counting = true;
}

Allocations StopCounting()
{
    g_Counting = false;
    return {g_Total, g_Peak};
}

} // namespace EncodingTest
