// Built against the installed library only: its headers, its CMake package or
// its pkg-config file, and libtarnwick.so.
#include <tarnwick/tarnwick.h>

#include <cstdio>

int main()
{
    try {
        Tarnwick::DataTypes::ServiceType::GetServiceTypeName(static_cast<Tarnwick::DataTypes::ParamType>(35));
    } catch (Tarnwick::ServiceException const& e) {
        auto const text = Tarnwick::Utils::Conversion::WstringToString(e.ToString());
        std::puts(text.c_str());
        return text == "Exception: Tarnwick::DataTypes::ServiceType line 124 - Unsupported type" ? 0 : 1;
    }
    return 1;
}
