#include <tarnwick/stubproxy/TimeStamp.h>

#include "datatypes/OwnedNodes.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>

#include "core/ClassName.h"
#include "core/Decimal.h"
#include "platform/Clock.h"
#include "platform/LocalTime.h"

#include <limits>
#include <optional>
#include <utility>

namespace Tarnwick::DataTypes {

namespace {

// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kSubtractionLine = 114;
constexpr std::int32_t kSetUTimeLine = 178;
constexpr std::int32_t kInitFromLine = 209;

constexpr std::uint64_t kMicroSecondsPerSecond = 1000000;
constexpr std::uint64_t kMicroSecondsFrom1601To1970 = Platform::kSecondsFrom1601To1970 * kMicroSecondsPerSecond;

// The supported calendar ends with 3000-12-31 23:59:59 UTC; stored trees and
// peers rely on that range, so a wider platform range is not used.
constexpr std::int64_t kLastSecond = 32535215999;
// What a failed conversion of the fields counts as.
constexpr std::int64_t kFailedSecond = -1;

// The signed 32-bit reading of a field, less `offset`; empty when that leaves
// the 32-bit range (such a calendar time is out of range anyway).
std::optional<std::int32_t> SignedField(std::uint32_t field, std::int32_t offset)
{
    std::int64_t const value = static_cast<std::int64_t>(static_cast<std::int32_t>(field)) - offset;
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

TimeStamp::TimeStamp()
    : TimeStamp(0, 0, 0, 0, 0, 0, 0)
{ }

TimeStamp::TimeStamp(std::uint32_t year, std::uint32_t month, std::uint32_t day, std::uint32_t hour,
    std::uint32_t minute, std::uint32_t second, std::uint32_t microSecond)
    : m_Year(year)
    , m_Month(month)
    , m_Day(day)
    , m_Hour(hour)
    , m_Minute(minute)
    , m_Second(second)
    , m_MicroSecond(microSecond)
{ }

TimeStamp::TimeStamp(std::uint64_t uTime)
    : TimeStamp()
{
    SetUTime(uTime);
}

TimeStamp::TimeStamp(TimeStamp const& other) = default;

TimeStamp& TimeStamp::operator=(TimeStamp const& other)
{
    if (this != &other) {
        m_Year = other.m_Year;
        m_Month = other.m_Month;
        m_Day = other.m_Day;
        m_Hour = other.m_Hour;
        m_Minute = other.m_Minute;
        m_Second = other.m_Second;
        m_MicroSecond = other.m_MicroSecond;
        m_UTime = other.m_UTime;
        m_HasUTime = other.m_HasUTime;
    }
    return *this;
}

TimeStamp::TimeStamp(TimeStamp&& other) noexcept = default;

TimeStamp& TimeStamp::operator=(TimeStamp&& other) noexcept
{
    return *this = std::as_const(other);
}

TimeStamp::~TimeStamp() = default;

std::uint64_t TimeStamp::GetCurrentUTime()
{
    return Platform::SystemFileTime() / 10 - kMicroSecondsFrom1601To1970;
}

void TimeStamp::SetCurrentTime()
{
    SetUTime(GetCurrentUTime());
}

std::uint64_t TimeStamp::GetUTime() const
{
    if (m_HasUTime) {
        return m_UTime;
    }
    std::int64_t seconds = kFailedSecond;
    auto const year = SignedField(m_Year, 1900);
    auto const month = SignedField(m_Month, 1);
    if (year && month) {
        Platform::LocalFields const fields {*year, *month, static_cast<std::int32_t>(m_Day),
            static_cast<std::int32_t>(m_Hour), static_cast<std::int32_t>(m_Minute),
            static_cast<std::int32_t>(m_Second)};
        auto const converted = Platform::TimeFromLocal(fields);
        if (converted && *converted >= 0 && *converted <= kLastSecond) {
            seconds = *converted;
        }
    }
    // Modulo 2^64, so the failed conversion gives 2^64 - 1000000 + microseconds.
    return static_cast<std::uint64_t>(seconds) * kMicroSecondsPerSecond + m_MicroSecond;
}

void TimeStamp::SetUTime(std::uint64_t uTime)
{
    std::uint64_t const seconds = uTime / kMicroSecondsPerSecond;
    auto const local = seconds <= static_cast<std::uint64_t>(kLastSecond)
        ? Platform::LocalFromTime(static_cast<std::int64_t>(seconds))
        : std::nullopt;
    if (!local) {
        throw ServiceException(u"SetUTime exception.", Detail::ClassNameOf(*this), kSetUTimeLine);
    }
    m_Year = static_cast<std::uint32_t>(local->yearsSince1900 + 1900);
    m_Month = static_cast<std::uint32_t>(local->month + 1);
    m_Day = static_cast<std::uint32_t>(local->day);
    m_Hour = static_cast<std::uint32_t>(local->hour);
    m_Minute = static_cast<std::uint32_t>(local->minute);
    m_Second = static_cast<std::uint32_t>(local->second);
    m_MicroSecond = static_cast<std::uint32_t>(uTime % kMicroSecondsPerSecond);
    m_UTime = uTime;
    m_HasUTime = true;
}

std::u16string TimeStamp::Serialize() const
{
    // Seven fields of at most ten digits each, and six separators.
    char16_t text[7 * 10 + 6];
    char16_t* out = Detail::WritePaddedDigits(text, m_Hour, 2);
    *out++ = u':';
    out = Detail::WritePaddedDigits(out, m_Minute, 2);
    *out++ = u':';
    out = Detail::WritePaddedDigits(out, m_Second, 2);
    *out++ = u'.';
    out = Detail::WritePaddedDigits(out, m_MicroSecond, 6);
    *out++ = u' ';
    out = Detail::WriteDigits(out, m_Month);
    *out++ = u'/';
    out = Detail::WriteDigits(out, m_Day);
    *out++ = u'/';
    out = Detail::WriteDigits(out, m_Year);
    return std::u16string(text, out);
}

TimeStamp TimeStamp::operator+(TimeDuration const& duration) const
{
    std::uint64_t const start = GetUTime();
    std::uint64_t const sum = start + duration.GetUTime();
    // A sum past 2^64 is far beyond the calendar's end; wrapping would give an
    // early time instead of a failure.
    if (sum < start) {
        throw ServiceException(u"SetUTime exception.", Detail::ClassNameOf(*this), kSetUTimeLine);
    }
    TimeStamp result(*this);
    result.SetUTime(sum);
    return result;
}

TimeStamp TimeStamp::operator-(TimeDuration const& duration) const
{
    std::uint64_t const start = GetUTime();
    std::uint64_t const length = duration.GetUTime();
    if (start < length) {
        throw ServiceException(u"TimeStamp substraction exception.", Detail::ClassNameOf(*this), kSubtractionLine);
    }
    TimeStamp result(*this);
    result.SetUTime(start - length);
    return result;
}

StubProxy::UserParameters* TimeStamp::Copy() const
{
    return new TimeStamp(*this);
}

std::unique_ptr<TimeStamp> TimeStamp::Clone() const
{
    return Detail::CloneOf(*this);
}

ServiceType* TimeStamp::StoreTo(char16_t const* name)
{
    return new TimeStampServiceType(GetUTime(), name != nullptr ? std::u16string(name) : std::u16string());
}

void TimeStamp::InitFrom(ServiceType* tree)
{
    auto const* node
        = tree != nullptr && tree->GetType() == TIME_STAMP ? dynamic_cast<TimeStampServiceType const*>(tree) : nullptr;
    if (node == nullptr) {
        throw ServiceException(u"Unsupported service type", Detail::ClassNameOf(*this), kInitFromLine);
    }
    SetUTime(node->GetValue());
}

} // namespace Tarnwick::DataTypes
