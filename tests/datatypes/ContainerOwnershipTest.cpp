// The ownership rules every container follows, checked on all five with the
// counting nodes: each owned node destroyed exactly once, deep and independent
// copies, assignment releasing the target's nodes, self-assignment, and no leak
// when a copy fails half-way; moves that take the very nodes over without a
// copy, and clones of the container's own class; then, for the three lists,
// order, iterators and the null they ignore. Last, what each container adds:
// the prototype, the dictionary's keys and values, the wrapper's SetValue, and
// the choices for nodes handed over twice.

#include "datatypes/CountingNode.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>
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
    static void Append(Container& c, std::int32_t value, std::u16string const& name)
    {
        c.Add(new CountingNode(value, name));
    }
    static CountingNode const& Of(ServiceType const* item) { return AsCounted(item); }
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
    static void Append(Container& c, std::int32_t value, std::u16string const& name)
    {
        c.Add(CompositeOf({value}, name));
    }
    static CountingNode const& Of(CompositeType const* item) { return AsCounted(*item->BeginIterator()); }
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
    // Clear() releases both nodes themselves, not only their items.
    static void ExpectCleared(Container const& c)
    {
        EXPECT_EQ(c.GetKeys(), nullptr);
        EXPECT_EQ(c.GetValues(), nullptr);
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
    static void Append(Container& c, std::int32_t value, std::u16string const& name)
    {
        c.Add(new AnyTypeServiceType(new CountingNode(value), name));
    }
    static CountingNode const& Of(AnyTypeServiceType const* item) { return AsCounted(item->GetValue()); }
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
        if constexpr (requires { TypeParam::ExpectCleared(*container); }) {
            TypeParam::ExpectCleared(*container);
        }
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

// ---- the three lists

template <class Row> class OwnedListOrder : public ContainerOwnership<Row> { };

using ListRows = ::testing::Types<CompositeRow, CompositeSequenceRow, AnyTypeSequenceRow>;
TYPED_TEST_SUITE(OwnedListOrder, ListRows);

TYPED_TEST(OwnedListOrder, KeepsItemsInOrderWithRepeatedNamesAndIgnoresNull)
{
    auto list = this->Make({});
    TypeParam::Append(*list, 1, u"a");
    list->Add(nullptr);
    TypeParam::Append(*list, 2, u"b");
    list->Add(nullptr);
    TypeParam::Append(*list, 3, u"a");
    EXPECT_EQ(list->Size(), 3u);
    EXPECT_EQ(this->Read(*list), (Values {1, 2, 3}));

    std::vector<std::u16string> names;
    Values reversed;
    for (auto it = list->ReverseBeginIterator(); it != list->ReverseEndIterator(); ++it) {
        names.push_back((*it)->GetParamName());
        reversed.push_back(TypeParam::Of(*it).GetValue());
    }
    EXPECT_EQ(names, (std::vector<std::u16string> {u"a", u"b", u"a"}));
    EXPECT_EQ(reversed, (Values {3, 2, 1}));
    auto const& readOnly = *list;
    EXPECT_EQ(TypeParam::Of(*readOnly.ReverseBeginIterator()).GetValue(), 3);
    EXPECT_EQ((*readOnly.BeginIterator())->GetParamName(), u"a");
    EXPECT_EQ(readOnly.EndIterator() - readOnly.BeginIterator(), 3);
    std::unique_ptr<ServiceType> const copy(list->Copy());
    EXPECT_EQ(copy->Size(), 3u);
}

// ---- what each container adds

class Composite : public TestSupport::CountedTest { };
class CompositeSequence : public TestSupport::CountedTest { };
class Dictionary : public TestSupport::CountedTest { };
class AnyType : public TestSupport::CountedTest { };

std::vector<std::u16string> NamesOf(CompositeType const& composite)
{
    std::vector<std::u16string> names;
    for (auto it = composite.BeginIterator(); it != composite.EndIterator(); ++it) {
        names.push_back((*it)->GetParamName());
    }
    return names;
}

// The single-argument constructors take the name as a wide string does, so a
// node can be copy-initialised from its name.
TEST(NameConstructors, ConvertFromAWideString)
{
    static_assert(std::is_convertible_v<std::u16string const&, CompositeType>);
    static_assert(std::is_convertible_v<std::u16string const&, DictionaryType>);
    static_assert(std::is_convertible_v<std::u16string const&, AnyTypeSequenceType>);
    static_assert(std::is_convertible_v<std::u16string const&, SequenceType<std::int32_t>>);
    std::u16string const name = u"record";
    CompositeType const composite = name;
    DictionaryType const dictionary = name;
    AnyTypeSequenceType const anys = name;
    SequenceType<double> const doubles = name;
    for (ServiceType const* node :
        std::initializer_list<ServiceType const*> {&composite, &dictionary, &anys, &doubles}) {
        EXPECT_EQ(node->GetParamName(), name);
        EXPECT_EQ(node->Size(), 0u);
    }
}

TEST_F(Composite, ReservedRoomTakesChildrenWithoutMovingThem)
{
    CompositeType composite(u"record");
    composite.Add(new CountingNode(1, u"a"));
    composite.Reserve(8);
    auto const slots = reinterpret_cast<std::uintptr_t>(&*composite.BeginIterator());
    for (int i = 2; i <= 8; ++i) {
        composite.Add(new CountingNode(i, u"a"));
    }
    // The stored pointers stayed where they were: no reallocation for the reserved count.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&*composite.BeginIterator()), slots);
    EXPECT_EQ(composite.Size(), 8u);
    composite.Reserve(2);
    EXPECT_EQ(composite.Size(), 8u);
    EXPECT_EQ(dynamic_cast<CountingNode const&>(**(composite.EndIterator() - 1)).GetValue(), 8);
}

TEST_F(Composite, PointersOverwrittenThroughIteratorsAreOwned)
{
    CompositeType composite(u"record");
    composite.Add(new CountingNode(1));
    composite.Add(new CountingNode(2));
    auto const first = composite.BeginIterator();
    std::unique_ptr<ServiceType> const takenFirst(*first);
    std::unique_ptr<ServiceType> const takenSecond(*(first + 1));
    *first = new CountingNode(10);
    *(first + 1) = nullptr; // skipped by the copies and the destructor

    CompositeType const copy(composite);
    ASSERT_EQ(copy.Size(), 2u);
    EXPECT_EQ(dynamic_cast<CountingNode const&>(**copy.BeginIterator()).GetValue(), 10);
    EXPECT_EQ(*(copy.BeginIterator() + 1), nullptr);
    CompositeType target(u"x");
    target = copy;
    EXPECT_EQ(target.Size(), 2u);
    EXPECT_EQ(Nodes().live, 5);
}

TEST_F(Composite, TreesOfAnyDepthCopyDeeply)
{
    auto root = std::make_unique<CompositeType>(u"root");
    auto* inner = new CompositeType(u"inner");
    inner->Add(new CountingNode(1, u"leaf"));
    inner->Add(new AnyTypeServiceType(new CountingNode(2), u"any"));
    auto* dictionary = new DictionaryType(u"dict");
    dictionary->SetKeys(new SequenceType<std::u16string>({u"k"}, u"keys"));
    dictionary->SetValues(new CountingNode(3));
    inner->Add(dictionary);
    root->Add(inner);
    auto* sequence = new CompositeSequenceType(u"seq", new CountingPrototype(4));
    sequence->Add(dynamic_cast<CompositeType*>(sequence->CreateEmptyItem()));
    root->Add(sequence);
    EXPECT_EQ(Nodes().live, 4);

    std::unique_ptr<ServiceType> copy(root->Copy());
    EXPECT_EQ(Nodes().live, 8);
    EXPECT_EQ(Prototypes().live, 2);
    root.reset();
    EXPECT_EQ(Nodes().live, 4);

    auto const& copied = dynamic_cast<CompositeType const&>(*copy);
    auto const& copiedInner = dynamic_cast<CompositeType const&>(**copied.BeginIterator());
    EXPECT_EQ(NamesOf(copiedInner), (std::vector<std::u16string> {u"leaf", u"any", u"dict"}));
    auto const& copiedDictionary = dynamic_cast<DictionaryType const&>(**(copiedInner.BeginIterator() + 2));
    EXPECT_EQ(copiedDictionary.Size(), 1u);
    EXPECT_EQ(dynamic_cast<CountingNode const&>(*copiedDictionary.GetValues()).GetValue(), 3);
    auto& copiedSequence = dynamic_cast<CompositeSequenceType&>(**(copied.BeginIterator() + 1));
    std::unique_ptr<ServiceType> const item(copiedSequence.CreateEmptyItem());
    EXPECT_EQ(item->GetParamName(), u"item");
}

TEST_F(CompositeSequence, CreateEmptyItemMakesNewTreesFromThePrototypeWhichClearKeeps)
{
    CompositeSequenceType sequence(u"rows", new CountingPrototype(7));
    std::unique_ptr<ServiceType> const first(sequence.CreateEmptyItem());
    std::unique_ptr<ServiceType> const second(sequence.CreateEmptyItem());
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first.get(), second.get());
    EXPECT_EQ(first->GetParamName(), u"item");
    EXPECT_EQ(second->GetParamName(), u"item");
    auto const& item = dynamic_cast<CompositeType const&>(*first);
    EXPECT_EQ(dynamic_cast<CountingNode const&>(**item.BeginIterator()).GetValue(), 7);
    EXPECT_EQ(sequence.Size(), 0u);

    sequence.Add(new CompositeType(u"a"));
    sequence.Add(nullptr);
    sequence.Add(new CompositeType(u"b"));
    EXPECT_EQ(sequence.Size(), 2u);
    sequence.Clear();
    EXPECT_EQ(sequence.Size(), 0u);
    EXPECT_EQ(Prototypes().live, 1);
    std::unique_ptr<ServiceType> const afterClear(sequence.CreateEmptyItem());
    EXPECT_EQ(afterClear->GetType(), COMPOSITE);
}

TEST_F(CompositeSequence, WithoutPrototypeTheEmptyItemIsAnEmptyComposite)
{
    CompositeSequenceType sequence(u"rows", nullptr);
    std::unique_ptr<ServiceType> const item(sequence.CreateEmptyItem());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(TestSupport::DynamicType(*item), std::type_index(typeid(CompositeType)));
    EXPECT_EQ(item->GetParamName(), u"item");
    EXPECT_EQ(item->Size(), 0u);

    CompositeSequenceType copy(sequence);
    std::unique_ptr<ServiceType> const copiedItem(copy.CreateEmptyItem());
    EXPECT_EQ(copiedItem->Size(), 0u);
}

TEST_F(CompositeSequence, CopiesOwnTheirOwnPrototype)
{
    auto source = std::make_unique<CompositeSequenceType>(u"rows", new CountingPrototype(5));
    CompositeSequenceType copy(*source);
    EXPECT_EQ(Prototypes().live, 2);
    source.reset();
    EXPECT_EQ(Prototypes().live, 1);
    std::unique_ptr<ServiceType> const item(copy.CreateEmptyItem());
    EXPECT_EQ(
        dynamic_cast<CountingNode const&>(**dynamic_cast<CompositeType const&>(*item).BeginIterator()).GetValue(), 5);
}

// A user composite whose Copy() breaks the contract by answering another class.
class WrongCopyComposite : public CompositeType {
public:
    using CompositeType::CompositeType;
    ServiceType* Copy() const override { return new ScalarType<std::int32_t>(0, u"wrong"); }
};

TEST_F(CompositeSequence, ItemsCopyAsCompositesEvenWhenACopyMisbehaves)
{
    CompositeSequenceType sequence(u"rows", nullptr);
    auto* item = new WrongCopyComposite(u"item");
    item->Add(new CountingNode(1));
    sequence.Add(item);
    CompositeSequenceType const copy(sequence);
    ASSERT_EQ(copy.Size(), 1u);
    CompositeType const* copied = *copy.BeginIterator();
    EXPECT_EQ(TestSupport::DynamicType(*copied), std::type_index(typeid(CompositeType)));
    EXPECT_EQ(copied->GetParamName(), u"item");
    EXPECT_EQ(dynamic_cast<CountingNode const&>(**copied->BeginIterator()).GetValue(), 1);
}

TEST_F(Dictionary, SizeNeedsBothNodes)
{
    DictionaryType dictionary(u"map");
    EXPECT_EQ(dictionary.Size(), 0u);
    EXPECT_EQ(dictionary.GetKeys(), nullptr);
    EXPECT_EQ(dictionary.GetValues(), nullptr);
    auto* keys = new SequenceType<std::u16string>({u"a", u"b", u"c", u"d"}, u"keys");
    dictionary.SetKeys(keys);
    EXPECT_EQ(dictionary.Size(), 0u);
    auto* values = new SequenceType<std::int32_t>({1, 2, 3, 4}, u"values");
    dictionary.SetValues(values);
    EXPECT_EQ(dictionary.Size(), 4u);
    EXPECT_EQ(dictionary.GetKeys(), keys);
    DictionaryType const& readOnly = dictionary;
    EXPECT_EQ(readOnly.GetValues(), values);
}

TEST_F(Dictionary, SettersLeaveTheFormerNodeToTheCaller)
{
    DictionaryType dictionary(u"map");
    auto* firstKeys = new CountingNode(1);
    dictionary.SetKeys(firstKeys);
    std::unique_ptr<ServiceType> reclaimed(dictionary.GetKeys());
    dictionary.SetKeys(new CountingNode(2));
    EXPECT_EQ(Nodes().TimesDestroyed(firstKeys->Id()), 0);
    EXPECT_EQ(dynamic_cast<CountingNode&>(*reclaimed).GetValue(), 1);

    std::unique_ptr<ServiceType> formerValues(new CountingNode(3));
    dictionary.SetValues(formerValues.get());
    dictionary.SetValues(new CountingNode(4));
    EXPECT_EQ(Nodes().live, 4);
    // Handing over the node already held changes nothing.
    dictionary.SetValues(dictionary.GetValues());
    EXPECT_EQ(Nodes().live, 4);
}

TEST_F(Dictionary, OneNodeAsKeysAndValuesIsOwnedOnce)
{
    auto dictionary = std::make_unique<DictionaryType>(u"map");
    auto* both = new CountingNode(1);
    int const id = both->Id();
    dictionary->SetKeys(both);
    dictionary->SetValues(both);
    DictionaryType const copy(*dictionary);
    EXPECT_EQ(copy.GetKeys(), copy.GetValues());
    EXPECT_NE(copy.GetKeys(), both);
    EXPECT_EQ(Nodes().live, 2);
    dictionary.reset();
    EXPECT_EQ(Nodes().TimesDestroyed(id), 1);
}

TEST_F(Dictionary, CopiesOfPartlyFilledDictionariesKeepTheNull)
{
    DictionaryType dictionary(u"map");
    dictionary.SetValues(new CountingNode(1));
    DictionaryType const copy(dictionary);
    EXPECT_EQ(copy.GetKeys(), nullptr);
    ASSERT_NE(copy.GetValues(), nullptr);
    EXPECT_NE(copy.GetValues(), dictionary.GetValues());
    EXPECT_EQ(copy.Size(), 0u);
}

TEST_F(AnyType, SetValueReleasesTheFormerNode)
{
    auto* first = new CountingNode(1);
    int const firstId = first->Id();
    AnyTypeServiceType wrapper(first, u"any");
    EXPECT_EQ(wrapper.GetValue(), first);
    auto* second = new CountingNode(2);
    wrapper.SetValue(second);
    EXPECT_EQ(Nodes().TimesDestroyed(firstId), 1);
    EXPECT_EQ(wrapper.GetValue(), second);

    // Handing over the node already held keeps it alive.
    wrapper.SetValue(second);
    EXPECT_EQ(Nodes().TimesDestroyed(second->Id()), 0);
    EXPECT_EQ(
        dynamic_cast<CountingNode const&>(*static_cast<AnyTypeServiceType const&>(wrapper).GetValue()).GetValue(), 2);

    wrapper.SetValue(nullptr);
    EXPECT_EQ(Nodes().live, 0);
    EXPECT_EQ(wrapper.GetValue(), nullptr);
}

TEST_F(AnyType, NullWrapperCopiesToNull)
{
    AnyTypeServiceType const empty(nullptr, u"nothing");
    std::unique_ptr<ServiceType> const copy(empty.Copy());
    auto const& typed = dynamic_cast<AnyTypeServiceType const&>(*copy);
    EXPECT_EQ(typed.GetValue(), nullptr);
    EXPECT_EQ(typed.Size(), 0u);
    EXPECT_TRUE(typed.IsLeaf());
    EXPECT_EQ(typed.GetParamName(), u"nothing");

    AnyTypeServiceType target(new CountingNode(1), u"t");
    target = empty;
    EXPECT_EQ(target.GetValue(), nullptr);
    EXPECT_EQ(Nodes().live, 0);
}

} // namespace
