#pragma once

// The one place where containers copy and release the raw node pointers they
// own. Internal to the library.

#include <tarnwick/datatypes/ServiceType.h>

#include <memory>
#include <type_traits>
#include <vector>

namespace Tarnwick::Detail {

/// Destroys every node of `nodes` (null pointers skipped) and empties the array.
template <class Node> void DestroyNodes(std::vector<Node*>& nodes) noexcept
{
    for (Node* node : nodes) {
        delete node;
    }
    nodes.clear();
}

/// A deep copy of one node of static class `Node` (null stays null). `Copy()`
/// keeps the dynamic class; should a user class break that, the node is copied
/// as a plain `Node` rather than stored under the wrong type.
template <class Node> Node* CopyNode(Node const* node)
{
    if (node == nullptr) {
        return nullptr;
    }
    if constexpr (std::is_same_v<Node, DataTypes::ServiceType>) {
        return node->Copy();
    } else {
        std::unique_ptr<DataTypes::ServiceType> copy(node->Copy());
        if (auto* typed = dynamic_cast<Node*>(copy.get())) {
            copy.release();
            return typed;
        }
        return new Node(*node);
    }
}

/// Deep copies of all nodes, in order, with nulls kept. If a copy fails, the
/// copies made so far are destroyed and the failure propagates.
template <class Node> std::vector<Node*> CopyNodes(std::vector<Node*> const& nodes)
{
    std::vector<Node*> copies;
    copies.reserve(nodes.size());
    try {
        for (Node const* node : nodes) {
            copies.push_back(CopyNode(node));
        }
    } catch (...) {
        DestroyNodes(copies);
        throw;
    }
    return copies;
}

/// Appends `node` and owns it: when the append fails, the node is destroyed
/// rather than leaked, as ownership passed with the call. Nulls are not stored.
template <class Node> void AppendOwned(std::vector<Node*>& nodes, Node* node)
{
    if (node == nullptr) {
        return;
    }
    std::unique_ptr<Node> guard(node);
    nodes.push_back(node);
    guard.release();
}

} // namespace Tarnwick::Detail
