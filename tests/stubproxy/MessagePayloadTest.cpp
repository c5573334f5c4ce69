// The two message payloads: the error string with its predefined texts and the
// subscribe event, their trees, naming rules, and trees of the wrong shape.

#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/stubproxy/UserParametersErrorString.h>
#include <tarnwick/stubproxy/UserParametersSubscribeEvent.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <typeinfo>

namespace Tarnwick::Tests {
namespace {

using DataTypes::CompositeType;
using DataTypes::ScalarType;
using DataTypes::ServiceType;
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

TEST(ErrorString, StoreToBuildsACompositeWithOneErrorStringChild)
{
    UserParametersErrorString error(UserParametersErrorString::SESSIONS_ERROR);
    error.SetParamName(u"other");
    std::unique_ptr<ServiceType> tree(error.StoreTo(u"Reason"));
    ASSERT_EQ(DynamicClass(*tree), typeid(CompositeType));
    EXPECT_EQ(tree->GetParamName(), u"Reason");
    auto const& composite = dynamic_cast<CompositeType const&>(*tree);
    ASSERT_EQ(composite.Size(), 1U);
    ServiceType const* const child = *composite.BeginIterator();
    ASSERT_EQ(DynamicClass(*child), typeid(ScalarType<std::u16string>));
    EXPECT_EQ(child->GetParamName(), u"ErrorString");
    EXPECT_EQ(dynamic_cast<ScalarType<std::u16string> const&>(*child).GetValue(), u"Sessions error.");

    std::unique_ptr<ServiceType> unnamed(error.StoreTo(nullptr));
    EXPECT_EQ(unnamed->GetParamName(), u"UserParametersErrorString");
}

TEST(ErrorString, ARoundTripRestoresTheTextAndKeepsTheReceiversName)
{
    for (char16_t const* text : {u"Sessions error.", u"", u"any \u00e9 text"}) {
        UserParametersErrorString source(text);
        std::unique_ptr<ServiceType> tree(source.StoreTo(u"root"));
        UserParametersErrorString target;
        target.SetParamName(u"receiver");
        target.InitFrom(tree.get());
        EXPECT_EQ(target.GetError(), text);
        EXPECT_EQ(target.GetParamName(), u"receiver");
    }
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

TEST(ErrorString, CopiesAndAssignmentCarryNameAndText)
{
    UserParametersErrorString source(u"text");
    auto const clone = ExpectCopies(source, UserParametersErrorString(u"old"), true,
        [](UserParametersErrorString const& error) { EXPECT_EQ(error.GetError(), u"text"); });
    ASSERT_NE(clone, nullptr);
    source.SetError(u"changed");
    EXPECT_EQ(clone->GetError(), u"text");
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

TEST(SubscribeEvent, StoreToAndRoundTrip)
{
    for (bool const flag : {true, false}) {
        UserParametersSubscribeEvent source(flag);
        source.SetParamName(u"own");
        std::unique_ptr<ServiceType> tree(source.StoreTo(nullptr));
        ASSERT_EQ(DynamicClass(*tree), typeid(CompositeType));
        EXPECT_EQ(tree->GetParamName(), u"UserParametersSubscribeEvent");
        auto const& composite = dynamic_cast<CompositeType const&>(*tree);
        ASSERT_EQ(composite.Size(), 1U);
        ServiceType const* const child = *composite.BeginIterator();
        ASSERT_EQ(DynamicClass(*child), typeid(ScalarType<bool>));
        EXPECT_EQ(child->GetParamName(), u"Subscribe");
        EXPECT_EQ(dynamic_cast<ScalarType<bool> const&>(*child).GetValue(), flag);

        UserParametersSubscribeEvent target(!flag);
        target.SetParamName(u"receiver");
        target.InitFrom(tree.get());
        EXPECT_EQ(target.GetSubscribe(), flag);
        EXPECT_EQ(target.GetParamName(), u"receiver");
    }
    UserParametersSubscribeEvent named;
    std::unique_ptr<ServiceType> tree(named.StoreTo(u"Request"));
    EXPECT_EQ(tree->GetParamName(), u"Request");
}

TEST(SubscribeEvent, CopiesAndAssignmentCarryNameAndFlag)
{
    UserParametersSubscribeEvent source(false);
    ExpectCopies(source, UserParametersSubscribeEvent(), true,
        [](UserParametersSubscribeEvent const& event) { EXPECT_FALSE(event.GetSubscribe()); });
}

// Trees of the wrong shape: refused with the class name, the object unchanged.
struct IllShaped {
    char const* label;
    std::function<ServiceType*()> make;
};

ServiceType* CompositeWith(ServiceType* child)
{
    auto* composite = new CompositeType(u"root");
    composite->Add(child);
    return composite;
}

IllShaped const kIllShaped[] = {
    {"null", []() -> ServiceType* { return nullptr; }},
    {"scalar root", [] { return new ScalarType<std::u16string>(u"text", u"ErrorString"); }},
    {"childless composite", [] { return new CompositeType(u"root"); }},
    {"int child", [] { return CompositeWith(new ScalarType<std::int32_t>(1, u"x")); }},
    {"xml child", [] { return CompositeWith(new DataTypes::XmlString(u"<x/>", u"ErrorString")); }},
    {"composite child", [] { return CompositeWith(new CompositeType(u"inner")); }},
    {"null child",
        [] {
            auto* composite = CompositeWith(new ScalarType<bool>(true, u"x"));
            auto& root = dynamic_cast<CompositeType&>(*composite);
            delete *root.BeginIterator();
            *root.BeginIterator() = nullptr;
            return composite;
        }},
};

// `payload` refuses `tree` with `error` and reads as before.
template <class Payload, class Read>
void ExpectRefused(Payload payload, ServiceType* tree, char16_t const* error, Read read, char const* label)
{
    auto const before = read(payload);
    EXPECT_EQ(Outcome([&] {
        payload.InitFrom(tree);
        return std::u16string(u"accepted");
    }),
        error)
        << label;
    EXPECT_EQ(read(payload), before) << label;
}

TEST(ErrorString, InitFromOfAnIllShapedTreeRaisesAndKeepsTheText)
{
    char16_t const* const error
        = u"Exception: Tarnwick::StubProxy::UserParametersErrorString line 83 - Unsupported service type";
    auto const text = [](UserParametersErrorString const& payload) { return payload.GetError(); };
    for (IllShaped const& shape : kIllShaped) {
        std::unique_ptr<ServiceType> tree(shape.make());
        ExpectRefused(UserParametersErrorString(u"kept"), tree.get(), error, text, shape.label);
    }
    // A boolean first child is the other payload's shape.
    std::unique_ptr<ServiceType> subscribe(UserParametersSubscribeEvent().StoreTo(nullptr));
    ExpectRefused(UserParametersErrorString(u"kept"), subscribe.get(), error, text, "subscribe event");
}

TEST(SubscribeEvent, InitFromOfAnIllShapedTreeRaisesAndKeepsTheFlag)
{
    char16_t const* const error
        = u"Exception: Tarnwick::StubProxy::UserParametersSubscribeEvent line 59 - Unsupported service type";
    auto const flag = [](UserParametersSubscribeEvent const& payload) { return payload.GetSubscribe(); };
    for (IllShaped const& shape : kIllShaped) {
        std::unique_ptr<ServiceType> tree(shape.make());
        ExpectRefused(UserParametersSubscribeEvent(false), tree.get(), error, flag, shape.label);
    }
    // A string first child is the other payload's shape.
    std::unique_ptr<ServiceType> errorTree(UserParametersErrorString().StoreTo(nullptr));
    ExpectRefused(UserParametersSubscribeEvent(false), errorTree.get(), error, flag, "error string");
}

} // namespace
} // namespace Tarnwick::Tests
