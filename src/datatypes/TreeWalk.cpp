#include "datatypes/TreeWalk.h"

#include "datatypes/OwnedNodes.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>

#include <algorithm>
#include <cstdint>
#include <typeinfo>
#include <utility>

namespace Tarnwick::Detail {

using namespace DataTypes;

namespace {

/// `node` as a `Node` when it is of exactly that class (a derived class is not:
/// its own code must see its nodes), else null.
template <class Node, class Base> Node* Exactly(Base& node) noexcept
{
    return typeid(node) == typeid(Node) ? static_cast<Node*>(&node) : nullptr;
}

/// Room on `work` for `count` more pointers, so that appending them cannot fail.
bool Room(std::vector<ServiceType*>& work, std::size_t count) noexcept
{
    if (work.capacity() - work.size() >= count) {
        return true;
    }
    try {
        work.reserve(std::max(work.size() + count, 2 * work.capacity()));
        return true;
    } catch (...) {
        return false;
    }
}

/// Moves `nodes` onto `work`, the first on top, and empties `nodes`.
template <class Node> bool MoveOnto(std::vector<Node*>& nodes, std::vector<ServiceType*>& work) noexcept
{
    if constexpr (std::is_same_v<Node, ServiceType>) {
        if (work.empty()) {
            // The usual chain: the array itself becomes the work list, without allocating.
            work.swap(nodes);
            std::reverse(work.begin(), work.end());
            return true;
        }
    }
    if (!Room(work, nodes.size())) {
        return false;
    }
    work.insert(work.end(), nodes.rbegin(), nodes.rend());
    nodes.clear();
    return true;
}

} // namespace

/// What class a copy must be of to fit its slot.
enum class SlotClass : std::uint8_t { Node, Composite, Wrapper };

struct TreeAccess::Pending {
    ServiceType const* source;
    /// A `ServiceType*`, `CompositeType*` or `AnyTypeServiceType*`, as `slotClass` says.
    void* slot;
    SlotClass slotClass;
    /// A dictionary's values slot, when its keys node is its values node too.
    ServiceType** alias;
};

namespace {

/// Makes `sources` pending into the slots of `targets` (sized alike), the first on top.
template <class Node, class Stack>
void PushAll(std::vector<Node*> const& sources, std::vector<Node*>& targets, SlotClass slotClass, Stack& stack)
{
    stack.reserve(stack.size() + sources.size());
    for (std::size_t i = sources.size(); i-- > 0;) {
        if (sources[i] != nullptr) {
            stack.push_back({sources[i], &targets[i], slotClass, nullptr});
        }
    }
}

} // namespace

bool TreeAccess::HandOver(ServiceType& node, std::vector<ServiceType*>& work) noexcept
{
    switch (node.GetType()) {
    case COMPOSITE:
        if (auto* composite = Exactly<CompositeType>(node)) {
            return MoveOnto(composite->m_Children, work);
        }
        break;
    case COMPOSITE_SEQUENCE:
        // The prototype is a value object: its own destructor releases it.
        if (auto* sequence = Exactly<CompositeSequenceType>(node)) {
            return MoveOnto(sequence->m_Items, work);
        }
        break;
    case ANY_TYPE_SEQUENCE:
        if (auto* sequence = Exactly<AnyTypeSequenceType>(node)) {
            return MoveOnto(sequence->m_Items, work);
        }
        break;
    case ANY_TYPE:
        if (auto* wrapper = Exactly<AnyTypeServiceType>(node)) {
            if (!Room(work, 1)) {
                return false;
            }
            work.push_back(std::exchange(wrapper->m_WrappedNode, nullptr));
        }
        break;
    case DICTIONARY:
        if (auto* dictionary = Exactly<DictionaryType>(node)) {
            if (!Room(work, 2)) {
                return false;
            }
            ServiceType* const keys = std::exchange(dictionary->m_KeysNode, nullptr);
            ServiceType* const values = std::exchange(dictionary->m_ValuesNode, nullptr);
            // Values first, keys on top; one node in both roles goes once.
            if (values != keys) {
                work.push_back(values);
            }
            work.push_back(keys);
        }
        break;
    default:
        break;
    }
    return true;
}

void Demolition::Destroy(ServiceType* node) noexcept
{
    while (node != nullptr) {
        // Should the list not grow, the node goes with its nodes through its own
        // destructor: recursion, but only when memory has run out.
        TreeAccess::HandOver(*node, m_Work);
        delete node;
        node = nullptr;
        while (node == nullptr && !m_Work.empty()) {
            node = m_Work.back();
            m_Work.pop_back();
        }
    }
}

template <class Container> void TreeAccess::Fill(Container& target, Container const& source)
{
    try {
        Stack stack;
        Open(target, source, stack);
        Run(stack);
    } catch (...) {
        // Every copy made hangs in a slot of the target by now.
        Release(target);
        throw;
    }
}

void TreeAccess::CopyContent(CompositeType& target, CompositeType const& source)
{
    Fill(target, source);
}

void TreeAccess::CopyContent(CompositeSequenceType& target, CompositeSequenceType const& source)
{
    Fill(target, source);
}

void TreeAccess::CopyContent(DictionaryType& target, DictionaryType const& source)
{
    Fill(target, source);
}

void TreeAccess::CopyContent(AnyTypeServiceType& target, AnyTypeServiceType const& source)
{
    Fill(target, source);
}

void TreeAccess::CopyContent(AnyTypeSequenceType& target, AnyTypeSequenceType const& source)
{
    Fill(target, source);
}

void TreeAccess::Run(Stack& stack)
{
    // Popped first to last at every level: the copies are made in the order a
    // recursive copy makes them.
    while (!stack.empty()) {
        Pending const pending = stack.back();
        stack.pop_back();
        Make(pending, stack);
    }
}

void TreeAccess::Make(Pending const& pending, Stack& stack)
{
    ServiceType const& source = *pending.source;
    // A container of exactly a library class is made empty and owned by its slot
    // at once; its nodes are then pending. Other nodes copy themselves.
    auto const open = [&stack]<class Container>(Container const* container, auto store) {
        if (container == nullptr) {
            return false;
        }
        Container* const copy = Empty(*container);
        store(copy);
        Open(*copy, *container, stack);
        return true;
    };
    switch (pending.slotClass) {
    case SlotClass::Composite: {
        auto& slot = *static_cast<CompositeType**>(pending.slot);
        auto const& item = static_cast<CompositeType const&>(source);
        if (!open(Exactly<CompositeType const>(item), [&slot](CompositeType* copy) { slot = copy; })) {
            slot = CopyNode(&item);
        }
        return;
    }
    case SlotClass::Wrapper: {
        auto& slot = *static_cast<AnyTypeServiceType**>(pending.slot);
        auto const& wrapper = static_cast<AnyTypeServiceType const&>(source);
        if (!open(Exactly<AnyTypeServiceType const>(wrapper), [&slot](AnyTypeServiceType* copy) { slot = copy; })) {
            slot = CopyNode(&wrapper);
        }
        return;
    }
    case SlotClass::Node:
        break;
    }
    auto const store = [&pending](ServiceType* copy) {
        *static_cast<ServiceType**>(pending.slot) = copy;
        if (pending.alias != nullptr) {
            *pending.alias = copy;
        }
    };
    bool opened = false;
    switch (source.GetType()) {
    case COMPOSITE:
        opened = open(Exactly<CompositeType const>(source), store);
        break;
    case COMPOSITE_SEQUENCE:
        opened = open(Exactly<CompositeSequenceType const>(source), store);
        break;
    case DICTIONARY:
        opened = open(Exactly<DictionaryType const>(source), store);
        break;
    case ANY_TYPE:
        opened = open(Exactly<AnyTypeServiceType const>(source), store);
        break;
    case ANY_TYPE_SEQUENCE:
        opened = open(Exactly<AnyTypeSequenceType const>(source), store);
        break;
    default:
        break;
    }
    if (!opened) {
        store(source.Copy());
    }
}

void TreeAccess::Open(CompositeType& target, CompositeType const& source, Stack& stack)
{
    target.m_Children.assign(source.m_Children.size(), nullptr);
    PushAll(source.m_Children, target.m_Children, SlotClass::Node, stack);
}

void TreeAccess::Open(CompositeSequenceType& target, CompositeSequenceType const& source, Stack& stack)
{
    target.m_Items.assign(source.m_Items.size(), nullptr);
    PushAll(source.m_Items, target.m_Items, SlotClass::Composite, stack);
}

void TreeAccess::Open(DictionaryType& target, DictionaryType const& source, Stack& stack)
{
    ServiceType const* const keys = source.m_KeysNode;
    ServiceType const* const values = source.m_ValuesNode;
    // Keys on top, copied first; one node in both roles is copied once and stays shared.
    if (values != nullptr && values != keys) {
        stack.push_back({values, &target.m_ValuesNode, SlotClass::Node, nullptr});
    }
    if (keys != nullptr) {
        stack.push_back({keys, &target.m_KeysNode, SlotClass::Node, values == keys ? &target.m_ValuesNode : nullptr});
    }
}

void TreeAccess::Open(AnyTypeServiceType& target, AnyTypeServiceType const& source, Stack& stack)
{
    if (source.m_WrappedNode != nullptr) {
        stack.push_back({source.m_WrappedNode, &target.m_WrappedNode, SlotClass::Node, nullptr});
    }
}

void TreeAccess::Open(AnyTypeSequenceType& target, AnyTypeSequenceType const& source, Stack& stack)
{
    target.m_Items.assign(source.m_Items.size(), nullptr);
    PushAll(source.m_Items, target.m_Items, SlotClass::Wrapper, stack);
}

void TreeAccess::Release(CompositeType& target) noexcept
{
    DestroyNodes(target.m_Children);
}

void TreeAccess::Release(CompositeSequenceType& target) noexcept
{
    DestroyNodes(target.m_Items);
}

void TreeAccess::Release(DictionaryType& target) noexcept
{
    target.DestroyNodes();
}

void TreeAccess::Release(AnyTypeServiceType& target) noexcept
{
    DestroyTree(std::exchange(target.m_WrappedNode, nullptr));
}

void TreeAccess::Release(AnyTypeSequenceType& target) noexcept
{
    DestroyNodes(target.m_Items);
}

CompositeType* TreeAccess::Empty(CompositeType const& source)
{
    return new CompositeType(source.m_ParamName);
}

CompositeSequenceType* TreeAccess::Empty(CompositeSequenceType const& source)
{
    // The sequence owns the prototype's copy from the call on, even if it fails.
    return new CompositeSequenceType(source.m_ParamName, CopyNode(source.m_ItemPrototype));
}

DictionaryType* TreeAccess::Empty(DictionaryType const& source)
{
    return new DictionaryType(source.m_ParamName);
}

AnyTypeServiceType* TreeAccess::Empty(AnyTypeServiceType const& source)
{
    return new AnyTypeServiceType(nullptr, source.m_ParamName);
}

AnyTypeSequenceType* TreeAccess::Empty(AnyTypeSequenceType const& source)
{
    return new AnyTypeSequenceType(source.m_ParamName);
}

} // namespace Tarnwick::Detail
