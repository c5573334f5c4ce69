#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <cstdint>
#include <string>
#include <memory>

namespace Tarnwick::DataTypes {

class ServiceType;

/// A calendar time with microsecond resolution, held as seven fields in the
/// machine's local time. Its UTime counts microseconds since 1970-01-01
/// 00:00:00 UTC; that is what travels in a parameter tree (a
/// `TimeStampServiceType` node). The zone in force at each conversion applies.
class TARNWICK_EXPORT TimeStamp : public StubProxy::UserParameters {
public:
    /// All fields 0 (not a valid calendar time: `GetUTime()` reports the failed conversion).
    TimeStamp();
    /// Stores the seven values unchanged: no check, no normalisation.
    TimeStamp(std::uint32_t year, std::uint32_t month, std::uint32_t day, std::uint32_t hour, std::uint32_t minute,
        std::uint32_t second, std::uint32_t microSecond);
    /// Throws as `SetUTime` does.
    TimeStamp(std::uint64_t uTime);
    /// Copies the parameter name and the fields (and the UTime they came from, if any).
    TimeStamp(TimeStamp const& other);
    /// Copies the fields (and their UTime) only: the target keeps its own parameter name.
    TimeStamp& operator=(TimeStamp const& other);
    /// Takes the parameter name and the fields over; the source is left with the empty name.
    TimeStamp(TimeStamp&& other) noexcept;
    /// As the copy assignment: the fields only, both objects keep their names.
    TimeStamp& operator=(TimeStamp&& other) noexcept;
    ~TimeStamp() override;

    /// Microseconds since 1970-01-01 00:00:00 UTC from the wall clock; any thread.
    static std::uint64_t GetCurrentUTime();
    /// Sets the fields to the local calendar time of `GetCurrentUTime()`; throws as `SetUTime` does.
    void SetCurrentTime();

    /// After `SetUTime(u)` (and the UTime constructor, `SetCurrentTime`,
    /// `InitFrom`, the operators, and copies of such a stamp): exactly `u`, also
    /// within the hour repeated when daylight-saving time ends and whatever the
    /// zone does meanwhile, with no conversion and no system call. Otherwise
    /// (the field constructor, or once a setter changed a field) the fields
    /// converted through local time (out-of-range fields normalised, the fields
    /// themselves unchanged); a calendar time before 1970-01-01 00:00:00 UTC or
    /// after 3000-12-31 23:59:59 UTC then counts as -1 second, so the result is
    /// 2^64 - 1000000 + the microseconds.
    std::uint64_t GetUTime() const;
    /// Sets the local calendar fields of `uTime`. Throws "SetUTime exception."
    /// (line 178) from 32535216000000000 on (after 3000-12-31 23:59:59 UTC),
    /// leaving the fields unchanged.
    void SetUTime(std::uint64_t uTime);

    /// The fields as stored, one by one: no check and no normalisation; the
    /// month runs from 1, the year is the full year (2024). A setter that
    /// changes a field makes `GetUTime` convert the fields through local time again.
    /// @{
    std::uint32_t GetYear() const { return m_Year; }
    std::uint32_t GetMonth() const { return m_Month; }
    std::uint32_t GetDay() const { return m_Day; }
    std::uint32_t GetHour() const { return m_Hour; }
    std::uint32_t GetMinute() const { return m_Minute; }
    std::uint32_t GetSecond() const { return m_Second; }
    std::uint32_t GetMicroSecond() const { return m_MicroSecond; }
    void SetYear(std::uint32_t year) { SetField(m_Year, year); }
    void SetMonth(std::uint32_t month) { SetField(m_Month, month); }
    void SetDay(std::uint32_t day) { SetField(m_Day, day); }
    void SetHour(std::uint32_t hour) { SetField(m_Hour, hour); }
    void SetMinute(std::uint32_t minute) { SetField(m_Minute, minute); }
    void SetSecond(std::uint32_t second) { SetField(m_Second, second); }
    void SetMicroSecond(std::uint32_t microSecond) { SetField(m_MicroSecond, microSecond); }
    /// @}

    /// "HH:MM:SS.UUUUUU M/D/YYYY" from the fields as they are, e.g.
    /// "09:05:02.000042 3/7/2024"; wider values are written in full.
    std::u16string Serialize() const;

    /// A copy (parameter name included) moved forwards by `duration`. Throws
    /// "SetUTime exception." (line 178) when the result lies beyond the range.
    TimeStamp operator+(TimeDuration const& duration) const;
    /// A copy (parameter name included) moved backwards by `duration`. Throws
    /// "TimeStamp substraction exception." (line 114) when the stamp's UTime is
    /// smaller than the duration's.
    TimeStamp operator-(TimeDuration const& duration) const;

    /// A new `TimeStamp` with the same parameter name and fields, owned by the caller.
    StubProxy::UserParameters* Copy() const override;
    /// `Copy()` as an owning pointer to a time stamp.
    std::unique_ptr<TimeStamp> Clone() const;
    /// A new `TimeStampServiceType` holding `GetUTime()`, named `name` (empty when null).
    ServiceType* StoreTo(char16_t const* name) override;
    /// Takes the UTime of a `TimeStampServiceType` node; any other node throws
    /// "Unsupported service type" (line 209) and leaves the object unchanged.
    void InitFrom(ServiceType* tree) override;

private:
    std::uint32_t m_Year;
    std::uint32_t m_Month;
    std::uint32_t m_Day;
    std::uint32_t m_Hour;
    std::uint32_t m_Minute;
    std::uint32_t m_Second;
    std::uint32_t m_MicroSecond;
    // The UTime the fields were set from, while no setter has changed a field
    // since: local time is ambiguous within the repeated hour, and converting
    // back costs a look at the zone.
    std::uint64_t m_UTime = 0;
    bool m_HasUTime = false;

    void SetField(std::uint32_t& field, std::uint32_t value) noexcept
    {
        if (field != value) {
            field = value;
            m_HasUTime = false;
        }
    }
};

} // namespace Tarnwick::DataTypes
