#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <string>
#include <string_view>
#include <memory>

namespace Tarnwick::StubProxy {

/// The request to subscribe to (true) or unsubscribe from (false) an event.
/// Stored as a composite with one boolean child "Subscribe".
class TARNWICK_EXPORT UserParametersSubscribeEvent : public UserParameters {
public:
    /// The default root name of `StoreTo` and the initial parameter name. Public
    /// and writable; it holds its text from the moment the library is loaded.
    static std::u16string m_TypeName;

    /// Parameter name `m_TypeName`, subscribe true.
    UserParametersSubscribeEvent();
    /// Parameter name `m_TypeName`, the given flag.
    UserParametersSubscribeEvent(bool subscribe);
    /// Copies parameter name and flag.
    UserParametersSubscribeEvent(UserParametersSubscribeEvent const& other);
    /// Copies parameter name and flag.
    UserParametersSubscribeEvent& operator=(UserParametersSubscribeEvent const& other);
    /// Take the parameter name and the flag over; the
    /// source is left with the empty name.
    UserParametersSubscribeEvent(UserParametersSubscribeEvent&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    UserParametersSubscribeEvent& operator=(UserParametersSubscribeEvent&& other) noexcept;
    ~UserParametersSubscribeEvent() override;

    /// True to subscribe, false to unsubscribe.
    bool GetSubscribe() const;
    /// Replaces the flag.
    void SetSubscribe(bool subscribe);

    /// A new object with the same parameter name and flag, owned by the caller.
    UserParameters* Copy() const override;
    /// `Copy()` as an owning pointer to a subscription request.
    std::unique_ptr<UserParametersSubscribeEvent> Clone() const;
    /// A new `CompositeType` named `name` (`m_TypeName` when null) with one
    /// boolean child "Subscribe" holding the flag.
    DataTypes::ServiceType* StoreTo(char16_t const* name) override;
    /// Takes the flag of the first child of a composite; the names are not read and
    /// further children are ignored. A root that is not a composite, a composite
    /// without children or a first child that is not a boolean scalar throws
    /// "Unsupported service type" (line 59) and leaves the object unchanged.
    void InitFrom(DataTypes::ServiceType* tree) override;

private:
    bool m_Subscribe;
};

} // namespace Tarnwick::StubProxy
