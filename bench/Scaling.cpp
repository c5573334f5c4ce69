// Time and peak heap of one decode per shape at three sizes, with the growth
// exponent between the two larger ones: every shape should grow linearly (or as
// n log n), and its peak heap beyond the returned tree stay within the bound the
// decoder documents. A program, not a benchmark: each row is the least wall-clock
// time of three decodes, so take the exponents, not the times, as the result.
//   ./scaling [scale]        (scale multiplies every size; default 1)
//
// A new family is one row of `kShapes`: a name and a builder of its case at a size.

#include "CountingHeap.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/encoding/XmlDecoder.h>
#include <tarnwick/encoding/XmlEncoder.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace Tarnwick::DataTypes;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;

/// One measured run: what it does at its size, measured by `Run`.
struct Case {
    std::string text;
    /// Typed decoding when set, else shape-free.
    std::unique_ptr<ServiceType> prototype;
    XmlDecoderLimits limits;
};

struct Shape {
    char const* name;
    /// The three sizes (elements, levels or units; see the builder).
    std::size_t sizes[3];
    std::function<Case(std::size_t)> build;
};

/// `prefix` followed by the digits of `number`.
std::u16string Named(char16_t prefix, std::size_t number)
{
    std::u16string name(1, prefix);
    for (char digit : std::to_string(number)) {
        name.push_back(static_cast<char16_t>(digit));
    }
    return name;
}

/// The text the encoder writes for `tree`, which is then also the prototype.
Case Encoded(ServiceType* tree)
{
    Case run;
    std::ostringstream out;
    Tarnwick::Encoding::XmlEncoder::Encode(out, tree, 0);
    run.text = out.str();
    run.prototype.reset(tree);
    return run;
}

Case Repeated(std::string const& open, std::string const& unit, std::string const& close, std::size_t n)
{
    Case run;
    run.text.reserve(open.size() + unit.size() * n + close.size());
    run.text += open;
    for (std::size_t i = 0; i < n; ++i) {
        run.text += unit;
    }
    run.text += close;
    return run;
}

std::vector<Shape> const kShapes = {
    {"scalars of distinct names", {20000, 80000, 320000},
        [](std::size_t n) {
            auto* root = new CompositeType(u"r");
            for (std::size_t i = 0; i < n; ++i) {
                root->Add(new ScalarType<std::int32_t>(static_cast<std::int32_t>(i), Named(u'v', i)));
            }
            return Encoded(root);
        }},
    {"children of one name", {20000, 80000, 320000},
        [](std::size_t n) {
            auto* root = new CompositeType(u"r");
            for (std::size_t i = 0; i < n; ++i) {
                root->Add(new ScalarType<std::int32_t>(static_cast<std::int32_t>(i), u"x"));
            }
            return Encoded(root);
        }},
    {"sequence of doubles", {20000, 80000, 320000},
        [](std::size_t n) {
            std::vector<double> values(n);
            for (std::size_t i = 0; i < n; ++i) {
                values[i] = static_cast<double>(i) / 3;
            }
            return Encoded(new SequenceType<double>(values, u"s"));
        }},
    {"dictionary string to int32", {20000, 80000, 320000},
        [](std::size_t n) {
            std::vector<std::u16string> keys(n);
            std::vector<std::int32_t> values(n);
            for (std::size_t i = 0; i < n; ++i) {
                keys[i] = Named(u'k', i);
                values[i] = static_cast<std::int32_t>(i);
            }
            auto* dictionary = new DictionaryType(u"d");
            dictionary->SetKeys(new SequenceType<std::u16string>(keys, u"keys"));
            dictionary->SetValues(new SequenceType<std::int32_t>(values, u"values"));
            return Encoded(dictionary);
        }},
    {"composite sequence", {5000, 20000, 80000},
        [](std::size_t n) {
            auto* sequence = new CompositeSequenceType(u"q", nullptr);
            for (std::size_t i = 0; i < n; ++i) {
                auto* item = new CompositeType(u"item");
                item->Add(new ScalarType<std::int32_t>(static_cast<std::int32_t>(i), u"id"));
                item->Add(new ScalarType<std::u16string>(u"name", u"name"));
                sequence->Add(item);
            }
            return Encoded(sequence);
        }},
    {"one long string", {1 << 18, 1 << 20, 1 << 22},
        [](std::size_t n) { return Encoded(new ScalarType<std::u16string>(std::u16string(n, u'\u00e9'), u"s")); }},
    {"deep nesting (levels)", {1000, 4000, 16000},
        [](std::size_t n) {
            Case run = Repeated("", "<a>", "1", n);
            for (std::size_t i = 0; i < n; ++i) {
                run.text += "</a>";
            }
            run.limits.MaxDepth = n;
            return run;
        }},
    {"many attributes (refused)", {20000, 80000, 320000},
        [](std::size_t n) {
            Case run;
            run.text = "<a";
            for (std::size_t i = 0; i < n; ++i) {
                run.text += " a" + std::to_string(i) + "=''";
            }
            run.text += "/>";
            return run;
        }},
    {"hostile: empty siblings <a/>", {250000, 1000000, 4000000},
        [](std::size_t n) { return Repeated("<r>", "<a/>", "</r>", n); }},
    {"hostile: unclosed <a> (refused)", {250000, 1000000, 4000000},
        [](std::size_t n) { return Repeated("", "<a>", "", n); }},
    {"hostile: 255 long names, bad value (refused)", {1000, 10000, 100000},
        [](std::size_t n) {
            std::string const name(n, 'n');
            std::u16string const wide(n, u'n');
            Case run;
            ServiceType* inner = new ScalarType<std::int32_t>(0, u"v");
            for (int level = 0; level < 254; ++level) {
                auto* composite = new CompositeType(wide);
                composite->Add(inner);
                inner = composite;
            }
            run.prototype.reset(inner);
            run.limits.MaxTextBytes = std::size_t(1) << 30;
            for (int level = 0; level < 254; ++level) {
                run.text += "<" + name + ">";
            }
            run.text += "<v>x</v>";
            for (int level = 0; level < 254; ++level) {
                run.text += "</" + name + ">";
            }
            return run;
        }},
};

struct Result {
    double seconds;
    std::size_t peakBeyondTree;
    std::size_t text;
    bool refused;
};

Result Run(Case const& run)
{
    std::size_t const before = CountingHeap::g_InUse;
    CountingHeap::g_Peak = before;
    auto const start = std::chrono::steady_clock::now();
    std::unique_ptr<ServiceType> tree;
    bool refused = false;
    try {
        XmlDecoder const decoder(run.text, run.limits);
        tree = run.prototype ? decoder.DecodeTree(*run.prototype) : decoder.DecodeTree();
    } catch (Tarnwick::ServiceException const&) {
        refused = true;
    }
    auto const stop = std::chrono::steady_clock::now();
    std::size_t const kept = CountingHeap::g_InUse - before;
    Result const result {std::chrono::duration<double>(stop - start).count(), CountingHeap::g_Peak - before - kept,
        run.text.size(), refused};
    // Deep trees are destroyed by recursion: past the measured levels only.
    tree.reset();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    double const scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    std::printf("| shape | size | text | time | peak beyond tree | ÷ text | exponent (time, heap) |\n"
                "|---|---|---|---|---|---|---|\n");
    for (Shape const& shape : kShapes) {
        Result results[3];
        for (int i = 0; i < 3; ++i) {
            auto const size = static_cast<std::size_t>(static_cast<double>(shape.sizes[i]) * scale);
            Case const run = shape.build(size);
            Run(run); // warm up: what a first call initialises once is not the decode's
            // The least of three times: the machine's other work only ever adds.
            results[i] = Run(run);
            for (int repeat = 0; repeat < 2; ++repeat) {
                results[i].seconds = std::min(results[i].seconds, Run(run).seconds);
            }
            Result const& r = results[i];
            std::printf("| %s | %zu | %.2f MB | %.4f s | %.2f MB | %.2f |", shape.name, size,
                static_cast<double>(r.text) / 1e6, r.seconds, static_cast<double>(r.peakBeyondTree) / 1e6,
                static_cast<double>(r.peakBeyondTree) / static_cast<double>(r.text));
            if (i == 2) {
                // Between the two larger sizes, against the growth of the text.
                double const growth
                    = std::log(static_cast<double>(results[2].text) / static_cast<double>(results[1].text));
                std::printf(" %.2f, %.2f |\n", std::log(results[2].seconds / results[1].seconds) / growth,
                    std::log(static_cast<double>(results[2].peakBeyondTree)
                        / static_cast<double>(std::max<std::size_t>(results[1].peakBeyondTree, 1)))
                        / growth);
            } else {
                std::printf(" |\n");
            }
        }
    }
    return 0;
}
