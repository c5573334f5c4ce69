#pragma once

// UTF-8 worked out from UTF-16 one code point at a time, apart from the library's
// code: the oracle of the text toolkit's and the encoder's tests, and the text the
// benchmarks hand ready-made to the general XML libraries.

#include <cstddef>
#include <string>
#include <string_view>

namespace TarnwickTest {

/// The UTF-8 form of `text`: surrogate pairs joined, lone surrogates as U+FFFD, the
/// unit 0 as the byte 0.
inline std::string ReferenceUtf8(std::u16string_view text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            bytes += static_cast<char>(cp);
        } else if (cp < 0x800) {
            bytes += static_cast<char>(0xC0 | (cp >> 6));
            bytes += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            bytes += static_cast<char>(0xE0 | (cp >> 12));
            bytes += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (cp >> 18));
            bytes += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return bytes;
}

} // namespace TarnwickTest
