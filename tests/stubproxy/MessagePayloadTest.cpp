// The two message payloads: the error string with its predefined texts and the
// subscribe event (their trees, naming rules and trees of the wrong shape are
// rows of the conformance table).

#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/stubproxy/UserParametersErrorString.h>
#include <tarnwick/stubproxy/UserParametersSubscribeEvent.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace Tarnwick::Tests {
namespace {

using DataTypes::CompositeType;
using DataTypes::ScalarType;
using StubProxy::UserParametersErrorString;
using StubProxy::UserParametersSubscribeEvent;
using Errors = UserParametersErrorString::tPredefinedErrors;

static_assert(std::is_same_v<std::underlying_type_t<Errors>, std::int32_t>);
static_assert(UserParametersErrorString::NON_EXISTING_OPERATION == 1 && UserParametersErrorString::SESSIONS_ERROR == 4);
// The type names are set when the library is loaded, before the static objects
// of its callers are built.

// A static object of another translation unit's kind, built before main.
UserParametersErrorString const g_StaticError;
UserParametersSubscribeEvent const g_StaticSubscribe;

TEST(MessagePayload, ObjectsBuiltDuringStaticInitialisationAlreadyCarryTheTypeNames)
{
    EXPECT_EQ(g_StaticError.GetParamName(), u"UserParametersErrorString");
    EXPECT_EQ(g_StaticSubscribe.GetParamName(), u"UserParametersSubscribeEvent");
    // Compared by content, like any wide string, and zero-terminated.
    EXPECT_EQ(UserParametersErrorString::m_TypeName, u"UserParametersErrorString");
    EXPECT_EQ(std::u16string(UserParametersSubscribeEvent::m_TypeName.data()), u"UserParametersSubscribeEvent");
}

struct PredefinedCase {
    std::int32_t value;
    char16_t const* text;
};

class ErrorStringPredefined : public ::testing::TestWithParam<PredefinedCase> { };

TEST_P(ErrorStringPredefined, SetErrorAndTheConstructorStoreTheTextOfTheValue)
{
    PredefinedCase const& c = GetParam();
    auto const error = static_cast<Errors>(c.value);
    UserParametersErrorString fromConstructor(error);
    EXPECT_EQ(fromConstructor.GetError(), c.text);
    EXPECT_EQ(fromConstructor.GetParamName(), u"UserParametersErrorString");
    UserParametersErrorString set(u"previous");
    set.SetError(error);
    EXPECT_EQ(set.GetError(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Table, ErrorStringPredefined,
    ::testing::Values(PredefinedCase {1, u"Non existing operation was called."},
        PredefinedCase {2, u"No response data sent."}, PredefinedCase {3, u"Wrong operation parameters type received."},
        PredefinedCase {4, u"Sessions error."}, PredefinedCase {0, u"Error not set."},
        PredefinedCase {5, u"Error not set."}, PredefinedCase {-1, u"Error not set."},
        PredefinedCase {std::numeric_limits<std::int32_t>::max(), u"Error not set."},
        PredefinedCase {std::numeric_limits<std::int32_t>::min(), u"Error not set."}));

TEST(ErrorString, ConstructorsSetTheTypeNameAsParameterName)
{
    UserParametersErrorString const plain;
    EXPECT_EQ(plain.GetParamName(), u"UserParametersErrorString");
    EXPECT_EQ(plain.GetError(), u"Error not set.");
    UserParametersErrorString const text(u"Disk full.");
    EXPECT_EQ(text.GetParamName(), u"UserParametersErrorString");
    EXPECT_EQ(text.GetError(), u"Disk full.");
    UserParametersErrorString empty(u"x");
    empty.SetError(std::u16string());
    EXPECT_EQ(empty.GetError(), u"");
}

TEST(ErrorString, InitFromReadsTheFirstChildWhateverTheNames)
{
    CompositeType tree(u"whatever");
    tree.Add(new ScalarType<std::u16string>(u"first", u"not ErrorString"));
    tree.Add(new ScalarType<std::u16string>(u"second", u"ErrorString"));
    UserParametersErrorString error;
    error.InitFrom(&tree);
    EXPECT_EQ(error.GetError(), u"first");
}

TEST(SubscribeEvent, ConstructorsAndFlag)
{
    UserParametersSubscribeEvent plain;
    EXPECT_EQ(plain.GetParamName(), u"UserParametersSubscribeEvent");
    EXPECT_TRUE(plain.GetSubscribe());
    UserParametersSubscribeEvent const off(false);
    EXPECT_EQ(off.GetParamName(), u"UserParametersSubscribeEvent");
    EXPECT_FALSE(off.GetSubscribe());
    plain.SetSubscribe(false);
    EXPECT_FALSE(plain.GetSubscribe());
}

} // namespace
} // namespace Tarnwick::Tests
