#include "encoding/MessagePath.h"
#include "encoding/encode/NumberText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstddef>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

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

// Both writers of a value beside the standard function each must match: the shortest
// form that reads back is to_chars', the general notation at each precision printf's.
template <class Float> void ExpectWrittenAsTheStandard(Float value)
{
    char expected[kNumberRoom];
    char written[kNumberRoom];
    EXPECT_EQ(std::string_view(written, WriteShortest(written, value)),
        std::string_view(expected, std::to_chars(expected, expected + kNumberRoom, value).ptr))
        << value;
    for (int const precision : {1, 2, 6, 15, 17}) {
        int const length = std::snprintf(expected, sizeof expected, "%.*g", precision, static_cast<double>(value));
        EXPECT_EQ(std::string_view(written, WriteGeneral(written, value, precision)),
            std::string_view(expected, static_cast<std::size_t>(length)))
            << value << " at " << precision;
    }
}

TEST(WriterTextTest, NumbersAreWrittenAsTheStandardFunctionsWriteThem)
{
    for (double const magnitude : kValues) {
        for (double const value : {magnitude, -magnitude}) {
            ExpectWrittenAsTheStandard(value);
            ExpectWrittenAsTheStandard(static_cast<float>(value));
        }
    }
}

// The refusals' own tests pin long paths, cut and whole at twice the ends; here the
// edges they do not reach: no name, one name, and one name past twice the ends.
TEST(WriterTextTest, PathCutsOnlyPastTwiceTheEnds)
{
    constexpr std::pair<std::size_t, std::u16string_view> kCounts[] = {{0, u""}, {1, u"a"}, {5, u"a/b/~/d/e"}};
    for (auto const& [count, expected] : kCounts) {
        std::u16string path = u"kept:";
        AppendPath(
            path, count, 2, u"~", [](std::u16string& out, std::size_t i) { out += static_cast<char16_t>(u'a' + i); });
        EXPECT_EQ(path, u"kept:" + std::u16string(expected)) << count << " names";
    }
}

} // namespace
} // namespace TarnwickTest
