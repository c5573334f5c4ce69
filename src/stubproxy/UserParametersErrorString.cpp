#include <tarnwick/stubproxy/UserParametersErrorString.h>

#include "datatypes/OwnedNodes.h"

#include <tarnwick/core/ServiceException.h>

#include "core/ClassName.h"
#include "stubproxy/CompositePayload.h"

namespace Tarnwick::StubProxy {

// Initialised when the library is loaded, before any code of its callers runs.
std::u16string UserParametersErrorString::m_TypeName = u"UserParametersErrorString";

namespace {

// The line number is part of the exception's interface.
constexpr std::int32_t kInitFromLine = 83;

constexpr char16_t kErrorNotSet[] = u"Error not set.";
constexpr char16_t kChildName[] = u"ErrorString";

char16_t const* PredefinedText(UserParametersErrorString::tPredefinedErrors error)
{
    switch (error) {
    case UserParametersErrorString::NON_EXISTING_OPERATION:
        return u"Non existing operation was called.";
    case UserParametersErrorString::NO_RESPONSE_DATA:
        return u"No response data sent.";
    case UserParametersErrorString::WRONG_PARAMETERS_TYPE:
        return u"Wrong operation parameters type received.";
    case UserParametersErrorString::SESSIONS_ERROR:
        return u"Sessions error.";
    }
    return kErrorNotSet;
}

} // namespace

UserParametersErrorString::UserParametersErrorString()
    : UserParametersErrorString(std::u16string(kErrorNotSet))
{ }

UserParametersErrorString::UserParametersErrorString(tPredefinedErrors error)
    : UserParametersErrorString(std::u16string(PredefinedText(error)))
{ }

UserParametersErrorString::UserParametersErrorString(std::u16string const& text)
    : m_Error(text)
{
    m_ParamName = m_TypeName;
}

UserParametersErrorString::UserParametersErrorString(UserParametersErrorString const& other) = default;
UserParametersErrorString& UserParametersErrorString::operator=(UserParametersErrorString const& other) = default;
UserParametersErrorString::UserParametersErrorString(UserParametersErrorString&& other) noexcept = default;
UserParametersErrorString& UserParametersErrorString::operator=(UserParametersErrorString&& other) noexcept = default;
UserParametersErrorString::~UserParametersErrorString() = default;

std::u16string UserParametersErrorString::GetError() const
{
    return m_Error;
}

void UserParametersErrorString::SetError(std::u16string const& text)
{
    m_Error = text;
}

void UserParametersErrorString::SetError(tPredefinedErrors error)
{
    m_Error = PredefinedText(error);
}

UserParameters* UserParametersErrorString::Copy() const
{
    return new UserParametersErrorString(*this);
}

std::unique_ptr<UserParametersErrorString> UserParametersErrorString::Clone() const
{
    return Detail::CloneOf(*this);
}

DataTypes::ServiceType* UserParametersErrorString::StoreTo(char16_t const* name)
{
    return Detail::StoreCompositePayload(name != nullptr ? std::u16string(name) : m_TypeName, kChildName, m_Error);
}

void UserParametersErrorString::InitFrom(DataTypes::ServiceType* tree)
{
    auto const* child = Detail::FirstScalarChild<std::u16string>(tree);
    if (child == nullptr) {
        throw ServiceException(u"Unsupported service type", Detail::ClassNameOf(*this), kInitFromLine);
    }
    m_Error = child->GetValueRef();
}

} // namespace Tarnwick::StubProxy
