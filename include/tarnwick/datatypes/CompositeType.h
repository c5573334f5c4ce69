#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tarnwick::DataTypes {

/// A record: an ordered list of child nodes, each named by its own parameter
/// name. The composite owns its children; copies are deep.
class TARNWICK_EXPORT CompositeType : public ServiceType {
public:
    /// The owned child pointers, in order.
    using Children = std::vector<ServiceType*>;
    /// Iterators over the child pointers.
    /// @{
    using Iterator = Children::iterator;
    using ConstIterator = Children::const_iterator;
    using ReverseIterator = Children::reverse_iterator;
    using ConstReverseIterator = Children::const_reverse_iterator;
    /// @}

    /// An empty composite named `name`.
    CompositeType(std::u16string const& name);
    /// Deep copies of the other's children, each of its own class, and its name.
    CompositeType(CompositeType const& other);
    /// Destroys the children held, then takes deep copies of the other's; self-assignment is a no-op.
    CompositeType& operator=(CompositeType const& other);
    ~CompositeType() override;

    /// Appends `child` and takes ownership of it (even when appending fails).
    /// Names are not checked. A null child is ignored, so no null is ever stored by `Add`.
    void Add(ServiceType* child);

    /// Iterators over the stored child pointers, first to last. Through the
    /// non-const ones a caller may overwrite a pointer; the composite then owns the new one.
    /// @{
    Iterator BeginIterator();
    Iterator EndIterator();
    ConstIterator BeginIterator() const;
    ConstIterator EndIterator() const;
    ReverseIterator ReverseBeginIterator();
    ReverseIterator ReverseEndIterator();
    ConstReverseIterator ReverseBeginIterator() const;
    ConstReverseIterator ReverseEndIterator() const;
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

private:
    Children m_Children;
};

} // namespace Tarnwick::DataTypes
