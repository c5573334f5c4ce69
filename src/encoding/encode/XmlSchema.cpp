#include <tarnwick/encoding/XmlSchema.h>

#include "encoding/NodeAccess.h"
#include "encoding/XmlNames.h"

#include <tarnwick/core/Conversion.h>
#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Tarnwick::Encoding {

using namespace DataTypes;

namespace {

constexpr char const* kSource = "Tarnwick::Encoding::XmlSchema";

/// The lines of the raise sites, part of the exceptions' interface.
enum SchemaLine : std::int32_t {
    kConflictingChildrenLine = 751,
    kUndeclarableNameLine = 752,
    kUndescribableKindLine = 753,
    kUndescribableDictionaryLine = 754,
    kOtherClassLine = 755,
};

[[noreturn]] void Raise(std::u16string const& what, std::u16string const& path, SchemaLine line)
{
    throw ServiceException(what + u" in " + path, kSource, line);
}

/// The definitions of the named simple types, each written when first used.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kSimpleDefinitions = {{
    {"boolean",
        "  <xs:simpleType name=\"boolean\">\n"
        "    <xs:restriction base=\"xs:boolean\">\n"
        "      <xs:pattern value=\"true|false\"/>\n"
        "    </xs:restriction>\n"
        "  </xs:simpleType>\n"},
    {"float",
        "  <xs:simpleType name=\"float\">\n"
        "    <xs:union memberTypes=\"xs:float float_word\"/>\n"
        "  </xs:simpleType>\n"},
    {"double",
        "  <xs:simpleType name=\"double\">\n"
        "    <xs:union memberTypes=\"xs:double float_word\"/>\n"
        "  </xs:simpleType>\n"},
    {"time_stamp",
        "  <xs:simpleType name=\"time_stamp\">\n"
        "    <xs:annotation><xs:documentation>Microseconds since 1970-01-01 00:00:00 "
        "UTC</xs:documentation></xs:annotation>\n"
        "    <xs:restriction base=\"xs:unsignedLong\"/>\n"
        "  </xs:simpleType>\n"},
    {"time_duration",
        "  <xs:simpleType name=\"time_duration\">\n"
        "    <xs:annotation><xs:documentation>A length in microseconds</xs:documentation>"
        "</xs:annotation>\n"
        "    <xs:restriction base=\"xs:unsignedLong\"/>\n"
        "  </xs:simpleType>\n"},
}};

/// The words the encoder writes for infinities and not-a-number, beside the schema's own.
constexpr std::string_view kFloatWord = "  <xs:simpleType name=\"float_word\">\n"
                                        "    <xs:restriction base=\"xs:token\">\n"
                                        "      <xs:enumeration value=\"inf\"/>\n"
                                        "      <xs:enumeration value=\"-inf\"/>\n"
                                        "      <xs:enumeration value=\"nan\"/>\n"
                                        "      <xs:enumeration value=\"-nan\"/>\n"
                                        "    </xs:restriction>\n"
                                        "  </xs:simpleType>\n";

/// Builds the type definitions of one shape, each once: equal shapes share one named
/// type, which is also what lets equal children share a name.
class SchemaBuilder {
public:
    /// The schema type of `node`'s element; `path` names the element for failures.
    std::string TypeOf(ServiceType const& node, std::u16string const& path);
    /// Every definition made, in the order made (a type before the types that use it).
    std::string const& Definitions() const noexcept { return m_Definitions; }

private:
    std::string Scalar(ParamType code);
    std::string Sequence(ParamType code);
    std::string Composite(ServiceType const& node, std::u16string const& path);
    std::string CompositeSequence(ServiceType const& node, std::u16string const& path);
    std::string Dictionary(ServiceType const& node, std::u16string const& path);
    /// The particles of composite items under their names: each name once, one shape.
    /// `reserved` is a name already declared beside them with another type.
    std::string ItemChoice(CompositeSequenceType const& items, std::u16string const& path, std::string_view indent,
        bool many, std::u16string_view reserved = {});
    /// The name of a complex type of `body`, defined on first use as `prefix_N` (or `prefix`
    /// when `numbered` is false).
    std::string Complex(std::string const& prefix, std::string const& body, bool numbered, bool mixed = false);
    void Simple(std::string_view name);
    template <class Node> Node const& As(ServiceType const& node, std::u16string const& path);

    std::string m_Definitions;
    std::map<std::string, std::string> m_ByBody;
    std::map<std::string, int> m_Counts;
    std::map<std::string_view, bool> m_Simple;
};

/// `name` as it goes into the schema, UTF-8; raises when no element can be declared so.
std::string DeclaredName(std::u16string const& name, std::u16string const& path)
{
    if (!Detail::IsUnprefixedName(name)) {
        Raise(u"Element name '" + name + u"' is not a name a schema can declare", path, kUndeclarableNameLine);
    }
    return Utils::Conversion::Utf16ToUtf8(name);
}

std::u16string Below(std::u16string const& path, std::u16string const& name)
{
    return path + u"/" + name;
}

template <class Node> Node const& SchemaBuilder::As(ServiceType const& node, std::u16string const& path)
{
    return Detail::As<Node>(
        &node, [&] { Raise(u"Cannot describe a prototype of another class than its kind", path, kOtherClassLine); });
}

void SchemaBuilder::Simple(std::string_view name)
{
    for (auto const& [known, definition] : kSimpleDefinitions) {
        if (known == name && !m_Simple[known]) {
            m_Simple[known] = true;
            if ((name == "float" || name == "double") && !m_Simple["float_word"]) {
                m_Simple["float_word"] = true;
                m_Definitions += kFloatWord;
            }
            m_Definitions += definition;
        }
    }
}

std::string SchemaBuilder::Scalar(ParamType code)
{
    std::string_view const type = FactsOf(code).schema;
    if (!type.empty()) {
        Simple(type);
    }
    return std::string(type);
}

std::string SchemaBuilder::Sequence(ParamType code)
{
    ParamType const item = FactsOf(code).item;
    if (item == NULL_TYPE) {
        return {};
    }
    std::string const itemType = Scalar(item);
    return Complex(std::string(AttributeOf(item)) + "_seq",
        "    <xs:sequence>\n      <xs:element name=\"item\" type=\"" + itemType
            + "\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n    </xs:sequence>\n",
        false);
}

std::string SchemaBuilder::Complex(std::string const& prefix, std::string const& body, bool numbered, bool mixed)
{
    auto [found, added] = m_ByBody.try_emplace(prefix + '\n' + body);
    if (added) {
        found->second = numbered ? prefix + '_' + std::to_string(++m_Counts[prefix]) : prefix;
        m_Definitions += "  <xs:complexType name=\"" + found->second + (mixed ? "\" mixed=\"true\">\n" : "\">\n") + body
            + "  </xs:complexType>\n";
    }
    return found->second;
}

std::string SchemaBuilder::TypeOf(ServiceType const& node, std::u16string const& path)
{
    ParamType const code = node.GetType();
    if (std::string scalar = Scalar(code); !scalar.empty()) {
        return scalar;
    }
    if (std::string sequence = Sequence(code); !sequence.empty()) {
        return sequence;
    }
    if (FactsOf(code).content == Content::Markup) {
        // A fragment is any well-formed content, embedded as it stands.
        return Complex(std::string(AttributeOf(code)),
            "    <xs:sequence>\n      <xs:any processContents=\"skip\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
            "    </xs:sequence>\n",
            false, true);
    }
    switch (code) {
    case ANY_TYPE: {
        // The content depends on the type attribute, which XML Schema 1.0 cannot express:
        // the attribute is checked, the content is left to the decoder.
        std::string names;
        for (auto const& kind : kKindFacts) {
            if (std::string_view const name = kind.attribute; !name.empty()) {
                names += "      <xs:enumeration value=\"" + std::string(name) + "\"/>\n";
            }
        }
        if (!m_Simple["type_name"]) {
            m_Simple["type_name"] = true;
            m_Definitions += "  <xs:simpleType name=\"type_name\">\n    <xs:restriction base=\"xs:string\">\n" + names
                + "    </xs:restriction>\n  </xs:simpleType>\n";
        }
        return Complex("any_type",
            "    <xs:sequence>\n      <xs:any processContents=\"skip\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>\n"
            "    </xs:sequence>\n    <xs:attribute name=\"type\" type=\"type_name\" use=\"required\"/>\n",
            false, true);
    }
    case COMPOSITE:
        return Composite(node, path);
    case COMPOSITE_SEQUENCE:
        return CompositeSequence(node, path);
    case DICTIONARY:
        return Dictionary(node, path);
    default:
        Raise(u"Cannot describe a prototype of kind " + KindName(code), path, kUndescribableKindLine);
    }
}

std::string SchemaBuilder::Composite(ServiceType const& node, std::u16string const& path)
{
    auto const& composite = As<CompositeType>(node, path);
    std::string body = "    <xs:sequence>\n";
    // One type per name within a content model.
    std::map<std::u16string, std::string> typeByName;
    for (auto it = composite.BeginIterator(); it != composite.EndIterator(); ++it) {
        if (*it == nullptr) {
            continue;
        }
        std::u16string const& name = (*it)->GetParamNameRef();
        std::u16string const below = Below(path, name);
        std::string const declared = DeclaredName(name, below);
        std::string const type = TypeOf(**it, below);
        auto const [known, added] = typeByName.try_emplace(name, type);
        if (!added && known->second != type) {
            Raise(u"Children named '" + name + u"' of different shapes", path, kConflictingChildrenLine);
        }
        body += "      <xs:element name=\"" + declared + "\" type=\"" + type + "\"/>\n";
    }
    if (typeByName.empty()) {
        // An empty content model would refuse the line end the encoder writes between the tags.
        if (!m_Simple["empty_composite"]) {
            m_Simple["empty_composite"] = true;
            m_Definitions += "  <xs:simpleType name=\"empty_composite\">\n    <xs:restriction base=\"xs:string\">\n"
                             "      <xs:pattern value=\"[ \\t\\n\\r]*\"/>\n    </xs:restriction>\n  </xs:simpleType>\n";
        }
        return "empty_composite";
    }
    body += "    </xs:sequence>\n";
    return Complex("composite", body, true);
}

std::string SchemaBuilder::ItemChoice(CompositeSequenceType const& items, std::u16string const& path,
    std::string_view indent, bool many, std::u16string_view reserved)
{
    std::unique_ptr<ServiceType> holder;
    ServiceType const* const shape = Detail::ItemShape(items, holder);
    std::string const occurs = many ? " minOccurs=\"0\" maxOccurs=\"unbounded\"" : "";
    if (shape == nullptr) {
        // Items without a shape are read as they stand, whatever their names.
        return std::string(indent) + "<xs:any processContents=\"skip\"" + occurs + "/>\n";
    }
    std::string const type = TypeOf(*shape, Below(path, shape->GetParamNameRef()));
    std::vector<std::u16string> names {shape->GetParamNameRef()};
    for (auto it = items.BeginIterator(); it != items.EndIterator(); ++it) {
        if (*it != nullptr && std::find(names.begin(), names.end(), (*it)->GetParamNameRef()) == names.end()) {
            names.push_back((*it)->GetParamNameRef());
        }
    }
    std::string choice = std::string(indent) + "<xs:choice" + occurs + ">\n";
    for (std::u16string const& name : names) {
        if (name == reserved) {
            // One content model needs one type per name.
            Raise(u"Children named '" + name + u"' of different shapes", path, kConflictingChildrenLine);
        }
        choice += std::string(indent) + "  <xs:element name=\"" + DeclaredName(name, Below(path, name)) + "\" type=\""
            + type + "\"/>\n";
    }
    return choice + std::string(indent) + "</xs:choice>\n";
}

std::string SchemaBuilder::CompositeSequence(ServiceType const& node, std::u16string const& path)
{
    auto const& items = As<CompositeSequenceType>(node, path);
    return Complex("composite_sequence",
        "    <xs:sequence>\n" + ItemChoice(items, path, "      ", true) + "    </xs:sequence>\n", true);
}

std::string SchemaBuilder::Dictionary(ServiceType const& node, std::u16string const& path)
{
    auto const& dictionary = As<DictionaryType>(node, path);
    ServiceType const* const keys = dictionary.GetKeys();
    ServiceType const* const values = dictionary.GetValues();
    if (keys == nullptr || values == nullptr) {
        Raise(u"Cannot describe a dictionary without keys and values", path, kUndescribableDictionaryLine);
    }
    ParamType const keysCode = keys->GetType();
    ParamType const valuesCode = values->GetType();
    ParamType const keyItem = FactsOf(keysCode).primitiveItem;
    bool const keysKnown = keyItem != NULL_TYPE;
    std::string const keyType = keysKnown ? Scalar(keyItem) : "";
    constexpr std::string_view kIndent = "            ";
    std::string value;
    if (ParamType const valueItem = FactsOf(valuesCode).primitiveItem; valueItem != NULL_TYPE) {
        value = std::string(kIndent) + "<xs:element name=\"value\" type=\"" + Scalar(valueItem) + "\"/>\n";
    } else if (valuesCode == ANY_TYPE_SEQUENCE) {
        // An any-type element of any name: XML Schema 1.0 cannot check a type attribute there.
        value = std::string(kIndent) + "<xs:any processContents=\"skip\"/>\n";
    } else if (valuesCode == COMPOSITE_SEQUENCE) {
        value = ItemChoice(As<CompositeSequenceType>(*values, path), Below(path, u"item"), kIndent, false, u"key");
    }
    if (!keysKnown || value.empty()) {
        Raise(u"Cannot describe a dictionary with keys of kind " + KindName(keysCode) + u" and values of kind "
                + KindName(valuesCode),
            path, kUndescribableDictionaryLine);
    }
    return Complex("dictionary",
        "    <xs:sequence>\n"
        "      <xs:element name=\"item\" minOccurs=\"0\" maxOccurs=\"unbounded\">\n"
        "        <xs:complexType>\n"
        "          <xs:sequence>\n"
        "            <xs:element name=\"key\" type=\""
            + keyType + "\"/>\n" + value
            + "          </xs:sequence>\n"
              "        </xs:complexType>\n"
              "      </xs:element>\n"
              "    </xs:sequence>\n",
        true);
}

/// The whole document: the declaration, the global element and every type, written at
/// once, so that nothing is written when the shape cannot be described.
void WriteSchema(std::ostream& out, ServiceType const& prototype, bool message)
{
    SchemaBuilder builder;
    std::u16string const& name = prototype.GetParamNameRef();
    std::string const declared = DeclaredName(name, name);
    std::string const type = builder.TypeOf(prototype, name);
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                       "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n";
    if (message) {
        text += "  <xs:element name=\"msg\">\n"
                "    <xs:complexType>\n"
                "      <xs:sequence>\n"
                "        <xs:element name=\""
            + declared + "\" type=\"" + type
            + "\"/>\n"
              "      </xs:sequence>\n";
        static constexpr std::pair<char const*, char const*> kHeader[]
            = {{"MsgType", "xs:unsignedByte"}, {"MsgCorrelationId", "xs:unsignedInt"}, {"MsgOrderId", "xs:unsignedInt"},
                {"SessionId", "xs:unsignedInt"}, {"ConsumerAddress", "xs:string"}, {"ProducerAddress", "xs:string"},
                {"OperationName", "xs:string"}, {"ParametersTypeName", "xs:string"}};
        for (auto const& [attribute, attributeType] : kHeader) {
            text += std::string("      <xs:attribute name=\"") + attribute + "\" type=\"" + attributeType
                + "\" use=\"required\"/>\n";
        }
        text += "    </xs:complexType>\n  </xs:element>\n";
    } else {
        text += "  <xs:element name=\"" + declared + "\" type=\"" + type + "\"/>\n";
    }
    text += builder.Definitions();
    text += "</xs:schema>\n";
    out << text;
}

} // namespace

void XmlSchema::Write(std::ostream& out, ServiceType const& prototype)
{
    WriteSchema(out, prototype, false);
}

void XmlSchema::WriteMessage(std::ostream& out, ServiceType const& prototype)
{
    WriteSchema(out, prototype, true);
}

} // namespace Tarnwick::Encoding
