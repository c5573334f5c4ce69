// The encoder's and the logger's UTF-16 to UTF-8 conversion of arbitrary text,
// against a plain unit-by-unit conversion: string values (escaped), XML
// fragments and element names (raw), into a plain string stream and into a
// caller's stream buffer (which must see the same bytes and one flush per
// line), element text with whitespace references (the checked way, which
// stops at every control character), and the logger's line conversion.
//
// Input: pairs of bytes, each a UTF-16 code unit (little endian).

#include "core/Utf16.h"

#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/XmlEncoder.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

namespace {

using namespace Tarnwick::DataTypes;
using Tarnwick::Encoding::XmlEncoder;
using Tarnwick::Encoding::XmlEncoderOptions;

/// UTF-8 unit by unit: pairs combined, lone surrogates as U+FFFD, with
/// `escape` the five XML entities and with `carriageReturn` CR as its reference;
/// the unit 0 is kept with `keepZero`, else left out.
std::string Reference(std::u16string const& text, bool escape, bool keepZero, bool carriageReturn = false)
{
    std::string out;
    // One code point at a time through the scalar encoder, which the boundary
    // tests pin down; the runs and vector steps are what is checked here.
    auto put = [&](char32_t cp) {
        char bytes[4];
        out.append(bytes, Tarnwick::Detail::EncodeUtf8(cp, bytes));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t const unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            put(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            put(0xFFFD);
        } else if (unit == 0) {
            if (keepZero) {
                out += '\0';
            }
        } else if (carriageReturn && unit == u'\r') {
            out += "&#13;";
        } else if (escape && unit == u'"') {
            out += "&quot;";
        } else if (escape && unit == u'&') {
            out += "&amp;";
        } else if (escape && unit == u'\'') {
            out += "&apos;";
        } else if (escape && unit == u'<') {
            out += "&lt;";
        } else if (escape && unit == u'>') {
            out += "&gt;";
        } else {
            put(unit);
        }
    }
    return out;
}

/// A caller's buffer: appends, and records the text at every flush.
class Recorder : public std::streambuf {
public:
    std::string text;
    std::size_t flushes = 0;

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            text += traits_type::to_char_type(c);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(char const* s, std::streamsize n) override
    {
        text.append(s, static_cast<std::size_t>(n));
        return n;
    }
    int sync() override
    {
        // Every flush follows a line end.
        if (text.empty() || text.back() != '\n') {
            std::abort();
        }
        ++flushes;
        return 0;
    }
};

void Check(ServiceType const& node, std::string const& expected, XmlEncoderOptions const& options = {})
{
    std::ostringstream plain;
    XmlEncoder::Encode(plain, &node, 0, options);
    if (plain.str() != expected) {
        std::abort();
    }
    Recorder recorder;
    std::ostream out(&recorder);
    XmlEncoder::Encode(out, &node, 0, options);
    if (recorder.text != expected || recorder.flushes != 1) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    std::string const escaped = Reference(text, true, false);
    std::string const raw = Reference(text, false, false);

    Check(ScalarType<std::u16string>(text, u"v"), "<v>" + escaped + "</v>\n");
    Check(XmlString(text, u"v"), "<v>" + raw + "</v>\n");
    Check(ScalarType<bool>(true, text), "<" + raw + ">true</" + raw + ">\n");
    XmlEncoderOptions referencing;
    referencing.ReferenceWhitespace = true;
    Check(ScalarType<std::u16string>(text, u"v"), "<v>" + Reference(text, true, false, true) + "</v>\n", referencing);

    std::string line = "x";
    Tarnwick::Detail::AppendUtf8(line, text);
    if (line != "x" + Reference(text, false, true)) {
        std::abort();
    }
    return 0;
}
