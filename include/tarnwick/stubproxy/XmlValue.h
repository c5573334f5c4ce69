#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <string>
#include <memory>

namespace Tarnwick::DataTypes {

class ServiceType;

/// A fragment of XML held as one wide string, unparsed and unchecked. It travels
/// in a parameter tree as an `XmlString` node, which the encoder writes as markup.
class TARNWICK_EXPORT XmlValue : public StubProxy::UserParameters {
public:
    /// The empty text.
    XmlValue();
    /// Copies the parameter name and the text.
    XmlValue(XmlValue const& other);
    /// Copies the text only: the target keeps its own parameter name.
    XmlValue& operator=(XmlValue const& other);
    /// Takes the parameter name and the text over without copying the text; the
    /// source is left with the empty name and the empty text.
    XmlValue(XmlValue&& other) noexcept;
    /// Takes the text over (the source's becomes empty); both keep their names.
    XmlValue& operator=(XmlValue&& other) noexcept;
    ~XmlValue() override;

    /// A copy of the text.
    std::u16string AsString() const;
    /// Replaces the text; any text is accepted, well-formed or not.
    void SetString(std::u16string const& text);

    /// A new `XmlValue` with the same parameter name and text, owned by the caller.
    StubProxy::UserParameters* Copy() const override;
    /// `Copy()` as an owning pointer to an XML value.
    std::unique_ptr<XmlValue> Clone() const;
    /// A new `XmlString` node with a copy of the text, named `name` (empty when null).
    ServiceType* StoreTo(char16_t const* name) override;
    /// Takes the text of an `XmlString` node (the node's name is not read). Any
    /// other node, a plain STRING included, throws "Unsupported service type"
    /// (line 63) and leaves the text unchanged.
    void InitFrom(ServiceType* tree) override;

private:
    std::u16string m_Text;
};

} // namespace Tarnwick::DataTypes
