#include "encoding/decode/DecoderFailures.h"

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
    std::size_t const kept = Tarnwick::Detail::Utf8Prefix(text, kQuotedBytes);
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
