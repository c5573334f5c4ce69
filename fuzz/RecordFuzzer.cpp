// Arbitrary bytes decoded into records: through the decoder's DecodeInto (the
// record's StoreTo as prototype, then its InitFrom), and the shape-free tree of
// the same text given to InitFrom directly, so that records read trees of any
// shape. A refusal (ServiceException) is the expected answer to bad input;
// anything else is a finding. Properties checked:
//   - a refused decode or InitFrom changes nothing;
//   - an accepted record stores a tree that encodes, and that text decodes
//     into a record storing the same bytes again;
//   - DecodeInto, which may read a record straight from the text, gives the
//     value or the refusal (message, source, line) of the record's StoreTo as
//     prototype, the typed tree and InitFrom.

#include "RecordDifferential.h"
#include "RecordShapes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace {

using namespace Tarnwick;
using namespace RecordFuzz;
using Tarnwick::Encoding::XmlDecoder;

[[noreturn]] void Violated(char const* property)
{
    std::fprintf(stderr, "property violated: %s\n", property);
    std::abort();
}

// The differential reading (a refused DecodeInto changes nothing), the round
// trip of what was accepted, and InitFrom on the shape-free tree.
template <class R> void Exercise(XmlDecoder const& decoder, R const& filled)
{
    bool accepted = false;
    for (R const& start : {filled, R()}) {
        std::string const disagreement = RecordDifferential::Disagreement(decoder, start, &accepted);
        if (!disagreement.empty()) {
            Violated(disagreement.c_str());
        }
    }
    if (accepted) {
        R read;
        decoder.DecodeInto(read);
        std::string text;
        try {
            text = Encoded(read);
        } catch (ServiceException const&) {
            return; // what the text held the encoder may refuse (a variant of a kind it cannot write)
        }
        R again;
        XmlDecoder(text).DecodeInto(again);
        if (Encoded(again) != text) {
            Violated("a decoded record does not store the same bytes again");
        }
    }
    std::unique_ptr<DataTypes::ServiceType> tree;
    try {
        tree = decoder.DecodeTree();
    } catch (ServiceException const&) {
        return;
    }
    R target = filled;
    try {
        target.InitFrom(tree.get());
    } catch (ServiceException const&) {
        R copy = filled;
        if (RecordDifferential::Stored(target) != RecordDifferential::Stored(copy)) {
            Violated("a refused read changed the record");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::unique_ptr<XmlDecoder> decoder;
    try {
        decoder = std::make_unique<XmlDecoder>(std::string_view(reinterpret_cast<char const*>(data), size));
    } catch (ServiceException const&) {
        return 0;
    }
    Exercise(*decoder, FilledShapes());
    Exercise(*decoder, FilledShapes().branches[0]);
    Exercise(*decoder, FilledShapes().leaf);
    Exercise(*decoder, FilledPlain());
    return 0;
}
