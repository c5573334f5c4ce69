#include <tarnwick/core/ServiceException.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using Tarnwick::ServiceException;

namespace {

TEST(ServiceException, ToStringLine)
{
    ServiceException const e(u"Unsupported type", "Tarnwick::DataTypes::ServiceType", 124);
    EXPECT_EQ(e.ToString(), u"Exception: Tarnwick::DataTypes::ServiceType line 124 - Unsupported type");
    EXPECT_STREQ(e.what(), "Unsupported type");

    EXPECT_EQ(ServiceException(u"m", u"S", -5).ToString(), u"Exception: S line -5 - m");
    EXPECT_EQ(ServiceException(u"m", u"S", 0).ToString(), u"Exception: S line 0 - m");
    EXPECT_EQ(ServiceException(u"", u"S", 1).ToString(), u"Exception: S line 1 - ");
    // A narrow source is widened byte for byte.
    EXPECT_EQ(ServiceException(u"m", "Tarnwick::Encoding::XmlEncoder", 7).ToString(),
        u"Exception: Tarnwick::Encoding::XmlEncoder line 7 - m");
    EXPECT_EQ(ServiceException(u"m", "\xB1", 1).ToString(), u"Exception: \uFFB1 line 1 - m");
}

TEST(ServiceException, NarrowMessageKeepsOneCharacterPerUnit)
{
    ServiceException const e(u"x\u03b1y", u"S", 1);
    std::string const what = e.what();
    ASSERT_EQ(what.size(), 3u);
    EXPECT_EQ(static_cast<unsigned char>(what[1]), 0xB1);
}

TEST(ServiceException, CopiesOwnTheirText)
{
    auto original = std::make_unique<ServiceException>(u"first", u"S", 1);
    ServiceException copy(*original);
    ServiceException assigned(u"other", u"T", 2);
    assigned = *original;
    EXPECT_NE(copy.what(), original->what());
    original.reset();
    EXPECT_STREQ(copy.what(), "first");
    EXPECT_STREQ(assigned.what(), "first");
    EXPECT_EQ(assigned.ToString(), u"Exception: S line 1 - first");
}

TEST(ServiceException, CaughtAsStandardException)
{
    try {
        throw ServiceException(u"boom", u"S", 3);
    } catch (std::exception const& e) {
        EXPECT_STREQ(e.what(), "boom");
    }
}

} // namespace
