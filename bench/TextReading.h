#pragma once

// Text read back by the hand-written peers of the benchmarks: UTF-8 to the
// library's UTF-16, and digits to a number.

#include <charconv>
#include <string>
#include <string_view>

namespace BenchText {

inline std::u16string Utf16(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        auto const lead = static_cast<unsigned char>(bytes[i]);
        int const tail = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t cp = tail == 0 ? lead : lead & (0x3F >> tail);
        for (int k = 1; k <= tail && i + k < bytes.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        }
        i += static_cast<std::size_t>(tail) + 1;
        if (cp >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(cp);
        }
    }
    return text;
}

template <class T> T Number(std::string_view text)
{
    T value {};
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace BenchText
