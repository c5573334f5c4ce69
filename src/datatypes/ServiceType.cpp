#include <tarnwick/datatypes/ServiceType.h>

#include <tarnwick/core/ServiceException.h>

#include "datatypes/OwnedNodes.h"

#include <array>
#include <utility>

namespace Tarnwick::DataTypes {

namespace {

// Indexed by code.
constexpr std::array<char16_t const*, 35> kTypeNames = {
    u"NULL_TYPE",
    u"COMPOSITE",
    u"STRING",
    u"BOOLEAN",
    u"INT8",
    u"UINT8",
    u"INT16",
    u"UINT16",
    u"INT32",
    u"UINT32",
    u"INT64",
    u"UINT64",
    u"FLOAT",
    u"DOUBLE",
    u"STRING_SEQUENCE",
    u"BOOLEAN_SEQUENCE",
    u"INT8_SEQUENCE",
    u"UINT8_SEQUENCE",
    u"INT16_SEQUENCE",
    u"UINT16_SEQUENCE",
    u"INT32_SEQUENCE",
    u"UINT32_SEQUENCE",
    u"INT64_SEQUENCE",
    u"UINT64_SEQUENCE",
    u"FLOAT_SEQUENCE",
    u"DOUBLE_SEQUENCE",
    u"COMPOSITE_SEQUENCE",
    u"DICTIONARY",
    u"ANY_TYPE",
    u"ANY_TYPE_SEQUENCE",
    u"XML_STRING",
    u"TIME_STAMP",
    u"TIME_STAMP_SEQUENCE",
    u"TIME_DURATION",
    u"TIME_DURATION_SEQUENCE",
};

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
    auto const index = static_cast<std::uint32_t>(type);
    if (index >= kTypeNames.size()) {
        throw ServiceException(u"Unsupported type", "Tarnwick::DataTypes::ServiceType", kUnsupportedTypeLine);
    }
    return kTypeNames[index];
}

} // namespace Tarnwick::DataTypes
