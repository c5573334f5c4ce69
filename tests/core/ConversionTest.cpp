#include <tarnwick/core/Conversion.h>

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

using Tarnwick::Utils::Conversion;

namespace {

struct DoubleCase {
    double value;
    char const* text;
};

class DoubleFormat : public ::testing::TestWithParam<DoubleCase> { };

TEST_P(DoubleFormat, GeneralSixDigits)
{
    EXPECT_EQ(Conversion::DoubleToString(GetParam().value), GetParam().text);
    std::string const narrow = GetParam().text;
    EXPECT_EQ(Conversion::DoubleToWstring(GetParam().value), std::u16string(narrow.begin(), narrow.end()));
}

INSTANTIATE_TEST_SUITE_P(Table, DoubleFormat,
    ::testing::Values(DoubleCase {1.0, "1"}, DoubleCase {0.1, "0.1"}, DoubleCase {0.5, "0.5"},
        DoubleCase {3.14159265, "3.14159"}, DoubleCase {100.0, "100"}, DoubleCase {1234567.0, "1.23457e+06"},
        DoubleCase {0.0001, "0.0001"}, DoubleCase {0.00001, "1e-05"}, DoubleCase {-2.5, "-2.5"},
        DoubleCase {999999.0, "999999"}, DoubleCase {0.0, "0"}));

TEST(Conversion, IntegersInDecimal)
{
    EXPECT_EQ(Conversion::IntegerToWstring(std::numeric_limits<std::int32_t>::min()), u"-2147483648");
    EXPECT_EQ(Conversion::IntegerToWstring(0), u"0");
    EXPECT_EQ(Conversion::IntegerToString(-7), "-7");
    EXPECT_EQ(Conversion::IntegerToString(2147483647), "2147483647");
    EXPECT_EQ(Conversion::Integer64ToString(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(Conversion::Integer64ToWstring(std::numeric_limits<std::uint64_t>::max()), u"18446744073709551615");
    EXPECT_EQ(Conversion::Integer64ToWstring(0), u"0");
}

TEST(Conversion, NumbersIgnoreTheGlobalLocale)
{
    // A host program may switch to a locale with a decimal comma; the
    // library's texts keep the point.
    char const* const previous = std::setlocale(LC_ALL, nullptr);
    std::string const saved = previous ? previous : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no German locale installed";
    }
    EXPECT_EQ(Conversion::DoubleToString(0.5), "0.5");
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"2.5"), 2.5);
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(Conversion, WstringToIntegerReadsAPrefix)
{
    EXPECT_EQ(Conversion::WstringToInteger(u" 42abc"), 42);
    EXPECT_EQ(Conversion::WstringToInteger(u"abc"), 0);
    EXPECT_EQ(Conversion::WstringToInteger(u"-7"), -7);
    EXPECT_EQ(Conversion::WstringToInteger(u"+13"), 13);
    EXPECT_EQ(Conversion::WstringToInteger(u"\t\n 5 6"), 5);
    EXPECT_EQ(Conversion::WstringToInteger(u""), 0);
    EXPECT_EQ(Conversion::WstringToInteger(u"- 3"), 0);
    EXPECT_EQ(Conversion::WstringToInteger(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
    // Beyond the 32-bit range the value saturates instead of wrapping.
    EXPECT_EQ(Conversion::WstringToInteger(u"99999999999999999999"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(Conversion::WstringToInteger(u"-99999999999"), std::numeric_limits<std::int32_t>::min());
}

TEST(Conversion, WstringToDoubleReadsAPrefix)
{
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"2.5e3"), 2500.0);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u""), 0.0);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"  -1.5xyz"), -1.5);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"+.25"), 0.25);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"1e"), 1.0);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"7E-1 rest"), 0.7);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"+-5"), 0.0);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"abc"), 0.0);
    EXPECT_DOUBLE_EQ(Conversion::WstringToDouble(u"3\u00e9"), 3.0);
}

TEST(Conversion, WstringToDoubleAtTheEdgesOfTheRange)
{
    // Beyond the double range the C library's conversion answers infinity, not 0.
    EXPECT_EQ(Conversion::WstringToDouble(u"1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(Conversion::WstringToDouble(u" -2e999x"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(Conversion::WstringToDouble(u"1e-400"), 0.0);
    EXPECT_EQ(Conversion::WstringToDouble(u"1e-310"), 1e-310);
    EXPECT_EQ(Conversion::WstringToDouble(u"1.7976931348623157e308"), std::numeric_limits<double>::max());
    // Text that does not start with a number gives plus zero, even after a sign.
    for (char16_t const* text : {u"-abc", u"- 1", u"-", u"+-5", u"-.e1"}) {
        double const value = Conversion::WstringToDouble(text);
        EXPECT_EQ(value, 0.0);
        EXPECT_FALSE(std::signbit(value)) << std::string(text, text + std::char_traits<char16_t>::length(text));
    }
    EXPECT_TRUE(std::signbit(Conversion::WstringToDouble(u"-0")));
    EXPECT_TRUE(std::isnan(Conversion::WstringToDouble(u"nan")));
}

TEST(Conversion, NarrowAndWideByteForByte)
{
    std::string const narrow = Conversion::WstringToString(std::u16string(u"a\u03b1\0b", 4));
    ASSERT_EQ(narrow.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(narrow[1]), 0xB1);
    EXPECT_EQ(narrow[2], '\0');
    EXPECT_EQ(narrow[3], 'b');

    std::u16string const wide = Conversion::StringToWstring(std::string("x\xB1\0", 3));
    ASSERT_EQ(wide.size(), 3u);
    EXPECT_EQ(wide[0], u'x');
    EXPECT_EQ(wide[1], 0xFFB1);
    EXPECT_EQ(wide[2], 0);
}

TEST(Conversion, ClassicLocaleBuffers)
{
    ASSERT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
    std::unique_ptr<char16_t[]> const wide(Conversion::CharToWchar("\xB1z"));
    EXPECT_EQ(std::u16string(wide.get()), u"\u00b1z");

    std::unique_ptr<char[]> const latin(Conversion::WcharToChar(u"\u00e9t\u00e9"));
    EXPECT_STREQ(latin.get(), "\xE9t\xE9");

    std::unique_ptr<char[]> const refused(Conversion::WcharToChar(u"ab\u0100"));
    EXPECT_STREQ(refused.get(), "");

    std::unique_ptr<char[]> const empty(Conversion::WcharToChar(u""));
    EXPECT_STREQ(empty.get(), "");
}

TEST(Conversion, MultibyteLocaleBuffers)
{
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "no UTF-8 locale";
    }
    std::unique_ptr<char[]> const narrow(Conversion::WcharToChar(u"\u03b1\U0001F600!"));
    EXPECT_STREQ(narrow.get(), "\xCE\xB1\xF0\x9F\x98\x80!");
    std::unique_ptr<char16_t[]> const wide(Conversion::CharToWchar("\xCE\xB1\xF0\x9F\x98\x80!"));
    EXPECT_EQ(std::u16string(wide.get()), u"\u03b1\U0001F600!");
    std::unique_ptr<char[]> const lone(Conversion::WcharToChar(u"a\xD800"));
    EXPECT_STREQ(lone.get(), "");
    std::setlocale(LC_CTYPE, "C");
}

TEST(Conversion, XmlCharactersAreCopiedUnchanged)
{
    std::u16string const withZero(u"a\0b", 3);
    EXPECT_EQ(Conversion::WstringToXMLChString(withZero), withZero);
    EXPECT_EQ(Conversion::XMLChToWstring(withZero.c_str()), u"a");
}

TEST(Conversion, MilliSleepWaitsAtLeastTheGivenTime)
{
    Tarnwick::Utils::MilliSleep(0);
    auto const start = std::chrono::steady_clock::now();
    Tarnwick::Utils::MilliSleep(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(Conversion, ClassIds)
{
    EXPECT_EQ(Conversion::ConvertClassId("class Tarnwick::Threading::Mutex"), u"Tarnwick::Threading::Mutex");
    EXPECT_EQ(Conversion::ConvertClassId("class "), u"");
    EXPECT_THROW(Conversion::ConvertClassId("class"), std::out_of_range);
    std::unique_ptr<char[]> const name(Conversion::ConvertClassIdToChar("class Tarnwick::DataTypes::AnyType"));
    EXPECT_STREQ(name.get(), "Tarnwick::DataTypes::AnyType");
}

} // namespace
