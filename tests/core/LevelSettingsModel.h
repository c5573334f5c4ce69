#pragma once

// The level settings of the logger and diagnostics managers as they are
// documented, written the straightforward way (every setting applied to every
// member on every addition and change), and random runs that compare a
// manager with it after every step.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace TarnwickTest {

template <class Level> class ReferenceLevels {
public:
    explicit ReferenceLevels(Level initial)
        : m_Initial(initial)
    { }

    void Add(std::u16string const& name)
    {
        if (m_Members.try_emplace(name, m_Initial).second) {
            Propagate();
        }
    }
    void Set(std::u16string const& pattern, Level level)
    {
        m_Settings[pattern] = level;
        Propagate();
    }
    void Direct(std::u16string const& name, Level level) { m_Members.at(name) = level; }
    void Clear()
    {
        m_Members.clear();
        m_Settings.clear();
    }
    std::map<std::u16string, Level> const& Members() const { return m_Members; }

private:
    void Propagate()
    {
        std::vector<std::pair<std::u16string, Level>> ordered(m_Settings.begin(), m_Settings.end());
        auto const colons = [](std::u16string const& text) { return std::count(text.begin(), text.end(), u':'); };
        std::stable_sort(ordered.begin(), ordered.end(),
            [&](auto const& left, auto const& right) { return colons(left.first) < colons(right.first); });
        for (auto const& [pattern, level] : ordered) {
            for (auto& [name, memberLevel] : m_Members) {
                if (name.find(pattern) != std::u16string::npos) {
                    memberLevel = level;
                }
            }
        }
    }

    Level m_Initial;
    std::map<std::u16string, Level> m_Members;
    std::map<std::u16string, Level> m_Settings; // code-unit order
};

/// What a random run does to a manager: `Add(name)`, `Set(pattern, level)`
/// (`setAdds`: a setting also makes its namesake, as diagnostics do),
/// `Direct(name, level)` on a member made before, `Clear()` (when
/// `clears`), and `LevelOf(name)`.
struct LevelRunShape {
    std::int32_t levelCount;
    bool setAdds;
    bool clears;
};

/// Runs `steps` random steps on `manager` and the reference, comparing every
/// member's level after each step. Names and patterns are drawn from a few
/// pieces, so that they often contain one another and hold ':' in varying counts.
template <class Level, class Manager>
void CompareRandomRun(Manager& manager, LevelRunShape shape, Level initial, std::uint32_t seed, int steps)
{
    static std::u16string const pieces[] = {u"Net", u"::", u":", u"Tcp", u"A", u".", u"Rx", u"Net::Tcp"};
    std::mt19937 random(seed);
    auto const pick
        = [&](std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); };
    auto const text = [&](std::size_t most) {
        std::u16string result;
        for (std::size_t count = pick(most + 1); count > 0; --count) {
            result += pieces[pick(std::size(pieces))];
        }
        return result;
    };
    auto const level = [&] { return static_cast<Level>(pick(static_cast<std::size_t>(shape.levelCount))); };

    ReferenceLevels<Level> reference(initial);
    std::vector<std::u16string> made;
    for (int step = 0; step < steps; ++step) {
        std::size_t const choice = pick(100);
        std::string done;
        if (choice < 35 || made.empty()) {
            std::u16string const name = text(4);
            manager.Add(name);
            reference.Add(name);
            made.push_back(name);
            done = "add";
        } else if (choice < 65) {
            std::u16string const pattern = text(2);
            Level const chosen = level();
            manager.Set(pattern, chosen);
            reference.Set(pattern, chosen);
            if (shape.setAdds) {
                reference.Add(pattern);
                made.push_back(pattern);
            }
            done = "set";
        } else if (choice < 98 || !shape.clears) {
            std::u16string const& name = made[pick(made.size())];
            Level const chosen = level();
            manager.Direct(name, chosen);
            reference.Direct(name, chosen);
            done = "direct";
        } else {
            manager.Clear();
            reference.Clear();
            made.clear();
            done = "clear";
        }
        for (auto const& [name, expected] : reference.Members()) {
            ASSERT_EQ(manager.LevelOf(name), expected) << "seed " << seed << ", step " << step << " (" << done << ")";
        }
    }
}

/// The level a member keeps when no setting matches it, in the examples below.
inline constexpr int kInitialLevel = -1;

/// One example of the rule both managers follow: settings apply from the
/// fewest ':' to the most, equal counts in code-unit order, each to every name
/// that contains its pattern, so the last match wins. A level is an index into
/// the manager's list of levels other than its initial one (taken modulo its
/// length), or `kInitialLevel`.
struct PatternCase {
    char const* title;
    std::vector<std::pair<std::u16string, int>> settings;
    std::vector<std::pair<std::u16string, int>> members;
};

/// The examples, with the levels each manager's list gives them. Where a list
/// is shorter, the levels of one example still differ from one another.
inline std::vector<PatternCase> const& PatternCases()
{
    // Loggers: TRACE, DEBUG, ERROR, FATAL, INFO, NONE; diagnostics: NUMBER, TIME, SIZE, ALL.
    constexpr int a = 0;
    constexpr int b = 1;
    constexpr int c = 2;
    constexpr int d = 3;
    constexpr int e = 4;
    constexpr int f = 5;
    constexpr int initial = kInitialLevel;
    static std::vector<PatternCase> const cases {
        {"DefaultAndQualified", {{u"", c}, {u"Net", b}, {u"Net::Tcp", a}},
            {{u"Net::Tcp::Rx", a}, {u"Server.Net", b}, {u"Db", c}, {u"Network", b}}},
        {"EqualColonsInCodeUnitOrder", {{u"Server", d}, {u"Net", b}}, {{u"Server.Net", d}, {u"Net", b}}},
        // "A::Tcp" sorts before "Tcp" by code units, but has more ':' and so comes later.
        {"ColonsBeforeCodeUnits", {{u"A::Tcp", a}, {u"Tcp", c}},
            {{u"A::Tcp::Rx", a}, {u"Tcp", c}, {u"A::Udp", initial}}},
        // Every ':' counts, paired or not: both have two, so code-unit order decides.
        {"EveryColonCounts", {{u"b:c:d", f}, {u"A::B", e}}, {{u"A::Bb:c:d", f}}},
        {"NoMatchKeepsTheInitialLevel", {{u"Net", b}}, {{u"Db", initial}, {u"net", initial}}},
        {"ReplacedSetting", {{u"Db", a}, {u"Db", d}}, {{u"MyDb", d}}},
        // Code units compare unsigned: U+00E9 comes after 'z'.
        {"UnsignedUnits", {{u"\u00E9", e}, {u"z", c}}, {{u"z\u00E9", e}}},
        {"MoreColonsLater", {{u"Net", a}, {u"Net::Tcp", d}},
            {{u"Net::Tcp::Rx", d}, {u"Net::Udp", a}, {u"Net", a}, {u"Net::Tcp", d}}},
        // Made in the opposite order, the settings still apply from the least qualified.
        {"OrderOfCallsDoesNotMatter", {{u"Net::Tcp", d}, {u"Net", a}}, {{u"Net::Tcp::Rx", d}, {u"Net::Udp", a}}},
        {"EmptyPatternIsADefaultAndMatchingIsBySubstring", {{u"", c}, {u"Net", a}, {u"Net::Tcp", d}},
            {{u"Net::Tcp::Rx", d}, {u"Server.Net", a}, {u"Network", a}, {u"Db", c}, {u"", c}}},
        // Equal ':' counts: code-unit order, so "Server" comes after "Net".
        {"EqualColonsByCodeUnitOrder", {{u"Server", b}, {u"Net", a}}, {{u"Server.Net", b}, {u"Net.Server", b}}},
        // Upper case sorts before lower case; every ':' counts, even a single one.
        {"CodeUnitsAndSingleColons", {{u"a", b}, {u"B", c}, {u"x:", a}}, {{u"aB", b}, {u"Ba", b}, {u"aBx:", a}}},
        {"ReplacingASetting", {{u"Db", d}, {u"Db", b}}, {{u"Db", b}, {u"MyDb2", b}}},
    };
    return cases;
}

/// Printed by its title.
inline void PrintTo(PatternCase const& value, std::ostream* out)
{
    *out << value.title;
}

/// The example's title, for the test's name.
inline std::string PatternCaseName(testing::TestParamInfo<PatternCase> const& info)
{
    return info.param.title;
}

/// The level `index` stands for in a manager whose other levels are `levels`.
template <class Level, std::size_t Count> Level LevelOfIndex(int index, Level initial, Level const (&levels)[Count])
{
    return index == kInitialLevel ? initial : levels[static_cast<std::size_t>(index) % Count];
}

} // namespace TarnwickTest
