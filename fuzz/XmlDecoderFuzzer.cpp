// Arbitrary bytes into XmlDecoder: parsed once with the default limits (and
// once more refusing legacy bytes), then decoded shape-free, against a
// prototype of every kind, as a header, into a value object and as a whole
// message; all of it once more with tolerant reading on (unknown elements
// skipped, missing ones kept from the prototype, the schema's value forms).
// A refusal (ServiceException) is the expected answer to bad input;
// anything else is a finding. Properties checked on every accepted input:
//   - a typed decode encodes (unless it is a wrapper sequence, which the
//     encoder writes only as a dictionary's values), and the re-encoded text decodes again
//     (against the same prototype, with the same limits) into a tree that encodes
//     to the same bytes;
//   - a decoded header re-encodes and decodes to the same fields;
//   - a refused DecodeInto or DecodeMessage changes nothing, for a value object tried on
//     a copy first and for a record read once;
//   - every refusal's message is short, however long the names and values it quotes.
//   - the bytes as UTF-16 characters (each byte one unit), with a little-endian and
//     with a big-endian byte order mark, give the same tree or the same refusal, and
//     the same as the bytes themselves when they are ASCII and name no encoding.
// The rest of the input after its first byte is also parsed within small limits
// (elements and attributes, depth) that the first byte chooses.

#include "DecoderPrototypes.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;
using Tarnwick::Encoding::XmlEncoder;
using Tarnwick::StubProxy::UserParametersErrorString;

[[noreturn]] void Violated(char const* property, std::string const& detail = {})
{
    std::fprintf(stderr, "property violated: %s\n%s\n", property, detail.c_str());
    std::abort();
}

std::string Encoded(ServiceType const& tree)
{
    std::string text;
    XmlEncoder::Encode(text, &tree, 0);
    return text;
}

std::string EncodedHeader(ServiceMessage const& message)
{
    std::ostringstream out;
    XmlEncoder::EncodeHeader(out, &message);
    XmlEncoder::AppendFooter(out);
    return std::move(out).str();
}

// The longest refusal message: a fixed text, two quoted pieces of at most 40
// bytes each, a path of at most 12 names as long, and the position.
constexpr std::size_t kMaxRefusal = 1024;

// Runs one step; a refusal ends the step, nothing else is caught.
template <class Step> void Refusable(Step step)
{
    try {
        step();
    } catch (ServiceException const& e) {
        if (std::strlen(e.what()) > kMaxRefusal) {
            Violated("a refusal's message is bounded", e.what());
        }
    }
}

void TypedRoundTrip(XmlDecoder const& decoder, ServiceType const& prototype, XmlDecoderLimits const& limits)
{
    std::unique_ptr<ServiceType> tree;
    Refusable([&] { tree = decoder.DecodeTree(prototype); });
    if (tree == nullptr) {
        return;
    }
    std::string first;
    try {
        first = Encoded(*tree);
    } catch (ServiceException const& e) {
        // A wrapper sequence is written only as a dictionary's values; every other tree must encode.
        if (prototype.GetType() != ANY_TYPE_SEQUENCE) {
            Violated("a typed decode encodes", e.what());
        }
        return;
    }
    std::unique_ptr<ServiceType> again;
    try {
        again = XmlDecoder(first, limits).DecodeTree(prototype);
    } catch (ServiceException const& e) {
        Violated("a typed decode's encoding decodes again", first + "\n" + e.what());
    }
    if (again == nullptr) {
        Violated("a typed decode's encoding holds a parameter element", first);
    }
    if (std::string const second = Encoded(*again); second != first) {
        Violated("a typed decode's encoding decodes to the same bytes", first + "\n---\n" + second);
    }
}

void HeaderRoundTrip(XmlDecoder const& decoder)
{
    ServiceMessage message;
    bool decoded = false;
    Refusable([&] {
        decoder.DecodeHeader(message);
        decoded = true;
    });
    if (!decoded) {
        return;
    }
    std::string const first = EncodedHeader(message);
    ServiceMessage again;
    try {
        XmlDecoder(first).DecodeHeader(again);
    } catch (ServiceException const& e) {
        Violated("an encoded header decodes again", first + "\n" + e.what());
    }
    if (EncodedHeader(again) != first) {
        Violated("an encoded header decodes to the same fields", first);
    }
}

/// A record, which the decoder reads once, into the record itself.
struct Reading : StubProxy::Record<Reading> {
    std::u16string text = u"unchanged";
    std::int32_t number = 7;
    std::vector<std::int16_t> items;
    static constexpr auto Fields()
    {
        return std::tuple {StubProxy::Field(u"text", &Reading::text), StubProxy::Field(u"number", &Reading::number),
            StubProxy::Field(u"items", &Reading::items)};
    }
    bool Unchanged() const { return text == u"unchanged" && number == 7 && items.empty(); }
};

// A failed decode leaves the value object and the message as they were.
void ValueObjects(XmlDecoder const& decoder)
{
    Reading record;
    try {
        decoder.DecodeInto(record);
    } catch (ServiceException const&) {
        if (!record.Unchanged()) {
            Violated("a refused DecodeInto leaves the record unchanged");
        }
    }
    ServiceMessage withRecord;
    withRecord.SetParameters(new Reading);
    try {
        decoder.DecodeMessage(withRecord);
    } catch (ServiceException const&) {
        if (!static_cast<Reading const*>(withRecord.GetParameters())->Unchanged()) {
            Violated("a refused DecodeMessage leaves the record unchanged");
        }
    }
    UserParametersErrorString error(u"unchanged");
    try {
        decoder.DecodeInto(error);
    } catch (ServiceException const&) {
        if (error.GetError() != u"unchanged") {
            Violated("a refused DecodeInto leaves the value unchanged");
        }
    }
    ServiceMessage message;
    message.SetOperationName(u"unchanged");
    message.SetParameters(new UserParametersErrorString(u"unchanged"));
    try {
        decoder.DecodeMessage(message);
    } catch (ServiceException const&) {
        auto const* payload = dynamic_cast<UserParametersErrorString const*>(message.GetParameters());
        if (message.GetOperationName() != u"unchanged" || payload == nullptr || payload->GetError() != u"unchanged") {
            Violated("a refused DecodeMessage leaves the message unchanged");
        }
    }
}

/// The shape-free tree as the encoder writes it, or the refusal, as comparable text.
std::string Outcome(std::string_view text, XmlDecoderLimits const& limits = {})
{
    try {
        std::unique_ptr<ServiceType> const tree = XmlDecoder(text, limits).DecodeTree();
        return tree != nullptr ? "tree " + Encoded(*tree) : "no tree";
    } catch (ServiceException const& e) {
        return std::string("refused ") + e.what();
    }
}

/// Each byte as one UTF-16 unit, after a byte order mark.
std::string Widened(std::string_view bytes, bool bigEndian)
{
    std::string wide = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char byte : bytes) {
        wide += bigEndian ? '\0' : byte;
        wide += bigEndian ? byte : '\0';
    }
    return wide;
}

void Encodings(std::string_view text)
{
    std::string const little = Outcome(Widened(text, false));
    if (std::string const big = Outcome(Widened(text, true)); big != little) {
        Violated("UTF-16 in either byte order reads the same", little + "\n---\n" + big);
    }
    bool const ascii = std::all_of(text.begin(), text.end(), [](char c) { return c > 0; });
    if (ascii && text.find("encoding") == std::string_view::npos) {
        if (std::string const narrow = Outcome(text); narrow != little) {
            Violated("ASCII reads the same as UTF-16", narrow + "\n---\n" + little);
        }
    }
}

void SmallLimits(std::string_view text)
{
    if (text.empty()) {
        return;
    }
    auto const choice = static_cast<unsigned char>(text[0]);
    XmlDecoderLimits limits;
    limits.MaxElements = choice & 0x0F;
    limits.MaxDepth = 1 + ((choice >> 4) & 0x07);
    limits.AcceptLegacyBytes = (choice & 0x80) == 0;
    Outcome(text.substr(1), limits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    static auto const prototypes = DecoderFuzz::Prototypes();
    std::string_view const text(reinterpret_cast<char const*>(data), size);
    Encodings(text);
    SmallLimits(text);

    Refusable([&] {
        XmlDecoderLimits strict;
        strict.AcceptLegacyBytes = false;
        strict.MaxDepth = 8;
        XmlDecoder const decoder(text, strict);
        if (auto tree = decoder.DecodeTree()) {
            Encoded(*tree);
        }
    });

    XmlDecoderLimits tolerant;
    tolerant.IgnoreUnknownElements = true;
    tolerant.KeepMissingElements = true;
    tolerant.AcceptSchemaForms = true;
    for (XmlDecoderLimits const& limits : {XmlDecoderLimits {}, tolerant}) {
        std::unique_ptr<XmlDecoder> decoder;
        Refusable([&] { decoder = std::make_unique<XmlDecoder>(text, limits); });
        if (decoder == nullptr) {
            return 0;
        }
        Refusable([&] {
            if (auto tree = decoder->DecodeTree()) {
                Encoded(*tree);
            }
        });
        for (auto const& prototype : prototypes) {
            TypedRoundTrip(*decoder, *prototype, limits);
        }
        if (decoder->IsMessage()) {
            HeaderRoundTrip(*decoder);
        }
        ValueObjects(*decoder);
    }
    return 0;
}
