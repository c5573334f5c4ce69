#include <tarnwick/stubproxy/UserParametersSubscribeEvent.h>

#include "datatypes/OwnedNodes.h"

#include <tarnwick/core/ServiceException.h>

#include "core/ClassName.h"
#include "stubproxy/CompositePayload.h"

namespace Tarnwick::StubProxy {

// Initialised when the library is loaded, before any code of its callers runs.
std::u16string UserParametersSubscribeEvent::m_TypeName = u"UserParametersSubscribeEvent";

namespace {

// The line number is part of the exception's interface.
constexpr std::int32_t kInitFromLine = 59;

constexpr char16_t kChildName[] = u"Subscribe";

} // namespace

UserParametersSubscribeEvent::UserParametersSubscribeEvent()
    : UserParametersSubscribeEvent(true)
{ }

UserParametersSubscribeEvent::UserParametersSubscribeEvent(bool subscribe)
    : m_Subscribe(subscribe)
{
    m_ParamName = m_TypeName;
}

UserParametersSubscribeEvent::UserParametersSubscribeEvent(UserParametersSubscribeEvent const& other) = default;
UserParametersSubscribeEvent& UserParametersSubscribeEvent::operator=(UserParametersSubscribeEvent const& other)
    = default;
UserParametersSubscribeEvent::UserParametersSubscribeEvent(UserParametersSubscribeEvent&& other) noexcept = default;
UserParametersSubscribeEvent& UserParametersSubscribeEvent::operator=(
    UserParametersSubscribeEvent&& other) noexcept = default;
UserParametersSubscribeEvent::~UserParametersSubscribeEvent() = default;

bool UserParametersSubscribeEvent::GetSubscribe() const
{
    return m_Subscribe;
}

void UserParametersSubscribeEvent::SetSubscribe(bool subscribe)
{
    m_Subscribe = subscribe;
}

UserParameters* UserParametersSubscribeEvent::Copy() const
{
    return new UserParametersSubscribeEvent(*this);
}

std::unique_ptr<UserParametersSubscribeEvent> UserParametersSubscribeEvent::Clone() const
{
    return Detail::CloneOf(*this);
}

DataTypes::ServiceType* UserParametersSubscribeEvent::StoreTo(char16_t const* name)
{
    return Detail::StoreCompositePayload(name != nullptr ? std::u16string(name) : m_TypeName, kChildName, m_Subscribe);
}

void UserParametersSubscribeEvent::InitFrom(DataTypes::ServiceType* tree)
{
    auto const* child = Detail::FirstScalarChild<bool>(tree);
    if (child == nullptr) {
        throw ServiceException(u"Unsupported service type", Detail::ClassNameOf(*this), kInitFromLine);
    }
    m_Subscribe = child->GetValue();
}

} // namespace Tarnwick::StubProxy
