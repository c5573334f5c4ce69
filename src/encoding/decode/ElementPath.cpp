#include "encoding/decode/ElementPath.h"

#include "core/Utf16.h"
#include "encoding/MessagePath.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace Tarnwick::Encoding::Detail {

namespace {

/// Whether `text` is UTF-8 throughout, as a name must be unless it is a legacy one.
bool IsUtf8(std::string_view text)
{
    auto const* it = reinterpret_cast<unsigned char const*>(text.data());
    auto const* const end = it + text.size();
    while (it != end) {
        std::size_t const length = Tarnwick::Detail::DecodeUtf8(it, static_cast<std::size_t>(end - it)).length;
        if (length == 0) {
            return false;
        }
        it += length;
    }
    return true;
}

} // namespace

void AppendName(std::u16string& out, XmlDocument const& document, pugi::xml_node element)
{
    std::string_view const name(element.name());
    if (name.size() <= kQuotedBytes) {
        out += document.Name(element);
        return;
    }
    if (IsUtf8(name)) {
        AppendExcerpt(out, name);
        return;
    }
    // A legacy name: a unit per byte, so any byte is a character boundary.
    for (char const byte : name.substr(0, kQuotedBytes)) {
        out.push_back(static_cast<unsigned char>(byte));
    }
    out += kCutMark;
}

std::u16string QuoteName(XmlDocument const& document, pugi::xml_node element)
{
    std::u16string quoted(1, u'\'');
    AppendName(quoted, document, element);
    quoted += u'\'';
    return quoted;
}

std::u16string ElementPath(XmlDocument const& document, pugi::xml_node element, pugi::xml_node base)
{
    // The elements from `element` up to `base`, then joined top down in one pass.
    std::vector<pugi::xml_node> upward;
    for (pugi::xml_node node = element; node && node.type() == pugi::node_element; node = node.parent()) {
        upward.push_back(node);
        if (node == base) {
            break;
        }
    }
    std::size_t const count = upward.size();
    std::u16string path;
    AppendPath(path, count, kPathNames / 2, kCutMark,
        [&](std::u16string& out, std::size_t level) { AppendName(out, document, upward[count - 1 - level]); });
    return path;
}

} // namespace Tarnwick::Encoding::Detail
