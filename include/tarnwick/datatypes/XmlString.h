#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ScalarType.h>

#include <string>
#include <memory>

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
    /// Takes the name and the value over (text without a copy); the source is
    /// left with the empty name.
    XmlString(XmlString&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    XmlString& operator=(XmlString&& other) noexcept;
    ~XmlString() override;

    /// XML_STRING.
    ParamType GetType() const override;
    /// A new `XmlString`, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to an XML fragment node.
    std::unique_ptr<XmlString> Clone() const;
};

} // namespace Tarnwick::DataTypes
