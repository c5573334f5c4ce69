// What each container adds to the common ownership rules: order, iterators,
// the prototype, the dictionary's keys and values, the wrapper's SetValue, and
// the choices for nulls and for nodes handed over twice.

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
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

using namespace Tarnwick::DataTypes;
using TestSupport::CountingNode;
using TestSupport::CountingPrototype;
using TestSupport::Nodes;
using TestSupport::Prototypes;

namespace {

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

TEST_F(Composite, KeepsChildrenInOrderWithRepeatedNames)
{
    CompositeType composite(u"record");
    composite.Add(new CountingNode(1, u"a"));
    composite.Add(new ScalarType<std::u16string>(u"text", u"b"));
    composite.Add(new CountingNode(3, u"a"));
    EXPECT_EQ(composite.Size(), 3u);
    EXPECT_EQ(NamesOf(composite), (std::vector<std::u16string> {u"a", u"b", u"a"}));

    std::vector<std::u16string> reversed;
    for (auto it = composite.ReverseBeginIterator(); it != composite.ReverseEndIterator(); ++it) {
        reversed.push_back((*it)->GetParamName());
    }
    EXPECT_EQ(reversed, (std::vector<std::u16string> {u"a", u"b", u"a"}));
    CompositeType const& readOnly = composite;
    EXPECT_EQ(dynamic_cast<CountingNode const&>(**readOnly.ReverseBeginIterator()).GetValue(), 3);
    EXPECT_EQ(readOnly.EndIterator() - readOnly.BeginIterator(), 3);
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

TEST_F(Composite, NullChildIsIgnored)
{
    CompositeType composite(u"record");
    composite.Add(nullptr);
    composite.Add(new CountingNode(1));
    composite.Add(nullptr);
    EXPECT_EQ(composite.Size(), 1u);
    std::unique_ptr<ServiceType> const copy(composite.Copy());
    EXPECT_EQ(copy->Size(), 1u);
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

TEST_F(Dictionary, ClearReleasesBothNodes)
{
    DictionaryType dictionary(u"map");
    dictionary.SetKeys(new CountingNode(1));
    dictionary.SetValues(new CountingNode(2));
    dictionary.Clear();
    EXPECT_EQ(Nodes().live, 0);
    EXPECT_EQ(dictionary.GetKeys(), nullptr);
    EXPECT_EQ(dictionary.GetValues(), nullptr);
    EXPECT_EQ(dictionary.GetParamName(), u"map");
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

TEST_F(AnyType, SequenceKeepsOrderAndIgnoresNull)
{
    AnyTypeSequenceType sequence(u"anys");
    sequence.Add(new AnyTypeServiceType(new CountingNode(1), u"a"));
    sequence.Add(nullptr);
    sequence.Add(new AnyTypeServiceType(new ScalarType<bool>(true, u"flag"), u"b"));
    ASSERT_EQ(sequence.Size(), 2u);
    AnyTypeSequenceType const& readOnly = sequence;
    EXPECT_EQ((*readOnly.BeginIterator())->GetParamName(), u"a");
    EXPECT_EQ((*(readOnly.EndIterator() - 1))->GetValue()->GetType(), BOOLEAN);
}

} // namespace
