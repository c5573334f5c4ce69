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
    using Children = std::vector<ServiceType*>;
    using Iterator = Children::iterator;
    using ConstIterator = Children::const_iterator;
    using ReverseIterator = Children::reverse_iterator;
    using ConstReverseIterator = Children::const_reverse_iterator;

    CompositeType(std::u16string const& name);
    CompositeType(CompositeType const& other);
    /// Destroys the children held, then takes deep copies of the other's; self-assignment is a no-op.
    CompositeType& operator=(CompositeType const& other);
    ~CompositeType() override;

    /// Appends `child` and takes ownership of it (even when appending fails).
    /// Names are not checked. A null child is ignored, so no null is ever stored by `Add`.
    void Add(ServiceType* child);

    /// Iterators over the stored child pointers, first to last. Through the
    /// non-const ones a caller may overwrite a pointer; the composite then owns the new one.
    Iterator BeginIterator();
    Iterator EndIterator();
    ConstIterator BeginIterator() const;
    ConstIterator EndIterator() const;
    ReverseIterator ReverseBeginIterator();
    ReverseIterator ReverseEndIterator();
    ConstReverseIterator ReverseBeginIterator() const;
    ConstReverseIterator ReverseEndIterator() const;

    ParamType GetType() const override;
    bool IsLeaf() const override;
    /// Destroys and removes all children; the name stays.
    void Clear() override;
    std::uint32_t Size() const override;
    ServiceType* Copy() const override;

private:
    Children m_Children;
};

} // namespace Tarnwick::DataTypes
