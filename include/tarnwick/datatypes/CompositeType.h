#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/OwnedList.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace Tarnwick::DataTypes {

/// A record: an ordered list of child nodes, each named by its own parameter
/// name. The composite owns its children; copies are deep.
class TARNWICK_EXPORT CompositeType : public ServiceType, public OwnedList<ServiceType> {
public:
    /// The owned child pointers, in order.
    using Children = Nodes;

    /// An empty composite named `name`.
    CompositeType(std::u16string const& name);
    /// Deep copies of the other's children, each of its own class, and its name.
    CompositeType(CompositeType const& other);
    /// Destroys the children held, then takes deep copies of the other's; self-assignment is a no-op.
    CompositeType& operator=(CompositeType const& other);
    /// Takes the children and the name over without copying them; the source is
    /// left without children and with the empty name.
    CompositeType(CompositeType&& other) noexcept;
    /// Destroys the children held, then takes the other's over as the move constructor does.
    CompositeType& operator=(CompositeType&& other) noexcept;
    ~CompositeType() override;

    /// Makes room for `count` children in all, so that adding up to that many allocates nothing.
    void Reserve(std::size_t count);

    /// The first child named `name` (code units compared exactly), or null when
    /// none is; the child stays owned by the composite.
    /// @{
    ServiceType* Find(std::u16string_view name);
    ServiceType const* Find(std::u16string_view name) const;
    /// @}

    /// COMPOSITE.
    ParamType GetType() const override;
    /// Always false.
    bool IsLeaf() const override;
    /// Destroys and removes all children; the name stays.
    void Clear() override;
    /// The number of children.
    std::uint32_t Size() const override;
    /// A new deep copy, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a composite.
    std::unique_ptr<CompositeType> Clone() const;
};

} // namespace Tarnwick::DataTypes
