#include <tarnwick/datatypes/ServiceType.h>

#include <tarnwick/core/ServiceException.h>

#include "datatypes/KindTable.h"
#include "datatypes/OwnedNodes.h"

#include <utility>

namespace Tarnwick::DataTypes {

namespace {

// The line number is part of the exception's interface.
constexpr std::int32_t kUnsupportedTypeLine = 124;

} // namespace

ServiceType::ServiceType() = default;
ServiceType::ServiceType(std::u16string const& name)
    : m_ParamName(name)
{ }
ServiceType::ServiceType(ServiceType const&) = default;
ServiceType& ServiceType::operator=(ServiceType const&) = default;
ServiceType::ServiceType(ServiceType&& other) noexcept
    : m_ParamName(std::exchange(other.m_ParamName, {}))
{ }
ServiceType& ServiceType::operator=(ServiceType&& other) noexcept
{
    m_ParamName = std::exchange(other.m_ParamName, {});
    return *this;
}
ServiceType::~ServiceType() = default;

std::unique_ptr<ServiceType> ServiceType::Clone() const
{
    return Detail::CloneOf(*this);
}

void ServiceType::Clear()
{ }

std::uint32_t ServiceType::Size() const
{
    return 0;
}

std::u16string ServiceType::GetParamName() const
{
    return m_ParamName;
}

void ServiceType::SetParamName(std::u16string const& name)
{
    m_ParamName = name;
}

char16_t const* ServiceType::GetServiceTypeName(ParamType type)
{
    // Negative codes are out of range too.
    if (!IsKnownCode(type)) {
        throw ServiceException(u"Unsupported type", "Tarnwick::DataTypes::ServiceType", kUnsupportedTypeLine);
    }
    return FactsOf(type).name;
}

} // namespace Tarnwick::DataTypes
