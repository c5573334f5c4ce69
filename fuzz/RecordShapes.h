#pragma once

// The records the record fuzz target decodes into and the record tests share: one
// member of every kind the encoder writes, nested records, vectors of records of
// vectors of records and the three dictionary forms, and a record of the kinds
// read without a tree. Encoded, filled ones are the seed corpus.

#include <tarnwick/tarnwick.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace RecordFuzz {

using namespace Tarnwick::DataTypes;
using Tarnwick::StubProxy::Field;
using Tarnwick::StubProxy::Record;

/// A member of each of the twelve element types and of the two times, alone and as
/// a vector, in the order of `PrimitiveFields`: what a record reads straight from the text.
struct PrimitiveMembers {
    bool flag = false;
    std::int8_t i8 = 0;
    std::uint8_t u8 = 0;
    std::int16_t i16 = 0;
    std::uint16_t u16 = 0;
    std::int32_t i32 = 0;
    std::uint32_t u32 = 0;
    std::int64_t i64 = 0;
    std::uint64_t u64 = 0;
    float f = 0;
    double d = 0;
    std::u16string text;
    std::vector<bool> flags;
    std::vector<std::int8_t> i8s;
    std::vector<std::uint8_t> u8s;
    std::vector<std::int16_t> i16s;
    std::vector<std::uint16_t> u16s;
    std::vector<std::int32_t> i32s;
    std::vector<std::uint32_t> u32s;
    std::vector<std::int64_t> i64s;
    std::vector<std::uint64_t> u64s;
    std::vector<float> fs;
    std::vector<double> ds;
    std::vector<std::u16string> texts;
    TimeStamp when;
    TimeDuration length;
    std::vector<TimeStamp> whens;
    std::vector<TimeDuration> lengths;
};

/// The fields of the `PrimitiveMembers` of a record, followed by `more`.
template <class... More> constexpr auto PrimitiveFields(More... more)
{
    using P = PrimitiveMembers;
    return std::tuple {Field(u"flag", &P::flag), Field(u"i8", &P::i8), Field(u"u8", &P::u8), Field(u"i16", &P::i16),
        Field(u"u16", &P::u16), Field(u"i32", &P::i32), Field(u"u32", &P::u32), Field(u"i64", &P::i64),
        Field(u"u64", &P::u64), Field(u"f", &P::f), Field(u"d", &P::d), Field(u"text", &P::text),
        Field(u"flags", &P::flags), Field(u"i8s", &P::i8s), Field(u"u8s", &P::u8s), Field(u"i16s", &P::i16s),
        Field(u"u16s", &P::u16s), Field(u"i32s", &P::i32s), Field(u"u32s", &P::u32s), Field(u"i64s", &P::i64s),
        Field(u"u64s", &P::u64s), Field(u"fs", &P::fs), Field(u"ds", &P::ds), Field(u"texts", &P::texts),
        Field(u"when", &P::when), Field(u"length", &P::length), Field(u"whens", &P::whens),
        Field(u"lengths", &P::lengths), more...};
}

struct Leaf : Record<Leaf> {
    std::int32_t v = 0;
    std::vector<std::u16string> notes;
    static constexpr auto Fields() { return std::tuple {Field(u"v", &Leaf::v), Field(u"notes", &Leaf::notes)}; }
};

struct Branch : Record<Branch> {
    std::u16string tag;
    std::vector<Leaf> leaves;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"tag", &Branch::tag), Field(u"leaves", &Branch::leaves)};
    }
};

/// Every kind the encoder writes: the primitive members, a variant, an XML value,
/// nested records, the three dictionary forms and a hand-written value object.
struct Shapes : Record<Shapes>, PrimitiveMembers {
    AnyType any;
    XmlValue xml;
    Leaf leaf;
    std::vector<Branch> branches;
    std::map<std::u16string, double> prices;
    std::vector<std::pair<std::int32_t, Leaf>> byId;
    std::map<std::uint8_t, AnyType> extras;
    Tarnwick::StubProxy::UserParametersErrorString error;
    static constexpr auto Fields()
    {
        return PrimitiveFields(Field(u"any", &Shapes::any), Field(u"xml", &Shapes::xml), Field(u"leaf", &Shapes::leaf),
            Field(u"branches", &Shapes::branches), Field(u"prices", &Shapes::prices), Field(u"byId", &Shapes::byId),
            Field(u"extras", &Shapes::extras), Field(u"error", &Shapes::error));
    }
};

/// A record that counts how often it was read straight from a text, without a tree,
/// so that a test can tell that way was taken.
template <class R> struct Counted : Record<R> {
    static inline std::size_t directReads = 0;
    bool ReadFrom(Tarnwick::StubProxy::FieldSource& source) override
    {
        bool const read = Record<R>::ReadFrom(source);
        directReads += read ? 1 : 0;
        return read;
    }
};

// Members of every kind a record reads straight from the text, without a tree.
struct Plain : Counted<Plain>, PrimitiveMembers {
    Leaf leaf;
    std::vector<Branch> branches;
    std::map<std::u16string, double> prices;
    std::vector<std::pair<std::int32_t, Leaf>> byId;
    std::map<std::int64_t, std::u16string> names;
    std::map<bool, float> switches;
    static constexpr auto Fields()
    {
        return PrimitiveFields(Field(u"leaf", &Plain::leaf), Field(u"branches", &Plain::branches),
            Field(u"prices", &Plain::prices), Field(u"byId", &Plain::byId), Field(u"names", &Plain::names),
            Field(u"switches", &Plain::switches));
    }
};

/// The encoder's text of `record`, stored as the element "r".
template <class R> std::string Encoded(R& record)
{
    std::unique_ptr<ServiceType> const tree(record.StoreTo(u"r"));
    std::string text;
    Tarnwick::Encoding::XmlEncoder::Encode(text, tree.get(), 0);
    return text;
}

/// Members of every primitive kind, each holding a value other than its default.
inline PrimitiveMembers FilledPrimitives()
{
    PrimitiveMembers p;
    p.text = u"t\u00e9xt";
    p.flag = true;
    p.i8 = -8;
    p.u8 = 200;
    p.i16 = -1600;
    p.u16 = 60000;
    p.i32 = -320000;
    p.u32 = 4000000000U;
    p.i64 = -6400000000000LL;
    p.u64 = 18000000000000000000ULL;
    p.f = 1.5F;
    p.d = -2.25;
    p.texts = {u"a", u"b"};
    p.flags = {true, false};
    p.i8s = {-1, 2};
    p.u8s = {3};
    p.i16s = {-4};
    p.u16s = {5};
    p.i32s = {-6};
    p.u32s = {7};
    p.i64s = {-8};
    p.u64s = {9};
    p.fs = {0.5F};
    p.ds = {0.25};
    p.when.SetUTime(1700000000000001);
    p.length.SetUTime(3600000001);
    p.whens = {TimeStamp(std::uint64_t(1)), TimeStamp(std::uint64_t(1600000000000000))};
    p.lengths = {TimeDuration(std::uint64_t(5))};
    return p;
}

inline Plain FilledPlain()
{
    Plain p;
    static_cast<PrimitiveMembers&>(p) = FilledPrimitives();
    // Edges and escaped text for the seed.
    p.i8 = -128;
    p.u64 = 18446744073709551615ULL;
    p.text = u"x & \u00e9 <";
    p.ds = {0.1, -1e300};
    p.names = {{-1, u"minus one"}};
    p.switches = {{true, 0.5F}};
    p.leaf.v = 4;
    p.leaf.notes = {u"a", u"b"};
    p.branches.resize(1);
    p.branches[0].tag = u"t";
    p.branches[0].leaves.resize(1);
    p.prices = {{u"tea", 1.5}, {u"cake", 3}};
    p.byId = {{1, p.leaf}, {1, Leaf()}};
    return p;
}

inline Shapes FilledShapes()
{
    Shapes s;
    static_cast<PrimitiveMembers&>(s) = FilledPrimitives();
    s.any = std::int16_t(-5);
    s.xml.SetString(u"<i>x</i>");
    s.leaf.v = 1;
    s.leaf.notes = {u"n"};
    Branch branch;
    branch.tag = u"b";
    branch.leaves.resize(2);
    branch.leaves[1].v = 2;
    s.branches = {branch, Branch()};
    s.prices = {{u"tea", 1.5}};
    s.byId = {{4, s.leaf}};
    s.extras = {{1, AnyType(u"seven")}};
    s.error.SetError(u"oops");
    return s;
}

} // namespace RecordFuzz
