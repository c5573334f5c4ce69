#pragma once

// The bytes of a text that the parser's terminators stand over in its copy, so that the
// text as it arrived can be read back from that copy once the caller's text is gone,
// without keeping a second copy of it. Internal to the library.

#include "core/Bytes16.h"

#include <bit>
#include <cstddef>
#include <string>
#include <vector>

namespace Tarnwick::Encoding::Detail {

class OverwrittenBytes {
public:
    /// Notes, in order, the byte of `text` under every zero byte among the first `size`
    /// bytes of `buffer`, the parser's copy of a text without zero bytes, padded with at
    /// least 16 bytes.
    void Record(char const* buffer, char const* text, std::size_t size)
    {
        m_Buffer = buffer;
        // Counted first, so that the list is allocated once at its size.
        std::size_t count = 0;
        ForEachZero(buffer, size, [&count](std::size_t) { ++count; });
        m_Bytes.resize(count);
        m_Before.resize(size / kBlock);
        std::size_t seen = 0;
        std::size_t block = 0;
        ForEachZero(buffer, size, [&](std::size_t at) {
            for (; block < m_Before.size() && (block + 1) * kBlock <= at; ++block) {
                m_Before[block] = seen;
            }
            m_Bytes[seen++] = text[at];
        });
        for (; block < m_Before.size(); ++block) {
            m_Before[block] = seen;
        }
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
    /// Calls `visit(offset)` for each zero byte among the first `size` bytes of `buffer`.
    template <class Visit> static void ForEachZero(char const* buffer, std::size_t size, Visit visit)
    {
        for (std::size_t base = 0; base < size; base += 16) {
            unsigned zeros = ::Tarnwick::Detail::Bytes16(buffer + base).Equal('\0').Bits();
            if (size - base < 16) {
                zeros &= (1u << (size - base)) - 1;
            }
            for (; zeros != 0; zeros &= zeros - 1) {
                visit(base + static_cast<std::size_t>(std::countr_zero(zeros)));
            }
        }
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
