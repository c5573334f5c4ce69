#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ScalarType.h>

#include <cstdint>
#include <string>
#include <memory>

namespace Tarnwick::DataTypes {

/// One time duration, held as the 64-bit number that `TimeDuration::GetUTime()` yields; the
/// node stores and copies it without interpreting it.
class TARNWICK_EXPORT TimeDurationServiceType : public ScalarType<std::uint64_t> {
public:
    /// A node named `name` holding `value` unchanged.
    TimeDurationServiceType(std::uint64_t const& value, std::u16string const& name);
    /// Copies name and value.
    /// @{
    TimeDurationServiceType(TimeDurationServiceType const& other);
    TimeDurationServiceType& operator=(TimeDurationServiceType const& other);
    /// @}
    /// Takes the name over; the source is left with the empty name.
    TimeDurationServiceType(TimeDurationServiceType&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    TimeDurationServiceType& operator=(TimeDurationServiceType&& other) noexcept;
    ~TimeDurationServiceType() override;

    /// TIME_DURATION.
    ParamType GetType() const override;
    /// A new `TimeDurationServiceType`, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a time duration node.
    std::unique_ptr<TimeDurationServiceType> Clone() const;
};

} // namespace Tarnwick::DataTypes
