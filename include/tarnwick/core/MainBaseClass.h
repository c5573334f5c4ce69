#pragma once

#include <tarnwick/core/Export.h>

#include <string>

namespace Tarnwick {

/// A base for users' classes that record their own run-time class name once
/// and hand it out later. Copies carry the recorded name unchanged, and so do
/// moves of a derived class (they copy this base): the name describes the
/// class, not a resource, so a moved-from object still answers it.
class TARNWICK_EXPORT MainBaseClass {
protected:
    /// Records the fully qualified name of the object's most-derived class.
    /// Declared first: it takes the first slot of the virtual table, before the destructor.
    virtual void SetThisClassName();

public:
    /// No class name recorded yet.
    MainBaseClass();
    /// Copies the recorded name.
    /// @{
    MainBaseClass(MainBaseClass const&);
    MainBaseClass& operator=(MainBaseClass const&);
    /// @}
    virtual ~MainBaseClass();

    /// Throws "The class name is not set." (line 18) until `SetThisClassName` has run.
    std::u16string GetThisClassName() const;

private:
    std::u16string m_ThisClassName;
};

} // namespace Tarnwick
