#pragma once

#include <tarnwick/core/Conversion.h>
#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ParamType.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/datatypes/ServiceType.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/stubproxy/AnyType.h>
#include <tarnwick/stubproxy/FieldSource.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/UserParameters.h>
#include <tarnwick/stubproxy/XmlValue.h>

#include <cxxabi.h>

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Tarnwick::StubProxy {

template <class Derived> class Record;

/// The lines of the refusals of `Record::InitFrom`; they are part of the interface.
/// PATH is the field's path from the record down, field names and item indices
/// (from 0) joined by '/', e.g. `lines/2/quantity`; KIND a node type name such as INT32.
enum RecordLine : std::int32_t {
    /// `Expected a COMPOSITE tree, found KIND` (or `found no tree`).
    RECORD_NOT_COMPOSITE_LINE = 801,
    /// `Missing field 'PATH'`: the tree has no k-th child of the k-th field's name.
    RECORD_MISSING_FIELD_LINE = 802,
    /// `Field 'PATH': expected KIND, found KIND` (`found no node`, or `found KIND of
    /// another class` for a node of a foreign class answering the code).
    RECORD_WRONG_KIND_LINE = 803,
    /// `Field 'PATH': N keys and M values`: a dictionary whose two sequences differ in length.
    RECORD_DICTIONARY_LENGTHS_LINE = 804,
    /// `Field 'PATH': ` and the `ToString()` of what the member's own reading raised
    /// (a hand-written value object's `InitFrom`, a time stamp out of range).
    RECORD_MEMBER_REFUSED_LINE = 805
};

/// @cond TARNWICK_INTERNAL
namespace RecordDetail {

// Where a field lies below the record being read: a chain on the stack, turned
// into text only when a refusal names it.
struct Path {
    Path const* parent = nullptr;
    char16_t const* name = nullptr; // null: an item, named by its index
    std::size_t index = 0;
    std::type_info const* record = nullptr; // the class whose InitFrom reads: set on the root only
};

[[gnu::noinline, gnu::cold]] inline std::u16string PathText(Path const& path)
{
    std::vector<Path const*> links; // the root, which names no field, left out
    for (Path const* link = &path; link->parent != nullptr; link = link->parent) {
        links.push_back(link);
    }
    std::u16string text;
    for (auto it = links.rbegin(); it != links.rend(); ++it) {
        if (it != links.rbegin()) {
            text += u'/';
        }
        text += (*it)->name != nullptr ? std::u16string((*it)->name)
                                       : Utils::Conversion::Integer64ToWstring((*it)->index);
    }
    return text;
}

// The demangled name of `type` in the form "class " + qualified name.
inline std::string Demangled(std::type_info const& type)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> const name(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    std::string text = "class ";
    text += (status == 0 && name) ? name.get() : type.name();
    return text;
}

// The fully qualified class name, as the library's value objects name themselves.
inline std::u16string QualifiedName(std::type_info const& type)
{
    return Utils::Conversion::ConvertClassId(Demangled(type).c_str());
}

// The class name without its namespaces (template arguments kept as they are).
inline std::u16string ShortName(std::type_info const& type)
{
    std::u16string const name = QualifiedName(type);
    std::size_t start = 0;
    int depth = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char16_t const c = name[i];
        if (c == u'<' || c == u'(') {
            ++depth;
        } else if (c == u'>' || c == u')') {
            --depth;
        } else if (depth == 0 && c == u':' && i + 1 < name.size() && name[i + 1] == u':') {
            start = i + 2;
        }
    }
    return name.substr(start);
}

[[gnu::noinline, gnu::cold]] [[noreturn]] inline void Refuse(
    Path const& path, std::u16string message, std::int32_t line)
{
    Path const* root = &path;
    while (root->parent != nullptr) {
        root = root->parent;
    }
    throw ServiceException(std::move(message), QualifiedName(*root->record), line);
}

inline std::u16string KindName(DataTypes::ParamType code)
{
    if (code >= DataTypes::NULL_TYPE && code <= DataTypes::TIME_DURATION_SEQUENCE) {
        return DataTypes::ServiceType::GetServiceTypeName(code);
    }
    return u"kind " + Utils::Conversion::IntegerToWstring(code);
}

// What a refusal says was found where a node of the code `expected` belongs.
inline std::u16string Found(DataTypes::ParamType expected, DataTypes::ServiceType const* node, char16_t const* none)
{
    if (node == nullptr) {
        return none;
    }
    std::u16string found = KindName(node->GetType());
    if (node->GetType() == expected) {
        found += u" of another class";
    }
    return found;
}

[[gnu::noinline, gnu::cold]] [[noreturn]] inline void RefuseKind(
    Path const& path, DataTypes::ParamType expected, DataTypes::ServiceType const* node)
{
    if (path.parent == nullptr) {
        Refuse(
            path, u"Expected a COMPOSITE tree, found " + Found(expected, node, u"no tree"), RECORD_NOT_COMPOSITE_LINE);
    }
    Refuse(path,
        u"Field '" + PathText(path) + u"': expected " + KindName(expected) + u", found "
            + Found(expected, node, u"no node"),
        RECORD_WRONG_KIND_LINE);
}

[[gnu::noinline, gnu::cold]] [[noreturn]] inline void RefuseMember(Path const& path, ServiceException const& cause)
{
    Refuse(path, u"Field '" + PathText(path) + u"': " + cause.ToString(), RECORD_MEMBER_REFUSED_LINE);
}

// `node` as a `Node` of the code `code`, or a refusal naming what was found. The
// exact class, the common case, is recognised without a full dynamic cast.
template <class Node> Node& Expect(DataTypes::ServiceType* node, DataTypes::ParamType code, Path const& path)
{
    if (node != nullptr && node->GetType() == code) {
        if (typeid(*node) == typeid(Node)) {
            return static_cast<Node&>(*node);
        }
        if (auto* typed = dynamic_cast<Node*>(node)) {
            return *typed;
        }
    }
    RefuseKind(path, code, node);
}

// Runs `read`, turning a refusal of the member's own into one that names the field.
template <class Read> void Guarded(Path const& path, Read&& read)
{
    try {
        read();
    } catch (ServiceException const& cause) {
        RefuseMember(path, cause);
    }
}

template <class T> inline constexpr bool kIsRecord = std::is_base_of_v<Record<T>, T>;

template <class T> std::unique_ptr<DataTypes::CompositeType> StoreRecord(T& value, std::u16string const& name);
template <class T> void ReadRecord(DataTypes::ServiceType* tree, T& out, Path const& path);
template <class T> bool TakeRecord(FieldSource& source, char16_t const* name, T& out);

// A record whose tree is the one its field list gives: neither `StoreTo` nor `InitFrom`
// is its own. Only such a record is read from a source, since the tree reader reads the
// items of its vectors in the shape of its `StoreTo`.
template <class T>
concept PlainRecord = kIsRecord<T> && requires
{
    requires std::is_same_v<decltype(&T::StoreTo), DataTypes::ServiceType* (Record<T>::*)(char16_t const*)>;
    requires std::is_same_v<decltype(&T::InitFrom), void (Record<T>::*)(DataTypes::ServiceType*)>;
};

// One row per member kind: the node it is stored in (`Store`) and how it is read
// back (`Read`, refusing any other node). A type without a row is unsupported.
template <class T> struct Kind {
    static constexpr bool supported = false;
};

template <DataTypes::PrimitiveElement T> struct Kind<T> {
    static constexpr bool supported = true;
    using Node = DataTypes::ScalarType<T>;
    static constexpr DataTypes::ParamType code = DataTypes::ScalarCodeOf<T>;
    static std::unique_ptr<DataTypes::ServiceType> Store(T& value, std::u16string const& name)
    {
        return std::make_unique<Node>(value, name);
    }
    static void Read(DataTypes::ServiceType* node, T& out, Path const& path)
    {
        out = Expect<Node>(node, code, path).GetValueRef();
    }
    static bool Take(FieldSource& source, char16_t const* name, T& out) { return source.Read(name, out); }
};

template <DataTypes::PrimitiveElement T> struct Kind<std::vector<T>> {
    static constexpr bool supported = true;
    using Node = DataTypes::SequenceType<T>;
    static constexpr DataTypes::ParamType code = DataTypes::SequenceCodeOf<T>;
    static std::unique_ptr<DataTypes::ServiceType> Store(std::vector<T>& value, std::u16string const& name)
    {
        return std::make_unique<Node>(value, name);
    }
    static void Read(DataTypes::ServiceType* node, std::vector<T>& out, Path const& path)
    {
        out = Expect<Node>(node, code, path).GetValue();
    }
    static bool Take(FieldSource& source, char16_t const* name, std::vector<T>& out) { return source.Read(name, out); }
};

// The time classes travel as their UTime, as their own StoreTo writes it.
template <class Time, class Node, DataTypes::ParamType Code, class SequenceNode, DataTypes::ParamType SequenceCode>
struct TimeKind {
    static constexpr bool supported = true;
    static constexpr DataTypes::ParamType code = Code;
    static std::unique_ptr<DataTypes::ServiceType> Store(Time& value, std::u16string const& name)
    {
        return std::make_unique<Node>(value.GetUTime(), name);
    }
    static void Read(DataTypes::ServiceType* node, Time& out, Path const& path)
    {
        std::uint64_t const uTime = Expect<Node>(node, Code, path).GetValueRef();
        Guarded(path, [&] { out.SetUTime(uTime); });
    }
    // A UTime the class refuses is left to the tree's reading, which names the field.
    static bool Take(FieldSource& source, char16_t const* name, Time& out)
    {
        std::uint64_t uTime = 0;
        if (!source.Read(name, uTime)) {
            return false;
        }
        try {
            out.SetUTime(uTime);
        } catch (ServiceException const&) {
            return false;
        }
        return true;
    }
    static std::unique_ptr<DataTypes::ServiceType> StoreAll(std::vector<Time>& values, std::u16string const& name)
    {
        std::vector<std::uint64_t> uTimes;
        uTimes.reserve(values.size());
        for (Time const& value : values) {
            uTimes.push_back(value.GetUTime());
        }
        return std::make_unique<SequenceNode>(uTimes, name);
    }
    static void ReadAll(DataTypes::ServiceType* node, std::vector<Time>& out, Path const& path)
    {
        auto const& uTimes = Expect<SequenceNode>(node, SequenceCode, path).GetValue();
        std::vector<Time> values;
        values.reserve(uTimes.size());
        for (std::size_t i = 0; i < uTimes.size(); ++i) {
            Path const item {&path, nullptr, i};
            Guarded(item, [&] { values.emplace_back(uTimes[i]); });
        }
        out = std::move(values);
    }
    static bool TakeAll(FieldSource& source, char16_t const* name, std::vector<Time>& out)
    {
        std::vector<std::uint64_t> uTimes;
        if (!source.Read(name, uTimes)) {
            return false;
        }
        out.clear();
        out.reserve(uTimes.size());
        try {
            for (std::uint64_t const uTime : uTimes) {
                out.emplace_back(uTime);
            }
        } catch (ServiceException const&) {
            return false;
        }
        return true;
    }
};

template <>
struct Kind<DataTypes::TimeStamp>
    : TimeKind<DataTypes::TimeStamp, DataTypes::TimeStampServiceType, DataTypes::TIME_STAMP,
          DataTypes::TimeStampSequenceType, DataTypes::TIME_STAMP_SEQUENCE> { };
template <>
struct Kind<DataTypes::TimeDuration>
    : TimeKind<DataTypes::TimeDuration, DataTypes::TimeDurationServiceType, DataTypes::TIME_DURATION,
          DataTypes::TimeDurationSequenceType, DataTypes::TIME_DURATION_SEQUENCE> { };

template <class Time>
requires(std::is_same_v<Time,
             DataTypes::TimeStamp> || std::is_same_v<Time, DataTypes::TimeDuration>) struct Kind<std::vector<Time>> {
    static constexpr bool supported = true;
    static std::unique_ptr<DataTypes::ServiceType> Store(std::vector<Time>& value, std::u16string const& name)
    {
        return Kind<Time>::StoreAll(value, name);
    }
    static void Read(DataTypes::ServiceType* node, std::vector<Time>& out, Path const& path)
    {
        Kind<Time>::ReadAll(node, out, path);
    }
    static bool Take(FieldSource& source, char16_t const* name, std::vector<Time>& out)
    {
        return Kind<Time>::TakeAll(source, name, out);
    }
};

// A value object of the library's own, stored and read by its own StoreTo and
// InitFrom once the node is known to be of its kind.
template <class Value, class Node, DataTypes::ParamType Code> struct OwnKind {
    static constexpr bool supported = true;
    static constexpr DataTypes::ParamType code = Code;
    static std::unique_ptr<DataTypes::ServiceType> Store(Value& value, std::u16string const& name)
    {
        return std::unique_ptr<DataTypes::ServiceType>(value.StoreTo(name.c_str()));
    }
    static void Read(DataTypes::ServiceType* node, Value& out, Path const& path)
    {
        Node& typed = Expect<Node>(node, Code, path);
        Guarded(path, [&] { out.InitFrom(&typed); });
    }
};

template <>
struct Kind<DataTypes::AnyType> : OwnKind<DataTypes::AnyType, DataTypes::AnyTypeServiceType, DataTypes::ANY_TYPE> { };
template <>
struct Kind<DataTypes::XmlValue> : OwnKind<DataTypes::XmlValue, DataTypes::XmlString, DataTypes::XML_STRING> { };

template <> struct Kind<std::vector<DataTypes::AnyType>> {
    static constexpr bool supported = true;
    using Node = DataTypes::AnyTypeSequenceType;
    static std::unique_ptr<DataTypes::ServiceType> Store(
        std::vector<DataTypes::AnyType>& values, std::u16string const& name, char16_t const* itemName = u"item")
    {
        auto node = std::make_unique<Node>(name);
        for (DataTypes::AnyType& value : values) {
            node->Add(std::unique_ptr<DataTypes::AnyTypeServiceType>(
                static_cast<DataTypes::AnyTypeServiceType*>(value.StoreTo(itemName))));
        }
        return node;
    }
    static void Read(DataTypes::ServiceType* node, std::vector<DataTypes::AnyType>& out, Path const& path)
    {
        Node& sequence = Expect<Node>(node, DataTypes::ANY_TYPE_SEQUENCE, path);
        std::vector<DataTypes::AnyType> values(sequence.Size());
        std::size_t i = 0;
        for (DataTypes::AnyTypeServiceType* item : sequence) {
            Path const itemPath {&path, nullptr, i};
            Kind<DataTypes::AnyType>::Read(item, values[i++], itemPath);
        }
        out = std::move(values);
    }
};

template <class T>
requires kIsRecord<T>
struct Kind<T> {
    static constexpr bool supported = true;
    static std::unique_ptr<DataTypes::ServiceType> Store(T& value, std::u16string const& name)
    {
        return StoreRecord(value, name);
    }
    static void Read(DataTypes::ServiceType* node, T& out, Path const& path) { ReadRecord(node, out, path); }
    static bool Take(FieldSource& source, char16_t const* name, T& out) { return TakeRecord(source, name, out); }
};

template <class T>
requires kIsRecord<T>
struct Kind<std::vector<T>> {
    static constexpr bool supported = true;
    using Node = DataTypes::CompositeSequenceType;
    static std::unique_ptr<DataTypes::ServiceType> Store(
        std::vector<T>& values, std::u16string const& name, std::u16string const& itemName = u"item")
    {
        auto node = std::make_unique<Node>(name, std::make_unique<T>());
        for (T& value : values) {
            node->Add(StoreRecord(value, itemName));
        }
        return node;
    }
    static void Read(DataTypes::ServiceType* node, std::vector<T>& out, Path const& path)
    {
        Node& sequence = Expect<Node>(node, DataTypes::COMPOSITE_SEQUENCE, path);
        std::vector<T> values(sequence.Size());
        std::size_t i = 0;
        for (DataTypes::CompositeType* item : sequence) {
            Path const itemPath {&path, nullptr, i};
            ReadRecord(item, values[i++], itemPath);
        }
        out = std::move(values);
    }
    // Items of any name, as the tree reader takes them.
    static bool Take(FieldSource& source, char16_t const* name, std::vector<T>& out)
    {
        if constexpr (PlainRecord<T>) {
            if (!source.Enter(name)) {
                return false;
            }
            out.clear();
            while (source.More()) {
                if (!TakeRecord(source, nullptr, out.emplace_back())) {
                    return false;
                }
            }
            return source.Leave();
        } else {
            return false;
        }
    }
};

// Any other value object: its own StoreTo and InitFrom, whatever node it uses.
template <class T>
requires(std::is_base_of_v<UserParameters, T>&& std::is_default_constructible_v<T> && !kIsRecord<T>) struct Kind<T> {
    static constexpr bool supported = true;
    static std::unique_ptr<DataTypes::ServiceType> Store(T& value, std::u16string const& name)
    {
        return std::unique_ptr<DataTypes::ServiceType>(value.StoreTo(name.c_str()));
    }
    static void Read(DataTypes::ServiceType* node, T& out, Path const& path)
    {
        if (node == nullptr) {
            Refuse(path, u"Field '" + PathText(path) + u"': expected a node, found no node", RECORD_WRONG_KIND_LINE);
        }
        Guarded(path, [&] { out.InitFrom(node); });
    }
};

// The values of a dictionary: a primitive, a record or a variant per key, stored
// from the entries' `second` and read back as a vector.
template <class V> struct DictionaryValues {
    static constexpr bool supported = false;
};
template <DataTypes::PrimitiveElement V> struct DictionaryValues<V> {
    static constexpr bool supported = true;
    template <class Entries> static std::unique_ptr<DataTypes::ServiceType> Store(Entries& entries)
    {
        auto node = std::make_unique<DataTypes::SequenceType<V>>(u"values");
        node->GetValue().reserve(entries.size());
        for (auto& entry : entries) {
            node->GetValue().push_back(entry.second);
        }
        return node;
    }
    static bool TakeValue(FieldSource& source, V& value) { return source.Read(u"value", value); }
};
template <class V>
requires kIsRecord<V>
struct DictionaryValues<V> {
    static constexpr bool supported = true;
    template <class Entries> static std::unique_ptr<DataTypes::ServiceType> Store(Entries& entries)
    {
        auto node = std::make_unique<DataTypes::CompositeSequenceType>(u"values", std::make_unique<V>());
        std::u16string const itemName = u"value";
        for (auto& entry : entries) {
            node->Add(StoreRecord(entry.second, itemName));
        }
        return node;
    }
    // A value of any name, as the tree reader takes it.
    static bool TakeValue(FieldSource& source, V& value)
    {
        if constexpr (PlainRecord<V>) {
            return TakeRecord(source, nullptr, value);
        } else {
            return false;
        }
    }
};
template <> struct DictionaryValues<DataTypes::AnyType> {
    static constexpr bool supported = true;
    template <class Entries> static std::unique_ptr<DataTypes::ServiceType> Store(Entries& entries)
    {
        auto node = std::make_unique<DataTypes::AnyTypeSequenceType>(u"values");
        for (auto& entry : entries) {
            node->Add(std::unique_ptr<DataTypes::AnyTypeServiceType>(
                static_cast<DataTypes::AnyTypeServiceType*>(entry.second.StoreTo(u"value"))));
        }
        return node;
    }
    // Variants are read from trees only.
    static bool TakeValue(FieldSource& /*source*/, DataTypes::AnyType& /*value*/) { return false; }
};

// A dictionary: the keys and the values as two parallel sequences "keys" and
// "values", which the encoder writes as one item per key.
template <class Container, class K, class V> struct DictionaryKind {
    static constexpr bool supported = DataTypes::PrimitiveElement<K> && DictionaryValues<V>::supported;
    static std::unique_ptr<DataTypes::ServiceType> Store(Container& entries, std::u16string const& name)
    {
        auto node = std::make_unique<DataTypes::DictionaryType>(name);
        auto keys = std::make_unique<DataTypes::SequenceType<K>>(u"keys");
        keys->GetValue().reserve(entries.size());
        for (auto const& entry : entries) {
            keys->GetValue().push_back(entry.first);
        }
        node->SetKeys(std::move(keys));
        node->SetValues(DictionaryValues<V>::Store(entries));
        return node;
    }
    static void Read(DataTypes::ServiceType* node, Container& out, Path const& path)
    {
        auto& dictionary = Expect<DataTypes::DictionaryType>(node, DataTypes::DICTIONARY, path);
        std::vector<K> keys;
        std::vector<V> values;
        Kind<std::vector<K>>::Read(dictionary.GetKeys(), keys, Path {&path, u"keys"});
        Kind<std::vector<V>>::Read(dictionary.GetValues(), values, Path {&path, u"values"});
        if (keys.size() != values.size()) {
            Refuse(path,
                u"Field '" + PathText(path) + u"': " + Utils::Conversion::Integer64ToWstring(keys.size())
                    + u" keys and " + Utils::Conversion::Integer64ToWstring(values.size()) + u" values",
                RECORD_DICTIONARY_LENGTHS_LINE);
        }
        out = Entries(keys, values);
    }
    // One `item` per entry, its `key` and its value.
    static bool Take(FieldSource& source, char16_t const* name, Container& out)
    {
        if (!source.Enter(name)) {
            return false;
        }
        Container entries;
        while (source.More()) {
            K key {};
            V value {};
            if (!source.Enter(u"item") || !source.Read(u"key", key) || !DictionaryValues<V>::TakeValue(source, value)
                || !source.Leave()) {
                return false;
            }
            Insert(entries, std::move(key), std::move(value));
        }
        if (!source.Leave()) {
            return false;
        }
        out = std::move(entries);
        return true;
    }
    // The entries of equally long keys and values, moved out of them.
    static Container Entries(std::vector<K>& keys, std::vector<V>& values)
    {
        Container entries;
        if constexpr (requires { entries.reserve(keys.size()); }) {
            entries.reserve(keys.size());
        }
        for (std::size_t i = 0; i < keys.size(); ++i) {
            Insert(entries, std::move(keys[i]), std::move(values[i]));
        }
        return entries;
    }
    // An entry after the others; a key given twice in a map keeps its last value.
    static void Insert(Container& entries, K&& key, V&& value)
    {
        if constexpr (requires { entries.insert_or_assign(std::move(key), std::move(value)); }) {
            entries.insert_or_assign(std::move(key), std::move(value));
        } else {
            entries.emplace_back(std::move(key), std::move(value));
        }
    }
};

template <class K, class V, class Compare, class Allocator>
struct Kind<std::map<K, V, Compare, Allocator>> : DictionaryKind<std::map<K, V, Compare, Allocator>, K, V> { };
template <class K, class V, class Allocator>
struct Kind<std::vector<std::pair<K, V>, Allocator>> : DictionaryKind<std::vector<std::pair<K, V>, Allocator>, K, V> {
};

// The member of a field and its element name, as `Field` builds it.
template <class Owner, class T> struct FieldOf {
    char16_t const* name;
    T Owner::*member;
};

// The fields of `T`, read at compile time.
template <class T> inline constexpr auto kFields = T::Fields();
template <class T> inline constexpr std::size_t kFieldCount = std::tuple_size_v<std::remove_cv_t<decltype(kFields<T>)>>;

template <class T> std::unique_ptr<DataTypes::CompositeType> StoreRecord(T& value, std::u16string const& name)
{
    auto root = std::make_unique<DataTypes::CompositeType>(name);
    root->Reserve(kFieldCount<T>);
    std::apply(
        [&](auto const&... field) {
            (root->Add(Kind<std::remove_cvref_t<decltype(value.*field.member)>>::Store(
                 value.*field.member, std::u16string(field.name))),
                ...);
        },
        kFields<T>);
    return root;
}

// The k-th child named `names[field]`, k the number of earlier fields of that
// name; a refusal when there is none.
[[gnu::noinline]] inline DataTypes::ServiceType* FindChild(
    DataTypes::CompositeType& root, char16_t const* const* names, std::size_t field, Path const& path)
{
    std::u16string_view const name(names[field]);
    std::size_t ordinal = 0;
    for (std::size_t i = 0; i < field; ++i) {
        ordinal += name == names[i] ? 1 : 0;
    }
    for (DataTypes::ServiceType* child : root) {
        if (child != nullptr && child->GetParamNameRef() == name && ordinal-- == 0) {
            return child;
        }
    }
    Refuse(path, u"Missing field '" + PathText(path) + u"'", RECORD_MISSING_FIELD_LINE);
}

// The children of a composite, matched to the fields by name: the k-th field of
// a name takes the k-th child of that name. Children in the fields' order, the
// usual case, are taken as they come: while every field so far took the next
// child, the next child of a field's name is the k-th of that name.
class ChildMatcher {
public:
    ChildMatcher(DataTypes::CompositeType& root, char16_t const* const* names)
        : m_Root(root)
        , m_Names(names)
        , m_Next(root.BeginIterator())
    { }

    DataTypes::ServiceType* Child(std::size_t field, Path const& path)
    {
        if (m_InOrder && m_Next != m_Root.EndIterator() && *m_Next != nullptr
            && (*m_Next)->GetParamNameRef() == std::u16string_view(m_Names[field])) {
            return *m_Next++;
        }
        m_InOrder = false;
        return FindChild(m_Root, m_Names, field, path);
    }

private:
    DataTypes::CompositeType& m_Root;
    char16_t const* const* m_Names;
    DataTypes::CompositeType::Iterator m_Next;
    bool m_InOrder = true;
};

template <class T> void ReadRecord(DataTypes::ServiceType* tree, T& out, Path const& path)
{
    // A root of another kind is refused with the root's own line.
    auto& root = Expect<DataTypes::CompositeType>(tree, DataTypes::COMPOSITE, path);
    static constexpr std::array<char16_t const*, kFieldCount<T>> names = std::apply(
        [](auto const&... field) { return std::array<char16_t const*, kFieldCount<T>> {field.name...}; }, kFields<T>);
    ChildMatcher matcher(root, names.data());
    std::size_t index = 0;
    std::apply(
        [&](auto const&... field) {
            (
                [&] {
                    Path const fieldPath {&path, field.name};
                    Kind<std::remove_cvref_t<decltype(out.*field.member)>>::Read(
                        matcher.Child(index++, fieldPath), out.*field.member, fieldPath);
                }(),
                ...);
        },
        kFields<T>);
}

// A member read from a source by its kind; a kind read from trees only gives up.
template <class M> bool TakeField(FieldSource& source, char16_t const* name, M& out)
{
    if constexpr (requires { Kind<M>::Take(source, name, out); }) {
        return Kind<M>::Take(source, name, out);
    } else {
        return false;
    }
}

// The fields from the children of the next element, one child per field in the fields'
// order and no other: the text the encoder writes. Any other text is left to the tree.
template <class T> bool TakeRecord(FieldSource& source, char16_t const* name, T& out)
{
    return source.Enter(name)
        && std::apply(
            [&](auto const&... field) { return (TakeField(source, field.name, out.*field.member) && ...); }, kFields<T>)
        && source.Leave();
}

} // namespace RecordDetail
/// @endcond

/// A field of a record: the element name `name` (a string literal: it is kept, not
/// copied) and the member that holds its value. The member's type must be one a
/// record can store (see `Record`); any other fails to compile with a message naming it.
template <class Owner, class T> constexpr RecordDetail::FieldOf<Owner, T> Field(char16_t const* name, T Owner::*member)
{
    static_assert(RecordDetail::Kind<T>::supported,
        "Tarnwick record field of an unsupported member type (the type T of this instantiation of Field): "
        "a member must be a primitive, a std::vector of one, TimeStamp, TimeDuration, AnyType, XmlValue, a record, "
        "a std::vector of TimeStamp, TimeDuration, AnyType or a record, a std::map or std::vector<std::pair> of a "
        "primitive key and a primitive, record or AnyType value, or a default-constructible UserParameters");
    return {name, member};
}

/// A value object whose `StoreTo`, `InitFrom`, `Copy` and `Clone` come from one field list,
/// `static constexpr auto Fields()` of `Derived`, a `std::tuple` of `Field`s in element order:
///
/// ```cpp
/// struct Line : Tarnwick::StubProxy::Record<Line> {
///     std::u16string sku;
///     std::int32_t quantity = 0;
///     static constexpr auto Fields()
///     {
///         using Tarnwick::StubProxy::Field;
///         return std::tuple {Field(u"sku", &Line::sku), Field(u"quantity", &Line::quantity)};
///     }
/// };
/// ```
///
/// Members and their nodes: the twelve primitives `ScalarType<T>`, a `std::vector` of one
/// `SequenceType<T>`; `TimeStamp`, `TimeDuration` their nodes (their UTime), vectors of them
/// the time sequence nodes; `AnyType` an `AnyTypeServiceType`, `std::vector<AnyType>` an
/// `AnyTypeSequenceType` of items "item" (trees only: the encoder writes an any-type sequence
/// only as a dictionary's values); `XmlValue` an `XmlString`; a record a `CompositeType`;
/// a `std::vector` of a record a `CompositeSequenceType` of items "item" whose prototype is a
/// default record; `std::map<K, V>` and `std::vector<std::pair<K, V>>`, K a primitive and V a
/// primitive, a record or `AnyType`, a `DictionaryType` of the sequences "keys" and "values"
/// (items "value" for records and variants); any other default-constructible class derived
/// from `UserParameters` its own `StoreTo`, its `InitFrom` reading the node back.
///
/// Name rules, as the library's value objects keep them: copy construction copies the
/// parameter name, move construction takes it over (the source's becomes empty), and both
/// assignments take the fields only, each object keeping its own name.
template <class Derived> class Record : public UserParameters {
public:
    /// A new `Derived` with the same parameter name and fields, owned by the caller.
    UserParameters* Copy() const override { return new Derived(Self()); }
    /// `Copy()` as an owning pointer to the record's own class.
    std::unique_ptr<Derived> Clone() const { return std::make_unique<Derived>(Self()); }

    /// A new `CompositeType` with one child per field, in the order of `Fields()`, named
    /// `name`, or when null the class name without its namespaces ("Order" for
    /// `Shop::Order`, template arguments kept), as `DefaultName()` gives it.
    DataTypes::ServiceType* StoreTo(char16_t const* name) override
    {
        return RecordDetail::StoreRecord(Self(), name != nullptr ? std::u16string(name) : DefaultName()).release();
    }

    /// Reads every field from the child of its name (the k-th field of a name from the
    /// k-th child of that name; other children are ignored), into a new `Derived` first,
    /// which is then moved in: on failure the record is unchanged (the move itself does not
    /// throw for members of the library's kinds). A tree of another shape
    /// is refused with the lines of `RecordLine`, the record's qualified class name as source
    /// ("Exception: Shop::Order line 803 - Field 'lines/2/quantity': expected INT32, found STRING").
    /// A key given twice in a `std::map` keeps its last value. The parameter name stays.
    void InitFrom(DataTypes::ServiceType* tree) override
    {
        Derived read;
        RecordDetail::Path const root {nullptr, nullptr, 0, &typeid(*this)};
        RecordDetail::ReadRecord(tree, read, root);
        Self() = std::move(read);
    }

    /// True when moving a `Derived` in cannot raise, as for members of the library's kinds:
    /// then `InitFrom` changes nothing on failure. A class that overrides a record's
    /// `InitFrom` overrides this as well, unless its own keeps that promise.
    bool InitFromIsAtomic() const noexcept override { return std::is_nothrow_move_assignable_v<Derived>; }

    /// Reads the fields from `source` into a new `Derived`, moved in once every one was read
    /// as `InitFrom` reads it from the tree of the same text. False, changing nothing, for an
    /// object of a class derived from `Derived`, for a `Derived` with its own `StoreTo` or
    /// `InitFrom` or one whose move may raise, for members of the kinds read from trees only
    /// (`AnyType`, `XmlValue`, other value objects), and for a text of another form.
    bool ReadFrom(FieldSource& source) override
    {
        if constexpr (RecordDetail::PlainRecord<Derived> && std::is_nothrow_move_assignable_v<Derived>) {
            if (typeid(*this) == typeid(Derived)) {
                Derived read;
                if (RecordDetail::TakeRecord(source, nullptr, read)) {
                    Self() = std::move(read);
                    return true;
                }
            }
        }
        return false;
    }

    /// The root name `StoreTo(nullptr)` gives: the class name of `Derived` without its namespaces.
    static std::u16string const& DefaultName()
    {
        static std::u16string const name = RecordDetail::ShortName(typeid(Derived));
        return name;
    }

protected:
    /// The empty parameter name.
    Record() = default;
    /// Copies the parameter name.
    Record(Record const&) = default;
    /// Takes the parameter name over; the source is left with the empty name.
    Record(Record&&) noexcept = default;
    /// The fields are the derived class's to copy; the parameter name stays.
    Record& operator=(Record const&) noexcept { return *this; }
    /// The fields are the derived class's to move; the parameter name stays.
    Record& operator=(Record&&) noexcept { return *this; }
    ~Record() override = default;

private:
    Derived& Self() { return static_cast<Derived&>(*this); }
    Derived const& Self() const { return static_cast<Derived const&>(*this); }
};

} // namespace Tarnwick::StubProxy
