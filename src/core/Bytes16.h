#pragma once

// Sixteen bytes (or units) judged at once, for the scans of text: SSE2
// instructions where the processor has them, else plain loops with the same
// results. Every mask has one bit per byte, the first byte's the lowest.
// Internal to the library.

#include <bit>
#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Tarnwick::Detail {

class Bytes16 {
public:
    /// The 16 bytes at `at`, which must all be readable.
    explicit Bytes16(void const* at) noexcept
    {
#if defined(__SSE2__)
        m_Bytes = _mm_loadu_si128(static_cast<__m128i const*>(at));
#else
        std::memcpy(m_Bytes, at, sizeof m_Bytes);
#endif
    }

    /// The bytes equal to any of `C`.
    template <char... C> unsigned EqualToAny() const noexcept
    {
#if defined(__SSE2__)
        __m128i equal = _mm_setzero_si128();
        ((equal = _mm_or_si128(equal, _mm_cmpeq_epi8(m_Bytes, _mm_set1_epi8(C)))), ...);
        return static_cast<unsigned>(_mm_movemask_epi8(equal));
#else
        unsigned mask = 0;
        for (unsigned i = 0; i < 16; ++i) {
            mask |= ((m_Bytes[i] == static_cast<unsigned char>(C)) || ...) ? 1u << i : 0u;
        }
        return mask;
#endif
    }

    /// The bytes from 0x80 on: those of multi-byte UTF-8 sequences.
    unsigned High() const noexcept
    {
#if defined(__SSE2__)
        return static_cast<unsigned>(_mm_movemask_epi8(m_Bytes));
#else
        unsigned mask = 0;
        for (unsigned i = 0; i < 16; ++i) {
            mask |= m_Bytes[i] >= 0x80 ? 1u << i : 0u;
        }
        return mask;
#endif
    }

    /// Writes the 16 bytes at `to`.
    void Store(void* to) const noexcept
    {
#if defined(__SSE2__)
        _mm_storeu_si128(static_cast<__m128i*>(to), m_Bytes);
#else
        std::memcpy(to, m_Bytes, sizeof m_Bytes);
#endif
    }

    /// Writes the bytes as 16 UTF-16 units at `to`, each byte's value one unit.
    void Widen(char16_t* to) const noexcept
    {
#if defined(__SSE2__)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(m_Bytes, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(m_Bytes, _mm_setzero_si128()));
#else
        for (unsigned i = 0; i < 16; ++i) {
            to[i] = m_Bytes[i];
        }
#endif
    }

private:
#if defined(__SSE2__)
    __m128i m_Bytes;
#else
    unsigned char m_Bytes[16];
#endif
};

/// Writes the 16 units at `from` as 16 bytes at `to` when all are ASCII, and answers
/// whether they were (nothing is written otherwise).
inline bool NarrowAscii16(char16_t const* from, char* to) noexcept
{
#if defined(__SSE2__)
    __m128i const low = _mm_loadu_si128(reinterpret_cast<__m128i const*>(from));
    __m128i const high = _mm_loadu_si128(reinterpret_cast<__m128i const*>(from + 8));
    // ASCII units have no bit above the seventh.
    __m128i const above = _mm_and_si128(_mm_or_si128(low, high), _mm_set1_epi16(static_cast<short>(0xFF80)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, _mm_setzero_si128())) != 0xFFFF) {
        return false;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(low, high));
    return true;
#else
    for (unsigned i = 0; i < 16; ++i) {
        if (from[i] >= 0x80) {
            return false;
        }
    }
    for (unsigned i = 0; i < 16; ++i) {
        to[i] = static_cast<char>(from[i]);
    }
    return true;
#endif
}

/// Copies `size` bytes and answers the offset of the first zero byte among them (or
/// `size`): one pass over a text that must not hold one.
inline std::size_t CopyFindingZero(char* to, char const* from, std::size_t size) noexcept
{
    std::size_t at = 0;
    for (; at + 16 <= size; at += 16) {
        Bytes16 const bytes(from + at);
        bytes.Store(to + at);
        if (unsigned const zeros = bytes.EqualToAny<0>(); zeros != 0) {
            return at + static_cast<std::size_t>(std::countr_zero(zeros));
        }
    }
    for (; at < size; ++at) {
        if ((to[at] = from[at]) == 0) {
            return at;
        }
    }
    return size;
}

} // namespace Tarnwick::Detail
