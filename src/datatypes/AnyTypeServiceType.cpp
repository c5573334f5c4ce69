#include <tarnwick/datatypes/AnyTypeServiceType.h>

#include "datatypes/OwnedNodes.h"

#include <memory>
#include <utility>

namespace Tarnwick::DataTypes {

AnyTypeServiceType::AnyTypeServiceType(ServiceType* node, std::u16string const& name)
    : m_WrappedNode(nullptr)
{
    // Ownership of the node passes even if copying the name fails.
    std::unique_ptr<ServiceType> guard(node);
    m_ParamName = name;
    m_WrappedNode = guard.release();
}

AnyTypeServiceType::AnyTypeServiceType(std::unique_ptr<ServiceType> node, std::u16string const& name)
    : AnyTypeServiceType(node.release(), name)
{ }

AnyTypeServiceType::AnyTypeServiceType(AnyTypeServiceType const& other)
    : ServiceType(other)
    , m_WrappedNode(nullptr)
{
    Detail::TreeAccess::CopyContent(*this, other);
}

AnyTypeServiceType& AnyTypeServiceType::operator=(AnyTypeServiceType const& other)
{
    if (this != &other) {
        // The copy first, so that a failed copy leaves the target as it was.
        AnyTypeServiceType copy(other);
        Detail::DestroyTree(std::exchange(m_WrappedNode, std::exchange(copy.m_WrappedNode, nullptr)));
        ServiceType::operator=(other);
    }
    return *this;
}

AnyTypeServiceType::AnyTypeServiceType(AnyTypeServiceType&& other) noexcept
    : ServiceType(std::move(other))
    , m_WrappedNode(std::exchange(other.m_WrappedNode, nullptr))
{ }

AnyTypeServiceType& AnyTypeServiceType::operator=(AnyTypeServiceType&& other) noexcept
{
    if (this != &other) {
        Detail::DestroyTree(std::exchange(m_WrappedNode, std::exchange(other.m_WrappedNode, nullptr)));
        ServiceType::operator=(std::move(other));
    }
    return *this;
}

AnyTypeServiceType::~AnyTypeServiceType()
{
    Detail::DestroyTree(m_WrappedNode);
}

void AnyTypeServiceType::SetValue(ServiceType* node)
{
    if (node != m_WrappedNode) {
        Detail::DestroyTree(std::exchange(m_WrappedNode, node));
    }
}

void AnyTypeServiceType::SetValue(std::unique_ptr<ServiceType> node)
{
    SetValue(node.release());
}

ServiceType* AnyTypeServiceType::GetValue()
{
    return m_WrappedNode;
}

ServiceType const* AnyTypeServiceType::GetValue() const
{
    return m_WrappedNode;
}

ParamType AnyTypeServiceType::GetType() const
{
    return ANY_TYPE;
}

bool AnyTypeServiceType::IsLeaf() const
{
    return true;
}

ServiceType* AnyTypeServiceType::Copy() const
{
    return new AnyTypeServiceType(*this);
}

std::unique_ptr<AnyTypeServiceType> AnyTypeServiceType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
