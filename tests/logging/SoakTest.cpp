#include "logging/LoggingTestSupport.h"
#include "logging/Soak.h"

#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <gtest/gtest.h>

namespace TarnwickTest {
namespace {

// Small enough to take a few seconds under ThreadSanitizer; bench/SoakRun
// runs the same load as long as one likes.
constexpr int kOperations = 2000;

class SoakTest : public LoggingTest { };

TEST_F(SoakTest, EightThreadsLoseNoLineNoCountAndNoWait)
{
    Tarnwick::Diagnostics::ServiceDiagnostics diagnostics(u"soak");
    Soak::Outcome const outcome = Soak::Run(u"soak.log", kOperations, diagnostics);
    EXPECT_EQ(Soak::Check("Logs/soak.log", kOperations, outcome, diagnostics), std::vector<std::string> {});
}

// The check itself finds what a broken run would leave.
TEST_F(SoakTest, CheckFindsTornMissingAndDoubledLines)
{
    Tarnwick::Diagnostics::ServiceDiagnostics diagnostics(u"soak");
    Soak::Outcome const outcome = Soak::Run(u"soak.log", 2, diagnostics);
    ASSERT_EQ(Soak::Check("Logs/soak.log", 2, outcome, diagnostics), std::vector<std::string> {});
    std::string const whole = ReadFile("Logs/soak.log");
    auto const firstEnd = whole.find('\n') + 1;
    struct Case {
        char const* title;
        std::string bytes;
    };
    Case const cases[] = {
        {"line missing", whole.substr(firstEnd)},
        {"line doubled", whole.substr(0, firstEnd) + whole},
        {"line torn", whole.substr(0, firstEnd / 2) + whole.substr(firstEnd)},
        {"bad UTF-8", whole.substr(0, firstEnd - 2) + "\xC3\n" + whole.substr(firstEnd)},
    };
    for (auto const& c : cases) {
        std::ofstream("Logs/broken.log", std::ios::binary | std::ios::trunc) << c.bytes;
        EXPECT_NE(Soak::Check("Logs/broken.log", 2, outcome, diagnostics), std::vector<std::string> {}) << c.title;
    }
    Soak::Outcome lost = outcome;
    lost.lostWaits = 1;
    EXPECT_NE(Soak::Check("Logs/soak.log", 2, lost, diagnostics), std::vector<std::string> {});
}

} // namespace
} // namespace TarnwickTest
