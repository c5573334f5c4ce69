#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <cstdint>
#include <string>
#include <memory>

namespace Tarnwick::DataTypes {

class ServiceType;

/// A non-negative length of time held as days, hours, minutes, seconds and
/// microseconds. Its UTime is the total length in microseconds; that is what
/// travels in a parameter tree (a `TimeDurationServiceType` node) and what the
/// arithmetic works on. Only `SetUTime` normalises the fields.
class TARNWICK_EXPORT TimeDuration : public StubProxy::UserParameters {
public:
    /// A zero length: all fields 0.
    TimeDuration();
    /// Stores the five values unchanged (30 hours stay 30 hours).
    TimeDuration(std::uint32_t days, std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds,
        std::uint32_t microSeconds);
    /// Normalised fields of `uTime`, as `SetUTime` gives them.
    TimeDuration(std::uint64_t uTime);
    /// Copies the parameter name and the fields.
    TimeDuration(TimeDuration const& other);
    /// Copies the fields only: the target keeps its own parameter name.
    TimeDuration& operator=(TimeDuration const& other);
    /// Takes the parameter name and the fields over; the source is left with the empty name.
    TimeDuration(TimeDuration&& other) noexcept;
    /// As the copy assignment: the fields only, both objects keep their names.
    TimeDuration& operator=(TimeDuration&& other) noexcept;
    ~TimeDuration() override;

    /// The total length in microseconds; a length beyond 64 bits wraps.
    std::uint64_t GetUTime() const;
    /// Splits `uTime` into normalised fields (hours 0 to 23, minutes and seconds 0 to 59).
    void SetUTime(std::uint64_t uTime);

    /// The fields as stored, one by one: no check and no normalisation (use
    /// `SetUTime` for normalised fields).
    /// @{
    std::uint32_t GetDays() const { return m_Days; }
    std::uint32_t GetHours() const { return m_Hours; }
    std::uint32_t GetMinutes() const { return m_Minutes; }
    std::uint32_t GetSeconds() const { return m_Seconds; }
    std::uint32_t GetMicroSeconds() const { return m_MicroSeconds; }
    void SetDays(std::uint32_t days) { m_Days = days; }
    void SetHours(std::uint32_t hours) { m_Hours = hours; }
    void SetMinutes(std::uint32_t minutes) { m_Minutes = minutes; }
    void SetSeconds(std::uint32_t seconds) { m_Seconds = seconds; }
    void SetMicroSeconds(std::uint32_t microSeconds) { m_MicroSeconds = microSeconds; }
    /// @}

    /// Replaces `text` with "DD:HH:MM:SS.UUUUUU" (each field at least that wide,
    /// printed as a signed 32-bit number), e.g. "01:02:03:04.000005".
    void Serialize(std::u16string& text) const;

    /// The normalised sum, without a parameter name; wraps beyond 64 bits.
    TimeDuration operator+(TimeDuration const& other) const;
    /// The normalised difference, without a parameter name. Throws
    /// "TimeDuration substraction exception." (line 104) when `other` is longer.
    TimeDuration operator-(TimeDuration const& other) const;

    /// A new `TimeDuration` with the same parameter name and fields, owned by the caller.
    StubProxy::UserParameters* Copy() const override;
    /// `Copy()` as an owning pointer to a time duration.
    std::unique_ptr<TimeDuration> Clone() const;
    /// A new `TimeDurationServiceType` holding `GetUTime()`, named `name` (empty when null).
    ServiceType* StoreTo(char16_t const* name) override;
    /// Takes the UTime of a `TimeDurationServiceType` node; any other node throws
    /// "Unsupported service type" (line 147) and leaves the object unchanged.
    void InitFrom(ServiceType* tree) override;

private:
    std::uint32_t m_Days;
    std::uint32_t m_Hours;
    std::uint32_t m_Minutes;
    std::uint32_t m_Seconds;
    std::uint32_t m_MicroSeconds;
};

} // namespace Tarnwick::DataTypes
