#include "datatypes/CountingNode.h"

#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

using namespace Tarnwick;
using TestSupport::CountingPrototype;
using TestSupport::Prototypes;

namespace {

class UserParametersContract : public TestSupport::CountedTest { };

TEST_F(UserParametersContract, NameIsCopiedAndAssigned)
{
    CountingPrototype value(3);
    EXPECT_EQ(value.GetParamName(), u"");
    value.SetParamName(u"speed");
    EXPECT_EQ(value.GetParamName(), u"speed");

    CountingPrototype copied(value);
    EXPECT_EQ(copied.GetParamName(), u"speed");
    CountingPrototype assigned(4);
    assigned = value;
    EXPECT_EQ(assigned.GetParamName(), u"speed");
    value.SetParamName(u"other");
    EXPECT_EQ(copied.GetParamName(), u"speed");
}

TEST_F(UserParametersContract, CopyThroughTheBaseKeepsTheClass)
{
    CountingPrototype value(3);
    value.SetParamName(u"p");
    std::unique_ptr<StubProxy::UserParameters> const copy(static_cast<StubProxy::UserParameters&>(value).Copy());
    EXPECT_EQ(TestSupport::DynamicType(*copy), std::type_index(typeid(CountingPrototype)));
    EXPECT_EQ(copy->GetParamName(), u"p");
    EXPECT_EQ(Prototypes().live, 2);
}

TEST_F(UserParametersContract, StoreToAndInitFromRoundTrip)
{
    CountingPrototype source(42);
    source.SetParamName(u"source");
    std::unique_ptr<DataTypes::ServiceType> const tree(source.StoreTo(u"root"));
    EXPECT_EQ(tree->GetParamName(), u"root");
    std::unique_ptr<DataTypes::ServiceType> const unnamed(source.StoreTo(nullptr));
    EXPECT_EQ(unnamed->GetParamName(), u"CountingPrototype");

    CountingPrototype target(0);
    target.SetParamName(u"target");
    target.InitFrom(tree.get());
    EXPECT_EQ(target.Value(), 42);
    EXPECT_EQ(target.GetParamName(), u"target");
}

} // namespace
