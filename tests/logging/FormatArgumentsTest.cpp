#include "logging/LoggingTestSupport.h"

#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <dlfcn.h>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Utils;

// One call of an entry point and the message text it must write (UTF-8, no
// stamp, level, name or line feed).
struct FormatCase {
    char const* title;
    std::function<void(ServiceLogger&)> log;
    std::string expected;
};

enum Colour : std::int32_t { RED = 3 };

// Every kind of argument under the directives that print it. These lines are
// what the entry points wrote before arguments carried their kinds, and stay so.
std::vector<FormatCase> const kCorrectCalls {
    {"int", [](ServiceLogger& l) { l.Warning(u"%d|%i|%5d|%-5d|%05d|%+d|% d|%.3d", -42, 7, 8, 9, -10, 11, 12, 13); },
        "-42|7|    8|9    |-0010|+11| 12|013"},
    {"int limits",
        [](ServiceLogger& l) { l.Warning(u"%d %d", std::numeric_limits<int>::min(), std::numeric_limits<int>::max()); },
        "-2147483648 2147483647"},
    {"unsigned",
        [](ServiceLogger& l) {
            l.Warning(u"%u|%o|%x|%X|%#x|%#o|%08X", 4000000000u, 8u, 255u, 255u, 255u, 8u, 0xBEEFu);
        },
        "4000000000|10|ff|FF|0xff|010|0000BEEF"},
    {"negative int as unsigned", [](ServiceLogger& l) { l.Warning(u"%u|%x|%o", -1, -2, -3); },
        "4294967295|fffffffe|37777777775"},
    {"unsigned int above int under d", [](ServiceLogger& l) { l.Warning(u"%d", 4294967295u); }, "-1"},
    {"long", [](ServiceLogger& l) { l.Warning(u"%ld|%lu|%lx", -5L, 6UL, -1L); }, "-5|6|ffffffffffffffff"},
    {"long long",
        [](ServiceLogger& l) {
            l.Warning(u"%lld|%llu|%llX", std::numeric_limits<long long>::min(),
                std::numeric_limits<unsigned long long>::max(), 0xABCDEF0123LL);
        },
        "-9223372036854775808|18446744073709551615|ABCDEF0123"},
    {"I64 and I32",
        [](ServiceLogger& l) {
            l.Warning(u"%I64d|%I64u|%I32d|%I32x", std::int64_t {-1} << 40, std::uint64_t {1} << 63, std::int32_t {-3},
                std::uint32_t {0xFFu});
        },
        "-1099511627776|9223372036854775808|-3|ff"},
    {"size, ptrdiff, intmax",
        [](ServiceLogger& l) {
            l.Warning(u"%zu|%zd|%td|%jd|%Id", std::size_t {12}, std::size_t {13}, std::ptrdiff_t {-14},
                std::intmax_t {-15}, std::ptrdiff_t {-16});
        },
        "12|13|-14|-15|-16"},
    {"short and char widths",
        [](ServiceLogger& l) {
            l.Warning(u"%hd|%hu|%hx|%hhd|%hhu|%hhx", short {-300}, static_cast<unsigned short>(65535), short {-1},
                static_cast<signed char>(-7), static_cast<unsigned char>(250), static_cast<signed char>(-1));
        },
        "-300|65535|ffff|-7|250|ff"},
    {"small types promoted",
        [](ServiceLogger& l) {
            l.Warning(u"%d|%d|%d|%u|%x", static_cast<signed char>(-5), short {-6}, static_cast<unsigned char>(200),
                static_cast<unsigned short>(60000), static_cast<signed char>(-1));
        },
        "-5|-6|200|60000|ffffffff"},
    {"bool and enumerations", [](ServiceLogger& l) { l.Warning(u"%d|%d|%d", true, false, RED); }, "1|0|3"},
    {"characters as numbers", [](ServiceLogger& l) { l.Warning(u"%d|%d|%x", 'A', u'\u20AC', u'\xFF'); }, "65|8364|ff"},
    {"wide characters", [](ServiceLogger& l) { l.Warning(u"[%c|%lc|%3c|%-3c]", u'\u00E9', u'\u03A9', u'x', u'y'); },
        "[\xC3\xA9|\xCE\xA9|  x|y  ]"},
    {"narrow characters", [](ServiceLogger& l) { l.Warning(u"[%C|%hc|%C|%c]", 'n', 'h', '\xE9', 'A'); },
        "[n|h|\xC3\xA9|A]"},
    {"integer under c", [](ServiceLogger& l) { l.Warning(u"[%c|%C]", 0x263A, 0xE9); }, "[\xE2\x98\xBA|\xC3\xA9]"},
    {"surrogate pair as two characters", [](ServiceLogger& l) { l.Warning(u"[%c%c]", u'\xD83D', u'\xDE00'); },
        "[\xF0\x9F\x98\x80]"},
    {"float and double",
        [](ServiceLogger& l) {
            l.Warning(u"%f|%.2f|%e|%g|%E|%G|%a", 1.5f, 2.71828, 12345.678, 0.0001, 1e10, 1e-10, 1.0);
        },
        "1.500000|2.72|1.234568e+04|0.0001|1.000000E+10|1E-10|0x1p+0"},
    {"double flags",
        [](ServiceLogger& l) {
            l.Warning(u"[%10.3f|%-10.1e|%+g|% f|%010.2f|%#g|%#.0f]", 3.14159, 2.5, 1.0, 2.0, -1.25, 1.0, 3.0);
        },
        "[     3.142|2.5e+00   |+1| 2.000000|-000001.25|1.00000|3.]"},
    {"double specials",
        [](ServiceLogger& l) {
            l.Warning(u"%f|%F|%e|%g", std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                std::numeric_limits<double>::quiet_NaN(), -0.0);
        },
        "inf|-INF|nan|-0"},
    {"double with l", [](ServiceLogger& l) { l.Warning(u"%lf|%lg", 0.5, 0.25); }, "0.500000|0.25"},
    {"long double", [](ServiceLogger& l) { l.Warning(u"%Lf|%.20Lg|%Le|%La", 1.0L / 3, 1.0L / 3, -1e4000L, 1.0L); },
        "0.333333|0.33333333333333333334|-1.000000e+4000|0x8p-3"},
    {"wide text",
        [](ServiceLogger& l) {
            l.Warning(u"<%s|%ls|%lS|%6s|%-6s|%.2s>", u"caf\u00E9", u"l", u"lS", u"ab", u"cd", u"xyz");
        },
        "<caf\xC3\xA9|l|lS|    ab|cd    |xy>"},
    {"narrow text",
        [](ServiceLogger& l) { l.Warning(u"<%S|%hs|%hS|%6S|%.2S>", "caf\xC3\xA9", "h", "hS", "ab", "xyz"); },
        "<caf\xC3\xA9|h|hS|    ab|xy>"},
    {"non-const texts",
        [](ServiceLogger& l) {
            char16_t wide[] = u"w";
            char narrow[] = "n";
            l.Warning(u"%s%S", wide, narrow);
        },
        "wn"},
    {"text from strings",
        [](ServiceLogger& l) {
            std::u16string const wide = u"wide";
            std::string const narrow = "narrow";
            l.Warning(std::u16string(u"%s %S"), wide.c_str(), narrow.c_str());
        },
        "wide narrow"},
    {"null texts",
        [](ServiceLogger& l) {
            l.Warning(u"[%s|%S|%8s|%.3s]", static_cast<char16_t const*>(nullptr), static_cast<char const*>(nullptr),
                static_cast<char16_t const*>(nullptr), static_cast<char16_t const*>(nullptr));
        },
        "[(null)|(null)|  (null)|(nu]"},
    {"supplementary and lone surrogates",
        [](ServiceLogger& l) { l.Warning(u"%s|%S|%s", u"\U0001F600", "\xF0\x9F\x98\x80", u"a\xD800z"); },
        "\xF0\x9F\x98\x80|\xF0\x9F\x98\x80|a\xEF\xBF\xBDz"},
    {"pointers",
        [](ServiceLogger& l) {
            l.Warning(u"%p|%p|%18p|%-8p|", reinterpret_cast<void*>(0x1234), static_cast<void*>(nullptr),
                reinterpret_cast<int const*>(0xABC), static_cast<void*>(nullptr));
        },
        "0x1234|(nil)|             0xabc|(nil)   |"},
    {"text under p",
        [](ServiceLogger& l) {
            l.Warning(u"%p|%p", reinterpret_cast<char16_t const*>(0x10), reinterpret_cast<char const*>(0x20));
        },
        "0x10|0x20"},
    {"star width and precision",
        [](ServiceLogger& l) {
            l.Warning(u"[%*d|%-*d|%.*f|%*.*s|%*c]", 5, 1, 4, 2, 2, 3.14159, 6, 3, u"abcdef", 3, u'z');
        },
        "[    1|2   |3.14|   abc|  z]"},
    {"percent and unknown", [](ServiceLogger& l) { l.Warning(u"100%% %y %5% %d", 4); }, "100% %y % 4"},
    {"n refused, arguments kept in step",
        [](ServiceLogger& l) {
            int count = 5;
            l.Warning(u"a%nb|%d|%*n|%S", &count, 6, 2, &count, "end");
        },
        "a%nb|6|%*n|end"},
    {"surplus ignored", [](ServiceLogger& l) { l.Warning(u"%d", 1, 2, u"three"); }, "1"},
    {"no arguments", [](ServiceLogger& l) { l.Warning(u"plain"); }, "plain"},
};

enum class Size : unsigned char { LARGE = 200 };

// Calls whose arguments do not match their directives as printf would need
// them. Each argument prints by its own kind where the directive can print
// that kind; otherwise the directive is written as it stands.
std::vector<FormatCase> const kMismatchedCalls {
    {"narrow text under s", [](ServiceLogger& l) { l.Warning(u"[%s|%ls]", "narrow", "too"); }, "[narrow|too]"},
    {"wide text under S", [](ServiceLogger& l) { l.Warning(u"[%S|%hs]", u"wide", u"too"); }, "[wide|too]"},
    {"64-bit under d",
        [](ServiceLogger& l) { l.Warning(u"%d|%d", std::int64_t {1} << 40, std::numeric_limits<std::int64_t>::min()); },
        "1099511627776|-9223372036854775808"},
    {"64-bit under u and x",
        [](ServiceLogger& l) { l.Warning(u"%u|%x|%X", std::uint64_t {1} << 63, -1LL, std::uint64_t {0xABCDEF012345}); },
        "9223372036854775808|ffffffffffffffff|ABCDEF012345"},
    {"h and hh keep every digit",
        [](ServiceLogger& l) {
            l.Warning(u"%hd|%hhd|%hhu|%hd|%hhx", 70000, 128, 300, static_cast<unsigned short>(65535), 300);
        },
        "70000|128|300|65535|12c"},
    {"negative beyond the modifier's size",
        [](ServiceLogger& l) { l.Warning(u"%hhx|%hx|%hhu", -200, -40000, -1LL << 40); },
        "ffffff38|ffff63c0|18446742974197923840"},
    // Found by log_format_fuzzer: without a modifier the size came from a shift by -1.
    {"negative under x without modifier", [](ServiceLogger& l) { l.Warning(u"%+x|%x|%d", -42, -42LL, 4294967254u); },
        "ffffffd6|ffffffffffffffd6|-42"},
    {"modifier wider than the argument", [](ServiceLogger& l) { l.Warning(u"%lld|%llx|%lu", 4294967295u, -1, -2); },
        "4294967295|ffffffffffffffff|18446744073709551614"},
    {"scoped enumeration", [](ServiceLogger& l) { l.Warning(u"%u|%d", Size::LARGE, Size::LARGE); }, "200|200"},
    {"double under L, long double without", [](ServiceLogger& l) { l.Warning(u"%Lf|%f|%.3Lg", 0.5, 1.0L / 3, 2.0f); },
        "0.500000|0.333333|2"},
    {"character of any width",
        [](ServiceLogger& l) { l.Warning(u"[%C|%c|%c|%C]", u'\u20AC', 0x1F600, '\xE9', U'\u03A9'); },
        "[\xE2\x82\xAC|\xF0\x9F\x98\x80|\xC3\xA9|\xCE\xA9]"},
    {"floating point under integer directives",
        [](ServiceLogger& l) { l.Warning(u"[%d|%x|%5.2u|%d]", 1.5, 2.5L, 3.0f, 4); }, "[%d|%x|%5.2u|4]"},
    {"integer under s and S", [](ServiceLogger& l) { l.Warning(u"[%s|%-8S|%d]", 5, 6LL, 7); }, "[%s|%-8S|7]"},
    {"integer under floating directives", [](ServiceLogger& l) { l.Warning(u"[%f|%.2e|%g|%d]", 1, 2u, 'x', 4); },
        "[%f|%.2e|%g|4]"},
    {"text and pointer under integer directives",
        [](ServiceLogger& l) {
            int object = 0;
            l.Warning(u"[%d|%x|%u|%d]", u"wide", "narrow", &object, 4);
        },
        "[%d|%x|%u|4]"},
    {"pointer and character under s",
        [](ServiceLogger& l) {
            int object = 0;
            l.Warning(u"[%s|%S|%d]", &object, u'c', 4);
        },
        "[%s|%S|4]"},
    {"text and floating point under c", [](ServiceLogger& l) { l.Warning(u"[%c|%C|%d]", u"text", 2.5, 4); },
        "[%c|%C|4]"},
    {"no code point under c",
        [](ServiceLogger& l) { l.Warning(u"[%c|%c|%lc|%d]", -1, 0x110000, std::uint64_t {1} << 40, 4); },
        "[%c|%c|%lc|4]"},
    {"number under p", [](ServiceLogger& l) { l.Warning(u"[%p|%p|%d]", 0x1234, 1.5, 4); }, "[%p|%p|4]"},
    {"bool under s", [](ServiceLogger& l) { l.Warning(u"[%s]", true); }, "[%s]"},
    {"null pointer literal", [](ServiceLogger& l) { l.Warning(u"[%s|%S|%p]", nullptr, nullptr, nullptr); },
        "[(null)|(null)|(nil)]"},
    {"star given no integer", [](ServiceLogger& l) { l.Warning(u"[%*d|%.*f|%d]", 1.5, 2, 1e300, 3.0, 4); },
        "[%*d|%.*f|4]"},
};

// Directives without arguments, and arguments without directives.
std::vector<FormatCase> const kMissingAndSurplus {
    {"nothing passed", [](ServiceLogger& l) { l.Warning(u"[%d|%s|%S|%c|%f|%p|%5.2x|%-*d]"); },
        "[%d|%s|%S|%c|%f|%p|%5.2x|%-*d]"},
    {"one short", [](ServiceLogger& l) { l.Warning(u"[%d|%d|%s]", 1, 2); }, "[1|2|%s]"},
    {"star without value", [](ServiceLogger& l) { l.Warning(u"[%*d]", 5); }, "[%*d]"},
    {"star precision without value", [](ServiceLogger& l) { l.Warning(u"[%*.*f]", 5, 2); }, "[%*.*f]"},
    {"n without pointer", [](ServiceLogger& l) { l.Warning(u"[%n|%d]"); }, "[%n|%d]"},
    {"n given anything", [](ServiceLogger& l) { l.Warning(u"[%n|%d]", u"text", 3); }, "[%n|3]"},
    {"surplus of every kind", [](ServiceLogger& l) { l.Warning(u"[%s]", u"one", 2, 3.0, "four", nullptr, 5.0L); },
        "[one]"},
    {"surplus with no directive", [](ServiceLogger& l) { l.Warning(u"plain", 1, u"two"); }, "plain"},
    {"literal percent consumes nothing", [](ServiceLogger& l) { l.Warning(u"[%%|%*%|%d]", 9); }, "[%|%|9]"},
};

class FormatArgumentsTest : public LoggingTest {
protected:
    // Writes every case through one file logger (no line limit) and returns
    // the message texts in order.
    std::vector<std::string> WriteAll(std::vector<FormatCase> const& cases)
    {
        {
            LoggerManager manager(u"formats.log");
            ServiceLogger& logger = *manager.GetLogger(u"F", OUTPUT_FILE);
            for (auto const& c : cases) {
                c.log(logger);
            }
        }
        std::vector<std::string> texts;
        for (auto const& line : Lines(ReadFile("Logs/formats.log"))) {
            std::string const rest = WithoutStamp(line);
            texts.push_back(rest.rfind("WARN : F - ", 0) == 0 ? rest.substr(11) : "<bad line> " + line);
        }
        return texts;
    }

    void ExpectAll(std::vector<FormatCase> const& cases)
    {
        auto const texts = WriteAll(cases);
        ASSERT_EQ(texts.size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            EXPECT_EQ(texts[i], cases[i].expected) << cases[i].title;
        }
    }
};

TEST_F(FormatArgumentsTest, CorrectCallsWriteWhatTheyAlwaysWrote)
{
    ExpectAll(kCorrectCalls);
}

TEST_F(FormatArgumentsTest, MismatchedArgumentsPrintByTheirKindOrLeaveTheDirective)
{
    ExpectAll(kMismatchedCalls);
}

TEST_F(FormatArgumentsTest, MissingArgumentsLeaveTheDirectiveAndSurplusIsIgnored)
{
    ExpectAll(kMissingAndSurplus);
}

// Programs compiled against the earlier headers call the variadic entry with C
// variadic arguments; each directive reads the type it always read.
TEST_F(FormatArgumentsTest, VariadicEntryOfEarlierProgramsWritesAsBefore)
{
    using VariadicWrite = void (*)(ServiceLogger*, LevelTypes, char16_t const*, ...);
    auto const write = reinterpret_cast<VariadicWrite>(
        ::dlsym(RTLD_DEFAULT, "_ZN8Tarnwick5Utils13ServiceLogger5WriteENS0_10LevelTypesEPKDsz"));
    ASSERT_NE(write, nullptr);
    int count = 3;
    auto const texts = WriteAll({
        {"integers",
            [&](ServiceLogger& l) {
                write(&l, LOG_WARN, u"%d|%u|%hhd|%hu|%lld|%I64x|%zu", -1, -1, 300, 70000, 1LL << 40, -1LL,
                    std::size_t {7});
            },
            ""},
        {"texts and characters",
            [&](ServiceLogger& l) {
                write(&l, LOG_WARN, u"%s|%S|%ls|%hs|%c|%C", u"w", "n", u"l", "h", u'\u00E9', 0x1E9);
            },
            ""},
        {"floating point, pointer, star, n",
            [&](ServiceLogger& l) {
                write(&l, LOG_WARN, u"%.2f|%Lg|%p|%*d|%n|%%|%y", 2.5, 0.25L, static_cast<void*>(nullptr), 4, 1, &count);
            },
            ""},
        {"null texts",
            [&](ServiceLogger& l) {
                write(&l, LOG_WARN, u"%s|%S", static_cast<char16_t const*>(nullptr), static_cast<char const*>(nullptr));
            },
            ""},
    });
    EXPECT_EQ(texts,
        (std::vector<std::string> {"-1|4294967295|44|4464|1099511627776|ffffffffffffffff|7",
            "w|n|l|h|\xC3\xA9|\xC3\xA9", "2.50|0.25|(nil)|   1|%n|%|%y", "(null)|(null)"}));
    EXPECT_EQ(count, 3);
}

} // namespace
} // namespace TarnwickTest
