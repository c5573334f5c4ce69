#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
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
    ~DictionaryType() override;

    /// Store the node and take ownership of it. The node held before is NOT
    /// destroyed: a caller replacing it takes it back (fetch it first with the getter).
    /// One node given as both keys and values is owned, copied and destroyed once.
    /// @{
    void SetKeys(ServiceType* keys);
    void SetValues(ServiceType* values);
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

private:
    void DestroyNodes() noexcept;

    ServiceType* m_KeysNode;
    ServiceType* m_ValuesNode;
};

} // namespace Tarnwick::DataTypes
