// Value objects over trees far deeper than the call stack could follow: a variant
// holding a million nested composites stores itself, reads itself back, copies and
// assigns itself and goes, and a composite sequence whose prototype is such a
// variant is copied and makes its empty items.

#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/stubproxy/AnyType.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace Tarnwick::DataTypes;

namespace {

// A million levels; under a sanitizer a tenth of that, at a tenth of the cost:
// its larger frames overflow a recursive walk at half that depth already.
constexpr std::size_t kDepth = TARNWICK_TEST_SANITIZED ? 100000 : 1000000;

// `kDepth` composites, each holding the next, the last a scalar holding 42.
ServiceType* DeepComposite()
{
    ServiceType* node = new ScalarType<std::int32_t>(42, u"leaf");
    for (std::size_t i = 0; i < kDepth; ++i) {
        auto* composite = new CompositeType(u"level");
        composite->Add(node);
        node = composite;
    }
    return node;
}

// The levels below `node` down to the leaf, and the leaf's value (-1 for another shape).
std::pair<std::size_t, std::int32_t> Measure(ServiceType const* node)
{
    std::size_t depth = 0;
    while (auto const* composite = dynamic_cast<CompositeType const*>(node)) {
        if (composite->Size() != 1) {
            return {depth, -1};
        }
        node = *composite->BeginIterator();
        ++depth;
    }
    auto const* leaf = dynamic_cast<ScalarType<std::int32_t> const*>(node);
    return {depth, leaf != nullptr ? leaf->GetValue() : -1};
}

std::pair<std::size_t, std::int32_t> const kWhole {kDepth, 42};

TEST(DeepValue, AnyTypeStoresReadsCopiesAndReleasesADeepTree)
{
    AnyType value;
    value.SetServiceType(DeepComposite());

    std::unique_ptr<ServiceType> const stored(value.StoreTo(u"p"));
    auto const& wrapper = dynamic_cast<AnyTypeServiceType const&>(*stored);
    EXPECT_EQ(wrapper.GetValue()->GetParamNameRef(), u"p");
    EXPECT_EQ(Measure(wrapper.GetValue()), kWhole);

    AnyType read;
    read.InitFrom(stored.get());
    EXPECT_EQ(Measure(read.GetServiceType()), kWhole);
    EXPECT_NE(read.GetServiceType(), wrapper.GetValue());

    AnyType copied(value);
    EXPECT_EQ(Measure(copied.GetServiceType()), kWhole);
    std::unique_ptr<Tarnwick::StubProxy::UserParameters> const viaBase(value.Copy());
    EXPECT_EQ(Measure(dynamic_cast<AnyType&>(*viaBase).GetServiceType()), kWhole);

    // Assignments release the deep tree held before, without recursion too.
    copied = AnyType();
    EXPECT_EQ(copied.GetServiceType(), nullptr);
    read = 5;
    EXPECT_EQ(static_cast<int>(read), 5);
}

TEST(DeepValue, CompositeSequenceWithADeepPrototypeIsCopiedAndMakesItems)
{
    auto prototype = std::make_unique<AnyType>();
    prototype->SetServiceType(DeepComposite());
    CompositeSequenceType sequence(u"items", std::move(prototype));

    std::unique_ptr<ServiceType> const item(sequence.CreateEmptyItem());
    EXPECT_EQ(Measure(dynamic_cast<AnyTypeServiceType const&>(*item).GetValue()), kWhole);

    std::unique_ptr<CompositeSequenceType> const copy = sequence.Clone();
    std::unique_ptr<ServiceType> const copiedItem(copy->CreateEmptyItem());
    EXPECT_EQ(Measure(dynamic_cast<AnyTypeServiceType const&>(*copiedItem).GetValue()), kWhole);
}

} // namespace
