#include <tarnwick/stubproxy/UserParameters.h>

#include "datatypes/OwnedNodes.h"

#include <utility>

namespace Tarnwick::StubProxy {

UserParameters::UserParameters() = default;
UserParameters::UserParameters(UserParameters const& other) = default;
UserParameters& UserParameters::operator=(UserParameters const& other) = default;
UserParameters::UserParameters(UserParameters&& other) noexcept
    : m_ParamName(std::exchange(other.m_ParamName, {}))
{ }
UserParameters& UserParameters::operator=(UserParameters&& other) noexcept
{
    m_ParamName = std::exchange(other.m_ParamName, {});
    return *this;
}
UserParameters::~UserParameters() = default;

std::unique_ptr<UserParameters> UserParameters::Clone() const
{
    return Tarnwick::Detail::CloneOf(*this);
}

bool UserParameters::InitFromIsAtomic() const noexcept
{
    return false;
}

bool UserParameters::ReadFrom(FieldSource& /*source*/)
{
    return false;
}

std::u16string UserParameters::GetParamName() const
{
    return m_ParamName;
}

void UserParameters::SetParamName(std::u16string const& name)
{
    m_ParamName = name;
}

} // namespace Tarnwick::StubProxy
