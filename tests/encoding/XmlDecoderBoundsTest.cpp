// Refusals of hostile texts stay small and cheap: every quoted piece of input,
// names in paths included, is cut to 40 bytes at a character boundary and
// marked, deep paths keep their first and last names, and a refusal allocates
// no more than decoding a valid text of the same size.

#include "encoding/AllocationCounter.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/encoding/XmlDecoder.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace Tarnwick::DataTypes;
using EncodingTest::Allocations;
using EncodingTest::CountAllocations;
using Tarnwick::ServiceException;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;

namespace {

std::u16string Widen(std::string const& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string Units(std::size_t count, char16_t unit)
{
    return std::u16string(count, unit);
}

// The decoder's refusal of `text` typed by `prototype` (shape-free without one):
// "line N - message", or "accepted".
std::u16string Refusal(std::string const& text, ServiceType const* prototype)
{
    try {
        XmlDecoder const decoder(text);
        if (prototype != nullptr) {
            decoder.DecodeTree(*prototype);
        } else {
            decoder.DecodeTree();
        }
    } catch (ServiceException const& e) {
        std::u16string const full = e.ToString();
        std::u16string const prefix = u"Exception: Tarnwick::Encoding::XmlDecoder line ";
        return full.rfind(prefix, 0) == 0 ? full.substr(prefix.size()) : full;
    }
    return u"accepted";
}

// request > values (a sequence of INT32), whose items must be named "item".
std::unique_ptr<ServiceType> ValuesPrototype()
{
    auto request = std::make_unique<CompositeType>(u"request");
    request->Add(new SequenceType<std::int32_t>(u"values"));
    return request;
}

// request > one INT32 child named `child`.
std::unique_ptr<ServiceType> CountPrototype(std::u16string const& child = u"count")
{
    auto request = std::make_unique<CompositeType>(u"request");
    request->Add(new ScalarType<std::int32_t>(0, child));
    return request;
}

// `levels` nested composites n1, n2, ... holding an INT32 named v.
std::unique_ptr<ServiceType> NestedPrototype(std::size_t levels)
{
    ServiceType* node = new ScalarType<std::int32_t>(0, u"v");
    for (std::size_t level = levels; level > 0; --level) {
        auto* composite = new CompositeType(Widen("n" + std::to_string(level)));
        composite->Add(node);
        node = composite;
    }
    return std::unique_ptr<ServiceType>(node);
}

std::string Nested(std::size_t levels, std::string const& value)
{
    std::string open;
    std::string close;
    for (std::size_t level = 1; level <= levels; ++level) {
        open += "<n" + std::to_string(level) + ">";
        close = "</n" + std::to_string(level) + ">" + close;
    }
    return open + "<v>" + value + "</v>" + close;
}

std::string Item(std::string const& name)
{
    return "<request><values><" + name + ">1</" + name + "></values></request>";
}

std::string const kA39(39, 'a');
std::u16string const kUnitsA39 = Units(39, u'a');

struct Bound {
    char const* name;
    std::string text;
    std::unique_ptr<ServiceType> (*prototype)();
    std::u16string refusal;
};

std::vector<Bound> const kBounds = {
    // Bytes 40 and 41 are one character: the cut falls before it.
    {"name cut before a two-byte character",
        Item(kA39
            + "\xc3\xa9"
              "b"),
        ValuesPrototype,
        u"135 - Unknown element '" + kUnitsA39 + u"...' in request/values/" + kUnitsA39 + u"... at line 1, column 18"},
    {"name of exactly 40 bytes", Item(std::string(38, 'a') + "\xc3\xa9"), ValuesPrototype,
        u"135 - Unknown element '" + Units(38, u'a') + u"\u00e9' in request/values/" + Units(38, u'a')
            + u"\u00e9 at line 1, column 18"},
    // Not UTF-8: a unit per byte, any byte a boundary.
    {"legacy name",
        Item(std::string(38, 'a')
            + "\xe9"
              "bb"),
        ValuesPrototype,
        u"135 - Unknown element '" + Units(38, u'a') + u"\u00e9b...' in request/values/" + Units(38, u'a')
            + u"\u00e9b... at line 1, column 18"},
    {"value of 41 bytes", "<request><count>" + std::string(41, 'x') + "</count></request>",
        [] { return CountPrototype(); },
        u"134 - Invalid INT32 value '" + Units(40, u'x') + u"...' in request/count at line 1, column 10"},
    // The four-byte character at bytes 39 to 42 is one pair of units: neither is kept.
    {"value cut before a pair of surrogates",
        "<request><count>" + std::string(38, 'x') + "\xf0\x9f\x98\x80</count></request>",
        [] { return CountPrototype(); },
        u"134 - Invalid INT32 value '" + Units(38, u'x') + u"...' in request/count at line 1, column 10"},
    {"type name", "<request type='" + std::string(50, 't') + "'>1</request>", nullptr,
        u"138 - Unknown type '" + Units(40, u't') + u"...' in request at line 1, column 1"},
    {"attribute name", "<request><a " + std::string(45, 'q') + "='1'>1</a></request>", nullptr,
        u"140 - Unexpected attribute '" + Units(40, u'q') + u"...' in request/a at line 1, column 13"},
    {"prototype name", "<request/>", [] { return CountPrototype(Units(50, u'm')); },
        u"136 - Missing element '" + Units(40, u'm') + u"...' in request at line 1, column 1"},
    // Twelve names are shown whole; more keep the first six and the last six.
    {"path of twelve names", Nested(11, "x"), [] { return NestedPrototype(11); },
        u"134 - Invalid INT32 value 'x' in n1/n2/n3/n4/n5/n6/n7/n8/n9/n10/n11/v at line 1, column 47"},
    {"path of twenty-one names", Nested(20, "x"), [] { return NestedPrototype(20); },
        u"134 - Invalid INT32 value 'x' in n1/n2/n3/n4/n5/n6/.../n16/n17/n18/n19/n20/v at line 1, column 92"},
};

class Bounds : public testing::TestWithParam<std::size_t> { };

TEST_P(Bounds, QuotesAtMostFortyBytesOfEachPiece)
{
    Bound const& row = kBounds[GetParam()];
    std::unique_ptr<ServiceType> const prototype = row.prototype != nullptr ? row.prototype() : nullptr;
    EXPECT_EQ(Refusal(row.text, prototype.get()), row.refusal) << row.name;
}

INSTANTIATE_TEST_SUITE_P(EachPiece, Bounds, testing::Range(std::size_t {0}, kBounds.size()));

// The decode of `text` (after parsing) refused: what it allocated, and the message.
Allocations RefusedDecode(XmlDecoder const& decoder, ServiceType const& prototype, std::string& message)
{
    return CountAllocations([&] {
        try {
            decoder.DecodeTree(prototype);
        } catch (ServiceException const& e) {
            message = e.what();
        }
    });
}

TEST(BoundedRefusal, TenMegabyteNameGivesAShortMessageAndAllocatesLittle)
{
    std::string const name(10 << 20, 'n');
    XmlDecoder const decoder(Item(name));
    std::unique_ptr<ServiceType> const prototype = ValuesPrototype();
    std::string message;
    Allocations const cost = RefusedDecode(decoder, *prototype, message);
    std::string const cut(40, 'n');
    ASSERT_LT(message.size(), 1024u);
    EXPECT_EQ(message, "Unknown element '" + cut + "...' in request/values/" + cut + "... at line 1, column 18");
    // Before, the name was decoded whole three times over: some 60 MB for one message.
    EXPECT_LT(cost.total, 64u << 10);
}

TEST(BoundedRefusal, BadValueUnderDeepLongNamesCostsNoMoreThanTheValidText)
{
    // 255 levels of 100 KB names, a bad value at the bottom: the path is built once
    // from cut names, not copied once per level.
    constexpr std::size_t kLevels = 255;
    std::string const name(100 << 10, 'a');
    std::u16string const wide = Units(name.size(), u'a');
    ServiceType* node = new ScalarType<std::int32_t>(0, wide);
    for (std::size_t level = 1; level < kLevels; ++level) {
        auto* composite = new CompositeType(wide);
        composite->Add(node);
        node = composite;
    }
    std::unique_ptr<ServiceType> const prototype(node);
    auto const text = [&](std::string const& value) {
        std::string open;
        std::string close;
        for (std::size_t level = 1; level < kLevels; ++level) {
            open += "<" + name + ">";
            close += "</" + name + ">";
        }
        return open + "<" + name + ">" + value + "</" + name + ">" + close;
    };

    // 255 names of 100 KB are beyond the default text limit.
    XmlDecoderLimits limits;
    limits.MaxTextBytes = std::size_t(64) << 20;
    Allocations valid;
    {
        XmlDecoder const decoder(text("1"), limits);
        std::unique_ptr<ServiceType> tree;
        valid = CountAllocations([&] { tree = decoder.DecodeTree(*prototype); });
        ASSERT_NE(tree, nullptr);
    }
    XmlDecoder const decoder(text("x"), limits);
    std::string message;
    Allocations const refused = RefusedDecode(decoder, *prototype, message);

    std::string const cut = std::string(40, 'a') + "...";
    std::string path;
    for (int i = 0; i < 6; ++i) {
        path += cut + "/";
    }
    path += "...";
    for (int i = 0; i < 6; ++i) {
        path += "/" + cut;
    }
    ASSERT_LT(message.size(), 1024u);
    EXPECT_EQ(message.substr(0, message.find(" at line")), "Invalid INT32 value 'x' in " + path);
    EXPECT_LE(refused.total, valid.total);
    EXPECT_LE(refused.peak, valid.peak);
}

} // namespace
