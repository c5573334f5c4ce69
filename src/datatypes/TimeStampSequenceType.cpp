#include <tarnwick/datatypes/TimeStampSequenceType.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

TimeStampSequenceType::TimeStampSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name)
    : SequenceType(values, name)
{ }

TimeStampSequenceType::TimeStampSequenceType(TimeStampSequenceType const& other) = default;
TimeStampSequenceType& TimeStampSequenceType::operator=(TimeStampSequenceType const& other) = default;
TimeStampSequenceType::TimeStampSequenceType(TimeStampSequenceType&& other) noexcept = default;
TimeStampSequenceType& TimeStampSequenceType::operator=(TimeStampSequenceType&& other) noexcept = default;
TimeStampSequenceType::~TimeStampSequenceType() = default;

ParamType TimeStampSequenceType::GetType() const
{
    return TIME_STAMP_SEQUENCE;
}

ServiceType* TimeStampSequenceType::Copy() const
{
    return new TimeStampSequenceType(*this);
}

std::unique_ptr<TimeStampSequenceType> TimeStampSequenceType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
