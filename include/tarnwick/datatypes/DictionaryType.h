#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnwick::DataTypes {

/// Two parallel sequence nodes: element i of the values belongs to key i.
/// The dictionary owns both nodes; copies are deep.
class TARNWICK_EXPORT DictionaryType : public ServiceType {
public:
    /// A dictionary named `name` without keys and values nodes (both null).
    DictionaryType(std::u16string const& name);
    /// Deep copies of the other's nodes (one copy when one node is both), and its name.
    DictionaryType(DictionaryType const& other);
    /// Destroys both nodes held, then takes deep copies of the other's; self-assignment is a no-op.
    DictionaryType& operator=(DictionaryType const& other);
    /// Takes both nodes and the name over without copying them; the source is
    /// left without nodes and with the empty name.
    DictionaryType(DictionaryType&& other) noexcept;
    /// Destroys both nodes held, then takes the other's over as the move constructor does.
    DictionaryType& operator=(DictionaryType&& other) noexcept;
    ~DictionaryType() override;

    /// Store the node and take ownership of it. The node held before is NOT
    /// destroyed: a caller replacing it takes it back (fetch it first with the getter).
    /// One node given as both keys and values is owned, copied and destroyed once.
    /// @{
    void SetKeys(ServiceType* keys);
    void SetValues(ServiceType* values);
    /// @}
    /// Store the node, take ownership of it, and hand back the node it replaces,
    /// so that replacing a node cannot leak it (discarding the answer destroys it). Null is handed back when nothing
    /// was replaced, when the replaced node is still held as the other node (one
    /// node as keys and values), and when the node given is the one already held.
    /// A node the dictionary already holds, in either role, stays owned once:
    /// `SetKeys(std::unique_ptr<ServiceType>(dictionary.GetValues()))` makes it
    /// both keys and values, owned by the dictionary alone.
    /// @{
    std::unique_ptr<ServiceType> SetKeys(std::unique_ptr<ServiceType> keys) noexcept;
    std::unique_ptr<ServiceType> SetValues(std::unique_ptr<ServiceType> values) noexcept;
    /// @}
    /// The stored nodes, possibly null; still owned by the dictionary.
    /// @{
    ServiceType* GetKeys();
    ServiceType const* GetKeys() const;
    ServiceType* GetValues();
    ServiceType const* GetValues() const;
    /// @}

    /// DICTIONARY.
    ParamType GetType() const override;
    /// Always false.
    bool IsLeaf() const override;
    /// Destroys the keys and the values nodes and leaves both null; the name stays.
    void Clear() override;
    /// The keys node's `Size()` when both nodes are set, else 0.
    std::uint32_t Size() const override;
    /// A new deep copy, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a dictionary.
    std::unique_ptr<DictionaryType> Clone() const;

private:
    // Copies and destroys the owned nodes of deep trees without recursion.
    friend struct Detail::TreeAccess;

    void DestroyNodes() noexcept;

    ServiceType* m_KeysNode;
    ServiceType* m_ValuesNode;
};

} // namespace Tarnwick::DataTypes
