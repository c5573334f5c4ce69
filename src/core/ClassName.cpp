#include "core/ClassName.h"

#include <tarnwick/core/Conversion.h>

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace Tarnwick::Detail {

std::string RuntimeTypeName(std::type_info const& type)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    std::string name = "class ";
    name += (status == 0 && demangled) ? demangled.get() : type.name();
    return name;
}

std::u16string ClassName(std::type_info const& type)
{
    return Utils::Conversion::ConvertClassId(RuntimeTypeName(type).c_str());
}

} // namespace Tarnwick::Detail
