#include <tarnwick/datatypes/TimeDurationSequenceType.h>

namespace Tarnwick::DataTypes {

TimeDurationSequenceType::TimeDurationSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name)
    : SequenceType(values, name)
{ }

TimeDurationSequenceType::TimeDurationSequenceType(TimeDurationSequenceType const& other) = default;
TimeDurationSequenceType& TimeDurationSequenceType::operator=(TimeDurationSequenceType const& other) = default;
TimeDurationSequenceType::~TimeDurationSequenceType() = default;

ParamType TimeDurationSequenceType::GetType() const
{
    return TIME_DURATION_SEQUENCE;
}

ServiceType* TimeDurationSequenceType::Copy() const
{
    return new TimeDurationSequenceType(*this);
}

} // namespace Tarnwick::DataTypes
