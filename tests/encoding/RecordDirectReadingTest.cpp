// Records decoded straight from the text must come out exactly as through the
// prototype, the typed tree and InitFrom: the same value, or the same refusal
// (message, source, line) with the record unchanged. Checked as a property over
// the encoder's texts of random and edge records and over those texts mutated.

#include "RecordDirectReading.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace DirectReading;
using Tarnwick::Encoding::XmlDecoderLimits;

// The kinds of change made to a text, and how often each is made to every text.
struct Mutation {
    char const* name;
    int times;
};

constexpr Mutation kMutations[] = {{"rename", 4}, {"remove", 4}, {"repeat", 4}, {"swap", 4}, {"text", 11},
    {"attribute", 2}, {"empty", 3}, {"insert", 4}, {"unusual", 3}};

// The fuzz target's record starts filled: its variant and error members keep their values.
template <class R> R Initial()
{
    if constexpr (std::is_same_v<R, RecordFuzz::Shapes>) {
        return RecordFuzz::FilledShapes();
    } else {
        return R();
    }
}

// The encoder's texts of `rounds` random records drawn from `seed`, bare and as a
// message's payload, and those texts mutated, read both ways under `limits` (the
// usual ones when null).
template <class R>
void CheckRecord(char const* label, Tally& tally, XmlDecoderLimits const* limits = nullptr, int rounds = 40,
    unsigned seed = 20261210)
{
    XmlDecoderLimits const used = limits != nullptr ? *limits : XmlDecoderLimits {};
    RandomValues random(seed);
    for (int round = 0; round < rounds; ++round) {
        R start = Initial<R>();
        random.Fill(start);
        R value = Initial<R>();
        random.Fill(value);
        for (bool const message : {false, true}) {
            std::string const text = EncodedText(value, message);
            SCOPED_TRACE(std::string(label) + " unmutated " + text);
            std::size_t const before = tally.direct;
            Compare(text, start, used, tally);
            // The encoder's own text of a record of these kinds is read without a tree.
            if constexpr (requires { R::directReads; }) {
                if (limits == nullptr) {
                    EXPECT_EQ(tally.direct, before + 1);
                }
            }
            for (Mutation const& mutation : kMutations) {
                for (int i = 0; i < mutation.times; ++i) {
                    std::string const mutated = Mutate(text, mutation.name, random);
                    SCOPED_TRACE(std::string(label) + " " + mutation.name + " " + mutated);
                    Compare(mutated, start, used, tally);
                }
            }
        }
    }
}

TEST(RecordDirectReading, SameValueOrRefusalAsThroughTheTree)
{
    Tally tally;
    CheckRecord<Plain>("Plain", tally);
    CheckRecord<Repeated>("Repeated", tally);
    CheckRecord<Empty>("Empty", tally);
    CheckRecord<RecordTest::Order>("Order", tally);
    CheckRecord<RecordFuzz::Branch>("Branch", tally);
    CheckRecord<RecordFuzz::Shapes>("Shapes", tally);
    // Both ways taken often enough for the property to mean something.
    EXPECT_GT(tally.direct, 400U);
    EXPECT_GT(tally.refused, 1000U);
    EXPECT_GT(tally.accepted, 1000U);
}

// Tolerant reading and the other limits: the tree is read, or the same value comes out.
TEST(RecordDirectReading, LimitsGiveTheSameResults)
{
    // Each option turned from its default.
    Tally tally;
    unsigned seed = 7;
    for (bool XmlDecoderLimits::*const option :
        {&XmlDecoderLimits::IgnoreUnknownElements, &XmlDecoderLimits::KeepMissingElements,
            &XmlDecoderLimits::AcceptSchemaForms, &XmlDecoderLimits::AcceptLegacyBytes}) {
        XmlDecoderLimits limits;
        limits.*option = !(limits.*option);
        CheckRecord<Plain>("Plain", tally, &limits, 8, seed++);
    }
    // Only the limits that read no differently let the record read the text itself.
    EXPECT_GT(tally.direct, 0U);
}

// Texts written by hand: each read directly or not, and always as through the tree.
struct Row {
    char const* text;
    bool direct;
};

TEST(RecordDirectReading, HandWrittenTexts)
{
    Row const rows[] = {
        {"<r><sku>a</sku><quantity>3</quantity></r>", true},
        {"<r>\n  <sku>a &amp; &#x42;</sku>\n  <quantity>-3</quantity>\n</r>", true},
        {"<r><sku/><quantity>0</quantity></r>", true},
        {"<r><quantity>3</quantity><sku>a</sku></r>", false}, // reordered: the tree matches by name
        {"<r><sku>a</sku></r>", false},
        {"<r><sku>a</sku><quantity>3</quantity><more/></r>", false},
        {"<r><sku>a</sku><quantity> 3</quantity></r>", false},
        {"<r><sku>a</sku><quantity>&#51;</quantity></r>", false}, // a reference: the tree decodes it
        {"<r><sku><![CDATA[a<b]]></sku><quantity>3</quantity></r>", false},
        {"<r><sku>a<!-- c --></sku><quantity>3</quantity></r>", false},
        {"<r><sku a='1'>a</sku><quantity>3</quantity></r>", false},
        {"<r x='1'><sku>a</sku><quantity>3</quantity></r>", false},
        {"<r>t<sku>a</sku><quantity>3</quantity></r>", false},
        {"<r><sku>a<b/></sku><quantity>3</quantity></r>", false},
        {"<r><sku>a</sku><quantity>3<b/></quantity></r>", false},
        {"<r><sku>a</sku><quantity>2147483648</quantity></r>", false},
        {"<r><sku>a</sku><quantity></quantity></r>", false},
        {"<r><s\xC3\xA9ku>a</s\xC3\xA9ku><quantity>3</quantity></r>", false},
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.text);
        Tally tally;
        Compare(row.text, Line(), XmlDecoderLimits {}, tally);
        EXPECT_EQ(tally.direct, row.direct ? 1U : 0U);
    }
}

// A class derived from a record, or a record with a reading of its own, keeps its own InitFrom.
TEST(RecordDirectReading, OwnReadingsKept)
{
    std::string const text = "<r><sku>a</sku><quantity>3</quantity></r>";
    Tarnwick::Encoding::XmlDecoder const decoder(text);
    OwnReading own;
    decoder.DecodeInto(own);
    EXPECT_EQ(own.calls, 1);
    EXPECT_EQ(own.sku, u"a");
    DerivedLine derived;
    decoder.DecodeInto(derived);
    EXPECT_EQ(derived.calls, 1);
    EXPECT_EQ(derived.quantity, 3);
}

// DecodeMessage reads its payload the same way.
TEST(RecordDirectReading, MessagePayload)
{
    RandomValues random(3);
    for (int round = 0; round < 20; ++round) {
        Plain value;
        random.Fill(value);
        std::string const text = EncodedText(value, true);
        Tarnwick::Encoding::XmlDecoder const decoder(text);
        Tarnwick::ServiceMessage message;
        message.SetParameters(std::make_unique<Plain>());
        std::size_t const before = Plain::directReads;
        decoder.DecodeMessage(message);
        EXPECT_EQ(Plain::directReads, before + 1);
        EXPECT_EQ(EncodedText(*static_cast<Plain*>(message.GetParameters()), false), EncodedText(value, false));
        EXPECT_EQ(message.GetOperationName(), u"op");
    }
}

} // namespace
