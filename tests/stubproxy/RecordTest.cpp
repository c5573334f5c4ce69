#include "RecordShapes.h"
#include "stubproxy/OrderRecord.h"
#include "stubproxy/ValueObjectConformance.h"

#include <tarnwick/tarnwick.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace RecordTest {

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;
using Tarnwick::StubProxy::Field;
using Tarnwick::StubProxy::Record;
using Tarnwick::StubProxy::UserParametersSubscribeEvent;

using RecordFuzz::Branch;
using RecordFuzz::Encoded;
using RecordFuzz::Leaf;
using Tarnwick::Tests::ThrownText;

// One member of every kind a record stores.
struct Kinds : Record<Kinds>, RecordFuzz::PrimitiveMembers {
    AnyType any;
    XmlValue xml;
    Line line;
    std::vector<Line> lines;
    std::map<std::u16string, double> prices;
    std::vector<std::pair<std::int32_t, Line>> byId;
    std::map<std::uint8_t, AnyType> extras;
    UserParametersSubscribeEvent subscribe {false};
    static constexpr auto Fields()
    {
        return RecordFuzz::PrimitiveFields(Field(u"any", &Kinds::any), Field(u"xml", &Kinds::xml),
            Field(u"line", &Kinds::line), Field(u"lines", &Kinds::lines), Field(u"prices", &Kinds::prices),
            Field(u"byId", &Kinds::byId), Field(u"extras", &Kinds::extras), Field(u"subscribe", &Kinds::subscribe));
    }
};

// Records of vectors of records of vectors of records.
struct Tree : Record<Tree> {
    std::vector<Branch> branches;
    static constexpr auto Fields() { return std::tuple {Field(u"branches", &Tree::branches)}; }
};

// Two fields of one name.
struct Twice : Record<Twice> {
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::int32_t c = 0;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"x", &Twice::a), Field(u"y", &Twice::b), Field(u"x", &Twice::c)};
    }
};

template <class T> struct Named : Record<Named<T>> {
    T value {};
    static constexpr auto Fields() { return std::tuple {Field(u"value", &Named::value)}; }
};

Kinds MakeKinds()
{
    Kinds k;
    static_cast<RecordFuzz::PrimitiveMembers&>(k) = RecordFuzz::FilledPrimitives();
    k.any = std::int16_t(-5);
    k.xml.SetString(u"<b>bold</b>");
    k.line = MakeLine(u"L", 9);
    k.lines = {MakeLine(u"M", 10)};
    k.prices = {{u"p", 0.75}};
    k.byId = {{3, MakeLine(u"N", 11)}, {1, MakeLine(u"O", 12)}};
    k.extras = {{1, AnyType(std::int32_t(7))}};
    k.subscribe.SetSubscribe(true);
    return k;
}

std::string Encoded(ServiceType const* node)
{
    std::string text;
    Encoding::XmlEncoder::Encode(text, node, 0);
    return text;
}

template <class R> std::unique_ptr<CompositeType> Stored(R& record)
{
    return std::unique_ptr<CompositeType>(static_cast<CompositeType*>(record.StoreTo(nullptr)));
}

// The member kinds: each field's node code, in the order of the fields.
struct KindRow {
    char16_t const* name;
    ParamType code;
};
KindRow const kKindRows[] = {{u"flag", BOOLEAN}, {u"i8", INT8}, {u"u8", UINT8}, {u"i16", INT16}, {u"u16", UINT16},
    {u"i32", INT32}, {u"u32", UINT32}, {u"i64", INT64}, {u"u64", UINT64}, {u"f", FLOAT}, {u"d", DOUBLE},
    {u"text", STRING}, {u"flags", BOOLEAN_SEQUENCE}, {u"i8s", INT8_SEQUENCE}, {u"u8s", UINT8_SEQUENCE},
    {u"i16s", INT16_SEQUENCE}, {u"u16s", UINT16_SEQUENCE}, {u"i32s", INT32_SEQUENCE}, {u"u32s", UINT32_SEQUENCE},
    {u"i64s", INT64_SEQUENCE}, {u"u64s", UINT64_SEQUENCE}, {u"fs", FLOAT_SEQUENCE}, {u"ds", DOUBLE_SEQUENCE},
    {u"texts", STRING_SEQUENCE}, {u"when", TIME_STAMP}, {u"length", TIME_DURATION}, {u"whens", TIME_STAMP_SEQUENCE},
    {u"lengths", TIME_DURATION_SEQUENCE}, {u"any", ANY_TYPE}, {u"xml", XML_STRING}, {u"line", COMPOSITE},
    {u"lines", COMPOSITE_SEQUENCE}, {u"prices", DICTIONARY}, {u"byId", DICTIONARY}, {u"extras", DICTIONARY},
    {u"subscribe", COMPOSITE}};

// The encoded text of each child of a stored record, in order.
std::vector<std::string> ChildTexts(CompositeType const& root)
{
    std::vector<std::string> texts;
    for (ServiceType const* child : root) {
        texts.push_back(Encoded(child));
    }
    return texts;
}

TEST(RecordTest, EveryMemberKindIsStoredAsItsNodeInFieldOrder)
{
    Kinds kinds = MakeKinds();
    auto const root = Stored(kinds);
    EXPECT_EQ(root->GetParamNameRef(), u"Kinds");
    ASSERT_EQ(root->Size(), std::size(kKindRows));
    std::size_t i = 0;
    for (ServiceType const* child : *root) {
        SCOPED_TRACE(Utils::Conversion::Utf16ToUtf8(kKindRows[i].name));
        EXPECT_EQ(child->GetParamNameRef(), kKindRows[i].name);
        EXPECT_EQ(child->GetType(), kKindRows[i].code);
        ++i;
    }
}

TEST(RecordTest, EveryMemberKindComesBackThroughTheTreeAndThroughTheText)
{
    Kinds filled = MakeKinds();
    Kinds empty;
    empty.any = std::int8_t(0); // the encoder writes no empty variant: a value unlike the filled one
    auto const expected = ChildTexts(*Stored(filled));
    auto const defaults = ChildTexts(*Stored(empty));

    Kinds direct;
    auto const tree = Stored(filled);
    direct.InitFrom(tree.get());

    Kinds decoded;
    Encoding::XmlDecoder const decoder(Encoded(tree.get()));
    decoder.DecodeInto(decoded);

    auto const viaTree = ChildTexts(*Stored(direct));
    auto const viaText = ChildTexts(*Stored(decoded));
    for (std::size_t i = 0; i < std::size(kKindRows); ++i) {
        SCOPED_TRACE(Utils::Conversion::Utf16ToUtf8(kKindRows[i].name));
        EXPECT_NE(expected[i], defaults[i]); // every member is read, none left at its default
        EXPECT_EQ(viaTree[i], expected[i]);
        EXPECT_EQ(viaText[i], expected[i]);
    }
    EXPECT_EQ(decoded.whens[1].GetUTime(), 1600000000000000U);
    EXPECT_EQ(decoded.byId[0].first, 3);
    EXPECT_EQ(decoded.byId[0].second.sku, u"N");
    EXPECT_EQ(static_cast<std::int32_t>(decoded.extras.at(1)), 7);
    EXPECT_TRUE(decoded.subscribe.GetSubscribe());
}

// The order built by hand, node by node, as a user would without records.
std::unique_ptr<ServiceType> HandBuiltOrder(Order const& order)
{
    auto line = [](Line const& l, std::u16string const& name) {
        auto node = std::make_unique<CompositeType>(name);
        node->Add(std::make_unique<ScalarType<std::u16string>>(l.sku, u"sku"));
        node->Add(std::make_unique<ScalarType<std::int32_t>>(l.quantity, u"quantity"));
        return node;
    };
    auto root = std::make_unique<CompositeType>(u"request");
    root->Add(std::make_unique<ScalarType<std::int32_t>>(order.count, u"count"));
    root->Add(std::make_unique<ScalarType<std::u16string>>(order.label, u"label"));
    root->Add(std::make_unique<SequenceType<std::int16_t>>(order.codes, u"codes"));
    root->Add(TimeStamp(order.when).StoreTo(u"when"));
    auto prices = std::make_unique<DictionaryType>(u"prices");
    std::vector<std::u16string> keys;
    std::vector<double> values;
    for (auto const& [key, value] : order.prices) {
        keys.push_back(key);
        values.push_back(value);
    }
    prices->SetKeys(std::make_unique<SequenceType<std::u16string>>(keys, u"keys"));
    prices->SetValues(std::make_unique<SequenceType<double>>(values, u"values"));
    root->Add(std::move(prices));
    root->Add(line(order.first, u"first"));
    auto lines = std::make_unique<CompositeSequenceType>(u"lines", std::make_unique<Line>());
    for (Line const& l : order.lines) {
        lines->Add(line(l, u"item"));
    }
    root->Add(std::move(lines));
    return root;
}

TEST(RecordTest, EncodesTheSameBytesAsTheTreeBuiltByHand)
{
    Order order = MakeOrder();
    std::unique_ptr<ServiceType> const stored(order.StoreTo(u"request"));
    std::string const bytes = Encoded(stored.get());
    EXPECT_EQ(bytes, Encoded(HandBuiltOrder(order).get()));
    EXPECT_NE(bytes.find("<quantity>4</quantity>"), std::string::npos);
}

TEST(RecordTest, DefaultRootNameIsTheClassNameWithoutNamespaces)
{
    EXPECT_EQ(Order::DefaultName(), u"Order");
    EXPECT_EQ(Named<int>::DefaultName(), u"Named<int>");
    Order order;
    std::unique_ptr<ServiceType> const tree(order.StoreTo(nullptr));
    EXPECT_EQ(tree->GetParamNameRef(), u"Order");
}

// A node of a foreign class that answers `Code`.
template <ParamType Code> class Foreign : public ServiceType {
public:
    ParamType GetType() const override { return Code; }
    bool IsLeaf() const override { return true; }
    ServiceType* Copy() const override { return new Foreign(*this); }
};

CompositeType& Child(ServiceType& node, std::u16string_view name, std::size_t item = SIZE_MAX)
{
    ServiceType* child = static_cast<CompositeType&>(node).Find(name);
    if (item != SIZE_MAX) {
        child = static_cast<CompositeSequenceType*>(child)->begin()[static_cast<std::ptrdiff_t>(item)];
    }
    return static_cast<CompositeType&>(*child);
}

// Replaces the child `name` of `parent` by `replacement`, which takes its name.
void Replace(CompositeType& parent, std::u16string_view name, ServiceType* replacement)
{
    for (auto it = parent.BeginIterator(); it != parent.EndIterator(); ++it) {
        if ((*it)->GetParamNameRef() == name) {
            replacement->SetParamName(std::u16string(name));
            delete *it;
            *it = replacement;
            return;
        }
    }
    delete replacement;
    FAIL() << "no child to replace";
}

// Removes the child `name` of `parent`.
void Remove(CompositeType& parent, std::u16string_view name)
{
    CompositeType rest(parent.GetParamName());
    for (ServiceType const* child : parent) {
        if (child->GetParamNameRef() != name) {
            rest.Add(child->Copy());
        }
    }
    parent = std::move(rest);
}

// A change to the tree an order stored, the text its refusal adds and its line.
struct Refusal {
    char const* what;
    std::function<void(std::unique_ptr<ServiceType>&)> change;
    std::u16string message;
    std::int32_t line;
};

CompositeType& Root(std::unique_ptr<ServiceType>& tree)
{
    return static_cast<CompositeType&>(*tree);
}

TEST(RecordTest, RefusesAnotherShapeNamingThePathAndChangesNothing)
{
    std::vector<Refusal> const rows {
        {"no tree", [](auto& tree) { tree.reset(); }, u"Expected a COMPOSITE tree, found no tree", 801},
        {"scalar root", [](auto& tree) { tree = std::make_unique<ScalarType<std::int32_t>>(1, u"r"); },
            u"Expected a COMPOSITE tree, found INT32", 801},
        {"foreign root", [](auto& tree) { tree = std::make_unique<Foreign<COMPOSITE>>(); },
            u"Expected a COMPOSITE tree, found COMPOSITE of another class", 801},
        {"missing field", [](auto& tree) { Remove(Root(tree), u"label"); }, u"Missing field 'label'", 802},
        {"missing nested field", [](auto& tree) { Remove(Child(*tree, u"lines", 1), u"sku"); },
            u"Missing field 'lines/1/sku'", 802},
        {"wrong kind in an item",
            [](auto& tree) {
                Replace(Child(*tree, u"lines", 2), u"quantity", new ScalarType<std::u16string>(u"2", u""));
            },
            u"Field 'lines/2/quantity': expected INT32, found STRING", 803},
        {"a narrower integer is no INT32",
            [](auto& tree) { Replace(Root(tree), u"count", new ScalarType<std::int16_t>(1, u"")); },
            u"Field 'count': expected INT32, found INT16", 803},
        {"foreign class", [](auto& tree) { Replace(Root(tree), u"count", new Foreign<INT32>); },
            u"Field 'count': expected INT32, found INT32 of another class", 803},
        {"nested record not a composite",
            [](auto& tree) { Replace(Root(tree), u"first", new ScalarType<bool>(true, u"")); },
            u"Field 'first': expected COMPOSITE, found BOOLEAN", 803},
        {"dictionary keys of another kind",
            [](auto& tree) {
                static_cast<DictionaryType*>(Root(tree).Find(u"prices"))
                    ->SetKeys(std::make_unique<SequenceType<std::int32_t>>(std::vector<std::int32_t> {1, 2}, u"keys"));
            },
            u"Field 'prices/keys': expected STRING_SEQUENCE, found INT32_SEQUENCE", 803},
        {"dictionary lengths",
            [](auto& tree) {
                static_cast<DictionaryType*>(Root(tree).Find(u"prices"))
                    ->SetValues(std::make_unique<SequenceType<double>>(std::vector<double> {1.0}, u"values"));
            },
            u"Field 'prices': 2 keys and 1 values", 804},
        {"time stamp out of range",
            [](auto& tree) {
                Replace(Root(tree), u"when", new TimeStampServiceType(std::numeric_limits<std::uint64_t>::max(), u""));
            },
            u"Field 'when': Exception: Tarnwick::DataTypes::TimeStamp line 178 - SetUTime exception.", 805},
    };
    for (Refusal const& row : rows) {
        SCOPED_TRACE(row.what);
        std::unique_ptr<ServiceType> tree(MakeOrder().StoreTo(nullptr));
        row.change(tree);
        Order target = MakeOrder();
        target.count = 7;
        target.lines.pop_back();
        target.SetParamName(u"kept");
        std::string const before = Encoded(target);
        EXPECT_EQ(ThrownText([&] { target.InitFrom(tree.get()); }),
            u"Exception: RecordTest::Order line " + Utils::Conversion::IntegerToWstring(row.line) + u" - "
                + row.message);
        EXPECT_EQ(Encoded(target), before);
        EXPECT_EQ(target.GetParamName(), u"kept");
    }
}

TEST(RecordTest, RefusalOfAHandWrittenMemberNamesItsField)
{
    Kinds kinds = MakeKinds();
    std::unique_ptr<ServiceType> tree(kinds.StoreTo(nullptr));
    Replace(static_cast<CompositeType&>(*tree), u"subscribe", new CompositeType(u""));
    Kinds target;
    EXPECT_EQ(ThrownText([&] { target.InitFrom(tree.get()); }),
        u"Exception: RecordTest::Kinds line 805 - Field 'subscribe': Exception: "
        u"Tarnwick::StubProxy::UserParametersSubscribeEvent line 59 - Unsupported service type");
    EXPECT_TRUE(target.text.empty());
}

TEST(RecordTest, MatchesTheKthFieldOfANameToTheKthChildOfThatName)
{
    CompositeType tree(u"t");
    // Once out of order, the next child is no longer the k-th of its name: the
    // second 'x' field must not take the first 'x' child that follows 'y'.
    tree.Add(std::make_unique<ScalarType<std::int32_t>>(2, u"y"));
    tree.Add(std::make_unique<ScalarType<std::int32_t>>(1, u"x"));
    tree.Add(std::make_unique<ScalarType<std::u16string>>(u"ignored", u"other"));
    tree.Add(std::make_unique<ScalarType<std::int32_t>>(3, u"x"));
    Twice twice;
    twice.InitFrom(&tree);
    EXPECT_EQ(std::tie(twice.a, twice.b, twice.c), std::make_tuple(1, 2, 3));

    // In order, and with the second 'x' missing.
    Twice stored;
    stored.a = 4;
    stored.b = 5;
    stored.c = 6;
    std::unique_ptr<ServiceType> const inOrder(stored.StoreTo(nullptr));
    twice.InitFrom(inOrder.get());
    EXPECT_EQ(std::tie(twice.a, twice.b, twice.c), std::make_tuple(4, 5, 6));
    CompositeType partial(u"t");
    partial.Add(std::make_unique<ScalarType<std::int32_t>>(1, u"x"));
    partial.Add(std::make_unique<ScalarType<std::int32_t>>(2, u"y"));
    EXPECT_THROW(twice.InitFrom(&partial), ServiceException);
    EXPECT_EQ(twice.c, 6);
}

Tree MakeTree()
{
    Tree tree;
    for (std::int32_t b = 0; b < 3; ++b) {
        Branch branch;
        branch.tag = u"b" + Utils::Conversion::IntegerToWstring(b);
        for (std::int32_t l = 0; l <= b; ++l) {
            Leaf leaf;
            leaf.v = b * 10 + l;
            branch.leaves.push_back(leaf);
        }
        tree.branches.push_back(branch);
    }
    return tree;
}

TEST(RecordTest, RecordsOfVectorsOfRecordsOfVectorsOfRecords)
{
    Tree tree = MakeTree();
    std::string const text = Encoded(tree);
    Tree decoded;
    Encoding::XmlDecoder(text).DecodeInto(decoded);
    ASSERT_EQ(decoded.branches.size(), 3U);
    ASSERT_EQ(decoded.branches[2].leaves.size(), 3U);
    EXPECT_EQ(decoded.branches[2].leaves[1].v, 21);
    EXPECT_EQ(decoded.branches[1].tag, u"b1");
    EXPECT_EQ(Encoded(decoded), text);

    std::unique_ptr<ServiceType> const stored(tree.StoreTo(nullptr));
    Replace(Child(Child(*stored, u"branches", 2), u"leaves", 1), u"v", new ScalarType<double>(1.0, u""));
    EXPECT_EQ(ThrownText([&] { decoded.InitFrom(stored.get()); }),
        u"Exception: RecordTest::Tree line 803 - Field 'branches/2/leaves/1/v': expected INT32, found DOUBLE");
    EXPECT_EQ(Encoded(decoded), text);
}

TEST(RecordTest, TheDecoderRefusesWithItsOwnPositionsAndChangesNothing)
{
    Order order = MakeOrder();
    std::string text = Encoded(order);
    std::size_t const at = text.find("<quantity>3</quantity>");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 22, "<quantity>x</quantity>");
    Order target = MakeOrder();
    target.count = 1;
    try {
        Encoding::XmlDecoder(text).DecodeInto(target);
        ADD_FAILURE() << "not refused";
    } catch (ServiceException const& e) {
        std::string const what = e.what();
        EXPECT_NE(what.find("Invalid INT32 value 'x'"), std::string::npos) << what;
        EXPECT_NE(what.find("at line"), std::string::npos) << what;
        EXPECT_NE(Utils::Conversion::Utf16ToUtf8(e.ToString()).find("Tarnwick::Encoding::XmlDecoder line 134"),
            std::string::npos);
    }
    EXPECT_EQ(target.count, 1);
}

TEST(RecordTest, DecodeMessageFillsARecordPayload)
{
    Order order = MakeOrder();
    ServiceMessage sent;
    sent.SetOperationName(u"PlaceOrder");
    std::unique_ptr<ServiceType> const tree(order.StoreTo(u"request"));
    std::string text;
    Encoding::XmlEncoder::EncodeMessage(text, sent, tree.get(), 2);

    ServiceMessage received;
    auto* payload = new Order;
    received.SetParameters(payload);
    Encoding::XmlDecoder(text).DecodeMessage(received);
    ASSERT_EQ(received.GetParameters(), payload);
    EXPECT_EQ(received.GetOperationName(), u"PlaceOrder");
    EXPECT_EQ(Encoded(*payload), Encoded(order));
}

// The encoder writes an any-type sequence only as the values of a dictionary, so
// a vector of variants goes through trees only.
struct Variants : Record<Variants> {
    std::vector<AnyType> anys;
    static constexpr auto Fields() { return std::tuple {Field(u"anys", &Variants::anys)}; }
};

TEST(RecordTest, AVectorOfVariantsIsAnAnyTypeSequence)
{
    Variants variants;
    variants.anys = {AnyType(u"one"), AnyType(2.5), AnyType()};
    auto const tree = Stored(variants);
    auto const& sequence = dynamic_cast<AnyTypeSequenceType const&>(**tree->begin());
    ASSERT_EQ(sequence.Size(), 3U);
    EXPECT_EQ((*sequence.begin())->GetParamNameRef(), u"item");
    EXPECT_EQ((*sequence.begin())->GetValue()->GetType(), STRING);
    Variants read;
    read.InitFrom(tree.get());
    ASSERT_EQ(read.anys.size(), 3U);
    EXPECT_EQ(static_cast<std::u16string>(read.anys[0]), u"one");
    EXPECT_EQ(static_cast<double>(read.anys[1]), 2.5);
    EXPECT_EQ(read.anys[2].GetType(), NULL_TYPE);
}

TEST(RecordTest, AnEmptyVectorOfRecordsStillShapesItsItemsForTheDecoder)
{
    Order empty;
    Order order = MakeOrder();
    Encoding::XmlDecoder const decoder(Encoded(order));
    decoder.DecodeInto(empty);
    ASSERT_EQ(empty.lines.size(), 3U);
    EXPECT_EQ(empty.lines[2].quantity, 4);
}

} // namespace RecordTest

namespace Tarnwick::Tests {

// The record's row of the value objects' conformance table.
template <> struct Conformance<RecordTest::Order> : ConformanceDefaults<RecordTest::Order> {
    using Order = RecordTest::Order;
    // The class name without namespaces.
    static constexpr char16_t const* kUnnamedNodeName = u"Order";
    static constexpr DataTypes::ParamType kCode = DataTypes::COMPOSITE;
    static constexpr char16_t const* kRefusal
        = u"Exception: RecordTest::Order line 801 - Expected a COMPOSITE tree, found no tree";
    static std::vector<Order> Sources() { return {RecordTest::MakeOrder()}; }
    // The encoded record, byte for byte.
    static std::u16string Value(Order const& order) { return Widen(RecordTest::Encoded(const_cast<Order&>(order))); }
    static void Change(Order& order) { ++order.count; }
    static void ExpectNode(ServiceType const& tree, Order const&, std::u16string const&)
    {
        ASSERT_EQ(DynamicClass(tree), typeid(DataTypes::CompositeType));
        EXPECT_EQ(tree.Size(), 7U); // a child per field
    }
    static std::vector<WrongTree> WrongTrees()
    {
        return {{"scalar root", [] { return new DataTypes::ScalarType<std::int32_t>(1, u"r"); },
            u"Exception: RecordTest::Order line 801 - Expected a COMPOSITE tree, found INT32"}};
    }
};

static_assert(
    std::is_same_v<decltype(std::declval<RecordTest::Order const&>().Clone()), std::unique_ptr<RecordTest::Order>>);
INSTANTIATE_TYPED_TEST_SUITE_P(Record, ValueObjectConformance, ::testing::Types<RecordTest::Order>);

} // namespace Tarnwick::Tests
