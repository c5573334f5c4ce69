// Every type code has a row in the kind table that its node class agrees with, and
// the any-type attributes of the rows lead back to their codes, each to one.

#include "datatypes/KindTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using namespace Tarnwick::DataTypes;

namespace {

// A node of the row's class, built from the row alone (null for NULL_TYPE).
template <class K> std::unique_ptr<ServiceType> MakeNode()
{
    using Node = typename K::Node;
    if constexpr (std::is_void_v<Node>) {
        return nullptr;
    } else if constexpr (K::content == Content::Value || K::content == Content::Markup) {
        return std::make_unique<Node>(ValueOf<K> {}, u"n");
    } else if constexpr (K::content == Content::Items) {
        return std::make_unique<Node>(std::vector<ValueOf<K>> {}, u"n");
    } else if constexpr (std::is_same_v<Node, CompositeSequenceType>) {
        return std::make_unique<Node>(u"n", nullptr);
    } else if constexpr (std::is_same_v<Node, AnyTypeServiceType>) {
        return std::make_unique<Node>(nullptr, u"n");
    } else {
        return std::make_unique<Node>(u"n");
    }
}

} // namespace

// Every code from NULL_TYPE to the last row, the codes just outside and the ends of
// the range a caller's node may answer: a node of each row's class answers the row's
// code and name, values and fragments are leaves and item lists are not; a code
// without a row visits nothing and has no name, attribute or contents.
TEST(KindTable, EachRowsNodeClassAnswersItsCode)
{
    auto const check = [](std::int32_t code) {
        SCOPED_TRACE(code);
        std::unique_ptr<ServiceType> node;
        std::optional<Content> content;
        bool const answered = VisitKind(code, [&]<class K>() {
            node = MakeNode<K>();
            content = K::content;
            return true;
        });
        EXPECT_EQ(answered, content.has_value());
        EXPECT_EQ(answered, code >= NULL_TYPE && code < kKindCount);
        EXPECT_EQ(IsContainerCode(code), content == Content::Container);
        ASSERT_EQ(node == nullptr, !answered || code == NULL_TYPE);
        if (node == nullptr) {
            EXPECT_EQ(KindName(code), answered ? u"NULL_TYPE" : u"unknown");
            EXPECT_TRUE(AttributeOf(code).empty());
            return;
        }
        EXPECT_EQ(node->GetType(), code);
        EXPECT_EQ(KindName(code), ServiceType::GetServiceTypeName(node->GetType()));
        EXPECT_TRUE(content == Content::Container || node->IsLeaf() == (content != Content::Items));
    };
    for (std::int32_t code = -1; code <= kKindCount; ++code) {
        check(code);
    }
    check(std::numeric_limits<std::int32_t>::min());
    check(std::numeric_limits<std::int32_t>::max());
}

TEST(KindTable, EachAttributeLeadsBackToItsOneCode)
{
    std::set<std::string_view> seen;
    for (std::int32_t code = NULL_TYPE; code < kKindCount; ++code) {
        std::string_view const attribute = AttributeOf(code);
        if (!attribute.empty()) {
            EXPECT_TRUE(seen.insert(attribute).second) << attribute;
            EXPECT_EQ(CodeOfAttribute(attribute), code) << attribute;
            EXPECT_EQ(CodeOfAttribute(std::u16string(attribute.begin(), attribute.end())), code) << attribute;
        }
    }
    // The twelve primitives, their sequences, fragments and the two single time kinds.
    EXPECT_EQ(seen.size(), 27u);
    for (std::string_view other : {"", "time_stamp_seq", "INT32", "int32 ", "int", "composite"}) {
        EXPECT_EQ(CodeOfAttribute(other), NULL_TYPE) << other;
    }
}
