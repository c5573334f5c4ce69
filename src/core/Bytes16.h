#pragma once

// Sixteen bytes judged at once, for the scans and copies of text: SSE2
// instructions where the processor has them, else plain loops with the same
// results. This is the library's one place for vector code. Internal to the
// library.

#include <bit>
#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Tarnwick::Detail {

/// A set of the sixteen bytes of a `Bytes16`, combined before it is read out as bits.
class Mask16 {
public:
    Mask16 operator|(Mask16 other) const noexcept
    {
#if defined(__SSE2__)
        return Mask16(_mm_or_si128(m_Mask, other.m_Mask));
#else
        return Mask16(m_Mask | other.m_Mask);
#endif
    }

    Mask16 operator&(Mask16 other) const noexcept
    {
#if defined(__SSE2__)
        return Mask16(_mm_and_si128(m_Mask, other.m_Mask));
#else
        return Mask16(m_Mask & other.m_Mask);
#endif
    }

    /// The bytes in this set and not in `other`.
    Mask16 Without(Mask16 other) const noexcept
    {
#if defined(__SSE2__)
        return Mask16(_mm_andnot_si128(other.m_Mask, m_Mask));
#else
        return Mask16(m_Mask & ~other.m_Mask);
#endif
    }

    /// One bit per byte in the set, the first byte's the lowest.
    unsigned Bits() const noexcept
    {
#if defined(__SSE2__)
        return static_cast<unsigned>(_mm_movemask_epi8(m_Mask));
#else
        return m_Mask;
#endif
    }

private:
    friend class Bytes16;
    friend class Tally16;
#if defined(__SSE2__)
    /// A byte is in the set when its high bit is.
    explicit Mask16(__m128i mask) noexcept
        : m_Mask(mask)
    { }
    __m128i m_Mask;
#else
    explicit Mask16(unsigned mask) noexcept
        : m_Mask(mask)
    { }
    unsigned m_Mask;
#endif
};

/// How many bytes a few sets hold together, counted in the vector: cheaper than a count
/// of each set's bits where the processor has no instruction for that. At most 255 sets,
/// each made by comparisons (`Equal`, `EqualWithBits`, `InRange`, and `&`, `|` and
/// `Without` of such sets), which set every bit of a byte in the set.
class Tally16 {
public:
    void Add(Mask16 mask) noexcept
    {
#if defined(__SSE2__)
        // A byte in the set is -1: subtracted, it counts one.
        m_Counts = _mm_sub_epi8(m_Counts, mask.m_Mask);
#else
        m_Total += static_cast<std::size_t>(std::popcount(mask.m_Mask));
#endif
    }

    /// The bytes of every set added, each counted once per set that holds it.
    std::size_t Total() const noexcept
    {
#if defined(__SSE2__)
        // Each half sums eight counts of at most 255: its low 32 bits hold it.
        __m128i const halves = _mm_sad_epu8(m_Counts, _mm_setzero_si128());
        return static_cast<std::size_t>(
            static_cast<unsigned>(_mm_cvtsi128_si32(_mm_add_epi32(halves, _mm_unpackhi_epi64(halves, halves)))));
#else
        return m_Total;
#endif
    }

private:
#if defined(__SSE2__)
    __m128i m_Counts = _mm_setzero_si128();
#else
    std::size_t m_Total = 0;
#endif
};

/// Sixteen bytes, loaded from text or narrowed from UTF-16 units.
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

    /// The `N` (8 or 4) units at `first` as bytes 0 on and the `N` at `second` as bytes
    /// 8 on, the other bytes 0; each unit read as a signed 16-bit number and saturated to
    /// 0 to 0xFF: a unit that is 0 or from 0x80 on gives a byte that is 0 or from 0x80 on
    /// (see `ZeroOrHigh`).
    template <std::size_t N = 8> static Bytes16 Narrowed(char16_t const* first, char16_t const* second) noexcept
    {
        static_assert(N == 8 || N == 4);
#if defined(__SSE2__)
        auto const load = [](char16_t const* units) {
            return N == 8 ? _mm_loadu_si128(reinterpret_cast<__m128i const*>(units))
                          : _mm_loadl_epi64(reinterpret_cast<__m128i const*>(units));
        };
        return Bytes16(_mm_packus_epi16(load(first), load(second)));
#else
        Bytes16 bytes;
        for (std::size_t i = 0; i < N; ++i) {
            bytes.m_Bytes[i] = Saturated(first[i]);
            bytes.m_Bytes[8 + i] = Saturated(second[i]);
        }
        return bytes;
#endif
    }

    /// The bytes equal to `c`.
    Mask16 Equal(char c) const noexcept
    {
#if defined(__SSE2__)
        return Mask16(_mm_cmpeq_epi8(m_Bytes, _mm_set1_epi8(c)));
#else
        return Where([c](unsigned char b) { return b == static_cast<unsigned char>(c); });
#endif
    }

    /// The bytes equal to `c` once the bits of `bits` are set in them: with `bits` 1
    /// and `c` 0x27, both '&' (0x26) and '\'' (0x27).
    Mask16 EqualWithBits(char bits, char c) const noexcept
    {
#if defined(__SSE2__)
        return Mask16(_mm_cmpeq_epi8(_mm_or_si128(m_Bytes, _mm_set1_epi8(bits)), _mm_set1_epi8(c)));
#else
        return Where([bits, c](unsigned char b) {
            return (b | static_cast<unsigned char>(bits)) == static_cast<unsigned char>(c);
        });
#endif
    }

    /// The bytes from `low` to `high`, both included (`low` <= `high`, not the whole range).
    Mask16 InRange(unsigned char low, unsigned char high) const noexcept
    {
#if defined(__SSE2__)
        // Moved down by `low` (wrapping) and compared as signed bytes shifted by 0x80.
        __m128i const moved = _mm_sub_epi8(m_Bytes, _mm_set1_epi8(static_cast<char>(low)));
        __m128i const flipped = _mm_xor_si128(moved, _mm_set1_epi8(static_cast<char>(0x80)));
        return Mask16(_mm_cmplt_epi8(flipped, _mm_set1_epi8(static_cast<char>((high - low + 1) ^ 0x80))));
#else
        return Where([low, high](unsigned char b) { return b >= low && b <= high; });
#endif
    }

    /// The bytes from 0x80 on: those of multi-byte UTF-8 sequences.
    Mask16 High() const noexcept
    {
#if defined(__SSE2__)
        return Mask16(m_Bytes);
#else
        return Where([](unsigned char b) { return b >= 0x80; });
#endif
    }

    /// The bytes that are 0 or from 0x80 on (below 1 when read as signed).
    Mask16 ZeroOrHigh() const noexcept
    {
#if defined(__SSE2__)
        return Mask16(_mm_cmplt_epi8(m_Bytes, _mm_set1_epi8(1)));
#else
        return Where([](unsigned char b) { return b == 0 || b >= 0x80; });
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

    /// Writes bytes 0 to 7 (with `High` false) or 8 to 15 at `to`.
    template <bool High> void StoreEight(void* to) const noexcept
    {
#if defined(__SSE2__)
        _mm_storel_epi64(static_cast<__m128i*>(to), High ? _mm_srli_si128(m_Bytes, 8) : m_Bytes);
#else
        std::memcpy(to, m_Bytes + (High ? 8 : 0), 8);
#endif
    }

    /// Writes bytes 0 to 3 (with `High` false) or 8 to 11 at `to`.
    template <bool High> void StoreFour(void* to) const noexcept
    {
#if defined(__SSE2__)
        int const four = _mm_cvtsi128_si32(High ? _mm_srli_si128(m_Bytes, 8) : m_Bytes);
        std::memcpy(to, &four, 4);
#else
        std::memcpy(to, m_Bytes + (High ? 8 : 0), 4);
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
    explicit Bytes16(__m128i bytes) noexcept
        : m_Bytes(bytes)
    { }
    __m128i m_Bytes;
#else
    Bytes16() noexcept = default;
    static unsigned char Saturated(char16_t unit) noexcept
    {
        return unit >= 0x8000 ? 0 : unit > 0xFF ? 0xFF : static_cast<unsigned char>(unit);
    }
    template <class Test> Mask16 Where(Test test) const noexcept
    {
        unsigned mask = 0;
        for (unsigned i = 0; i < 16; ++i) {
            mask |= test(m_Bytes[i]) ? 1u << i : 0u;
        }
        return Mask16(mask);
    }
    unsigned char m_Bytes[16] = {};
#endif
};

/// The stop of `NarrowRun` for plain ASCII: the unit 0 and every unit above 0x7F.
struct ZeroOrHighStop {
    Mask16 operator()(Bytes16 const& bytes) const noexcept { return bytes.ZeroOrHigh(); }
};

/// The `N` (16, 8 or 4) units at `from` narrowed as `Bytes16::Narrowed` narrows them
/// and stored as `N` bytes at `to`; answers the units whose byte is in `stop(bytes)`,
/// bit i for the unit `from[i]`. This is the one way text is narrowed.
template <std::size_t N, class Stop> unsigned NarrowGroup(char16_t const* from, char* to, Stop stop) noexcept
{
    static_assert(N == 16 || N == 8 || N == 4);
    if constexpr (N == 16) {
        Bytes16 const bytes = Bytes16::Narrowed(from, from + 8);
        bytes.Store(to);
        return stop(bytes).Bits();
    } else {
        // The units go into both halves; only the first half's bytes are read.
        Bytes16 const bytes = Bytes16::Narrowed<N>(from, from);
        if constexpr (N == 8) {
            bytes.StoreEight<false>(to);
        } else {
            bytes.StoreFour<false>(to);
        }
        return stop(bytes).Bits() & ((1u << N) - 1);
    }
}

/// Copies the units from `it` that `stop` lets through as bytes at `to`, sixteen,
/// eight, then four at a time, and advances both past them. Answers true when it
/// ends at a unit `stop` holds for, false when among the last three before `end`,
/// which the caller judges one by one. Each step stores a whole group: room for
/// 16 bytes at `to` is needed.
template <class Stop = ZeroOrHighStop>
bool NarrowRun(char16_t const*& it, char16_t const* end, char*& to, Stop stop = {}) noexcept
{
    auto const stopped = [&]<std::size_t N>() {
        unsigned const stops = NarrowGroup<N>(it, to, stop);
        std::size_t const plain = stops == 0 ? N : static_cast<std::size_t>(std::countr_zero(stops));
        it += plain;
        to += plain;
        return stops != 0;
    };
    while (end - it >= 16) {
        if (stopped.template operator()<16>()) {
            return true;
        }
    }
    if (end - it >= 8 && stopped.template operator()<8>()) {
        return true;
    }
    return end - it >= 4 && stopped.template operator()<4>();
}

/// Copies `size` bytes and answers the offset of the first zero byte among them (or
/// `size`): one pass over a text that must not hold one.
inline std::size_t CopyFindingZero(char* to, char const* from, std::size_t size) noexcept
{
    std::size_t at = 0;
    for (; at + 16 <= size; at += 16) {
        Bytes16 const bytes(from + at);
        bytes.Store(to + at);
        if (unsigned const zeros = bytes.Equal(0).Bits(); zeros != 0) {
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
