// The heap one decode takes beyond the tree it returns, counted by this
// program's own allocation functions: bounded by the text for what the encoder
// writes, and by the limits for anything else, refusals included.

#include "EncodingTestSupport.h"

#include <tarnwick/encoding/XmlDecoder.h>

#include <functional>
#include <sstream>
#include <string>

// After every standard header: the program's malloc and free count the bytes in use.
#include "CountingHeap.h"

namespace {

using namespace EncodingTest;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;

/// The documented heap cost: per byte of text, per byte of a copy (of a text read from a
/// stream or turned into UTF-8), per element, and per byte of text full of attributes.
constexpr std::size_t kPerByte = 3;
constexpr std::size_t kPerCopy = 1;
constexpr std::size_t kPerElement = 110;
constexpr std::size_t kPerAttributeByte = 12;

struct Peak {
    /// The peak above the start, less what the returned tree keeps.
    std::size_t beyondTree = 0;
    bool refused = false;
};

/// Decodes `text` shape-free (or typed by `prototype`) and measures the peak.
Peak Measure(std::string const& text, XmlDecoderLimits const& limits, ServiceType const* prototype = nullptr)
{
    std::size_t const before = CountingHeap::g_InUse;
    CountingHeap::g_Peak = before;
    Peak peak;
    std::unique_ptr<ServiceType> tree;
    try {
        XmlDecoder const decoder(text, limits);
        tree = prototype != nullptr ? decoder.DecodeTree(*prototype) : decoder.DecodeTree();
    } catch (Tarnwick::ServiceException const&) {
        peak.refused = true;
    }
    peak.beyondTree = CountingHeap::g_Peak - before - (CountingHeap::g_InUse - before);
    return peak;
}

std::string Repeated(std::string const& open, std::string const& unit, std::size_t count, std::string const& close)
{
    std::string text = open;
    text.reserve(open.size() + unit.size() * count + close.size());
    for (std::size_t i = 0; i < count; ++i) {
        text += unit;
    }
    return text + close;
}

TEST(XmlDecoderMemory, TheEncodersTextsTakeAtMostFourTimesTheirSize)
{
    std::vector<double> values(100000);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<double>(i) / 7;
    }
    std::unique_ptr<ServiceType> const trees[] = {
        std::unique_ptr<ServiceType>(Sequence<double>(values, u"values")),
        std::unique_ptr<ServiceType>(Scalar<std::u16string>(std::u16string(1 << 20, u'\u00e9'), u"text")),
    };
    for (auto const& tree : trees) {
        std::string const text = Encoded(*tree);
        Peak const peak = Measure(text, {}, tree.get());
        ASSERT_FALSE(peak.refused);
        EXPECT_LE(peak.beyondTree, 4 * text.size()) << text.substr(0, 60);
    }
    // Short items take more, the parser's node for each among it: within the documented cost.
    std::unique_ptr<ServiceType> const names(
        Sequence<std::u16string>(std::vector<std::u16string>(20000, u"name 1234"), u"s"));
    std::string const text = Encoded(*names);
    Peak const peak = Measure(text, {}, names.get());
    ASSERT_FALSE(peak.refused);
    EXPECT_LE(peak.beyondTree, kPerByte * text.size() + kPerElement * 20001);
}

TEST(XmlDecoderMemory, EmptySiblingsCostWhatTheLimitsDocument)
{
    std::size_t const count = 500000;
    std::string const text = Repeated("<r>", "<a/>", count, "</r>");
    Peak const peak = Measure(text, {});
    ASSERT_FALSE(peak.refused);
    EXPECT_LE(peak.beyondTree, kPerByte * text.size() + kPerElement * count);
    // So the defaults hold every text under a gibibyte (counting its bytes twice over).
    XmlDecoderLimits const defaults;
    EXPECT_LE((kPerCopy + kPerAttributeByte) * defaults.MaxTextBytes + kPerElement * defaults.MaxElements,
        std::size_t(1) << 30);
}

TEST(XmlDecoderMemory, AttributesCostWhatTheLimitsDocument)
{
    // Duplicates among many attributes are refused after the parse: at most the
    // documented cost per byte of text.
    std::string text = "<a";
    for (int i = 0; i < 200000; ++i) {
        text += " a" + std::to_string(i) + "=''";
    }
    text += " a7=''/>";
    Peak const peak = Measure(text, {});
    EXPECT_TRUE(peak.refused);
    EXPECT_LE(peak.beyondTree, kPerAttributeByte * text.size());
}

TEST(XmlDecoderMemory, RefusalsBeforeTheParseCostOnlyTheCopyOfTheText)
{
    // A million unclosed elements, too deep; too many elements: refused from the parser's
    // copy of the text before the parser builds a node.
    std::string const texts[] = {
        Repeated("", "<a>", 1000000, ""),
        Repeated("<r>", "<a/>", 200000, "</r>"),
    };
    XmlDecoderLimits limits;
    limits.MaxElements = 1000;
    for (std::string const& text : texts) {
        Peak const peak = Measure(text, limits);
        EXPECT_TRUE(peak.refused);
        EXPECT_LE(peak.beyondTree, text.size() + (std::size_t(64) << 10)) << text.substr(0, 20);
    }
}

TEST(XmlDecoderMemory, ATranscodedTextIsHeldOnceMore)
{
    // UTF-16 of ideographs: three bytes of UTF-8 for two of UTF-16.
    std::u16string const body = u"<r>" + std::u16string(200000, u'\u4E2D') + u"</r>";
    std::string text = "\xFF\xFE";
    for (char16_t unit : body) {
        text += static_cast<char>(unit & 0xFF);
        text += static_cast<char>(unit >> 8);
    }
    std::string const utf8 = Repeated("<r>", "\xE4\xB8\xAD", 200000, "</r>");
    // Each decoded once first: what a first call initialises once is not the decode's.
    Measure(text, {});
    Measure(utf8, {});
    Peak const peak = Measure(text, {});
    Peak const direct = Measure(utf8, {});
    ASSERT_FALSE(peak.refused);
    ASSERT_FALSE(direct.refused);
    // One copy, as the allocator rounds it.
    EXPECT_LE(peak.beyondTree, direct.beyondTree + kPerCopy * utf8.size() + 64);
}

TEST(XmlDecoderMemory, AStreamIsHeldOnceMore)
{
    // Read into a text of the stream's length, not one grown to twice as much.
    std::string const text = Repeated("<r>", "<a>1</a>", 200000, "</r>");
    std::istringstream in(text);
    auto const measure = [&](auto decode) {
        std::size_t const before = CountingHeap::g_InUse;
        CountingHeap::g_Peak = before;
        std::unique_ptr<ServiceType> const tree = decode();
        return CountingHeap::g_Peak - before - (CountingHeap::g_InUse - before);
    };
    auto const fromStream = [&] {
        in.clear();
        in.seekg(0);
        return XmlDecoder(in).DecodeTree();
    };
    auto const fromText = [&] { return XmlDecoder(text).DecodeTree(); };
    measure(fromStream);
    measure(fromText);
    std::size_t const stream = measure(fromStream);
    std::size_t const direct = measure(fromText);
    EXPECT_LE(stream, direct + kPerCopy * text.size() + 64);
}

} // namespace
