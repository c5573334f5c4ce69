#include <tarnwick/datatypes/AnyTypeSequenceType.h>

#include "datatypes/OwnedNodes.h"

#include <utility>

namespace Tarnwick::DataTypes {

AnyTypeSequenceType::AnyTypeSequenceType(std::u16string const& name)
    : ServiceType(name)
{ }

AnyTypeSequenceType::AnyTypeSequenceType(AnyTypeSequenceType const& other)
    : ServiceType(other)
    , OwnedList()
{
    Detail::TreeAccess::CopyContent(*this, other);
}

AnyTypeSequenceType& AnyTypeSequenceType::operator=(AnyTypeSequenceType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        *this = AnyTypeSequenceType(other);
    }
    return *this;
}

AnyTypeSequenceType::AnyTypeSequenceType(AnyTypeSequenceType&& other) noexcept = default;

AnyTypeSequenceType& AnyTypeSequenceType::operator=(AnyTypeSequenceType&& other) noexcept = default;

AnyTypeSequenceType::~AnyTypeSequenceType() = default;

ParamType AnyTypeSequenceType::GetType() const
{
    return ANY_TYPE_SEQUENCE;
}

bool AnyTypeSequenceType::IsLeaf() const
{
    return false;
}

void AnyTypeSequenceType::Clear()
{
    DestroyNodes();
}

std::uint32_t AnyTypeSequenceType::Size() const
{
    return Count();
}

ServiceType* AnyTypeSequenceType::Copy() const
{
    return new AnyTypeSequenceType(*this);
}

std::unique_ptr<AnyTypeSequenceType> AnyTypeSequenceType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
