#pragma once

// The bytes of a text that the parser's terminators stand over in its copy, so that the
// text as it arrived can be read back from that copy once the caller's text is gone,
// without keeping a second copy of it. Internal to the library.

#include "core/Bytes16.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tarnwick::Encoding::Detail {

class OverwrittenBytes {
public:
    /// Notes, in order, the byte of `text` under every zero byte among the first `size`
    /// bytes of `buffer`, the parser's copy of a text without zero bytes, padded with at
    /// least 64 bytes.
    void Record(char const* buffer, char const* text, std::size_t size)
    {
        m_Buffer = buffer;
        m_Before.resize(size / kBlock);
        // Room for about one terminator in 16 bytes, what a usual message has, at once;
        // a block is given room for a terminator in each of its bytes before it is read.
        m_Bytes.resize(size / 16 + kBlock);
        char* out = m_Bytes.data();
        for (std::size_t first = 0; first < size; first += kBlock) {
            std::size_t const used = static_cast<std::size_t>(out - m_Bytes.data());
            if (first != 0) {
                m_Before[first / kBlock - 1] = used;
            }
            if (m_Bytes.size() - used < kBlock) {
                m_Bytes.resize(2 * m_Bytes.size());
                out = m_Bytes.data() + used;
            }
            // Whole groups of 64 bytes, then the rest of the last one: the padding is
            // zero, and none of it is a terminator.
            std::size_t const last = std::min(size, first + kBlock);
            std::size_t base = first;
            for (; last - base >= 64; base += 64) {
                out = Note(ZerosAt(buffer + base), text + base, out);
            }
            if (base != last) {
                out = Note(ZerosAt(buffer + base) & ((std::uint64_t(1) << (last - base)) - 1), text + base, out);
            }
        }
        m_Bytes.resize(static_cast<std::size_t>(out - m_Bytes.data()));
    }

    /// Reads the text from an offset on, a byte at a time.
    class Cursor {
    public:
        /// The byte at the cursor, which then moves to the next one.
        char Next() noexcept
        {
            char const byte = m_Owner.m_Buffer[m_Offset++];
            return byte != 0 ? byte : m_Owner.m_Bytes[m_Rank++];
        }
        std::size_t Offset() const noexcept { return m_Offset; }

    private:
        friend class OverwrittenBytes;
        Cursor(OverwrittenBytes const& owner, std::size_t offset, std::size_t rank)
            : m_Owner(owner)
            , m_Offset(offset)
            , m_Rank(rank)
        { }
        OverwrittenBytes const& m_Owner;
        std::size_t m_Offset;
        std::size_t m_Rank;
    };

    /// A cursor at `offset`, which is within the recorded size.
    Cursor At(std::size_t offset) const noexcept
    {
        std::size_t const block = offset / kBlock;
        std::size_t rank = block == 0 ? 0 : m_Before[block - 1];
        for (std::size_t i = block * kBlock; i < offset; ++i) {
            rank += m_Buffer[i] == 0 ? 1 : 0;
        }
        return Cursor(*this, offset, rank);
    }

private:
    /// Bit i for a zero byte at `at[i]`, of the 64 from `at`.
    static std::uint64_t ZerosAt(char const* at) noexcept
    {
        std::uint64_t zeros = 0;
        for (unsigned group = 0; group < 4; ++group) {
            zeros |= std::uint64_t(::Tarnwick::Detail::Bytes16(at + 16 * group).Equal('\0').Bits()) << (16 * group);
        }
        return zeros;
    }

    /// Writes the byte of `text` at each bit of `zeros` to `out`, in order; answers the end.
    static char* Note(std::uint64_t zeros, char const* text, char* out) noexcept
    {
        for (; zeros != 0; zeros &= zeros - 1) {
            *out++ = text[static_cast<unsigned>(std::countr_zero(zeros))];
        }
        return out;
    }

    /// How many bytes share one count of the terminators before them: 8 bytes of counts
    /// per KiB of text, and at most a KiB looked at to find a byte.
    static constexpr std::size_t kBlock = 1024;

    char const* m_Buffer = nullptr;
    std::string m_Bytes;
    /// The terminators before the end of each block of the text but the last.
    std::vector<std::size_t> m_Before;
};

} // namespace Tarnwick::Encoding::Detail
