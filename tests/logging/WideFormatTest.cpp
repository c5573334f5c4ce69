#include "logging/LoggingTestSupport.h"

#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Utils;

std::u16string Widen(std::string const& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

template <class... Args> std::string Printf(std::string const& format, Args... args)
{
    int const length = std::snprintf(nullptr, 0, format.c_str(), args...);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), args...);
    text.pop_back();
    return text;
}

// Expands formats through a console logger and returns the message texts as
// written (UTF-8), without stamp, level, name or line feed.
class WideFormatTest : public LoggingTest {
protected:
    void SetUp() override
    {
        LoggingTest::SetUp();
        m_Manager = std::make_unique<LoggerManager>(u"unused.log");
        m_Logger = m_Manager->GetLogger(u"F", OUTPUT_CONSOLE);
    }

    template <class... Args> std::string Expand(char16_t const* format, Args... args)
    {
        ::testing::internal::CaptureStdout();
        m_Logger->Warning(format, args...);
        auto const messages = Messages(::testing::internal::GetCapturedStdout());
        return messages.size() == 1 ? messages[0] : "<" + std::to_string(messages.size()) + " lines>";
    }

public:
    /// Runs `log` on a file logger (no line limit) and returns one text per line.
    std::vector<std::string> Batch(std::function<void(ServiceLogger&)> const& log)
    {
        std::u16string const name = u"batch" + Widen(std::to_string(++m_Batches)) + u".log";
        LoggerManager manager(name);
        ServiceLogger* logger = manager.GetLogger(u"F", OUTPUT_FILE);
        log(*logger);
        return Messages(ReadFile("Logs/" + std::string(name.begin(), name.end())));
    }

private:
    static std::vector<std::string> Messages(std::string const& out)
    {
        std::vector<std::string> messages;
        for (auto const& line : Lines(out)) {
            std::string const rest = WithoutStamp(line);
            messages.push_back(rest.rfind("WARN : F - ", 0) == 0 ? rest.substr(11) : "<bad line> " + line);
        }
        return messages;
    }

    std::unique_ptr<LoggerManager> m_Manager;
    ServiceLogger* m_Logger = nullptr;
    int m_Batches = 0;
};

std::vector<std::string> const kFlags {"", "-", "+", " ", "#", "0", "-0", "+0", " 0", "#0", "+ ", "-#"};
std::vector<std::string> const kWidths {"", "1", "7", "15"};
std::vector<std::string> const kPrecisions {"", ".", ".0", ".1", ".4", ".12"};

// Every narrow directive for the conversion, with all combinations of flags, width and precision.
std::vector<std::string> Directives(std::string const& length, char conversion)
{
    std::vector<std::string> directives;
    for (auto const& flags : kFlags) {
        for (auto const& width : kWidths) {
            for (auto const& precision : kPrecisions) {
                directives.push_back("%" + flags + width + precision + length + conversion);
            }
        }
    }
    return directives;
}

// Expands every directive with every value and compares with the C library's
// narrow printf; `narrowLength` is the C library's modifier for the same type.
template <class T>
void ExpectLikePrintf(WideFormatTest& test, std::string const& length, std::string const& narrowLength,
    std::string const& conversions, std::vector<T> const& values)
{
    std::vector<std::string> formats;
    std::vector<std::string> expected;
    for (char conversion : conversions) {
        for (auto const& directive : Directives(length, conversion)) {
            std::string narrow = directive;
            narrow.replace(narrow.size() - 1 - length.size(), length.size(), narrowLength);
            for (T value : values) {
                formats.push_back("[" + directive + "]");
                expected.push_back(Printf("[" + narrow + "]", value));
            }
        }
    }
    std::size_t const perDirective = values.size();
    auto const actual = test.Batch([&](ServiceLogger& logger) {
        for (std::size_t i = 0; i < formats.size(); ++i) {
            logger.Warning(Widen(formats[i]).c_str(), values[i % perDirective]);
        }
    });
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << formats[i] << " with " << values[i % perDirective];
    }
}

TEST_F(WideFormatTest, IntegersMatchPrintfForEveryFlagWidthAndPrecision)
{
    ExpectLikePrintf<int>(*this, "", "", "diuoxX",
        {0, 1, -1, 7, -42, 255, 123456789, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()});
}

TEST_F(WideFormatTest, LengthModifiersReadTheirTypes)
{
    ExpectLikePrintf<long long>(*this, "ll", "ll", "dux",
        {0LL, -1LL, std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max()});
    ExpectLikePrintf<long>(*this, "l", "l", "dX", {-5L, std::numeric_limits<long>::min()});
    ExpectLikePrintf<std::int64_t>(*this, "I64", "ll", "dx", {std::numeric_limits<std::int64_t>::min(), 1LL << 40});
    ExpectLikePrintf<std::int32_t>(*this, "I32", "", "dx", {-3, std::numeric_limits<std::int32_t>::max()});
    ExpectLikePrintf<std::size_t>(*this, "z", "z", "ud", {std::size_t {0}, std::numeric_limits<std::size_t>::max()});
    ExpectLikePrintf<std::ptrdiff_t>(*this, "I", "t", "dx", {std::ptrdiff_t {-9}});
    ExpectLikePrintf<std::intmax_t>(*this, "j", "j", "d", {std::numeric_limits<std::intmax_t>::min()});
    ExpectLikePrintf<std::ptrdiff_t>(*this, "t", "t", "d", {std::ptrdiff_t {-77}});
    // h and hh given values of their own size (other values keep all their digits).
    ExpectLikePrintf<signed char>(*this, "hh", "hh", "dux", {-128, -1, 0, 127});
    ExpectLikePrintf<short>(*this, "h", "h", "dux", {-32768, -1, 0, 32767});
}

TEST_F(WideFormatTest, FloatingPointMatchesPrintf)
{
    double const infinity = std::numeric_limits<double>::infinity();
    ExpectLikePrintf<double>(*this, "", "", "eEfFgGaA",
        {0.0, -0.0, 1.5, -2.25, 1e-10, 123456.789, 0.1, 1e300, 5e-324, infinity, -infinity,
            std::numeric_limits<double>::quiet_NaN()});
    ExpectLikePrintf<double>(*this, "l", "l", "fg", {3.25});
    ExpectLikePrintf<long double>(*this, "L", "L", "fge", {1.0L / 3, -1e4000L});
}

TEST_F(WideFormatTest, FloatingPointIgnoresTheProcessLocale)
{
    std::string const previous = std::setlocale(LC_ALL, nullptr);
    char const* german = nullptr;
    for (char const* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"}) {
        if ((german = std::setlocale(LC_ALL, name)) != nullptr) {
            break;
        }
    }
    if (german == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    ASSERT_EQ(Printf("%.2f", 3.14159), "3,14");
    std::string const written = Expand(u"%.2f %g %e %d", 3.14159, 0.5, 1.5, 1234567);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(written, "3.14 0.5 1.500000e+00 1234567");
}

TEST_F(WideFormatTest, StarTakesWidthAndPrecisionFromTheArguments)
{
    EXPECT_EQ(Expand(u"[%*d]", 6, 42), "[    42]");
    EXPECT_EQ(Expand(u"[%*d]", -6, 42), "[42    ]");
    EXPECT_EQ(Expand(u"[%-*d]", -6, 42), "[42    ]");
    EXPECT_EQ(Expand(u"[%.*f]", 2, 2.71828), "[2.72]");
    EXPECT_EQ(Expand(u"[%.*f]", -1, 2.5), "[2.500000]");
    EXPECT_EQ(Expand(u"[%*.*s]", 5, 2, u"abcdef"), "[   ab]");
    EXPECT_EQ(Expand(u"[%0*.*d]", 8, 3, -5), "[    -005]");
    EXPECT_EQ(Expand(u"[%*s|%d]", 3, u"x", 9), "[  x|9]");
}

TEST_F(WideFormatTest, TextDirectivesFollowTheWideConventions)
{
    struct Case {
        char const* title;
        std::string actual;
        std::string expected;
    };
    // With a precision, narrow text need not end with a zero byte (AddressSanitizer sees any read past it).
    char const unterminated[3] = {'a', '\xC3', '\xA9'};
    Case const cases[] = {
        {"s wide", Expand(u"<%s>", u"wide"), "<wide>"},
        {"S narrow", Expand(u"<%S>", "narrow"), "<narrow>"},
        {"ls wide", Expand(u"<%ls>", u"l-wide"), "<l-wide>"},
        {"lS wide", Expand(u"<%lS>", u"l-wide"), "<l-wide>"},
        {"hs narrow", Expand(u"<%hs>", "h-narrow"), "<h-narrow>"},
        {"hS narrow", Expand(u"<%hS>", "h-narrow"), "<h-narrow>"},
        {"c wide", Expand(u"<%c>", u'\u20AC'), "<\xE2\x82\xAC>"},
        {"C narrow", Expand(u"<%C>", 'n'), "<n>"},
        {"lc wide", Expand(u"<%lc>", u'\u03A9'), "<\xCE\xA9>"},
        {"hc narrow", Expand(u"<%hc>", 'h'), "<h>"},
        {"C Latin-1 byte", Expand(u"<%C>", '\xE9'), "<\xC3\xA9>"},
        {"width right", Expand(u"[%6s]", u"ab"), "[    ab]"},
        {"width left", Expand(u"[%-6S]", "ab"), "[ab    ]"},
        {"precision wide", Expand(u"[%.3s]", u"abcdef"), "[abc]"},
        {"precision narrow", Expand(u"[%.3S]", "abcdef"), "[abc]"},
        {"precision beyond", Expand(u"[%.30s]", u"abc"), "[abc]"},
        {"precision unterminated", Expand(u"[%.2S]", unterminated), "[a\xC3\xA9]"},
        {"char width", Expand(u"[%3c|%-3C]", u'x', 'y'), "[  x|y  ]"},
        {"null wide", Expand(u"[%s]", static_cast<char16_t const*>(nullptr)), "[(null)]"},
        {"null narrow", Expand(u"[%S]", static_cast<char const*>(nullptr)), "[(null)]"},
        {"narrow UTF-8", Expand(u"[%S]", "\xE2\x82\xAC \xF0\x9F\x98\x80"), "[\xE2\x82\xAC \xF0\x9F\x98\x80]"},
        {"narrow Latin-1", Expand(u"[%S]", "\xE9t\xE9"), "[\xC3\xA9t\xC3\xA9]"},
        {"narrow broken sequences", Expand(u"[%S]", "\xE2\x82 \xC0\xAF \xED\xA0\x80"),
            "[\xC3\xA2\xC2\x82 \xC3\x80\xC2\xAF \xC3\xAD\xC2\xA0\xC2\x80]"},
        {"precision keeps pairs whole", Expand(u"[%.2S|%.1s]", "a\xF0\x9F\x98\x80", u"\U0001F600"), "[a|]"},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(c.actual, c.expected) << c.title;
    }
}

TEST_F(WideFormatTest, PercentPointerAndLiteralDirectives)
{
    EXPECT_EQ(Expand(u"100%%"), "100%");
    EXPECT_EQ(Expand(u"%d%%%d", 1, 2), "1%2");
    EXPECT_EQ(Expand(u"[%p]", static_cast<void*>(nullptr)), "[" + Printf("%p", static_cast<void*>(nullptr)) + "]");
    int object = 0;
    void* const pointer = &object;
    EXPECT_EQ(
        Expand(u"[%p|%20p|%-20p]", pointer, pointer, pointer), Printf("[%p|%20p|%-20p]", pointer, pointer, pointer));
    EXPECT_EQ(Expand(u"[%8p]", static_cast<void*>(nullptr)), "[   (nil)]");

    // Unknown directives are copied and consume nothing.
    EXPECT_EQ(Expand(u"%y %d", 5), "%y 5");
    EXPECT_EQ(Expand(u"%-5.2k|%d", 6), "%-5.2k|6");
    EXPECT_EQ(Expand(u"%*v|%d", 7), "%*v|7");
    EXPECT_EQ(Expand(u"%\u00E9|%d", 7), "%\xC3\xA9|7");
    EXPECT_EQ(Expand(u"%'d|%d", 8), "%'d|8");
    EXPECT_EQ(Expand(u"%I16d|%d", 9), "%I16d|9");
    EXPECT_EQ(Expand(u"end %"), "end %");
    EXPECT_EQ(Expand(u"end %-08."), "end %-08.");
    EXPECT_EQ(Expand(u"end %ll"), "end %ll");
}

TEST_F(WideFormatTest, PercentNWritesNothingToMemory)
{
    int count = 12345;
    long long wide = 777;
    EXPECT_EQ(Expand(u"ab%ncd|%d", &count, 42), "ab%ncd|42");
    EXPECT_EQ(Expand(u"[%lln|%hn|%*n|%S]", &wide, &count, 3, &count, "end"), "[%lln|%hn|%*n|end]");
    EXPECT_EQ(count, 12345);
    EXPECT_EQ(wide, 777);
}

TEST_F(WideFormatTest, NullFormatAndEmptyFormat)
{
    EXPECT_EQ(Expand(static_cast<char16_t const*>(nullptr)), "");
    EXPECT_EQ(Expand(u""), "");
    EXPECT_EQ(Expand(u"plain text, no directives"), "plain text, no directives");
}

TEST_F(WideFormatTest, HugeWidthIsBounded)
{
    // Through the file, which has no line limit.
    auto const lines = Batch([](ServiceLogger& logger) {
        logger.Warning(u"%*d|", std::numeric_limits<int>::max(), 1);
        logger.Warning(u"%*d|", std::numeric_limits<int>::min(), 2);
        logger.Warning(u"%.2147483647d|", 3);
    });
    std::size_t const field = std::size_t {1} << 20;
    EXPECT_EQ(lines,
        (std::vector<std::string> {std::string(field - 1, ' ') + "1|", "2" + std::string(field - 1, ' ') + "|",
            std::string(field - 1, '0') + "3|"}));
}

// The precision of a text bounds only what is read of it, so it holds at any
// size, as in printf: the whole text up to the precision, never a cut at the
// bound that holds widths and the precision of numbers.
TEST_F(WideFormatTest, ATextPrecisionHoldsAtAnySize)
{
    std::size_t const bound = std::size_t {1} << 20;
    std::size_t const length = bound + 3;
    std::u16string const wide(length, u'w');
    std::string const narrow(length, 'n');
    struct Case {
        char16_t const* format;
        bool narrowArgument;
        std::size_t precision; // given as '*' where the format has one
        std::size_t expected;
    };
    Case const cases[] = {
        {u"%.1048579s|", false, 0, length},
        {u"%.1048581s|", false, 0, length},
        {u"%.99999999999999999999999s|", false, 0, length}, // beyond any size: the whole text
        {u"%.1048577s|", false, 0, bound + 1},
        {u"%.1048577S|", true, 0, bound + 1},
        {u"%.1048581S|", true, 0, length},
        {u"%.*s|", false, bound + 2, bound + 2},
        {u"%.*S|", true, bound + 9, length},
    };
    for (Case const& c : cases) {
        auto const lines = Batch([&](ServiceLogger& logger) {
            if (c.narrowArgument) {
                c.precision != 0 ? logger.Warning(c.format, static_cast<int>(c.precision), narrow.c_str())
                                 : logger.Warning(c.format, narrow.c_str());
            } else {
                c.precision != 0 ? logger.Warning(c.format, static_cast<int>(c.precision), wide.c_str())
                                 : logger.Warning(c.format, wide.c_str());
            }
        });
        ASSERT_EQ(lines.size(), 1u);
        std::u16string_view const format(c.format);
        EXPECT_EQ(lines[0], std::string(c.expected, c.narrowArgument ? 'n' : 'w') + "|")
            << std::string(format.begin(), format.end());
    }
}

} // namespace
} // namespace TarnwickTest
