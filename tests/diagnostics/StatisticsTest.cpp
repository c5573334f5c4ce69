#include "diagnostics/Statistics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>

using Tarnwick::Diagnostics::Detail::Statistics;

namespace {

constexpr std::uint32_t kMaxStored = std::numeric_limits<std::uint32_t>::max();

TEST(StatisticsTest, DurationsOf2To32MicrosecondsOrMoreSaturate)
{
    struct Case {
        std::initializer_list<std::uint64_t> samples;
        std::uint32_t min;
        std::uint32_t max;
    };
    Case const cases[] = {
        {{1ULL << 32}, kMaxStored, kMaxStored},
        {{10, (1ULL << 32) + 7}, 10, kMaxStored}, // low 32 bits would be 7, below the minimum
        {{(1ULL << 40), 5}, 5, kMaxStored},
        {{kMaxStored}, kMaxStored, kMaxStored},
        {{std::numeric_limits<std::uint64_t>::max(), 3}, 3, kMaxStored},
    };
    for (Case const& c : cases) {
        Statistics statistics;
        double sum = 0;
        for (std::uint64_t const sample : c.samples) {
            statistics.Fold(sample);
            sum += static_cast<double>(sample);
        }
        EXPECT_EQ(statistics.GetMin(), c.min);
        EXPECT_EQ(statistics.GetMax(), c.max);
        EXPECT_LE(statistics.GetMin(), statistics.GetMax());
        // The mean uses the full samples.
        EXPECT_DOUBLE_EQ(statistics.GetAverage(), sum / static_cast<double>(c.samples.size()));
    }
}

TEST(StatisticsTest, FirstSampleAfterResetIsTheMinimumWhateverItsSize)
{
    Statistics statistics;
    statistics.Fold(5);
    statistics.Reset();
    EXPECT_EQ(statistics.GetMin(), Statistics::kInitialMin);
    statistics.Fold(1500000000);
    EXPECT_EQ(statistics.GetMin(), 1500000000u);
    statistics.Fold(1200000000);
    EXPECT_EQ(statistics.GetMin(), 1200000000u);
    statistics.Fold(1300000000);
    EXPECT_EQ(statistics.GetMin(), 1200000000u);
    EXPECT_EQ(statistics.GetMax(), 1500000000u);
}

} // namespace
