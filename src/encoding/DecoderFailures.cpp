#include "encoding/DecoderFailures.h"

#include "core/Utf16.h"

#include <tarnwick/core/ServiceException.h>

namespace Tarnwick::Encoding::Detail {

void RaiseDecoder(std::u16string const& message, DecoderLine line)
{
    throw ServiceException(message, kDecoderSource, line);
}

void RaiseTextTooLong(std::size_t limit)
{
    RaiseDecoder(u"Text longer than the limit of " + MessageText(std::to_string(limit)) + u" bytes", kTextTooLongLine);
}

namespace {

/// The bytes of `text` that a quote keeps: all, or the most characters that fit
/// in `kQuotedBytes` (a byte that starts no UTF-8 sequence is one character).
std::size_t ExcerptBytes(std::string_view text)
{
    if (text.size() <= kQuotedBytes) {
        return text.size();
    }
    auto const* const first = reinterpret_cast<unsigned char const*>(text.data());
    std::size_t kept = 0;
    for (;;) {
        Tarnwick::Detail::Utf8Sequence const sequence
            = Tarnwick::Detail::DecodeUtf8(first + kept, text.size() - kept, true);
        std::size_t const length = sequence.length == 0 ? 1 : sequence.length;
        if (kept + length > kQuotedBytes) {
            return kept;
        }
        kept += length;
    }
}

/// The units of `text` that a quote keeps, counted in the bytes of their UTF-8
/// form (a pair of surrogates is one character of 4 bytes, a lone one 3).
std::size_t ExcerptUnits(std::u16string_view text)
{
    char16_t const* const first = text.data();
    char16_t const* const end = first + text.size();
    std::size_t bytes = 0;
    char16_t const* kept = first;
    for (char16_t const* it = first; it != end; kept = it) {
        std::size_t const width = Tarnwick::Detail::Utf8Width(Tarnwick::Detail::NextCodePoint(it, end));
        if (bytes + width > kQuotedBytes) {
            break;
        }
        bytes += width;
    }
    return static_cast<std::size_t>(kept - first);
}

template <class Text> std::u16string Quoted(Text text)
{
    std::u16string quoted(1, u'\'');
    AppendExcerpt(quoted, text);
    quoted += u'\'';
    return quoted;
}

} // namespace

void AppendExcerpt(std::u16string& out, std::string_view text)
{
    std::size_t const kept = ExcerptBytes(text);
    out += MessageText(text.substr(0, kept));
    if (kept < text.size()) {
        out += kCutMark;
    }
}

void AppendExcerpt(std::u16string& out, std::u16string_view text)
{
    std::size_t const kept = ExcerptUnits(text);
    out += text.substr(0, kept);
    if (kept < text.size()) {
        out += kCutMark;
    }
}

std::u16string Quote(std::string_view text)
{
    return Quoted(text);
}

std::u16string Quote(std::u16string_view text)
{
    return Quoted(text);
}

std::u16string MessageText(std::string_view text)
{
    std::u16string wide;
    auto const* it = reinterpret_cast<unsigned char const*>(text.data());
    auto const* const end = it + text.size();
    while (it != end) {
        Tarnwick::Detail::Utf8Sequence const sequence
            = Tarnwick::Detail::DecodeUtf8(it, static_cast<std::size_t>(end - it), true);
        if (sequence.length == 0) {
            wide.push_back(*it++);
            continue;
        }
        Tarnwick::Detail::AppendUtf16(wide, sequence.codePoint);
        it += sequence.length;
    }
    return wide;
}

} // namespace Tarnwick::Encoding::Detail
