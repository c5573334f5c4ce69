#pragma once

// The tree shape of the two message payloads: a composite whose first child is a
// scalar. Internal to the library.

#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/ScalarType.h>

#include <memory>
#include <string>

namespace Tarnwick::Detail {

/// A new composite named `name` with one scalar child `childName` holding `value`.
template <class T>
DataTypes::ServiceType* StoreCompositePayload(
    std::u16string const& name, std::u16string const& childName, T const& value)
{
    auto composite = std::make_unique<DataTypes::CompositeType>(name);
    composite->Add(new DataTypes::ScalarType<T>(value, childName)); // Add owns it even if it fails
    return composite.release();
}

/// The first child of a composite root when it is a plain `ScalarType<T>` (its code
/// the scalar code of T, so an XML string is no text here); null for any other shape.
template <class T> DataTypes::ScalarType<T> const* FirstScalarChild(DataTypes::ServiceType const* tree)
{
    auto const* composite = tree != nullptr && tree->GetType() == DataTypes::COMPOSITE
        ? dynamic_cast<DataTypes::CompositeType const*>(tree)
        : nullptr;
    if (composite == nullptr || composite->Size() == 0) {
        return nullptr;
    }
    DataTypes::ServiceType const* const child = *composite->BeginIterator();
    if (child == nullptr || child->GetType() != DataTypes::ScalarCodeOf<T>) {
        return nullptr;
    }
    return dynamic_cast<DataTypes::ScalarType<T> const*>(child);
}

} // namespace Tarnwick::Detail
