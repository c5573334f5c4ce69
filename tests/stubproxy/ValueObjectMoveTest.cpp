// Moves and clones of the value objects: the text is taken over without a
// copy, the names follow the rule of each class's copies, and Clone() answers
// the object's own class.

#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/stubproxy/AnyType.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/UserParametersErrorString.h>
#include <tarnwick/stubproxy/UserParametersSubscribeEvent.h>
#include <tarnwick/stubproxy/XmlValue.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

using namespace Tarnwick::DataTypes;
using Tarnwick::StubProxy::UserParameters;
using Tarnwick::StubProxy::UserParametersErrorString;
using Tarnwick::StubProxy::UserParametersSubscribeEvent;

namespace {

template <class... Object>
constexpr bool kClonesOwnClass
    = (std::is_same_v<decltype(std::declval<Object const&>().Clone()), std::unique_ptr<Object>> && ...);
static_assert(kClonesOwnClass<UserParameters, AnyType, TimeStamp, TimeDuration, XmlValue, UserParametersErrorString,
    UserParametersSubscribeEvent>);

template <class... Object>
constexpr bool kMovesWithoutThrowing
    = ((std::is_nothrow_move_constructible_v<Object> && std::is_nothrow_move_assignable_v<Object>)&&...);
static_assert(kMovesWithoutThrowing<AnyType, TimeStamp, TimeDuration, XmlValue, UserParametersErrorString,
    UserParametersSubscribeEvent>);

// Long enough for the text to live in an allocation of its own.
std::u16string const kLongText(64, u'<');

TEST(ValueObjectMoveTest, XmlValueTakesTheTextOverAndAssignmentKeepsTheNames)
{
    XmlValue source;
    source.SetParamName(u"fragment");
    source.SetString(kLongText);
    XmlValue moved(std::move(source));
    EXPECT_EQ(moved.AsString(), kLongText);
    EXPECT_EQ(moved.GetParamName(), u"fragment");
    EXPECT_EQ(source.AsString(), u"");
    EXPECT_EQ(source.GetParamName(), u"");

    XmlValue target;
    target.SetParamName(u"target");
    target = std::move(moved);
    EXPECT_EQ(target.AsString(), kLongText);
    EXPECT_EQ(target.GetParamName(), u"target"); // as the copy assignment: the text only
    EXPECT_EQ(moved.AsString(), u"");
    EXPECT_EQ(moved.GetParamName(), u"fragment");
}

TEST(ValueObjectMoveTest, TimeObjectsMoveAsTheyCopy)
{
    TimeStamp stamp(2024, 3, 7, 9, 5, 2, 42);
    stamp.SetParamName(u"when");
    TimeStamp target;
    target.SetParamName(u"target");
    target = std::move(stamp);
    EXPECT_EQ(target.Serialize(), u"09:05:02.000042 3/7/2024");
    EXPECT_EQ(target.GetParamName(), u"target");
    TimeStamp constructed(std::move(target));
    EXPECT_EQ(constructed.Serialize(), u"09:05:02.000042 3/7/2024");
    EXPECT_EQ(constructed.GetParamName(), u"target");

    TimeDuration duration(1, 2, 3, 4, 5);
    TimeDuration moved(std::move(duration));
    std::u16string text;
    moved.Serialize(text);
    EXPECT_EQ(text, u"01:02:03:04.000005");
}

TEST(ValueObjectMoveTest, MessagePayloadsTakeNameAndValueOver)
{
    UserParametersErrorString error(kLongText);
    error.SetParamName(u"failure");
    UserParametersErrorString target(UserParametersErrorString::SESSIONS_ERROR);
    target = std::move(error);
    EXPECT_EQ(target.GetError(), kLongText);
    EXPECT_EQ(target.GetParamName(), u"failure");
    EXPECT_EQ(error.GetError(), u"");

    UserParametersSubscribeEvent subscribe(false);
    UserParametersSubscribeEvent moved(std::move(subscribe));
    EXPECT_FALSE(moved.GetSubscribe());
    EXPECT_EQ(moved.GetParamName(), UserParametersSubscribeEvent::m_TypeName);
}

TEST(ValueObjectCloneTest, AnswersTheObjectsOwnClassThroughEveryStaticType)
{
    AnyType any = std::int16_t(-5);
    std::unique_ptr<AnyType> const clone = any.Clone();
    EXPECT_EQ(static_cast<int>(*clone), -5);
    EXPECT_NE(clone->GetServiceType(), any.GetServiceType()); // deep

    UserParameters const& base = any;
    std::unique_ptr<UserParameters> const viaBase = base.Clone();
    EXPECT_EQ(typeid(*viaBase), typeid(AnyType));

    UserParametersErrorString const error(u"broken");
    EXPECT_EQ(error.Clone()->GetError(), u"broken");
}

TEST(ValueObjectOwningTest, AnyTypeSetServiceTypeOfAnOwningPointer)
{
    AnyType any;
    any.SetServiceType(std::make_unique<ScalarType<std::int32_t>>(7, u"seven"));
    EXPECT_EQ(any.GetType(), INT32);
    EXPECT_EQ(static_cast<int>(any), 7);
    ServiceType* const held = any.GetServiceType();
    any.SetServiceType(std::unique_ptr<ServiceType>(held)); // owned once: nothing changes
    EXPECT_EQ(any.GetServiceType(), held);
    any.SetServiceType(std::unique_ptr<ServiceType>());
    EXPECT_EQ(any.GetType(), NULL_TYPE);
}

} // namespace
