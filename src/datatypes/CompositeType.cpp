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
    , OwnedList()
{
    Detail::TreeAccess::CopyContent(*this, other);
}

CompositeType& CompositeType::operator=(CompositeType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        *this = CompositeType(other);
    }
    return *this;
}

CompositeType::CompositeType(CompositeType&& other) noexcept = default;

CompositeType& CompositeType::operator=(CompositeType&& other) noexcept = default;

CompositeType::~CompositeType() = default;

void CompositeType::Reserve(std::size_t count)
{
    m_Nodes.reserve(count);
}

ServiceType* CompositeType::Find(std::u16string_view name)
{
    return const_cast<ServiceType*>(std::as_const(*this).Find(name));
}

ServiceType const* CompositeType::Find(std::u16string_view name) const
{
    // A pointer overwritten through an iterator may be null.
    auto const found = std::find_if(m_Nodes.cbegin(), m_Nodes.cend(),
        [name](ServiceType const* child) { return child != nullptr && child->GetParamNameRef() == name; });
    return found != m_Nodes.cend() ? *found : nullptr;
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
    DestroyNodes();
}

std::uint32_t CompositeType::Size() const
{
    return Count();
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
