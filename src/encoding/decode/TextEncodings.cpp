#include "encoding/decode/TextEncodings.h"

#include "core/Bytes16.h"
#include "core/Utf16.h"
#include "encoding/XmlNames.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

namespace Tarnwick::Encoding::Detail {

namespace {

using Tarnwick::Detail::Bytes16;

constexpr char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

struct Name {
    std::string_view name;
    TextForm form;
};

/// The names read, in lower case; UTF-16's byte order comes from its mark.
constexpr std::array<Name, 7> kNames = {{
    {"utf-8", TextForm::Utf8},
    {"us-ascii", TextForm::Ascii},
    {"ascii", TextForm::Ascii},
    {"iso-8859-1", TextForm::Latin1},
    {"iso_8859-1", TextForm::Latin1},
    {"latin1", TextForm::Latin1},
    {"utf-16", TextForm::Utf16LE},
}};

} // namespace

std::optional<TextForm> FormOfName(std::string_view name)
{
    for (Name const& known : kNames) {
        if (known.name.size() == name.size()
            && std::equal(name.begin(), name.end(), known.name.begin(), [](char a, char b) { return Lower(a) == b; })) {
            return known.form;
        }
    }
    return std::nullopt;
}

std::string_view DeclaredEncoding(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (!text.starts_with("<?xml") || text.size() < 6 || !IsXmlSpace(text[5])) {
        return {};
    }
    // The declaration ends at the first "?>"; its pseudo-attributes are judged once parsed.
    std::string_view const declaration = text.substr(0, text.find("?>"));
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos || !IsXmlSpace(declaration[at - 1])) {
        return {};
    }
    at += 8;
    auto const skipSpace = [&] {
        while (at < declaration.size() && IsXmlSpace(declaration[at])) {
            ++at;
        }
    };
    skipSpace();
    if (at >= declaration.size() || declaration[at] != '=') {
        return {};
    }
    ++at;
    skipSpace();
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) {
        return {};
    }
    std::size_t const close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos) {
        return {};
    }
    return declaration.substr(at + 1, close - at - 1);
}

bool LooksLikeUtf16(std::string_view text)
{
    if (text.size() < 2) {
        return false;
    }
    auto const ascii = [](char c) { return c != 0 && static_cast<unsigned char>(c) < 0x80; };
    return (text[0] == 0 && ascii(text[1])) || (ascii(text[0]) && text[1] == 0);
}

std::size_t FirstNonAscii(std::string_view text)
{
    std::size_t at = 0;
    for (; at + 16 <= text.size(); at += 16) {
        if (unsigned const high = Bytes16(text.data() + at).High().Bits(); high != 0) {
            return at + static_cast<std::size_t>(std::countr_zero(high));
        }
    }
    while (at < text.size() && static_cast<unsigned char>(text[at]) < 0x80) {
        ++at;
    }
    return at;
}

Transcoded FromLatin1(std::string_view bytes)
{
    Transcoded out;
    std::size_t const high = static_cast<std::size_t>(
        std::count_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    out.text.reserve(bytes.size() + high);
    for (std::size_t at = 0; at < bytes.size();) {
        // Runs of ASCII copied whole.
        std::size_t const plain = at + FirstNonAscii(bytes.substr(at));
        out.text.append(bytes.data() + at, plain - at);
        if (plain == bytes.size()) {
            break;
        }
        char utf8[4];
        out.text.append(utf8, Tarnwick::Detail::EncodeUtf8(static_cast<unsigned char>(bytes[plain]), utf8));
        at = plain + 1;
    }
    return out;
}

Transcoded FromUtf16(std::string_view bytes, bool bigEndian)
{
    std::size_t const units = bytes.size() / 2;
    auto const* const in = reinterpret_cast<unsigned char const*>(bytes.data());
    auto const unit = [&](std::size_t i) {
        return static_cast<char16_t>(bigEndian ? (in[2 * i] << 8) | in[2 * i + 1] : (in[2 * i + 1] << 8) | in[2 * i]);
    };
    // Two passes, the first only measuring, so that the text is allocated once at its size
    // (a large text is not held at three bytes per unit).
    auto const walk = [&](char* to) {
        std::size_t length = 0;
        std::size_t i = 0;
        char scratch[4];
        for (; i < units; ++i) {
            char32_t cp = unit(i);
            if (Tarnwick::Detail::IsSurrogate(static_cast<char16_t>(cp))) {
                if (!Tarnwick::Detail::IsHighSurrogate(static_cast<char16_t>(cp)) || i + 1 == units
                    || !Tarnwick::Detail::IsLowSurrogate(unit(i + 1))) {
                    break;
                }
                cp = Tarnwick::Detail::CombineSurrogates(static_cast<char16_t>(cp), unit(i + 1));
                ++i;
            }
            length += Tarnwick::Detail::EncodeUtf8(cp, to != nullptr ? to + length : scratch);
        }
        return std::pair(length, i == units && bytes.size() % 2 == 0);
    };
    Transcoded out;
    out.text.resize(walk(nullptr).first);
    out.complete = walk(out.text.data()).second;
    return out;
}

} // namespace Tarnwick::Encoding::Detail
