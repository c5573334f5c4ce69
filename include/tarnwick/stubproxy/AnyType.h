#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ParamType.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>
#include <memory>

namespace Tarnwick::DataTypes {

class ServiceType;

/// Which row of the variant's value-kind table a C++ type is stored and read as.
/// The rows are the twelve primitives, the twelve vectors of them, `TimeStamp`
/// and `TimeDuration`; other integer types of the platform (`char`, `long long`,
/// `unsigned long long`) go to the fixed-width row of their size and signedness,
/// unscoped enumerations to their underlying integer's, and classes derived from
/// the time classes to their base. Character code units
/// (`char16_t`, `wchar_t`, ...) and pointers have no row: a pointer never turns
/// into a BOOLEAN, and `u"text"` is taken as text by its own overload.
namespace AnyTypeKinds {

/// The row of `T` as its member `type`; a type without a row has no `type`. The
/// specialisations for the rows listed above are an implementation detail.
template <class T> struct RowOf { };

/// @cond TARNWICK_INTERNAL
template <PrimitiveElement T> struct RowOf<T> {
    using type = T;
};

template <std::size_t Bytes, bool Signed> struct FixedInteger { };
template <> struct FixedInteger<1, true> {
    using type = std::int8_t;
};
template <> struct FixedInteger<1, false> {
    using type = std::uint8_t;
};
template <> struct FixedInteger<2, true> {
    using type = std::int16_t;
};
template <> struct FixedInteger<2, false> {
    using type = std::uint16_t;
};
template <> struct FixedInteger<4, true> {
    using type = std::int32_t;
};
template <> struct FixedInteger<4, false> {
    using type = std::uint32_t;
};
template <> struct FixedInteger<8, true> {
    using type = std::int64_t;
};
template <> struct FixedInteger<8, false> {
    using type = std::uint64_t;
};

template <class T>
concept CharacterUnit
    = std::same_as<T, wchar_t> || std::same_as<T, char8_t> || std::same_as<T, char16_t> || std::same_as<T, char32_t>;

template <class T>
requires(std::is_integral_v<T> && !PrimitiveElement<T> && !CharacterUnit<T>) struct RowOf<T>
    : FixedInteger<sizeof(T), std::is_signed_v<T>> {
};

// An unscoped enumeration is stored and read as its underlying integer, as it
// would convert on its own.
template <class T>
requires(std::is_enum_v<T>&& std::is_convertible_v<T, std::underlying_type_t<T>>) struct RowOf<T>
    : RowOf<std::underlying_type_t<T>> {
};

template <PrimitiveElement T> struct RowOf<std::vector<T>> {
    using type = std::vector<T>;
};

template <std::derived_from<TimeStamp> T> struct RowOf<T> {
    using type = TimeStamp;
};

template <std::derived_from<TimeDuration> T> struct RowOf<T> {
    using type = TimeDuration;
};
/// @endcond

/// The row type of `T`.
template <class T> using Row = typename RowOf<T>::type;

/// A type the variant is built from, assigned from and read into with `GetValue`.
template <class T>
concept Value = requires
{
    typename RowOf<T>::type;
};

/// A type the variant converts to: the rows of the twelve primitives.
template <class T>
concept Scalar = Value<T> && PrimitiveElement<Row<T>>;

} // namespace AnyTypeKinds

/// A variant holding one value of any kind a parameter tree carries, as one owned
/// node (null when empty); the kind is the node's type code. Reading checks the
/// kind and allows only lossless widening (an INT16 reads as int, an INT32 never
/// as short). Errors are ServiceExceptions naming the object's class, e.g.
/// "Exception: Tarnwick::DataTypes::AnyType line 313 - Invalid cast: expected INT32 type.".
class TARNWICK_EXPORT AnyType : public StubProxy::UserParameters {
public:
    /// Empty: `GetType()` is NULL_TYPE and every read throws "Uninitialized variable.".
    AnyType();
    /// Copies the parameter name and holds a deep copy of the other's node.
    AnyType(AnyType const& other);
    /// Takes over the other's node, which becomes empty; copies the parameter name.
    AnyType(AnyType&& other) noexcept;
    /// Holds a deep copy of the other's node (or none); the parameter name stays.
    AnyType& operator=(AnyType const& other);
    /// Takes over the other's node, which becomes empty; the parameter name stays.
    AnyType& operator=(AnyType&& other) noexcept;
    ~AnyType() override;

    /// Holds a new node of the value's kind with the empty name (`AnyType a = 5;`
    /// holds an INT32, `AnyType t = stamp;` a TIME_STAMP node of its UTime).
    template <AnyTypeKinds::Value T>
    AnyType(T const& value)
        : m_ServiceType(nullptr)
    {
        Access<AnyTypeKinds::Row<T>>::Assign(*this, value);
    }
    /// Holds a STRING node of the text; a null text counts as the empty text.
    AnyType(char16_t const* text);
    /// Holds a copy of the XML node, its name included.
    AnyType(XmlString value);
    /// Ambiguous between "empty" and "no text": use `AnyType()` or `SetServiceType(nullptr)`.
    AnyType(std::nullptr_t) = delete;

    /// A value of the held node's kind is set in place (the node and its name stay);
    /// any other kind replaces the node by a new one with the empty name. The new
    /// node is built before the old one is destroyed.
    template <AnyTypeKinds::Value T> AnyType& operator=(T const& value)
    {
        Access<AnyTypeKinds::Row<T>>::Assign(*this, value);
        return *this;
    }
    /// As the assignment of a wide string; a null text counts as the empty text.
    AnyType& operator=(char16_t const* text);
    /// Ambiguous as the constructor from `nullptr` is.
    AnyType& operator=(std::nullptr_t) = delete;

    /// Destroys the held node and takes ownership of `node` (null empties the
    /// variant). Handing over the node already held changes nothing.
    void SetServiceType(ServiceType* node);
    /// `SetServiceType` of an owning pointer; handing over the node already
    /// held changes nothing, and the variant stays its only owner.
    void SetServiceType(std::unique_ptr<ServiceType> node);
    /// The held node itself, still owned by the variant; null when empty.
    /// @{
    ServiceType* GetServiceType();
    ServiceType const* GetServiceType() const;
    /// @}
    /// The held node's type code, or NULL_TYPE when empty.
    ParamType GetType() const;

    /// The value widened to `T` when the held kind is accepted for `T`, e.g. int
    /// takes INT8, UINT8, INT16, UINT16 and INT32. The wide string also takes XML_STRING.
    template <AnyTypeKinds::Scalar T> operator T() const
    {
        AnyTypeKinds::Row<T> value {};
        Access<AnyTypeKinds::Row<T>>::Read(*this, value);
        return T(std::move(value));
    }

    /// `out` = the value, with the checks of the conversions. A sequence target takes
    /// exactly its sequence kind and replaces all of `out`; a time target takes exactly
    /// its time kind and keeps `out`'s parameter name. On failure `out` is unchanged.
    template <AnyTypeKinds::Value T> void GetValue(T& out) const
    {
        using Row = AnyTypeKinds::Row<T>;
        if constexpr (std::is_same_v<Row, T> || std::is_base_of_v<Row, T>) {
            Access<Row>::Read(*this, out);
        } else {
            Row value {};
            Access<Row>::Read(*this, value);
            out = static_cast<T>(value);
        }
    }

    /// A new `AnyType` with the same parameter name and a deep copy of the node, owned by the caller.
    StubProxy::UserParameters* Copy() const override;
    /// `Copy()` as an owning pointer to a variant.
    std::unique_ptr<AnyType> Clone() const;
    /// A new `AnyTypeServiceType` named `name` (empty when null) wrapping a copy of
    /// the held node renamed to `name`, or no node when the variant is empty.
    ServiceType* StoreTo(char16_t const* name) override;
    /// Holds a copy of the wrapped node of an ANY_TYPE node (its name travels with
    /// it; none empties the variant). Any other node throws "Unsupported service
    /// type" (line 1013) and leaves the variant unchanged.
    void InitFrom(ServiceType* tree) override;

private:
    /// The row-generic work for the value type `V`, instantiated in the library
    /// once per row of the value-kind table.
    template <class V> struct TARNWICK_EXPORT Access {
        static void Assign(AnyType& self, V const& value);
        static void Read(AnyType const& self, V& out);
    };

    ServiceType* m_ServiceType;
};

} // namespace Tarnwick::DataTypes
