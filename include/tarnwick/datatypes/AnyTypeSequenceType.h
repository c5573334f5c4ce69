#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/OwnedList.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnwick::DataTypes {

/// The list of any-type wrappers, built into the library.
extern template class TARNWICK_EXPORT OwnedList<AnyTypeServiceType>;

/// An ordered list of any-type wrappers. It owns them (and so their wrapped
/// nodes); copies are deep.
class TARNWICK_EXPORT AnyTypeSequenceType : public ServiceType, public OwnedList<AnyTypeServiceType> {
public:
    /// The owned items, in order.
    using Items = Nodes;

    /// An empty sequence named `name`.
    AnyTypeSequenceType(std::u16string const& name);
    /// Deep copies of the other's wrappers, and its name.
    AnyTypeSequenceType(AnyTypeSequenceType const& other);
    /// Destroys the wrappers held, then takes deep copies of the other's; self-assignment is a no-op.
    AnyTypeSequenceType& operator=(AnyTypeSequenceType const& other);
    /// Takes the wrappers and the name over without copying them; the source is
    /// left without items and with the empty name.
    AnyTypeSequenceType(AnyTypeSequenceType&& other) noexcept;
    /// Destroys the wrappers held, then takes the other's over as the move constructor does.
    AnyTypeSequenceType& operator=(AnyTypeSequenceType&& other) noexcept;
    ~AnyTypeSequenceType() override;

    /// ANY_TYPE_SEQUENCE.
    ParamType GetType() const override;
    /// Always false.
    bool IsLeaf() const override;
    /// Destroys and removes all wrappers; the name stays.
    void Clear() override;
    /// The number of wrappers.
    std::uint32_t Size() const override;
    /// A new deep copy, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to an any-type sequence.
    std::unique_ptr<AnyTypeSequenceType> Clone() const;
};

} // namespace Tarnwick::DataTypes
