// Trees far deeper than the call stack could follow: each container kind, and
// all of them mixed, nested a million levels, then copied in every way a caller
// can (Copy, Clone, copy construction and assignment), compared level by level
// with the source, and destroyed, through a raw pointer and a unique_ptr alike.

#include "datatypes/CountingNode.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

using namespace Tarnwick::DataTypes;

namespace {

// A million levels; under a sanitizer a tenth of that, at a tenth of the cost:
// its larger frames overflow a recursive walk at half that depth already.
constexpr std::size_t kDepth = TARNWICK_TEST_SANITIZED ? 100000 : 1000000;

using TestSupport::CountingNode;
using TestSupport::CountingPrototype;
using TestSupport::Nodes;
using TestSupport::Prototypes;

// One level of a chain: `wrap` makes a container owning `below`; `step` goes from a
// node of that container's class to the node it holds (one or two levels down).
struct Level {
    char const* name;
    std::function<ServiceType*(ServiceType* below)> wrap;
    std::function<ServiceType const*(ServiceType const& node)> step;
};

ServiceType const* OnlyChild(CompositeType const& composite)
{
    return composite.Size() == 1 ? *composite.BeginIterator() : nullptr;
}

Level const kComposite {"composite",
    [](ServiceType* below) {
        auto* composite = new CompositeType(u"c");
        composite->Add(below);
        return composite;
    },
    [](ServiceType const& node) { return OnlyChild(dynamic_cast<CompositeType const&>(node)); }};

Level const kWrapper {"any-type wrapper", [](ServiceType* below) { return new AnyTypeServiceType(below, u"w"); },
    [](ServiceType const& node) { return dynamic_cast<AnyTypeServiceType const&>(node).GetValue(); }};

Level const kDictionaryValues {"dictionary values",
    [](ServiceType* below) {
        auto* dictionary = new DictionaryType(u"d");
        dictionary->SetKeys(new SequenceType<std::int32_t>(std::vector<std::int32_t> {1}, u"k"));
        dictionary->SetValues(below);
        return dictionary;
    },
    [](ServiceType const& node) { return dynamic_cast<DictionaryType const&>(node).GetValues(); }};

// One node as keys and values: owned, copied and destroyed once at every level.
Level const kDictionaryShared {"dictionary, one node as keys and values",
    [](ServiceType* below) {
        auto* dictionary = new DictionaryType(u"s");
        dictionary->SetKeys(below);
        dictionary->SetValues(below);
        return dictionary;
    },
    [](ServiceType const& node) {
        auto const& dictionary = dynamic_cast<DictionaryType const&>(node);
        return dictionary.GetKeys() == dictionary.GetValues() ? dictionary.GetKeys() : nullptr;
    }};

Level const kCompositeSequence {"composite sequence",
    [](ServiceType* below) {
        auto* item = new CompositeType(u"item");
        item->Add(below);
        auto* sequence = new CompositeSequenceType(u"q", nullptr);
        sequence->Add(item);
        return sequence;
    },
    [](ServiceType const& node) -> ServiceType const* {
        auto const& sequence = dynamic_cast<CompositeSequenceType const&>(node);
        return sequence.Size() == 1 ? OnlyChild(**sequence.BeginIterator()) : nullptr;
    }};

Level const kAnyTypeSequence {"any-type sequence",
    [](ServiceType* below) {
        auto* sequence = new AnyTypeSequenceType(u"a");
        sequence->Add(new AnyTypeServiceType(below, u"item"));
        return sequence;
    },
    [](ServiceType const& node) -> ServiceType const* {
        auto const& sequence = dynamic_cast<AnyTypeSequenceType const&>(node);
        return sequence.Size() == 1 ? (*sequence.BeginIterator())->GetValue() : nullptr;
    }};

std::vector<Level> const kKinds {
    kComposite, kWrapper, kDictionaryValues, kDictionaryShared, kCompositeSequence, kAnyTypeSequence};

// The levels of a chain, top first: one kind throughout, or all kinds in turn.
std::vector<Level const*> Plan(std::vector<Level const*> const& kinds)
{
    std::vector<Level const*> plan(kDepth);
    for (std::size_t i = 0; i < kDepth; ++i) {
        plan[i] = kinds[i % kinds.size()];
    }
    return plan;
}

// Built from the bottom up: a leaf holding 42, wrapped once per level.
std::unique_ptr<ServiceType> Build(std::vector<Level const*> const& plan)
{
    ServiceType* node = new ScalarType<std::int32_t>(42, u"leaf");
    for (std::size_t i = plan.size(); i-- > 0;) {
        node = plan[i]->wrap(node);
    }
    return std::unique_ptr<ServiceType>(node);
}

// Walks both trees down the plan at once: same classes and names at every level,
// no node shared, the same leaf at the bottom.
void ExpectSameChain(ServiceType const& source, ServiceType const& copy, std::vector<Level const*> const& plan)
{
    ServiceType const* a = &source;
    ServiceType const* b = &copy;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        ASSERT_NE(a, b) << "level " << i;
        ASSERT_EQ(typeid(*a), typeid(*b)) << "level " << i;
        ASSERT_EQ(a->GetParamNameRef(), b->GetParamNameRef()) << "level " << i;
        a = plan[i]->step(*a);
        b = plan[i]->step(*b);
        ASSERT_NE(a, nullptr) << "level " << i;
        ASSERT_NE(b, nullptr) << "level " << i;
    }
    ASSERT_NE(a, b);
    EXPECT_EQ(dynamic_cast<ScalarType<std::int32_t> const&>(*b).GetValue(), 42);
}

class DeepTree : public testing::TestWithParam<std::vector<Level const*>> { };

TEST_P(DeepTree, IsCopiedComparedAndDestroyedWithoutRecursion)
{
    std::vector<Level const*> const plan = Plan(GetParam());
    std::unique_ptr<ServiceType> source = Build(plan);

    // Copy() of the root, destroyed through a raw pointer.
    ServiceType* const copy = source->Copy();
    ExpectSameChain(*source, *copy, plan);
    delete copy;

    // Clone(), of a source that outlived its first copy, destroyed through a unique_ptr.
    std::unique_ptr<ServiceType> clone = source->Clone();
    ExpectSameChain(*source, *clone, plan);
    clone.reset();
    source.reset();
}

INSTANTIATE_TEST_SUITE_P(EachKindAndAllMixed, DeepTree,
    testing::Values(std::vector<Level const*> {&kComposite}, std::vector<Level const*> {&kWrapper},
        std::vector<Level const*> {&kDictionaryValues}, std::vector<Level const*> {&kDictionaryShared},
        std::vector<Level const*> {&kCompositeSequence}, std::vector<Level const*> {&kAnyTypeSequence},
        std::vector<Level const*> {
            &kComposite, &kWrapper, &kDictionaryValues, &kDictionaryShared, &kCompositeSequence, &kAnyTypeSequence}));

// The container classes' own copy operations, on a root of each class over a deep chain.
template <class Root> void CopyConstructAndAssign(Level const& rootLevel)
{
    std::vector<Level const*> const plan = Plan({&rootLevel});
    std::unique_ptr<ServiceType> built = Build(plan);
    Root const& source = dynamic_cast<Root const&>(*built);

    Root constructed(source);
    ExpectSameChain(source, constructed, plan);

    std::unique_ptr<ServiceType> const small(rootLevel.wrap(new ScalarType<std::int32_t>(1, u"old")));
    Root assigned(dynamic_cast<Root const&>(*small));
    assigned = source;
    ExpectSameChain(source, assigned, plan);

    // Assigning over a deep tree releases it without recursion, too.
    assigned = dynamic_cast<Root const&>(*small);
    EXPECT_EQ(assigned.GetParamNameRef(), source.GetParamNameRef());
}

TEST(DeepTreeCopies, CopyConstructionAndAssignmentOfEachContainer)
{
    CopyConstructAndAssign<CompositeType>(kComposite);
    CopyConstructAndAssign<AnyTypeServiceType>(kWrapper);
    CopyConstructAndAssign<DictionaryType>(kDictionaryValues);
    CopyConstructAndAssign<DictionaryType>(kDictionaryShared);
    CopyConstructAndAssign<CompositeSequenceType>(kCompositeSequence);
    CopyConstructAndAssign<AnyTypeSequenceType>(kAnyTypeSequence);
}

// Clear() and the moves release deep content without recursion as well.
TEST(DeepTreeCopies, ClearAndMoveReleaseDeepContent)
{
    for (Level const* level : {&kComposite, &kCompositeSequence, &kAnyTypeSequence, &kDictionaryValues}) {
        std::unique_ptr<ServiceType> tree = Build(Plan({level}));
        tree->Clear();
        EXPECT_EQ(tree->Size(), 0u) << level->name;
    }
    std::unique_ptr<ServiceType> tree = Build(Plan({&kComposite}));
    CompositeType moved(std::move(dynamic_cast<CompositeType&>(*tree)));
    EXPECT_EQ(tree->Size(), 0u);
    moved = CompositeType(u"other");
    EXPECT_EQ(moved.Size(), 0u);
}

// A copy that fails deep down, in a caller's node or in a prototype, releases every
// node it made, each exactly once, and leaves the source whole.
class DeepTreeFailure : public TestSupport::CountedTest { };

TEST_F(DeepTreeFailure, ACopyFailingDeepDownReleasesWhatItMade)
{
    constexpr int kLevels = 100000;
    ServiceType* node = new CountingNode(0);
    for (int level = 1; level <= kLevels; ++level) {
        auto* composite = new CompositeType(u"c");
        composite->Add(new CountingNode(level));
        if (level % 2 == 0) {
            // Every other level a composite sequence, whose prototype is copied too.
            auto* sequence = new CompositeSequenceType(u"q", new CountingPrototype(level));
            sequence->Add(composite);
            composite = new CompositeType(u"item");
            composite->Add(sequence);
        }
        composite->Add(node);
        node = composite;
    }
    std::unique_ptr<ServiceType> const source(node);
    int const nodes = Nodes().live;
    int const prototypes = Prototypes().live;

    Nodes().copyBudget = kLevels / 2;
    EXPECT_THROW(std::unique_ptr<ServiceType>(source->Copy()), std::bad_alloc);
    Nodes().copyBudget = -1;
    EXPECT_EQ(Nodes().live, nodes);
    EXPECT_EQ(Prototypes().live, prototypes);

    Prototypes().copyBudget = kLevels / 4;
    EXPECT_THROW(std::unique_ptr<ServiceType>(source->Copy()), std::bad_alloc);
    Prototypes().copyBudget = -1;
    EXPECT_EQ(Nodes().live, nodes);
    EXPECT_EQ(Prototypes().live, prototypes);

    std::unique_ptr<ServiceType> const copy(source->Copy());
    EXPECT_EQ(Nodes().live, 2 * nodes);
    EXPECT_EQ(Prototypes().live, 2 * prototypes);
}

} // namespace
