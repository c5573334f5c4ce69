// Every concrete node class answers its code, type name, leaf flag, Clear()
// and Size() as the class table says, and Copy() keeps its dynamic class.

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

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

using namespace Tarnwick::DataTypes;

namespace {

struct NodeRow {
    char const* label;
    std::function<ServiceType*()> make; // a filled node named "n"
    std::type_index type;
    std::int32_t code;
    char16_t const* typeName;
    bool leaf;
    std::uint32_t size;
    std::uint32_t sizeAfterClear;
};

CompositeType* Composite()
{
    auto* composite = new CompositeType(u"n");
    composite->Add(new ScalarType<std::int32_t>(1, u"a"));
    composite->Add(new ScalarType<std::int32_t>(2, u"b"));
    return composite;
}

std::vector<NodeRow> const& Rows()
{
    // clang-format off
    static std::vector<NodeRow> const rows {
        {"ScalarType<int32>", [] { return new ScalarType<std::int32_t>(5, u"n"); },
            typeid(ScalarType<std::int32_t>), 8, u"INT32", true, 0, 0},
        {"SequenceType<u16string>", [] { return new SequenceType<std::u16string>({u"x", u"y", u"z"}, u"n"); },
            typeid(SequenceType<std::u16string>), 14, u"STRING_SEQUENCE", false, 3, 0},
        {"CompositeType", [] { return Composite(); }, typeid(CompositeType), 1, u"COMPOSITE", false, 2, 0},
        {"CompositeSequenceType", [] {
                auto* sequence = new CompositeSequenceType(u"n", nullptr);
                sequence->Add(Composite());
                return sequence;
            }, typeid(CompositeSequenceType), 26, u"COMPOSITE_SEQUENCE", false, 1, 0},
        {"DictionaryType", [] {
                auto* dictionary = new DictionaryType(u"n");
                dictionary->SetKeys(new SequenceType<std::u16string>({u"a", u"b", u"c"}, u"keys"));
                dictionary->SetValues(new SequenceType<double>({1, 2, 3}, u"values"));
                return dictionary;
            }, typeid(DictionaryType), 27, u"DICTIONARY", false, 3, 0},
        {"AnyTypeServiceType", [] { return new AnyTypeServiceType(Composite(), u"n"); },
            typeid(AnyTypeServiceType), 28, u"ANY_TYPE", true, 0, 0},
        {"AnyTypeSequenceType", [] {
                auto* sequence = new AnyTypeSequenceType(u"n");
                sequence->Add(new AnyTypeServiceType(nullptr, u"a"));
                sequence->Add(new AnyTypeServiceType(new ScalarType<bool>(true, u"b"), u"b"));
                return sequence;
            }, typeid(AnyTypeSequenceType), 29, u"ANY_TYPE_SEQUENCE", false, 2, 0},
        {"XmlString", [] { return new XmlString(u"<a>&amp;</a>", u"n"); },
            typeid(XmlString), 30, u"XML_STRING", true, 0, 0},
        {"TimeStampServiceType", [] { return new TimeStampServiceType(1234567890123456u, u"n"); },
            typeid(TimeStampServiceType), 31, u"TIME_STAMP", true, 0, 0},
        {"TimeStampSequenceType", [] { return new TimeStampSequenceType({1, 2, 3, 4}, u"n"); },
            typeid(TimeStampSequenceType), 32, u"TIME_STAMP_SEQUENCE", false, 4, 0},
        {"TimeDurationServiceType", [] { return new TimeDurationServiceType(60000000u, u"n"); },
            typeid(TimeDurationServiceType), 33, u"TIME_DURATION", true, 0, 0},
        {"TimeDurationSequenceType", [] { return new TimeDurationSequenceType({5, 6}, u"n"); },
            typeid(TimeDurationSequenceType), 34, u"TIME_DURATION_SEQUENCE", false, 2, 0},
    };
    // clang-format on
    return rows;
}

// What a node of the row answers; its copies answer the same.
void ExpectRow(ServiceType const& node, NodeRow const& row)
{
    EXPECT_EQ(TestSupport::DynamicType(node), row.type);
    EXPECT_EQ(node.GetType(), row.code);
    EXPECT_EQ(std::u16string(ServiceType::GetServiceTypeName(node.GetType())), row.typeName);
    EXPECT_EQ(node.IsLeaf(), row.leaf);
    EXPECT_EQ(node.Size(), row.size);
    EXPECT_EQ(node.GetParamName(), u"n");
}

class NodeTable : public ::testing::TestWithParam<NodeRow> { };

TEST_P(NodeTable, AnswersItsRowAsDoesItsCopyAndClearEmptiesContainersOnly)
{
    auto const& row = GetParam();
    std::unique_ptr<ServiceType> const node(row.make());
    ExpectRow(*node, row);
    std::unique_ptr<ServiceType> const copy(node->Copy());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy.get(), node.get());
    SCOPED_TRACE("the copy");
    ExpectRow(*copy, row);

    node->Clear();
    EXPECT_EQ(node->Size(), row.sizeAfterClear);
    EXPECT_EQ(node->GetParamName(), u"n");
    EXPECT_EQ(node->GetType(), row.code);
    // Clearing the original does not reach into its copy.
    EXPECT_EQ(copy->Size(), row.size);
}

INSTANTIATE_TEST_SUITE_P(EveryClass, NodeTable, ::testing::ValuesIn(Rows()), [](auto const& info) {
    std::string name = info.param.label;
    std::erase_if(name, [](char c) { return c == '<' || c == '>'; });
    return name;
});

TEST(TimeAndXmlNodes, KeepTheirValueUnderTheirOwnCode)
{
    XmlString const xml(u"<a b=\"1\">x & y < z</a>", u"fragment");
    EXPECT_EQ(xml.GetValue(), u"<a b=\"1\">x & y < z</a>");
    std::unique_ptr<ServiceType> const xmlCopy(xml.Copy());
    EXPECT_EQ(xmlCopy->GetType(), XML_STRING);
    EXPECT_EQ(dynamic_cast<XmlString&>(*xmlCopy).GetValue(), xml.GetValue());
    // Still readable as the wide-string scalar it is built on.
    EXPECT_NE(dynamic_cast<ScalarType<std::u16string>*>(xmlCopy.get()), nullptr);

    TimeStampServiceType stamp(1700000000000000u, u"when");
    stamp.Clear();
    EXPECT_EQ(stamp.GetValue(), 1700000000000000u);
    std::unique_ptr<ServiceType> const stampCopy(stamp.Copy());
    EXPECT_EQ(stampCopy->GetType(), TIME_STAMP);
    EXPECT_EQ(dynamic_cast<ScalarType<std::uint64_t>&>(*stampCopy).GetValue(), 1700000000000000u);
    EXPECT_EQ(dynamic_cast<TimeDurationServiceType*>(stampCopy.get()), nullptr);

    TimeDurationSequenceType durations({1, 2, 3}, u"lengths");
    durations.GetValue().push_back(4);
    std::unique_ptr<ServiceType> const durationsCopy(durations.Copy());
    durations.Clear();
    EXPECT_EQ(durations.Size(), 0u);
    EXPECT_EQ(
        dynamic_cast<TimeDurationSequenceType&>(*durationsCopy).GetValue(), (std::vector<std::uint64_t> {1, 2, 3, 4}));
    EXPECT_EQ(dynamic_cast<TimeStampSequenceType*>(durationsCopy.get()), nullptr);

    TimeStampSequenceType stamps({9}, u"a");
    stamps = TimeStampSequenceType({7, 8}, u"b");
    EXPECT_EQ(stamps.GetParamName(), u"b");
    EXPECT_EQ(*stamps.GetValuePtr(), (std::vector<std::uint64_t> {7, 8}));
    EXPECT_EQ(stamps.GetType(), TIME_STAMP_SEQUENCE);
}

} // namespace
