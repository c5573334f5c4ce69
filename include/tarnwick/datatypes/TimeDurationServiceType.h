#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ScalarType.h>

#include <cstdint>
#include <string>

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
    ~TimeDurationServiceType() override;

    /// TIME_DURATION.
    ParamType GetType() const override;
    /// A new `TimeDurationServiceType`, owned by the caller.
    ServiceType* Copy() const override;
};

} // namespace Tarnwick::DataTypes
