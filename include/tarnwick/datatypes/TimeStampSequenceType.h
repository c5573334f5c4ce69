#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tarnwick::DataTypes {

/// A sequence of time stamps, each held as the 64-bit number that `TimeStamp::GetUTime()`
/// yields, in order; the node stores and copies them without interpreting them.
class TARNWICK_EXPORT TimeStampSequenceType : public SequenceType<std::uint64_t> {
public:
    /// There is no constructor from a name alone.
    TimeStampSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name);
    TimeStampSequenceType(TimeStampSequenceType const& other);
    TimeStampSequenceType& operator=(TimeStampSequenceType const& other);
    ~TimeStampSequenceType() override;

    ParamType GetType() const override;
    /// A new `TimeStampSequenceType`, owned by the caller.
    ServiceType* Copy() const override;
};

} // namespace Tarnwick::DataTypes
