// Encodes the reference message once per implementation, for instruction
// counts under callgrind: each is run once to warm up, then once inside a
// function named Measured*, which callgrind is told to collect alone:
//   valgrind --tool=callgrind --toggle-collect='Measured*' ./encoder_instructions

#include "EncoderReference.h"

#include <cstdio>
#include <cstring>

using namespace EncoderBench;

namespace {

std::size_t volatile g_Sink;

} // namespace

extern "C" __attribute__((noinline)) void MeasuredTarnwick(
    Tarnwick::ServiceMessage const& h, Tarnwick::DataTypes::ServiceType const& t)
{
    g_Sink = EncodeTarnwick(h, t).size();
}
extern "C" __attribute__((noinline)) void MeasuredPugixml(pugi::xml_document const& d)
{
    g_Sink = SavePugi(d).size();
}
extern "C" __attribute__((noinline)) void MeasuredTinyxml2(tinyxml2::XMLDocument const& d)
{
    g_Sink = PrintTiny(d).size();
}
extern "C" __attribute__((noinline)) void MeasuredLibxml2(std::vector<TextRecord> const& r)
{
    g_Sink = WriteLibxml2(r).size();
}
extern "C" __attribute__((noinline)) void MeasuredMemcpy(std::string& target, std::string const& source)
{
    std::memcpy(target.data(), source.data(), source.size());
    g_Sink = target.size();
}

int main()
{
    auto const records = MakeRecords();
    auto const header = MakeHeader();
    auto const tree = MakeTree(records);
    auto const texts = MakeTextRecords(records);
    auto const pugi = MakePugiDocument(texts);
    auto const tiny = MakeTinyDocument(texts);

    std::string const ours = EncodeTarnwick(header, *tree);
    MeasuredTarnwick(header, *tree);
    std::size_t const pugiBytes = SavePugi(*pugi).size();
    MeasuredPugixml(*pugi);
    std::size_t const tinyBytes = PrintTiny(*tiny).size();
    MeasuredTinyxml2(*tiny);
    std::size_t const libxmlBytes = WriteLibxml2(texts).size();
    MeasuredLibxml2(texts);
    std::string target(ours.size(), '\0');
    std::memcpy(target.data(), ours.data(), ours.size());
    MeasuredMemcpy(target, ours);

    std::printf("output bytes: tarnwick %zu, pugixml %zu, tinyxml2 %zu, libxml2 %zu\n", ours.size(), pugiBytes,
        tinyBytes, libxmlBytes);
    return 0;
}
