#pragma once

// What every value object promises, written once as a typed test: default
// construction, the name rules of copies and moves (a copy takes the name, a
// move takes it and leaves the source's empty, an assignment keeps the
// target's unless the class says otherwise), Copy/Clone deep and owned by the
// caller, StoreTo and InitFrom round trips, and refusals of trees of the wrong
// kind with the exact text, the object unchanged. A test program specialises
// `Conformance<T>` for its objects and instantiates the suite for them, in one
// of its files.

#include <tarnwick/datatypes/ParamType.h>
#include <tarnwick/datatypes/ServiceType.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

namespace Tarnwick::Tests {

using DataTypes::ServiceType;
using StubProxy::UserParameters;

/// A tree InitFrom must refuse, and the text it raises when not the row's
/// `kRefusal` (no tree at all is refused with `kRefusal` by every row).
struct WrongTree {
    char const* label;
    std::function<ServiceType*()> make;
    std::u16string error = {};
};

/// One row per value object, a specialisation of `Conformance`.
/// Sources(): the values every check runs on. Value(): what the object holds,
/// as text, compared between objects. Change(): alters the value, to see that
/// copies and trees share nothing with it. ExpectNode(): the node StoreTo built
/// holds the value of the object given. Held(): the node an object owns, if
/// any, to see that copies are deep and refusals keep it. DefaultValue(): what a
/// default object holds, where the class documents it. kCode and kRefusal: the
/// node's type code and the text of a refusal; WrongTrees(): the trees InitFrom
/// refuses besides no tree. The name rules as constants (see the defaults).
template <class T> struct Conformance;

/// What most rows share: a default object with the empty name, an assignment
/// that keeps the target's name, a move that empties the source's, a node named
/// as StoreTo is told (empty for none), and no node of their own.
template <class T> struct ConformanceDefaults {
    static constexpr bool kAssignmentTakesTheName = false;
    static constexpr bool kMoveEmptiesTheSourcesName = true;
    static constexpr char16_t const* kDefaultName = u"";
    static constexpr char16_t const* kUnnamedNodeName = u"";
    static std::optional<std::u16string> DefaultValue() { return std::nullopt; }
    static std::optional<std::u16string> MovedFromValue() { return std::nullopt; }
    static T Target() { return T(); }
    static void const* Held(T const&) { return nullptr; }
};

template <class T> class ValueObjectConformance : public ::testing::Test {
protected:
    using Row = Conformance<T>;
    // No check depends on the machine's own zone.
    ScopedTimeZone m_Zone {kUtc};

    /// Each source, named "source", with a label for the messages.
    template <class Check> static void ForEachSource(Check check)
    {
        std::vector<T> sources = Row::Sources();
        for (std::size_t i = 0; i < sources.size(); ++i) {
            SCOPED_TRACE("source " + std::to_string(i));
            sources[i].SetParamName(u"source");
            check(sources[i]);
        }
    }
};

TYPED_TEST_SUITE_P(ValueObjectConformance);

TYPED_TEST_P(ValueObjectConformance, DefaultConstructionGivesTheClassesNameAndValue)
{
    using Row = Conformance<TypeParam>;
    TypeParam const object;
    EXPECT_EQ(object.GetParamName(), Row::kDefaultName);
    if (auto const value = Row::DefaultValue()) {
        EXPECT_EQ(Row::Value(object), *value);
    }
}

TYPED_TEST_P(ValueObjectConformance, CopiesTakeTheNameAssignmentsFollowTheClassAndCopyIsDeep)
{
    using Row = Conformance<TypeParam>;
    this->ForEachSource([](TypeParam& source) {
        std::u16string const value = Row::Value(source);
        auto const clone = ExpectCopies(source, Row::Target(), Row::kAssignmentTakesTheName,
            [&](TypeParam const& copy) { EXPECT_EQ(Row::Value(copy), value); });
        ASSERT_NE(clone, nullptr);
        if (Row::Held(source) != nullptr) {
            EXPECT_NE(Row::Held(*clone), Row::Held(source));
        }
        // Neither follows later changes of the other.
        Row::Change(*clone);
        EXPECT_EQ(Row::Value(source), value);
        std::u16string const cloneValue = Row::Value(*clone);
        Row::Change(source);
        EXPECT_EQ(Row::Value(*clone), cloneValue);
    });
}

TYPED_TEST_P(ValueObjectConformance, CloneAnswersTheObjectsOwnClassThroughEveryStaticType)
{
    using Row = Conformance<TypeParam>;
    this->ForEachSource([](TypeParam& source) {
        std::unique_ptr<TypeParam> const clone = source.Clone();
        EXPECT_EQ(Row::Value(*clone), Row::Value(source));
        EXPECT_EQ(clone->GetParamName(), u"source");
        if (Row::Held(source) != nullptr) {
            EXPECT_NE(Row::Held(*clone), Row::Held(source));
        }
        UserParameters const& base = source;
        std::unique_ptr<UserParameters> const viaBase = base.Clone();
        EXPECT_EQ(DynamicClass(*viaBase), typeid(TypeParam));
    });
}

TYPED_TEST_P(ValueObjectConformance, MovesTakeTheValueOverAndAssignmentsFollowTheNameRuleOfCopies)
{
    using Row = Conformance<TypeParam>;
    this->ForEachSource([](TypeParam& source) {
        std::u16string const value = Row::Value(source);
        void const* const held = Row::Held(source);
        TypeParam moved(std::move(source));
        EXPECT_EQ(Row::Value(moved), value);
        EXPECT_EQ(moved.GetParamName(), u"source");
        EXPECT_EQ(Row::Held(moved), held); // taken over, not copied
        // NOLINTBEGIN(bugprone-use-after-move): the documented moved-from state
        EXPECT_EQ(source.GetParamName(), Row::kMoveEmptiesTheSourcesName ? u"" : u"source");
        if (auto const emptied = Row::MovedFromValue()) {
            EXPECT_EQ(Row::Value(source), *emptied);
        }

        TypeParam target = Row::Target();
        target.SetParamName(u"target");
        target = std::move(moved);
        EXPECT_EQ(Row::Value(target), value);
        EXPECT_EQ(Row::Held(target), held);
        EXPECT_EQ(target.GetParamName(), Row::kAssignmentTakesTheName ? u"source" : u"target");
        EXPECT_EQ(moved.GetParamName(), Row::kAssignmentTakesTheName ? u"" : u"source");
        if (auto const emptied = Row::MovedFromValue()) {
            EXPECT_EQ(Row::Value(moved), *emptied);
        }
        // NOLINTEND(bugprone-use-after-move)
    });
}

TYPED_TEST_P(ValueObjectConformance, StoreToBuildsAnIndependentNodeThatInitFromReadsBack)
{
    using Row = Conformance<TypeParam>;
    std::vector<TypeParam> const sources = Row::Sources();
    this->ForEachSource([&](TypeParam& source) {
        std::u16string const value = Row::Value(source);
        TypeParam const original = source;
        std::unique_ptr<ServiceType> unnamed(source.StoreTo(nullptr));
        ASSERT_NE(unnamed, nullptr);
        EXPECT_EQ(unnamed->GetParamName(), Row::kUnnamedNodeName);
        EXPECT_EQ(unnamed->GetType(), Row::kCode);
        Row::ExpectNode(*unnamed, original, u"");

        std::unique_ptr<ServiceType> const named(source.StoreTo(u"p"));
        EXPECT_EQ(named->GetParamName(), u"p");
        EXPECT_EQ(named->GetType(), Row::kCode);
        Row::ExpectNode(*named, original, u"p");
        EXPECT_EQ(Row::Value(source), value);
        EXPECT_EQ(source.GetParamName(), u"source");

        // The trees follow no later change of the source, nor it their end.
        Row::Change(source);
        Row::ExpectNode(*named, original, u"p");
        std::u16string const changed = Row::Value(source);
        unnamed.reset();
        EXPECT_EQ(Row::Value(source), changed);

        // Read into an object holding another value: the value comes back, the
        // receiver keeps its name and the tree stays as it was.
        TypeParam target = Row::Target();
        for (TypeParam const& other : sources) {
            if (Row::Value(other) != value) {
                target = other;
                break;
            }
        }
        target.SetParamName(u"receiver");
        target.InitFrom(named.get());
        EXPECT_EQ(Row::Value(target), value);
        EXPECT_EQ(target.GetParamName(), u"receiver");
        EXPECT_EQ(named->GetParamName(), u"p");
        Row::ExpectNode(*named, original, u"p");
    });
}

TYPED_TEST_P(ValueObjectConformance, InitFromRefusesEveryTreeOfAnotherKindAndChangesNothing)
{
    using Row = Conformance<TypeParam>;
    std::vector<WrongTree> wrongTrees = Row::WrongTrees();
    wrongTrees.push_back({"null", []() -> ServiceType* { return nullptr; }});
    for (WrongTree const& wrong : wrongTrees) {
        SCOPED_TRACE(wrong.label);
        this->ForEachSource([&](TypeParam& object) {
            std::unique_ptr<ServiceType> const tree(wrong.make());
            std::u16string const value = Row::Value(object);
            void const* const held = Row::Held(object);
            EXPECT_EQ(ThrownText([&] { object.InitFrom(tree.get()); }),
                wrong.error.empty() ? std::u16string(Row::kRefusal) : wrong.error);
            EXPECT_EQ(Row::Value(object), value);
            EXPECT_EQ(Row::Held(object), held);
            EXPECT_EQ(object.GetParamName(), u"source");
        });
    }
}

REGISTER_TYPED_TEST_SUITE_P(ValueObjectConformance, DefaultConstructionGivesTheClassesNameAndValue,
    CopiesTakeTheNameAssignmentsFollowTheClassAndCopyIsDeep, CloneAnswersTheObjectsOwnClassThroughEveryStaticType,
    MovesTakeTheValueOverAndAssignmentsFollowTheNameRuleOfCopies, StoreToBuildsAnIndependentNodeThatInitFromReadsBack,
    InitFromRefusesEveryTreeOfAnotherKindAndChangesNothing);

} // namespace Tarnwick::Tests
