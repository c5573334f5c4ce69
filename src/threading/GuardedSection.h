#pragma once

// The test that opens every guarded section of the library. Internal.

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"

#include <cstdint>

namespace Tarnwick::Detail {

/// Raises "Unexpected problem with mutex lock." with the guarding object's
/// class name and the section's own line when `lock` reports a problem. The
/// line numbers are part of the exceptions' interface; the library's lock
/// never reports one, so this compiles to nothing.
template <class Owner> void CheckLock(Threading::MutexLock const& lock, Owner const& owner, std::int32_t line)
{
    if (lock) {
        throw ServiceException(u"Unexpected problem with mutex lock.", ClassNameOf(owner), line);
    }
}

} // namespace Tarnwick::Detail
