#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/OwnedList.h>
#include <tarnwick/datatypes/ServiceType.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnwick::DataTypes {

/// The list of composites, built into the library.
extern template class TARNWICK_EXPORT OwnedList<CompositeType>;

/// An ordered list of composites, with a prototype value object from which an
/// empty item is made. It owns its items and its prototype; copies are deep.
class TARNWICK_EXPORT CompositeSequenceType : public ServiceType, public OwnedList<CompositeType> {
public:
    /// The owned items, in order.
    using Items = Nodes;

    /// Takes ownership of `prototype` (may be null), even when construction fails.
    CompositeSequenceType(std::u16string const& name, StubProxy::UserParameters* prototype);
    /// The constructor above with an owning pointer to the prototype.
    CompositeSequenceType(std::u16string const& name, std::unique_ptr<StubProxy::UserParameters> prototype);
    /// Deep copies of the other's items and prototype, and its name.
    CompositeSequenceType(CompositeSequenceType const& other);
    /// Destroys what is held, then takes deep copies of the other's items and prototype; self-assignment is a no-op.
    CompositeSequenceType& operator=(CompositeSequenceType const& other);
    /// Takes the items, the prototype and the name over without copying them; the
    /// source is left without items, without a prototype and with the empty name.
    CompositeSequenceType(CompositeSequenceType&& other) noexcept;
    /// Destroys what is held, then takes the other's over as the move constructor does.
    CompositeSequenceType& operator=(CompositeSequenceType&& other) noexcept;
    ~CompositeSequenceType() override;

    /// A new tree named "item" holding the prototype's value, owned by the caller; the
    /// sequence does not change. Without a prototype: a new empty composite named "item".
    ServiceType* CreateEmptyItem() const;

    /// COMPOSITE_SEQUENCE.
    ParamType GetType() const override;
    /// Always false.
    bool IsLeaf() const override;
    /// Destroys and removes all items; the name and the prototype stay.
    void Clear() override;
    /// The number of items.
    std::uint32_t Size() const override;
    /// A new deep copy (items and prototype), owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a composite sequence.
    std::unique_ptr<CompositeSequenceType> Clone() const;

private:
    // Copies the prototype when it copies trees without recursion.
    friend struct Detail::TreeAccess;

    StubProxy::UserParameters* m_ItemPrototype;
};

} // namespace Tarnwick::DataTypes
