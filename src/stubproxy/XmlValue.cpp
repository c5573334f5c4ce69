#include <tarnwick/stubproxy/XmlValue.h>

#include "datatypes/OwnedNodes.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/XmlString.h>

#include "core/ClassName.h"
#include <utility>

namespace Tarnwick::DataTypes {

namespace {

// The line number is part of the exception's interface.
constexpr std::int32_t kInitFromLine = 63;

} // namespace

XmlValue::XmlValue() = default;

XmlValue::XmlValue(XmlValue const& other) = default;

XmlValue& XmlValue::operator=(XmlValue const& other)
{
    if (this != &other) {
        m_Text = other.m_Text;
    }
    return *this;
}

XmlValue::XmlValue(XmlValue&& other) noexcept
    : UserParameters(std::move(other))
    , m_Text(std::exchange(other.m_Text, {}))
{ }

XmlValue& XmlValue::operator=(XmlValue&& other) noexcept
{
    m_Text = std::exchange(other.m_Text, {});
    return *this;
}

XmlValue::~XmlValue() = default;

std::u16string XmlValue::AsString() const
{
    return m_Text;
}

void XmlValue::SetString(std::u16string const& text)
{
    m_Text = text;
}

StubProxy::UserParameters* XmlValue::Copy() const
{
    return new XmlValue(*this);
}

std::unique_ptr<XmlValue> XmlValue::Clone() const
{
    return Detail::CloneOf(*this);
}

ServiceType* XmlValue::StoreTo(char16_t const* name)
{
    return new XmlString(m_Text, name != nullptr ? std::u16string(name) : std::u16string());
}

void XmlValue::InitFrom(ServiceType* tree)
{
    auto const* node
        = tree != nullptr && tree->GetType() == XML_STRING ? dynamic_cast<XmlString const*>(tree) : nullptr;
    if (node == nullptr) {
        throw ServiceException(u"Unsupported service type", Detail::ClassNameOf(*this), kInitFromLine);
    }
    m_Text = node->GetValueRef();
}

} // namespace Tarnwick::DataTypes
