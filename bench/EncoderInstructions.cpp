// Encodes the reference message once per implementation, for instruction
// counts under callgrind: each is run once to warm up, then once inside a
// function named Measured*, which callgrind is told to collect alone:
//   valgrind --tool=callgrind --toggle-collect='Measured*' ./encoder_instructions
// The encoder and pugixml write into one string kept across messages (the
// server's steady state), into a fresh string and into a file stream.

#include "EncoderReference.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace EncoderBench;

namespace {

std::size_t volatile g_Sink;

} // namespace

extern "C" __attribute__((noinline)) void MeasuredTarnwickReused(
    ReusedOutput& o, Tarnwick::ServiceMessage const& h, Tarnwick::DataTypes::ServiceType const& t)
{
    g_Sink = o.Encode(h, t).size();
}
extern "C" __attribute__((noinline)) void MeasuredTarnwickStandardReused(
    ReusedOutput& o, Tarnwick::ServiceMessage const& h, Tarnwick::DataTypes::ServiceType const& t)
{
    g_Sink = o.EncodeStandard(h, t).size();
}
extern "C" __attribute__((noinline)) void MeasuredPugixmlReused(PugiReusedOutput& o, pugi::xml_document const& d)
{
    g_Sink = o.Save(d).size();
}
extern "C" __attribute__((noinline)) void MeasuredTarnwickFresh(
    Tarnwick::ServiceMessage const& h, Tarnwick::DataTypes::ServiceType const& t)
{
    g_Sink = EncodeTarnwick(h, t).size();
}
extern "C" __attribute__((noinline)) void MeasuredPugixmlFresh(pugi::xml_document const& d)
{
    g_Sink = SavePugi(d).size();
}
extern "C" __attribute__((noinline)) void MeasuredTarnwickFile(
    std::ofstream& out, Tarnwick::ServiceMessage const& h, Tarnwick::DataTypes::ServiceType const& t)
{
    out.seekp(0);
    EncodeTarnwickTo(out, h, t);
    out.flush();
}
extern "C" __attribute__((noinline)) void MeasuredPugixmlFile(std::ofstream& out, pugi::xml_document const& d)
{
    out.seekp(0);
    d.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    out.flush();
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

    ReusedOutput reused;
    reused.Encode(header, *tree);
    MeasuredTarnwickReused(reused, header, *tree);
    ReusedOutput standard;
    std::size_t const standardBytes = standard.EncodeStandard(header, *tree).size();
    MeasuredTarnwickStandardReused(standard, header, *tree);
    PugiReusedOutput pugiReused;
    pugiReused.Save(*pugi);
    MeasuredPugixmlReused(pugiReused, *pugi);

    std::string const ours = EncodeTarnwick(header, *tree);
    MeasuredTarnwickFresh(header, *tree);
    std::size_t const pugiBytes = SavePugi(*pugi).size();
    MeasuredPugixmlFresh(*pugi);

    // Each run rewrites one file from its start.
    std::filesystem::path const path = std::filesystem::temp_directory_path() / "tarnwick-encoder-instructions.xml";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        MeasuredTarnwickFile(file, header, *tree);
        MeasuredTarnwickFile(file, header, *tree);
        MeasuredPugixmlFile(file, *pugi);
        MeasuredPugixmlFile(file, *pugi);
    }
    std::filesystem::remove(path);

    std::size_t const tinyBytes = PrintTiny(*tiny).size();
    MeasuredTinyxml2(*tiny);
    std::size_t const libxmlBytes = WriteLibxml2(texts).size();
    MeasuredLibxml2(texts);
    std::string target(ours.size(), '\0');
    std::memcpy(target.data(), ours.data(), ours.size());
    MeasuredMemcpy(target, ours);

    std::printf("output bytes: tarnwick %zu (standard profile %zu), pugixml %zu, tinyxml2 %zu, libxml2 %zu\n",
        ours.size(), standardBytes, pugiBytes, tinyBytes, libxmlBytes);
    return 0;
}
