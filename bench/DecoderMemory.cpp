// Peak heap during one decode of the reference message, per implementation,
// counted by the program's own allocation functions (CountingHeap.h).
//   ./decoder_memory

#include "DecoderReference.h"

#include "CountingHeap.h"

#include <cstdio>
#include <cstring>

using namespace DecoderBench;

namespace {

template <class Decode> void Measure(char const* name, std::string const& text, Decode decode)
{
    decode(text); // warm up: whatever a first call initialises once is not the decode's
    std::size_t const before = CountingHeap::g_InUse;
    CountingHeap::g_Peak = before;
    [[maybe_unused]] auto const result = decode(text); // the tree, kept to the end
    std::size_t const tree = CountingHeap::g_InUse - before;
    std::size_t const peak = CountingHeap::g_Peak - before;
    auto const mb = [](std::size_t bytes) { return static_cast<double>(bytes) / 1e6; };
    std::printf("| %s | %.2f MB | %.2f MB | %.2f MB | %.2f |\n", name, mb(peak), mb(tree), mb(peak - tree),
        static_cast<double>(peak - tree) / static_cast<double>(text.size()));
}

} // namespace

int main()
{
    Reference const reference;
    std::string const& text = reference.text;
    std::printf("input %zu bytes\n\n| decode | peak above start | finished tree | peak minus tree | ÷ text |\n"
                "|---|---|---|---|---|\n",
        text.size());
    Measure(
        "Tarnwick `XmlDecoder`", text, [&](std::string const& t) { return DecodeTarnwick(t, *reference.prototype); });
    Measure("pugixml parse alone", text, ParsePugixml);
    // What the decoder's parse takes: its own copy of the text, parsed in place,
    // character data embedded in the element nodes.
    Measure("pugixml parse alone, in place, embedded character data", text, [](std::string const& t) {
        std::string copy = t;
        pugi::xml_document document;
        return static_cast<bool>(document.load_buffer_inplace(copy.data(), copy.size(),
            pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration | pugi::parse_doctype
                | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata | pugi::parse_fragment));
    });
    Measure("pugixml parse + walk", text, WalkPugixml);
    Measure("tinyxml2 parse + walk", text, WalkTinyxml2);
    Measure("libxml2 `xmlReadMemory` + walk", text, WalkLibxml2);
    return 0;
}
