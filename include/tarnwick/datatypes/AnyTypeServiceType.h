#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <string>

namespace Tarnwick::DataTypes {

/// A leaf wrapper around one node of any class (or none). It owns the wrapped
/// node; copies are deep.
class TARNWICK_EXPORT AnyTypeServiceType : public ServiceType {
public:
    /// Wraps `node` itself (may be null) and takes ownership, even when construction fails.
    AnyTypeServiceType(ServiceType* node, std::u16string const& name);
    /// A deep copy of the other's wrapped node (of its own class), and its name.
    AnyTypeServiceType(AnyTypeServiceType const& other);
    /// Destroys the node held, then wraps a deep copy of the other's; self-assignment is a no-op.
    AnyTypeServiceType& operator=(AnyTypeServiceType const& other);
    ~AnyTypeServiceType() override;

    /// Destroys the node held before, then holds `node` (ownership passes).
    /// Handing over the node already held changes nothing.
    void SetValue(ServiceType* node);
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

private:
    ServiceType* m_WrappedNode;
};

} // namespace Tarnwick::DataTypes
