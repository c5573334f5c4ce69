#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <memory>

namespace Tarnwick::StubProxy {

/// The error payload of a service message: one error text, set freely or from a
/// predefined error. Stored as a composite with one wide-string child "ErrorString".
class TARNWICK_EXPORT UserParametersErrorString : public UserParameters {
public:
    /// The predefined errors. Any other 32-bit value a peer sends is valid too and
    /// selects "Error not set.".
    enum tPredefinedErrors : std::int32_t {
        NON_EXISTING_OPERATION = 1,
        NO_RESPONSE_DATA = 2,
        WRONG_PARAMETERS_TYPE = 3,
        SESSIONS_ERROR = 4
    };

    /// The default root name of `StoreTo` and the initial parameter name. Public
    /// and writable; it holds its text from the moment the library is loaded.
    static std::u16string m_TypeName;

    /// Parameter name `m_TypeName`, error "Error not set.".
    UserParametersErrorString();
    /// Parameter name `m_TypeName`, the text of the predefined error.
    UserParametersErrorString(tPredefinedErrors error);
    /// Parameter name `m_TypeName`, the given text.
    UserParametersErrorString(std::u16string const& text);
    /// A literal 0 would otherwise become a null text.
    UserParametersErrorString(std::nullptr_t) = delete;
    /// Copies parameter name and text (the name is not reset to `m_TypeName`).
    UserParametersErrorString(UserParametersErrorString const& other);
    /// Copies parameter name and text.
    UserParametersErrorString& operator=(UserParametersErrorString const& other);
    /// Take the parameter name and the text over without copying the text; the
    /// source is left with the empty name and the empty text.
    UserParametersErrorString(UserParametersErrorString&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    UserParametersErrorString& operator=(UserParametersErrorString&& other) noexcept;
    ~UserParametersErrorString() override;

    /// A copy of the error text.
    std::u16string GetError() const;
    /// Any text is accepted, the empty one included.
    void SetError(std::u16string const& text);
    /// 1 to 4 store their texts ("Sessions error." for 4); every other value stores "Error not set.".
    void SetError(tPredefinedErrors error);
    /// A literal 0 would otherwise become a null text.
    void SetError(std::nullptr_t) = delete;

    /// A new object with the same parameter name and text, owned by the caller.
    UserParameters* Copy() const override;
    /// `Copy()` as an owning pointer to an error string.
    std::unique_ptr<UserParametersErrorString> Clone() const;
    /// A new `CompositeType` named `name` (`m_TypeName` when null) with one
    /// wide-string child "ErrorString" holding the text.
    DataTypes::ServiceType* StoreTo(char16_t const* name) override;
    /// Takes the text of the first child of a composite; the names are not read and
    /// further children are ignored. A root that is not a composite, a composite
    /// without children or a first child that is not a wide-string scalar (STRING)
    /// throws "Unsupported service type" (line 83) and leaves the object unchanged.
    void InitFrom(DataTypes::ServiceType* tree) override;

private:
    std::u16string m_Error;
};

} // namespace Tarnwick::StubProxy
