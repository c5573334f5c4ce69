#include <tarnwick/datatypes/TimeDurationSequenceType.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

TimeDurationSequenceType::TimeDurationSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name)
    : SequenceType(values, name)
{ }

TimeDurationSequenceType::TimeDurationSequenceType(TimeDurationSequenceType const& other) = default;
TimeDurationSequenceType& TimeDurationSequenceType::operator=(TimeDurationSequenceType const& other) = default;
TimeDurationSequenceType::TimeDurationSequenceType(TimeDurationSequenceType&& other) noexcept = default;
TimeDurationSequenceType& TimeDurationSequenceType::operator=(TimeDurationSequenceType&& other) noexcept = default;
TimeDurationSequenceType::~TimeDurationSequenceType() = default;

ParamType TimeDurationSequenceType::GetType() const
{
    return TIME_DURATION_SEQUENCE;
}

ServiceType* TimeDurationSequenceType::Copy() const
{
    return new TimeDurationSequenceType(*this);
}

std::unique_ptr<TimeDurationSequenceType> TimeDurationSequenceType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
