#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/Mutex.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/LevelSettings.h"
#include "diagnostics/CounterIndex.h"
#include "diagnostics/Levels.h"
#include "diagnostics/NumberCounter.h"
#include "diagnostics/SizeCounter.h"
#include "diagnostics/TimeCounter.h"

#include <optional>
#include <type_traits>

namespace Tarnwick::Diagnostics {

namespace {

// The line number is part of the exception's interface.
constexpr std::int32_t kUnknownLevelLine = 227;
constexpr char kLevelSource[] = "ServiceDiagnostics";

using Detail::Enables;
using Detail::NUMBER_KIND;
using Detail::SIZE_KIND;
using Detail::TIME_KIND;

template <class Counter>
Counter& FindOrCreate(Threading::Mutex& mutex, Detail::CounterIndex<Counter>& index, std::u16string const& name)
{
    std::size_t const hash = Detail::CounterIndex<Counter>::Hash(name);
    if (Counter* const existing = index.Find(name, hash)) {
        return *existing;
    }
    Threading::MutexLock const lock(mutex);
    return index.FindOrCreate(name, hash);
}

// The kind of counter each counter class is, for the level to switch on or off.
template <class Counter>
constexpr Detail::CounterKind kKindOf = std::is_same_v<Counter, NumberCounter> ? NUMBER_KIND
    : std::is_same_v<Counter, TimeCounter>                                     ? TIME_KIND
                                                                               : SIZE_KIND;

/// The one rule of every modifier: when the level switches the counter's kind
/// off, nothing is touched (not even created) and the answer is false; else the
/// counter found or made by `find` undergoes `change` with `arguments`.
template <class Counter, class... Parameters, class... Arguments>
bool ChangeIfEnabled(ServiceDiagnostics& diagnostics, Counter* (ServiceDiagnostics::*find)(std::u16string const&),
    std::u16string const& name, void (Counter::*change)(Parameters...), Arguments const&... arguments)
{
    if (!Enables(diagnostics.GetLevelType(), kKindOf<Counter>)) {
        return false;
    }
    ((diagnostics.*find)(name)->*change)(arguments...);
    return true;
}

} // namespace

ServiceDiagnostics::ServiceDiagnostics(std::u16string const& name)
    : m_Mutex(std::make_unique<Threading::Mutex>())
    , m_NumberCounters(std::make_unique<Detail::CounterIndex<NumberCounter>>())
    , m_TimeCounters(std::make_unique<Detail::CounterIndex<TimeCounter>>())
    , m_SizeCounters(std::make_unique<Detail::CounterIndex<SizeCounter>>())
    , m_Name(name)
    , m_Level(SD_NONE)
{ }

ServiceDiagnostics::~ServiceDiagnostics() noexcept(false)
{
    std::optional<ServiceException> firstReport;
    m_NumberCounters->ReleaseAll(firstReport);
    m_TimeCounters->ReleaseAll(firstReport);
    m_SizeCounters->ReleaseAll(firstReport);
    if (firstReport) {
        throw *firstReport;
    }
}

std::u16string ServiceDiagnostics::GetName() const
{
    return m_Name;
}

ServiceDiagnostics::DiagnosticsLevel ServiceDiagnostics::GetLevelType() const
{
    return m_Level.load(std::memory_order_relaxed);
}

void ServiceDiagnostics::SetLevel(DiagnosticsLevel level)
{
    m_Level.store(level, std::memory_order_relaxed);
    // Objects made outside a manager are not registered with one.
    if (m_LevelOverrides != nullptr && !m_LevelOverridden.exchange(true)) {
        m_LevelOverrides->Note(m_Slot);
    }
}

ServiceDiagnostics::DiagnosticsLevel ServiceDiagnostics::GetLevelType(std::u16string const& name)
{
    for (std::size_t value = 0; value < std::size(Detail::kLevels); ++value) {
        if (name == Detail::kLevels[value].name) {
            return static_cast<DiagnosticsLevel>(value);
        }
    }
    throw ServiceException(u"GetLevelType() - type name " + name + u" unknown", kLevelSource, kUnknownLevelLine);
}

NumberCounter* ServiceDiagnostics::GetNumberCounter(std::u16string const& counterName)
{
    return &FindOrCreate(*m_Mutex, *m_NumberCounters, counterName);
}

TimeCounter* ServiceDiagnostics::GetTimeCounter(std::u16string const& counterName)
{
    return &FindOrCreate(*m_Mutex, *m_TimeCounters, counterName);
}

SizeCounter* ServiceDiagnostics::GetSizeCounter(std::u16string const& counterName)
{
    return &FindOrCreate(*m_Mutex, *m_SizeCounters, counterName);
}

bool ServiceDiagnostics::NumberCounterIncrease(std::u16string const& counterName)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetNumberCounter, counterName, &NumberCounter::Increase);
}

bool ServiceDiagnostics::NumberCounterDecrease(std::u16string const& counterName)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetNumberCounter, counterName, &NumberCounter::Decrease);
}

bool ServiceDiagnostics::NumberCounterReset(std::u16string const& counterName, std::int32_t value)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetNumberCounter, counterName, &NumberCounter::Reset, value);
}

bool ServiceDiagnostics::SizeCounterUpdate(std::u16string const& counterName, std::uint32_t size)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetSizeCounter, counterName, &SizeCounter::Update, size);
}

bool ServiceDiagnostics::SizeCounterReset(std::u16string const& counterName)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetSizeCounter, counterName, &SizeCounter::Reset);
}

bool ServiceDiagnostics::TimeCounterStart(std::u16string const& counterName, std::u16string const& messageId)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetTimeCounter, counterName, &TimeCounter::Start, messageId);
}

bool ServiceDiagnostics::TimeCounterStop(std::u16string const& counterName, std::u16string const& messageId)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetTimeCounter, counterName, &TimeCounter::Stop, messageId);
}

bool ServiceDiagnostics::TimeCounterReset(std::u16string const& counterName)
{
    return ChangeIfEnabled(*this, &ServiceDiagnostics::GetTimeCounter, counterName, &TimeCounter::Reset);
}

std::int32_t ServiceDiagnostics::NumberCounterGetCount(std::u16string const& counterName)
{
    return GetNumberCounter(counterName)->GetCount();
}

double ServiceDiagnostics::SizeCounterGetAverage(std::u16string const& counterName)
{
    return GetSizeCounter(counterName)->GetAverage();
}

std::uint32_t ServiceDiagnostics::SizeCounterGetMax(std::u16string const& counterName)
{
    return GetSizeCounter(counterName)->GetMax();
}

std::uint32_t ServiceDiagnostics::SizeCounterGetMin(std::u16string const& counterName)
{
    return GetSizeCounter(counterName)->GetMin();
}

double ServiceDiagnostics::TimeCounterGetAverage(std::u16string const& counterName)
{
    return GetTimeCounter(counterName)->GetAverage();
}

std::uint32_t ServiceDiagnostics::TimeCounterGetMax(std::u16string const& counterName)
{
    return GetTimeCounter(counterName)->GetMax();
}

std::uint32_t ServiceDiagnostics::TimeCounterGetMin(std::u16string const& counterName)
{
    return GetTimeCounter(counterName)->GetMin();
}

} // namespace Tarnwick::Diagnostics
