#pragma once

#include <tarnwick/core/Export.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace Tarnwick::StubProxy {
class UserParameters;
}

namespace Tarnwick {

/// The header record of a service message with its parameters payload, which it
/// owns exclusively: copies deep-copy the payload, destruction deletes it.
class TARNWICK_EXPORT ServiceMessage {
public:
    /// All numbers 0, all strings empty, no payload.
    ServiceMessage();
    /// Copies every header field and holds a deep copy (`Copy()`) of the other's payload.
    ServiceMessage(ServiceMessage const& other);
    /// Deletes the payload held, then takes a deep copy of the other's; self-assignment is a no-op.
    ServiceMessage& operator=(ServiceMessage const& other);
    /// Takes the header fields and the payload over without copying the payload;
    /// the source is left as a default-constructed message.
    ServiceMessage(ServiceMessage&& other) noexcept;
    /// Deletes the payload held, then takes the other's message over as the move
    /// constructor does; self-assignment is a no-op.
    ServiceMessage& operator=(ServiceMessage&& other) noexcept;
    virtual ~ServiceMessage();

    /// A new deep copy, owned by the caller.
    virtual ServiceMessage* Copy() const;

    /// The eight header fields, each written as an attribute of the `msg` element by
    /// `XmlEncoder::EncodeHeader`. Any value is accepted; the strings are escaped when encoded.
    /// @{
    std::int32_t GetMsgType() const noexcept { return m_MsgType; }
    void SetMsgType(std::int32_t value) noexcept { m_MsgType = value; }
    std::uint32_t GetMsgCorrelationId() const noexcept { return m_MsgCorrelationId; }
    void SetMsgCorrelationId(std::uint32_t value) noexcept { m_MsgCorrelationId = value; }
    std::uint32_t GetMsgOrderId() const noexcept { return m_MsgOrderId; }
    void SetMsgOrderId(std::uint32_t value) noexcept { m_MsgOrderId = value; }
    std::uint32_t GetSessionId() const noexcept { return m_SessionId; }
    void SetSessionId(std::uint32_t value) noexcept { m_SessionId = value; }

    std::u16string const& GetConsumerAddress() const noexcept { return m_ConsumerAddress; }
    void SetConsumerAddress(std::u16string const& value) { m_ConsumerAddress = value; }
    /// Takes the text over without copying; never raises.
    void SetConsumerAddress(std::u16string&& value) noexcept { m_ConsumerAddress = std::move(value); }
    std::u16string const& GetProducerAddress() const noexcept { return m_ProducerAddress; }
    void SetProducerAddress(std::u16string const& value) { m_ProducerAddress = value; }
    /// Takes the text over without copying; never raises.
    void SetProducerAddress(std::u16string&& value) noexcept { m_ProducerAddress = std::move(value); }
    std::u16string const& GetOperationName() const noexcept { return m_OperationName; }
    void SetOperationName(std::u16string const& value) { m_OperationName = value; }
    /// Takes the text over without copying; never raises.
    void SetOperationName(std::u16string&& value) noexcept { m_OperationName = std::move(value); }
    std::u16string const& GetParametersTypeName() const noexcept { return m_ParametersTypeName; }
    void SetParametersTypeName(std::u16string const& value) { m_ParametersTypeName = value; }
    /// Takes the text over without copying; never raises.
    void SetParametersTypeName(std::u16string&& value) noexcept { m_ParametersTypeName = std::move(value); }
    /// @}

    /// The payload, still owned by the message; may be null.
    StubProxy::UserParameters* GetParameters() const noexcept { return m_Parameters; }
    /// Takes ownership of `parameters` (may be null) and deletes the payload held
    /// before; handing over the payload already held changes nothing.
    void SetParameters(StubProxy::UserParameters* parameters);
    /// `SetParameters` of an owning pointer: `message.SetParameters(std::make_unique<AnyType>(5))`.
    void SetParameters(std::unique_ptr<StubProxy::UserParameters> parameters);

private:
    std::int32_t m_MsgType;
    std::uint32_t m_MsgCorrelationId;
    std::uint32_t m_MsgOrderId;
    std::uint32_t m_SessionId;
    std::u16string m_ConsumerAddress;
    std::u16string m_ProducerAddress;
    std::u16string m_OperationName;
    std::u16string m_ParametersTypeName;
    StubProxy::UserParameters* m_Parameters;
};

} // namespace Tarnwick
