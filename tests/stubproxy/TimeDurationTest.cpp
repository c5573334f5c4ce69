#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/stubproxy/TimeDuration.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

namespace Tarnwick::Tests {
namespace {

using DataTypes::ServiceType;
using DataTypes::TimeDuration;

struct Fields {
    std::uint32_t days, hours, minutes, seconds, microSeconds;
};

void ExpectFields(TimeDuration const& duration, Fields const& expected)
{
    EXPECT_EQ(duration.GetDays(), expected.days);
    EXPECT_EQ(duration.GetHours(), expected.hours);
    EXPECT_EQ(duration.GetMinutes(), expected.minutes);
    EXPECT_EQ(duration.GetSeconds(), expected.seconds);
    EXPECT_EQ(duration.GetMicroSeconds(), expected.microSeconds);
}

std::u16string TextOf(TimeDuration const& duration)
{
    std::u16string text = u"previous contents";
    duration.Serialize(text);
    return text;
}

// A subclass, to see that raise sites name the object's run-time class.
class LabelledDuration : public TimeDuration {
public:
    using TimeDuration::TimeDuration;
};

struct NormalisationCase {
    std::uint64_t uTime;
    Fields fields;
    char16_t const* text;
};

void PrintTo(NormalisationCase const& c, std::ostream* out)
{
    *out << c.uTime;
}

class TimeDurationNormalisation : public ::testing::TestWithParam<NormalisationCase> { };

TEST_P(TimeDurationNormalisation, SetUTimeSplitsIntoNormalisedFieldsAndRoundTrips)
{
    NormalisationCase const& c = GetParam();
    TimeDuration duration(7, 99, 99, 99, 9999999);
    duration.SetUTime(c.uTime);
    ExpectFields(duration, c.fields);
    EXPECT_EQ(TextOf(duration), c.text);
    EXPECT_EQ(duration.GetUTime(), c.uTime);
    ExpectFields(TimeDuration(c.uTime), c.fields);
}

INSTANTIATE_TEST_SUITE_P(Table, TimeDurationNormalisation,
    ::testing::Values(NormalisationCase {0, {0, 0, 0, 0, 0}, u"00:00:00:00.000000"},
        NormalisationCase {1, {0, 0, 0, 0, 1}, u"00:00:00:00.000001"},
        NormalisationCase {999999, {0, 0, 0, 0, 999999}, u"00:00:00:00.999999"},
        NormalisationCase {1000000, {0, 0, 0, 1, 0}, u"00:00:00:01.000000"},
        NormalisationCase {59999999, {0, 0, 0, 59, 999999}, u"00:00:00:59.999999"},
        NormalisationCase {60000000, {0, 0, 1, 0, 0}, u"00:00:01:00.000000"},
        NormalisationCase {3600000000, {0, 1, 0, 0, 0}, u"00:01:00:00.000000"},
        NormalisationCase {86399999999, {0, 23, 59, 59, 999999}, u"00:23:59:59.999999"},
        NormalisationCase {86400000000, {1, 0, 0, 0, 0}, u"01:00:00:00.000000"},
        NormalisationCase {90061000001, {1, 1, 1, 1, 1}, u"01:01:01:01.000001"},
        NormalisationCase {93784000005, {1, 2, 3, 4, 5}, u"01:02:03:04.000005"},
        NormalisationCase {8640000000000, {100, 0, 0, 0, 0}, u"100:00:00:00.000000"},
        NormalisationCase {
            std::numeric_limits<std::uint64_t>::max(), {213503982, 8, 1, 49, 551615}, u"213503982:08:01:49.551615"}));

TEST(TimeDuration, AUTimeConvertsToANormalisedDurationByCopyInitialisation)
{
    static_assert(std::is_convertible_v<std::uint64_t, TimeDuration>);
    TimeDuration duration = std::uint64_t {90061000001};
    ExpectFields(duration, {1, 1, 1, 1, 1});
    EXPECT_TRUE(duration.GetParamName().empty());
}

TEST(TimeDuration, FieldsAreStoredUnnormalisedAndCountInFull)
{
    TimeDuration const thirtyHours(0, 30, 0, 0, 0);
    ExpectFields(thirtyHours, {0, 30, 0, 0, 0});
    EXPECT_EQ(thirtyHours.GetUTime(), 108000000000u);
    EXPECT_EQ(TextOf(thirtyHours), u"00:30:00:00.000000");

    TimeDuration const normalised = thirtyHours + TimeDuration();
    ExpectFields(normalised, {1, 6, 0, 0, 0});
    ExpectFields(thirtyHours, {0, 30, 0, 0, 0});

    TimeDuration setters;
    setters.SetDays(2);
    setters.SetHours(25);
    setters.SetMinutes(61);
    setters.SetSeconds(61);
    setters.SetMicroSeconds(1000001);
    ExpectFields(setters, {2, 25, 61, 61, 1000001});
    EXPECT_EQ(setters.GetUTime(), ((((2ull * 24 + 25) * 60 + 61) * 60 + 61) * 1000000) + 1000001);
    EXPECT_EQ(TextOf(setters), u"02:25:61:61.1000001");
}

TEST(TimeDuration, GetUTimeWrapsBeyondSixtyFourBits)
{
    // One microsecond more than the largest UTime.
    EXPECT_EQ(TimeDuration(213503982, 8, 1, 49, 551616).GetUTime(), 0u);
    TimeDuration const largest(std::numeric_limits<std::uint64_t>::max());
    TimeDuration const sum = largest + TimeDuration(0, 0, 0, 0, 2);
    EXPECT_EQ(sum.GetUTime(), 1u);
}

TEST(TimeDuration, SerializePrintsFieldsAsSignedThirtyTwoBitNumbers)
{
    TimeDuration duration;
    duration.SetSeconds(2147483648u);
    EXPECT_EQ(TextOf(duration), u"00:00:00:-2147483648.000000");
    duration.SetSeconds(0);
    duration.SetDays(4294967295u);
    duration.SetMicroSeconds(2147483647u);
    EXPECT_EQ(TextOf(duration), u"-1:00:00:00.2147483647");
}

TEST(TimeDuration, DefaultIsZeroWithEmptyName)
{
    TimeDuration const duration;
    ExpectFields(duration, {0, 0, 0, 0, 0});
    EXPECT_EQ(duration.GetUTime(), 0u);
    EXPECT_EQ(duration.GetParamName(), u"");
    EXPECT_EQ(TimeDuration(5).GetParamName(), u"");
}

TEST(TimeDuration, ArithmeticGivesNormalisedResultsWithoutName)
{
    TimeDuration left(0, 23, 59, 59, 999999);
    TimeDuration right(0, 0, 0, 0, 1);
    left.SetParamName(u"left");
    right.SetParamName(u"right");

    TimeDuration const sum = left + right;
    ExpectFields(sum, {1, 0, 0, 0, 0});
    EXPECT_EQ(sum.GetParamName(), u"");

    TimeDuration const difference = sum - right;
    ExpectFields(difference, {0, 23, 59, 59, 999999});
    EXPECT_EQ(difference.GetParamName(), u"");

    TimeDuration const zero = left - left;
    ExpectFields(zero, {0, 0, 0, 0, 0});
    EXPECT_EQ(zero.GetParamName(), u"");

    // Unnormalised operands count in full.
    ExpectFields(TimeDuration(0, 0, 0, 90, 0) - TimeDuration(0, 0, 1, 0, 0), {0, 0, 0, 30, 0});

    // Neither operand changes.
    ExpectFields(left, {0, 23, 59, 59, 999999});
    ExpectFields(right, {0, 0, 0, 0, 1});
    EXPECT_EQ(left.GetParamName(), u"left");
}

TEST(TimeDuration, CopyReturnsAnIndependentObjectOfTheSameClass)
{
    LabelledDuration source(0, 30, 0, 0, 7);
    source.SetParamName(u"interval");
    std::unique_ptr<StubProxy::UserParameters> copy(source.Copy());
    auto* const duration = dynamic_cast<TimeDuration*>(copy.get());
    ASSERT_NE(duration, nullptr);
    EXPECT_EQ(typeid(*copy), typeid(TimeDuration));
    EXPECT_EQ(duration->GetParamName(), u"interval");
    ExpectFields(*duration, {0, 30, 0, 0, 7});
    duration->SetHours(1);
    EXPECT_EQ(source.GetHours(), 30u);
}

// The rest of StoreTo and InitFrom is in the conformance table.
TEST(TimeDuration, StoreToBuildsAnIndependentDurationNodeThatInitFromReadsNormalised)
{
    TimeDuration duration(0, 30, 0, 0, 7);
    std::unique_ptr<ServiceType> const named(duration.StoreTo(u"timeout"));
    EXPECT_EQ(dynamic_cast<DataTypes::TimeDurationServiceType&>(*named).GetValue(), 108000000007u);
    duration.SetDays(1);
    ExpectFields(duration, {1, 30, 0, 0, 7});

    TimeDuration target;
    target.InitFrom(named.get());
    ExpectFields(target, {1, 6, 0, 0, 7});
}

} // namespace
} // namespace Tarnwick::Tests
