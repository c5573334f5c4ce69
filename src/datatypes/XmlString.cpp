#include <tarnwick/datatypes/XmlString.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

XmlString::XmlString(std::u16string const& value, std::u16string const& name)
    : ScalarType(value, name)
{ }

XmlString::XmlString(XmlString const& other) = default;
XmlString& XmlString::operator=(XmlString const& other) = default;
XmlString::XmlString(XmlString&& other) noexcept = default;
XmlString& XmlString::operator=(XmlString&& other) noexcept = default;
XmlString::~XmlString() = default;

ParamType XmlString::GetType() const
{
    return XML_STRING;
}

ServiceType* XmlString::Copy() const
{
    return new XmlString(*this);
}

std::unique_ptr<XmlString> XmlString::Clone() const
{
    return Detail::CloneOf(*this);
}

} // namespace Tarnwick::DataTypes
