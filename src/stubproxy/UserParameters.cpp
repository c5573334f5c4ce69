#include <tarnwick/stubproxy/UserParameters.h>

namespace Tarnwick::StubProxy {

UserParameters::UserParameters() = default;
UserParameters::UserParameters(UserParameters const& other) = default;
UserParameters& UserParameters::operator=(UserParameters const& other) = default;
UserParameters::~UserParameters() = default;

std::u16string UserParameters::GetParamName() const
{
    return m_ParamName;
}

void UserParameters::SetParamName(std::u16string const& name)
{
    m_ParamName = name;
}

} // namespace Tarnwick::StubProxy
