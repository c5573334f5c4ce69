// Decodes the reference message once per implementation, for instruction
// counts under callgrind: each is run once to warm up (and checked to build
// the decoder's very tree), then once inside a function named Measured*, which
// callgrind is told to collect alone:
//   valgrind --tool=callgrind --toggle-collect='Measured*' ./decoder_instructions

#include "DecoderReference.h"

#include <cstdio>

using namespace DecoderBench;

namespace {

bool volatile g_Sink;

} // namespace

extern "C" __attribute__((noinline)) void MeasuredTarnwick(std::string const& text, CompositeType const& prototype)
{
    g_Sink = DecodeTarnwick(text, prototype).tree != nullptr;
}
extern "C" __attribute__((noinline)) void MeasuredPugixmlParse(std::string const& text)
{
    g_Sink = ParsePugixml(text);
}
extern "C" __attribute__((noinline)) void MeasuredPugixmlWalk(std::string const& text)
{
    g_Sink = WalkPugixml(text).tree != nullptr;
}
extern "C" __attribute__((noinline)) void MeasuredTinyxml2Walk(std::string const& text)
{
    g_Sink = WalkTinyxml2(text).tree != nullptr;
}
extern "C" __attribute__((noinline)) void MeasuredLibxml2Walk(std::string const& text)
{
    g_Sink = WalkLibxml2(text).tree != nullptr;
}

int main()
{
    Reference const reference;
    std::string const& text = reference.text;

    Decoded const ours = DecodeTarnwick(text, *reference.prototype);
    MeasuredTarnwick(text, *reference.prototype);
    bool const parsed = ParsePugixml(text);
    MeasuredPugixmlParse(text);
    bool const pugi = SameAs(ours, WalkPugixml(text));
    MeasuredPugixmlWalk(text);
    bool const tiny = SameAs(ours, WalkTinyxml2(text));
    MeasuredTinyxml2Walk(text);
    bool const libxml = SameAs(ours, WalkLibxml2(text));
    MeasuredLibxml2Walk(text);

    std::printf("input bytes %zu; the same tree as the decoder's: pugixml %s, tinyxml2 %s, libxml2 %s\n", text.size(),
        pugi ? "yes" : "NO", tiny ? "yes" : "NO", libxml ? "yes" : "NO");
    return parsed && pugi && tiny && libxml ? 0 : 1;
}
