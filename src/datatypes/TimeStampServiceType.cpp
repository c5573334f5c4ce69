#include <tarnwick/datatypes/TimeStampServiceType.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

TimeStampServiceType::TimeStampServiceType(std::uint64_t const& value, std::u16string const& name)
    : ScalarType(value, name)
{ }

TimeStampServiceType::TimeStampServiceType(TimeStampServiceType const& other) = default;
TimeStampServiceType& TimeStampServiceType::operator=(TimeStampServiceType const& other) = default;
TimeStampServiceType::TimeStampServiceType(TimeStampServiceType&& other) noexcept = default;
TimeStampServiceType& TimeStampServiceType::operator=(TimeStampServiceType&& other) noexcept = default;
TimeStampServiceType::~TimeStampServiceType() = default;

ParamType TimeStampServiceType::GetType() const
{
    return TIME_STAMP;
}

ServiceType* TimeStampServiceType::Copy() const
{
    return new TimeStampServiceType(*this);
}

std::unique_ptr<TimeStampServiceType> TimeStampServiceType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
