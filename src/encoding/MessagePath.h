#pragma once

// Element paths in refusal messages, bounded however deep the tree: the
// encoder's and the decoder's, which differ only in how many names they keep
// and the mark that stands for the rest. Internal to the library.

#include <cstddef>
#include <string>
#include <string_view>

namespace Tarnwick::Encoding::Detail {

/// The most bytes of input one quoted piece of a refusal shows, the encoder's and the
/// decoder's: a longer piece is cut at a character boundary and marked as cut, so that a
/// message costs the same however long the input it quotes.
inline constexpr std::size_t kQuotedBytes = 40;

/// Appends the names of a path of `count` elements joined by '/', top down: all
/// of them, or, when there are more than 2 * `ends`, the first and the last
/// `ends` with `mark` as one more name between them. `appendName(out, i)`
/// appends the name of the i-th element from the top.
template <class AppendName>
void AppendPath(
    std::u16string& out, std::size_t count, std::size_t ends, std::u16string_view mark, AppendName appendName)
{
    bool const cut = count > 2 * ends;
    for (std::size_t i = 0; i < count; ++i) {
        if (cut && i == ends) {
            out += u'/';
            out += mark;
            i = count - ends;
        }
        if (i != 0) {
            out += u'/';
        }
        appendName(out, i);
    }
}

} // namespace Tarnwick::Encoding::Detail
