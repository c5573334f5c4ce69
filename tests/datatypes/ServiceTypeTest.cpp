#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;

namespace {

TEST(ServiceType, EveryCodeHasItsName)
{
    char16_t const* const names[] = {u"NULL_TYPE", u"COMPOSITE", u"STRING", u"BOOLEAN", u"INT8", u"UINT8", u"INT16",
        u"UINT16", u"INT32", u"UINT32", u"INT64", u"UINT64", u"FLOAT", u"DOUBLE", u"STRING_SEQUENCE",
        u"BOOLEAN_SEQUENCE", u"INT8_SEQUENCE", u"UINT8_SEQUENCE", u"INT16_SEQUENCE", u"UINT16_SEQUENCE",
        u"INT32_SEQUENCE", u"UINT32_SEQUENCE", u"INT64_SEQUENCE", u"UINT64_SEQUENCE", u"FLOAT_SEQUENCE",
        u"DOUBLE_SEQUENCE", u"COMPOSITE_SEQUENCE", u"DICTIONARY", u"ANY_TYPE", u"ANY_TYPE_SEQUENCE", u"XML_STRING",
        u"TIME_STAMP", u"TIME_STAMP_SEQUENCE", u"TIME_DURATION", u"TIME_DURATION_SEQUENCE"};
    static_assert(std::size(names) == 35);
    for (int code = 0; code < 35; ++code) {
        EXPECT_EQ(std::u16string(ServiceType::GetServiceTypeName(static_cast<ParamType>(code))), names[code]) << code;
    }
    // The sequence code of a primitive is its scalar code plus 12.
    EXPECT_EQ(INT32 + 12, INT32_SEQUENCE);
    EXPECT_EQ(STRING + 12, STRING_SEQUENCE);
}

TEST(ServiceType, CodesOutOfRangeRaiseLine124)
{
    for (std::int32_t const code : {35, -1, 1000, std::numeric_limits<std::int32_t>::min()}) {
        try {
            ServiceType::GetServiceTypeName(static_cast<ParamType>(code));
            ADD_FAILURE() << code;
        } catch (ServiceException const& e) {
            EXPECT_EQ(e.ToString(), u"Exception: Tarnwick::DataTypes::ServiceType line 124 - Unsupported type");
        }
    }
}

class Named : public ServiceType {
public:
    using ServiceType::ServiceType;
    ParamType GetType() const override { return COMPOSITE; }
    bool IsLeaf() const override { return true; }
    ServiceType* Copy() const override { return new Named(*this); }
};

TEST(ServiceType, NameAndDefaults)
{
    Named node;
    EXPECT_EQ(node.GetParamName(), u"");
    node.SetParamName(u"speed");
    EXPECT_EQ(node.GetParamName(), u"speed");
    EXPECT_EQ(node.Size(), 0u);
    node.Clear();
    std::unique_ptr<ServiceType> const copy(node.Copy());
    EXPECT_EQ(copy->GetParamName(), u"speed");
    EXPECT_EQ(Named(u"n").GetParamNameRef(), u"n");
}

} // namespace
