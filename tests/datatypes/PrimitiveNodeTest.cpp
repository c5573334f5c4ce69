#include "datatypes/CountingNode.h"

#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

using namespace Tarnwick::DataTypes;

namespace {

static_assert(ScalarCodeOf<std::u16string> == STRING && ScalarCodeOf<double> == DOUBLE);
static_assert(SequenceCodeOf<bool> == BOOLEAN_SEQUENCE && SequenceCodeOf<float> == FLOAT_SEQUENCE);
static_assert(!PrimitiveElement<long double> && !PrimitiveElement<char> && PrimitiveElement<std::int8_t>);

// Per element type: the codes and type names of its two nodes, and two distinct values.
template <class T> struct Row {
    std::int32_t scalarCode;
    std::int32_t sequenceCode;
    char16_t const* scalarName;
    char16_t const* sequenceName;
    T first;
    T second;
};
template <class T> Row<T> RowOf();
// clang-format off
template <> Row<std::u16string> RowOf() { return {2, 14, u"STRING", u"STRING_SEQUENCE", u"first & <text>", u""}; }
template <> Row<bool> RowOf() { return {3, 15, u"BOOLEAN", u"BOOLEAN_SEQUENCE", true, false}; }
template <> Row<std::int8_t> RowOf() { return {4, 16, u"INT8", u"INT8_SEQUENCE", -1, -128}; }
template <> Row<std::uint8_t> RowOf() { return {5, 17, u"UINT8", u"UINT8_SEQUENCE", 255, 0}; }
template <> Row<std::int16_t> RowOf() { return {6, 18, u"INT16", u"INT16_SEQUENCE", -32768, 32767}; }
template <> Row<std::uint16_t> RowOf() { return {7, 19, u"UINT16", u"UINT16_SEQUENCE", 65535, 1}; }
template <> Row<std::int32_t> RowOf() { return {8, 20, u"INT32", u"INT32_SEQUENCE", std::numeric_limits<std::int32_t>::min(), 42}; }
template <> Row<std::uint32_t> RowOf() { return {9, 21, u"UINT32", u"UINT32_SEQUENCE", 4294967295u, 7u}; }
template <> Row<std::int64_t> RowOf() { return {10, 22, u"INT64", u"INT64_SEQUENCE", std::numeric_limits<std::int64_t>::min(), -2}; }
template <> Row<std::uint64_t> RowOf() { return {11, 23, u"UINT64", u"UINT64_SEQUENCE", std::numeric_limits<std::uint64_t>::max(), 3u}; }
template <> Row<float> RowOf() { return {12, 24, u"FLOAT", u"FLOAT_SEQUENCE", 1.1754943e-38f, -3.5f}; }
template <> Row<double> RowOf() { return {13, 25, u"DOUBLE", u"DOUBLE_SEQUENCE", 4.9406564584124654e-324, 1e308}; }
// clang-format on

using Elements = ::testing::Types<std::u16string, bool, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t,
    std::int32_t, std::uint32_t, std::int64_t, std::uint64_t, float, double>;

template <class T> class PrimitiveNode : public ::testing::Test {
protected:
    Row<T> const row = RowOf<T>();
};
TYPED_TEST_SUITE(PrimitiveNode, Elements);

TYPED_TEST(PrimitiveNode, ScalarAnswersItsRow)
{
    auto const& row = this->row;
    ScalarType<TypeParam> node(row.first, u"value");
    EXPECT_EQ(node.GetType(), row.scalarCode);
    EXPECT_EQ(std::u16string(ServiceType::GetServiceTypeName(node.GetType())), row.scalarName);
    EXPECT_TRUE(node.IsLeaf());
    EXPECT_EQ(node.Size(), 0u);
    node.Clear();
    EXPECT_EQ(node.GetValue(), row.first);
    EXPECT_EQ(node.GetParamName(), u"value");

    node.SetValue(row.second);
    EXPECT_EQ(node.GetValue(), row.second);
    EXPECT_EQ(&node.GetValueRef(), &node.GetValueRef());
    EXPECT_EQ(node.GetValueRef(), row.second);
}

TYPED_TEST(PrimitiveNode, ScalarTakesAValueOver)
{
    auto const& row = this->row;
    TypeParam value = row.first;
    ScalarType<TypeParam> node(std::move(value), u"taken");
    EXPECT_EQ(node.GetValueRef(), row.first);
    EXPECT_EQ(node.GetParamName(), u"taken");
    if constexpr (std::is_same_v<TypeParam, std::u16string>) {
        // Long enough to live on the heap: the node holds the very characters.
        std::u16string text(64, u'x');
        char16_t const* const characters = text.data();
        ScalarType<std::u16string> const holder(std::move(text), u"t");
        EXPECT_EQ(holder.GetValueRef().data(), characters);
    }
}

// The library's own instantiations are the ones the caller sees: a node made
// inside the library (by Copy) casts to the caller's view of the class and no other.
template <class T> void ExpectOnlyItsOwnClass(ServiceType* copy, bool scalar)
{
    EXPECT_EQ(dynamic_cast<ScalarType<T>*>(copy) != nullptr, scalar);
    EXPECT_EQ(dynamic_cast<SequenceType<T>*>(copy) != nullptr, !scalar);
    // A neighbouring instantiation is a different class.
    if constexpr (std::is_same_v<T, std::int32_t>) {
        EXPECT_EQ(dynamic_cast<ScalarType<std::uint32_t>*>(copy), nullptr);
    } else {
        EXPECT_EQ(dynamic_cast<ScalarType<std::int32_t>*>(copy), nullptr);
        EXPECT_EQ(dynamic_cast<SequenceType<std::int32_t>*>(copy), nullptr);
    }
}

TYPED_TEST(PrimitiveNode, ScalarCopiesAreIndependent)
{
    auto const& row = this->row;
    ScalarType<TypeParam> node(row.first, u"n");
    std::unique_ptr<ServiceType> const copy(node.Copy());
    ASSERT_EQ(TestSupport::DynamicType(*copy), std::type_index(typeid(ScalarType<TypeParam>)));
    ExpectOnlyItsOwnClass<TypeParam>(copy.get(), true);
    auto& typed = dynamic_cast<ScalarType<TypeParam>&>(*copy);
    EXPECT_EQ(typed.GetValue(), row.first);
    EXPECT_EQ(typed.GetParamName(), u"n");
    typed.SetValue(row.second);
    EXPECT_EQ(node.GetValue(), row.first);

    ScalarType<TypeParam> assigned(row.second, u"other");
    assigned = node;
    EXPECT_EQ(assigned.GetValue(), row.first);
    EXPECT_EQ(assigned.GetParamName(), u"n");
    auto& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.GetValue(), row.first);
}

TYPED_TEST(PrimitiveNode, SequenceAnswersItsRow)
{
    auto const& row = this->row;
    SequenceType<TypeParam> empty(u"only a name");
    EXPECT_EQ(empty.GetType(), row.sequenceCode);
    EXPECT_EQ(row.sequenceCode, row.scalarCode + 12);
    EXPECT_EQ(std::u16string(ServiceType::GetServiceTypeName(empty.GetType())), row.sequenceName);
    EXPECT_FALSE(empty.IsLeaf());
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_TRUE(empty.GetValue().empty());

    SequenceType<TypeParam> node({row.first, row.second, row.first}, u"seq");
    EXPECT_EQ(node.Size(), 3u);
    node.Clear();
    EXPECT_EQ(node.Size(), 0u);
    EXPECT_EQ(node.GetParamName(), u"seq");

    node.SetValue({row.second});
    ASSERT_EQ(node.Size(), 1u);
    EXPECT_EQ(node.GetValue()[0], row.second);
}

TYPED_TEST(PrimitiveNode, SequenceExposesItsOwnArray)
{
    auto const& row = this->row;
    SequenceType<TypeParam> node(u"seq");
    EXPECT_EQ(node.GetValuePtr(), &node.GetValue());
    node.GetValuePtr()->push_back(row.first);
    node.GetValue().push_back(row.second);
    EXPECT_EQ(node.Size(), 2u);
    SequenceType<TypeParam> const& readOnly = node;
    EXPECT_EQ(&readOnly.GetValue(), node.GetValuePtr());
    EXPECT_EQ(readOnly.GetValuePtr(), node.GetValuePtr());
    EXPECT_EQ(readOnly.GetValue(), (std::vector<TypeParam> {row.first, row.second}));
}

TYPED_TEST(PrimitiveNode, SequenceCopiesAreIndependent)
{
    auto const& row = this->row;
    std::vector<TypeParam> const values {row.first, row.second};
    SequenceType<TypeParam> node(values, u"seq");
    std::unique_ptr<ServiceType> const copy(node.Copy());
    ASSERT_EQ(TestSupport::DynamicType(*copy), std::type_index(typeid(SequenceType<TypeParam>)));
    ExpectOnlyItsOwnClass<TypeParam>(copy.get(), false);
    auto& typed = dynamic_cast<SequenceType<TypeParam>&>(*copy);
    EXPECT_EQ(typed.GetParamName(), u"seq");
    EXPECT_EQ(typed.GetValue(), values);
    EXPECT_NE(typed.GetValuePtr(), node.GetValuePtr());
    typed.GetValue()[0] = row.second;
    typed.GetValue().push_back(row.first);
    EXPECT_EQ(node.GetValue(), values);

    SequenceType<TypeParam> assigned({row.second}, u"other");
    assigned = node;
    EXPECT_EQ(assigned.GetValue(), values);
    EXPECT_EQ(assigned.GetParamName(), u"seq");
    assigned.GetValue().clear();
    EXPECT_EQ(node.Size(), 2u);
    auto& self = assigned;
    node = self;
    EXPECT_EQ(node.Size(), 0u);
}

TEST(PrimitiveNode, FloatingValuesAreKeptBitForBit)
{
    ScalarType<double> const negativeZero(-0.0, u"z");
    EXPECT_TRUE(std::signbit(negativeZero.GetValue()));
    std::unique_ptr<ServiceType> const zeroCopy(negativeZero.Copy());
    double const copied = static_cast<ScalarType<double>&>(*zeroCopy).GetValue();
    EXPECT_EQ(copied, 0.0);
    EXPECT_TRUE(std::signbit(copied));

    ScalarType<double> const nan(std::numeric_limits<double>::quiet_NaN(), u"n");
    EXPECT_TRUE(std::isnan(nan.GetValue()));
    std::unique_ptr<ServiceType> const nanCopy(nan.Copy());
    EXPECT_TRUE(std::isnan(static_cast<ScalarType<double>&>(*nanCopy).GetValue()));

    float const tiny = std::numeric_limits<float>::denorm_min();
    EXPECT_EQ(ScalarType<float>(tiny, u"").GetValue(), tiny);
    SequenceType<float> const floats({-0.0f, std::numeric_limits<float>::infinity()}, u"");
    EXPECT_TRUE(std::signbit(floats.GetValue()[0]));
    EXPECT_TRUE(std::isinf(floats.GetValue()[1]));
}

TEST(PrimitiveNode, StringSequenceAssignmentCopiesEveryText)
{
    SequenceType<std::u16string> source({u"alpha", u"\u00e9t\u00e9", u""}, u"texts");
    SequenceType<std::u16string> target({u"old"}, u"t");
    target = source;
    source.GetValue()[0] += u"-changed";
    source.GetValue().pop_back();
    EXPECT_EQ(target.GetValue(), (std::vector<std::u16string> {u"alpha", u"\u00e9t\u00e9", u""}));
    EXPECT_EQ(target.GetParamName(), u"texts");
}

TEST(PrimitiveNode, BooleanSequenceIsTheStandardBitVector)
{
    SequenceType<bool> node({true, false, true}, u"flags");
    std::vector<bool>& bits = node.GetValue();
    bits.flip();
    EXPECT_EQ(node.GetValue(), (std::vector<bool> {false, true, false}));
    EXPECT_EQ(node.Size(), 3u);
}

} // namespace
