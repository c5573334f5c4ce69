#include <tarnwick/core/ServiceException.h>

#include <tarnwick/core/Conversion.h>

#include <utility>

namespace Tarnwick {

ServiceException::ServiceException(std::u16string message, std::u16string source, std::int32_t line)
    : m_Line(line)
    , m_Source(std::move(source))
    , m_Message(std::move(message))
    , m_NarrowMessage(Utils::Conversion::WstringToString(m_Message))
{ }

ServiceException::ServiceException(std::u16string message, char const* source, std::int32_t line)
    : ServiceException(std::move(message), Utils::Conversion::StringToWstring(source), line)
{ }

ServiceException::~ServiceException() = default;

char const* ServiceException::what() const noexcept
{
    return m_NarrowMessage.c_str();
}

std::u16string ServiceException::ToString() const
{
    std::u16string text = u"Exception: ";
    text += m_Source;
    text += u" line ";
    text += Utils::Conversion::IntegerToWstring(m_Line);
    text += u" - ";
    text += m_Message;
    return text;
}

} // namespace Tarnwick
