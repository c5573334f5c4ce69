#pragma once

// Reading an encoded tree back through libxml2: the texts and child elements
// of an element. Shared by the round-trip tests and the encoder's fuzz target.

#include <libxml/tree.h>

#include <string>
#include <vector>

namespace XmlReadBack {

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

} // namespace XmlReadBack
