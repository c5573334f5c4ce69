#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ScalarType.h>

#include <cstdint>
#include <string>

namespace Tarnwick::DataTypes {

/// One time stamp, held as the 64-bit number that `TimeStamp::GetUTime()` yields; the
/// node stores and copies it without interpreting it.
class TARNWICK_EXPORT TimeStampServiceType : public ScalarType<std::uint64_t> {
public:
    /// A node named `name` holding `value` unchanged.
    TimeStampServiceType(std::uint64_t const& value, std::u16string const& name);
    /// Copies name and value.
    /// @{
    TimeStampServiceType(TimeStampServiceType const& other);
    TimeStampServiceType& operator=(TimeStampServiceType const& other);
    /// @}
    ~TimeStampServiceType() override;

    /// TIME_STAMP.
    ParamType GetType() const override;
    /// A new `TimeStampServiceType`, owned by the caller.
    ServiceType* Copy() const override;
};

} // namespace Tarnwick::DataTypes
