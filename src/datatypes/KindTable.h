#pragma once

// The facts of each type code, one row per code, read by every walker of
// trees: the node classes, the encoder, the reader and the schema writer.
// Adding a kind adds a row here. Internal to the library.

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace Tarnwick::DataTypes {

/// How the content of a kind's element is laid out, and so written and read.
enum class Content : std::uint8_t {
    /// No node has it.
    None,
    /// One value as text: `GetValueRef()` of the node class.
    Value,
    /// One `<item>` per element of `GetValue()`.
    Items,
    /// An XML fragment, embedded as it stands.
    Markup,
    /// Other nodes (composites, their sequences, dictionaries, any-types): each walker walks
    /// these its own way.
    Container,
};

/// A string literal as a template argument, so that a row is one line.
template <class Char, std::size_t N> struct Literal {
    constexpr Literal(Char const (&text)[N]) { std::copy_n(text, N, chars); }
    constexpr std::basic_string_view<Char> View() const { return {chars, N - 1}; }
    Char chars[N] {};
};

/// One row: the node class, its content, the type name, the `type` attribute of an
/// any-type element holding it (empty where none can), the schema type of one value
/// (empty where none), and for item lists the code of one item and the code an
/// invalid item's message names.
template <class NodeClass, Content C, Literal Name, Literal Attribute = "", Literal Schema = "",
    ParamType Item = NULL_TYPE, ParamType ItemNamed = Item>
struct Row {
    using Node = NodeClass;
    static constexpr Content content = C;
    static constexpr char16_t const* name = Name.chars;
    static constexpr std::string_view attribute = Attribute.View();
    static constexpr std::string_view schema = Schema.View();
    static constexpr ParamType item = Item;
    static constexpr ParamType itemNamed = ItemNamed;
};

template <ParamType Code> struct Kind;

// clang-format off
//                                   node class                      content             name                        attribute        schema             item            message
template <> struct Kind<NULL_TYPE>              : Row<void,                           Content::None,      u"NULL_TYPE"> { };
template <> struct Kind<COMPOSITE>              : Row<CompositeType,                  Content::Container, u"COMPOSITE"> { };
template <> struct Kind<STRING>                 : Row<ScalarType<std::u16string>,     Content::Value,     u"STRING",                  "string",        "xs:string"> { };
template <> struct Kind<BOOLEAN>                : Row<ScalarType<bool>,               Content::Value,     u"BOOLEAN",                 "boolean",       "boolean"> { };
template <> struct Kind<INT8>                   : Row<ScalarType<std::int8_t>,        Content::Value,     u"INT8",                    "int8",          "xs:byte"> { };
template <> struct Kind<UINT8>                  : Row<ScalarType<std::uint8_t>,       Content::Value,     u"UINT8",                   "uint8",         "xs:unsignedByte"> { };
template <> struct Kind<INT16>                  : Row<ScalarType<std::int16_t>,       Content::Value,     u"INT16",                   "int16",         "xs:short"> { };
template <> struct Kind<UINT16>                 : Row<ScalarType<std::uint16_t>,      Content::Value,     u"UINT16",                  "uint16",        "xs:unsignedShort"> { };
template <> struct Kind<INT32>                  : Row<ScalarType<std::int32_t>,       Content::Value,     u"INT32",                   "int32",         "xs:int"> { };
template <> struct Kind<UINT32>                 : Row<ScalarType<std::uint32_t>,      Content::Value,     u"UINT32",                  "uint32",        "xs:unsignedInt"> { };
template <> struct Kind<INT64>                  : Row<ScalarType<std::int64_t>,       Content::Value,     u"INT64",                   "int64",         "xs:long"> { };
template <> struct Kind<UINT64>                 : Row<ScalarType<std::uint64_t>,      Content::Value,     u"UINT64",                  "uint64",        "xs:unsignedLong"> { };
template <> struct Kind<FLOAT>                  : Row<ScalarType<float>,              Content::Value,     u"FLOAT",                   "float",         "float"> { };
template <> struct Kind<DOUBLE>                 : Row<ScalarType<double>,             Content::Value,     u"DOUBLE",                  "double",        "double"> { };
template <> struct Kind<STRING_SEQUENCE>        : Row<SequenceType<std::u16string>,   Content::Items,     u"STRING_SEQUENCE",         "string_seq",    "",                STRING> { };
template <> struct Kind<BOOLEAN_SEQUENCE>       : Row<SequenceType<bool>,             Content::Items,     u"BOOLEAN_SEQUENCE",        "boolean_seq",   "",                BOOLEAN> { };
template <> struct Kind<INT8_SEQUENCE>          : Row<SequenceType<std::int8_t>,      Content::Items,     u"INT8_SEQUENCE",           "int8_seq",      "",                INT8> { };
template <> struct Kind<UINT8_SEQUENCE>         : Row<SequenceType<std::uint8_t>,     Content::Items,     u"UINT8_SEQUENCE",          "uint8_seq",     "",                UINT8> { };
template <> struct Kind<INT16_SEQUENCE>         : Row<SequenceType<std::int16_t>,     Content::Items,     u"INT16_SEQUENCE",          "int16_seq",     "",                INT16> { };
template <> struct Kind<UINT16_SEQUENCE>        : Row<SequenceType<std::uint16_t>,    Content::Items,     u"UINT16_SEQUENCE",         "uint16_seq",    "",                UINT16> { };
template <> struct Kind<INT32_SEQUENCE>         : Row<SequenceType<std::int32_t>,     Content::Items,     u"INT32_SEQUENCE",          "int32_seq",     "",                INT32> { };
template <> struct Kind<UINT32_SEQUENCE>        : Row<SequenceType<std::uint32_t>,    Content::Items,     u"UINT32_SEQUENCE",         "uint32_seq",    "",                UINT32> { };
template <> struct Kind<INT64_SEQUENCE>         : Row<SequenceType<std::int64_t>,     Content::Items,     u"INT64_SEQUENCE",          "int64_seq",     "",                INT64> { };
template <> struct Kind<UINT64_SEQUENCE>        : Row<SequenceType<std::uint64_t>,    Content::Items,     u"UINT64_SEQUENCE",         "uint64_seq",    "",                UINT64> { };
template <> struct Kind<FLOAT_SEQUENCE>         : Row<SequenceType<float>,            Content::Items,     u"FLOAT_SEQUENCE",          "float_seq",     "",                FLOAT> { };
template <> struct Kind<DOUBLE_SEQUENCE>        : Row<SequenceType<double>,           Content::Items,     u"DOUBLE_SEQUENCE",         "double_seq",    "",                DOUBLE> { };
template <> struct Kind<COMPOSITE_SEQUENCE>     : Row<CompositeSequenceType,          Content::Container, u"COMPOSITE_SEQUENCE"> { };
template <> struct Kind<DICTIONARY>             : Row<DictionaryType,                 Content::Container, u"DICTIONARY"> { };
template <> struct Kind<ANY_TYPE>               : Row<AnyTypeServiceType,             Content::Container, u"ANY_TYPE"> { };
template <> struct Kind<ANY_TYPE_SEQUENCE>      : Row<AnyTypeSequenceType,            Content::Container, u"ANY_TYPE_SEQUENCE"> { };
template <> struct Kind<XML_STRING>             : Row<XmlString,                      Content::Markup,    u"XML_STRING",              "xml_string"> { };
template <> struct Kind<TIME_STAMP>             : Row<TimeStampServiceType,           Content::Value,     u"TIME_STAMP",              "time_stamp",    "time_stamp"> { };
template <> struct Kind<TIME_STAMP_SEQUENCE>    : Row<TimeStampSequenceType,          Content::Items,     u"TIME_STAMP_SEQUENCE",     "",              "",                TIME_STAMP,     TIME_STAMP_SEQUENCE> { };
template <> struct Kind<TIME_DURATION>          : Row<TimeDurationServiceType,        Content::Value,     u"TIME_DURATION",           "time_duration", "time_duration"> { };
template <> struct Kind<TIME_DURATION_SEQUENCE> : Row<TimeDurationSequenceType,       Content::Items,     u"TIME_DURATION_SEQUENCE",  "",              "",                TIME_DURATION,  TIME_DURATION_SEQUENCE> { };
// clang-format on

/// The number of codes: the code of the last row plus one.
inline constexpr std::int32_t kKindCount = TIME_DURATION_SEQUENCE + 1;

/// The type of one value or one item of a kind (void for the others).
template <class K> struct ValueOfKind {
    using type = void;
};
template <class K>
requires(K::content == Content::Value || K::content == Content::Markup) struct ValueOfKind<K> {
    using type = std::remove_cvref_t<decltype(std::declval<typename K::Node const&>().GetValueRef())>;
};
template <class K>
requires(K::content == Content::Items) struct ValueOfKind<K> {
    using type = typename std::remove_cvref_t<decltype(std::declval<typename K::Node const&>().GetValue())>::value_type;
};
template <class K> using ValueOf = typename ValueOfKind<K>::type;

template <class... T> struct TypeList { };

/// The twelve element types of the primitive scalar and sequence nodes, from the rows STRING to DOUBLE.
using PrimitiveElements = decltype([]<std::int32_t... I>(std::integer_sequence<std::int32_t, I...>) {
    return TypeList<ValueOf<Kind<static_cast<ParamType>(STRING + I)>>...> {};
}(std::make_integer_sequence<std::int32_t, DOUBLE - STRING + 1> {}));

/// A scalar of one of the twelve primitive element types.
template <class K>
concept PrimitiveScalarKind
    = (K::content == Content::Value) && std::is_same_v<typename K::Node, ScalarType<ValueOf<K>>>;

/// A sequence of one of the twelve primitive element types (dictionaries hold only these).
template <class K>
concept PrimitiveSequenceKind
    = (K::content == Content::Items) && std::is_same_v<typename K::Node, SequenceType<ValueOf<K>>>;

/// Calls `visit.template operator()<Kind<code>>()` and answers what it answers; false
/// for a code without a row. A caller's node may answer any 32-bit code.
template <class Visit> bool VisitKind(std::int32_t code, Visit&& visit)
{
    bool answer = false;
    // Exactly one test holds, and then ends the chain: the compiler makes it a jump table.
    [&]<std::int32_t... I>(std::integer_sequence<std::int32_t, I...>)
    {
        static_cast<void>(
            ((code == I && (answer = visit.template operator()<Kind<static_cast<ParamType>(I)>>(), true)) || ...));
    }
    (std::make_integer_sequence<std::int32_t, kKindCount> {});
    return answer;
}

/// The rows' facts that need no type, by code.
struct KindFacts {
    char16_t const* name;
    std::string_view attribute;
    std::string_view schema;
    Content content;
    /// The code of one item of an item list; NULL_TYPE for other kinds.
    ParamType item;
    /// The same for sequences of the twelve primitives only (dictionaries hold these).
    ParamType primitiveItem;
};

template <class K> constexpr KindFacts RowFacts()
{
    return {K::name, K::attribute, K::schema, K::content, K::item, PrimitiveSequenceKind<K> ? K::item : NULL_TYPE};
}

inline constexpr std::array<KindFacts, kKindCount> kKindFacts =
    []<std::int32_t... I>(std::integer_sequence<std::int32_t, I...>)
{
    return std::array<KindFacts, kKindCount> {RowFacts<Kind<static_cast<ParamType>(I)>>()...};
}
(std::make_integer_sequence<std::int32_t, kKindCount> {});

/// Whether `code` has a row.
constexpr bool IsKnownCode(std::int32_t code)
{
    return code >= 0 && code < kKindCount;
}

/// The facts of `code`'s row; those of NULL_TYPE for a code without a row.
constexpr KindFacts const& FactsOf(std::int32_t code)
{
    return kKindFacts[IsKnownCode(code) ? static_cast<std::size_t>(code) : 0];
}

/// The type name of a code for a message; a caller's node may answer any code.
inline std::u16string KindName(std::int32_t code)
{
    return IsKnownCode(code) ? FactsOf(code).name : u"unknown";
}

/// The `type` attribute of an any-type element holding a node of `code`; empty where none can.
constexpr std::string_view AttributeOf(std::int32_t code)
{
    return FactsOf(code).attribute;
}

/// The code whose `type` attribute is `attribute`; NULL_TYPE for a name no row has.
template <class Text> ParamType CodeOfAttribute(Text const& attribute)
{
    for (std::size_t i = 0; i < kKindFacts.size(); ++i) {
        std::string_view const known = kKindFacts[i].attribute;
        if (!known.empty() && attribute.size() == known.size()
            && std::equal(attribute.begin(), attribute.end(), known.begin())) {
            return static_cast<ParamType>(i);
        }
    }
    return NULL_TYPE;
}

/// Whether a node of `code` holds other nodes; false for codes without a row.
constexpr bool IsContainerCode(std::int32_t code)
{
    return FactsOf(code).content == Content::Container;
}

// The rows agree with the primitives' codes (a sequence's code is its element's scalar
// code plus 12), an item list's items are values of its item's kind, and only kinds the
// reader makes from text have a `type` attribute. Whether each node class answers its
// row's code is checked by the tests.
namespace KindChecks {
template <std::int32_t... I> constexpr bool RowsAgree(std::integer_sequence<std::int32_t, I...>)
{
    auto const agrees = []<ParamType Code>() {
        using K = Kind<Code>;
        if (!K::attribute.empty() && (K::content == Content::None || K::content == Content::Container)) {
            return false;
        }
        if constexpr (K::content == Content::Items) {
            return Kind<K::item>::content == Content::Value
                && std::is_same_v<ValueOf<K>,
                    ValueOf<Kind<
                        K::item>>> && (!PrimitiveSequenceKind<K> || (Code == SequenceCodeOf<ValueOf<K>> && K::item == Code - 12));
        } else if constexpr (PrimitiveScalarKind<K>) {
            return Code == ScalarCodeOf<ValueOf<K>>;
        } else {
            return K::item == NULL_TYPE;
        }
    };
    return (agrees.template operator()<static_cast<ParamType>(I)>() && ...);
}
static_assert(RowsAgree(std::make_integer_sequence<std::int32_t, kKindCount> {}));
} // namespace KindChecks

} // namespace Tarnwick::DataTypes
