#include <tarnwick/core/MainBaseClass.h>

#include <tarnwick/core/ServiceException.h>

#include "core/ClassName.h"

namespace Tarnwick {

namespace {
// The line number is part of the exception's interface.
constexpr std::int32_t kClassNameNotSetLine = 18;
} // namespace

MainBaseClass::MainBaseClass() = default;
MainBaseClass::MainBaseClass(MainBaseClass const&) = default;
MainBaseClass& MainBaseClass::operator=(MainBaseClass const&) = default;
MainBaseClass::~MainBaseClass() = default;

void MainBaseClass::SetThisClassName()
{
    m_ThisClassName = Detail::ClassNameOf(*this);
}

std::u16string MainBaseClass::GetThisClassName() const
{
    if (m_ThisClassName.empty()) {
        throw ServiceException(u"The class name is not set.", Detail::ClassNameOf(*this), kClassNameNotSetLine);
    }
    return m_ThisClassName;
}

} // namespace Tarnwick
