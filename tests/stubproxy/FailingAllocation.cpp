// Replaces the global allocation functions of the test program (and so of the
// library it loads) with ones that can be told to fail, to prove that the value
// objects stay intact when building a node runs out of memory.

#include "stubproxy/ValueObjectsTestSupport.h"

#include <cstdlib>
#include <new>

namespace {

int g_Allowed = -1; // -1: never fail
bool g_Triggered = false;

} // namespace

void* operator new(std::size_t size)
{
    if (g_Allowed == 0) {
        g_Allowed = -1;
        g_Triggered = true;
        throw std::bad_alloc();
    }
    if (g_Allowed > 0) {
        --g_Allowed;
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace Tarnwick::Tests {

FailingAllocation::FailingAllocation(int allowed)
{
    g_Triggered = false;
    g_Allowed = allowed;
}

FailingAllocation::~FailingAllocation()
{
    g_Allowed = -1;
}

bool FailingAllocation::Triggered() const
{
    return g_Triggered;
}

} // namespace Tarnwick::Tests
