#pragma once

// Typed access to the nodes the encoder walks. Internal to the library.

#include "datatypes/KindTable.h"
#include "encoding/Failures.h"

#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <memory>
#include <string>
#include <typeinfo>

namespace Tarnwick::Encoding::Detail {

/// `node` as the class its type code names. The exact class is the common case
/// and costs one comparison; derived classes (callers' own nodes) take the
/// dynamic_cast. A node whose class does not match its code is refused with
/// `raise` rather than read as something it is not.
template <class Node, class Raise> Node const& As(DataTypes::ServiceType const* node, Raise raise)
{
    if (typeid(*node) == typeid(Node)) {
        return *static_cast<Node const*>(node);
    }
    if (auto const* typed = dynamic_cast<Node const*>(node)) {
        return *typed;
    }
    raise();
    // `raise` throws; its [[noreturn]] does not travel with the function pointer.
    __builtin_unreachable();
}

/// Calls `visit.template operator()<T>()` for the primitive T whose sequence code is
/// `code`; false when `code` is no primitive sequence code.
template <class Visit> bool VisitPrimitiveSequence(std::int32_t code, Visit&& visit)
{
    return DataTypes::VisitKind(code, [&]<class K>() {
        if constexpr (DataTypes::PrimitiveSequenceKind<K>) {
            visit.template operator()<DataTypes::ValueOf<K>>();
            return true;
        } else {
            return false;
        }
    });
}

/// The shape of the items of a composite sequence, for the reader and the schema alike: the
/// prototype's empty item when it has children (kept in `holder`), else its first item,
/// else none (shape-free).
inline DataTypes::ServiceType const* ItemShape(
    DataTypes::CompositeSequenceType const& prototype, std::unique_ptr<DataTypes::ServiceType>& holder)
{
    holder.reset(prototype.CreateEmptyItem());
    if (auto const* item = dynamic_cast<DataTypes::CompositeType const*>(holder.get());
        item != nullptr && item->Size() != 0) {
        return item;
    }
    holder.reset();
    if (prototype.BeginIterator() != prototype.EndIterator()) {
        return *prototype.BeginIterator();
    }
    return nullptr;
}

} // namespace Tarnwick::Encoding::Detail
