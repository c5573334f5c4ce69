#pragma once

// The one place where containers copy and release the raw node pointers they
// own. Internal to the library.

#include <tarnwick/datatypes/ServiceType.h>

#include "datatypes/TreeWalk.h"

#include <memory>
#include <type_traits>
#include <vector>

namespace Tarnwick::Detail {

/// Destroys every node of `nodes`, first to last, each with all it owns and
/// without recursion (null pointers skipped), and empties the array.
template <class Node> void DestroyNodes(std::vector<Node*>& nodes) noexcept
{
    Demolition demolition;
    for (Node* node : nodes) {
        demolition.Take(node);
    }
    demolition.Finish();
    nodes.clear();
}

/// A deep copy of one node of static class `Node` (null stays null), for both
/// hierarchies whose `Copy()` hands out a new object: nodes and value objects.
/// `Copy()` keeps the dynamic class; should a user class break that, the
/// object is copied as a plain `Node` rather than stored under the wrong type.
template <class Node> Node* CopyNode(Node const* node)
{
    if (node == nullptr) {
        return nullptr;
    }
    using Base = std::remove_pointer_t<decltype(node->Copy())>;
    if constexpr (std::is_same_v<Node, Base>) {
        return node->Copy();
    } else {
        std::unique_ptr<Base> copy(node->Copy());
        if (auto* typed = dynamic_cast<Node*>(copy.get())) {
            copy.release();
            return typed;
        }
        return new Node(*node);
    }
}

/// The deep copy of `object` as an owning pointer of its static class: the
/// one body of every `Clone()`.
template <class Node> std::unique_ptr<Node> CloneOf(Node const& object)
{
    return std::unique_ptr<Node>(CopyNode(&object));
}

/// Stores `node` in `slot` of a pair of slots that may share one node, and
/// hands back what `slot` held unless the pair still owns it: when it stays in
/// `other`, or is `node` itself. A `node` the pair already holds (in either
/// slot) is owned once, so its owning pointer is released rather than honoured twice.
template <class Node>
std::unique_ptr<Node> ReplaceInPair(Node*& slot, Node const* other, std::unique_ptr<Node> node) noexcept
{
    Node* const former = slot;
    slot = node.release();
    if (former == slot || former == other) {
        return nullptr;
    }
    return std::unique_ptr<Node>(former);
}

} // namespace Tarnwick::Detail
