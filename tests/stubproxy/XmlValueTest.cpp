#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/stubproxy/XmlValue.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace Tarnwick::Tests {
namespace {

using DataTypes::XmlValue;

class LabelledXml : public XmlValue { };

// The refusal names the object's run-time class (every value object's refusal
// text is in the conformance table).
TEST(XmlValue, InitFromRefusalNamesTheRunTimeClass)
{
    DataTypes::ScalarType<std::u16string> plain(u"<a/>", u"s");
    LabelledXml labelled;
    EXPECT_EQ(ThrownText([&] { labelled.InitFrom(&plain); }),
        u"Exception: Tarnwick::Tests::(anonymous namespace)::LabelledXml line 63 - Unsupported service type");
}

} // namespace
} // namespace Tarnwick::Tests
