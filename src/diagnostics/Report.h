#pragma once

// Reports that cannot be thrown. Internal to the library.

#include <tarnwick/core/ServiceException.h>

#include <optional>

namespace Tarnwick::Diagnostics::Detail {

/// Writes the exception's `ToString()` line, in UTF-8, to standard error.
void ReportToStandardError(ServiceException const& report) noexcept;

/// Deletes an owned object whose destruction may report by throwing: the
/// first report is kept for the caller to pass on, later ones go to standard
/// error. The object is released in every case.
template <class T> void ReleaseOwned(T* object, std::optional<ServiceException>& firstReport) noexcept
{
    try {
        delete object; // the memory is freed even when the destructor throws
    } catch (ServiceException const& report) {
        if (firstReport) {
            ReportToStandardError(report);
        } else {
            firstReport.emplace(report);
        }
    }
}

} // namespace Tarnwick::Diagnostics::Detail
