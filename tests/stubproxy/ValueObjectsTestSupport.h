#pragma once

// Helpers of the value-object tests: outcome capture as text, a scoped time-zone
// setting (so that no test depends on the machine's own zone), renderings of
// every value type the variant holds, and an allocator that can be made to fail.

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

namespace Tarnwick::Tests {

inline std::u16string Widen(std::string const& text)
{
    return std::u16string(text.begin(), text.end());
}

/// The `ToString()` of the ServiceException that `action` raises, or the text it returns.
template <class Action> std::u16string Outcome(Action&& action)
{
    try {
        return action();
    } catch (ServiceException const& e) {
        return e.ToString();
    }
}

/// The `ToString()` line of the ServiceException that `action` raises, or a
/// marker text when it raises none.
template <class Action> std::u16string ThrownText(Action&& action)
{
    return Outcome([&] {
        action();
        return std::u16string(u"(no ServiceException)");
    });
}

/// POSIX rule strings: no time-zone database is needed.
inline constexpr char const* kUtc = "UTC0";
/// Central European time: UTC+1, daylight saving (UTC+2) from the last Sunday
/// of March 02:00 to the last Sunday of October 03:00.
inline constexpr char const* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

/// What every TimeStamp conversion beyond the supported range raises.
inline constexpr char16_t const* kSetUTimeFailure
    = u"Exception: Tarnwick::DataTypes::TimeStamp line 178 - SetUTime exception.";

/// Sets the time zone for its lifetime and restores the previous setting.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(char const* zone)
    {
        if (char const* previous = std::getenv("TZ")) {
            m_Previous = previous;
        }
        Set(zone);
    }
    ScopedTimeZone(ScopedTimeZone const&) = delete;
    ScopedTimeZone& operator=(ScopedTimeZone const&) = delete;
    ~ScopedTimeZone()
    {
        if (m_Previous) {
            setenv("TZ", m_Previous->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    static void Set(char const* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> m_Previous;
};

inline std::u16string Render(std::u16string const& value)
{
    return value;
}

inline std::u16string Render(bool value)
{
    return value ? u"true" : u"false";
}

template <class T>
requires std::is_arithmetic_v<T> std::u16string Render(T value)
{
    if constexpr (std::is_floating_point_v<T>) {
        std::ostringstream out;
        out << value;
        return Widen(out.str());
    } else if constexpr (std::is_signed_v<T>) {
        return Widen(std::to_string(static_cast<long long>(value)));
    } else {
        return Widen(std::to_string(static_cast<unsigned long long>(value)));
    }
}

inline std::u16string Render(DataTypes::TimeStamp const& value)
{
    return value.Serialize();
}

inline std::u16string Render(DataTypes::TimeDuration const& value)
{
    std::u16string text;
    value.Serialize(text);
    return text;
}

template <class T> std::u16string Render(std::vector<T> const& values)
{
    std::u16string text = u"[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? u"" : u",") + Render(static_cast<T>(values[i]));
    }
    return text + u"]";
}

/// The dynamic class of an object reached through a call (typeid of the call
/// expression itself would evaluate it inside typeid).
template <class T> std::type_info const& DynamicClass(T const& object)
{
    return typeid(object);
}

/// Checks the copies of a value object: copy construction and Copy() carry the
/// parameter name, Copy() answers the class itself, and assignment (also of the
/// object to itself) carries the name only where `assignmentCopiesTheName`.
/// `holdsTheValue` checks that an object holds the value of `source`. Answers
/// the Copy(), for the caller to see that it shares nothing with `source`.
template <class T, class Check>
std::unique_ptr<T> ExpectCopies(T& source, T target, bool assignmentCopiesTheName, Check holdsTheValue)
{
    source.SetParamName(u"source");
    target.SetParamName(u"target");
    char16_t const* const assignedName = assignmentCopiesTheName ? u"source" : u"target";
    T const copied(source);
    EXPECT_EQ(copied.GetParamName(), u"source");
    holdsTheValue(copied);
    target = source;
    EXPECT_EQ(target.GetParamName(), assignedName);
    holdsTheValue(target);
    T& self = target;
    target = self;
    EXPECT_EQ(target.GetParamName(), assignedName);
    holdsTheValue(target);

    std::unique_ptr<StubProxy::UserParameters> clone(source.Copy());
    EXPECT_EQ(DynamicClass(*clone), typeid(T));
    auto* const typed = dynamic_cast<T*>(clone.get());
    if (typed == nullptr) {
        ADD_FAILURE() << "Copy() answered another class";
        return nullptr;
    }
    EXPECT_EQ(typed->GetParamName(), u"source");
    holdsTheValue(*typed);
    clone.release();
    return std::unique_ptr<T>(typed);
}

/// "Exception: Tarnwick::DataTypes::AnyType line <line> - <message>".
inline std::u16string AnyTypeError(std::int32_t line, std::u16string const& message)
{
    return u"Exception: Tarnwick::DataTypes::AnyType line " + Widen(std::to_string(line)) + u" - " + message;
}

/// While alive, the allocation after `allowed` more succeed throws std::bad_alloc
/// (the test program replaces the global allocation functions).
class FailingAllocation {
public:
    explicit FailingAllocation(int allowed);
    FailingAllocation(FailingAllocation const&) = delete;
    FailingAllocation& operator=(FailingAllocation const&) = delete;
    ~FailingAllocation();
    /// Whether an allocation was refused.
    bool Triggered() const;
};

} // namespace Tarnwick::Tests
