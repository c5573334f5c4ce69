// Peak heap during one decode of the reference message, per implementation.
// This program's allocation functions stand in for the C library's (the
// executable's definitions win over libc's for every library loaded, so the
// parsers' own malloc calls count too) and keep the bytes in use, as
// malloc_usable_size reports them, and their high-water mark.
//   ./decoder_memory

#include "DecoderReference.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

// One thread allocates here; the counters need no atomicity.
std::size_t g_InUse = 0;
std::size_t g_Peak = 0;

void* Counted(void* block)
{
    if (block != nullptr) {
        g_InUse += malloc_usable_size(block);
        g_Peak = g_InUse > g_Peak ? g_InUse : g_Peak;
    }
    return block;
}

void Uncounted(void* block)
{
    if (block != nullptr) {
        g_InUse -= malloc_usable_size(block);
    }
}

} // namespace

extern "C" {
void* malloc(std::size_t size)
{
    return Counted(__libc_malloc(size));
}
void* calloc(std::size_t count, std::size_t size)
{
    return Counted(__libc_calloc(count, size));
}
void* realloc(void* block, std::size_t size)
{
    Uncounted(block);
    void* const moved = __libc_realloc(block, size);
    if (moved == nullptr && size != 0 && block != nullptr) {
        Counted(block); // the old block stays
        return nullptr;
    }
    return Counted(moved);
}
void* memalign(std::size_t alignment, std::size_t size)
{
    return Counted(__libc_memalign(alignment, size));
}
void* aligned_alloc(std::size_t alignment, std::size_t size)
{
    return Counted(__libc_memalign(alignment, size));
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size)
{
    void* const p = Counted(__libc_memalign(alignment, size));
    if (p == nullptr) {
        return ENOMEM;
    }
    *block = p;
    return 0;
}
void free(void* block)
{
    Uncounted(block);
    __libc_free(block);
}
}

using namespace DecoderBench;

namespace {

template <class Decode> void Measure(char const* name, std::string const& text, Decode decode)
{
    decode(text); // warm up: whatever a first call initialises once is not the decode's
    std::size_t const before = g_InUse;
    g_Peak = before;
    [[maybe_unused]] auto const result = decode(text); // the tree, kept to the end
    std::size_t const tree = g_InUse - before;
    std::size_t const peak = g_Peak - before;
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
