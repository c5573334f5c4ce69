#include <tarnwick/datatypes/TimeDurationServiceType.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

TimeDurationServiceType::TimeDurationServiceType(std::uint64_t const& value, std::u16string const& name)
    : ScalarType(value, name)
{ }

TimeDurationServiceType::TimeDurationServiceType(TimeDurationServiceType const& other) = default;
TimeDurationServiceType& TimeDurationServiceType::operator=(TimeDurationServiceType const& other) = default;
TimeDurationServiceType::TimeDurationServiceType(TimeDurationServiceType&& other) noexcept = default;
TimeDurationServiceType& TimeDurationServiceType::operator=(TimeDurationServiceType&& other) noexcept = default;
TimeDurationServiceType::~TimeDurationServiceType() = default;

ParamType TimeDurationServiceType::GetType() const
{
    return TIME_DURATION;
}

ServiceType* TimeDurationServiceType::Copy() const
{
    return new TimeDurationServiceType(*this);
}

std::unique_ptr<TimeDurationServiceType> TimeDurationServiceType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
