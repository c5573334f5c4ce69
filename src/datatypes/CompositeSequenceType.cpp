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
    , m_ItemPrototype(nullptr)
{
    Detail::TreeAccess::CopyContent(*this, other);
    try {
        m_ItemPrototype = CopyPrototype(other.m_ItemPrototype).release();
    } catch (...) {
        Detail::DestroyNodes(m_Items);
        throw;
    }
}

CompositeSequenceType& CompositeSequenceType::operator=(CompositeSequenceType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        CompositeSequenceType copy(other);
        Detail::TakeOver(m_Items, copy.m_Items);
        delete std::exchange(m_ItemPrototype, std::exchange(copy.m_ItemPrototype, nullptr));
        ServiceType::operator=(other);
    }
    return *this;
}

CompositeSequenceType::CompositeSequenceType(CompositeSequenceType&& other) noexcept
    : ServiceType(std::move(other))
    , m_Items(std::exchange(other.m_Items, {}))
    , m_ItemPrototype(std::exchange(other.m_ItemPrototype, nullptr))
{ }

CompositeSequenceType& CompositeSequenceType::operator=(CompositeSequenceType&& other) noexcept
{
    if (this != &other) {
        Detail::TakeOver(m_Items, other.m_Items);
        delete std::exchange(m_ItemPrototype, std::exchange(other.m_ItemPrototype, nullptr));
        ServiceType::operator=(std::move(other));
    }
    return *this;
}

CompositeSequenceType::~CompositeSequenceType()
{
    Detail::DestroyNodes(m_Items);
    delete m_ItemPrototype;
}

void CompositeSequenceType::Add(CompositeType* item)
{
    Detail::AppendOwned(m_Items, item);
}

void CompositeSequenceType::Add(std::unique_ptr<CompositeType> item)
{
    Detail::AppendOwned(m_Items, std::move(item));
}

ServiceType* CompositeSequenceType::CreateEmptyItem() const
{
    if (m_ItemPrototype == nullptr) {
        return new CompositeType(u"item");
    }
    return m_ItemPrototype->StoreTo(u"item");
}

CompositeSequenceType::Iterator CompositeSequenceType::BeginIterator()
{
    return m_Items.begin();
}

CompositeSequenceType::Iterator CompositeSequenceType::EndIterator()
{
    return m_Items.end();
}

CompositeSequenceType::ConstIterator CompositeSequenceType::BeginIterator() const
{
    return m_Items.cbegin();
}

CompositeSequenceType::ConstIterator CompositeSequenceType::EndIterator() const
{
    return m_Items.cend();
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
    Detail::DestroyNodes(m_Items);
}

std::uint32_t CompositeSequenceType::Size() const
{
    return static_cast<std::uint32_t>(m_Items.size());
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
