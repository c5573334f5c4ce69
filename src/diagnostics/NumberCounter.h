#pragma once

// Internal to the library: clients reach counters by name through
// `ServiceDiagnostics`, which owns them.

#include "threading/InlineMutex.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace Tarnwick::Diagnostics {

/// A signed 32-bit count that goes up, down and is set; it wraps at its limits.
class alignas(Threading::Detail::kCacheLineSize) NumberCounter {
public:
    explicit NumberCounter(std::u16string name);
    NumberCounter(NumberCounter const&) = delete;
    NumberCounter& operator=(NumberCounter const&) = delete;

    void Increase();
    void Decrease();
    void Reset(std::int32_t value);
    std::int32_t GetCount() const noexcept { return m_Count.load(std::memory_order_relaxed); }

private:
    void Add(std::int32_t delta) noexcept;

    // The lock and the count share the counter's first cache line.
    Threading::Detail::InlineMutex m_Mutex;
    std::atomic<std::int32_t> m_Count {0};
    std::u16string m_Name;
};

} // namespace Tarnwick::Diagnostics
