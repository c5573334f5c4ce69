#include <tarnwick/datatypes/TimeStampServiceType.h>

namespace Tarnwick::DataTypes {

TimeStampServiceType::TimeStampServiceType(std::uint64_t const& value, std::u16string const& name)
    : ScalarType(value, name)
{ }

TimeStampServiceType::TimeStampServiceType(TimeStampServiceType const& other) = default;
TimeStampServiceType& TimeStampServiceType::operator=(TimeStampServiceType const& other) = default;
TimeStampServiceType::~TimeStampServiceType() = default;

ParamType TimeStampServiceType::GetType() const
{
    return TIME_STAMP;
}

ServiceType* TimeStampServiceType::Copy() const
{
    return new TimeStampServiceType(*this);
}

} // namespace Tarnwick::DataTypes
