#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace {

using Tarnwick::ServiceMessage;

/// A payload that counts its live instances.
class CountedPayload : public Tarnwick::StubProxy::UserParameters {
public:
    static inline int alive = 0;
    explicit CountedPayload(int value)
        : m_Value(value)
    {
        ++alive;
    }
    CountedPayload(CountedPayload const& other)
        : UserParameters(other)
        , m_Value(other.m_Value)
    {
        ++alive;
    }
    ~CountedPayload() override { --alive; }
    UserParameters* Copy() const override { return new CountedPayload(*this); }
    Tarnwick::DataTypes::ServiceType* StoreTo(char16_t const* name) override
    {
        return new Tarnwick::DataTypes::ScalarType<std::int32_t>(m_Value, name != nullptr ? name : u"");
    }
    void InitFrom(Tarnwick::DataTypes::ServiceType*) override { }
    int m_Value;
};

int ValueOf(ServiceMessage const& message)
{
    return static_cast<CountedPayload*>(message.GetParameters())->m_Value;
}

ServiceMessage Filled()
{
    ServiceMessage message;
    message.SetMsgType(-7);
    message.SetMsgCorrelationId(1);
    message.SetMsgOrderId(2);
    message.SetSessionId(3);
    message.SetConsumerAddress(u"c");
    message.SetProducerAddress(u"p");
    message.SetOperationName(u"o");
    message.SetParametersTypeName(u"t");
    message.SetParameters(new CountedPayload(5));
    return message;
}

void ExpectHeader(ServiceMessage const& message)
{
    EXPECT_EQ(message.GetMsgType(), -7);
    EXPECT_EQ(message.GetMsgCorrelationId(), 1u);
    EXPECT_EQ(message.GetMsgOrderId(), 2u);
    EXPECT_EQ(message.GetSessionId(), 3u);
    EXPECT_EQ(message.GetConsumerAddress(), u"c");
    EXPECT_EQ(message.GetProducerAddress(), u"p");
    EXPECT_EQ(message.GetOperationName(), u"o");
    EXPECT_EQ(message.GetParametersTypeName(), u"t");
}

TEST(ServiceMessage, DefaultsAreEmpty)
{
    ServiceMessage const message;
    EXPECT_EQ(message.GetMsgType(), 0);
    EXPECT_EQ(message.GetMsgCorrelationId(), 0u);
    EXPECT_EQ(message.GetMsgOrderId(), 0u);
    EXPECT_EQ(message.GetSessionId(), 0u);
    EXPECT_TRUE(message.GetConsumerAddress().empty());
    EXPECT_TRUE(message.GetProducerAddress().empty());
    EXPECT_TRUE(message.GetOperationName().empty());
    EXPECT_TRUE(message.GetParametersTypeName().empty());
    EXPECT_EQ(message.GetParameters(), nullptr);
}

TEST(ServiceMessage, CopiesAreDeepAndOwnTheirPayload)
{
    ASSERT_EQ(CountedPayload::alive, 0);
    {
        ServiceMessage const original = Filled();
        EXPECT_EQ(CountedPayload::alive, 1);
        ServiceMessage const copied(original);
        std::unique_ptr<ServiceMessage> cloned(original.Copy());
        EXPECT_EQ(CountedPayload::alive, 3);
        for (ServiceMessage const* message : {&copied, static_cast<ServiceMessage const*>(cloned.get())}) {
            ExpectHeader(*message);
            EXPECT_NE(message->GetParameters(), original.GetParameters());
            EXPECT_EQ(ValueOf(*message), 5);
        }
        cloned.reset();
        EXPECT_EQ(CountedPayload::alive, 2);
        EXPECT_EQ(ValueOf(original), 5);
    }
    EXPECT_EQ(CountedPayload::alive, 0);
}

TEST(ServiceMessage, AssignmentReplacesThePayload)
{
    {
        ServiceMessage target;
        target.SetParameters(new CountedPayload(1));
        ServiceMessage const source = Filled();
        EXPECT_EQ(CountedPayload::alive, 2);
        target = source;
        EXPECT_EQ(CountedPayload::alive, 2);
        ExpectHeader(target);
        EXPECT_EQ(ValueOf(target), 5);
        EXPECT_NE(target.GetParameters(), source.GetParameters());

        auto* const before = target.GetParameters();
        ServiceMessage& self = target;
        target = self;
        EXPECT_EQ(target.GetParameters(), before);

        target = ServiceMessage();
        EXPECT_EQ(target.GetParameters(), nullptr);
        EXPECT_EQ(CountedPayload::alive, 1);
    }
    EXPECT_EQ(CountedPayload::alive, 0);
}

TEST(ServiceMessage, MovesTakeThePayloadOverAndLeaveADefaultMessage)
{
    static_assert(std::is_nothrow_move_constructible_v<ServiceMessage>);
    {
        ServiceMessage source = Filled();
        auto* const payload = source.GetParameters();
        ServiceMessage moved(std::move(source));
        EXPECT_EQ(CountedPayload::alive, 1) << "the payload was copied";
        EXPECT_EQ(moved.GetParameters(), payload);
        ExpectHeader(moved);
        EXPECT_EQ(source.GetParameters(), nullptr);
        EXPECT_EQ(source.GetMsgType(), 0);
        EXPECT_EQ(source.GetSessionId(), 0u);
        EXPECT_TRUE(source.GetOperationName().empty());

        ServiceMessage target;
        target.SetParameters(std::make_unique<CountedPayload>(1));
        target = std::move(moved);
        EXPECT_EQ(CountedPayload::alive, 1); // the target's former payload went
        EXPECT_EQ(target.GetParameters(), payload);
        ExpectHeader(target);
        EXPECT_EQ(moved.GetParameters(), nullptr);
        ServiceMessage& self = target;
        target = std::move(self);
        EXPECT_EQ(target.GetParameters(), payload);
    }
    EXPECT_EQ(CountedPayload::alive, 0);
}

TEST(ServiceMessage, SetParametersOfAnOwningPointer)
{
    {
        ServiceMessage message;
        message.SetParameters(std::make_unique<CountedPayload>(1));
        message.SetParameters(std::make_unique<CountedPayload>(2));
        EXPECT_EQ(CountedPayload::alive, 1);
        EXPECT_EQ(ValueOf(message), 2);
        // The payload it holds, handed over again, stays owned once.
        message.SetParameters(std::unique_ptr<Tarnwick::StubProxy::UserParameters>(message.GetParameters()));
        EXPECT_EQ(ValueOf(message), 2);
    }
    EXPECT_EQ(CountedPayload::alive, 0);
}

TEST(ServiceMessage, SetParametersDeletesThePreviousPayload)
{
    {
        ServiceMessage message;
        message.SetParameters(new CountedPayload(1));
        auto* const second = new CountedPayload(2);
        message.SetParameters(second);
        EXPECT_EQ(CountedPayload::alive, 1);
        message.SetParameters(second);
        EXPECT_EQ(CountedPayload::alive, 1);
        EXPECT_EQ(ValueOf(message), 2);
        message.SetParameters(nullptr);
        EXPECT_EQ(CountedPayload::alive, 0);
        message.SetParameters(new CountedPayload(3));
    }
    EXPECT_EQ(CountedPayload::alive, 0);
}

} // namespace
