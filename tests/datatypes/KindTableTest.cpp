// Every type code has a row in the kind table that its node class agrees with, and
// the any-type attributes of the rows lead back to their codes, each to one.

#include "datatypes/KindTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
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

TEST(KindTable, EveryCodeHasARowWhoseNodeClassAnswersIt)
{
    for (std::int32_t code = NULL_TYPE; code <= TIME_DURATION_SEQUENCE; ++code) {
        SCOPED_TRACE(code);
        std::unique_ptr<ServiceType> node;
        Content content = Content::None;
        ASSERT_TRUE(VisitKind(code, [&]<class K>() {
            node = MakeNode<K>();
            content = K::content;
            return true;
        }));
        if (code == NULL_TYPE) {
            EXPECT_EQ(content, Content::None);
            EXPECT_EQ(node, nullptr);
            continue;
        }
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->GetType(), code);
        EXPECT_EQ(KindName(code), ServiceType::GetServiceTypeName(node->GetType()));
        // Values and fragments are written as the element's text; item lists as elements.
        if (content != Content::Container) {
            EXPECT_EQ(node->IsLeaf(), content != Content::Items);
        }
        EXPECT_EQ(IsContainerCode(code), content == Content::Container);
    }
}

TEST(KindTable, CodesWithoutARowVisitNothing)
{
    for (std::int32_t code :
        {-1, kKindCount, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()}) {
        bool visited = false;
        EXPECT_FALSE(VisitKind(code, [&]<class K>() { return visited = true; })) << code;
        EXPECT_FALSE(visited) << code;
        EXPECT_EQ(KindName(code), u"unknown");
        EXPECT_TRUE(AttributeOf(code).empty());
        EXPECT_FALSE(IsContainerCode(code));
    }
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
