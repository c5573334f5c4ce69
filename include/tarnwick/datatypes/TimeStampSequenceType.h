#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <cstdint>
#include <string>
#include <vector>
#include <memory>

namespace Tarnwick::DataTypes {

class TimeStamp;

/// A sequence of time stamps, each held as the 64-bit number that `TimeStamp::GetUTime()`
/// yields, in order; the node stores and copies them without interpreting them.
class TARNWICK_EXPORT TimeStampSequenceType : public SequenceType<std::uint64_t> {
public:
    /// There is no constructor from a name alone.
    TimeStampSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name);
    /// Copies name and numbers.
    /// @{
    TimeStampSequenceType(TimeStampSequenceType const& other);
    TimeStampSequenceType& operator=(TimeStampSequenceType const& other);
    /// @}
    /// Takes the name and the elements over without copying them; the source is
    /// left with the empty name and no elements.
    TimeStampSequenceType(TimeStampSequenceType&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    TimeStampSequenceType& operator=(TimeStampSequenceType&& other) noexcept;
    ~TimeStampSequenceType() override;

    /// TIME_STAMP_SEQUENCE.
    ParamType GetType() const override;
    /// A new `TimeStampSequenceType`, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a time stamp sequence.
    std::unique_ptr<TimeStampSequenceType> Clone() const;

    /// A new node named `name` holding the `GetUTime()` of each object, in order;
    /// the objects stay the caller's. No pointer may be null.
    static TimeStampSequenceType* Store(std::u16string const& name, std::vector<TimeStamp*> const& stamps);
    /// Replaces the pointers in `stamps` (without deleting what they point to) by
    /// new objects made from the node's numbers, owned by the caller. When a
    /// number cannot be converted the exception passes through and the objects
    /// made before it stay in `stamps`.
    static void Init(TimeStampSequenceType const* sequence, std::vector<TimeStamp*>& stamps);
};

} // namespace Tarnwick::DataTypes
