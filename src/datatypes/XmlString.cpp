#include <tarnwick/datatypes/XmlString.h>

namespace Tarnwick::DataTypes {

XmlString::XmlString(std::u16string const& value, std::u16string const& name)
    : ScalarType(value, name)
{ }

XmlString::XmlString(XmlString const& other) = default;
XmlString& XmlString::operator=(XmlString const& other) = default;
XmlString::~XmlString() = default;

ParamType XmlString::GetType() const
{
    return XML_STRING;
}

ServiceType* XmlString::Copy() const
{
    return new XmlString(*this);
}

} // namespace Tarnwick::DataTypes
