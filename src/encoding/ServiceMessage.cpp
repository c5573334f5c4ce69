#include <tarnwick/encoding/ServiceMessage.h>

#include <tarnwick/stubproxy/UserParameters.h>

#include <memory>
#include <utility>

namespace Tarnwick {

namespace {

StubProxy::UserParameters* CopyOf(StubProxy::UserParameters const* parameters)
{
    return parameters != nullptr ? parameters->Copy() : nullptr;
}

} // namespace

ServiceMessage::ServiceMessage()
    : m_MsgType(0)
    , m_MsgCorrelationId(0)
    , m_MsgOrderId(0)
    , m_SessionId(0)
    , m_Parameters(nullptr)
{ }

ServiceMessage::ServiceMessage(ServiceMessage const& other)
    : m_MsgType(other.m_MsgType)
    , m_MsgCorrelationId(other.m_MsgCorrelationId)
    , m_MsgOrderId(other.m_MsgOrderId)
    , m_SessionId(other.m_SessionId)
    , m_ConsumerAddress(other.m_ConsumerAddress)
    , m_ProducerAddress(other.m_ProducerAddress)
    , m_OperationName(other.m_OperationName)
    , m_ParametersTypeName(other.m_ParametersTypeName)
    , m_Parameters(CopyOf(other.m_Parameters))
{ }

ServiceMessage& ServiceMessage::operator=(ServiceMessage const& other)
{
    if (this != &other) {
        // Copy first, so that a failing copy leaves this message as it was.
        std::unique_ptr<StubProxy::UserParameters> parameters(CopyOf(other.m_Parameters));
        std::u16string consumer = other.m_ConsumerAddress;
        std::u16string producer = other.m_ProducerAddress;
        std::u16string operation = other.m_OperationName;
        std::u16string typeName = other.m_ParametersTypeName;
        m_MsgType = other.m_MsgType;
        m_MsgCorrelationId = other.m_MsgCorrelationId;
        m_MsgOrderId = other.m_MsgOrderId;
        m_SessionId = other.m_SessionId;
        m_ConsumerAddress.swap(consumer);
        m_ProducerAddress.swap(producer);
        m_OperationName.swap(operation);
        m_ParametersTypeName.swap(typeName);
        delete m_Parameters;
        m_Parameters = parameters.release();
    }
    return *this;
}

ServiceMessage::ServiceMessage(ServiceMessage&& other) noexcept
    : m_MsgType(std::exchange(other.m_MsgType, 0))
    , m_MsgCorrelationId(std::exchange(other.m_MsgCorrelationId, 0))
    , m_MsgOrderId(std::exchange(other.m_MsgOrderId, 0))
    , m_SessionId(std::exchange(other.m_SessionId, 0))
    , m_ConsumerAddress(std::exchange(other.m_ConsumerAddress, {}))
    , m_ProducerAddress(std::exchange(other.m_ProducerAddress, {}))
    , m_OperationName(std::exchange(other.m_OperationName, {}))
    , m_ParametersTypeName(std::exchange(other.m_ParametersTypeName, {}))
    , m_Parameters(std::exchange(other.m_Parameters, nullptr))
{ }

ServiceMessage& ServiceMessage::operator=(ServiceMessage&& other) noexcept
{
    if (this != &other) {
        ServiceMessage taken(std::move(other));
        std::swap(m_MsgType, taken.m_MsgType);
        std::swap(m_MsgCorrelationId, taken.m_MsgCorrelationId);
        std::swap(m_MsgOrderId, taken.m_MsgOrderId);
        std::swap(m_SessionId, taken.m_SessionId);
        m_ConsumerAddress.swap(taken.m_ConsumerAddress);
        m_ProducerAddress.swap(taken.m_ProducerAddress);
        m_OperationName.swap(taken.m_OperationName);
        m_ParametersTypeName.swap(taken.m_ParametersTypeName);
        std::swap(m_Parameters, taken.m_Parameters);
        // `taken` now holds this message's former payload and deletes it.
    }
    return *this;
}

ServiceMessage::~ServiceMessage()
{
    delete m_Parameters;
}

ServiceMessage* ServiceMessage::Copy() const
{
    return new ServiceMessage(*this);
}

void ServiceMessage::SetParameters(StubProxy::UserParameters* parameters)
{
    if (parameters != m_Parameters) {
        delete m_Parameters;
        m_Parameters = parameters;
    }
}

void ServiceMessage::SetParameters(std::unique_ptr<StubProxy::UserParameters> parameters)
{
    SetParameters(parameters.release());
}

} // namespace Tarnwick
