// The conformance table's rows for the library's value objects (the record's
// row is with the record tests).

#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/stubproxy/AnyType.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/UserParametersErrorString.h>
#include <tarnwick/stubproxy/UserParametersSubscribeEvent.h>
#include <tarnwick/stubproxy/XmlValue.h>

#include "stubproxy/ValueObjectConformance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Tarnwick::Tests {

using namespace DataTypes;
using StubProxy::UserParameters;
using StubProxy::UserParametersErrorString;
using StubProxy::UserParametersSubscribeEvent;

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

ServiceType* CompositeWith(ServiceType* child)
{
    auto* composite = new CompositeType(u"root");
    composite->Add(child);
    return composite;
}

/// Trees of the wrong shape for the message payloads (a composite with one
/// scalar child of their own kind), the last the payload `Other`'s.
template <class Other> std::vector<WrongTree> IllShapedPayloads()
{
    return {{"scalar root", [] { return new ScalarType<std::u16string>(u"text", u"ErrorString"); }},
        {"childless composite", [] { return new CompositeType(u"root"); }},
        {"int child", [] { return CompositeWith(new ScalarType<std::int32_t>(1, u"x")); }},
        {"xml child", [] { return CompositeWith(new XmlString(u"<x/>", u"ErrorString")); }},
        {"composite child", [] { return CompositeWith(new CompositeType(u"inner")); }},
        {"null child",
            [] {
                auto* composite = CompositeWith(new ScalarType<bool>(true, u"x"));
                auto& root = dynamic_cast<CompositeType&>(*composite);
                delete *root.BeginIterator();
                *root.BeginIterator() = nullptr;
                return composite;
            }},
        {"the other payload", [] { return Other().StoreTo(nullptr); }}};
}

/// The one child of a payload's tree: its class, name and value.
template <class Scalar> void ExpectOnlyChild(ServiceType const& tree, char16_t const* name, Scalar const& value)
{
    ASSERT_EQ(DynamicClass(tree), typeid(CompositeType));
    auto const& composite = dynamic_cast<CompositeType const&>(tree);
    ASSERT_EQ(composite.Size(), 1U);
    ServiceType const* const child = *composite.BeginIterator();
    ASSERT_EQ(DynamicClass(*child), typeid(ScalarType<Scalar>));
    EXPECT_EQ(child->GetParamName(), name);
    EXPECT_EQ(dynamic_cast<ScalarType<Scalar> const&>(*child).GetValue(), value);
}

} // namespace

template <> struct Conformance<XmlValue> : ConformanceDefaults<XmlValue> {
    static constexpr ParamType kCode = XML_STRING;
    static constexpr char16_t const* kRefusal
        = u"Exception: Tarnwick::DataTypes::XmlValue line 63 - Unsupported service type";
    static std::optional<std::u16string> DefaultValue() { return u""; }
    static std::optional<std::u16string> MovedFromValue() { return u""; }
    static std::vector<XmlValue> Sources()
    {
        std::vector<XmlValue> sources(9);
        std::u16string const texts[] = {u"<s/>", kLongText, u"kept", u"<x/>", u"", u"<a>&amp;</a>", u"<unclosed",
            u"& < > \" '", u"plain text \u03b1\U0001F600"};
        for (std::size_t i = 0; i < sources.size(); ++i) {
            sources[i].SetString(texts[i]);
            EXPECT_EQ(sources[i].AsString(), texts[i]); // any text, unchanged
        }
        return sources;
    }
    static std::u16string Value(XmlValue const& value) { return value.AsString(); }
    static void Change(XmlValue& value) { value.SetString(u"<changed/>"); }
    static void ExpectNode(ServiceType const& tree, XmlValue const& value, std::u16string const&)
    {
        ASSERT_EQ(DynamicClass(tree), typeid(XmlString));
        EXPECT_EQ(dynamic_cast<XmlString const&>(tree).GetValue(), value.AsString());
    }
    static std::vector<WrongTree> WrongTrees()
    {
        return {{"plain text", [] { return new ScalarType<std::u16string>(u"<a/>", u"s"); }}};
    }
};

template <> struct Conformance<TimeStamp> : ConformanceDefaults<TimeStamp> {
    static constexpr ParamType kCode = TIME_STAMP;
    static constexpr char16_t const* kRefusal
        = u"Exception: Tarnwick::DataTypes::TimeStamp line 209 - Unsupported service type";
    static std::optional<std::u16string> DefaultValue() { return u"00:00:00.000000 0/0/0"; }
    static std::vector<TimeStamp> Sources()
    {
        return {TimeStamp(2024, 3, 7, 9, 5, 2, 42), TimeStamp(2024, 7, 1, 14, 0, 0, 42)};
    }
    static TimeStamp Target() { return TimeStamp(1, 1, 1, 1, 1, 1, 1); }
    // Every field, as it is.
    static std::u16string Value(TimeStamp const& stamp) { return stamp.Serialize(); }
    static void Change(TimeStamp& stamp) { stamp.SetYear(1999); }
    static void ExpectNode(ServiceType const& tree, TimeStamp const& stamp, std::u16string const&)
    {
        ASSERT_EQ(DynamicClass(tree), typeid(TimeStampServiceType));
        EXPECT_EQ(dynamic_cast<TimeStampServiceType const&>(tree).GetValue(), stamp.GetUTime());
    }
    static std::vector<WrongTree> WrongTrees()
    {
        // One microsecond after 3000-12-31 23:59:59.999999 UTC, the last UTime SetUTime accepts.
        static constexpr std::uint64_t beyond = 32535215999999999 + 1;
        return {{"duration", [] { return new TimeDurationServiceType(5, u"duration"); }},
            {"plain", [] { return new ScalarType<std::uint64_t>(5, u"plain"); }},
            {"beyond the range", [] { return new TimeStampServiceType(beyond, u"beyond"); }, kSetUTimeFailure}};
    }
};

template <> struct Conformance<TimeDuration> : ConformanceDefaults<TimeDuration> {
    static constexpr ParamType kCode = TIME_DURATION;
    static constexpr char16_t const* kRefusal
        = u"Exception: Tarnwick::DataTypes::TimeDuration line 147 - Unsupported service type";
    static std::optional<std::u16string> DefaultValue() { return u"00:00:00:00.000000"; }
    // Normalised: InitFrom reads a tree's duration back normalised.
    static std::vector<TimeDuration> Sources() { return {TimeDuration(1, 2, 3, 4, 5)}; }
    static TimeDuration Target() { return TimeDuration(9, 9, 9, 9, 9); }
    // Every field, as it is.
    static std::u16string Value(TimeDuration const& duration) { return Render(duration); }
    static void Change(TimeDuration& duration) { duration.SetDays(7); }
    static void ExpectNode(ServiceType const& tree, TimeDuration const& duration, std::u16string const&)
    {
        ASSERT_EQ(DynamicClass(tree), typeid(TimeDurationServiceType));
        EXPECT_EQ(dynamic_cast<TimeDurationServiceType const&>(tree).GetValue(), duration.GetUTime());
    }
    static std::vector<WrongTree> WrongTrees()
    {
        return {{"stamp", [] { return new TimeStampServiceType(5, u"stamp"); }},
            {"plain", [] { return new ScalarType<std::uint64_t>(5, u"plain"); }}};
    }
};

/// A string literal as a template argument.
template <std::size_t N> struct Literal {
    char16_t text[N];
    constexpr Literal(char16_t const (&literal)[N]) { std::copy_n(literal, N, text); }
};

// The payloads: the type name is the default name and the unnamed node's, an
// assignment takes the source's name, a tree of another shape is refused at the
// class's line `Line`, and a first child of the other payload's kind is the other
// payload's shape.
template <class T, Literal Name, int Line, class Other> struct PayloadConformance : ConformanceDefaults<T> {
    static constexpr bool kAssignmentTakesTheName = true;
    static constexpr char16_t const* kDefaultName = Name.text;
    static constexpr char16_t const* kUnnamedNodeName = Name.text;
    static constexpr ParamType kCode = COMPOSITE;
    static inline std::u16string const kRefusal = u"Exception: Tarnwick::StubProxy::" + std::u16string(Name.text)
        + u" line " + Render(Line) + u" - Unsupported service type";
    static std::vector<WrongTree> WrongTrees() { return IllShapedPayloads<Other>(); }
};

template <>
struct Conformance<UserParametersErrorString>
    : PayloadConformance<UserParametersErrorString, u"UserParametersErrorString", 83, UserParametersSubscribeEvent> {
    static std::optional<std::u16string> DefaultValue() { return u"Error not set."; }
    static std::optional<std::u16string> MovedFromValue() { return u""; }
    static std::vector<UserParametersErrorString> Sources()
    {
        std::vector<UserParametersErrorString> sources {
            UserParametersErrorString(UserParametersErrorString::SESSIONS_ERROR)};
        for (std::u16string const text : {u"text", kLongText.c_str(), u"kept", u"", u"any \u00e9 text"}) {
            EXPECT_EQ(sources.emplace_back(text).GetError(), text);
        }
        return sources;
    }
    static UserParametersErrorString Target() { return UserParametersErrorString(u"old"); }
    static std::u16string Value(UserParametersErrorString const& error) { return error.GetError(); }
    static void Change(UserParametersErrorString& error) { error.SetError(u"changed"); }
    static void ExpectNode(ServiceType const& tree, UserParametersErrorString const& error, std::u16string const&)
    {
        ExpectOnlyChild(tree, u"ErrorString", error.GetError());
    }
};

template <>
struct Conformance<UserParametersSubscribeEvent>
    : PayloadConformance<UserParametersSubscribeEvent, u"UserParametersSubscribeEvent", 59, UserParametersErrorString> {
    static std::optional<std::u16string> DefaultValue() { return u"true"; }
    static std::vector<UserParametersSubscribeEvent> Sources()
    {
        return {UserParametersSubscribeEvent(false), UserParametersSubscribeEvent(true)};
    }
    static std::u16string Value(UserParametersSubscribeEvent const& event) { return Render(event.GetSubscribe()); }
    static void Change(UserParametersSubscribeEvent& event) { event.SetSubscribe(!event.GetSubscribe()); }
    static void ExpectNode(ServiceType const& tree, UserParametersSubscribeEvent const& event, std::u16string const&)
    {
        ExpectOnlyChild(tree, u"Subscribe", event.GetSubscribe());
    }
};

template <> struct Conformance<AnyType> : ConformanceDefaults<AnyType> {
    // A moved variant's node is taken over, its name copied.
    static constexpr bool kMoveEmptiesTheSourcesName = false;
    static constexpr ParamType kCode = ANY_TYPE;
    static inline std::u16string const kRefusal = AnyTypeError(1013, u"Unsupported service type");
    static std::optional<std::u16string> DefaultValue() { return u"(empty)"; }
    static std::optional<std::u16string> MovedFromValue() { return u"(empty)"; }
    static std::vector<AnyType> Sources()
    {
        return {AnyType(std::int32_t {12}), AnyType(std::int16_t {-5}), AnyType(u"text"), AnyType()};
    }
    static AnyType Target() { return AnyType(2.5); }
    // The kind and the value (the node's own name is the variant's tests' concern).
    static std::u16string Value(AnyType const& any)
    {
        switch (any.GetType()) {
        case NULL_TYPE:
            return u"(empty)";
        case INT32:
        case INT16:
            return Render(static_cast<int>(any.GetType())) + u" " + Render(static_cast<std::int32_t>(any));
        case STRING:
            return u"string " + static_cast<std::u16string>(any);
        default:
            return u"double " + Render(static_cast<double>(any));
        }
    }
    static void Change(AnyType& any) { any = std::int32_t {99}; }
    static void const* Held(AnyType const& any) { return any.GetServiceType(); }
    static void ExpectNode(ServiceType const& tree, AnyType const& any, std::u16string const& name)
    {
        ASSERT_EQ(DynamicClass(tree), typeid(AnyTypeServiceType));
        ServiceType const* const inner = dynamic_cast<AnyTypeServiceType const&>(tree).GetValue();
        if (any.GetType() == NULL_TYPE) {
            EXPECT_EQ(inner, nullptr);
            return;
        }
        ASSERT_NE(inner, nullptr);
        EXPECT_EQ(inner->GetType(), any.GetType());
        // The inner copy is named after the wrapper.
        EXPECT_EQ(inner->GetParamName(), name);
    }
    static std::vector<WrongTree> WrongTrees()
    {
        return {{"scalar", [] { return new ScalarType<std::int32_t>(5, u"x"); }},
            {"composite", [] { return new CompositeType(u"x"); }},
            {"xml", [] { return new XmlString(u"<x/>", u"x"); }}};
    }
};

using ValueObjects = ::testing::Types<XmlValue, TimeStamp, TimeDuration, UserParametersErrorString,
    UserParametersSubscribeEvent, AnyType>;
INSTANTIATE_TYPED_TEST_SUITE_P(ValueObjects, ValueObjectConformance, ValueObjects);

} // namespace Tarnwick::Tests
