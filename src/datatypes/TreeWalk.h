#pragma once

// Copying and destroying the nodes a tree owns without recursion, so that a tree
// of any depth costs heap, never stack. Internal to the library.
//
// Only nodes of exactly the library's container classes are taken apart or built
// up here; a node of any other class (a caller's own, derived ones included) is
// copied with its `Copy()` and deleted whole, so its own code runs as it always
// did, and each such node on a path costs one level of recursion.

#include <tarnwick/datatypes/ServiceType.h>

#include <vector>

namespace Tarnwick::DataTypes {
class AnyTypeSequenceType;
class AnyTypeServiceType;
class CompositeSequenceType;
class CompositeType;
class DictionaryType;
template <class Node> class OwnedList;
} // namespace Tarnwick::DataTypes

namespace Tarnwick::Detail {

class Demolition;

/// The one place that reaches into the containers' owned pointers (a friend of
/// each container class).
struct TreeAccess {
    /// Fills `target`, built with the source's name (and prototype) but no nodes,
    /// with deep copies of the nodes `source` owns. Should a copy fail, what was
    /// made is destroyed, `target` holds no nodes, and the failure propagates.
    /// @{
    static void CopyContent(DataTypes::CompositeType& target, DataTypes::CompositeType const& source);
    static void CopyContent(DataTypes::CompositeSequenceType& target, DataTypes::CompositeSequenceType const& source);
    static void CopyContent(DataTypes::DictionaryType& target, DataTypes::DictionaryType const& source);
    static void CopyContent(DataTypes::AnyTypeServiceType& target, DataTypes::AnyTypeServiceType const& source);
    static void CopyContent(DataTypes::AnyTypeSequenceType& target, DataTypes::AnyTypeSequenceType const& source);
    /// @}

    /// Hands every node `container` owns to `demolition`, leaving it without nodes;
    /// `container` is of exactly one of the container classes.
    static void Dismantle(DataTypes::ServiceType& container, Demolition& demolition) noexcept;

private:
    /// A container copied without its nodes, whose nodes are still to copy.
    struct Pending;
    using Stack = std::vector<Pending>;

    template <class Container> static void Fill(Container& target, Container const& source);
    /// Copies `source` into `slot`: a container of a library class as an empty one,
    /// owned by the slot at once, with its nodes pending; any other node with its `Copy()`.
    template <class Slot> static void CopyInto(Slot*& slot, Slot const* source, Stack& stack);
    template <class Container, class Slot> static void Defer(Container const& source, Slot*& slot, Stack& stack);
    /// Copies the source's nodes into the target's slots, the containers among them pending.
    static void Open(Pending const& pending, Stack& stack);
    /// @{
    template <class Node>
    static void Open(DataTypes::OwnedList<Node>& target, DataTypes::OwnedList<Node> const& source, Stack& stack);
    static void Open(DataTypes::DictionaryType& target, DataTypes::DictionaryType const& source, Stack& stack);
    static void Open(DataTypes::AnyTypeServiceType& target, DataTypes::AnyTypeServiceType const& source, Stack& stack);
    /// @}
    /// Destroys the nodes the container owns, leaving it without nodes.
    /// @{
    template <class Node> static void Release(DataTypes::OwnedList<Node>& target) noexcept;
    static void Release(DataTypes::DictionaryType& target) noexcept;
    static void Release(DataTypes::AnyTypeServiceType& target) noexcept;
    /// @}
    /// Hands the nodes of a container of that class to `demolition`.
    /// @{
    template <class Node> static void TakeNodes(DataTypes::OwnedList<Node>& container, Demolition& demolition) noexcept;
    static void TakeNodes(DataTypes::DictionaryType& container, Demolition& demolition) noexcept;
    static void TakeNodes(DataTypes::AnyTypeServiceType& container, Demolition& demolition) noexcept;
    /// @}
    /// A new container of the source's class and name (and a copy of its prototype), without nodes.
    /// @{
    static DataTypes::CompositeType* Empty(DataTypes::CompositeType const& source);
    static DataTypes::CompositeSequenceType* Empty(DataTypes::CompositeSequenceType const& source);
    static DataTypes::DictionaryType* Empty(DataTypes::DictionaryType const& source);
    static DataTypes::AnyTypeServiceType* Empty(DataTypes::AnyTypeServiceType const& source);
    static DataTypes::AnyTypeSequenceType* Empty(DataTypes::AnyTypeSequenceType const& source);
    /// @}
};

/// Destroys nodes with everything they own: other nodes at once, containers of
/// the library's classes emptied first, their containers kept on the heap until
/// their turn. One object serves a whole array of nodes, so that its room is
/// allocated once.
class Demolition {
public:
    /// Destroys `node` (null is skipped) and every node it owns.
    void Destroy(DataTypes::ServiceType* node) noexcept;
    /// Destroys `node` (null is skipped) now, or, when it is a container of a
    /// library class, once the destruction under way reaches it.
    void Take(DataTypes::ServiceType* node) noexcept;
    /// Destroys the containers taken and not yet destroyed, and what they own.
    void Finish() noexcept;

private:
    /// Puts a container on the list; false when the list cannot grow.
    bool Keep(DataTypes::ServiceType* container) noexcept;

    std::vector<DataTypes::ServiceType*> m_Work;
};

/// Destroys `node` (null is skipped) and every node it owns.
inline void DestroyTree(DataTypes::ServiceType* node) noexcept
{
    Demolition().Destroy(node);
}

} // namespace Tarnwick::Detail
