#include "diagnostics/Report.h"

#include "core/Utf16.h"

#include <cstdio>
#include <string>

namespace Tarnwick::Diagnostics::Detail {

void ReportToStandardError(ServiceException const& report) noexcept
{
    try {
        std::string line;
        Tarnwick::Detail::AppendUtf8(line, report.ToString());
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
    } catch (...) {
        // Out of memory while reporting: nothing more can be said.
    }
}

} // namespace Tarnwick::Diagnostics::Detail
