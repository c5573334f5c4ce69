// The XML encoder on trees of every kind built from the fuzz input. A kind it
// cannot write must be refused with a ServiceException; anything else must be
// encoded, and where the names are XML names and the texts XML character data,
// libxml2 must accept the output and read back the names and values encoded.
// The same tree in the standard profile is either refused with a
// ServiceException (never when it holds only what XML carries) or read back by
// libxml2 with the same names and values, numbers to the bit.

#include "FuzzSupport.h"
#include "TreeBuilder.h"

#include "encoding/XmlReadBack.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/encoding/XmlEncoder.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Tarnwick::DataTypes;
using Tarnwick::Encoding::XmlEncoder;
using XmlReadBack::Document;
using XmlReadBack::Elements;
using XmlReadBack::Utf8;

// Whether the text being checked was written in the standard profile.
bool g_Standard = false;

template <class T> void CheckValue(std::string const& text, T const& value)
{
    if constexpr (std::is_floating_point_v<T>) {
        if (g_Standard) {
            T back {};
            auto const result = std::from_chars(text.data(), text.data() + text.size(), back);
            Fuzz::Check(
                result.ec == std::errc() && result.ptr == text.data() + text.size(), "a standard number is no number");
            Fuzz::Check(std::isnan(value) ? std::isnan(back) : std::memcmp(&back, &value, sizeof value) == 0,
                "a standard number came back with other bits");
            Fuzz::Check(std::isnan(value) || static_cast<T>(std::strtod(text.c_str(), nullptr)) == value,
                "a standard number read as a double came back changed");
            return;
        }
    }
    if constexpr (std::is_same_v<T, std::u16string>) {
        Fuzz::Check(text == Utf8(value), "a string came back changed");
    } else if constexpr (std::is_same_v<T, bool>) {
        Fuzz::Check(text == (value ? "true" : "false"), "a boolean came back changed");
    } else if constexpr (std::is_floating_point_v<T>) {
        double const back = std::strtod(text.c_str(), nullptr);
        if (std::isnan(value)) {
            Fuzz::Check(std::isnan(back), "a NaN came back as a number");
        } else if (std::is_same_v<T, double>) {
            char expected[40];
            std::snprintf(expected, sizeof expected, "%.15g", static_cast<double>(value));
            Fuzz::Check(back == std::strtod(expected, nullptr), "a double came back changed");
        } else {
            Fuzz::Check(std::isinf(value) ? back == value : std::fabs(back - value) <= std::fabs(value) * 1e-5,
                "a float came back changed");
        }
    } else if constexpr (std::is_signed_v<T>) {
        Fuzz::Check(std::strtoll(text.c_str(), nullptr, 10) == value, "a signed integer came back changed");
    } else {
        Fuzz::Check(std::strtoull(text.c_str(), nullptr, 10) == value, "an unsigned integer came back changed");
    }
}

// Calls `body(typed)` with `node` as the `Node<T>` of the primitive T it is;
// false when it is none of them.
template <template <class> class Node, class Body> bool AsPrimitive(ServiceType const* node, Body const& body)
{
    bool matched = false;
    for (std::size_t kind = 0; kind < 12 && !matched; ++kind) {
        Fuzz::WithPrimitive(kind, [&]<class T>() {
            if (auto const* typed = dynamic_cast<Node<T> const*>(node)) {
                matched = true;
                body(*typed, T {});
            }
        });
    }
    return matched;
}

// The items of a primitive sequence, or false when `node` is none.
bool CheckPrimitiveSequence(ServiceType const* node, std::vector<xmlNode const*> const& items)
{
    return AsPrimitive<SequenceType>(node, [&]<class T>(SequenceType<T> const& sequence, T) {
        auto const& values = const_cast<SequenceType<T>&>(sequence).GetValue();
        Fuzz::Check(items.size() == values.size(), "a sequence came back with another length");
        for (std::size_t i = 0; i < items.size(); ++i) {
            CheckValue(XmlReadBack::Text(items[i]), static_cast<T>(values[i]));
        }
    });
}

bool CheckScalar(ServiceType const* node, xmlNode const* element)
{
    return AsPrimitive<ScalarType>(node, [&]<class T>(ScalarType<T> const& scalar, T) {
        CheckValue(XmlReadBack::Text(element), static_cast<T>(scalar.GetValue()));
    });
}

void Check(ServiceType* node, xmlNode const* element);

template <class Container> void CheckChildren(Container* container, xmlNode const* element)
{
    auto const children = Elements(element);
    Fuzz::Check(children.size() == container->Size(), "children came back with another count");
    auto child = container->BeginIterator();
    for (auto const* childElement : children) {
        Check(*child++, childElement);
    }
}

void Check(ServiceType* node, xmlNode const* element)
{
    Fuzz::Check(reinterpret_cast<char const*>(element->name) == Utf8(node->GetParamNameRef()),
        "an element came back with another name");
    ServiceType* value = node;
    if (node->GetType() == ANY_TYPE) {
        value = static_cast<AnyTypeServiceType*>(node)->GetValue();
        Fuzz::Check(XmlReadBack::Attribute(element, "type") == XmlEncoder::GetStrType(value->GetType()),
            "an any-type came back with another type");
    }
    switch (value->GetType()) {
    case COMPOSITE:
        return CheckChildren(static_cast<CompositeType*>(value), element);
    case COMPOSITE_SEQUENCE:
        return CheckChildren(static_cast<CompositeSequenceType*>(value), element);
    case ANY_TYPE_SEQUENCE:
        return CheckChildren(static_cast<AnyTypeSequenceType*>(value), element);
    case DICTIONARY: {
        auto* const dictionary = static_cast<DictionaryType*>(value);
        auto const items = Elements(element);
        Fuzz::Check(items.size() == dictionary->Size(), "a dictionary came back with another count");
        std::vector<xmlNode const*> keys;
        std::vector<xmlNode const*> values;
        for (auto const* item : items) {
            auto const parts = Elements(item);
            Fuzz::Check(parts.size() == 2, "a dictionary item is not a key and a value");
            keys.push_back(parts[0]);
            values.push_back(parts[1]);
        }
        Fuzz::Check(CheckPrimitiveSequence(dictionary->GetKeys(), keys), "dictionary keys of no primitive kind");
        ServiceType* const valueNode = dictionary->GetValues();
        if (valueNode->GetType() == ANY_TYPE_SEQUENCE || valueNode->GetType() == COMPOSITE_SEQUENCE) {
            auto* const sequence = valueNode;
            std::size_t i = 0;
            auto const checkItem = [&](ServiceType* item) {
                if (i < values.size()) {
                    Check(item, values[i++]);
                }
            };
            if (sequence->GetType() == ANY_TYPE_SEQUENCE) {
                for (auto it = static_cast<AnyTypeSequenceType*>(sequence)->BeginIterator();
                     it != static_cast<AnyTypeSequenceType*>(sequence)->EndIterator(); ++it) {
                    checkItem(*it);
                }
            } else {
                for (auto it = static_cast<CompositeSequenceType*>(sequence)->BeginIterator();
                     it != static_cast<CompositeSequenceType*>(sequence)->EndIterator(); ++it) {
                    checkItem(*it);
                }
            }
            return;
        }
        if (valueNode->Size() == values.size()) {
            Fuzz::Check(CheckPrimitiveSequence(valueNode, values), "dictionary values of no primitive kind");
        }
        return;
    }
    case XML_STRING:
    case TIME_STAMP:
    case TIME_STAMP_SEQUENCE:
    case TIME_DURATION:
    case TIME_DURATION_SEQUENCE:
        return; // their texts are their own classes' affair
    default:
        break;
    }
    if (value->GetType() >= STRING_SEQUENCE && value->GetType() <= DOUBLE_SEQUENCE) {
        Fuzz::Check(CheckPrimitiveSequence(value, Elements(element)), "a sequence of no primitive kind");
        return;
    }
    Fuzz::Check(CheckScalar(value, element), "a node of no known kind was encoded");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    xmlInitParser();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    Fuzz::Input input(data, size);
    Fuzz::TreeBuilder builder(input);
    std::unique_ptr<ServiceType> const tree = builder.Build();
    if (tree == nullptr) {
        return 0;
    }
    std::int32_t const indent = static_cast<std::int32_t>(data[0] % 4);
    std::string text;
    try {
        XmlEncoder::Encode(text, tree.get(), indent);
    } catch (Tarnwick::ServiceException const&) {
        return 0; // a kind it cannot write, refused
    } catch (std::out_of_range const&) {
        return 0; // the documented refusal of a primitive dictionary with fewer values than keys
    }
    Fuzz::Check(Fuzz::IsUtf8(text), "the encoder wrote no valid UTF-8");
    std::string standard = "unchanged";
    try {
        XmlEncoder::Encode(standard, tree.get(), indent, Tarnwick::Encoding::XmlEncoderOptions::Standard());
    } catch (Tarnwick::ServiceException const&) {
        Fuzz::Check(!builder.StandardSafe(), "the standard profile refused a tree XML carries");
        Fuzz::Check(standard == "unchanged", "a refusal changed the string");
        standard.clear();
    }
    if (!standard.empty()) {
        Fuzz::Check(Fuzz::IsUtf8(standard), "the standard profile wrote no valid UTF-8");
    }
    auto const readBack = [&](std::string const& encoded, bool isStandard) {
        Document const document = XmlReadBack::Parse(encoded, "tree.xml");
        if (document == nullptr) {
            std::fprintf(stderr, "%s\n", encoded.c_str());
            Fuzz::Fail(isStandard ? "libxml2 refused a standard-profile text" : "libxml2 refused the encoded tree");
        }
        g_Standard = isStandard;
        Check(tree.get(), xmlDocGetRootElement(document.get()));
    };
    if (!standard.empty() && builder.FragmentsWellFormed()) {
        readBack(standard, true);
    }
    if (builder.XmlSafe()) {
        readBack(text, false);
    }
    return 0;
}
