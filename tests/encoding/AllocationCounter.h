#pragma once

// A count of what the test program allocates through operator new while an
// action runs: the library's allocations included, since the program's
// replacement of the global allocation functions serves the library too.

#include <cstdint>

namespace EncodingTest {

struct Allocations {
    /// The bytes of all allocations.
    std::uint64_t total = 0;
    /// The most bytes held at once beyond those held when counting started.
    std::int64_t peak = 0;
};

void StartCounting();
Allocations StopCounting();

/// What `action` allocates.
template <class Action> Allocations CountAllocations(Action&& action)
{
    StartCounting();
    try {
        action();
    } catch (...) {
        StopCounting();
        throw;
    }
    return StopCounting();
}

} // namespace EncodingTest
