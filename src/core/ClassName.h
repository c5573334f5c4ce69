#pragma once

// Run-time class names as raise sites report them. Internal to the library.

#include <string>
#include <typeinfo>

namespace Tarnwick::Detail {

/// The demangled name in the form "class " + qualified name, which
/// `Utils::Conversion::ConvertClassId` turns into the visible class name.
std::string RuntimeTypeName(std::type_info const& type);

/// The fully qualified class name, for example "Tarnwick::DataTypes::AnyType".
std::u16string ClassName(std::type_info const& type);

/// The class name of an object's dynamic type (its static type when it has no
/// virtual operations).
template <class T> std::u16string ClassNameOf(T const& object)
{
    return ClassName(typeid(object));
}

} // namespace Tarnwick::Detail
