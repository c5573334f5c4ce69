#pragma once

// A record decoded by DecodeInto against the same record read the long way: the
// record's StoreTo as prototype, the typed tree of the text, then InitFrom. Both
// must give the same value, or the same refusal (message, source, line) with the
// record left as it was. Shared by the record fuzz target and the decoder tests.

#include "RecordShapes.h"

#include <tarnwick/tarnwick.h>

#include <memory>
#include <string>

namespace RecordDifferential {

/// What a reading gave: the encoder's text of the record read, or the refusal.
struct Outcome {
    bool accepted = false;
    std::string value;
    std::u16string refusal;
};

/// The encoder's text of the tree `record` stores: equal texts, equal values. A value the
/// encoder refuses (a variant of a kind it cannot write) is only marked so: records of
/// such members are read through the tree either way.
template <class R> std::string Stored(R& record)
{
    try {
        return RecordFuzz::Encoded(record);
    } catch (Tarnwick::ServiceException const&) {
        return "unencodable";
    }
}

template <class R, class Read> Outcome Run(R const& start, Read read)
{
    Outcome outcome;
    R record = start;
    try {
        read(record);
        outcome.accepted = true;
        outcome.value = Stored(record);
    } catch (Tarnwick::ServiceException const& refusal) {
        outcome.refusal = refusal.ToString();
        outcome.value = Stored(record);
    }
    return outcome;
}

/// Empty when `DecodeInto` and the long way agree on the text of `decoder` for a
/// record that held `start`; else what differs. `accepted`, when given, tells whether they accepted it.
template <class R>
std::string Disagreement(Tarnwick::Encoding::XmlDecoder const& decoder, R const& start, bool* accepted = nullptr)
{
    Outcome const direct = Run(start, [&](R& record) { decoder.DecodeInto(record); });
    Outcome const tree = Run(start, [&](R& record) {
        std::unique_ptr<Tarnwick::DataTypes::ServiceType> const prototype(record.StoreTo(nullptr));
        std::unique_ptr<Tarnwick::DataTypes::ServiceType> const read = decoder.DecodeTree(*prototype);
        if (read) {
            record.InitFrom(read.get());
        }
    });
    if (accepted != nullptr) {
        *accepted = tree.accepted;
    }
    if (direct.accepted != tree.accepted) {
        return direct.accepted ? "DecodeInto accepted what the tree refuses"
                               : "DecodeInto refused what the tree accepts";
    }
    if (direct.refusal != tree.refusal) {
        return "the refusals differ";
    }
    if (direct.value != tree.value) {
        return direct.accepted ? "the values read differ" : "a refusal changed the record";
    }
    if (!direct.accepted) {
        R copy = start;
        if (direct.value != Stored(copy)) {
            return "a refusal changed the record";
        }
    }
    return {};
}

} // namespace RecordDifferential
