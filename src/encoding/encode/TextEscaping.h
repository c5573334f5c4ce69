#pragma once

// What the encoder writes for text: UTF-8, with the XML entities and character
// references each kind of text needs, and the refusal of what XML cannot carry.
// Runs of units that need nothing but a copy are narrowed sixteen at a time.
// Internal to the library.

#include "core/Bytes16.h"
#include "core/Utf16.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace Tarnwick::Encoding::Detail {

using Tarnwick::Detail::Bytes16;
using Tarnwick::Detail::Mask16;

/// How text is written: raw markup (the unit 0 left out), escaped with the five
/// entities, or as a table of TextKinds says.
enum class Mode { Raw, Escaped, Checked };

/// What each ASCII unit becomes in written text.
inline constexpr unsigned char kCopy = 0;
/// Nothing (the unit 0 of the documented text).
inline constexpr unsigned char kDrop = 1;
// 2 to 6: the entities of '"', '&', '\'', '<' and '>'; 7 to 9: the references of tab, LF, CR.
inline constexpr unsigned char kQuot = 2;
inline constexpr unsigned char kTabReference = 7;
/// Refused: NonXmlCharacter is thrown.
inline constexpr unsigned char kRefuse = 10;

/// A unit that XML 1.0 cannot carry, met in Checked text; the caller turns it into
/// its refusal, naming where it was.
struct NonXmlCharacter {
    char16_t unit;
};

/// The kind (kCopy ... kRefuse) of each ASCII unit in Checked text.
struct TextKinds : std::array<unsigned char, 128> {
    enum Place { Element, Attribute, Fragment };
    /// Element text and attribute values escape the five characters; an attribute also
    /// references tab and LF, and both reference CR, with `reference`; with `refuse`, the
    /// control characters XML cannot carry (and, by the same table, U+FFFE, U+FFFF and
    /// lone surrogates) are refused, else they are copied and the unit 0 left out.
    static constexpr TextKinds Of(Place place, bool reference, bool refuse)
    {
        TextKinds kinds {};
        for (unsigned char c = 0; c < 0x20; ++c) {
            kinds[c] = refuse ? kRefuse : kCopy;
        }
        kinds['\t'] = kCopy;
        kinds['\n'] = kCopy;
        kinds['\r'] = kCopy;
        if (!refuse) {
            kinds[0] = kDrop;
        }
        if (place != Fragment) {
            constexpr char kEscaped[] = "\"&'<>";
            for (unsigned char i = 0; i < 5; ++i) {
                kinds[static_cast<unsigned char>(kEscaped[i])] = static_cast<unsigned char>(kQuot + i);
            }
        }
        if (reference && place != Fragment) {
            kinds['\r'] = kTabReference + 2;
            if (place == Attribute) {
                kinds['\t'] = kTabReference;
                kinds['\n'] = kTabReference + 1;
            }
        }
        return kinds;
    }
};

/// The longest text one code unit can become ("&quot;", "&apos;").
inline constexpr std::size_t kMaxBytesPerUnit = 6;
/// An entity is copied as a whole slot of this many bytes.
inline constexpr std::size_t kEntitySlot = 8;
/// Room past the output for the fixed 16-byte stores of the vector steps.
inline constexpr std::size_t kVectorSlack = 16;

/// What an ASCII unit becomes in escaped text (see TextKinds).
inline constexpr TextKinds kAsciiKind = TextKinds::Of(TextKinds::Element, false, false);
/// The entities in 8-byte slots, copied whole (the room reserved allows it).
inline constexpr std::array<std::string_view, kRefuse> kEntities = {std::string_view("\0\0\0\0\0\0\0\0", 0),
    std::string_view("\0\0\0\0\0\0\0\0", 0), std::string_view("&quot;\0\0", 6), std::string_view("&amp;\0\0\0", 5),
    std::string_view("&apos;\0\0", 6), std::string_view("&lt;\0\0\0\0", 4), std::string_view("&gt;\0\0\0\0", 4),
    std::string_view("&#9;\0\0\0\0", 4), std::string_view("&#10;\0\0\0", 5), std::string_view("&#13;\0\0\0", 5)};

/// The kind of an ASCII unit in `M`'s text (see TextKinds).
template <Mode M> unsigned char KindOf(char16_t unit, unsigned char const* kinds)
{
    if constexpr (M == Mode::Checked) {
        return kinds[unit];
    } else if constexpr (M == Mode::Escaped) {
        return kAsciiKind[unit];
    } else {
        return unit == 0 ? kDrop : kCopy;
    }
}

/// Of bytes narrowed with saturation from units (so units 0 and above 0x7F give
/// bytes 0 or from 0x80 on), those that stand for units needing more than a
/// copy: 0, above 0x7F, unless raw the five XML characters, and when checked
/// every control character.
template <Mode M> struct SpecialStop {
    Mask16 operator()(Bytes16 const& bytes) const noexcept
    {
        Mask16 special = bytes.ZeroOrHigh();
        if constexpr (M != Mode::Raw) {
            // '"'; '&' and '\''; '<' and '>'.
            special = special | bytes.Equal(0x22) | bytes.EqualWithBits(1, 0x27) | bytes.EqualWithBits(2, 0x3E);
        }
        if constexpr (M == Mode::Checked) {
            // The control characters, 0x00 to 0x1F.
            special = special | bytes.EqualWithBits(0x1F, 0x1F);
        }
        return special;
    }
};

/// Raises NonXmlCharacter for the unit at `it` (not ASCII) when XML cannot carry it:
/// U+FFFE, U+FFFF or a surrogate that is not part of a pair.
inline void Refuse(char16_t const* it, char16_t const* end)
{
    char16_t const unit = *it;
    if (unit >= 0xFFFE || Tarnwick::Detail::NextCodePoint(it, end) == Tarnwick::Detail::kLoneSurrogate) {
        throw NonXmlCharacter {unit};
    }
}

/// Writes the unit at `it` that needs more than a copy and advances past it
/// (past both units of a surrogate pair): an ASCII unit as `M`'s text makes it,
/// any other in UTF-8, a lone surrogate as U+FFFD. Returns the new end.
template <Mode M> char* Special(char16_t const*& it, char16_t const* end, char* dst, unsigned char const* kinds)
{
    char16_t const unit = *it;
    if (unit < 0x80) {
        ++it;
        unsigned char const kind = KindOf<M>(unit, kinds);
        if constexpr (M == Mode::Checked) {
            if (kind == kCopy) {
                *dst = static_cast<char>(unit);
                return dst + 1;
            }
            if (kind == kRefuse) {
                throw NonXmlCharacter {unit};
            }
        }
        if (kind > kDrop) {
            std::string_view const entity = kEntities[kind];
            std::memcpy(dst, entity.data(), kEntitySlot);
            return dst + entity.size();
        }
        return dst;
    }
    if (unit < 0x800) {
        // A whole character, the usual letter: no surrogate to judge.
        ++it;
        return dst + Tarnwick::Detail::EncodeUtf8(unit, dst);
    }
    if constexpr (M == Mode::Checked) {
        // A table that refuses the unit 0 refuses every unit XML cannot carry.
        if (kinds[0] == kRefuse) {
            Refuse(it, end);
        }
    }
    return dst + Tarnwick::Detail::EncodeUtf8(Tarnwick::Detail::NextCodePoint(it, end), dst);
}

/// All units from `it` to `end` (at least 16 units of the text end at
/// `end`) in windows of sixteen: each window is narrowed once, its runs of
/// plain units copied from the narrowed bytes, the units between them
/// written one by one. The last window is the one that ends at `end`.
/// Needs room for 16 bytes beyond the output of the units.
template <Mode M>
char16_t const* Windows(char16_t const* it, char16_t const* end, char*& dst, unsigned char const* kinds)
{
    while (it != end) {
        auto const left = static_cast<std::size_t>(end - it);
        std::size_t const skip = left >= 16 ? 0 : 16 - left;
        std::size_t const count = 16 - skip;
        char16_t const* const window = it - skip;
        Bytes16 const bytes = Bytes16::Narrowed(window, window + 8);
        char narrow[32];
        bytes.Store(narrow);
        std::memset(narrow + 16, 0, 16);
        // Bit i stands for the unit it + i.
        unsigned mask = SpecialStop<M> {}(bytes).Bits() >> skip;
        std::size_t done = 0;
        for (;;) {
            std::size_t const plainEnd = mask == 0 ? count : static_cast<std::size_t>(std::countr_zero(mask));
            std::memcpy(dst, narrow + skip + done, 16);
            dst += plainEnd - done;
            if (plainEnd >= count) {
                done = count;
                break;
            }
            char16_t const* next = it + plainEnd;
            dst = Special<M>(next, end, dst, kinds);
            done = static_cast<std::size_t>(next - it);
            if (done >= count) {
                break;
            }
            mask &= ~0u << done;
        }
        it += done;
    }
    return it;
}

/// The run of plain units at `it` (those `M`'s text copies as they are),
/// narrowed sixteen, eight, then four at a time, then one by one. Needs room
/// for 16 bytes beyond the output of the units.
template <Mode M>
char16_t const* PlainRun(char16_t const* it, char16_t const* end, char*& dst, unsigned char const* kinds)
{
    if (Tarnwick::Detail::NarrowRun(it, end, dst, SpecialStop<M> {})) {
        return it;
    }
    while (it != end && *it < 0x80 && KindOf<M>(*it, kinds) == kCopy) {
        *dst++ = static_cast<char>(*it++);
    }
    return it;
}

/// Narrows text of 4 to 16 units into `out`, which has room for 16 bytes,
/// as its first and last 8 (or 4) units, which overlap; false, with `out`
/// holding garbage, when a unit needs more than a copy.
template <Mode M> bool ShortPlain(std::u16string_view text, char* out)
{
    if (text.size() >= 8) {
        Bytes16 const bytes = Bytes16::Narrowed(text.data(), text.data() + text.size() - 8);
        bytes.StoreEight<false>(out);
        bytes.StoreEight<true>(out + text.size() - 8);
        return SpecialStop<M> {}(bytes).Bits() == 0;
    }
    Bytes16 const bytes = Bytes16::Narrowed<4>(text.data(), text.data() + text.size() - 4);
    bytes.StoreFour<false>(out);
    bytes.StoreFour<true>(out + text.size() - 4);
    // Bytes 4 to 7 and 12 to 15 are no units' (they are 0).
    return (SpecialStop<M> {}(bytes).Bits() & 0x0F0F) == 0;
}

} // namespace Tarnwick::Encoding::Detail
