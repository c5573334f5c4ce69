// Conversions between the time sequence nodes and arrays of time objects: the
// one place where the data types call into the time classes.

#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>

#include <memory>

namespace Tarnwick::DataTypes {

namespace {

template <class Node, class Object> Node* StoreObjects(std::u16string const& name, std::vector<Object*> const& objects)
{
    std::vector<std::uint64_t> values;
    values.reserve(objects.size());
    for (Object const* object : objects) {
        values.push_back(object->GetUTime());
    }
    return new Node(values, name);
}

template <class Node, class Object> void InitObjects(Node const* sequence, std::vector<Object*>& objects)
{
    objects.clear();
    std::vector<std::uint64_t> const& values = sequence->GetValue();
    objects.reserve(values.size());
    for (std::uint64_t const value : values) {
        // Held until the array has room for it, so that nothing leaks whichever step throws.
        auto object = std::make_unique<Object>(value);
        objects.push_back(object.get());
        object.release();
    }
}

} // namespace

TimeStampSequenceType* TimeStampSequenceType::Store(std::u16string const& name, std::vector<TimeStamp*> const& stamps)
{
    return StoreObjects<TimeStampSequenceType>(name, stamps);
}

void TimeStampSequenceType::Init(TimeStampSequenceType const* sequence, std::vector<TimeStamp*>& stamps)
{
    InitObjects(sequence, stamps);
}

TimeDurationSequenceType* TimeDurationSequenceType::Store(
    std::u16string const& name, std::vector<TimeDuration*> const& durations)
{
    return StoreObjects<TimeDurationSequenceType>(name, durations);
}

void TimeDurationSequenceType::Init(TimeDurationSequenceType const* sequence, std::vector<TimeDuration*>& durations)
{
    InitObjects(sequence, durations);
}

} // namespace Tarnwick::DataTypes
