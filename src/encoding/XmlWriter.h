#pragma once

// The encoder's output buffer. Internal to the library.
//
// Text is collected in a local buffer and handed to the caller's stream in
// whole blocks with `write` (no per-character virtual calls); every line end is
// written and followed by a flush, which callers observe on file streams.
// Numbers go through the stream's formatted insertion unless the stream is in
// its default state (classic locale, decimal, no showpos, no pending width, and
// for floating point the general notation without showpoint or uppercase), in
// which case `std::to_chars` gives exactly the same characters.

#include "core/Utf16.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ios>
#include <locale>
#include <ostream>
#include <string>
#include <string_view>

namespace Tarnwick::Encoding::Detail {

class XmlWriter {
public:
    explicit XmlWriter(std::ostream& out)
        : m_Out(out)
        , m_ClassicLocale(out.getloc() == std::locale::classic())
    { }
    XmlWriter(XmlWriter const&) = delete;
    XmlWriter& operator=(XmlWriter const&) = delete;

    /// Hands what is still buffered to the stream: output written before a
    /// failure stays in the stream, as if it had been inserted piece by piece.
    ~XmlWriter()
    {
        if (m_Pos != 0) {
            try {
                Drain();
            } catch (...) {
                // The stream's own exception mask raised while another exception passes.
            }
        }
    }

    std::ostream& Stream() noexcept { return m_Out; }

    /// Writes the buffered bytes to the stream, without a flush.
    void Drain()
    {
        std::size_t const count = m_Pos;
        m_Pos = 0;
        m_Out.write(m_Buffer, static_cast<std::streamsize>(count));
    }

    /// One LF, then the stream is flushed.
    void EndLine()
    {
        Put('\n');
        Drain();
        m_Out.flush();
    }

    void Put(char c)
    {
        Reserve(1)[0] = c;
        ++m_Pos;
    }

    void Put(std::string_view text)
    {
        if (text.size() > kCapacity) {
            Drain();
            m_Out.write(text.data(), static_cast<std::streamsize>(text.size()));
            return;
        }
        std::memcpy(Reserve(text.size()), text.data(), text.size());
        m_Pos += text.size();
    }

    /// `count` spaces; nothing when `count` is 0 or less.
    void Spaces(std::int32_t count)
    {
        while (count > 0) {
            std::size_t const run
                = count < static_cast<std::int32_t>(kSpaces.size()) ? static_cast<std::size_t>(count) : kSpaces.size();
            Put(std::string_view(kSpaces.data(), run));
            count -= static_cast<std::int32_t>(run);
        }
    }

    /// UTF-8 with the five XML entities: string values and header attributes.
    void Escaped(std::u16string_view text) { Utf8<true>(text); }
    /// UTF-8 without escaping: XML fragments and element names.
    void Raw(std::u16string_view text) { Utf8<false>(text); }

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
    void Value(float value)
    {
        std::streamsize const precision = m_Out.precision();
        if (FloatsPlain() && precision >= 0 && precision <= kMaxFastPrecision) {
            General(static_cast<double>(value), static_cast<int>(precision));
            return;
        }
        Drain();
        m_Out << value;
    }
    /// At 15 significant digits; the stream's precision is set back afterwards.
    void Value(double value)
    {
        if (FloatsPlain()) {
            General(value, 15);
            return;
        }
        Drain();
        std::streamsize const previous = m_Out.precision(15);
        m_Out << value;
        m_Out.precision(previous);
    }

    template <class Int> void Integer(Int value)
    {
        if (IntegersPlain()) {
            char* const first = Reserve(kNumberRoom);
            m_Pos = static_cast<std::size_t>(std::to_chars(first, first + kNumberRoom, value).ptr - m_Buffer);
            return;
        }
        Drain();
        m_Out << value;
    }

private:
    static constexpr std::size_t kCapacity = 16384;
    /// The longest text one code unit can become ("&quot;", "&apos;").
    static constexpr std::size_t kMaxBytesPerUnit = 6;
    static constexpr std::size_t kChunkUnits = kCapacity / kMaxBytesPerUnit;
    static constexpr std::size_t kNumberRoom = 80;
    static constexpr std::streamsize kMaxFastPrecision = 60;
    static constexpr std::string_view kSpaces = "                                                                "
                                                "                                                                ";

    bool IntegersPlain() const
    {
        return m_ClassicLocale && m_Out.width() == 0
            && (m_Out.flags() & (std::ios_base::oct | std::ios_base::hex | std::ios_base::showpos)) == 0;
    }

    bool FloatsPlain() const
    {
        return m_ClassicLocale && m_Out.width() == 0
            && (m_Out.flags()
                   & (std::ios_base::floatfield | std::ios_base::showpoint | std::ios_base::showpos
                       | std::ios_base::uppercase))
            == 0;
    }

    /// General notation at `precision` significant digits, as "%.*g" and so as
    /// the stream's insertion writes it in its default state.
    void General(double value, int precision)
    {
        char* const first = Reserve(kNumberRoom);
        m_Pos = static_cast<std::size_t>(
            std::to_chars(first, first + kNumberRoom, value, std::chars_format::general, precision).ptr - m_Buffer);
    }

    /// Room for `count` bytes (at most kCapacity) at the returned position.
    char* Reserve(std::size_t count)
    {
        if (m_Pos + count > kCapacity) {
            Drain();
        }
        return m_Buffer + m_Pos;
    }

    /// What an ASCII unit becomes in escaped text: 0 itself, 1 nothing (the
    /// unit 0), otherwise the index of its entity plus 2.
    static constexpr std::array<unsigned char, 128> kAsciiKind = [] {
        std::array<unsigned char, 128> kind {};
        kind[0] = 1;
        kind['"'] = 2;
        kind['&'] = 3;
        kind['\''] = 4;
        kind['<'] = 5;
        kind['>'] = 6;
        return kind;
    }();
    static constexpr std::array<std::string_view, 7> kEntities = {"", "", "&quot;", "&amp;", "&apos;", "&lt;", "&gt;"};

    /// UTF-8 of UTF-16 text: a surrogate pair gives one 4-byte sequence, a lone
    /// surrogate U+FFFD, the unit 0 nothing; with `Escape`, the five XML
    /// characters give their entities. Runs of plain ASCII are copied in a tight loop.
    template <bool Escape> void Utf8(std::u16string_view text)
    {
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
            char* const start = Reserve(units * kMaxBytesPerUnit);
            char* dst = start;
            while (it != chunkEnd) {
                char16_t const unit = *it;
                if (unit < 0x80) {
                    unsigned char const kind = Escape ? kAsciiKind[unit] : (unit == 0 ? 1 : 0);
                    ++it;
                    if (kind == 0) {
                        *dst++ = static_cast<char>(unit);
                        // The run of units needing nothing.
                        while (it != chunkEnd && *it < 0x80 && (Escape ? kAsciiKind[*it] : (*it == 0 ? 1 : 0)) == 0) {
                            *dst++ = static_cast<char>(*it++);
                        }
                    } else if (kind > 1) {
                        std::string_view const entity = kEntities[kind];
                        std::memcpy(dst, entity.data(), entity.size());
                        dst += entity.size();
                    }
                } else if (unit < 0x800) {
                    dst[0] = static_cast<char>(0xC0 | (unit >> 6));
                    dst[1] = static_cast<char>(0x80 | (unit & 0x3F));
                    dst += 2;
                    ++it;
                } else if (!Tarnwick::Detail::IsSurrogate(unit)) {
                    dst[0] = static_cast<char>(0xE0 | (unit >> 12));
                    dst[1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
                    dst[2] = static_cast<char>(0x80 | (unit & 0x3F));
                    dst += 3;
                    ++it;
                } else {
                    dst += Tarnwick::Detail::EncodeUtf8(Tarnwick::Detail::NextCodePoint(it, chunkEnd), dst);
                }
            }
            m_Pos += static_cast<std::size_t>(dst - start);
        }
    }

    std::ostream& m_Out;
    bool const m_ClassicLocale;
    std::size_t m_Pos = 0;
    char m_Buffer[kCapacity];
};

} // namespace Tarnwick::Encoding::Detail
