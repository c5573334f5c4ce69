#include <tarnwick/datatypes/TimeStampSequenceType.h>

namespace Tarnwick::DataTypes {

TimeStampSequenceType::TimeStampSequenceType(std::vector<std::uint64_t> const& values, std::u16string const& name)
    : SequenceType(values, name)
{ }

TimeStampSequenceType::TimeStampSequenceType(TimeStampSequenceType const& other) = default;
TimeStampSequenceType& TimeStampSequenceType::operator=(TimeStampSequenceType const& other) = default;
TimeStampSequenceType::~TimeStampSequenceType() = default;

ParamType TimeStampSequenceType::GetType() const
{
    return TIME_STAMP_SEQUENCE;
}

ServiceType* TimeStampSequenceType::Copy() const
{
    return new TimeStampSequenceType(*this);
}

} // namespace Tarnwick::DataTypes
