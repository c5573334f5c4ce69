#include "datatypes/TreeWalk.h"

#include "datatypes/KindTable.h"
#include "datatypes/OwnedNodes.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>

#include <algorithm>
#include <typeinfo>
#include <utility>

namespace Tarnwick::Detail {

using namespace DataTypes;

namespace {

/// Calls `visit.template operator()<Node>()` with the container class of `code`'s row;
/// false for the codes of other kinds.
template <class Visit> bool VisitContainer(std::int32_t code, Visit&& visit)
{
    return VisitKind(code, [&]<class K>() {
        if constexpr (K::content == Content::Container) {
            visit.template operator()<typename K::Node>();
            return true;
        } else {
            return false;
        }
    });
}

/// The code of `node` when it is of exactly one of the container classes (a derived
/// class is not: its own code must see its nodes), else NULL_TYPE. The library's
/// classes have their type information in the library, one object each, so its
/// address tells them without a call.
ParamType ContainerCode(ServiceType const& node) noexcept
{
    std::type_info const* const type = &typeid(node);
    ParamType code = NULL_TYPE;
    [&]<std::int32_t... I>(std::integer_sequence<std::int32_t, I...>)
    {
        static_cast<void>(((Kind<static_cast<ParamType>(I)>::content == Content::Container
                               && type == &typeid(typename Kind<static_cast<ParamType>(I)>::Node)
                               && (code = static_cast<ParamType>(I), true))
            || ...));
    }
    (std::make_integer_sequence<std::int32_t, kKindCount> {});
    return code;
}

/// Room for one more element, growing geometrically.
template <class T> void RoomForOne(std::vector<T>& items)
{
    if (items.size() == items.capacity()) {
        items.reserve(std::max<std::size_t>(16, 2 * items.capacity()));
    }
}

} // namespace

struct TreeAccess::Pending {
    /// The copy, of the class `code` names, and its source.
    ServiceType* target;
    ServiceType const* source;
    ParamType code;
};

// ---------------------------------------------------------------------------
// Copying

template <class Container> void TreeAccess::Fill(Container& target, Container const& source)
{
    try {
        Stack stack;
        Open(target, source, stack);
        while (!stack.empty()) {
            Pending const pending = stack.back();
            stack.pop_back();
            Open(pending, stack);
        }
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

template <class Container, class Slot> void TreeAccess::Defer(Container const& source, Slot*& slot, Stack& stack)
{
    // Room first, so that the empty copy is pending as soon as the slot owns it.
    RoomForOne(stack);
    Container* const copy = Empty(source);
    slot = copy;
    stack.push_back({copy, &source, source.GetType()});
}

template <class Slot> void TreeAccess::CopyInto(Slot*& slot, Slot const* source, Stack& stack)
{
    if (source == nullptr) {
        return;
    }
    ParamType const code = ContainerCode(*source);
    if constexpr (std::is_same_v<Slot, ServiceType>) {
        bool const deferred = VisitContainer(
            code, [&]<class Container>() { Defer(static_cast<Container const&>(*source), slot, stack); });
        if (!deferred) {
            slot = source->Copy();
        }
    } else {
        // Items of a sequence: of exactly their slot's class, or of a caller's
        // class, whose `Copy()` may answer another (taken care of by `CopyNode`).
        if (code != NULL_TYPE) {
            Defer(*source, slot, stack);
        } else {
            slot = CopyNode(source);
        }
    }
}

void TreeAccess::Open(Pending const& pending, Stack& stack)
{
    VisitContainer(pending.code, [&]<class Container>() {
        Open(static_cast<Container&>(*pending.target), static_cast<Container const&>(*pending.source), stack);
    });
}

namespace {

/// Copies `sources` into `targets` (sized alike, all null) with `copyInto`, the
/// first container among them left on top of the stack, so that the containers
/// are filled first to last.
template <class Node, class Stack, class CopyInto>
void CopyAll(std::vector<Node*> const& sources, std::vector<Node*>& targets, Stack& stack, CopyInto copyInto)
{
    std::size_t const first = stack.size();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        copyInto(targets[i], sources[i]);
    }
    std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(first), stack.end());
}

} // namespace

template <class Node> void TreeAccess::Open(OwnedList<Node>& target, OwnedList<Node> const& source, Stack& stack)
{
    target.m_Nodes.assign(source.m_Nodes.size(), nullptr);
    CopyAll(source.m_Nodes, target.m_Nodes, stack,
        [&stack](Node*& slot, Node const* node) { CopyInto(slot, node, stack); });
}

void TreeAccess::Open(DictionaryType& target, DictionaryType const& source, Stack& stack)
{
    std::size_t const first = stack.size();
    CopyInto(target.m_KeysNode, source.m_KeysNode, stack);
    // One node in both roles is copied once and stays shared.
    if (source.m_ValuesNode == source.m_KeysNode) {
        target.m_ValuesNode = target.m_KeysNode;
    } else {
        CopyInto(target.m_ValuesNode, source.m_ValuesNode, stack);
    }
    std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(first), stack.end());
}

void TreeAccess::Open(AnyTypeServiceType& target, AnyTypeServiceType const& source, Stack& stack)
{
    CopyInto(target.m_WrappedNode, source.m_WrappedNode, stack);
}

template <class Node> void TreeAccess::Release(OwnedList<Node>& target) noexcept
{
    target.DestroyNodes();
}

void TreeAccess::Release(DictionaryType& target) noexcept
{
    target.DestroyNodes();
}

void TreeAccess::Release(AnyTypeServiceType& target) noexcept
{
    DestroyTree(std::exchange(target.m_WrappedNode, nullptr));
}

CompositeType* TreeAccess::Empty(CompositeType const& source)
{
    return new CompositeType(source.GetParamNameRef());
}

CompositeSequenceType* TreeAccess::Empty(CompositeSequenceType const& source)
{
    // The sequence owns the prototype's copy from the call on, even if it fails.
    return new CompositeSequenceType(source.GetParamNameRef(), CopyNode(source.m_ItemPrototype));
}

DictionaryType* TreeAccess::Empty(DictionaryType const& source)
{
    return new DictionaryType(source.GetParamNameRef());
}

AnyTypeServiceType* TreeAccess::Empty(AnyTypeServiceType const& source)
{
    return new AnyTypeServiceType(nullptr, source.GetParamNameRef());
}

AnyTypeSequenceType* TreeAccess::Empty(AnyTypeSequenceType const& source)
{
    return new AnyTypeSequenceType(source.GetParamNameRef());
}

// ---------------------------------------------------------------------------
// Destroying

void TreeAccess::Dismantle(ServiceType& container, Demolition& demolition) noexcept
{
    VisitContainer(ContainerCode(container),
        [&]<class Container>() { TakeNodes(static_cast<Container&>(container), demolition); });
}

template <class Node> void TreeAccess::TakeNodes(OwnedList<Node>& container, Demolition& demolition) noexcept
{
    // A sequence's prototype is a value object: the sequence's own destructor releases it.
    for (Node* node : container.m_Nodes) {
        demolition.Take(node);
    }
    container.m_Nodes.clear();
}

void TreeAccess::TakeNodes(DictionaryType& container, Demolition& demolition) noexcept
{
    ServiceType* const keys = std::exchange(container.m_KeysNode, nullptr);
    ServiceType* const values = std::exchange(container.m_ValuesNode, nullptr);
    // One node in both roles goes once.
    if (values != keys) {
        demolition.Take(values);
    }
    demolition.Take(keys);
}

void TreeAccess::TakeNodes(AnyTypeServiceType& container, Demolition& demolition) noexcept
{
    demolition.Take(std::exchange(container.m_WrappedNode, nullptr));
}

void Demolition::Take(ServiceType* node) noexcept
{
    if (node != nullptr && (ContainerCode(*node) == NULL_TYPE || !Keep(node))) {
        delete node;
    }
}

bool Demolition::Keep(ServiceType* container) noexcept
{
    try {
        RoomForOne(m_Work);
    } catch (...) {
        // Out of memory for the list: the container goes with its nodes through
        // its own destructor, which recurses.
        return false;
    }
    m_Work.push_back(container);
    return true;
}

void Demolition::Destroy(ServiceType* node) noexcept
{
    Take(node);
    Finish();
}

void Demolition::Finish() noexcept
{
    while (!m_Work.empty()) {
        ServiceType* const container = m_Work.back();
        m_Work.pop_back();
        TreeAccess::Dismantle(*container, *this);
        delete container;
    }
}

} // namespace Tarnwick::Detail
