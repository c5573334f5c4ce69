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
