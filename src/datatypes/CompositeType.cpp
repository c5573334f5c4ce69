#include <tarnwick/datatypes/CompositeType.h>

#include "datatypes/OwnedNodes.h"

#include <algorithm>
#include <utility>

namespace Tarnwick::DataTypes {

CompositeType::CompositeType(std::u16string const& name)
    : ServiceType(name)
{ }

CompositeType::CompositeType(CompositeType const& other)
    : ServiceType(other)
{
    Detail::TreeAccess::CopyContent(*this, other);
}

CompositeType& CompositeType::operator=(CompositeType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        CompositeType copy(other);
        Detail::TakeOver(m_Children, copy.m_Children);
        ServiceType::operator=(other);
    }
    return *this;
}

CompositeType::CompositeType(CompositeType&& other) noexcept
    : ServiceType(std::move(other))
    , m_Children(std::exchange(other.m_Children, {}))
{ }

CompositeType& CompositeType::operator=(CompositeType&& other) noexcept
{
    Detail::TakeOver(m_Children, other.m_Children);
    ServiceType::operator=(std::move(other));
    return *this;
}

CompositeType::~CompositeType()
{
    Detail::DestroyNodes(m_Children);
}

void CompositeType::Add(ServiceType* child)
{
    Detail::AppendOwned(m_Children, child);
}

void CompositeType::Add(std::unique_ptr<ServiceType> child)
{
    Detail::AppendOwned(m_Children, std::move(child));
}

void CompositeType::Reserve(std::size_t count)
{
    m_Children.reserve(count);
}

ServiceType* CompositeType::Find(std::u16string_view name)
{
    return const_cast<ServiceType*>(std::as_const(*this).Find(name));
}

ServiceType const* CompositeType::Find(std::u16string_view name) const
{
    // A pointer overwritten through an iterator may be null.
    auto const found = std::find_if(m_Children.cbegin(), m_Children.cend(),
        [name](ServiceType const* child) { return child != nullptr && child->GetParamNameRef() == name; });
    return found != m_Children.cend() ? *found : nullptr;
}

CompositeType::Iterator CompositeType::BeginIterator()
{
    return m_Children.begin();
}

CompositeType::Iterator CompositeType::EndIterator()
{
    return m_Children.end();
}

CompositeType::ConstIterator CompositeType::BeginIterator() const
{
    return m_Children.cbegin();
}

CompositeType::ConstIterator CompositeType::EndIterator() const
{
    return m_Children.cend();
}

CompositeType::ReverseIterator CompositeType::ReverseBeginIterator()
{
    return m_Children.rbegin();
}

CompositeType::ReverseIterator CompositeType::ReverseEndIterator()
{
    return m_Children.rend();
}

CompositeType::ConstReverseIterator CompositeType::ReverseBeginIterator() const
{
    return m_Children.crbegin();
}

CompositeType::ConstReverseIterator CompositeType::ReverseEndIterator() const
{
    return m_Children.crend();
}

ParamType CompositeType::GetType() const
{
    return COMPOSITE;
}

bool CompositeType::IsLeaf() const
{
    return false;
}

void CompositeType::Clear()
{
    Detail::DestroyNodes(m_Children);
}

std::uint32_t CompositeType::Size() const
{
    return static_cast<std::uint32_t>(m_Children.size());
}

ServiceType* CompositeType::Copy() const
{
    return new CompositeType(*this);
}

std::unique_ptr<CompositeType> CompositeType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
