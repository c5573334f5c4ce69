#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ScalarType.h>

#include <cstdint>
#include <string>
#include <memory>

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
    /// Takes the name over; the source is left with the empty name.
    TimeStampServiceType(TimeStampServiceType&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    TimeStampServiceType& operator=(TimeStampServiceType&& other) noexcept;
    ~TimeStampServiceType() override;

    /// TIME_STAMP.
    ParamType GetType() const override;
    /// A new `TimeStampServiceType`, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a time stamp node.
    std::unique_ptr<TimeStampServiceType> Clone() const;
};

} // namespace Tarnwick::DataTypes
