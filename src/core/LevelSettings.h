#pragma once

// Level settings by name pattern, applied to named members (the loggers of a
// logger manager, the diagnostics of a diagnostics manager) in time linear in
// what changes. Internal to the library.
//
// The result is that of applying every setting, from the fewest ':' to the
// most and then in code-unit order, to every member whose name contains the
// setting's pattern, each time a member is added or a setting changes: the
// last matching setting wins, a member no setting matches keeps its level, and
// a level set on a member directly lasts until the next such application.
// Instead of that product of settings and members, each member keeps the
// setting that decides its level (found when it is added, and again only when
// a changed setting matches its name), and an application re-applies that
// level only to members whose level was set directly since the last one.

#include <cstddef>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Tarnwick::Detail {

/// The slots of members whose level was set directly since the last
/// application; noted from any thread, without the owner's lock.
class LevelOverrides {
public:
    void Note(std::size_t slot)
    {
        std::lock_guard const lock(m_Mutex);
        m_Slots.push_back(slot);
    }

    std::vector<std::size_t> Take()
    {
        std::lock_guard const lock(m_Mutex);
        return std::exchange(m_Slots, {});
    }

private:
    std::mutex m_Mutex;
    std::vector<std::size_t> m_Slots;
};

/// The settings of one manager and what they decide for its members. Every
/// operation but `Overrides().Note` runs under the manager's lock. `settle`
/// arguments are callables `settle(Member&, Level const* level)` that mark the
/// member as no longer set directly and, unless `level` is null, give it that
/// level (without noting it as set directly).
template <class Member, class Level> class LevelSettings {
public:
    /// Registers `member`, whose `name` must live as long as it, and gives it
    /// the level of the last setting that matches its name, if one does.
    /// Returns the member's slot, which it passes to `Overrides().Note`.
    template <class Settle> std::size_t Add(Member& member, std::u16string_view name, Settle settle)
    {
        Entry const& entry = m_Entries.emplace_back(Entry {&member, name, Decider(name)});
        if (entry.decider != m_Settings.end()) {
            settle(member, &entry.decider->second);
        }
        return m_Entries.size() - 1;
    }

    /// Adds or replaces the setting for `pattern` and gives its level to every
    /// member it now decides: a new pattern is matched against every member
    /// that no later setting decides already; a replaced one changes only the
    /// members it decided.
    template <class Settle> void Set(std::u16string const& pattern, Level level, Settle settle)
    {
        auto const [setting, added] = m_Settings.insert_or_assign(Key(pattern), level);
        auto const& order = m_Settings.key_comp();
        for (Entry& entry : m_Entries) {
            if (!added) {
                if (entry.decider == setting) {
                    settle(*entry.member, &setting->second);
                }
                continue;
            }
            bool const earlier = entry.decider == m_Settings.end() || order(entry.decider->first, setting->first);
            if (earlier && entry.name.find(pattern) != std::u16string_view::npos) {
                entry.decider = setting;
                settle(*entry.member, &setting->second);
            }
        }
    }

    /// The application that every addition and every change ends with: the
    /// members set directly since get their settings' level back, or keep
    /// theirs when no setting matches them.
    template <class Settle> void Propagate(Settle settle)
    {
        for (std::size_t const slot : m_Overrides.Take()) {
            if (slot < m_Entries.size()) {
                Entry const& entry = m_Entries[slot];
                settle(*entry.member, entry.decider != m_Settings.end() ? &entry.decider->second : nullptr);
            }
        }
    }

    /// Forgets every member and every setting.
    void Clear()
    {
        m_Entries.clear();
        m_Settings.clear();
        m_Overrides.Take();
    }

    /// Where the members note that their level was set directly.
    LevelOverrides& Overrides() noexcept { return m_Overrides; }

private:
    // The count of ':' first, then the pattern: the order of application.
    using SettingKey = std::pair<std::size_t, std::u16string>;
    using Settings = std::map<SettingKey, Level>;

    struct Entry {
        Member* member;
        std::u16string_view name;
        typename Settings::const_iterator decider; // the last setting that matches, or end
    };

    static SettingKey Key(std::u16string const& pattern)
    {
        std::size_t colons = 0;
        for (char16_t const unit : pattern) {
            colons += unit == u':' ? 1 : 0;
        }
        return SettingKey(colons, pattern);
    }

    typename Settings::const_iterator Decider(std::u16string_view name) const
    {
        for (auto setting = m_Settings.rbegin(); setting != m_Settings.rend(); ++setting) {
            if (name.find(setting->first.second) != std::u16string_view::npos) {
                return std::prev(setting.base());
            }
        }
        return m_Settings.end();
    }

    Settings m_Settings;
    std::vector<Entry> m_Entries; // by slot
    LevelOverrides m_Overrides;
};

} // namespace Tarnwick::Detail
