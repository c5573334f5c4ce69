#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ScalarType.h>

#include <string>

namespace Tarnwick::DataTypes {

/// A fragment of XML text, stored unchanged (neither checked nor escaped); the
/// encoder writes it as raw markup.
class TARNWICK_EXPORT XmlString : public ScalarType<std::u16string> {
public:
    /// A node named `name` holding `value` unchanged.
    XmlString(std::u16string const& value, std::u16string const& name);
    /// Copies name and value.
    /// @{
    XmlString(XmlString const& other);
    XmlString& operator=(XmlString const& other);
    /// @}
    ~XmlString() override;

    /// XML_STRING.
    ParamType GetType() const override;
    /// A new `XmlString`, owned by the caller.
    ServiceType* Copy() const override;
};

} // namespace Tarnwick::DataTypes
