// The documented failures of the value objects, one row each: the message and
// the line are part of the interface, and the source is the object's run-time
// class, so a caller's subclass is named, not the library's. (Each object's
// refusals of a tree of the wrong kind are rows of the conformance table.)

#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/stubproxy/AnyType.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/XmlValue.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace Tarnwick::Tests {
namespace {

using namespace DataTypes;

// Subclasses as a caller writes them, to see that raise sites name them.
class LabelledStamp : public TimeStamp {
public:
    using TimeStamp::TimeStamp;
};
class LabelledDuration : public TimeDuration {
public:
    using TimeDuration::TimeDuration;
};
class LabelledXml : public XmlValue { };
class LabelledAny : public AnyType {
public:
    using AnyType::AnyType;
};

// 3000-12-31 23:59:59.999999 UTC, the last UTime SetUTime accepts.
constexpr std::uint64_t kLastUTime = 32535215999999999;

/// A documented failure: the raise on an object of the library's class and on
/// one of a caller's subclass, the library's class, the line and the message.
struct Failure {
    char const* label;
    std::function<void()> plain;
    std::function<void()> labelled;
    char16_t const* source;
    char16_t const* subclass;
    int line;
    char16_t const* message;
};

void PrintTo(Failure const& failure, std::ostream* out)
{
    *out << failure.label;
}

std::u16string Expected(std::u16string const& source, int line, std::u16string const& message)
{
    return u"Exception: " + source + u" line " + Render(line) + u" - " + message;
}

class FailureCatalogue : public ::testing::TestWithParam<Failure> {
protected:
    ScopedTimeZone m_Zone {kUtc};
};

TEST_P(FailureCatalogue, RaisesTheDocumentedMessageAndLineNamingTheRunTimeClass)
{
    Failure const& failure = GetParam();
    EXPECT_EQ(ThrownText(failure.plain), Expected(failure.source, failure.line, failure.message));
    EXPECT_EQ(ThrownText(failure.labelled),
        Expected(u"Tarnwick::Tests::(anonymous namespace)::" + std::u16string(failure.subclass), failure.line,
            failure.message));
}

INSTANTIATE_TEST_SUITE_P(ValueObjects, FailureCatalogue,
    ::testing::Values(Failure {"SetUTimeBeyondTheYear3000", [] { TimeStamp().SetUTime(kLastUTime + 1); },
                          [] { LabelledStamp().SetUTime(kLastUTime + 1); }, u"Tarnwick::DataTypes::TimeStamp",
                          u"LabelledStamp", 178, u"SetUTime exception."},
        Failure {"StampMinusALongerDuration",
            [] {
                TimeStamp const stamp(2024, 3, 1, 1, 0, 1, 100000);
                (void)(stamp - TimeDuration(stamp.GetUTime() + 1));
            },
            [] { (void)(LabelledStamp(0) - TimeDuration(1)); }, u"Tarnwick::DataTypes::TimeStamp", u"LabelledStamp",
            114, u"TimeStamp substraction exception."},
        Failure {"DurationMinusALongerDuration",
            [] { (void)(TimeDuration(0, 0, 0, 1, 0) - TimeDuration(0, 0, 0, 1, 1)); },
            [] { (void)(LabelledDuration(0, 0, 0, 0, 0) - TimeDuration(0, 0, 0, 1, 0)); },
            u"Tarnwick::DataTypes::TimeDuration", u"LabelledDuration", 104, u"TimeDuration substraction exception."},
        Failure {"XmlValueInitFromAnotherNode",
            [] {
                ScalarType<std::u16string> plain(u"<a/>", u"s");
                XmlValue().InitFrom(&plain);
            },
            [] {
                ScalarType<std::u16string> plain(u"<a/>", u"s");
                LabelledXml().InitFrom(&plain);
            },
            u"Tarnwick::DataTypes::XmlValue", u"LabelledXml", 63, u"Unsupported service type"},
        Failure {"AnyTypeReadAsAnotherKind", [] { (void)static_cast<float>(AnyType(2.5)); },
            [] { (void)static_cast<float>(LabelledAny(2.5)); }, u"Tarnwick::DataTypes::AnyType", u"LabelledAny", 402,
            u"Invalid cast: expected FLOAT type."},
        Failure {"AnyTypeReadWhileEmpty", [] { (void)static_cast<bool>(AnyType()); },
            [] { (void)static_cast<bool>(LabelledAny()); }, u"Tarnwick::DataTypes::AnyType", u"LabelledAny", 218,
            u"Uninitialized variable."}),
    [](::testing::TestParamInfo<Failure> const& info) { return std::string(info.param.label); });

} // namespace
} // namespace Tarnwick::Tests
