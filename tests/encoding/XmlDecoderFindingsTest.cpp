// Inputs the decoder fuzz target found, and its seed corpus, held to the
// fuzz target's properties: whatever a typed decode accepts encodes into text
// that decodes again, against the same prototype, to the same bytes; whatever
// it refuses is refused by the decoder, saying where.

#include <tarnwick/tarnwick.h>

#include "DecoderPrototypes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>

namespace {

using namespace Tarnwick::DataTypes;
using Tarnwick::ServiceException;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlEncoder;
using testing::HasSubstr;

std::string Encoded(ServiceType const& tree)
{
    std::string text;
    XmlEncoder::Encode(text, &tree, 0);
    return text;
}

// Empty: a message without a parameter element.
enum class Outcome { Refused, Empty, Accepted };

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, Outcome outcome)
{
    static char const* const names[] = {"refused", "empty", "accepted"};
    return out << names[static_cast<int>(outcome)];
}

// Decodes `text` against `prototype`; an accepted tree must survive its own
// encoding unchanged, a refusal must come from the decoder with a place.
Outcome HoldsRoundTrip(std::string const& text, ServiceType const& prototype)
{
    std::unique_ptr<ServiceType> tree;
    try {
        tree = XmlDecoder(text).DecodeTree(prototype);
    } catch (ServiceException const& e) {
        EXPECT_TRUE(e.ToString().starts_with(u"Exception: Tarnwick::Encoding::XmlDecoder line ")) << e.what();
        EXPECT_THAT(e.what(), HasSubstr(" at line "));
        return Outcome::Refused;
    }
    if (tree == nullptr) {
        return Outcome::Empty;
    }
    std::string const first = Encoded(*tree);
    try {
        std::unique_ptr<ServiceType> const again = XmlDecoder(first).DecodeTree(prototype);
        EXPECT_EQ(again == nullptr ? std::string() : Encoded(*again), first);
    } catch (ServiceException const& e) {
        ADD_FAILURE() << "the decoder refuses its own tree's encoding: " << e.what() << "\n" << first;
    }
    return Outcome::Accepted;
}

template <class Node> std::function<ServiceType*()> Make(Node node)
{
    return [node] { return node.Copy(); };
}

// Old producers wrote element names as single bytes, one per code unit. A byte
// whose unit is not a name character (U+00BB, U+00D7, the C1 controls, ...)
// never came from a name: read as one, it gave a tree whose encoding the
// decoder itself refuses as "Invalid name". Also found in attribute names
// inside XmlString markup, which have no single-byte form at all.
TEST(XmlDecoderFindings, SingleByteNamesThatAreNoNames)
{
    struct Case {
        char const* title;
        std::string text;
        std::function<ServiceType*()> prototype;
        Outcome expected;
    };
    Case const cases[] = {
        {"U+00BB starting an element name",
            "<\xbb"
            "a>1</\xbb"
            "a>",
            Make(ScalarType<std::u16string>(u"", u"p")), Outcome::Refused},
        {"U+00D7 inside an element name", "<a\xd7>1</a\xd7>", Make(ScalarType<std::int32_t>(0, u"p")),
            Outcome::Refused},
        {"U+0086 in a name inside XML markup", "<x><b\x86/></x>", Make(XmlString(u"", u"x")), Outcome::Refused},
        {"a single byte in an attribute name inside XML markup",
            "<x><a \xbb"
            "c='1'/></x>",
            Make(XmlString(u"", u"x")), Outcome::Refused},
        {"a single byte in an attribute name of a wrapped value",
            "<options><item><key>n</key><v \xa2type='int32'>7</v></item></options>", Make(XmlString(u"", u"x")),
            Outcome::Refused},
        // The legacy form itself stays readable: U+00E9 is a name character.
        {"U+00E9 inside an element name", "<caf\xe9>1</caf\xe9>", Make(ScalarType<std::int32_t>(0, u"p")),
            Outcome::Accepted},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        std::unique_ptr<ServiceType> const prototype(c.prototype());
        EXPECT_EQ(HoldsRoundTrip(c.text, *prototype), c.expected);
    }
}

// The fuzz target's seeds are real messages: each is read by some prototype
// (or shape-free), and every prototype either refuses it or reads it in a way
// that survives the round trip.
TEST(XmlDecoderFindings, SeedCorpusHoldsTheProperties)
{
    auto const prototypes = DecoderFuzz::Prototypes();
    std::filesystem::path const corpus = TARNWICK_DECODER_CORPUS;
    int seeds = 0;
    for (auto const& entry : std::filesystem::directory_iterator(corpus)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        std::string const text {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        int accepted = 0;
        for (auto const& prototype : prototypes) {
            // A wrapper sequence alone has no encoding to compare (the encoder writes it only as a dictionary's
            // values).
            if (prototype->GetType() == ANY_TYPE_SEQUENCE) {
                continue;
            }
            accepted += HoldsRoundTrip(text, *prototype) == Outcome::Accepted ? 1 : 0;
        }
        XmlDecoder const decoder(text);
        EXPECT_TRUE(accepted > 0 || decoder.IsMessage() || decoder.DecodeTree() != nullptr);
        ++seeds;
    }
    EXPECT_GE(seeds, 5);
}

} // namespace
