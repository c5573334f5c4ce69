#pragma once

// Typed access to the nodes the encoder walks. Internal to the library.

#include "encoding/Failures.h"

#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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

/// The `type` attribute names of any-type elements by code; empty where a code has none.
inline constexpr std::array<std::string_view, 35> kStrTypes = {"", "", "string", "boolean", "int8", "uint8", "int16",
    "uint16", "int32", "uint32", "int64", "uint64", "float", "double", "string_seq", "boolean_seq", "int8_seq",
    "uint8_seq", "int16_seq", "uint16_seq", "int32_seq", "uint32_seq", "int64_seq", "uint64_seq", "float_seq",
    "double_seq", "", "", "", "", "xml_string", "time_stamp", "", "time_duration", ""};

template <class... T> struct TypeList { };

/// The twelve element types of the primitive scalar and sequence nodes.
using Primitives = TypeList<std::u16string, bool, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t, std::int32_t,
    std::uint32_t, std::int64_t, std::uint64_t, float, double>;

template <bool Sequence, class Visit, class... T> bool VisitPrimitiveOf(std::int32_t code, Visit& visit, TypeList<T...>)
{
    return ((code
                == (Sequence ? DataTypes::SequenceCodeOf<T> : DataTypes::ScalarCodeOf<T>)&&(
                    visit.template operator()<T>(), true))
        || ...);
}

/// Calls `visit.template operator()<T>()` for the primitive T whose scalar code
/// is `code`; false when `code` is no primitive scalar code.
template <class Visit> bool VisitPrimitive(std::int32_t code, Visit&& visit)
{
    return VisitPrimitiveOf<false>(code, visit, Primitives {});
}

/// The same for the sequence codes. Compared, not derived by subtracting 12,
/// since a caller's node may answer any 32-bit code, the most negative included.
template <class Visit> bool VisitPrimitiveSequence(std::int32_t code, Visit&& visit)
{
    return VisitPrimitiveOf<true>(code, visit, Primitives {});
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
