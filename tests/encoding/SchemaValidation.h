#pragma once

// Validation through libxml2's XML Schema support, shared by the schema and
// tolerant-reading tests, and the encoding as the schema tests send it.

#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlEncoder.h>
#include <tarnwick/encoding/XmlSchema.h>

#include "XmlReadBack.h"

#include <libxml/xmlschemas.h>

#include <sstream>
#include <string>

namespace SchemaValidation {

/// Appends each libxml2 message to the string at `room`; the error's type is left
/// to deduction, as libxml2 versions differ in its constness.
template <class Error> void Collect(void* room, Error* error)
{
    if (error != nullptr && error->message != nullptr) {
        *static_cast<std::string*>(room) += error->message;
    }
}

/// One schema, parsed once; texts validated against it one by one.
class Validator {
public:
    explicit Validator(std::string const& schema)
    {
        xmlSchemaParserCtxtPtr const parser = xmlSchemaNewMemParserCtxt(schema.data(), static_cast<int>(schema.size()));
        xmlSchemaSetParserStructuredErrors(parser, Collect, &m_Errors);
        m_Schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
    }
    Validator(Validator const&) = delete;
    Validator& operator=(Validator const&) = delete;
    ~Validator()
    {
        if (m_Schema != nullptr) {
            xmlSchemaFree(m_Schema);
        }
    }

    /// Whether the schema itself was read without an error.
    bool Parsed() const { return m_Schema != nullptr; }
    /// Whether `text` is well-formed (namespaces included) and valid; why not in `Errors()`.
    bool Valid(std::string const& text)
    {
        m_Errors.clear();
        XmlReadBack::Document const document = XmlReadBack::Parse(text);
        if (document == nullptr || m_Schema == nullptr) {
            m_Errors += "not read";
            return false;
        }
        xmlSchemaValidCtxtPtr const context = xmlSchemaNewValidCtxt(m_Schema);
        xmlSchemaSetValidStructuredErrors(context, Collect, &m_Errors);
        int const result = xmlSchemaValidateDoc(context, document.get());
        xmlSchemaFreeValidCtxt(context);
        return result == 0;
    }
    std::string const& Errors() const { return m_Errors; }

private:
    xmlSchemaPtr m_Schema = nullptr;
    std::string m_Errors;
};

inline std::string SchemaOf(Tarnwick::DataTypes::ServiceType const& prototype)
{
    std::ostringstream out;
    Tarnwick::Encoding::XmlSchema::Write(out, prototype);
    return out.str();
}

inline std::string MessageSchemaOf(Tarnwick::DataTypes::ServiceType const& prototype)
{
    std::ostringstream out;
    Tarnwick::Encoding::XmlSchema::WriteMessage(out, prototype);
    return out.str();
}

/// The text a peer that checks messages against the schema receives.
inline std::string EncodeStandard(Tarnwick::DataTypes::ServiceType const& tree)
{
    std::string text;
    Tarnwick::Encoding::XmlEncoder::Encode(text, &tree, 2, Tarnwick::Encoding::XmlEncoderOptions::Standard());
    return text;
}

/// The same as a whole message.
inline std::string EncodeStandardMessage(
    Tarnwick::ServiceMessage const& header, Tarnwick::DataTypes::ServiceType const& tree)
{
    std::string text;
    Tarnwick::Encoding::XmlEncoder::EncodeMessage(
        text, header, &tree, 2, Tarnwick::Encoding::XmlEncoderOptions::Standard());
    return text;
}

} // namespace SchemaValidation
