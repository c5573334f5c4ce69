// The ownership rules every container follows, checked on all five with the
// counting nodes: each owned node destroyed exactly once, deep and independent
// copies, assignment releasing the target's nodes, self-assignment, and no leak
// when a copy fails half-way; moves that take the very nodes over without a
// copy, and clones of the container's own class.

#include "datatypes/CountingNode.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

using namespace Tarnwick::DataTypes;
using TestSupport::CountingNode;
using TestSupport::CountingPrototype;
using TestSupport::Nodes;
using TestSupport::Prototypes;

namespace {

using Values = std::vector<std::int32_t>;
using Counted = std::vector<CountingNode const*>;

CountingNode const& AsCounted(ServiceType const* node)
{
    return dynamic_cast<CountingNode const&>(*node);
}

Counted ChildrenOf(CompositeType const& composite)
{
    Counted nodes;
    for (auto it = composite.BeginIterator(); it != composite.EndIterator(); ++it) {
        nodes.push_back(&AsCounted(*it));
    }
    return nodes;
}

CompositeType* CompositeOf(Values const& values, std::u16string const& name)
{
    auto* composite = new CompositeType(name);
    for (auto const value : values) {
        composite->Add(new CountingNode(value));
    }
    return composite;
}

// How each container is filled with counting nodes and read back.
struct CompositeRow {
    using Container = CompositeType;
    static constexpr bool kClearReleases = true;
    static Container* Make(Values const& values) { return CompositeOf(values, u"root"); }
    static Counted Read(Container const& c) { return ChildrenOf(c); }
};

struct CompositeSequenceRow {
    using Container = CompositeSequenceType;
    static constexpr bool kClearReleases = true;
    static Container* Make(Values const& values)
    {
        auto* sequence = new CompositeSequenceType(u"items", new CountingPrototype(-1));
        for (auto const value : values) {
            sequence->Add(CompositeOf({value}, u"item"));
        }
        return sequence;
    }
    static Counted Read(Container const& c)
    {
        Counted nodes;
        for (auto it = c.BeginIterator(); it != c.EndIterator(); ++it) {
            EXPECT_EQ(TestSupport::DynamicType(**it), std::type_index(typeid(CompositeType)));
            for (auto const* node : ChildrenOf(**it)) {
                nodes.push_back(node);
            }
        }
        return nodes;
    }
};

struct DictionaryRow {
    using Container = DictionaryType;
    static constexpr bool kClearReleases = true;
    static Container* Make(Values const& values)
    {
        auto* dictionary = new DictionaryType(u"map");
        dictionary->SetKeys(CompositeOf(values, u"keys"));
        dictionary->SetValues(new SequenceType<std::int32_t>(values, u"values"));
        return dictionary;
    }
    static Counted Read(Container const& c)
    {
        if (c.GetKeys() == nullptr) {
            return {};
        }
        EXPECT_EQ(c.GetValues()->Size(), c.GetKeys()->Size());
        return ChildrenOf(dynamic_cast<CompositeType const&>(*c.GetKeys()));
    }
};

struct AnyTypeRow {
    using Container = AnyTypeServiceType;
    static constexpr bool kClearReleases = false; // a leaf: Clear() keeps the wrapped node
    static Container* Make(Values const& values)
    {
        return new AnyTypeServiceType(CompositeOf(values, u"inner"), u"any");
    }
    static Counted Read(Container const& c)
    {
        if (c.GetValue() == nullptr) {
            return {};
        }
        return ChildrenOf(dynamic_cast<CompositeType const&>(*c.GetValue()));
    }
};

struct AnyTypeSequenceRow {
    using Container = AnyTypeSequenceType;
    static constexpr bool kClearReleases = true;
    static Container* Make(Values const& values)
    {
        auto* sequence = new AnyTypeSequenceType(u"anys");
        for (auto const value : values) {
            sequence->Add(new AnyTypeServiceType(new CountingNode(value), u"item"));
        }
        return sequence;
    }
    static Counted Read(Container const& c)
    {
        Counted nodes;
        for (auto it = c.BeginIterator(); it != c.EndIterator(); ++it) {
            EXPECT_EQ(TestSupport::DynamicType(**it), std::type_index(typeid(AnyTypeServiceType)));
            nodes.push_back(&AsCounted((*it)->GetValue()));
        }
        return nodes;
    }
};

Values ValuesOf(Counted const& nodes)
{
    Values values;
    for (auto const* node : nodes) {
        values.push_back(node->GetValue());
    }
    return values;
}

template <class Row> class ContainerOwnership : public TestSupport::CountedTest {
protected:
    using Container = typename Row::Container;
    static std::unique_ptr<Container> Make(Values const& values)
    {
        return std::unique_ptr<Container>(Row::Make(values));
    }
    static Values Read(Container const& c) { return ValuesOf(Row::Read(c)); }
};

using Rows = ::testing::Types<CompositeRow, CompositeSequenceRow, DictionaryRow, AnyTypeRow, AnyTypeSequenceRow>;
TYPED_TEST_SUITE(ContainerOwnership, Rows);

TYPED_TEST(ContainerOwnership, DestroysEveryOwnedNodeOnce)
{
    auto container = this->Make({1, 2, 3});
    EXPECT_EQ(Nodes().live, 3);
    EXPECT_EQ(this->Read(*container), (Values {1, 2, 3}));
    container.reset();
    EXPECT_EQ(Nodes().live, 0);
    EXPECT_EQ(Prototypes().live, 0);
    // An empty one destroys nothing but itself.
    this->Make({}).reset();
    EXPECT_EQ(Nodes().made, 3);
}

TYPED_TEST(ContainerOwnership, CopyIsDeepAndKeepsTheClass)
{
    auto const source = this->Make({4, 5, 6});
    std::unique_ptr<ServiceType> copy(source->Copy());
    ASSERT_EQ(TestSupport::DynamicType(*copy), TestSupport::DynamicType(*source));
    EXPECT_EQ(copy->GetParamName(), source->GetParamName());
    EXPECT_EQ(copy->Size(), source->Size());
    auto& typed = dynamic_cast<typename TestFixture::Container&>(*copy);
    EXPECT_EQ(Nodes().live, 6);

    Counted const original = TypeParam::Read(*source);
    Counted const copied = TypeParam::Read(typed);
    ASSERT_EQ(copied.size(), 3u);
    for (std::size_t i = 0; i < copied.size(); ++i) {
        EXPECT_NE(copied[i], original[i]);
        EXPECT_EQ(copied[i]->GetParamName(), original[i]->GetParamName());
    }
    const_cast<CountingNode*>(copied[0])->SetValue(40);
    EXPECT_EQ(this->Read(*source), (Values {4, 5, 6}));

    // Destroying the copy leaves the source whole, and the other way round.
    copy.reset();
    EXPECT_EQ(this->Read(*source), (Values {4, 5, 6}));
    typename TestFixture::Container constructed(*source);
    auto sourceCopy = std::unique_ptr<ServiceType>(source->Copy());
    sourceCopy.reset();
    EXPECT_EQ(this->Read(constructed), (Values {4, 5, 6}));
}

TYPED_TEST(ContainerOwnership, AssignmentReleasesTheTargetsNodes)
{
    auto const source = this->Make({1, 2});
    auto target = this->Make({7, 8, 9});
    std::vector<int> former;
    for (auto const* node : TypeParam::Read(*target)) {
        former.push_back(node->Id());
    }
    ASSERT_EQ(former.size(), 3u);
    int const formerPrototypes = Prototypes().live;

    *target = *source;
    for (int const id : former) {
        EXPECT_EQ(Nodes().TimesDestroyed(id), 1) << id;
    }
    EXPECT_EQ(Prototypes().live, formerPrototypes);
    EXPECT_EQ(this->Read(*target), (Values {1, 2}));
    EXPECT_EQ(target->GetParamName(), source->GetParamName());
    EXPECT_EQ(Nodes().live, 4);

    // Self-assignment keeps the very same nodes.
    Counted const held = TypeParam::Read(*target);
    auto& self = *target;
    *target = self;
    EXPECT_EQ(TypeParam::Read(*target), held);
    EXPECT_EQ(Nodes().live, 4);
}

TYPED_TEST(ContainerOwnership, FailedCopyLeaksNothingAndLeavesTheTarget)
{
    auto const source = this->Make({1, 2, 3});
    auto target = this->Make({9});
    Counted const held = TypeParam::Read(*target);

    Nodes().copyBudget = 1; // the second node copy fails
    EXPECT_THROW(std::unique_ptr<ServiceType>(source->Copy()), std::bad_alloc);
    Nodes().copyBudget = 1;
    EXPECT_THROW(*target = *source, std::bad_alloc);
    Nodes().copyBudget = -1;

    EXPECT_EQ(Nodes().live, 4);
    EXPECT_EQ(TypeParam::Read(*target), held);
    EXPECT_EQ(this->Read(*source), (Values {1, 2, 3}));
}

TYPED_TEST(ContainerOwnership, Clear)
{
    auto container = this->Make({1, 2});
    auto const name = container->GetParamName();
    container->Clear();
    EXPECT_EQ(container->GetParamName(), name);
    if constexpr (TypeParam::kClearReleases) {
        EXPECT_EQ(container->Size(), 0u);
        EXPECT_EQ(Nodes().live, 0);
        EXPECT_TRUE(this->Read(*container).empty());
    } else {
        EXPECT_EQ(Nodes().live, 2);
        EXPECT_EQ(this->Read(*container), (Values {1, 2}));
    }
    // Still usable afterwards, and still releases what it then owns.
    *container = *this->Make({3});
    EXPECT_EQ(this->Read(*container), (Values {3}));
}

TYPED_TEST(ContainerOwnership, MoveConstructionTakesTheNodesOverWithoutCopying)
{
    using Container = typename TestFixture::Container;
    static_assert(std::is_nothrow_move_constructible_v<Container> && std::is_nothrow_move_assignable_v<Container>);
    auto source = this->Make({1, 2, 3});
    auto const name = source->GetParamName();
    Counted const held = TypeParam::Read(*source);
    int const made = Nodes().made;
    int const prototypes = Prototypes().made;

    Container moved(std::move(*source));
    EXPECT_EQ(Nodes().made, made) << "a node was copied";
    EXPECT_EQ(Prototypes().made, prototypes) << "the prototype was copied";
    EXPECT_EQ(TypeParam::Read(moved), held); // the very same nodes
    EXPECT_EQ(moved.GetParamName(), name);
    // The source is empty and still a working container.
    EXPECT_TRUE(TypeParam::Read(*source).empty());
    EXPECT_EQ(source->Size(), 0u);
    EXPECT_EQ(source->GetParamName(), u"");
    *source = *this->Make({4});
    EXPECT_EQ(this->Read(*source), (Values {4}));
}

TYPED_TEST(ContainerOwnership, MoveAssignmentReleasesTheTargetsNodesOnceAndTakesTheSources)
{
    auto source = this->Make({1, 2});
    auto target = this->Make({7, 8, 9});
    std::vector<int> former;
    for (auto const* node : TypeParam::Read(*target)) {
        former.push_back(node->Id());
    }
    Counted const held = TypeParam::Read(*source);
    int const made = Nodes().made;

    *target = std::move(*source);
    EXPECT_EQ(Nodes().made, made);
    for (int const id : former) {
        EXPECT_EQ(Nodes().TimesDestroyed(id), 1) << id;
    }
    EXPECT_EQ(TypeParam::Read(*target), held);
    EXPECT_TRUE(TypeParam::Read(*source).empty());
    EXPECT_EQ(Nodes().live, 2);

    // Moving onto itself keeps the very same nodes.
    auto& self = *target;
    *target = std::move(self);
    EXPECT_EQ(TypeParam::Read(*target), held);
}

TYPED_TEST(ContainerOwnership, CloneIsADeepCopyOfTheContainersOwnClass)
{
    using Container = typename TestFixture::Container;
    auto const source = this->Make({1, 2});
    std::unique_ptr<Container> clone = source->Clone();
    ASSERT_EQ(TestSupport::DynamicType(*clone), TestSupport::DynamicType(*source));
    EXPECT_EQ(this->Read(*clone), (Values {1, 2}));
    EXPECT_EQ(Nodes().live, 4);
    // Through the base, Clone() answers the base class and keeps the dynamic one.
    std::unique_ptr<ServiceType> const viaBase = static_cast<ServiceType const&>(*source).Clone();
    EXPECT_EQ(TestSupport::DynamicType(*viaBase), TestSupport::DynamicType(*source));
}

} // namespace
