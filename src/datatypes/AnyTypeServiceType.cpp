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
    , m_WrappedNode(Detail::CopyNode<ServiceType>(other.m_WrappedNode))
{ }

AnyTypeServiceType& AnyTypeServiceType::operator=(AnyTypeServiceType const& other)
{
    if (this != &other) {
        // The copy first, so that a failed copy leaves the target as it was.
        ServiceType* const copy = Detail::CopyNode<ServiceType>(other.m_WrappedNode);
        delete m_WrappedNode;
        m_WrappedNode = copy;
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
        delete std::exchange(m_WrappedNode, std::exchange(other.m_WrappedNode, nullptr));
        ServiceType::operator=(std::move(other));
    }
    return *this;
}

AnyTypeServiceType::~AnyTypeServiceType()
{
    delete m_WrappedNode;
}

void AnyTypeServiceType::SetValue(ServiceType* node)
{
    if (node != m_WrappedNode) {
        delete m_WrappedNode;
        m_WrappedNode = node;
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
