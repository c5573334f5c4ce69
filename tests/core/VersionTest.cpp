#include <tarnwick/tarnwick.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using Tarnwick::Version;

// The project's version as CMake knows it, handed to this test directly, so that
// a header generated from anything else (or left stale) fails here.
TEST(VersionTest, HeaderCarriesTheProjectVersion)
{
    std::string const expected = TARNWICK_TEST_PROJECT_VERSION;
    EXPECT_EQ(TARNWICK_VERSION_STRING, expected);
    EXPECT_EQ(std::to_string(TARNWICK_VERSION_MAJOR) + '.' + std::to_string(TARNWICK_VERSION_MINOR) + '.'
            + std::to_string(TARNWICK_VERSION_PATCH),
        expected);
    EXPECT_EQ(
        Tarnwick::kHeaderVersion, (Version {TARNWICK_VERSION_MAJOR, TARNWICK_VERSION_MINOR, TARNWICK_VERSION_PATCH}));
}

TEST(VersionTest, LibraryAnswersTheVersionItWasBuiltWith)
{
    EXPECT_EQ(Tarnwick::LibraryVersion(), Tarnwick::kHeaderVersion);
    EXPECT_STREQ(Tarnwick::LibraryVersionString(), TARNWICK_VERSION_STRING);
}

TEST(VersionTest, OrdersByMajorThenMinorThenPatch)
{
    struct Row {
        Version lower;
        Version higher;
    };
    Row const rows[] = {
        {{0, 9, 9}, {1, 0, 0}},
        {{1, 0, 9}, {1, 1, 0}},
        {{1, 1, 0}, {1, 1, 1}},
        {{1, 99, 99}, {2, 0, 0}},
    };
    for (auto const& row : rows) {
        EXPECT_LT(row.lower, row.higher);
        EXPECT_GT(row.higher, row.lower);
        EXPECT_NE(row.lower, row.higher);
    }
    EXPECT_EQ((Version {1, 2, 3}), (Version {1, 2, 3}));
}

} // namespace
