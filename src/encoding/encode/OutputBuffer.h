#pragma once

// The encoder's output buffer and its policy towards the caller's stream.
// Internal to the library.
//
// Text is collected in a local buffer and handed to the caller's stream in
// whole blocks (no per-character virtual calls); every line end is written and
// followed by a flush, which callers observe on file streams and on their own
// stream buffers. A plain std::stringbuf (the exact class, never a subclass)
// inherits the sync that does nothing and shows its content to nobody before
// the call returns, so its lines are handed over in blocks of many, unflushed.
// Numbers go through the stream's formatted insertion unless the stream is in
// its default state (see Refresh).

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cxxabi.h>
#include <ios>
#include <locale>
#include <ostream>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <typeinfo>

namespace Tarnwick::Encoding::Detail {

/// Whether `low <= value <= high`, in one comparison: the difference is taken
/// unsigned, so a value below `low` wraps round to a number above `high - low`.
template <std::integral T> constexpr bool InRange(T value, T low, T high) noexcept
{
    using Unsigned = std::make_unsigned_t<T>;
    return static_cast<Unsigned>(static_cast<Unsigned>(value) - static_cast<Unsigned>(low))
        <= static_cast<Unsigned>(static_cast<Unsigned>(high) - static_cast<Unsigned>(low));
}

/// The bytes of one encoding on their way to the caller's stream, and what the
/// stream's state allows to be written without it.
class OutputBuffer {
public:
    explicit OutputBuffer(std::ostream& out)
        : m_Out(out)
        , m_Buf(out.rdbuf())
        , m_ClassicLocale(out.getloc() == std::locale::classic())
        , m_SyncFree(m_Buf != nullptr && typeid(*m_Buf) == typeid(std::stringbuf))
    {
        Refresh();
    }
    OutputBuffer(OutputBuffer const&) = delete;
    OutputBuffer& operator=(OutputBuffer const&) = delete;

    /// Hands what is still buffered to the stream: output written before a
    /// failure stays in the stream, as if it had been inserted piece by piece.
    ~OutputBuffer()
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
        if (InRange<std::int32_t>(count, 1, kShortIndent)) {
            char* const first = Reserve(kShortIndent);
            StoreShortIndent(first);
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

protected:
    static constexpr std::size_t kCapacity = 16384;
    /// The longest indent written in two fixed stores.
    static constexpr std::int32_t kShortIndent = 32;

    /// Room for `count` bytes (at most kCapacity) at the returned position.
    char* Reserve(std::size_t count)
    {
        if (m_Pos + count > kCapacity) {
            Drain();
        }
        return m_Buffer + m_Pos;
    }

    /// Takes `count` more bytes written at the position `Reserve` answered.
    void Advance(std::size_t count) noexcept { m_Pos += count; }
    /// Takes the bytes written from the position `Reserve` answered up to `end`.
    void AdvanceTo(char const* end) noexcept { m_Pos = static_cast<std::size_t>(end - m_Buffer); }

    /// Writes `kShortIndent` spaces at `out` in two fixed stores; the caller keeps as many as it needs.
    static void StoreShortIndent(char* out) noexcept
    {
        std::memcpy(out, kSpaces.data(), kSpaceStore);
        std::memcpy(out + kSpaceStore, kSpaces.data(), kSpaceStore);
    }

    /// Integers are written here: the stream's insertion would give the same characters.
    bool IntegersPlain() const noexcept { return m_IntegersPlain; }
    /// Floating point in the general notation is written here, at `Precision()`.
    bool FloatsPlain() const noexcept { return m_FloatsPlain; }
    std::streamsize Precision() const noexcept { return m_Precision; }

private:
    static constexpr std::string_view kSpaces = "                ";
    static constexpr std::size_t kSpaceStore = 16;
    static constexpr std::int32_t kSpaceRun = 1024;
    static_assert(kShortIndent == 2 * kSpaceStore);

    /// Whether `write` and `flush` would do no more than hand the bytes to the
    /// buffer and sync it: a good stream, no tied stream to flush first, no
    /// unitbuf, no exception mask. Then the buffer is called directly, with the
    /// same effects on the stream's state; otherwise the stream's own operations
    /// run. Nothing else touches the stream during an encoding, so this is
    /// worked out again only after the stream's own operations have run.
    /// Numbers are formatted here when the stream is in its default state
    /// (classic locale, decimal, no showpos, no pending width, and for floating
    /// point the general notation without showpoint or uppercase), into exactly
    /// the characters that its insertion would give.
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

} // namespace Tarnwick::Encoding::Detail
