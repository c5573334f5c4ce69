#pragma once

// An independent check of UTF-8, for the tests, the soak run and the fuzz targets.

#include <cstddef>
#include <string_view>

namespace TarnwickTest {

/// True when `text` is well-formed UTF-8 (no surrogates, no overlong forms).
inline bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        auto const lead = static_cast<unsigned char>(text[i]);
        int count = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            count = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            count = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            count = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        for (int k = 1; k <= count; ++k) {
            if (i + static_cast<std::size_t>(k) >= text.size()) {
                return false;
            }
            auto const next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if (next < low || next > high) {
                return false;
            }
            low = 0x80;
            high = 0xBF;
        }
        i += static_cast<std::size_t>(count) + 1;
    }
    return true;
}

} // namespace TarnwickTest
