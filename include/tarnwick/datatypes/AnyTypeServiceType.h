#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <memory>
#include <string>

namespace Tarnwick::DataTypes {

/// A leaf wrapper around one node of any class (or none). It owns the wrapped
/// node; copies are deep.
class TARNWICK_EXPORT AnyTypeServiceType : public ServiceType {
public:
    /// Wraps `node` itself (may be null) and takes ownership, even when construction fails.
    AnyTypeServiceType(ServiceType* node, std::u16string const& name);
    /// The constructor above with an owning pointer to the node.
    AnyTypeServiceType(std::unique_ptr<ServiceType> node, std::u16string const& name);
    /// A deep copy of the other's wrapped node (of its own class), and its name.
    AnyTypeServiceType(AnyTypeServiceType const& other);
    /// Destroys the node held, then wraps a deep copy of the other's; self-assignment is a no-op.
    AnyTypeServiceType& operator=(AnyTypeServiceType const& other);
    /// Takes the wrapped node and the name over without copying them; the
    /// source is left wrapping nothing, with the empty name.
    AnyTypeServiceType(AnyTypeServiceType&& other) noexcept;
    /// Destroys the node held, then takes the other's over as the move constructor does.
    AnyTypeServiceType& operator=(AnyTypeServiceType&& other) noexcept;
    ~AnyTypeServiceType() override;

    /// Destroys the node held before, then holds `node` (ownership passes).
    /// Handing over the node already held changes nothing.
    void SetValue(ServiceType* node);
    /// `SetValue` of an owning pointer. Handing over the node already held
    /// changes nothing, and the wrapper stays its only owner.
    void SetValue(std::unique_ptr<ServiceType> node);
    /// The wrapped node, possibly null; still owned by the wrapper.
    /// @{
    ServiceType* GetValue();
    ServiceType const* GetValue() const;
    /// @}

    /// ANY_TYPE.
    ParamType GetType() const override;
    /// Always true: the encoder writes the wrapped value inside one element.
    bool IsLeaf() const override;
    /// A new deep copy, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to an any-type wrapper.
    std::unique_ptr<AnyTypeServiceType> Clone() const;

private:
    // Copies and destroys the owned nodes of deep trees without recursion.
    friend struct Detail::TreeAccess;

    ServiceType* m_WrappedNode;
};

} // namespace Tarnwick::DataTypes
