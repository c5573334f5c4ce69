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

// `read` on a filled record: on refusal the record must be as it was.
template <class R, class Read> bool Unchanged(R& record, Read read)
{
    std::string const before = Encoded(record);
    try {
        read(record);
        return true;
    } catch (ServiceException const&) {
        if (Encoded(record) != before) {
            Violated("a refused read changed the record");
        }
        return false;
    }
}

template <class R> void Exercise(XmlDecoder const& decoder, R filled)
{
    for (R const& start : {filled, R()}) {
        if (!RecordDifferential::Disagreement(decoder, start).empty()) {
            Violated(RecordDifferential::Disagreement(decoder, start).c_str());
        }
    }
    if (Unchanged(filled, [&](R& r) { decoder.DecodeInto(r); })) {
        std::string text;
        try {
            text = Encoded(filled);
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
    Unchanged(target, [&](R& r) { r.InitFrom(tree.get()); });
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
