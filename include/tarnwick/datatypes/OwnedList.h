#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace Tarnwick::DataTypes {

/// The ordered list of owned node pointers that the list containers are made
/// of: appending, iterating and destroying them. The container copies the
/// nodes itself; destroying them does not recurse at any depth.
template <class Node> class OwnedList {
public:
    /// The owned node pointers, in order.
    using Nodes = std::vector<Node*>;
    /// Iterator over the node pointers.
    using Iterator = typename Nodes::iterator;
    /// Read-only iterator over the node pointers.
    using ConstIterator = typename Nodes::const_iterator;
    /// Iterator over the node pointers, last to first.
    using ReverseIterator = typename Nodes::reverse_iterator;
    /// Read-only iterator over the node pointers, last to first.
    using ConstReverseIterator = typename Nodes::const_reverse_iterator;

    /// Appends `node` and takes ownership of it (even when appending fails); a
    /// null node is ignored, so no null is ever stored by `Add`.
    void Add(Node* node) { Add(std::unique_ptr<Node>(node)); }
    /// `Add` of an owning pointer.
    void Add(std::unique_ptr<Node> node)
    {
        if (node != nullptr) {
            m_Nodes.push_back(node.get());
            node.release();
        }
    }

    /// The first node pointer. Through the non-const iterators a caller may
    /// overwrite a pointer; the list then owns the new one.
    Iterator BeginIterator() noexcept { return m_Nodes.begin(); }
    /// The past-the-end iterator.
    Iterator EndIterator() noexcept { return m_Nodes.end(); }
    /// The first node pointer (read-only).
    ConstIterator BeginIterator() const noexcept { return m_Nodes.cbegin(); }
    /// The past-the-end iterator (read-only).
    ConstIterator EndIterator() const noexcept { return m_Nodes.cend(); }
    /// The last node pointer, for walking backwards.
    ReverseIterator ReverseBeginIterator() noexcept { return m_Nodes.rbegin(); }
    /// The end of the backward walk.
    ReverseIterator ReverseEndIterator() noexcept { return m_Nodes.rend(); }
    /// The last node pointer, for walking backwards (read-only).
    ConstReverseIterator ReverseBeginIterator() const noexcept { return m_Nodes.crbegin(); }
    /// The end of the backward walk (read-only).
    ConstReverseIterator ReverseEndIterator() const noexcept { return m_Nodes.crend(); }
    /// The iterators above under the names range-for looks for:
    /// `for (auto* node : container)`.
    Iterator begin() noexcept { return m_Nodes.begin(); }
    /// The past-the-end iterator.
    Iterator end() noexcept { return m_Nodes.end(); }
    /// The first iterator (read-only).
    ConstIterator begin() const noexcept { return m_Nodes.cbegin(); }
    /// The past-the-end iterator (read-only).
    ConstIterator end() const noexcept { return m_Nodes.cend(); }

protected:
    OwnedList() = default;
    /// Nodes are not copied here: the container copies them with everything they own.
    OwnedList(OwnedList const&) = delete;
    OwnedList& operator=(OwnedList const&) = delete;
    /// Takes the nodes over, leaving the source empty.
    OwnedList(OwnedList&& other) noexcept
        : m_Nodes(std::exchange(other.m_Nodes, {}))
    { }
    /// Destroys the nodes held, then takes the other's over; self-assignment is a no-op.
    OwnedList& operator=(OwnedList&& other) noexcept
    {
        if (this != &other) {
            DestroyNodes();
            m_Nodes.swap(other.m_Nodes);
        }
        return *this;
    }
    /// Destroys the nodes held with all they own.
    ~OwnedList() { DestroyNodes(); }

    /// Destroys every node held, first to last, with all it owns, and empties the list.
    void DestroyNodes() noexcept;
    /// The number of nodes held.
    std::uint32_t Count() const noexcept { return static_cast<std::uint32_t>(m_Nodes.size()); }

    /// The stored pointers; may hold nulls written through an iterator.
    Nodes m_Nodes;

private:
    // Copies and destroys the owned nodes of deep trees without recursion.
    friend struct Detail::TreeAccess;
};

/// The list of child nodes, built into the library.
extern template class TARNWICK_EXPORT OwnedList<ServiceType>;

} // namespace Tarnwick::DataTypes
