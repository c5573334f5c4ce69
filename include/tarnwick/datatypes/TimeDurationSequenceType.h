#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tarnwick::DataTypes {

/// A sequence of time durations, each held as the 64-bit number that `TimeDuration::GetUTime()`
/// yields, in order; the node stores and copies them without interpreting them.
class TARNWICK_EXPORT TimeDurationSequenceType : public SequenceType<std::uint64_t> {
public:
    /// There is no constructor from a name alone.
    TimeDurationSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name);
    TimeDurationSequenceType(TimeDurationSequenceType const& other);
    TimeDurationSequenceType& operator=(TimeDurationSequenceType const& other);
    ~TimeDurationSequenceType() override;

    ParamType GetType() const override;
    /// A new `TimeDurationSequenceType`, owned by the caller.
    ServiceType* Copy() const override;
};

} // namespace Tarnwick::DataTypes
