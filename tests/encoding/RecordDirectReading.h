#pragma once

// The records, random values and text mutations of the tests of records read
// straight from the text, compared with the reading through the typed tree.

#include "RandomTrees.h"
#include "RecordDifferential.h"
#include "RecordShapes.h"
#include "stubproxy/OrderRecord.h"

#include <tarnwick/tarnwick.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace DirectReading {

using namespace Tarnwick::DataTypes;
using Tarnwick::StubProxy::Field;
using Tarnwick::StubProxy::Record;

using RecordFuzz::Counted;
using RecordFuzz::Plain;

template <class R> std::size_t DirectReads()
{
    if constexpr (requires { R::directReads; }) {
        return R::directReads;
    } else {
        return 0;
    }
}

struct Line : Counted<Line> {
    std::u16string sku;
    std::int32_t quantity = 0;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"sku", &Line::sku), Field(u"quantity", &Line::quantity)};
    }
};

struct Empty : Counted<Empty> {
    static constexpr auto Fields() { return std::tuple<> {}; }
};

/// Fields sharing a name (the k-th field of a name takes the k-th element of it) and
/// records without fields, alone and as items.
struct Repeated : Counted<Repeated> {
    std::int32_t a = 0;
    std::u16string b;
    std::int32_t again = 0;
    std::vector<std::int16_t> c;
    Empty none;
    std::vector<Empty> nones;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"x", &Repeated::a), Field(u"y", &Repeated::b), Field(u"x", &Repeated::again),
            Field(u"c", &Repeated::c), Field(u"none", &Repeated::none), Field(u"nones", &Repeated::nones)};
    }
};

/// A record with a reading of its own, and a class derived from a record with one:
/// both are read through their InitFrom.
struct OwnReading : Record<OwnReading> {
    std::u16string sku;
    std::int32_t quantity = 0;
    int calls = 0;
    void InitFrom(ServiceType* tree) override
    {
        Record<OwnReading>::InitFrom(tree);
        ++calls;
    }
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"sku", &OwnReading::sku), Field(u"quantity", &OwnReading::quantity)};
    }
};

struct DerivedLine : RecordTest::Line {
    int calls = 0;
    UserParameters* Copy() const override { return new DerivedLine(*this); }
    void InitFrom(ServiceType* tree) override
    {
        RecordTest::Line::InitFrom(tree);
        ++calls;
    }
};

// ---- random values, edges half the time ----

template <class T> inline constexpr bool kIsVector = false;
template <class T, class A> inline constexpr bool kIsVector<std::vector<T, A>> = true;
template <class T> inline constexpr bool kIsMap = false;
template <class K, class V, class C, class A> inline constexpr bool kIsMap<std::map<K, V, C, A>> = true;
template <class T> inline constexpr bool kIsPair = false;
template <class K, class V> inline constexpr bool kIsPair<std::pair<K, V>> = true;

// Variants, XML values and other value objects keep their value, and so do the
// containers of them.
template <class T>
inline constexpr bool kFillable = !std::is_base_of_v<Tarnwick::StubProxy::UserParameters,
                                      T> || std::is_same_v<T, TimeStamp> || std::is_same_v<T, TimeDuration> || requires
{
    T::Fields();
};
template <class T, class A> inline constexpr bool kFillable<std::vector<T, A>> = kFillable<T>;
template <class K, class V, class C, class A> inline constexpr bool kFillable<std::map<K, V, C, A>> = kFillable<V>;
template <class K, class V> inline constexpr bool kFillable<std::pair<K, V>> = kFillable<V>;

/// Random members of records, drawn as the random trees draw their values.
class RandomValues : public RandomTreeSupport::RandomSource {
public:
    using RandomSource::RandomSource;

    /// A number from 0 to `count` - 1.
    std::size_t Below(std::size_t count) { return static_cast<std::size_t>(Pick(static_cast<int>(count))); }

    template <class T> void Fill(T& value)
    {
        if constexpr (!kFillable<T>) {
            return;
        } else if constexpr (std::is_same_v<T, bool>) {
            value = Pick(2) == 0;
        } else if constexpr (std::is_integral_v<T>) {
            using Limits = std::numeric_limits<T>;
            T const edges[] = {Limits::min(), Limits::max(), T(0), T(1), static_cast<T>(-1)};
            value = Number<T>(edges, true);
        } else if constexpr (std::is_floating_point_v<T>) {
            using Limits = std::numeric_limits<T>;
            T const edges[] = {T(0), -T(0), T(1.5), T(-2.25e-7), Limits::max(), Limits::lowest(), Limits::denorm_min(),
                Limits::infinity(), -Limits::infinity(), Limits::quiet_NaN(), T(0.1)};
            value = Number<T>(edges, true);
        } else if constexpr (std::is_same_v<T, std::u16string>) {
            static char16_t const* const kUnits[] = {u"a", u"Z", u" ", u"&", u"<", u">", u"\"", u"'", u"\t", u"\n",
                u"\r", u"\u00e9", u"\u4e2d", u"\U0001F600", u"0", u"-", u"]]>"};
            value = Join(std::span<char16_t const* const>(kUnits));
        } else if constexpr (std::is_same_v<T, TimeStamp>) {
            std::uint64_t const edges[] = {0, 32535215999999999ULL, 1700000000123456ULL};
            value.SetUTime(Number<std::uint64_t>(edges, true) % 32535216000000000ULL);
        } else if constexpr (std::is_same_v<T, TimeDuration>) {
            std::uint64_t const edges[] = {0, 86400000001ULL};
            value.SetUTime(Number<std::uint64_t>(edges, true) % (std::uint64_t(1) << 50));
        } else if constexpr (kIsVector<T>) {
            value.clear();
            for (int n = Pick(4); n > 0; --n) {
                typename T::value_type item {};
                Fill(item);
                value.push_back(std::move(item));
            }
        } else if constexpr (kIsMap<T>) {
            value.clear();
            for (int n = Pick(4); n > 0; --n) {
                typename T::key_type key {};
                Fill(key);
                Fill(value[key]);
            }
        } else if constexpr (kIsPair<T>) {
            Fill(value.first);
            Fill(value.second);
        } else if constexpr (requires { T::Fields(); }) {
            std::apply([&](auto const&... field) { (Fill(value.*field.member), ...); }, T::Fields());
        }
    }
};

/// The encoder's text of `value`, bare or as a message's payload.
template <class R> std::string EncodedText(R& value, bool message)
{
    if (!message) {
        return RecordFuzz::Encoded(value);
    }
    std::unique_ptr<ServiceType> const tree(value.StoreTo(u"r"));
    std::string text;
    Tarnwick::ServiceMessage header;
    header.SetOperationName(u"op");
    header.SetParametersTypeName(u"R");
    Tarnwick::Encoding::XmlEncoder::EncodeMessage(text, header, tree.get(), 0);
    return text;
}

// ---- mutations of the encoder's texts ----

/// An element of the text: its start tag from `start` to `open` (past the '>'), its end
/// tag from `close` to `end` (`close` == `open` for an empty-element tag), its name, its parent.
struct Element {
    std::size_t start = 0;
    std::size_t open = 0;
    std::size_t close = 0;
    std::size_t end = 0;
    std::string name;
    std::ptrdiff_t parent = -1;
    bool leaf = true;
};

/// The elements of a text in document order; markup other than tags is passed over.
inline std::vector<Element> Elements(std::string const& text)
{
    std::vector<Element> elements;
    std::vector<std::size_t> open;
    for (std::size_t i = text.find('<'); i != std::string::npos; i = text.find('<', i + 1)) {
        std::size_t const gt = text.find('>', i);
        if (gt == std::string::npos) {
            break;
        }
        char const next = i + 1 < text.size() ? text[i + 1] : 0;
        if (next == '?' || next == '!') {
            i = gt;
            continue;
        }
        if (next == '/') {
            if (!open.empty()) {
                Element& element = elements[open.back()];
                element.close = i;
                element.end = gt + 1;
                open.pop_back();
            }
            i = gt;
            continue;
        }
        Element element;
        element.start = i;
        element.open = gt + 1;
        std::size_t const nameEnd = text.find_first_of(" \t\r\n/>", i + 1);
        element.name = text.substr(i + 1, nameEnd - i - 1);
        element.parent = open.empty() ? -1 : static_cast<std::ptrdiff_t>(open.back());
        if (!open.empty()) {
            elements[open.back()].leaf = false;
        }
        bool const emptyTag = text[gt - 1] == '/';
        if (emptyTag) {
            element.close = element.open;
            element.end = element.open;
        }
        elements.push_back(element);
        if (!emptyTag) {
            open.push_back(elements.size() - 1);
        }
        i = gt;
    }
    return elements;
}

/// Texts of values, right and wrong, for every kind.
inline constexpr char const* kValues[] = {"0", "1", "-1", "127", "128", "255", "256", "-129", "32767", "65535",
    "2147483647", "2147483648", "4294967295", "9223372036854775807", "-9223372036854775808", "18446744073709551615",
    "18446744073709551616", "32535215999999999", "32535216000000000", "1.5", "-0", "1e308", "1e39", "3.4028235e38",
    "1.79769313486232e+308", "nan", "-nan", "inf", "-inf", "true", "false", "", " ", " 1", "1 ", "+1", "01", "0x1",
    "1e2", "a", "&amp;", "&#x31;", "1&#x32;", "00012", "1234567", "12345678", "123456789012345678901", "<![CDATA[1]]>",
    "<!--c-->1", "1<!--c-->", "<z/>", "<item>1</item>", "\n  2\n"};

inline std::string Mutate(std::string text, std::string const& kind, RandomValues& random)
{
    std::vector<Element> const elements = Elements(text);
    if (elements.empty()) {
        return text;
    }
    // A message's root is left as it is: its parameter element is what the record reads.
    std::size_t const first = elements.front().name == "msg" && elements.size() > 1 ? 1 : 0;
    Element const& e = elements[first + random.Below(elements.size() - first)];
    auto const content = [&](std::string const& inner) {
        return text.substr(0, e.start) + "<" + e.name + ">" + inner + "</" + e.name + ">" + text.substr(e.end);
    };
    if (kind == "rename") {
        static char const* const kNames[] = {"zz", "item", "key", "value", "x", "sku"};
        std::string const name = random.Below(2) == 0 ? kNames[random.Below(std::size(kNames))]
                                                      : elements[random.Below(elements.size())].name;
        if (e.close != e.open) {
            text.replace(e.close + 2, e.name.size(), name);
        }
        text.replace(e.start + 1, e.name.size(), name);
    } else if (kind == "remove") {
        text.erase(e.start, e.end - e.start);
    } else if (kind == "repeat") {
        text.insert(e.end, text.substr(e.start, e.end - e.start));
    } else if (kind == "swap") {
        auto const sibling = std::find_if(elements.begin(), elements.end(),
            [&](Element const& other) { return other.parent == e.parent && other.start >= e.end; });
        if (sibling != elements.end()) {
            Element const& s = *sibling;
            text = text.substr(0, e.start) + text.substr(s.start, s.end - s.start) + text.substr(e.end, s.start - e.end)
                + text.substr(e.start, e.end - e.start) + text.substr(s.end);
        }
    } else if (kind == "text") {
        if (e.leaf) {
            text = content(kValues[random.Below(std::size(kValues))]);
        }
    } else if (kind == "attribute") {
        text.insert(e.start + 1 + e.name.size(), random.Below(2) == 0 ? " a='1'" : " type='int32'");
    } else if (kind == "empty") {
        text = text.substr(0, e.start) + "<" + e.name + (random.Below(2) == 0 ? "/>" : "></" + e.name + ">")
            + text.substr(e.end);
    } else if (kind == "insert" || kind == "unusual") {
        static std::vector<std::string> const kInserts[]
            = {{"<zz>1</zz>", "<item>1</item>", "t", "  \n", "<item/>",
                   "<item><sku>a</sku><quantity>1</quantity></item>", "<item><key>k</key><value>1</value></item>"},
                {"<!--c-->", "<?pi x?>", "<![CDATA[x]]>", "<![CDATA[]]>", "&#32;"}};
        std::vector<std::string> const& inserts = kInserts[kind == "insert" ? 0 : 1];
        std::string const& insert = inserts[random.Below(inserts.size())];
        if (e.close == e.open) {
            text = content(insert);
        } else {
            text.insert(random.Below(2) == 0 ? e.open : e.close, insert);
        }
    }
    return text;
}

// ---- the comparison ----

struct Tally {
    std::size_t direct = 0;
    std::size_t accepted = 0;
    std::size_t refused = 0;
};

/// DecodeInto and the long way on `text`, for a record holding `start`: the same outcome.
template <class R>
void Compare(std::string const& text, R const& start, Tarnwick::Encoding::XmlDecoderLimits const& limits, Tally& tally)
{
    std::unique_ptr<Tarnwick::Encoding::XmlDecoder> decoder;
    try {
        decoder = std::make_unique<Tarnwick::Encoding::XmlDecoder>(text, limits);
    } catch (Tarnwick::ServiceException const&) {
        return; // not well-formed: no record is read from it either way
    }
    std::size_t const before = DirectReads<R>();
    bool accepted = false;
    EXPECT_EQ(RecordDifferential::Disagreement(*decoder, start, &accepted), "");
    tally.direct += DirectReads<R>() - before;
    ++(accepted ? tally.accepted : tally.refused);
}

} // namespace DirectReading
