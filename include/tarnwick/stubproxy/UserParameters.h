#pragma once

#include <tarnwick/core/Export.h>

#include <string>
#include <memory>

namespace Tarnwick::DataTypes {
class ServiceType;
}

namespace Tarnwick::StubProxy {

class FieldSource;

/// The abstract value object: it clones itself, stores its value into a new
/// parameter tree and reads its value back from one. It never keeps a pointer
/// into a tree.
class TARNWICK_EXPORT UserParameters {
public:
    /// The empty parameter name.
    UserParameters();
    /// Copies the parameter name; each derived class says whether its own assignment does.
    /// @{
    UserParameters(UserParameters const& other);
    UserParameters& operator=(UserParameters const& other);
    /// @}
    /// Takes the parameter name over; the source is left with the empty name.
    UserParameters(UserParameters&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    UserParameters& operator=(UserParameters&& other) noexcept;
    virtual ~UserParameters();

    /// A new object of the same class, owned by the caller.
    virtual UserParameters* Copy() const = 0;
    /// `Copy()` as an owning pointer. Not virtual: every value object class
    /// declares its own `Clone()`, which hides this one and answers its own class.
    std::unique_ptr<UserParameters> Clone() const;
    /// A new tree carrying the value, owned by the caller. The root is named
    /// `name`, or a class-specific default when `name` is null; `m_ParamName` is not used.
    virtual DataTypes::ServiceType* StoreTo(char16_t const* name) = 0;
    /// Replaces the value by the one `tree` carries; reads the tree only and
    /// never changes `m_ParamName`.
    virtual void InitFrom(DataTypes::ServiceType* tree) = 0;
    /// True when `InitFrom` either replaces the whole value or raises leaving it unchanged;
    /// readers then hand a tree to the object itself, without trying it on a copy first.
    /// False unless the class says so (records do).
    virtual bool InitFromIsAtomic() const noexcept;
    /// Replaces the value by the one `source` holds, read without a tree in between, and
    /// answers true; or answers false leaving the value as it was, when the class does not
    /// read sources (the default) or `source` does not hold exactly what `InitFrom` would
    /// read from the tree of the same text. Readers then read the tree, as without this.
    virtual bool ReadFrom(FieldSource& source);

    /// A name the caller may keep with the object; `StoreTo` does not use it.
    std::u16string GetParamName() const;
    /// Replaces the parameter name.
    void SetParamName(std::u16string const& name);

protected:
    /// The parameter name, readable by derived classes.
    std::u16string m_ParamName;
};

} // namespace Tarnwick::StubProxy
