#include <tarnwick/datatypes/AnyTypeSequenceType.h>

#include "datatypes/OwnedNodes.h"

#include <utility>

namespace Tarnwick::DataTypes {

AnyTypeSequenceType::AnyTypeSequenceType(std::u16string const& name)
    : ServiceType(name)
{ }

AnyTypeSequenceType::AnyTypeSequenceType(AnyTypeSequenceType const& other)
    : ServiceType(other)
{
    Detail::TreeAccess::CopyContent(*this, other);
}

AnyTypeSequenceType& AnyTypeSequenceType::operator=(AnyTypeSequenceType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        AnyTypeSequenceType copy(other);
        Detail::TakeOver(m_Items, copy.m_Items);
        ServiceType::operator=(other);
    }
    return *this;
}

AnyTypeSequenceType::AnyTypeSequenceType(AnyTypeSequenceType&& other) noexcept
    : ServiceType(std::move(other))
    , m_Items(std::exchange(other.m_Items, {}))
{ }

AnyTypeSequenceType& AnyTypeSequenceType::operator=(AnyTypeSequenceType&& other) noexcept
{
    Detail::TakeOver(m_Items, other.m_Items);
    ServiceType::operator=(std::move(other));
    return *this;
}

AnyTypeSequenceType::~AnyTypeSequenceType()
{
    Detail::DestroyNodes(m_Items);
}

void AnyTypeSequenceType::Add(AnyTypeServiceType* item)
{
    Detail::AppendOwned(m_Items, item);
}

void AnyTypeSequenceType::Add(std::unique_ptr<AnyTypeServiceType> item)
{
    Detail::AppendOwned(m_Items, std::move(item));
}

AnyTypeSequenceType::Iterator AnyTypeSequenceType::BeginIterator()
{
    return m_Items.begin();
}

AnyTypeSequenceType::Iterator AnyTypeSequenceType::EndIterator()
{
    return m_Items.end();
}

AnyTypeSequenceType::ConstIterator AnyTypeSequenceType::BeginIterator() const
{
    return m_Items.cbegin();
}

AnyTypeSequenceType::ConstIterator AnyTypeSequenceType::EndIterator() const
{
    return m_Items.cend();
}

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
    Detail::DestroyNodes(m_Items);
}

std::uint32_t AnyTypeSequenceType::Size() const
{
    return static_cast<std::uint32_t>(m_Items.size());
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
