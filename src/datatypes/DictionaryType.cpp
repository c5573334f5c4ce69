#include <tarnwick/datatypes/DictionaryType.h>

#include "datatypes/OwnedNodes.h"

#include <memory>
#include <utility>

namespace Tarnwick::DataTypes {

DictionaryType::DictionaryType(std::u16string const& name)
    : ServiceType(name)
    , m_KeysNode(nullptr)
    , m_ValuesNode(nullptr)
{ }

DictionaryType::DictionaryType(DictionaryType const& other)
    : ServiceType(other)
    , m_KeysNode(nullptr)
    , m_ValuesNode(nullptr)
{
    // A node shared by keys and values is copied once and stays shared.
    Detail::TreeAccess::CopyContent(*this, other);
}

DictionaryType& DictionaryType::operator=(DictionaryType const& other)
{
    if (this != &other) {
        // Copies first, so that a failed copy leaves the target as it was.
        DictionaryType copy(other);
        DestroyNodes();
        m_KeysNode = std::exchange(copy.m_KeysNode, nullptr);
        m_ValuesNode = std::exchange(copy.m_ValuesNode, nullptr);
        ServiceType::operator=(other);
    }
    return *this;
}

DictionaryType::~DictionaryType()
{
    DestroyNodes();
}

DictionaryType::DictionaryType(DictionaryType&& other) noexcept
    : ServiceType(std::move(other))
    , m_KeysNode(std::exchange(other.m_KeysNode, nullptr))
    , m_ValuesNode(std::exchange(other.m_ValuesNode, nullptr))
{ }

DictionaryType& DictionaryType::operator=(DictionaryType&& other) noexcept
{
    if (this != &other) {
        DestroyNodes();
        m_KeysNode = std::exchange(other.m_KeysNode, nullptr);
        m_ValuesNode = std::exchange(other.m_ValuesNode, nullptr);
        ServiceType::operator=(std::move(other));
    }
    return *this;
}

void DictionaryType::DestroyNodes() noexcept
{
    ServiceType* const keys = std::exchange(m_KeysNode, nullptr);
    ServiceType* const values = std::exchange(m_ValuesNode, nullptr);
    Detail::Demolition demolition;
    if (values != keys) {
        demolition.Destroy(values);
    }
    demolition.Destroy(keys);
}

void DictionaryType::SetKeys(ServiceType* keys)
{
    m_KeysNode = keys;
}

void DictionaryType::SetValues(ServiceType* values)
{
    m_ValuesNode = values;
}

std::unique_ptr<ServiceType> DictionaryType::SetKeys(std::unique_ptr<ServiceType> keys) noexcept
{
    return Detail::ReplaceInPair(m_KeysNode, m_ValuesNode, std::move(keys));
}

std::unique_ptr<ServiceType> DictionaryType::SetValues(std::unique_ptr<ServiceType> values) noexcept
{
    return Detail::ReplaceInPair(m_ValuesNode, m_KeysNode, std::move(values));
}

ServiceType* DictionaryType::GetKeys()
{
    return m_KeysNode;
}

ServiceType const* DictionaryType::GetKeys() const
{
    return m_KeysNode;
}

ServiceType* DictionaryType::GetValues()
{
    return m_ValuesNode;
}

ServiceType const* DictionaryType::GetValues() const
{
    return m_ValuesNode;
}

ParamType DictionaryType::GetType() const
{
    return DICTIONARY;
}

bool DictionaryType::IsLeaf() const
{
    return false;
}

void DictionaryType::Clear()
{
    DestroyNodes();
}

std::uint32_t DictionaryType::Size() const
{
    return (m_KeysNode != nullptr && m_ValuesNode != nullptr) ? m_KeysNode->Size() : 0;
}

ServiceType* DictionaryType::Copy() const
{
    return new DictionaryType(*this);
}

std::unique_ptr<DictionaryType> DictionaryType::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
