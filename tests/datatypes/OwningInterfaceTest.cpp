// The owning-pointer forms of the calls that take nodes, the dictionary's
// replacing setters, Clone() of every node class, moves of the primitive
// nodes, range-for and Find.

#include "datatypes/CountingNode.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

using namespace Tarnwick::DataTypes;
using namespace TestSupport;

namespace {

// Clone() answers the class it is called on, for every node class.
template <class... Node>
constexpr bool kClonesOwnClass
    = (std::is_same_v<decltype(std::declval<Node const&>().Clone()), std::unique_ptr<Node>> && ...);
static_assert(kClonesOwnClass<ServiceType, CompositeType, CompositeSequenceType, DictionaryType, AnyTypeServiceType,
    AnyTypeSequenceType, XmlString, TimeStampServiceType, TimeDurationServiceType, TimeStampSequenceType,
    TimeDurationSequenceType, ScalarType<std::u16string>, ScalarType<bool>, ScalarType<double>,
    SequenceType<std::u16string>, SequenceType<std::int8_t>, SequenceType<std::uint64_t>>);

template <class... Node>
constexpr bool kMovesWithoutThrowing
    = ((std::is_nothrow_move_constructible_v<Node> && std::is_nothrow_move_assignable_v<Node>)&&...);
static_assert(kMovesWithoutThrowing<XmlString, TimeStampServiceType, TimeDurationServiceType, TimeStampSequenceType,
    TimeDurationSequenceType, ScalarType<std::u16string>, ScalarType<float>, SequenceType<std::u16string>,
    SequenceType<bool>>);

using OwningTest = TestSupport::CountedTest;

TEST_F(OwningTest, AddOfAnOwningPointerStoresThatVeryNodeAndReleasesItOnce)
{
    auto root = std::make_unique<CompositeType>(u"root");
    auto child = std::make_unique<CountingNode>(1);
    CountingNode const* const given = child.get();
    root->Add(std::move(child));
    root->Add(std::unique_ptr<ServiceType>()); // null: ignored
    EXPECT_EQ(child, nullptr);
    ASSERT_EQ(root->Size(), 1u);
    EXPECT_EQ(*root->begin(), given);

    auto items = std::make_unique<CompositeSequenceType>(u"items", std::make_unique<CountingPrototype>(0));
    auto item = std::make_unique<CompositeType>(u"item");
    item->Add(std::make_unique<CountingNode>(2));
    items->Add(std::move(item));
    auto anys = std::make_unique<AnyTypeSequenceType>(u"anys");
    anys->Add(std::make_unique<AnyTypeServiceType>(std::make_unique<CountingNode>(3), u"any"));
    EXPECT_EQ(Nodes().live, 3);
    EXPECT_EQ(Prototypes().live, 1);
    // The tally checks on tear-down that each node is destroyed exactly once.
}

TEST_F(OwningTest, AnyTypeSetValueOfAnOwningPointer)
{
    AnyTypeServiceType any(std::make_unique<CountingNode>(1), u"any");
    int const first = dynamic_cast<CountingNode&>(*any.GetValue()).Id();
    any.SetValue(std::make_unique<CountingNode>(2));
    EXPECT_EQ(Nodes().TimesDestroyed(first), 1);
    // The node it holds, handed over again, stays owned once.
    ServiceType* const held = any.GetValue();
    any.SetValue(std::unique_ptr<ServiceType>(held));
    EXPECT_EQ(any.GetValue(), held);
    EXPECT_EQ(Nodes().live, 1);
}

// ---- The dictionary's replacing setters -------------------------------------

enum class Start { Empty, Distinct, Shared };
enum class Given { New, HeldInThisRole, HeldInTheOtherRole };
enum class Answer { Nothing, FormerOfThisRole };

struct Replacement {
    Start start;
    Given given;
    Answer answer;
};

// Each row is tried through SetKeys (false) and through SetValues (true).
class DictionaryReplacementTest : public TestSupport::CountedTest,
                                  public testing::WithParamInterface<std::tuple<Replacement, bool>> { };

TEST_P(DictionaryReplacementTest, HandsBackExactlyTheNodeNoLongerOwned)
{
    Replacement const row = std::get<0>(GetParam());
    bool const setValues = std::get<1>(GetParam());
    DictionaryType dictionary(u"map");
    auto set = [&](DictionaryType& d, std::unique_ptr<ServiceType> node) {
        return setValues ? d.SetValues(std::move(node)) : d.SetKeys(std::move(node));
    };
    auto role = [&](DictionaryType& d) { return setValues ? d.GetValues() : d.GetKeys(); };
    auto otherRole = [&](DictionaryType& d) { return setValues ? d.GetKeys() : d.GetValues(); };
    if (row.start == Start::Distinct) {
        dictionary.SetKeys(new CountingNode(1, u"keys"));
        dictionary.SetValues(new CountingNode(2, u"values"));
    } else if (row.start == Start::Shared) {
        auto* shared = new CountingNode(1, u"both");
        dictionary.SetKeys(shared);
        dictionary.SetValues(shared);
    }
    ServiceType* const former = role(dictionary);
    ServiceType* const other = otherRole(dictionary);
    std::unique_ptr<ServiceType> given;
    switch (row.given) {
    case Given::New:
        given = std::make_unique<CountingNode>(9, u"new");
        break;
    case Given::HeldInThisRole:
        given.reset(former);
        break;
    case Given::HeldInTheOtherRole:
        given.reset(other);
        break;
    }
    ServiceType* const stored = given.get();

    std::unique_ptr<ServiceType> const handedBack = set(dictionary, std::move(given));
    EXPECT_EQ(role(dictionary), stored);
    EXPECT_EQ(otherRole(dictionary), other);
    EXPECT_EQ(handedBack.get(), row.answer == Answer::FormerOfThisRole ? former : nullptr);
    // What the dictionary holds plus what was handed back: every node, each once.
    int const owned
        = (role(dictionary) != nullptr) + (other != nullptr && other != role(dictionary)) + (handedBack != nullptr);
    EXPECT_EQ(Nodes().live, owned);
}

INSTANTIATE_TEST_SUITE_P(Rows, DictionaryReplacementTest,
    testing::Combine(testing::Values(Replacement {Start::Empty, Given::New, Answer::Nothing},
                         Replacement {Start::Distinct, Given::New, Answer::FormerOfThisRole},
                         Replacement {Start::Distinct, Given::HeldInThisRole, Answer::Nothing},
                         // One node becomes keys and values: the former of this role is free.
                         Replacement {Start::Distinct, Given::HeldInTheOtherRole, Answer::FormerOfThisRole},
                         // The replaced node is still the other role's: nothing to hand back.
                         Replacement {Start::Shared, Given::New, Answer::Nothing},
                         Replacement {Start::Shared, Given::HeldInThisRole, Answer::Nothing}),
        testing::Bool()));

TEST_F(OwningTest, DiscardingTheHandedBackNodeDestroysIt)
{
    DictionaryType dictionary(u"map");
    dictionary.SetKeys(std::make_unique<CountingNode>(1));
    int const first = dynamic_cast<CountingNode&>(*dictionary.GetKeys()).Id();
    dictionary.SetKeys(std::make_unique<CountingNode>(2)); // the replaced node goes with the answer
    EXPECT_EQ(Nodes().TimesDestroyed(first), 1);
    EXPECT_EQ(Nodes().live, 1);
}

// ---- Primitive nodes ---------------------------------------------------------

TEST(PrimitiveMoveTest, TheElementsAndTheTextAreTakenOverNotCopied)
{
    SequenceType<double> prices({0.5, 1.5, 2.5}, u"prices");
    double const* const elements = prices.GetValue().data();
    SequenceType<double> moved(std::move(prices));
    EXPECT_EQ(moved.GetValue().data(), elements);
    EXPECT_EQ(moved.GetParamName(), u"prices");
    EXPECT_TRUE(prices.GetValue().empty());
    EXPECT_EQ(prices.GetParamName(), u"");

    std::u16string const text(100, u'x'); // beyond any short-string buffer
    XmlString fragment(text, u"remark");
    char16_t const* const units = fragment.GetValueRef().data();
    XmlString target(u"<old/>", u"old");
    target = std::move(fragment);
    EXPECT_EQ(target.GetValueRef().data(), units);
    EXPECT_EQ(target.GetParamName(), u"remark");
    EXPECT_EQ(target.GetType(), XML_STRING);
}

TEST(PrimitiveMoveTest, ReturningATreeByValueMovesIt)
{
    // Two candidates defeat the return value optimisation, so the move is what runs.
    auto build = [](bool first) {
        CompositeType a(u"a");
        CompositeType b(u"b");
        a.Add(std::make_unique<SequenceType<std::int32_t>>(std::vector<std::int32_t>(1000, 7), u"codes"));
        return first ? std::move(a) : std::move(b);
    };
    CompositeType const tree = build(true);
    ASSERT_EQ(tree.Size(), 1u);
    EXPECT_EQ(tree.Find(u"codes")->Size(), 1000u);
}

TEST_F(OwningTest, CloneOfAUserNodeKeepsItsClass)
{
    CountingNode const node(5);
    std::unique_ptr<ScalarType<std::int32_t>> const clone = node.Clone();
    ASSERT_NE(dynamic_cast<CountingNode const*>(clone.get()), nullptr);
    EXPECT_EQ(clone->GetValueRef(), 5);
    EXPECT_EQ(Nodes().live, 2);
}

// ---- Range-for and Find --------------------------------------------------------

TEST(RangeForTest, VisitsTheChildrenItemsAndElementsInOrder)
{
    CompositeType root(u"root");
    root.Add(std::make_unique<ScalarType<std::int32_t>>(1, u"a"));
    root.Add(std::make_unique<SequenceType<double>>(std::vector<double> {0.5, 1.5}, u"b"));
    std::u16string names;
    for (ServiceType const* child : std::as_const(root)) {
        names += child->GetParamNameRef();
    }
    EXPECT_EQ(names, u"ab");
    for (ServiceType* child : root) {
        child->SetParamName(child->GetParamName() + u"!");
    }
    EXPECT_EQ(root.Find(u"b!")->GetType(), DOUBLE_SEQUENCE);

    auto& prices = dynamic_cast<SequenceType<double>&>(*root.Find(u"b!"));
    for (double& price : prices) {
        price *= 2;
    }
    std::vector<double> read;
    for (double const price : std::as_const(prices)) {
        read.push_back(price);
    }
    EXPECT_EQ(read, (std::vector<double> {1.0, 3.0}));

    CompositeSequenceType items(u"items", nullptr);
    items.Add(std::make_unique<CompositeType>(u"x"));
    items.Add(std::make_unique<CompositeType>(u"y"));
    AnyTypeSequenceType anys(u"anys");
    anys.Add(std::make_unique<AnyTypeServiceType>(nullptr, u"z"));
    names.clear();
    for (CompositeType const* item : std::as_const(items)) {
        names += item->GetParamNameRef();
    }
    for (AnyTypeServiceType* any : anys) {
        names += any->GetParamNameRef();
    }
    EXPECT_EQ(names, u"xyz");
}

TEST(FindTest, AnswersTheFirstChildOfTheNameOrNull)
{
    CompositeType root(u"root");
    root.Add(std::make_unique<ScalarType<std::int32_t>>(1, u"twice"));
    root.Add(std::make_unique<ScalarType<std::int32_t>>(2, u"twice"));
    root.Add(std::make_unique<ScalarType<std::u16string>>(u"x", u"Twice"));
    ServiceType* const first = *root.begin();
    EXPECT_EQ(root.Find(u"twice"), first);
    EXPECT_EQ(std::as_const(root).Find(u"Twice")->GetType(), STRING); // exact code units
    EXPECT_EQ(root.Find(u"twic"), nullptr);
    EXPECT_EQ(root.Find(u""), nullptr);
    // A child pointer overwritten with null through an iterator is passed over.
    delete std::exchange(*root.begin(), nullptr);
    EXPECT_EQ(dynamic_cast<ScalarType<std::int32_t> const&>(*root.Find(u"twice")).GetValueRef(), 2);
}

} // namespace
