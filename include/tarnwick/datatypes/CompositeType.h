#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
    /// Takes the children and the name over without copying them; the source is
    /// left without children and with the empty name.
    CompositeType(CompositeType&& other) noexcept;
    /// Destroys the children held, then takes the other's over as the move constructor does.
    CompositeType& operator=(CompositeType&& other) noexcept;
    ~CompositeType() override;

    /// Appends `child` and takes ownership of it (even when appending fails).
    /// Names are not checked. A null child is ignored, so no null is ever stored by `Add`.
    void Add(ServiceType* child);
    /// `Add` of an owning pointer: `root.Add(std::make_unique<ScalarType<std::int32_t>>(3, u"count"))`.
    void Add(std::unique_ptr<ServiceType> child);
    /// Makes room for `count` children in all, so that adding up to that many allocates nothing.
    void Reserve(std::size_t count);

    /// The first child named `name` (code units compared exactly), or null when
    /// none is; the child stays owned by the composite.
    /// @{
    ServiceType* Find(std::u16string_view name);
    ServiceType const* Find(std::u16string_view name) const;
    /// @}

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
    /// The iterators above under the names range-for looks for:
    /// `for (ServiceType* child : composite)`.
    Iterator begin() noexcept { return m_Children.begin(); }
    /// The past-the-end iterator.
    Iterator end() noexcept { return m_Children.end(); }
    /// The first iterator (read-only).
    ConstIterator begin() const noexcept { return m_Children.cbegin(); }
    /// The past-the-end iterator (read-only).
    ConstIterator end() const noexcept { return m_Children.cend(); }

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

private:
    // Copies and destroys the owned nodes of deep trees without recursion.
    friend struct Detail::TreeAccess;

    Children m_Children;
};

} // namespace Tarnwick::DataTypes
