#include "diagnostics/CounterIndex.h"
#include "diagnostics/NumberCounter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace {

using Index = Tarnwick::Diagnostics::Detail::CounterIndex<Tarnwick::Diagnostics::NumberCounter>;

std::u16string Ascii(std::string const& text)
{
    return std::u16string(text.begin(), text.end());
}

// The nodes a lookup of each name walks, on average and at most, in the table
// the index holds for that many counters.
struct Probes {
    double average;
    std::size_t most;
};

Probes CountProbes(std::vector<std::u16string> const& names)
{
    std::size_t buckets = Index::kInitialBuckets;
    while (names.size() > buckets * Index::kMaxLoad) {
        buckets *= Index::kGrowth;
    }
    std::vector<std::size_t> chains(buckets);
    std::size_t total = 0;
    for (auto const& name : names) {
        // A name added later is found further along its chain.
        total += ++chains[Index::Hash(name) & (buckets - 1)];
    }
    return {static_cast<double>(total) / static_cast<double>(names.size()),
        *std::max_element(chains.begin(), chains.end())};
}

// With a sound hash a lookup walks 1 + load / 2 nodes on average, however
// alike the names are; sequential names once averaged 4 to 5 (chains of 36).
TEST(CounterIndexTest, SequentialAndRandomNamesSpreadLikeRandomOnes)
{
    std::mt19937 random(7);
    for (std::size_t const count : {1000u, 2000u, 10000u, 30000u}) {
        std::vector<std::vector<std::u16string>> shapes(5);
        for (std::size_t i = 0; i < count; ++i) {
            shapes[0].push_back(Ascii("counter" + std::to_string(i)));
            shapes[1].push_back(Ascii("requests.accepted." + std::to_string(i) + ".ms"));
            shapes[2].push_back(Ascii(std::to_string(i)));
            shapes[3].push_back(Ascii("service/" + std::to_string(i % 97) + "/queue" + std::to_string(i / 97)));
            std::string name;
            for (std::size_t length = 1 + random() % 24; length > 0; --length) {
                name += static_cast<char>('a' + random() % 26);
            }
            shapes[4].push_back(Ascii(name + std::to_string(i)));
        }
        std::size_t buckets = Index::kInitialBuckets;
        while (count > buckets * Index::kMaxLoad) {
            buckets *= Index::kGrowth;
        }
        double const expected = 1.0 + static_cast<double>(count) / static_cast<double>(buckets) / 2.0;
        for (std::size_t shape = 0; shape < shapes.size(); ++shape) {
            Probes const probes = CountProbes(shapes[shape]);
            EXPECT_LT(probes.average, expected * 1.1) << "shape " << shape << ", " << count << " names";
            EXPECT_LE(probes.most, 13u) << "shape " << shape << ", " << count << " names";
        }
    }
}

} // namespace
