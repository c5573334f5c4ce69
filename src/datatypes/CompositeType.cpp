#include <tarnwick/datatypes/CompositeType.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

CompositeType::CompositeType(std::u16string const& name)
    : ServiceType(name)
{ }

CompositeType::CompositeType(CompositeType const& other)
    : ServiceType(other)
    , m_Children(Detail::CopyNodes(other.m_Children))
{ }

CompositeType& CompositeType::operator=(CompositeType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        Children copies = Detail::CopyNodes(other.m_Children);
        Detail::DestroyNodes(m_Children);
        m_Children = std::move(copies);
        ServiceType::operator=(other);
    }
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

} // namespace Tarnwick::DataTypes
