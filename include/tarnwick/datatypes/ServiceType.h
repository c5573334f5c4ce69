#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ParamType.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnwick::Detail {
struct TreeAccess;
} // namespace Tarnwick::Detail

namespace Tarnwick::DataTypes {

/// The abstract node of a parameter tree. A node owns everything it points to;
/// `Copy()` returns an independent deep copy of the same dynamic class.
/// Copying and destroying a tree take heap, not stack, in proportion to its depth:
/// trees of any depth are copied and destroyed. Only a node of a caller's own class
/// (one derived from a container included) copies and destroys itself by its own
/// code, which costs one level of the call stack per such node on a path.
class TARNWICK_EXPORT ServiceType {
public:
    /// An unnamed node.
    ServiceType();
    /// A node named `name`; names are neither checked nor required to be unique.
    ServiceType(std::u16string const& name);
    /// Copies the name; the derived classes copy their content deeply.
    /// @{
    ServiceType(ServiceType const&);
    ServiceType& operator=(ServiceType const&);
    /// @}
    /// Takes the name over; the source is left with the empty name.
    ServiceType(ServiceType&&) noexcept;
    /// Takes the name over; the source is left with the empty name.
    ServiceType& operator=(ServiceType&&) noexcept;
    virtual ~ServiceType();

    /// The node's type code, fixed by its class (`ScalarType<std::int32_t>` answers INT32,
    /// `XmlString` XML_STRING, ...).
    virtual ParamType GetType() const = 0;
    /// Whether the encoder writes the node as one element with text content.
    virtual bool IsLeaf() const = 0;
    /// Removes the content a container holds (destroying owned nodes); the name stays.
    /// A node without content (a scalar) does nothing.
    virtual void Clear();
    /// The number of elements or children a container holds; 0 for a scalar.
    virtual std::uint32_t Size() const;
    /// A new deep copy owned by the caller.
    virtual ServiceType* Copy() const = 0;
    /// `Copy()` as an owning pointer. Not virtual: every node class declares its
    /// own `Clone()`, which hides this one and answers its own class, so
    /// `composite.Clone()` is a `std::unique_ptr<CompositeType>`.
    std::unique_ptr<ServiceType> Clone() const;

    /// A copy of the node's name (the element name the encoder writes).
    std::u16string GetParamName() const;
    /// The name without a copy, for readers on a hot path such as the encoder.
    std::u16string const& GetParamNameRef() const noexcept { return m_ParamName; }
    /// Renames the node.
    void SetParamName(std::u16string const& name);

    /// The type name of a code ("NULL_TYPE" ... "TIME_DURATION_SEQUENCE"), static
    /// text. Throws "Unsupported type" (line 124) outside 0 to 34.
    static char16_t const* GetServiceTypeName(ParamType type);

protected:
    /// The node's name, readable by derived classes without a copy.
    std::u16string m_ParamName;
};

} // namespace Tarnwick::DataTypes
