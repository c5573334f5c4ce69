#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnwick::Tests {
namespace {

using DataTypes::TimeDuration;
using DataTypes::TimeDurationSequenceType;
using DataTypes::TimeStamp;
using DataTypes::TimeStampSequenceType;

// Owns the objects that `Init` hands out, however a test ends.
template <class T> struct Owned {
    std::vector<T*> pointers;
    ~Owned()
    {
        for (T* p : pointers) {
            delete p;
        }
    }
};

template <class T> std::vector<std::uint64_t> UTimesOf(std::vector<T*> const& objects)
{
    std::vector<std::uint64_t> values;
    for (T const* object : objects) {
        values.push_back(object->GetUTime());
    }
    return values;
}

TEST(TimeSequenceConversions, StoreOfNothingGivesAnEmptyNamedNode)
{
    std::unique_ptr<TimeStampSequenceType> stamps(TimeStampSequenceType::Store(u"stamps", {}));
    EXPECT_EQ(stamps->Size(), 0u);
    EXPECT_EQ(stamps->GetType(), DataTypes::TIME_STAMP_SEQUENCE);
    EXPECT_EQ(stamps->GetParamName(), u"stamps");

    std::unique_ptr<TimeDurationSequenceType> durations(TimeDurationSequenceType::Store(u"", {}));
    EXPECT_EQ(durations->Size(), 0u);
    EXPECT_EQ(durations->GetType(), DataTypes::TIME_DURATION_SEQUENCE);
    EXPECT_EQ(durations->GetParamName(), u"");

    Owned<TimeStamp> out;
    out.pointers.push_back(new TimeStamp());
    TimeStamp* const kept = out.pointers.front();
    TimeStampSequenceType::Init(stamps.get(), out.pointers);
    EXPECT_TRUE(out.pointers.empty());
    delete kept;
}

TEST(TimeSequenceConversions, TimeStampsRoundTripInOrder)
{
    ScopedTimeZone zone(kCentralEurope);
    TimeStamp first(2024, 7, 1, 14, 0, 0, 42);
    TimeStamp second(0);
    TimeStamp third(2024, 13, 1, 0, 0, 0, 0); // unnormalised: stored as January 2025
    TimeStamp fourth; // unconvertible: carries the failed-conversion number
    first.SetParamName(u"first");
    std::vector<TimeStamp*> const given {&first, &second, &third, &fourth, &first};

    std::unique_ptr<TimeStampSequenceType> node(TimeStampSequenceType::Store(u"when", given));
    EXPECT_EQ(node->GetParamName(), u"when");
    EXPECT_EQ(node->GetValue(),
        (std::vector<std::uint64_t> {
            1719835200000042u, 0u, 1735686000000000u, 18446744073708551616u, 1719835200000042u}));
    // The objects are untouched.
    EXPECT_EQ(third.GetMonth(), 13u);
    EXPECT_EQ(first.GetParamName(), u"first");

    // Init cannot convert the failed-conversion number, so leave it out.
    node->GetValue().erase(node->GetValue().begin() + 3);
    std::vector<std::uint64_t> const stored = node->GetValue();
    Owned<TimeStamp> out;
    TimeStampSequenceType::Init(node.get(), out.pointers);
    ASSERT_EQ(out.pointers.size(), 4u);
    EXPECT_EQ(UTimesOf(out.pointers), stored);
    EXPECT_EQ(out.pointers[0]->Serialize(), u"14:00:00.000042 7/1/2024");
    EXPECT_EQ(out.pointers[2]->Serialize(), u"00:00:00.000000 1/1/2025");
    EXPECT_EQ(out.pointers[0]->GetParamName(), u"");
    EXPECT_NE(out.pointers[0], out.pointers[3]);
    EXPECT_EQ(node->GetValue(), stored);
}

TEST(TimeSequenceConversions, DurationsRoundTripNormalised)
{
    TimeDuration thirtyHours(0, 30, 0, 0, 0);
    TimeDuration longest(~std::uint64_t {0});
    TimeDuration zero;
    std::vector<TimeDuration*> const given {&thirtyHours, &longest, &zero};

    std::unique_ptr<TimeDurationSequenceType> node(TimeDurationSequenceType::Store(u"timeouts", given));
    EXPECT_EQ(node->GetParamName(), u"timeouts");
    EXPECT_EQ(node->GetValue(), (std::vector<std::uint64_t> {108000000000u, ~std::uint64_t {0}, 0u}));
    EXPECT_EQ(thirtyHours.GetHours(), 30u);

    Owned<TimeDuration> out;
    TimeDurationSequenceType::Init(node.get(), out.pointers);
    ASSERT_EQ(out.pointers.size(), 3u);
    EXPECT_EQ(UTimesOf(out.pointers), UTimesOf(given));
    EXPECT_EQ(out.pointers[0]->GetDays(), 1u);
    EXPECT_EQ(out.pointers[0]->GetHours(), 6u);
    std::u16string text;
    out.pointers[1]->Serialize(text);
    EXPECT_EQ(text, u"213503982:08:01:49.551615");
}

TEST(TimeSequenceConversions, InitReplacesThePointersButNotTheObjects)
{
    ScopedTimeZone zone(kUtc);
    TimeStamp previousA(1000000);
    TimeStamp previousB(2000000);
    std::vector<TimeStamp*> array {&previousA, &previousB};
    TimeStampSequenceType const node({5000000}, u"one");
    TimeStampSequenceType::Init(&node, array);
    Owned<TimeStamp> made {array};
    ASSERT_EQ(array.size(), 1u);
    EXPECT_NE(array[0], &previousA);
    EXPECT_EQ(array[0]->GetUTime(), 5000000u);
    EXPECT_EQ(previousA.GetUTime(), 1000000u);
    EXPECT_EQ(previousB.GetUTime(), 2000000u);

    TimeDuration oldDuration(7);
    std::vector<TimeDuration*> durations {&oldDuration};
    TimeDurationSequenceType const durationNode({1, 2}, u"two");
    TimeDurationSequenceType::Init(&durationNode, durations);
    Owned<TimeDuration> ownedDurations {durations};
    ASSERT_EQ(durations.size(), 2u);
    EXPECT_EQ(durations[0]->GetMicroSeconds(), 1u);
    EXPECT_EQ(durations[1]->GetMicroSeconds(), 2u);
    EXPECT_EQ(oldDuration.GetMicroSeconds(), 7u);
}

TEST(TimeSequenceConversions, AnUnconvertibleNumberPassesThroughAndKeepsTheEarlierObjects)
{
    ScopedTimeZone zone(kUtc);
    TimeStampSequenceType const node({0, 1000000, 32535216000000000u, 3000000}, u"bad");
    Owned<TimeStamp> out;
    EXPECT_EQ(ThrownText([&] { TimeStampSequenceType::Init(&node, out.pointers); }), kSetUTimeFailure);
    ASSERT_EQ(out.pointers.size(), 2u);
    EXPECT_EQ(out.pointers[0]->GetUTime(), 0u);
    EXPECT_EQ(out.pointers[1]->GetUTime(), 1000000u);
    EXPECT_EQ(node.Size(), 4u);
}

} // namespace
} // namespace Tarnwick::Tests
