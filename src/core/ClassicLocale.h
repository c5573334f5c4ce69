#pragma once

// The "C" locale for what the C library formats or reads, so that numbers do
// not change with the process's or a thread's locale. Internal to the library.

#include <locale.h>

namespace Tarnwick::Detail {

/// The "C" locale as an object, made at first use and kept for the life of the
/// process; null only when making it failed.
inline locale_t ClassicLocale() noexcept
{
    static locale_t const classic = ::newlocale(LC_ALL_MASK, "C", locale_t {});
    return classic;
}

/// Puts the calling thread in the "C" locale for its lifetime, and back into
/// the locale it was in after; no other thread's or the process's locale is touched.
class ClassicLocaleScope {
public:
    ClassicLocaleScope() noexcept
        : m_Previous(ClassicLocale() != locale_t {} ? ::uselocale(ClassicLocale()) : locale_t {})
    { }
    ClassicLocaleScope(ClassicLocaleScope const&) = delete;
    ClassicLocaleScope& operator=(ClassicLocaleScope const&) = delete;
    ~ClassicLocaleScope()
    {
        if (m_Previous != locale_t {}) {
            ::uselocale(m_Previous);
        }
    }

private:
    locale_t m_Previous;
};

} // namespace Tarnwick::Detail
