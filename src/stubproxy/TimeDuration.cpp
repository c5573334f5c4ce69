#include <tarnwick/stubproxy/TimeDuration.h>

#include "datatypes/OwnedNodes.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>

#include "core/ClassName.h"
#include "core/Decimal.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <utility>

namespace Tarnwick::DataTypes {

namespace {

// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kSubtractionLine = 104;
constexpr std::int32_t kInitFromLine = 147;

constexpr std::uint64_t kMicroSecondsPerSecond = 1000000;

} // namespace

TimeDuration::TimeDuration()
    : TimeDuration(0, 0, 0, 0, 0)
{ }

TimeDuration::TimeDuration(
    std::uint32_t days, std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds, std::uint32_t microSeconds)
    : m_Days(days)
    , m_Hours(hours)
    , m_Minutes(minutes)
    , m_Seconds(seconds)
    , m_MicroSeconds(microSeconds)
{ }

TimeDuration::TimeDuration(std::uint64_t uTime)
    : TimeDuration()
{
    SetUTime(uTime);
}

TimeDuration::TimeDuration(TimeDuration const& other) = default;

TimeDuration& TimeDuration::operator=(TimeDuration const& other)
{
    if (this != &other) {
        m_Days = other.m_Days;
        m_Hours = other.m_Hours;
        m_Minutes = other.m_Minutes;
        m_Seconds = other.m_Seconds;
        m_MicroSeconds = other.m_MicroSeconds;
    }
    return *this;
}

TimeDuration::TimeDuration(TimeDuration&& other) noexcept = default;

TimeDuration& TimeDuration::operator=(TimeDuration&& other) noexcept
{
    return *this = std::as_const(other);
}

TimeDuration::~TimeDuration() = default;

std::uint64_t TimeDuration::GetUTime() const
{
    std::uint64_t total = m_Days;
    total = total * 24 + m_Hours;
    total = total * 60 + m_Minutes;
    total = total * 60 + m_Seconds;
    return total * kMicroSecondsPerSecond + m_MicroSeconds;
}

void TimeDuration::SetUTime(std::uint64_t uTime)
{
    std::uint64_t const seconds = uTime / kMicroSecondsPerSecond;
    std::uint64_t const minutes = seconds / 60;
    std::uint64_t const hours = minutes / 60;
    m_MicroSeconds = static_cast<std::uint32_t>(uTime % kMicroSecondsPerSecond);
    m_Seconds = static_cast<std::uint32_t>(seconds % 60);
    m_Minutes = static_cast<std::uint32_t>(minutes % 60);
    m_Hours = static_cast<std::uint32_t>(hours % 24);
    // At most 213503982 for the largest UTime, so the days always fit.
    m_Days = static_cast<std::uint32_t>(hours / 24);
}

void TimeDuration::Serialize(std::u16string& text) const
{
    // "%02d:%02d:%02d:%02d.%06d" of the fields as signed 32-bit numbers: that is
    // the established text form, and peers parse it so.
    std::uint32_t const fields[] = {m_Days, m_Hours, m_Minutes, m_Seconds, m_MicroSeconds};
    constexpr std::size_t kWidths[] = {2, 2, 2, 2, 6};
    constexpr std::u16string_view kSeparators = u":::.";
    // Five fields of at most 11 characters and four separators.
    char16_t buffer[64];
    char16_t* out = buffer;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i != 0) {
            *out++ = kSeparators[i - 1];
        }
        out = Detail::WritePaddedDecimal(out, static_cast<std::int32_t>(fields[i]), kWidths[i]);
    }
    text.assign(buffer, out);
}

TimeDuration TimeDuration::operator+(TimeDuration const& other) const
{
    TimeDuration sum;
    sum.SetUTime(GetUTime() + other.GetUTime());
    return sum;
}

TimeDuration TimeDuration::operator-(TimeDuration const& other) const
{
    std::uint64_t const left = GetUTime();
    std::uint64_t const right = other.GetUTime();
    if (left < right) {
        throw ServiceException(u"TimeDuration substraction exception.", Detail::ClassNameOf(*this), kSubtractionLine);
    }
    TimeDuration difference;
    difference.SetUTime(left - right);
    return difference;
}

StubProxy::UserParameters* TimeDuration::Copy() const
{
    return new TimeDuration(*this);
}

std::unique_ptr<TimeDuration> TimeDuration::Clone() const
{
    return Detail::CloneOf(*this);
}

ServiceType* TimeDuration::StoreTo(char16_t const* name)
{
    return new TimeDurationServiceType(GetUTime(), name != nullptr ? std::u16string(name) : std::u16string());
}

void TimeDuration::InitFrom(ServiceType* tree)
{
    auto const* node = tree != nullptr && tree->GetType() == TIME_DURATION
        ? dynamic_cast<TimeDurationServiceType const*>(tree)
        : nullptr;
    if (node == nullptr) {
        throw ServiceException(u"Unsupported service type", Detail::ClassNameOf(*this), kInitFromLine);
    }
    SetUTime(node->GetValue());
}

} // namespace Tarnwick::DataTypes
