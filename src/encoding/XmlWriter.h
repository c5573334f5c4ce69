#pragma once

// The encoder's output buffer. Internal to the library.
//
// Text is collected in a local buffer and handed to the caller's stream in
// whole blocks (no per-character virtual calls); every line end is written and
// followed by a flush, which callers observe on file streams and on their own
// stream buffers. A plain std::stringbuf (the exact class, never a subclass)
// inherits the sync that does nothing and shows its content to nobody before
// the call returns, so its lines are handed over in blocks of many, unflushed. Numbers go through
// the stream's formatted insertion unless the stream is in its default state
// (classic locale, decimal, no showpos, no pending width, and for floating point
// the general notation without showpoint or uppercase); then they are formatted
// here into exactly the characters that insertion would give.

#include "core/Bytes16.h"
#include "core/Decimal.h"
#include "core/Utf16.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cxxabi.h>
#include <ios>
#include <limits>
#include <locale>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>

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

class XmlWriter {
public:
    explicit XmlWriter(std::ostream& out)
        : m_Out(out)
        , m_Buf(out.rdbuf())
        , m_ClassicLocale(out.getloc() == std::locale::classic())
        , m_SyncFree(m_Buf != nullptr && typeid(*m_Buf) == typeid(std::stringbuf))
    {
        Refresh();
    }
    XmlWriter(XmlWriter const&) = delete;
    XmlWriter& operator=(XmlWriter const&) = delete;

    /// Hands what is still buffered to the stream: output written before a
    /// failure stays in the stream, as if it had been inserted piece by piece.
    ~XmlWriter()
    {
        if (m_Pos != 0) {
            try {
                // An exception may have left the stream's own operations half way.
                Refresh();
                Drain();
            } catch (...) {
                // The stream's own exception mask raised while another exception passes.
            }
        }
    }

    /// Runs `use` on the stream itself, after what is buffered.
    template <class Use> void OnStream(Use use)
    {
        Drain();
        use(m_Out);
        Refresh();
    }

    /// Writes the buffered bytes to the stream, without a flush.
    void Drain()
    {
        auto const count = static_cast<std::streamsize>(m_Pos);
        m_Pos = 0;
        if (!m_Direct) {
            m_Out.write(m_Buffer, count);
            Refresh();
            return;
        }
        OnBuffer([&] { return m_Buf->sputn(m_Buffer, count) == count; });
    }

    /// One LF, then the stream is flushed: the line is handed to the buffer and
    /// the buffer synced, as `write` and `flush` would do it, unless the buffer
    /// is a plain std::stringbuf, whose sync does nothing.
    void EndLine()
    {
        Put('\n');
        LineEnded();
    }

    /// One item line of a sequence: `indent` spaces, "<item>", the value in its
    /// leaf format, "</item>" and a line end. An integer in the default state
    /// under the usual indent is placed with one room check and fixed stores.
    template <class T> [[gnu::always_inline]] void Item(std::int32_t indent, T const& value)
    {
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
            if (m_IntegersPlain && static_cast<std::uint32_t>(indent) <= 2 * kSpaceStore) {
                char* out = Reserve(2 * kSpaceStore + kNumberRoom + 2 * kTagStore);
                std::memcpy(out, kSpaces.data(), kSpaceStore);
                std::memcpy(out + kSpaceStore, kSpaces.data(), kSpaceStore);
                out += indent;
                std::memcpy(out, "<item>\0\0", kTagStore);
                // 8-bit integers print as numbers, never as characters.
                out = Tarnwick::Detail::WriteDecimal(out + 6,
                    static_cast<std::conditional_t<(sizeof(T) < 2),
                        std::conditional_t<std::is_signed_v<T>, std::int16_t, std::uint16_t>, T>>(value));
                std::memcpy(out, "</item>\n", kTagStore);
                m_Pos = static_cast<std::size_t>(out + kTagStore - m_Buffer);
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

    /// The flush that follows a line end already put into the buffer; see EndLine.
    void LineEnded()
    {
        if (m_Direct) {
            if (m_SyncFree) {
                return;
            }
            auto const count = static_cast<std::streamsize>(m_Pos);
            m_Pos = 0;
            // A short write sets badbit, after which `flush` would not sync.
            OnBuffer([&] { return m_Buf->sputn(m_Buffer, count) == count && m_Buf->pubsync() != -1; });
            return;
        }
        Drain();
        m_Out.flush();
        Refresh();
    }

    [[gnu::always_inline]] void Put(char c)
    {
        Reserve(1)[0] = c;
        ++m_Pos;
    }

    [[gnu::always_inline]] void Put(std::string_view text)
    {
        if (text.size() > kCapacity) {
            Drain();
            m_Out.write(text.data(), static_cast<std::streamsize>(text.size()));
            Refresh();
            return;
        }
        std::memcpy(Reserve(text.size()), text.data(), text.size());
        m_Pos += text.size();
    }

    /// `count` spaces; nothing when `count` is 0 or less. Copied from a constant
    /// run in fixed 16-byte stores, which may run past the end inside the buffer.
    [[gnu::always_inline]] void Spaces(std::int32_t count)
    {
        // Indents of up to 32, the usual depth, take two stores and no loop.
        if (static_cast<std::uint32_t>(count) - 1 < 2 * kSpaceStore) {
            char* const first = Reserve(2 * kSpaceStore);
            std::memcpy(first, kSpaces.data(), kSpaceStore);
            std::memcpy(first + kSpaceStore, kSpaces.data(), kSpaceStore);
            m_Pos += static_cast<std::size_t>(count);
            return;
        }
        while (count > 0) {
            std::size_t const run = count < kSpaceRun ? static_cast<std::size_t>(count) : kSpaceRun;
            char* const first = Reserve(run + kSpaceStore);
            for (std::size_t done = 0; done < run; done += kSpaceStore) {
                std::memcpy(first + done, kSpaces.data(), kSpaceStore);
            }
            m_Pos += run;
            count -= static_cast<std::int32_t>(run);
        }
    }

    /// UTF-8 with the five XML entities: string values and header attributes.
    void Escaped(std::u16string_view text) { Utf8<Mode::Escaped>(text); }
    /// UTF-8 without escaping: XML fragments.
    void Raw(std::u16string_view text) { Utf8<Mode::Raw>(text); }
    /// UTF-8 with each ASCII unit written as `kinds` says; throws NonXmlCharacter for
    /// a refused unit, after the text before it (except within the last chunk).
    void Checked(std::u16string_view text, TextKinds const& kinds) { Utf8<Mode::Checked>(text, kinds.data()); }
    /// The shortest text that reads back to the same value, exactly as `std::to_chars`
    /// writes it, whatever the stream's state: "0.1", "1e+300", "-0", "inf", "-nan".
    /// Values of a few decimals, such as amounts, take the quick way of ShortDecimal
    /// where its fixed notation is what `std::to_chars` chooses.
    template <class Float> void Shortest(Float value)
    {
        char* const first = Reserve(kNumberRoom);
        char* last = ShortDecimal(first, value, std::numeric_limits<Float>::digits10);
        if (last == nullptr || !FixedIsShortest(first, last)) {
            last = std::to_chars(first, first + kNumberRoom, value).ptr;
        }
        m_Pos += static_cast<std::size_t>(last - first);
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
        if (static_cast<std::uint32_t>(indent) <= 2 * kSpaceStore && name.size() <= 2 * sizeof(Bytes8)) {
            char* out = Reserve(2 * kSpaceStore + 2 * sizeof(before.bytes) + 2 * sizeof(Bytes8));
            std::memcpy(out, kSpaces.data(), kSpaceStore);
            std::memcpy(out + kSpaceStore, kSpaces.data(), kSpaceStore);
            out += indent;
            std::memcpy(out, before.bytes, sizeof before.bytes);
            out += before.size;
            if (ShortName(name, out)) {
                out += name.size();
                std::memcpy(out, after.bytes, sizeof after.bytes);
                m_Pos = static_cast<std::size_t>(out + after.size - m_Buffer);
                return;
            }
        }
        Spaces(indent);
        Put(std::string_view(before.bytes, before.size));
        Name(name);
        Put(std::string_view(after.bytes, after.size));
    }

    /// An element name: UTF-8, no escaping. ASCII names of 4 to 16 units, the
    /// usual case, are narrowed as two overlapping groups; shorter ones take a
    /// plain copy loop.
    [[gnu::always_inline]] void Name(std::u16string_view name)
    {
        if (name.size() > kShortName) {
            Utf8<Mode::Raw>(name);
            return;
        }
        char* const first = Reserve(name.size() < 2 * sizeof(Bytes8) ? 2 * sizeof(Bytes8) : name.size());
        if (name.size() >= sizeof(Bytes4) && name.size() <= 2 * sizeof(Bytes8)) {
            bool const done = name.size() < sizeof(Bytes8) ? NarrowEnds<Units4, Bytes4>(name, first)
                                                           : NarrowEnds<Units8, Bytes8>(name, first);
            if (done) {
                m_Pos += name.size();
                return;
            }
        }
        std::size_t done = 0;
        // Units 1 to 0x7F are copied as they are.
        while (done != name.size() && static_cast<char16_t>(name[done] - 1) < 0x7F) {
            first[done] = static_cast<char>(name[done]);
            ++done;
        }
        m_Pos += done;
        if (done != name.size()) {
            Utf8<Mode::Raw>(name.substr(done));
        }
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
        if (m_FloatsPlain && m_Precision >= 0 && m_Precision <= kMaxFastPrecision) {
            General(value, static_cast<int>(m_Precision));
            return;
        }
        OnStream([value](std::ostream& out) { out << value; });
    }
    /// At 15 significant digits; the stream's precision is set back afterwards.
    [[gnu::always_inline]] void Value(double value)
    {
        if (m_FloatsPlain) {
            General(value, 15);
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
        if (m_IntegersPlain) {
            char* const first = Reserve(kNumberRoom);
            m_Pos += static_cast<std::size_t>(Tarnwick::Detail::WriteDecimal(first, value) - first);
            return;
        }
        OnStream([value](std::ostream& out) { out << value; });
    }

private:
    static constexpr std::size_t kCapacity = 16384;
    /// The longest text one code unit can become ("&quot;", "&apos;").
    static constexpr std::size_t kMaxBytesPerUnit = 6;
    static constexpr std::size_t kEntitySlot = 8;
    /// Room past the output for the fixed 16-byte copies of the vector steps.
    static constexpr std::size_t kVectorSlack = 16;
    static constexpr std::size_t kChunkUnits = (kCapacity - kEntitySlot - kVectorSlack) / kMaxBytesPerUnit;
    static constexpr std::size_t kNumberRoom = 80;
    static constexpr std::size_t kShortName = 256;
    static constexpr std::streamsize kMaxFastPrecision = 60;
    static constexpr std::string_view kSpaces = "                ";
    static constexpr std::size_t kSpaceStore = 16;
    /// An item tag in one fixed store.
    static constexpr std::size_t kTagStore = 8;
    static constexpr std::int32_t kSpaceRun = 1024;

    /// Whether `write` and `flush` would do no more than hand the bytes to the
    /// buffer and sync it: a good stream, no tied stream to flush first, no
    /// unitbuf, no exception mask. Then the buffer is called directly, with the
    /// same effects on the stream's state; otherwise the stream's own operations
    /// run. Nothing else touches the stream during an encoding, so this is
    /// worked out again only after the stream's own operations have run.
    void Refresh()
    {
        std::ios_base::fmtflags const flags = m_Out.flags();
        m_Direct = m_Out.rdstate() == std::ios_base::goodbit && m_Out.tie() == nullptr
            && (flags & std::ios_base::unitbuf) == 0 && m_Out.exceptions() == std::ios_base::goodbit;
        // A pending width is used up by the first number, which then goes through the stream.
        bool const plain = m_ClassicLocale && m_Out.width() == 0;
        m_IntegersPlain = plain && (flags & (std::ios_base::oct | std::ios_base::hex | std::ios_base::showpos)) == 0;
        m_FloatsPlain = plain
            && (flags
                   & (std::ios_base::floatfield | std::ios_base::showpoint | std::ios_base::showpos
                       | std::ios_base::uppercase))
                == 0;
        m_Precision = m_Out.precision();
    }

    /// What the stream's own `write` and `flush` do when the buffer fails or raises.
    void Fail()
    {
        m_Direct = false;
        m_Out.setstate(std::ios_base::badbit);
    }

    /// Calls the buffer directly, as `write` or `flush` would: a false answer
    /// or an exception sets badbit.
    template <class Call> void OnBuffer(Call call)
    {
        try {
            if (!call()) {
                Fail();
            }
        } catch (abi::__forced_unwind const&) {
            // Thread cancellation inside the buffer passes on, as it does through write and flush.
            Fail();
            throw;
        } catch (...) {
            Fail();
        }
    }

    /// General notation at `precision` significant digits of the value (a float
    /// promoted to double, as the stream inserts it), as "%.*g" and so as the
    /// stream's insertion writes it in its default state.
    template <class Float> void General(Float value, int precision)
    {
        char* const first = Reserve(kNumberRoom);
        char* last = ShortDecimal(first, value, precision == 0 ? 1 : precision);
        if (last == nullptr) {
            last = std::to_chars(
                first, first + kNumberRoom, static_cast<double>(value), std::chars_format::general, precision)
                       .ptr;
        }
        m_Pos += static_cast<std::size_t>(last - first);
    }

    /// Whether the fixed notation of a nonzero number without superfluous digits, in
    /// [first, last), is no longer than its exponent notation, so that the shortest
    /// form chooses it (it does on a tie).
    static bool FixedIsShortest(char const* first, char const* last)
    {
        char const* digits = first + (*first == '-' ? 1 : 0);
        char const* const point = std::find(digits, last, '.');
        int exponent = 0;
        int significant = 0;
        if (point == last) {
            // An integer: its trailing zeros go into the exponent.
            char const* end = last;
            while (end[-1] == '0') {
                --end;
            }
            significant = static_cast<int>(end - digits);
            exponent = static_cast<int>(last - digits) - 1;
        } else if (*digits != '0') {
            significant = static_cast<int>(last - digits) - 1;
            exponent = static_cast<int>(point - digits) - 1;
        } else {
            char const* lead = point + 1;
            while (*lead == '0') {
                ++lead;
            }
            significant = static_cast<int>(last - lead);
            exponent = -static_cast<int>(lead - point);
        }
        int const magnitude = exponent < 0 ? -exponent : exponent;
        int const scientific = significant + (significant > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
        return last - digits <= scientific;
    }

    /// The quick way to "%.*g" for values such as amounts and measures: a
    /// decimal D = k / 10^d with at most `precision` digits whose nearest Float is
    /// the value. When `precision` is within the digits the type always carries
    /// (15 for double, 6 for float), D is then exactly what rounding the value to
    /// `precision` digits gives, so D is written in fixed notation. The check
    /// k / 10^d == value is exact: k and 10^d are exact in Float, and the division
    /// is correctly rounded. Returns null when no such D with up to nine decimals
    /// exists or the notation would be exponential; zero is left to the general path.
    template <class Float> static char* ShortDecimal(char* first, Float value, int precision)
    {
        constexpr int kMaxDecimals = 9;
        static constexpr Float kPowers[]
            = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        if (precision > std::numeric_limits<Float>::digits10 || !std::isnormal(value)) {
            return nullptr;
        }
        Float const magnitude = std::fabs(value);
        Float const limit = kPowers[precision];
        for (int decimals = 0; decimals <= kMaxDecimals; ++decimals) {
            Float const scaled = magnitude * kPowers[decimals];
            if (!(scaled < limit)) {
                return nullptr;
            }
            auto const k = static_cast<std::uint64_t>(scaled + Float(0.5));
            if (static_cast<Float>(k) / kPowers[decimals] != magnitude) {
                continue;
            }
            char digits[24] = {};
            int const count = static_cast<int>(Tarnwick::Detail::WriteDigits(digits, k) - digits);
            // The decimal exponent of D must be at least -4 for the fixed notation.
            if (count - 1 - decimals < -4) {
                return nullptr;
            }
            char* out = first;
            if (value < 0) {
                *out++ = '-';
            }
            if (decimals == 0) {
                std::memcpy(out, digits, static_cast<std::size_t>(count));
                return out + count;
            }
            if (count > decimals) {
                std::memcpy(out, digits, static_cast<std::size_t>(count - decimals));
                out += count - decimals;
                *out++ = '.';
                std::memcpy(out, digits + (count - decimals), static_cast<std::size_t>(decimals));
                return out + decimals;
            }
            *out++ = '0';
            *out++ = '.';
            for (int zero = count; zero < decimals; ++zero) {
                *out++ = '0';
            }
            std::memcpy(out, digits, static_cast<std::size_t>(count));
            return out + count;
        }
        return nullptr;
    }

    /// Room for `count` bytes (at most kCapacity) at the returned position.
    char* Reserve(std::size_t count)
    {
        if (m_Pos + count > kCapacity) {
            Drain();
        }
        return m_Buffer + m_Pos;
    }

    /// What an ASCII unit becomes in escaped text (see TextKinds).
    static constexpr TextKinds kAsciiKind = TextKinds::Of(TextKinds::Element, false, false);
    /// The entities in 8-byte slots, copied whole (the room reserved allows it).
    static constexpr std::array<std::string_view, kRefuse> kEntities = {std::string_view("\0\0\0\0\0\0\0\0", 0),
        std::string_view("\0\0\0\0\0\0\0\0", 0), std::string_view("&quot;\0\0", 6), std::string_view("&amp;\0\0\0", 5),
        std::string_view("&apos;\0\0", 6), std::string_view("&lt;\0\0\0\0", 4), std::string_view("&gt;\0\0\0\0", 4),
        std::string_view("&#9;\0\0\0\0", 4), std::string_view("&#10;\0\0\0", 5), std::string_view("&#13;\0\0\0", 5)};

    /// The kind of an ASCII unit in `M`'s text (see TextKinds).
    template <Mode M> static unsigned char KindOf(char16_t unit, unsigned char const* kinds)
    {
        if constexpr (M == Mode::Checked) {
            return kinds[unit];
        } else if constexpr (M == Mode::Escaped) {
            return kAsciiKind[unit];
        } else {
            return unit == 0 ? kDrop : kCopy;
        }
    }

    /// Raises NonXmlCharacter for the unit at `it` (not ASCII) when XML cannot carry it:
    /// U+FFFE, U+FFFF or a surrogate that is not part of a pair.
    static void Refuse(char16_t const* it, char16_t const* end)
    {
        char16_t const unit = *it;
        if (unit >= 0xFFFE
            || (Tarnwick::Detail::IsSurrogate(unit)
                && !(Tarnwick::Detail::IsHighSurrogate(unit) && it + 1 != end
                    && Tarnwick::Detail::IsLowSurrogate(it[1])))) {
            throw NonXmlCharacter {unit};
        }
    }

    /// UTF-8 of UTF-16 text: a surrogate pair gives one 4-byte sequence, a lone
    /// surrogate U+FFFD, the unit 0 nothing; escaped, the five XML characters give
    /// their entities; checked, each ASCII unit becomes what `kinds` says and the
    /// units a refusing table refuses throw NonXmlCharacter. Runs of plain ASCII are
    /// copied in a tight loop.
    template <Mode M> void Utf8(std::u16string_view text, unsigned char const* kinds = nullptr)
    {
        // Short text without anything to replace, the usual case, in one step.
        if (text.size() - 4 <= 12) {
            char* const out = Reserve(2 * sizeof(Bytes8));
            if (ShortPlain<M>(text, out)) {
                m_Pos += text.size();
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
                if (*it < 0x80 && KindOf<M>(*it, kinds) == 0) {
                    *dst++ = static_cast<char>(*it++);
                    // The run of units needing nothing: eight at a time, then one by one.
                    it = PlainRun<M>(it, chunkEnd, dst, kinds);
                } else {
                    dst = Special<M>(it, chunkEnd, dst, kinds);
                }
            }
            m_Pos += static_cast<std::size_t>(dst - start);
        }
    }

    /// Writes the unit at `it` that needs more than a copy (see Utf8) and
    /// advances past it: past both units of a surrogate pair. Returns the new end.
    template <Mode M>
    static char* Special(char16_t const*& it, char16_t const* end, char* dst, unsigned char const* kinds)
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
            if (kind > 1) {
                std::string_view const entity = kEntities[kind];
                std::memcpy(dst, entity.data(), kEntitySlot);
                return dst + entity.size();
            }
            return dst;
        }
        if (unit < 0x800) {
            dst[0] = static_cast<char>(0xC0 | (unit >> 6));
            dst[1] = static_cast<char>(0x80 | (unit & 0x3F));
            ++it;
            return dst + 2;
        }
        if constexpr (M == Mode::Checked) {
            // A table that refuses the unit 0 refuses every unit XML cannot carry.
            if (kinds[0] == kRefuse) {
                Refuse(it, end);
            }
        }
        if (!Tarnwick::Detail::IsSurrogate(unit)) {
            dst[0] = static_cast<char>(0xE0 | (unit >> 12));
            dst[1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            dst[2] = static_cast<char>(0x80 | (unit & 0x3F));
            ++it;
            return dst + 3;
        }
        return dst + Tarnwick::Detail::EncodeUtf8(Tarnwick::Detail::NextCodePoint(it, end), dst);
    }

    /// All units from `it` to `end` (at least 16 units of the text end at
    /// `end`) in windows of sixteen: each window is narrowed once, its runs of
    /// plain units copied from the narrowed bytes, the units between them
    /// written one by one. The last window is the one that ends at `end`.
    /// Needs room for 16 bytes beyond the output of the units.
    template <Mode M>
    static char16_t const* Windows(char16_t const* it, char16_t const* end, char*& dst, unsigned char const* kinds)
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
            unsigned mask = SpecialMask<M>(bytes) >> skip;
            std::size_t done = 0;
            for (;;) {
                std::size_t const plainEnd = mask == 0 ? count : static_cast<std::size_t>(__builtin_ctz(mask));
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

    // The group masks are read in memory order.
    static_assert(std::endian::native == std::endian::little);
    using Units8 = std::uint16_t __attribute__((vector_size(16)));
    using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
    using Units4 = std::uint16_t __attribute__((vector_size(8)));
    using Bytes4 = std::uint8_t __attribute__((vector_size(4)));

    /// Copies the units below 0x80 that need no escape (and are not 0) from
    /// `it`, N at a time: each group is narrowed and stored whole, and `dst`
    /// advances past its plain prefix. Returns false when a group ended early.
    /// The caller has room for N bytes at `dst` and N units at `it`.
    template <Mode M, class Units, class Bytes> static bool PlainGroup(char16_t const*& it, char*& dst)
    {
        constexpr std::size_t N = sizeof(Bytes);
        Units units;
        std::memcpy(&units, it, sizeof units);
        auto special = (units > 0x7F) | (units == 0);
        if constexpr (M != Mode::Raw) {
            // '"'; '&' and '\''; '<' and '>'.
            special |= (units == 0x22) | ((units | 1) == 0x27) | ((units | 2) == 0x3E);
        }
        if constexpr (M == Mode::Checked) {
            special |= units < 0x20;
        }
        Bytes const bytes = __builtin_convertvector(units, Bytes);
        std::memcpy(dst, &bytes, sizeof bytes);
        std::uint64_t mask[(2 * N + 7) / 8];
        std::memcpy(mask, &special, sizeof special);
        std::size_t plain = N;
        for (std::size_t half = 0; half < sizeof mask / sizeof mask[0]; ++half) {
            if (mask[half] != 0) {
                plain = half * 4 + static_cast<std::size_t>(__builtin_ctzll(mask[half])) / 16;
                break;
            }
        }
        it += plain;
        dst += plain;
        return plain == N;
    }

    /// Narrows a name of at most 16 units into `out`, which has room for 16
    /// bytes; false when a unit is 0 or not ASCII.
    [[gnu::always_inline]] static bool ShortName(std::u16string_view name, char* out)
    {
        if (name.size() >= 4) {
            return ShortPlain<Mode::Raw>(name, out);
        }
        if (name.size() >= sizeof(Bytes8)) {
            return NarrowEnds<Units8, Bytes8>(name, out);
        }
        if (name.size() >= sizeof(Bytes4)) {
            return NarrowEnds<Units4, Bytes4>(name, out);
        }
        for (char16_t const unit : name) {
            if (static_cast<char16_t>(unit - 1) >= 0x7F) {
                return false;
            }
            *out++ = static_cast<char>(unit);
        }
        return true;
    }

    /// The mask of the bytes, narrowed with saturation from units (so units 0
    /// and above 0x7F give bytes 0 or from 0x80 on), that stand for units needing
    /// more than a copy: 0, above 0x7F, unless raw the five XML characters, and when
    /// checked every control character.
    template <Mode M> static unsigned SpecialMask(Bytes16 const& bytes)
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
        return special.Bits();
    }

    /// Narrows text of 4 to 16 units into `out`, which has room for 16 bytes,
    /// as its first and last 8 (or 4) units, which overlap; false, with `out`
    /// holding garbage, when a unit needs more than a copy.
    template <Mode M> static bool ShortPlain(std::u16string_view text, char* out)
    {
        if (text.size() >= 8) {
            Bytes16 const bytes = Bytes16::Narrowed(text.data(), text.data() + text.size() - 8);
            bytes.StoreEight<false>(out);
            bytes.StoreEight<true>(out + text.size() - 8);
            return SpecialMask<M>(bytes) == 0;
        }
        Bytes16 const bytes = Bytes16::Narrowed<4>(text.data(), text.data() + text.size() - 4);
        bytes.StoreFour<false>(out);
        bytes.StoreFour<true>(out + text.size() - 4);
        return (SpecialMask<M>(bytes) & 0x0F0F) == 0;
    }

    /// Narrows `name` (N to 2N units) into `out` as its first and last N units,
    /// which overlap; false, with `out` holding garbage, when a unit is 0 or
    /// not ASCII. The caller has room for 2N bytes.
    template <class Units, class Bytes> static bool NarrowEnds(std::u16string_view name, char* out)
    {
        constexpr std::size_t N = sizeof(Bytes);
        Units head;
        Units tail;
        std::memcpy(&head, name.data(), sizeof head);
        std::memcpy(&tail, name.data() + name.size() - N, sizeof tail);
        auto const special = (head - 1 > 0x7E) | (tail - 1 > 0x7E);
        std::uint64_t mask[(2 * N + 7) / 8];
        std::memcpy(mask, &special, sizeof special);
        std::uint64_t any = 0;
        for (std::uint64_t const half : mask) {
            any |= half;
        }
        Bytes const first = __builtin_convertvector(head, Bytes);
        Bytes const last = __builtin_convertvector(tail, Bytes);
        std::memcpy(out, &first, N);
        std::memcpy(out + name.size() - N, &last, N);
        return any == 0;
    }

    /// Sixteen units at a time: narrowed with saturation (every unit above 0x7F
    /// becomes a byte of 0x80 or more, or 0), stored whole, and the plain prefix
    /// found from one byte mask. Returns false when the group ended early.
    template <Mode M> static bool PlainGroup16(char16_t const*& it, char*& dst)
    {
        Bytes16 const bytes = Bytes16::Narrowed(it, it + 8);
        bytes.Store(dst);
        unsigned const mask = SpecialMask<M>(bytes);
        std::size_t const plain = mask == 0 ? 16 : static_cast<std::size_t>(__builtin_ctz(mask));
        it += plain;
        dst += plain;
        return mask == 0;
    }

    /// The run of plain units at `it`: sixteen, eight, then four at a time,
    /// then one by one.
    template <Mode M>
    static char16_t const* PlainRun(char16_t const* it, char16_t const* end, char*& dst, unsigned char const* kinds)
    {
        while (end - it >= 16) {
            if (!PlainGroup16<M>(it, dst)) {
                return it;
            }
        }
        while (end - it >= 8) {
            if (!PlainGroup<M, Units8, Bytes8>(it, dst)) {
                return it;
            }
        }
        if (end - it >= 4 && !PlainGroup<M, Units4, Bytes4>(it, dst)) {
            return it;
        }
        while (it != end && *it < 0x80 && KindOf<M>(*it, kinds) == 0) {
            *dst++ = static_cast<char>(*it++);
        }
        return it;
    }

    std::ostream& m_Out;
    std::streambuf* const m_Buf;
    bool const m_ClassicLocale;
    /// The target is a plain std::stringbuf (see the file comment).
    bool const m_SyncFree;
    bool m_Direct = false;
    bool m_IntegersPlain = false;
    bool m_FloatsPlain = false;
    std::streamsize m_Precision = 0;
    std::size_t m_Pos = 0;
    char m_Buffer[kCapacity];
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
