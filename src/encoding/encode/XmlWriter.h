#pragma once

// The encoder's writer of markup: tags, item lines, leaf values and text, into
// the output buffer. Internal to the library.

#include "core/Decimal.h"
#include "encoding/encode/NumberText.h"
#include "encoding/encode/OutputBuffer.h"
#include "encoding/encode/TextEscaping.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

namespace Tarnwick::Encoding::Detail {

/// Writes the markup of a message into an OutputBuffer over the caller's stream.
class XmlWriter : public OutputBuffer {
public:
    using OutputBuffer::OutputBuffer;

    /// One item line of a sequence: `indent` spaces, "<item>", the value in its
    /// leaf format, "</item>" and a line end. An integer in the default state
    /// under the usual indent is placed with one room check and fixed stores.
    template <class T> [[gnu::always_inline]] void Item(std::int32_t indent, T const& value)
    {
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
            if (IntegersPlain() && InRange<std::int32_t>(indent, 0, kShortIndent)) {
                char* out = Reserve(kShortIndent + kNumberRoom + 2 * kTagStore);
                StoreShortIndent(out);
                out += indent;
                std::memcpy(out, "<item>\0\0", kTagStore);
                // 8-bit integers print as numbers, never as characters.
                out = Tarnwick::Detail::WriteDecimal(out + 6,
                    static_cast<std::conditional_t<(sizeof(T) < 2),
                        std::conditional_t<std::is_signed_v<T>, std::int16_t, std::uint16_t>, T>>(value));
                std::memcpy(out, "</item>\n", kTagStore);
                AdvanceTo(out + kTagStore);
                LineEnded();
                return;
            }
        }
        Spaces(indent);
        Put("<item>");
        Value(value);
        Put("</item>");
        EndLine();
    }

    /// UTF-8 with the five XML entities: string values and header attributes.
    void Escaped(std::u16string_view text) { Utf8<Mode::Escaped>(text); }
    /// UTF-8 without escaping: XML fragments.
    void Raw(std::u16string_view text) { Utf8<Mode::Raw>(text); }
    /// UTF-8 with each ASCII unit written as `kinds` says; throws NonXmlCharacter for
    /// a refused unit, after the text before it (except within the last chunk).
    void Checked(std::u16string_view text, TextKinds const& kinds) { Utf8<Mode::Checked>(text, kinds.data()); }
    /// The shortest text that reads back to the same value (see WriteShortest),
    /// whatever the stream's state.
    template <class Float> void Shortest(Float value)
    {
        char* const first = Reserve(kNumberRoom);
        AdvanceTo(WriteShortest(first, value));
    }
    /// A piece of markup of at most 8 bytes beside an element name, stored with
    /// one fixed 8-byte copy.
    struct Markup {
        char bytes[8];
        std::size_t size;
    };
    /// `text` (at most 8 bytes) as markup, padded for the fixed copy.
    static consteval Markup Mark(std::string_view text)
    {
        Markup markup {{}, text.size()};
        for (std::size_t i = 0; i < text.size() && i < sizeof markup.bytes; ++i) {
            markup.bytes[i] = text[i];
        }
        return markup;
    }

    /// `indent` spaces, `before`, the element name and `after`. With an indent
    /// of at most 32 and an ASCII name of at most 16 units, the usual case,
    /// it takes one room check and fixed stores.
    [[gnu::always_inline]] void Tag(
        std::int32_t indent, Markup const& before, std::u16string_view name, Markup const& after)
    {
        if (InRange<std::int32_t>(indent, 0, kShortIndent) && name.size() <= kShortText) {
            char* out = Reserve(kShortIndent + 2 * sizeof(before.bytes) + kShortText);
            StoreShortIndent(out);
            out += indent;
            std::memcpy(out, before.bytes, sizeof before.bytes);
            out += before.size;
            if (ShortName(name, out)) {
                out += name.size();
                std::memcpy(out, after.bytes, sizeof after.bytes);
                AdvanceTo(out + after.size);
                return;
            }
        }
        Spaces(indent);
        Put(std::string_view(before.bytes, before.size));
        Name(name);
        Put(std::string_view(after.bytes, after.size));
    }

    /// An element name: UTF-8, no escaping. ASCII names of up to 16 units, the
    /// usual case, are narrowed in one step.
    [[gnu::always_inline]] void Name(std::u16string_view name)
    {
        if (name.size() <= kShortText && ShortName(name, Reserve(kShortText))) {
            Advance(name.size());
            return;
        }
        Utf8<Mode::Raw>(name);
    }

    // The leaf value formats.
    void Value(std::u16string const& value) { Escaped(value); }
    void Value(bool value) { Put(value ? std::string_view("true") : std::string_view("false")); }
    // 8-bit integers print as numbers, never as characters.
    void Value(std::int8_t value) { Integer(static_cast<std::int16_t>(value)); }
    void Value(std::uint8_t value) { Integer(static_cast<std::uint16_t>(value)); }
    void Value(std::int16_t value) { Integer(value); }
    void Value(std::uint16_t value) { Integer(value); }
    void Value(std::int32_t value) { Integer(value); }
    void Value(std::uint32_t value) { Integer(value); }
    void Value(std::int64_t value) { Integer(value); }
    void Value(std::uint64_t value) { Integer(value); }
    /// At the stream's precision, which stays as it is.
    [[gnu::always_inline]] void Value(float value)
    {
        if (FloatsPlain() && InRange(Precision(), std::streamsize {0}, kMaxFastPrecision)) {
            AdvanceTo(WriteGeneral(Reserve(kNumberRoom), value, static_cast<int>(Precision())));
            return;
        }
        OnStream([value](std::ostream& out) { out << value; });
    }
    /// At 15 significant digits; the stream's precision is set back afterwards.
    [[gnu::always_inline]] void Value(double value)
    {
        if (FloatsPlain()) {
            AdvanceTo(WriteGeneral(Reserve(kNumberRoom), value, 15));
            return;
        }
        OnStream([value](std::ostream& out) {
            std::streamsize const previous = out.precision(15);
            out << value;
            out.precision(previous);
        });
    }

    template <class Int> void Integer(Int value)
    {
        if (IntegersPlain()) {
            AdvanceTo(Tarnwick::Detail::WriteDecimal(Reserve(kNumberRoom), value));
            return;
        }
        OnStream([value](std::ostream& out) { out << value; });
    }

private:
    static constexpr std::size_t kChunkUnits = (kCapacity - kEntitySlot - kVectorSlack) / kMaxBytesPerUnit;
    /// Text of up to this many units is tried in one narrowing step.
    static constexpr std::size_t kShortText = 16;
    static constexpr std::streamsize kMaxFastPrecision = 60;
    /// An item tag in one fixed store.
    static constexpr std::size_t kTagStore = 8;

    /// UTF-8 of UTF-16 text: a surrogate pair gives one 4-byte sequence, a lone
    /// surrogate U+FFFD, the unit 0 nothing; escaped, the five XML characters give
    /// their entities; checked, each ASCII unit becomes what `kinds` says and the
    /// units a refusing table refuses throw NonXmlCharacter. The text is written
    /// in chunks that fit the buffer.
    template <Mode M> void Utf8(std::u16string_view text, unsigned char const* kinds = nullptr)
    {
        // Short text without anything to replace, the usual case, in one step.
        if (InRange<std::size_t>(text.size(), 4, kShortText)) {
            if (ShortPlain<M>(text, Reserve(kShortText))) {
                Advance(text.size());
                return;
            }
        }
        char16_t const* it = text.data();
        char16_t const* const end = it + text.size();
        while (it != end) {
            std::size_t const units
                = static_cast<std::size_t>(end - it) < kChunkUnits ? static_cast<std::size_t>(end - it) : kChunkUnits;
            char16_t const* chunkEnd = it + units;
            // Never split a surrogate pair between two chunks.
            if (chunkEnd != end && Tarnwick::Detail::IsHighSurrogate(chunkEnd[-1])) {
                --chunkEnd;
            }
            char* const start = Reserve(units * kMaxBytesPerUnit + kEntitySlot + kVectorSlack);
            char* dst = start;
            if (chunkEnd - text.data() >= 16) {
                it = Windows<M>(it, chunkEnd, dst, kinds);
            }
            while (it != chunkEnd) {
                if (*it < 0x80 && KindOf<M>(*it, kinds) == kCopy) {
                    *dst++ = static_cast<char>(*it++);
                    it = PlainRun<M>(it, chunkEnd, dst, kinds);
                } else {
                    dst = Special<M>(it, chunkEnd, dst, kinds);
                }
            }
            AdvanceTo(dst);
        }
    }

    /// Narrows a name of at most 16 units into `out`, which has room for 16
    /// bytes; false when a unit is 0 or not ASCII.
    [[gnu::always_inline]] static bool ShortName(std::u16string_view name, char* out)
    {
        if (name.size() >= 4) {
            return ShortPlain<Mode::Raw>(name, out);
        }
        for (char16_t const unit : name) {
            if (!InRange<char16_t>(unit, 1, 0x7F)) {
                return false;
            }
            *out++ = static_cast<char>(unit);
        }
        return true;
    }
};

/// Runs `write` on a writer for `out`, then hands what it wrote to the stream
/// without a flush.
template <class Write> void WriteTo(std::ostream& out, Write write)
{
    XmlWriter writer(out);
    write(writer);
    writer.Drain();
}

} // namespace Tarnwick::Encoding::Detail
