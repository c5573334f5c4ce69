#include "encoding/MessagePath.h"
#include "encoding/encode/NumberText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Encoding::Detail;

// Amounts and measures of up to nine decimals, the values the quick fixed
// notation serves, beside those it leaves to the general path: the edges of
// the fixed notation (exponents -5 and -4, 15 and 16 digits), zero, the
// infinities, and values no short decimal is nearest to.
constexpr double kValues[]
    = {1, 10, 100, 0.5, 0.05, 0.1, 0.25, 1234.56, 99999.99, 12.5, 0.0001, 0.00012, 0.00001, 0.000015, 123456789.123,
        123456789012345.0, 1234567890123456.0, 999999999999999.0, 1e15, 1e16, 1e21, 1.5e-9, 0.123456789, 0.1234567891,
        3.0000001, 1.0 / 3, 2.0 / 3, 1e300, 5e-324, 0.0, std::numeric_limits<double>::infinity()};

TEST(WriterTextTest, GeneralNotationIsPrintfs)
{
    for (double const magnitude : kValues) {
        for (double const value : {magnitude, -magnitude}) {
            for (int const precision : {1, 2, 6, 15, 17}) {
                char expected[kNumberRoom];
                int const length = std::snprintf(expected, sizeof expected, "%.*g", precision, value);
                char written[kNumberRoom];
                EXPECT_EQ(std::string_view(written, WriteGeneral(written, value, precision)),
                    std::string_view(expected, static_cast<std::size_t>(length)))
                    << value << " at " << precision;
                auto const single = static_cast<float>(value);
                std::snprintf(expected, sizeof expected, "%.*g", precision, static_cast<double>(single));
                EXPECT_EQ(
                    std::string_view(written, WriteGeneral(written, single, precision)), std::string_view(expected))
                    << single << " at " << precision;
            }
        }
    }
}

TEST(WriterTextTest, ShortestIsToChars)
{
    for (double const magnitude : kValues) {
        for (double const value : {magnitude, -magnitude}) {
            char expected[kNumberRoom];
            char written[kNumberRoom];
            EXPECT_EQ(std::string_view(written, WriteShortest(written, value)),
                std::string_view(expected, std::to_chars(expected, expected + kNumberRoom, value).ptr))
                << value;
            auto const single = static_cast<float>(value);
            EXPECT_EQ(std::string_view(written, WriteShortest(written, single)),
                std::string_view(expected, std::to_chars(expected, expected + kNumberRoom, single).ptr))
                << single;
        }
    }
}

TEST(WriterTextTest, PathKeepsBothEndsOfALongPath)
{
    struct Row {
        std::size_t count;
        std::size_t ends;
        std::u16string_view mark;
        std::u16string_view path;
    };
    constexpr Row kRows[] = {
        {0, 2, u"...", u""},
        {1, 2, u"...", u"a"},
        {4, 2, u"...", u"a/b/c/d"},
        {5, 2, u"...", u"a/b/.../d/e"},
        {7, 2, u"\u2026", u"a/b/\u2026/f/g"},
        {3, 1, u"~", u"a/~/c"},
        {2, 1, u"~", u"a/b"},
    };
    for (Row const& row : kRows) {
        std::u16string path = u"kept:";
        AppendPath(path, row.count, row.ends, row.mark,
            [](std::u16string& out, std::size_t i) { out += static_cast<char16_t>(u'a' + i); });
        EXPECT_EQ(path, u"kept:" + std::u16string(row.path)) << row.count << " names, " << row.ends << " at each end";
    }
}

} // namespace
} // namespace TarnwickTest
