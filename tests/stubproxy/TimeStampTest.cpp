#include <tarnwick/core/Conversion.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/stubproxy/TimeStamp.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

namespace Tarnwick::Tests {
namespace {

using DataTypes::ServiceType;
using DataTypes::TimeDuration;
using DataTypes::TimeStamp;

constexpr std::uint64_t kSecond = 1000000;
constexpr std::uint64_t kHour = 3600 * kSecond;
constexpr std::uint64_t kDay = 24 * kHour;
// 3000-12-31 23:59:59.999999 UTC, the last UTime SetUTime accepts.
constexpr std::uint64_t kLastUTime = 32535215999999999;
// What GetUTime answers for a calendar time it cannot convert: -1 second.
constexpr std::uint64_t kFailedUTime = 18446744073708551616u;

struct Fields {
    std::uint32_t year, month, day, hour, minute, second, microSecond;
};

void ExpectFields(TimeStamp const& stamp, Fields const& expected)
{
    EXPECT_EQ(stamp.GetYear(), expected.year);
    EXPECT_EQ(stamp.GetMonth(), expected.month);
    EXPECT_EQ(stamp.GetDay(), expected.day);
    EXPECT_EQ(stamp.GetHour(), expected.hour);
    EXPECT_EQ(stamp.GetMinute(), expected.minute);
    EXPECT_EQ(stamp.GetSecond(), expected.second);
    EXPECT_EQ(stamp.GetMicroSecond(), expected.microSecond);
}

TimeStamp Make(Fields const& f)
{
    return TimeStamp(f.year, f.month, f.day, f.hour, f.minute, f.second, f.microSecond);
}

bool SameFields(TimeStamp const& a, TimeStamp const& b)
{
    return a.GetYear() == b.GetYear() && a.GetMonth() == b.GetMonth() && a.GetDay() == b.GetDay()
        && a.GetHour() == b.GetHour() && a.GetMinute() == b.GetMinute() && a.GetSecond() == b.GetSecond()
        && a.GetMicroSecond() == b.GetMicroSecond();
}

// ---- the clock

TEST(TimeStampClock, CurrentUTimeIsUnixTimeInMicrosecondsWhateverTheZone)
{
    ScopedTimeZone zone(kUtc);
    auto const before = static_cast<std::uint64_t>(std::time(nullptr));
    std::uint64_t const inUtc = TimeStamp::GetCurrentUTime();
    ScopedTimeZone::Set(kCentralEurope);
    std::uint64_t const inCentralEurope = TimeStamp::GetCurrentUTime();
    ScopedTimeZone::Set("EST+5");
    std::uint64_t const inNewYork = TimeStamp::GetCurrentUTime();
    auto const after = static_cast<std::uint64_t>(std::time(nullptr));

    EXPECT_GE(inUtc, before * kSecond);
    EXPECT_LE(inUtc, (after + 1) * kSecond);
    EXPECT_GE(inCentralEurope, inUtc);
    EXPECT_GE(inNewYork, inCentralEurope);
    EXPECT_LE(inNewYork, (after + 1) * kSecond);
}

TEST(TimeStampClock, SetCurrentTimeGivesTheLocalFieldsOfTheClock)
{
    ScopedTimeZone zone(kCentralEurope);
    TimeStamp stamp;
    std::uint64_t const before = TimeStamp::GetCurrentUTime();
    stamp.SetCurrentTime();
    std::uint64_t const after = TimeStamp::GetCurrentUTime();
    std::uint64_t const read = stamp.GetUTime();
    EXPECT_GE(read, before);
    EXPECT_LE(read, after);
}

// ---- conversions between fields and UTime

struct ConversionCase {
    char const* zone;
    std::uint64_t uTime;
    Fields fields;
    char16_t const* text;
};

void PrintTo(ConversionCase const& c, std::ostream* out)
{
    *out << c.zone << " " << c.uTime;
}

class TimeStampConversion : public ::testing::TestWithParam<ConversionCase> { };

TEST_P(TimeStampConversion, SetUTimeGivesLocalFieldsAndGetUTimeReturnsIt)
{
    ConversionCase const& c = GetParam();
    ScopedTimeZone zone(c.zone);
    TimeStamp stamp(1, 2, 3, 4, 5, 6, 7);
    stamp.SetUTime(c.uTime);
    ExpectFields(stamp, c.fields);
    EXPECT_EQ(stamp.Serialize(), c.text);
    EXPECT_EQ(stamp.GetUTime(), c.uTime);
    EXPECT_EQ(Make(c.fields).GetUTime(), c.uTime);
    ExpectFields(TimeStamp(c.uTime), c.fields);
}

INSTANTIATE_TEST_SUITE_P(Table, TimeStampConversion,
    ::testing::Values(ConversionCase {kUtc, 0, {1970, 1, 1, 0, 0, 0, 0}, u"00:00:00.000000 1/1/1970"},
        ConversionCase {kUtc, 1000000, {1970, 1, 1, 0, 0, 1, 0}, u"00:00:01.000000 1/1/1970"},
        ConversionCase {kUtc, 999999, {1970, 1, 1, 0, 0, 0, 999999}, u"00:00:00.999999 1/1/1970"},
        ConversionCase {kUtc, 1709802302000042, {2024, 3, 7, 9, 5, 2, 42}, u"09:05:02.000042 3/7/2024"},
        ConversionCase {kUtc, 951825600000000, {2000, 2, 29, 12, 0, 0, 0}, u"12:00:00.000000 2/29/2000"},
        ConversionCase {kUtc, 946684799123456, {1999, 12, 31, 23, 59, 59, 123456}, u"23:59:59.123456 12/31/1999"},
        ConversionCase {kUtc, 2147483648000000, {2038, 1, 19, 3, 14, 8, 0}, u"03:14:08.000000 1/19/2038"},
        ConversionCase {kUtc, kLastUTime, {3000, 12, 31, 23, 59, 59, 999999}, u"23:59:59.999999 12/31/3000"},
        ConversionCase {kCentralEurope, 0, {1970, 1, 1, 1, 0, 0, 0}, u"01:00:00.000000 1/1/1970"},
        ConversionCase {kCentralEurope, 1709802302000042, {2024, 3, 7, 10, 5, 2, 42}, u"10:05:02.000042 3/7/2024"},
        // Summer time: two hours ahead of UTC.
        ConversionCase {kCentralEurope, 1719835200000000, {2024, 7, 1, 14, 0, 0, 0}, u"14:00:00.000000 7/1/2024"},
        // The last UTime is already the next year locally.
        ConversionCase {kCentralEurope, kLastUTime, {3001, 1, 1, 0, 59, 59, 999999}, u"00:59:59.999999 1/1/3001"},
        ConversionCase {"EST+5", 0, {1969, 12, 31, 19, 0, 0, 0}, u"19:00:00.000000 12/31/1969"}));

// Callers write `TimeStamp stamp = TimeStamp::GetCurrentUTime();`: the UTime
// constructor converts.
TEST(TimeStamp, AUTimeConvertsToAStampByCopyInitialisation)
{
    static_assert(std::is_convertible_v<std::uint64_t, TimeStamp>);
    ScopedTimeZone zone(kUtc);
    TimeStamp stamp = std::uint64_t {1709802302000042};
    ExpectFields(stamp, {2024, 3, 7, 9, 5, 2, 42});
    EXPECT_TRUE(stamp.GetParamName().empty());
    EXPECT_EQ(ThrownText([] { TimeStamp late = std::uint64_t {32535216000000000}; }), kSetUTimeFailure);
}

TEST(TimeStamp, SetUTimeBeyondTheYear3000ThrowsAndKeepsTheFields)
{
    ScopedTimeZone zone(kUtc);
    std::uint64_t const beyond[] = {
        kLastUTime + 1, 32535216000000001, 100000000000000000, std::numeric_limits<std::uint64_t>::max(), kFailedUTime};
    for (std::uint64_t const uTime : beyond) {
        TimeStamp stamp(2024, 3, 7, 9, 5, 2, 42);
        EXPECT_EQ(ThrownText([&] { stamp.SetUTime(uTime); }), kSetUTimeFailure) << uTime;
        ExpectFields(stamp, {2024, 3, 7, 9, 5, 2, 42});
        EXPECT_EQ(ThrownText([&] { TimeStamp constructed(uTime); }), kSetUTimeFailure);
    }
}

TEST(TimeStamp, DefaultIsAllZeroAndCountsAsAFailedConversion)
{
    for (char const* name : {kUtc, kCentralEurope}) {
        ScopedTimeZone zone(name);
        TimeStamp const stamp;
        ExpectFields(stamp, {0, 0, 0, 0, 0, 0, 0});
        EXPECT_EQ(stamp.GetParamName(), u"");
        EXPECT_EQ(stamp.Serialize(), u"00:00:00.000000 0/0/0");
        EXPECT_EQ(stamp.GetUTime(), kFailedUTime);
    }
}

TEST(TimeStamp, CalendarTimesOutsideTheRangeCountAsMinusOneSecond)
{
    struct Case {
        char const* zone;
        Fields fields;
        std::uint64_t expected;
    };
    Case const cases[] = {
        {kUtc, {1970, 1, 1, 0, 0, 0, 0}, 0},
        {kUtc, {1969, 12, 31, 23, 59, 59, 0}, kFailedUTime},
        {kUtc, {1969, 12, 31, 23, 59, 59, 250}, kFailedUTime + 250},
        {kUtc, {1969, 12, 31, 23, 59, 58, 0}, kFailedUTime},
        {kUtc, {3000, 12, 31, 23, 59, 59, 0}, kLastUTime - 999999},
        {kUtc, {3001, 1, 1, 0, 0, 0, 0}, kFailedUTime},
        {kUtc, {9999, 1, 1, 0, 0, 0, 5}, kFailedUTime + 5},
        // Local midnight of 1970-01-01 is still 1969 in UTC.
        {kCentralEurope, {1970, 1, 1, 0, 30, 0, 0}, kFailedUTime},
        {kCentralEurope, {1970, 1, 1, 1, 0, 0, 0}, 0},
        {kCentralEurope, {3001, 1, 1, 0, 59, 59, 0}, kLastUTime - 999999},
        {kCentralEurope, {3001, 1, 1, 1, 0, 0, 0}, kFailedUTime},
        // Fields that leave the signed 32-bit range once offset.
        {kUtc, {0xFFFFFFFFu, 1, 1, 0, 0, 0, 0}, kFailedUTime},
        {kUtc, {0x80000000u, 1, 1, 0, 0, 0, 0}, kFailedUTime},
        {kUtc, {2024, 0x80000000u, 1, 0, 0, 0, 0}, kFailedUTime},
        {kUtc, {2024, 1, 0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 0}, kFailedUTime},
        {kUtc, {2024, 1, 1, 0, 0, 0x80000000u, 0}, kFailedUTime},
    };
    for (Case const& c : cases) {
        ScopedTimeZone zone(c.zone);
        EXPECT_EQ(Make(c.fields).GetUTime(), c.expected) << c.zone << " " << c.fields.year << "-" << c.fields.month;
    }
}

TEST(TimeStamp, GetUTimeNormalisesOutOfRangeFieldsWithoutChangingThem)
{
    ScopedTimeZone zone(kUtc);
    TimeStamp const thirteenth(2024, 13, 1, 0, 0, 0, 0);
    EXPECT_EQ(thirteenth.GetUTime(), 1735689600u * kSecond);
    EXPECT_EQ(thirteenth.GetMonth(), 13u);
    EXPECT_EQ(thirteenth.Serialize(), u"00:00:00.000000 13/1/2024");

    // Day 0 is the last day of the previous month (2024 is a leap year).
    EXPECT_EQ(TimeStamp(2024, 3, 0, 0, 0, 0, 0).GetUTime(), 1709164800u * kSecond);
    EXPECT_EQ(TimeStamp(2024, 2, 28, 48, 0, 0, 0).GetUTime(), TimeStamp(2024, 3, 1, 0, 0, 0, 0).GetUTime());
    EXPECT_EQ(TimeStamp(2024, 3, 7, 9, 4, 62, 42).GetUTime(), 1709802302000042u);

    // The microseconds are added unchecked.
    TimeStamp wide(2024, 3, 7, 9, 5, 2, 0);
    std::uint64_t const base = wide.GetUTime();
    wide.SetMicroSecond(1234567);
    EXPECT_EQ(wide.GetUTime(), base + 1234567);
    EXPECT_EQ(wide.Serialize(), u"09:05:02.1234567 3/7/2024");
}

TEST(TimeStamp, SerializeWritesTheFieldsAsTheyAre)
{
    EXPECT_EQ(TimeStamp(2024, 3, 7, 9, 5, 2, 42).Serialize(), u"09:05:02.000042 3/7/2024");
    EXPECT_EQ(TimeStamp(1999, 12, 31, 23, 59, 59, 999999).Serialize(), u"23:59:59.999999 12/31/1999");
    EXPECT_EQ(TimeStamp(5, 0, 99, 100, 7, 60, 0).Serialize(), u"100:07:60.000000 0/99/5");
    std::uint32_t const most = 4294967295u;
    EXPECT_EQ(TimeStamp(most, most, most, most, most, most, most).Serialize(),
        u"4294967295:4294967295:4294967295.4294967295 4294967295/4294967295/4294967295");
    TimeStamp setters;
    setters.SetYear(2026);
    setters.SetMonth(12);
    setters.SetDay(9);
    setters.SetHour(15);
    setters.SetMinute(4);
    setters.SetSecond(3);
    setters.SetMicroSecond(21);
    ExpectFields(setters, {2026, 12, 9, 15, 4, 3, 21});
    EXPECT_EQ(setters.Serialize(), u"15:04:03.000021 12/9/2026");
}

// SetUTime then GetUTime gives back the UTime over the whole supported
// calendar, also inside the hour repeated when daylight saving ends, where
// the local time names two instants.
struct RoundTripCount {
    std::size_t checked = 0;
    std::size_t repeated = 0;
    std::size_t mismatched = 0;
    std::string firstMismatch;
};

void ExpectRoundTrip(std::uint64_t uTime, RoundTripCount& count)
{
    TimeStamp const stamp(uTime);
    bool const repeated = (uTime >= kHour && SameFields(stamp, TimeStamp(uTime - kHour)))
        || SameFields(stamp, TimeStamp(uTime + kHour));
    // Inside the repeated hour too: the stamp keeps the instant it was set to.
    ++(repeated ? count.repeated : count.checked);
    if (stamp.GetUTime() != uTime && count.mismatched++ == 0) {
        count.firstMismatch
            = std::to_string(uTime) + " read as " + Utils::Conversion::WstringToString(stamp.Serialize());
    }
}

RoundTripCount RoundTripYears1971To2999(char const* zoneName)
{
    ScopedTimeZone zone(zoneName);
    std::uint64_t const first = 31536000 * kSecond; // 1971-01-01 00:00:00 UTC
    std::uint64_t const last = 32503680000 * kSecond - 1; // 2999-12-31 23:59:59.999999 UTC
    RoundTripCount count;
    // An odd step, so that every time of day and day of year is visited.
    for (std::uint64_t uTime = first; uTime <= last; uTime += 123456789012345) {
        ExpectRoundTrip(uTime, count);
    }
    // Through the last week of March and October of every year, where the
    // daylight-saving changes fall, in steps of a little over half an hour.
    for (std::uint32_t year = 1971; year <= 2999; ++year) {
        for (std::uint32_t month : {3u, 10u}) {
            std::uint64_t const start = TimeStamp(year, month, 24, 12, 0, 0, 0).GetUTime();
            for (std::uint64_t uTime = start; uTime < start + 8 * kDay; uTime += 37 * 60 * kSecond + 1) {
                ExpectRoundTrip(uTime, count);
            }
        }
    }
    ExpectRoundTrip(first, count);
    ExpectRoundTrip(last, count);
    return count;
}

TEST(TimeStampRoundTrip, Years1971To2999InUtc)
{
    RoundTripCount const count = RoundTripYears1971To2999(kUtc);
    EXPECT_GT(count.checked, 600000u);
    EXPECT_EQ(count.mismatched, 0u) << count.firstMismatch;
    EXPECT_EQ(count.repeated, 0u);
}

TEST(TimeStampRoundTrip, Years1971To2999WithDaylightSaving)
{
    RoundTripCount const count = RoundTripYears1971To2999(kCentralEurope);
    EXPECT_GT(count.checked, 600000u);
    EXPECT_EQ(count.mismatched, 0u) << count.firstMismatch;
    // About two samples fall into each year's repeated hour.
    EXPECT_GT(count.repeated, 1000u);
    EXPECT_LT(count.repeated, 4000u);
}

TEST(TimeStampRoundTrip, TheRepeatedHourIsDetectedWhereDaylightSavingEnds)
{
    ScopedTimeZone zone(kCentralEurope);
    // 2024-10-27 00:30 UTC is 02:30 summer time; an hour later it is 02:30 again.
    std::uint64_t const first = 1729989000 * kSecond;
    TimeStamp const summer(first);
    TimeStamp const winter(first + kHour);
    ExpectFields(summer, {2024, 10, 27, 2, 30, 0, 0});
    EXPECT_TRUE(SameFields(summer, winter));
    EXPECT_TRUE(summer.GetUTime() == first || summer.GetUTime() == first + kHour);
}

// Both instants of a repeated local hour, in zones read from the zone files
// and in one given as a rule.
struct RepeatedHour {
    char const* zone;
    std::uint64_t firstSecond; // the first instant whose local time comes again an hour later
    Fields local;
};

std::ostream& operator<<(std::ostream& out, RepeatedHour const& hour)
{
    return out << hour.zone;
}

class TimeStampExact : public ::testing::TestWithParam<RepeatedHour> { };

// Every way a stamp is set from a UTime, and every way it is copied.
TEST_P(TimeStampExact, EveryStampSetFromAUTimeGivesItBackInsideTheRepeatedHour)
{
    ScopedTimeZone zone(GetParam().zone);
    for (std::uint64_t const uTime :
        {GetParam().firstSecond * kSecond + 17, (GetParam().firstSecond + 3600) * kSecond + 17}) {
        SCOPED_TRACE(uTime);
        TimeStamp const constructed(uTime);
        ExpectFields(constructed, GetParam().local);
        TimeStamp set;
        set.SetUTime(uTime);
        TimeStamp initialised;
        std::unique_ptr<ServiceType> const node(constructed.Clone()->StoreTo(u"when"));
        initialised.InitFrom(node.get());
        TimeDuration const minute(60 * kSecond);
        TimeStamp const added = TimeStamp(uTime - 60 * kSecond) + minute;
        TimeStamp const subtracted = TimeStamp(uTime + 60 * kSecond) - minute;
        TimeStamp assigned(2000, 1, 1, 0, 0, 0, 0);
        assigned = constructed;
        TimeStamp moved(2000, 1, 1, 0, 0, 0, 0);
        moved = TimeStamp(uTime);
        std::unique_ptr<StubProxy::UserParameters> const copied(constructed.Copy());
        // Setting a field to the value it has changes nothing.
        TimeStamp unchanged(uTime);
        unchanged.SetMinute(unchanged.GetMinute());
        std::unique_ptr<TimeStamp const> const cloned = constructed.Clone();
        for (TimeStamp const* stamp :
            std::initializer_list<TimeStamp const*> {&constructed, &set, &initialised, &added, &subtracted, &assigned,
                &moved, dynamic_cast<TimeStamp const*>(copied.get()), cloned.get(), &unchanged}) {
            EXPECT_EQ(stamp->GetUTime(), uTime);
        }
        // The fields are local time as before; only the way back is exact.
        EXPECT_TRUE(SameFields(set, Make(GetParam().local)));
    }
}

TEST_P(TimeStampExact, AChangedFieldIsConvertedThroughLocalTimeAgain)
{
    ScopedTimeZone zone(GetParam().zone);
    std::uint64_t const second = (GetParam().firstSecond + 3600) * kSecond + 17;
    TimeStamp stamp(second);
    stamp.SetMinute(stamp.GetMinute() + 1);
    Fields moved = GetParam().local;
    moved.minute += 1;
    // Whichever instant the platform takes for the local time, it is the field
    // constructor's, and one of the two.
    EXPECT_EQ(stamp.GetUTime(), Make(moved).GetUTime());
    EXPECT_TRUE(stamp.GetUTime() == second + 60 * kSecond || stamp.GetUTime() == second + 60 * kSecond - kHour);
    TimeStamp micro(second);
    micro.SetMicroSecond(5);
    EXPECT_EQ(micro.GetUTime(), Make(GetParam().local).GetUTime() - 17 + 5);
}

// A stamp set from a UTime is not converted again: a new zone in the
// environment, which any conversion would read, leaves its UTime as it was.
TEST_P(TimeStampExact, TheUTimeOutlastsAChangeOfZone)
{
    ScopedTimeZone zone(GetParam().zone);
    std::uint64_t const uTime = GetParam().firstSecond * kSecond;
    TimeStamp const stamp(uTime);
    TimeStamp const fields = Make(GetParam().local);
    std::uint64_t const converted = fields.GetUTime();
    ScopedTimeZone::Set("UTC0");
    EXPECT_EQ(stamp.GetUTime(), uTime);
    EXPECT_NE(fields.GetUTime(), converted); // the fields alone follow the zone
}

INSTANTIATE_TEST_SUITE_P(Zones, TimeStampExact,
    ::testing::Values(
        // 2024-10-27 00:30 UTC is 02:30 summer time; 01:30 UTC is 02:30 again.
        RepeatedHour {"Europe/Berlin", 1729989000, {2024, 10, 27, 2, 30, 0, 17}},
        RepeatedHour {kCentralEurope, 1729989000, {2024, 10, 27, 2, 30, 0, 17}},
        // 2024-11-03 05:30 UTC is 01:30 daylight time; 06:30 UTC is 01:30 standard time.
        RepeatedHour {"America/New_York", 1730611800, {2024, 11, 3, 1, 30, 0, 17}}));

// ---- arithmetic

TEST(TimeStamp, AddingADurationKeepsTheNameAndNormalises)
{
    ScopedTimeZone zone(kUtc);
    TimeStamp stamp(2024, 2, 28, 23, 0, 0, 500000);
    stamp.SetParamName(u"start");
    TimeStamp const later = stamp + TimeDuration(1, 2, 0, 0, 600000);
    ExpectFields(later, {2024, 3, 1, 1, 0, 1, 100000});
    EXPECT_EQ(later.GetParamName(), u"start");
    ExpectFields(stamp, {2024, 2, 28, 23, 0, 0, 500000});

    // Adding nothing normalises the fields through local time.
    ExpectFields(TimeStamp(2024, 13, 1, 0, 0, 0, 0) + TimeDuration(), {2025, 1, 1, 0, 0, 0, 0});
}

TEST(TimeStamp, AddingAcrossTheEndOfTheRangeThrows)
{
    ScopedTimeZone zone(kUtc);
    TimeStamp const last(kLastUTime);
    ExpectFields(last + TimeDuration(), {3000, 12, 31, 23, 59, 59, 999999});
    EXPECT_EQ(ThrownText([&] { (void)(last + TimeDuration(0, 0, 0, 0, 1)); }), kSetUTimeFailure);
    // The default stamp counts as -1 second: a sum that passes 2^64 must not
    // wrap around to an early time.
    EXPECT_EQ(ThrownText([&] { (void)(TimeStamp() + TimeDuration(0, 0, 0, 2, 0)); }), kSetUTimeFailure);
    EXPECT_EQ(ThrownText([&] { (void)(TimeStamp(0) + TimeDuration(std::numeric_limits<std::uint64_t>::max())); }),
        kSetUTimeFailure);
}

TEST(TimeStamp, SubtractingADurationKeepsTheNameAndStopsAtZero)
{
    ScopedTimeZone zone(kUtc);
    TimeStamp stamp(2024, 3, 1, 1, 0, 1, 100000);
    stamp.SetParamName(u"end");
    TimeStamp const earlier = stamp - TimeDuration(1, 2, 0, 0, 600000);
    ExpectFields(earlier, {2024, 2, 28, 23, 0, 0, 500000});
    EXPECT_EQ(earlier.GetParamName(), u"end");

    TimeStamp const epoch = stamp - TimeDuration(stamp.GetUTime());
    EXPECT_EQ(epoch.GetUTime(), 0u);
    ExpectFields(epoch, {1970, 1, 1, 0, 0, 0, 0});
}

// ---- trees

// The rest of StoreTo and InitFrom is in the conformance table.
TEST(TimeStamp, StoreToAndInitFromCarryTheUTime)
{
    ScopedTimeZone zone(kCentralEurope);
    TimeStamp source(2024, 7, 1, 14, 0, 0, 42);
    std::unique_ptr<ServiceType> const named(source.StoreTo(u"when"));
    EXPECT_EQ(dynamic_cast<DataTypes::TimeStampServiceType&>(*named).GetValue(), 1719835200000042u);

    TimeStamp target;
    target.InitFrom(named.get());
    ExpectFields(target, {2024, 7, 1, 14, 0, 0, 42});
    // The tree is read through the zone in force at that moment.
    ScopedTimeZone::Set(kUtc);
    target.InitFrom(named.get());
    ExpectFields(target, {2024, 7, 1, 12, 0, 0, 42});
}

// ---- threads

TEST(TimeStamp, ConcurrentConversionsOfDistinctObjectsDoNotInterfere)
{
    ScopedTimeZone zone(kCentralEurope);
    constexpr int kThreads = 4;
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            // Each thread works in its own year, so a shared result buffer would show.
            std::uint64_t const base = TimeStamp(1980 + 300 * t, 1, 15, 12, 0, 0, 0).GetUTime();
            for (int i = 0; i < 5000; ++i) {
                std::uint64_t const uTime = base + static_cast<std::uint64_t>(i) * 97 * kSecond;
                TimeStamp const stamp(uTime);
                if (stamp.GetYear() != static_cast<std::uint32_t>(1980 + 300 * t) || stamp.GetUTime() != uTime) {
                    ++failures[t];
                }
                (void)TimeStamp::GetCurrentUTime();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0) << "thread " << t;
    }
}

} // namespace
} // namespace Tarnwick::Tests
