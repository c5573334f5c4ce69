#include <tarnwick/datatypes/TimeDurationServiceType.h>

namespace Tarnwick::DataTypes {

TimeDurationServiceType::TimeDurationServiceType(std::uint64_t const& value, std::u16string const& name)
    : ScalarType(value, name)
{ }

TimeDurationServiceType::TimeDurationServiceType(TimeDurationServiceType const& other) = default;
TimeDurationServiceType& TimeDurationServiceType::operator=(TimeDurationServiceType const& other) = default;
TimeDurationServiceType::~TimeDurationServiceType() = default;

ParamType TimeDurationServiceType::GetType() const
{
    return TIME_DURATION;
}

ServiceType* TimeDurationServiceType::Copy() const
{
    return new TimeDurationServiceType(*this);
}

} // namespace Tarnwick::DataTypes
