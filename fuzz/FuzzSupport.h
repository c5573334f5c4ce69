#pragma once

// Helpers shared by the fuzz targets: reading typed values from the input and
// checking outputs. A failed check aborts, which libFuzzer reports as a finding.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "logging/Utf8Check.h"

namespace Fuzz {

using TarnwickTest::IsUtf8;

/// Stops the run with a message; the input is kept as the finding.
[[noreturn]] inline void Fail(char const* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void Check(bool condition, char const* what)
{
    if (!condition) {
        Fail(what);
    }
}

/// Takes values from the front of the input; past its end every value is zero.
class Input {
public:
    Input(std::uint8_t const* data, std::size_t size)
        : m_Data(data)
        , m_Size(size)
    { }

    bool Empty() const { return m_At >= m_Size; }
    std::size_t Left() const { return m_Size - m_At; }

    std::uint8_t Byte() { return m_At < m_Size ? m_Data[m_At++] : 0; }

    template <class T> T Value()
    {
        T value {};
        std::size_t const count = std::min(sizeof(T), Left());
        std::memcpy(&value, m_Data + m_At, count);
        m_At += count;
        return value;
    }

    /// A wide text of up to `limit` code units: a length byte, then units from
    /// byte pairs, or from single bytes when the low bit of the length is set
    /// (ASCII-heavy texts reach the interesting paths sooner).
    std::u16string Text(std::size_t limit = 64)
    {
        std::uint8_t const head = Byte();
        std::size_t const length = std::min<std::size_t>(head >> 1, limit);
        std::u16string text;
        for (std::size_t i = 0; i < length && !Empty(); ++i) {
            text.push_back((head & 1) != 0 ? static_cast<char16_t>(Byte()) : Value<char16_t>());
        }
        return text;
    }

    /// The rest of the input as bytes.
    std::string_view Rest()
    {
        std::string_view const rest(reinterpret_cast<char const*>(m_Data + m_At), Left());
        m_At = m_Size;
        return rest;
    }

private:
    std::uint8_t const* m_Data;
    std::size_t m_Size;
    std::size_t m_At = 0;
};

} // namespace Fuzz
