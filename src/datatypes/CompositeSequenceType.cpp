#include <tarnwick/datatypes/CompositeSequenceType.h>

#include "datatypes/OwnedNodes.h"

#include <memory>
#include <utility>

namespace Tarnwick::DataTypes {

namespace {

std::unique_ptr<StubProxy::UserParameters> CopyPrototype(StubProxy::UserParameters const* prototype)
{
    return std::unique_ptr<StubProxy::UserParameters>(prototype != nullptr ? prototype->Copy() : nullptr);
}

} // namespace

CompositeSequenceType::CompositeSequenceType(std::u16string const& name, StubProxy::UserParameters* prototype)
    : m_ItemPrototype(nullptr)
{
    // Ownership of the prototype passes even if copying the name fails.
    std::unique_ptr<StubProxy::UserParameters> guard(prototype);
    m_ParamName = name;
    m_ItemPrototype = guard.release();
}

CompositeSequenceType::CompositeSequenceType(
    std::u16string const& name, std::unique_ptr<StubProxy::UserParameters> prototype)
    : CompositeSequenceType(name, prototype.release())
{ }

CompositeSequenceType::CompositeSequenceType(CompositeSequenceType const& other)
    : ServiceType(other)
    , OwnedList()
    , m_ItemPrototype(nullptr)
{
    Detail::TreeAccess::CopyContent(*this, other);
    // Should this fail, the list destroys the items copied.
    m_ItemPrototype = CopyPrototype(other.m_ItemPrototype).release();
}

CompositeSequenceType& CompositeSequenceType::operator=(CompositeSequenceType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        *this = CompositeSequenceType(other);
    }
    return *this;
}

CompositeSequenceType::CompositeSequenceType(CompositeSequenceType&& other) noexcept
    : ServiceType(std::move(other))
    , OwnedList(std::move(other))
    , m_ItemPrototype(std::exchange(other.m_ItemPrototype, nullptr))
{ }

CompositeSequenceType& CompositeSequenceType::operator=(CompositeSequenceType&& other) noexcept
{
    if (this != &other) {
        OwnedList::operator=(std::move(other));
        delete std::exchange(m_ItemPrototype, std::exchange(other.m_ItemPrototype, nullptr));
        ServiceType::operator=(std::move(other));
    }
    return *this;
}

CompositeSequenceType::~CompositeSequenceType()
{
    delete m_ItemPrototype;
}

ServiceType* CompositeSequenceType::CreateEmptyItem() const
{
    if (m_ItemPrototype == nullptr) {
        return new CompositeType(u"item");
    }
    return m_ItemPrototype->StoreTo(u"item");
}

ParamType CompositeSequenceType::GetType() const
{
    return COMPOSITE_SEQUENCE;
}

bool CompositeSequenceType::IsLeaf() const
{
    return false;
}

void CompositeSequenceType::Clear()
{
    DestroyNodes();
}

std::uint32_t CompositeSequenceType::Size() const
{
    return Count();
}

ServiceType* CompositeSequenceType::Copy() const
{
    return new CompositeSequenceType(*this);
}

std::unique_ptr<CompositeSequenceType> CompositeSequenceType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
