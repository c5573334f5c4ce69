#pragma once

// What the random-tree generators of the encoding tests share: the draw from a
// seeded engine, texts joined from pieces, numbers that mix special values with
// raw bits, and the visit of the twelve element types. Each generator keeps its
// own names, pieces and special values, which are its restrictions.

#include <bit>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace RandomTreeSupport {

/// Calls `visit.template operator()<T>()` for the index-th of the twelve element types.
template <class Visit> void VisitPrimitive(int index, Visit visit)
{
    using Primitives = std::tuple<std::u16string, bool, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t,
        std::int32_t, std::uint32_t, std::int64_t, std::uint64_t, float, double>;
    std::apply(
        [&](auto... none) {
            int i = 0;
            ((i++ == index ? visit.template operator()<decltype(none)>() : void()), ...);
        },
        Primitives {});
}

/// A seeded engine and the draws every generator makes from it, in one fixed order
/// so that a seed names one tree.
class RandomSource {
public:
    explicit RandomSource(unsigned seed)
        : m_Random(seed)
    { }

protected:
    /// A number from 0 to `count` - 1.
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_Random); }

    /// Up to three pieces, drawn with repetition and joined.
    template <class Piece> std::u16string Join(std::span<Piece const> pieces)
    {
        std::u16string text;
        for (int i = Pick(4); i > 0; --i) {
            text += std::u16string(pieces[static_cast<std::size_t>(Pick(static_cast<int>(pieces.size())))]);
        }
        return text;
    }

    /// A number of type T: half the time one of `specials` (when there are any),
    /// else raw bits of the engine, spread over all 64 bits when `scramble` is set.
    template <class T> T Number(std::span<T const> specials, bool scramble)
    {
        if (!specials.empty() && Pick(2) == 0) {
            return specials[static_cast<std::size_t>(Pick(static_cast<int>(specials.size())))];
        }
        std::uint64_t const bits = scramble ? m_Random() * 0x9E3779B97F4A7C15ull : m_Random();
        if constexpr (std::is_floating_point_v<T>) {
            using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
            return std::bit_cast<T>(static_cast<Bits>(bits));
        } else {
            return static_cast<T>(bits);
        }
    }

    /// `count` values made by `make`, in order.
    template <class T, class Make> static std::vector<T> Repeat(int count, Make make)
    {
        std::vector<T> values;
        for (int i = 0; i < count; ++i) {
            values.push_back(make());
        }
        return values;
    }

    std::mt19937_64 m_Random;
};

} // namespace RandomTreeSupport
