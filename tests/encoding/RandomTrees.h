#pragma once

// What the random-tree generators of the encoding tests share: the draw from a
// seeded engine, texts joined from pieces, numbers that mix special values with
// raw bits, the visit of the twelve element types, the nodes without nested
// elements and the branches of value objects. Each generator keeps its own names,
// pieces, markup, special values and time lists, which are its restrictions.

#include "EncodingTestSupport.h"

#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
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

    /// One of `choices`, drawn with Pick.
    template <class Choice> Choice const& OneOf(std::span<Choice const> choices)
    {
        return choices[static_cast<std::size_t>(Pick(static_cast<int>(choices.size())))];
    }

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

/// How a generator draws numbers: the first `integerSpecials` of the integer specials
/// (lowest, highest, 0, 1), and whether raw bits are spread over all 64.
struct NumberStyle {
    std::size_t integerSpecials;
    bool scrambleIntegers;
    bool scrambleFloats;
};

/// The nodes of a random tree, for a generator that supplies its `kPieces` (or hides
/// `Text()`), `kMarkup` fragments (or hides `XmlLeaf`), `kNumbers` style,
/// `FloatSpecials<T>()` and `Times(durations)`; the branches of `Node` ask for more.
/// Every draw keeps the generator's order, so that a seed names one tree.
template <class Generator> class NodeSource : public RandomSource {
public:
    using RandomSource::RandomSource;

protected:
    using ServiceType = Tarnwick::DataTypes::ServiceType;

    /// A node of one of the 29 kinds without nested elements: 0 to 11 the scalars,
    /// 12 to 23 the sequences of the twelve types, 24 the XML string, 25 and 26 a
    /// time stamp and a duration, 27 and 28 their sequences. `any` keeps to the 27
    /// kinds an any-type node wraps.
    ServiceType* Leaf(std::u16string const& name, bool any = false)
    {
        using namespace Tarnwick::DataTypes;
        int const kind = Pick(any ? 27 : 29);
        ServiceType* node = nullptr;
        switch (kind) {
        case 24:
            return Self().XmlLeaf(name);
        case 25:
            return new TimeStampServiceType(m_Random(), name);
        case 26:
            return new TimeDurationServiceType(m_Random(), name);
        case 27:
            return new TimeStampSequenceType(Self().Times(false), name);
        case 28:
            return new TimeDurationSequenceType(Self().Times(true), name);
        default:
            VisitPrimitive(kind % 12, [&]<class T>() {
                node = kind < 12 ? static_cast<ServiceType*>(new ScalarType<T>(Value<T>(), name))
                                 : new SequenceType<T>(Values<T>(Pick(4)), name);
            });
            return node;
        }
    }

    /// The XML string kind: one of the generator's markup fragments.
    ServiceType* XmlLeaf(std::u16string const& name)
    {
        return new Tarnwick::DataTypes::XmlString(OneOf<char16_t const*>(Generator::kMarkup), name);
    }

    /// A text joined from the generator's pieces.
    std::u16string Text() { return Join<char16_t const*>(Generator::kPieces); }

    template <class T> T Value()
    {
        if constexpr (std::is_same_v<T, std::u16string>) {
            return Self().Text();
        } else if constexpr (std::is_same_v<T, bool>) {
            return Pick(2) == 1;
        } else if constexpr (std::is_floating_point_v<T>) {
            return Number<T>(Generator::template FloatSpecials<T>(), Generator::kNumbers.scrambleFloats);
        } else {
            using Limits = std::numeric_limits<T>;
            static T const specials[] = {Limits::min(), Limits::max(), T(0), T(1)};
            return Number<T>(std::span<T const>(specials).first(Generator::kNumbers.integerSpecials),
                Generator::kNumbers.scrambleIntegers);
        }
    }

    template <class T> std::vector<T> Values(int count)
    {
        return Repeat<T>(count, [&] { return Value<T>(); });
    }

    /// A sequence of `count` values of a drawn one of the twelve types.
    ServiceType* PrimitiveSequence(std::u16string const& name, int count)
    {
        ServiceType* node = nullptr;
        VisitPrimitive(
            Pick(12), [&]<class T>() { node = new Tarnwick::DataTypes::SequenceType<T>(Values<T>(count), name); });
        return node;
    }

    /// A node named `name` of any shape a generator of value objects draws, whose
    /// generator also supplies `Children(depth)`, `Refilled(shape)` (a copy with new
    /// values), `ItemName(i, name)` for the items of a composite sequence and
    /// `AnyItem(i)` for the items of an any-type dictionary.
    ServiceType* Node(std::u16string const& name, int depth)
    {
        using namespace Tarnwick::DataTypes;
        switch (depth > 0 ? Pick(8) : 0) {
        case 1:
        case 2:
            return EncodingTest::Composite(name, Self().Children(depth - 1));
        case 3:
            return new AnyTypeServiceType(Leaf(name, true), name);
        case 4: {
            // Items share one shape, as the items of one value object do.
            auto* sequence = new CompositeSequenceType(name, nullptr);
            std::unique_ptr<ServiceType> const shape(EncodingTest::Composite(u"item", Self().Children(depth - 1)));
            for (int i = Pick(3); i > 0; --i) {
                std::unique_ptr<ServiceType> item(Self().Refilled(*shape));
                item->SetParamName(Self().ItemName(i, name));
                sequence->Add(static_cast<CompositeType*>(item.release()));
            }
            return sequence;
        }
        case 5:
            return RandomDictionary(name, depth);
        default:
            return Leaf(name, false);
        }
    }

    /// A dictionary of primitive keys and primitive, any-type or composite values.
    ServiceType* RandomDictionary(std::u16string const& name, int depth)
    {
        using namespace Tarnwick::DataTypes;
        int const count = Pick(3);
        ServiceType* const keys = PrimitiveSequence(u"keys", count);
        ServiceType* values = nullptr;
        switch (Pick(3)) {
        case 0:
            values = PrimitiveSequence(u"values", count);
            break;
        case 1: {
            auto* items = new AnyTypeSequenceType(u"values");
            for (int i = 0; i < count; ++i) {
                items->Add(Self().AnyItem(i));
            }
            values = items;
            break;
        }
        default: {
            auto* items = new CompositeSequenceType(u"values", nullptr);
            std::unique_ptr<ServiceType> const shape(EncodingTest::Composite(u"entry", Self().Children(depth - 1)));
            for (int i = 0; i < count; ++i) {
                items->Add(static_cast<CompositeType*>(Self().Refilled(*shape)));
            }
            values = items;
            break;
        }
        }
        return EncodingTest::Dictionary(name, keys, values);
    }

private:
    Generator& Self() { return static_cast<Generator&>(*this); }
};

} // namespace RandomTreeSupport
