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

} // namespace TarnwickTest
