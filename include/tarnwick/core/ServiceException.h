#pragma once

#include <tarnwick/core/Export.h>

#include <cstdint>
#include <exception>
#include <string>

namespace Tarnwick {

/// The library's only exception: a message, the raising class (or a fixed
/// source text) and the line of the raise site, which is part of the interface.
class TARNWICK_EXPORT ServiceException : public std::exception {
public:
    /// `source` names the raising class (fully qualified) or a fixed text; `line` is
    /// the fixed number of the raise site, documented with each operation that raises.
    ServiceException(std::u16string message, std::u16string source, std::int32_t line);
    /// The narrow source is widened byte by byte, as `Conversion::StringToWstring` does.
    ServiceException(std::u16string message, char const* source, std::int32_t line);
    /// Copies message, source and line.
    /// @{
    ServiceException(ServiceException const&) = default;
    ServiceException& operator=(ServiceException const&) = default;
    /// @}
    ~ServiceException() override;

    /// The message, one character per code unit (low 8 bits), built once at construction.
    char const* what() const noexcept override;
    /// `Exception: <source> line <line> - <message>`.
    std::u16string ToString() const;

private:
    std::int32_t m_Line;
    std::u16string m_Source;
    std::u16string m_Message;
    std::string m_NarrowMessage;
};

} // namespace Tarnwick
