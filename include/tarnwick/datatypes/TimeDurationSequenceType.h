#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <cstdint>
#include <string>
#include <vector>
#include <memory>

namespace Tarnwick::DataTypes {

class TimeDuration;

/// A sequence of time durations, each held as the 64-bit number that `TimeDuration::GetUTime()`
/// yields, in order; the node stores and copies them without interpreting them.
class TARNWICK_EXPORT TimeDurationSequenceType : public SequenceType<std::uint64_t> {
public:
    /// There is no constructor from a name alone.
    TimeDurationSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name);
    /// Copies name and numbers.
    /// @{
    TimeDurationSequenceType(TimeDurationSequenceType const& other);
    TimeDurationSequenceType& operator=(TimeDurationSequenceType const& other);
    /// @}
    /// Takes the name and the elements over without copying them; the source is
    /// left with the empty name and no elements.
    TimeDurationSequenceType(TimeDurationSequenceType&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    TimeDurationSequenceType& operator=(TimeDurationSequenceType&& other) noexcept;
    ~TimeDurationSequenceType() override;

    /// TIME_DURATION_SEQUENCE.
    ParamType GetType() const override;
    /// A new `TimeDurationSequenceType`, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a time duration sequence.
    std::unique_ptr<TimeDurationSequenceType> Clone() const;

    /// A new node named `name` holding the `GetUTime()` of each object, in order;
    /// the objects stay the caller's. No pointer may be null.
    static TimeDurationSequenceType* Store(std::u16string const& name, std::vector<TimeDuration*> const& durations);
    /// Replaces the pointers in `durations` (without deleting what they point to) by
    /// new objects made from the node's numbers, owned by the caller. When a
    /// number cannot be converted the exception passes through and the objects
    /// made before it stay in `durations`.
    static void Init(TimeDurationSequenceType const* sequence, std::vector<TimeDuration*>& durations);
};

} // namespace Tarnwick::DataTypes
