// The variant's value-kind table (which node each value type builds), the rules
// of value assignment, copying and naming, and StoreTo / InitFrom.

#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/stubproxy/AnyType.h>

#include "datatypes/CountingNode.h"
#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <typeinfo>
#include <vector>

namespace Tarnwick::Tests {
namespace {

using namespace DataTypes;

// One row of the value-kind table: two values of the type, the code and node
// class they are stored as, and the text each reads back as.
struct KindRow {
    char const* label;
    ParamType code;
    std::type_info const* nodeClass;
    std::function<AnyType()> construct;
    std::function<void(AnyType&)> assignFirst;
    std::function<void(AnyType&)> assignSecond;
    std::function<std::u16string(AnyType const&)> read;
    std::u16string firstText;
    std::u16string secondText;
};

void PrintTo(KindRow const& row, std::ostream* out)
{
    *out << row.label;
}

template <class Node, class V> KindRow Row(char const* label, ParamType code, V first, V second)
{
    return KindRow {label, code, &typeid(Node), [first] { return AnyType(first); },
        [first](AnyType& any) { any = first; }, [second](AnyType& any) { any = second; },
        [](AnyType const& any) {
            V out {};
            any.GetValue(out);
            return Render(out);
        },
        Render(first), Render(second)};
}

class AnyTypeValueKinds : public ::testing::TestWithParam<KindRow> {
protected:
    ScopedTimeZone m_Zone {kUtc};

    // `any` holds a node of the row's code and class, which reads as `text`.
    static void ExpectHolds(AnyType const& any, std::u16string const& text)
    {
        ASSERT_NE(any.GetServiceType(), nullptr);
        EXPECT_EQ(any.GetType(), GetParam().code);
        EXPECT_EQ(DynamicClass(*any.GetServiceType()), *GetParam().nodeClass);
        EXPECT_EQ(GetParam().read(any), text);
    }
};

TEST_P(AnyTypeValueKinds, ConstructionAndAssignmentIntoAnEmptyVariantBuildTheRowsNodeWithTheEmptyName)
{
    KindRow const& row = GetParam();
    AnyType const constructed = row.construct();
    ExpectHolds(constructed, row.firstText);
    EXPECT_EQ(constructed.GetServiceType()->GetParamName(), u"");
    EXPECT_EQ(constructed.GetParamName(), u"");

    AnyType assigned;
    row.assignFirst(assigned);
    ExpectHolds(assigned, row.firstText);
}

TEST_P(AnyTypeValueKinds, AssigningTheSameKindSetsTheValueInPlaceAndKeepsTheNodeName)
{
    KindRow const& row = GetParam();
    AnyType any = row.construct();
    any.GetServiceType()->SetParamName(u"count");
    ServiceType const* const node = any.GetServiceType();
    row.assignSecond(any);
    EXPECT_EQ(any.GetServiceType(), node);
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"count");
    ExpectHolds(any, row.secondText);
}

TEST_P(AnyTypeValueKinds, AssigningAnotherKindReplacesTheNodeAndDropsItsName)
{
    KindRow const& row = GetParam();
    AnyType any(u"other kind");
    if (row.code == STRING) {
        any = 7;
    }
    any.GetServiceType()->SetParamName(u"count");
    row.assignFirst(any);
    ExpectHolds(any, row.firstText);
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, AnyTypeValueKinds, ::testing::Values(
    Row<ScalarType<std::u16string>>("u16string", STRING, std::u16string(u"first"), std::u16string(u"second")),
    Row<ScalarType<bool>>("bool", BOOLEAN, true, false),
    Row<ScalarType<std::int8_t>>("int8", INT8, std::int8_t {-128}, std::int8_t {127}),
    Row<ScalarType<std::uint8_t>>("uint8", UINT8, std::uint8_t {255}, std::uint8_t {1}),
    Row<ScalarType<std::int16_t>>("int16", INT16, std::int16_t {-32768}, std::int16_t {2}),
    Row<ScalarType<std::uint16_t>>("uint16", UINT16, std::uint16_t {65535}, std::uint16_t {3}),
    Row<ScalarType<std::int32_t>>("int32", INT32, std::int32_t {-2147483647 - 1}, std::int32_t {4}),
    Row<ScalarType<std::uint32_t>>("uint32", UINT32, std::uint32_t {4294967295U}, std::uint32_t {5}),
    Row<ScalarType<std::int64_t>>("int64", INT64, std::int64_t {-9223372036854775807 - 1}, std::int64_t {6}),
    Row<ScalarType<std::uint64_t>>("uint64", UINT64, std::uint64_t {18446744073709551615ULL}, std::uint64_t {7}),
    Row<ScalarType<float>>("float", FLOAT, -0.5F, 8.25F),
    Row<ScalarType<double>>("double", DOUBLE, 1e300, -9.5),
    Row<SequenceType<std::u16string>>("u16string_vector", STRING_SEQUENCE,
        std::vector<std::u16string> {u"a", u""}, std::vector<std::u16string> {}),
    Row<SequenceType<bool>>("bool_vector", BOOLEAN_SEQUENCE, std::vector<bool> {true}, std::vector<bool> {false, true}),
    Row<SequenceType<std::int8_t>>("int8_vector", INT8_SEQUENCE, std::vector<std::int8_t> {-1}, std::vector<std::int8_t> {1, 2}),
    Row<SequenceType<std::uint8_t>>("uint8_vector", UINT8_SEQUENCE, std::vector<std::uint8_t> {255}, std::vector<std::uint8_t> {}),
    Row<SequenceType<std::int16_t>>("int16_vector", INT16_SEQUENCE, std::vector<std::int16_t> {-2}, std::vector<std::int16_t> {3}),
    Row<SequenceType<std::uint16_t>>("uint16_vector", UINT16_SEQUENCE, std::vector<std::uint16_t> {4}, std::vector<std::uint16_t> {5, 6}),
    Row<SequenceType<std::int32_t>>("int32_vector", INT32_SEQUENCE, std::vector<std::int32_t> {-7}, std::vector<std::int32_t> {8}),
    Row<SequenceType<std::uint32_t>>("uint32_vector", UINT32_SEQUENCE, std::vector<std::uint32_t> {9}, std::vector<std::uint32_t> {}),
    Row<SequenceType<std::int64_t>>("int64_vector", INT64_SEQUENCE, std::vector<std::int64_t> {-10}, std::vector<std::int64_t> {11}),
    Row<SequenceType<std::uint64_t>>("uint64_vector", UINT64_SEQUENCE, std::vector<std::uint64_t> {12}, std::vector<std::uint64_t> {13}),
    Row<SequenceType<float>>("float_vector", FLOAT_SEQUENCE, std::vector<float> {1.5F}, std::vector<float> {}),
    Row<SequenceType<double>>("double_vector", DOUBLE_SEQUENCE, std::vector<double> {2.5}, std::vector<double> {-3}),
    Row<TimeStampServiceType>("TimeStamp", TIME_STAMP, TimeStamp(2024, 3, 7, 9, 5, 2, 42), TimeStamp(1999, 12, 31, 23, 59, 59, 0)),
    Row<TimeDurationServiceType>("TimeDuration", TIME_DURATION, TimeDuration(1, 2, 3, 4, 5), TimeDuration(0, 0, 0, 0, 1))),
    [](auto const& info) { return std::string(info.param.label); });
// clang-format on

TEST(AnyTypeValueKind, TheTimeNodesHoldTheUTime)
{
    ScopedTimeZone const zone(kUtc);
    TimeStamp const stamp(2024, 3, 7, 9, 5, 2, 42);
    AnyType const fromStamp = stamp;
    EXPECT_EQ(dynamic_cast<TimeStampServiceType const&>(*fromStamp.GetServiceType()).GetValue(), stamp.GetUTime());
    TimeDuration const duration(0, 30, 0, 0, 0);
    AnyType const fromDuration = duration;
    EXPECT_EQ(dynamic_cast<TimeDurationServiceType const&>(*fromDuration.GetServiceType()).GetValue(), 108000000000U);
}

TEST(AnyTypeValueKind, AnXmlStringIsHeldAsACopyWithItsNameAndReadsAsText)
{
    XmlString const xml(u"<a>&amp;</a>", u"fragment");
    AnyType any(xml);
    ASSERT_NE(any.GetServiceType(), nullptr);
    EXPECT_EQ(DynamicClass(*any.GetServiceType()), typeid(XmlString));
    EXPECT_EQ(any.GetType(), XML_STRING);
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"fragment");
    EXPECT_EQ(static_cast<std::u16string>(any), u"<a>&amp;</a>");

    // A wide string over the XML node is another kind: a new STRING node, no name.
    any = std::u16string(u"plain");
    EXPECT_EQ(any.GetType(), STRING);
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"");
}

TEST(AnyTypeValueKind, ANullTextCountsAsTheEmptyText)
{
    char16_t const* const none = nullptr;
    AnyType any(none);
    EXPECT_EQ(any.GetType(), STRING);
    EXPECT_EQ(static_cast<std::u16string>(any), u"");
    any = 5;
    any = none;
    EXPECT_EQ(any.GetType(), STRING);
    EXPECT_EQ(static_cast<std::u16string>(any), u"");
}

TEST(AnyTypeAssignment, SameKindKeepsTheNameOtherKindLosesIt)
{
    AnyType any;
    any.InitFrom(std::unique_ptr<ServiceType>(AnyType(std::int32_t {1}).StoreTo(u"count")).get());
    ASSERT_EQ(any.GetServiceType()->GetParamName(), u"count");
    any = 7;
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"count");
    EXPECT_EQ(static_cast<std::int32_t>(any), 7);
    any = 7.0;
    EXPECT_EQ(any.GetType(), DOUBLE);
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"");
}

TEST(AnyTypeAssignment, AFailedBuildOfTheReplacementKeepsTheOldNode)
{
    AnyType any = 41;
    any.GetServiceType()->SetParamName(u"count");
    ServiceType const* const node = any.GetServiceType();
    {
        FailingAllocation const failing(0);
        EXPECT_THROW(any = 2.5, std::bad_alloc);
        EXPECT_TRUE(failing.Triggered());
    }
    ASSERT_EQ(any.GetServiceType(), node);
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"count");
    EXPECT_EQ(static_cast<std::int32_t>(any), 41);
    any = 2.5; // and the variant still works
    EXPECT_EQ(static_cast<double>(any), 2.5);
}

TEST(AnyTypeAssignment, ValueAssignmentsFailingLaterInTheBuildKeepTheOldNodeToo)
{
    std::vector<std::u16string> const texts {u"a long text that needs its own storage", u"another long text, too"};
    for (int allowed = 0; allowed < 4; ++allowed) {
        AnyType any = TimeDuration(1, 0, 0, 0, 0);
        ServiceType const* const node = any.GetServiceType();
        bool failed = false;
        {
            FailingAllocation const failing(allowed);
            try {
                any = texts;
            } catch (std::bad_alloc const&) {
                failed = true;
            }
        }
        if (allowed == 0) {
            EXPECT_TRUE(failed);
        }
        if (failed) {
            EXPECT_EQ(any.GetServiceType(), node) << allowed;
            EXPECT_EQ(any.GetType(), TIME_DURATION) << allowed;
        } else {
            EXPECT_EQ(any.GetType(), STRING_SEQUENCE) << allowed;
        }
    }
}

class AnyTypeOwnership : public TestSupport::CountedTest { };

TEST_F(AnyTypeOwnership, CopyingHoldsADeepCopyAndCopiesTheParameterName)
{
    AnyType source;
    source.SetParamName(u"source");
    source.SetServiceType(new TestSupport::CountingNode(5, u"n"));
    AnyType const copy(source);
    EXPECT_EQ(copy.GetParamName(), u"source");
    ASSERT_NE(copy.GetServiceType(), nullptr);
    EXPECT_NE(copy.GetServiceType(), source.GetServiceType());
    EXPECT_EQ(copy.GetServiceType()->GetParamName(), u"n");
    EXPECT_EQ(static_cast<std::int32_t>(copy), 5);
    EXPECT_EQ(TestSupport::Nodes().live, 2);

    std::unique_ptr<StubProxy::UserParameters> clone(source.Copy());
    EXPECT_EQ(DynamicClass(*clone), typeid(AnyType));
    EXPECT_EQ(clone->GetParamName(), u"source");
    EXPECT_EQ(static_cast<std::int32_t>(dynamic_cast<AnyType&>(*clone)), 5);
    EXPECT_EQ(TestSupport::Nodes().live, 3);
}

TEST_F(AnyTypeOwnership, AssignmentNeverCopiesTheParameterName)
{
    AnyType source = 3;
    source.SetParamName(u"source");
    AnyType target;
    target.SetParamName(u"target");
    target.SetServiceType(new TestSupport::CountingNode(1));
    int const old = dynamic_cast<TestSupport::CountingNode&>(*target.GetServiceType()).Id();
    target = source;
    EXPECT_EQ(target.GetParamName(), u"target");
    EXPECT_EQ(static_cast<std::int32_t>(target), 3);
    EXPECT_EQ(TestSupport::Nodes().TimesDestroyed(old), 1);
}

TEST_F(AnyTypeOwnership, AssigningAnEmptyVariantEmptiesAndDestroysTheOldNode)
{
    AnyType target;
    target.SetServiceType(new TestSupport::CountingNode(1));
    target = AnyType();
    EXPECT_EQ(target.GetServiceType(), nullptr);
    EXPECT_EQ(target.GetType(), NULL_TYPE);
    EXPECT_EQ(TestSupport::Nodes().live, 0);
}

TEST_F(AnyTypeOwnership, SelfAssignmentChangesNothing)
{
    AnyType any;
    any.SetServiceType(new TestSupport::CountingNode(9));
    ServiceType const* const node = any.GetServiceType();
    AnyType& alias = any;
    any = alias;
    EXPECT_EQ(any.GetServiceType(), node);
    EXPECT_EQ(TestSupport::Nodes().made, 1);
}

TEST_F(AnyTypeOwnership, AFailedCopyLeavesTheTargetAsItWas)
{
    AnyType source;
    source.SetServiceType(new TestSupport::CountingNode(1));
    AnyType target = 2;
    TestSupport::Nodes().copyBudget = 0;
    EXPECT_THROW(target = source, std::bad_alloc);
    TestSupport::Nodes().copyBudget = -1;
    EXPECT_EQ(static_cast<std::int32_t>(target), 2);
}

TEST_F(AnyTypeOwnership, MovingHandsTheNodeOverAndEmptiesTheSource)
{
    AnyType source;
    source.SetParamName(u"source");
    source.SetServiceType(new TestSupport::CountingNode(1));
    ServiceType const* const node = source.GetServiceType();
    AnyType moved(std::move(source));
    EXPECT_EQ(moved.GetServiceType(), node);
    EXPECT_EQ(moved.GetParamName(), u"source");
    EXPECT_EQ(source.GetType(), NULL_TYPE); // NOLINT(bugprone-use-after-move): a moved-from variant is empty
    AnyType target;
    target.SetParamName(u"target");
    target = std::move(moved);
    EXPECT_EQ(target.GetServiceType(), node);
    EXPECT_EQ(target.GetParamName(), u"target");
    EXPECT_EQ(TestSupport::Nodes().made, 1);
}

TEST_F(AnyTypeOwnership, SetServiceTypeTakesOwnershipAndDestroysThePreviousNode)
{
    AnyType any;
    auto* const first = new TestSupport::CountingNode(1);
    any.SetServiceType(first);
    EXPECT_EQ(any.GetServiceType(), first);
    any.SetServiceType(first); // the node already held: no change
    EXPECT_EQ(TestSupport::Nodes().live, 1);
    int const firstId = first->Id();
    any.SetServiceType(new TestSupport::CountingNode(2));
    EXPECT_EQ(TestSupport::Nodes().TimesDestroyed(firstId), 1);
    any.SetServiceType(nullptr);
    EXPECT_EQ(any.GetType(), NULL_TYPE);
    EXPECT_EQ(TestSupport::Nodes().live, 0);
}

TEST(AnyTypeTree, StoreToNamesWrapperAndInnerCopyAfterTheGivenName)
{
    AnyType any(u"text");
    any.SetParamName(u"own");
    std::unique_ptr<ServiceType> tree(any.StoreTo(u"p"));
    ASSERT_EQ(DynamicClass(*tree), typeid(AnyTypeServiceType));
    EXPECT_EQ(tree->GetParamName(), u"p");
    auto const& wrapper = dynamic_cast<AnyTypeServiceType const&>(*tree);
    ASSERT_NE(wrapper.GetValue(), nullptr);
    EXPECT_NE(wrapper.GetValue(), any.GetServiceType());
    EXPECT_EQ(wrapper.GetValue()->GetType(), STRING);
    EXPECT_EQ(wrapper.GetValue()->GetParamName(), u"p");
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"") << "StoreTo renamed the variant's own node";

    AnyType second = 1;
    second.SetParamName(u"mine");
    second.InitFrom(tree.get());
    EXPECT_EQ(second.GetParamName(), u"mine");
    EXPECT_EQ(second.GetType(), STRING);
    EXPECT_EQ(second.GetServiceType()->GetParamName(), u"p");
    EXPECT_NE(second.GetServiceType(), wrapper.GetValue()) << "InitFrom took over the tree's node";
    EXPECT_EQ(static_cast<std::u16string>(second), u"text");

    // Neither side follows later changes of the other.
    any = std::u16string(u"changed");
    tree.reset();
    EXPECT_EQ(static_cast<std::u16string>(second), u"text");
}

TEST(AnyTypeTree, StoreToWithANullNameGivesEmptyNamesWhateverTheNodeWasCalled)
{
    AnyType any = 4;
    any.GetServiceType()->SetParamName(u"count");
    any.SetParamName(u"own");
    std::unique_ptr<ServiceType> tree(any.StoreTo(nullptr));
    EXPECT_EQ(tree->GetParamName(), u"");
    auto const& wrapper = dynamic_cast<AnyTypeServiceType const&>(*tree);
    EXPECT_EQ(wrapper.GetValue()->GetParamName(), u"");
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"count");
}

TEST(AnyTypeTree, InitFromCopiesWhateverNodeTheWrapperHolds)
{
    auto* composite = new CompositeType(u"record");
    composite->Add(new ScalarType<bool>(true, u"flag"));
    AnyTypeServiceType wrapper(composite, u"outer");
    AnyType any;
    any.InitFrom(&wrapper);
    EXPECT_EQ(any.GetType(), COMPOSITE);
    EXPECT_NE(any.GetServiceType(), composite);
    EXPECT_EQ(any.GetServiceType()->GetParamName(), u"record");
    EXPECT_EQ(any.GetServiceType()->Size(), 1U);
}

TEST(AnyTypeTree, SetServiceTypeOfAnOwningPointer)
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
} // namespace Tarnwick::Tests
