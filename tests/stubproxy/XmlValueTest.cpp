#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/stubproxy/XmlValue.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

namespace Tarnwick::Tests {
namespace {

using DataTypes::ServiceType;
using DataTypes::XmlString;
using DataTypes::XmlValue;

class LabelledXml : public XmlValue { };

TEST(XmlValue, StartsEmpty)
{
    XmlValue const value;
    EXPECT_EQ(value.AsString(), u"");
    EXPECT_EQ(value.GetParamName(), u"");
}

TEST(XmlValue, AnyTextTravelsUnchangedThroughATree)
{
    char16_t const* const texts[] = {u"", u"<a>&amp;</a>", u"<unclosed", u"& < > \" '", u"plain text \u03b1\U0001F600"};
    for (char16_t const* text : texts) {
        XmlValue source;
        source.SetString(text);
        EXPECT_EQ(source.AsString(), text);
        std::unique_ptr<ServiceType> tree(source.StoreTo(u"fragment"));
        ASSERT_EQ(DynamicClass(*tree), typeid(XmlString));
        EXPECT_EQ(tree->GetParamName(), u"fragment");
        EXPECT_EQ(dynamic_cast<XmlString&>(*tree).GetValue(), text);

        XmlValue target;
        target.SetParamName(u"mine");
        target.InitFrom(tree.get());
        EXPECT_EQ(target.AsString(), text);
        EXPECT_EQ(target.GetParamName(), u"mine");
    }
}

TEST(XmlValue, StoreToWithANullNameGivesTheEmptyNameNotTheParameterName)
{
    XmlValue value;
    value.SetParamName(u"own");
    value.SetString(u"<x/>");
    std::unique_ptr<ServiceType> tree(value.StoreTo(nullptr));
    EXPECT_EQ(tree->GetParamName(), u"");
    EXPECT_EQ(tree->GetType(), DataTypes::XML_STRING);
    // The tree is independent of the object.
    value.SetString(u"<changed/>");
    EXPECT_EQ(dynamic_cast<XmlString&>(*tree).GetValue(), u"<x/>");
    tree.reset();
    EXPECT_EQ(value.AsString(), u"<changed/>");
}

TEST(XmlValue, InitFromRefusesEveryNodeButAnXmlStringAndKeepsTheText)
{
    std::unique_ptr<ServiceType> const plain(new DataTypes::ScalarType<std::u16string>(u"<a/>", u"s"));
    for (ServiceType* const tree : {plain.get(), static_cast<ServiceType*>(nullptr)}) {
        XmlValue value;
        value.SetString(u"kept");
        EXPECT_EQ(Outcome([&] {
            value.InitFrom(tree);
            return value.AsString();
        }),
            u"Exception: Tarnwick::DataTypes::XmlValue line 63 - Unsupported service type");
        EXPECT_EQ(value.AsString(), u"kept");
    }

    LabelledXml labelled;
    EXPECT_EQ(Outcome([&] {
        labelled.InitFrom(plain.get());
        return labelled.AsString();
    }),
        u"Exception: Tarnwick::Tests::(anonymous namespace)::LabelledXml line 63 - Unsupported service type");
}

TEST(XmlValue, AssignmentCopiesTheTextOnlyCopiesCopyBoth)
{
    XmlValue source;
    source.SetString(u"<s/>");
    ExpectCopies(source, XmlValue(), false, [](XmlValue const& value) { EXPECT_EQ(value.AsString(), u"<s/>"); });
}

} // namespace
} // namespace Tarnwick::Tests
