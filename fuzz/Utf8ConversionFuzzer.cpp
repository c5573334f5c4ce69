// Arbitrary bytes through Utf8ToUtf16 (as UTF-8) and Utf16ToUtf8 (as UTF-16
// units). The decoded text never holds a lone surrogate; well-formed input
// comes back unchanged; converting the output again changes nothing.

#include <tarnwick/core/Conversion.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

using Tarnwick::Utils::Conversion;

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool HasLoneSurrogate(std::u16string const& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t const unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string_view const bytes(reinterpret_cast<char const*>(data), size);
    std::u16string const decoded = Conversion::Utf8ToUtf16(bytes);
    Require(!HasLoneSurrogate(decoded));
    Require(decoded.size() <= bytes.size()); // never more units than bytes
    std::string const encoded = Conversion::Utf16ToUtf8(decoded);
    if (decoded.find(u'\uFFFD') == std::u16string::npos) {
        Require(encoded == bytes); // well-formed input round-trips exactly
    }
    Require(Conversion::Utf8ToUtf16(encoded) == decoded);

    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * 2);
    std::string const utf8 = Conversion::Utf16ToUtf8(units);
    std::u16string const back = Conversion::Utf8ToUtf16(utf8);
    Require(back.size() == units.size()); // lone surrogates become one U+FFFD each
    Require(Conversion::Utf16ToUtf8(back) == utf8);
    return 0;
}
