#include <tarnwick/Version.h>

namespace Tarnwick {

// Compiled into the library, so that these answer the version it was built
// with, whatever headers the calling program saw.
Version LibraryVersion() noexcept
{
    return kHeaderVersion;
}

char const* LibraryVersionString() noexcept
{
    return TARNWICK_VERSION_STRING;
}

} // namespace Tarnwick
