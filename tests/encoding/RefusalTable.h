#pragma once

// Tables of texts the decoder refuses: a row per text, with the line and the
// message its refusal must carry, and the one runner the tables share.

#include "EncodingTestSupport.h"

#include <tarnwick/encoding/XmlDecoder.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace RefusalTable {

/// The ToString() line of the decoder's refusal with `line` and `message`.
inline std::u16string Refusal(int line, std::u16string const& message)
{
    std::string const number = std::to_string(line);
    return u"Exception: Tarnwick::Encoding::XmlDecoder line " + std::u16string(number.begin(), number.end()) + u" - "
        + message;
}

/// A row's name as a test name.
template <class Row> std::string RowName(::testing::TestParamInfo<Row> const& info)
{
    std::string name;
    for (char c : std::string(info.param.name)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

/// A text the decoder refuses, with the line and message of the refusal.
struct Refused {
    char const* name;
    std::string text;
    int line;
    std::u16string message;
};

/// Decodes the row's text with the default limits and expects its refusal.
inline void ExpectRefused(Refused const& row)
{
    EXPECT_EQ(EncodingTest::ThrownLine([&] { Tarnwick::Encoding::XmlDecoder decoder(row.text); }),
        Refusal(row.line, row.message))
        << row.name;
}

} // namespace RefusalTable
