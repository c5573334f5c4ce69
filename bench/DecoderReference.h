#pragma once

// The decoder benchmarks' workload and peers: the encoder's reference message
// as text, the tree it came from as the decoder's prototype, and one plain walk
// (a template over three DOM libraries) that builds the same Tarnwick tree and
// header from a parsed document, as a hand-written receiver of this one message
// shape would.

#include "EncoderReference.h"
#include "TextReading.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <charconv>
#include <string_view>
#include <utility>

namespace DecoderBench {

using namespace EncoderBench;
using BenchText::Number;
using BenchText::Utf16;
using Tarnwick::DataTypes::CompositeType;
using Tarnwick::DataTypes::DictionaryType;
using Tarnwick::DataTypes::ScalarType;
using Tarnwick::DataTypes::SequenceType;

/// The text to decode and the tree it was written from (the prototype).
struct Reference {
    std::vector<Record> records = MakeRecords();
    std::unique_ptr<CompositeType> prototype = MakeTree(records);
    std::string text = EncodeTarnwick(MakeHeader(), *prototype);
};

/// What one decode hands back: the header and the parameter tree.
struct Decoded {
    Tarnwick::ServiceMessage header;
    std::unique_ptr<Tarnwick::DataTypes::ServiceType> tree;
};

/// The library's own decoder: parse, header, tree typed by the prototype.
inline Decoded DecodeTarnwick(std::string_view text, Tarnwick::DataTypes::ServiceType const& prototype)
{
    Tarnwick::Encoding::XmlDecoder const decoder(text);
    Decoded decoded;
    decoder.DecodeHeader(decoded.header);
    decoded.tree = decoder.DecodeTree(prototype);
    return decoded;
}

// ---- what every walk shares: text to the tree's value types ----

template <class T> T Value(std::string_view text)
{
    if constexpr (std::is_same_v<T, std::u16string>) {
        return Utf16(text);
    } else if constexpr (std::is_same_v<T, bool>) {
        return text == "true";
    } else {
        return Number<T>(text);
    }
}

// ---- the three DOMs seen through one interface ----

struct Pugixml {
    using Node = pugi::xml_node;
    static Node First(Node node) { return node.first_child(); }
    static Node Next(Node node) { return node.next_sibling(); }
    static bool Valid(Node node) { return !node.empty(); }
    static std::string_view Name(Node node) { return node.name(); }
    static std::string_view Text(Node node) { return node.child_value(); }
    static std::string_view Attribute(Node node, char const* name) { return node.attribute(name).value(); }
};

struct Tinyxml2 {
    using Node = tinyxml2::XMLElement const*;
    static Node First(Node node) { return node->FirstChildElement(); }
    static Node Next(Node node) { return node->NextSiblingElement(); }
    static bool Valid(Node node) { return node != nullptr; }
    static std::string_view Name(Node node) { return node->Name(); }
    static std::string_view Text(Node node)
    {
        char const* text = node->GetText();
        return text != nullptr ? text : "";
    }
    static std::string_view Attribute(Node node, char const* name)
    {
        char const* value = node->Attribute(name);
        return value != nullptr ? value : "";
    }
};

struct Libxml2 {
    using Node = xmlNode const*;
    static Node Element(Node node)
    {
        while (node != nullptr && node->type != XML_ELEMENT_NODE) {
            node = node->next;
        }
        return node;
    }
    static Node First(Node node) { return Element(node->children); }
    static Node Next(Node node) { return Element(node->next); }
    static bool Valid(Node node) { return node != nullptr; }
    static std::string_view Name(Node node) { return reinterpret_cast<char const*>(node->name); }
    // The encoder's text is one text node (entities are replaced into it).
    static std::string_view Text(Node node)
    {
        Node text = node->children;
        return text != nullptr && text->type == XML_TEXT_NODE ? reinterpret_cast<char const*>(text->content) : "";
    }
    static std::string_view Attribute(Node node, char const* name)
    {
        for (xmlAttr const* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
            xmlNode const* value = attribute->children;
            if (std::string_view(reinterpret_cast<char const*>(attribute->name)) == name && value != nullptr
                && value->type == XML_TEXT_NODE) {
                return reinterpret_cast<char const*>(value->content);
            }
        }
        return "";
    }
};

// ---- the walk: the message's shape written out by hand ----

template <class Dom, class T> std::vector<T> Items(typename Dom::Node node)
{
    std::vector<T> values;
    for (auto item = Dom::First(node); Dom::Valid(item); item = Dom::Next(item)) {
        values.push_back(Value<T>(Dom::Text(item)));
    }
    return values;
}

template <class Dom> DictionaryType* Stock(typename Dom::Node node, std::u16string name)
{
    std::vector<std::u16string> keys;
    std::vector<std::int32_t> values;
    for (auto item = Dom::First(node); Dom::Valid(item); item = Dom::Next(item)) {
        auto const key = Dom::First(item);
        keys.push_back(Utf16(Dom::Text(key)));
        values.push_back(Number<std::int32_t>(Dom::Text(Dom::Next(key))));
    }
    auto* dictionary = new DictionaryType(name);
    dictionary->SetKeys(new SequenceType<std::u16string>(keys, u"keys"));
    dictionary->SetValues(new SequenceType<std::int32_t>(values, u"values"));
    return dictionary;
}

template <class Dom> Tarnwick::DataTypes::ServiceType* Field(typename Dom::Node node)
{
    std::string_view const tag = Dom::Name(node);
    std::u16string name = Utf16(tag);
    if (tag == "id") {
        return new ScalarType<std::int32_t>(Number<std::int32_t>(Dom::Text(node)), name);
    } else if (tag == "name") {
        return new ScalarType<std::u16string>(Utf16(Dom::Text(node)), name);
    } else if (tag == "balance") {
        return new ScalarType<double>(Number<double>(Dom::Text(node)), name);
    } else if (tag == "active") {
        return new ScalarType<bool>(Dom::Text(node) == "true", name);
    } else if (tag == "codes") {
        return new SequenceType<std::int16_t>(Items<Dom, std::int16_t>(node), name);
    } else if (tag == "tags") {
        return new SequenceType<std::u16string>(Items<Dom, std::u16string>(node), name);
    }
    return Stock<Dom>(node, std::move(name));
}

/// The header and the tree from the `msg` element of a parsed document.
template <class Dom> Decoded Walk(typename Dom::Node msg)
{
    Decoded decoded;
    decoded.header.SetMsgType(Number<std::int32_t>(Dom::Attribute(msg, "MsgType")));
    decoded.header.SetMsgCorrelationId(Number<std::uint32_t>(Dom::Attribute(msg, "MsgCorrelationId")));
    decoded.header.SetMsgOrderId(Number<std::uint32_t>(Dom::Attribute(msg, "MsgOrderId")));
    decoded.header.SetSessionId(Number<std::uint32_t>(Dom::Attribute(msg, "SessionId")));
    decoded.header.SetConsumerAddress(Utf16(Dom::Attribute(msg, "ConsumerAddress")));
    decoded.header.SetProducerAddress(Utf16(Dom::Attribute(msg, "ProducerAddress")));
    decoded.header.SetOperationName(Utf16(Dom::Attribute(msg, "OperationName")));
    decoded.header.SetParametersTypeName(Utf16(Dom::Attribute(msg, "ParametersTypeName")));
    auto const root = Dom::First(msg);
    auto tree = std::make_unique<CompositeType>(Utf16(Dom::Name(root)));
    for (auto record = Dom::First(root); Dom::Valid(record); record = Dom::Next(record)) {
        auto* composite = new CompositeType(Utf16(Dom::Name(record)));
        tree->Add(composite);
        for (auto field = Dom::First(record); Dom::Valid(field); field = Dom::Next(field)) {
            composite->Add(Field<Dom>(field));
        }
    }
    decoded.tree = std::move(tree);
    return decoded;
}

// ---- parse (+ walk) per library; the document lives for the call only ----

/// pugixml's parse alone (its default options, from a copy of the text, as the decoder's).
inline bool ParsePugixml(std::string_view text)
{
    pugi::xml_document document;
    return static_cast<bool>(document.load_buffer(text.data(), text.size()));
}

inline Decoded WalkPugixml(std::string_view text)
{
    pugi::xml_document document;
    document.load_buffer(text.data(), text.size());
    return Walk<Pugixml>(document.document_element());
}

inline Decoded WalkTinyxml2(std::string_view text)
{
    tinyxml2::XMLDocument document;
    document.Parse(text.data(), text.size());
    return Walk<Tinyxml2>(document.RootElement());
}

inline Decoded WalkLibxml2(std::string_view text)
{
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> const document(
        xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, XML_PARSE_NONET), xmlFreeDoc);
    return Walk<Libxml2>(xmlDocGetRootElement(document.get()));
}

/// Equal trees and headers, so that a walk is known to build what the decoder builds.
inline bool SameAs(Decoded const& a, Decoded const& b)
{
    std::ostringstream left;
    std::ostringstream right;
    Tarnwick::Encoding::XmlEncoder::EncodeHeader(left, &a.header);
    Tarnwick::Encoding::XmlEncoder::Encode(left, a.tree.get(), 2);
    Tarnwick::Encoding::XmlEncoder::EncodeHeader(right, &b.header);
    Tarnwick::Encoding::XmlEncoder::Encode(right, b.tree.get(), 2);
    return left.str() == right.str();
}

} // namespace DecoderBench
