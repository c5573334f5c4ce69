#pragma once

// Reading an encoded text back through libxml2: the document, an element's
// name, attributes, text and child elements, and the UTF-8 a wide text reads
// back as. Shared by the encoder's tests and its fuzz target.

#include "core/ReferenceUtf8.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace XmlReadBack {

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

/// The document libxml2 reads from `text` (no network, no messages, no size
/// limits), or null when it refuses the text.
inline Document Parse(std::string const& text, char const* url = "message.xml")
{
    return Document(xmlReadMemory(text.data(), static_cast<int>(text.size()), url, nullptr,
                        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE),
        &xmlFreeDoc);
}

/// The element's name, in UTF-8.
inline std::string Name(xmlNode const* element)
{
    return reinterpret_cast<char const*>(element->name);
}

/// The value of the element's attribute `name`, if it has one.
inline std::optional<std::string> Attribute(xmlNode const* element, char const* name)
{
    xmlChar* const value = xmlGetProp(element, reinterpret_cast<xmlChar const*>(name));
    if (value == nullptr) {
        return std::nullopt;
    }
    std::string text(reinterpret_cast<char const*>(value));
    xmlFree(value);
    return text;
}

/// The text content of an element, as the parser read it.
inline std::string Text(xmlNode const* element)
{
    xmlChar* const content = xmlNodeGetContent(element);
    std::string text(content != nullptr ? reinterpret_cast<char const*>(content) : "");
    xmlFree(content);
    return text;
}

/// The child elements of `parent`, in document order (texts and comments skipped).
inline std::vector<xmlNode const*> Elements(xmlNode const* parent)
{
    std::vector<xmlNode const*> elements;
    for (xmlNode const* child = parent->children; child != nullptr; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            elements.push_back(child);
        }
    }
    return elements;
}

/// The UTF-8 the encoder writes for wide text, worked out apart from the
/// library: surrogate pairs joined, lone surrogates as U+FFFD, the unit 0 left out.
inline std::string Utf8(std::u16string const& text)
{
    std::string bytes = TarnwickTest::ReferenceUtf8(text);
    std::erase(bytes, '\0'); // only the unit 0 gives the byte 0
    return bytes;
}

} // namespace XmlReadBack
