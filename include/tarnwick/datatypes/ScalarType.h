#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <string>
#include <memory>

namespace Tarnwick::DataTypes {

/// A leaf node holding one primitive value by value. The library instantiates
/// and exports it for exactly the twelve element types listed at the end.
template <PrimitiveElement T> class TARNWICK_EXPORT ScalarType : public ServiceType {
public:
    /// A node named `name` holding a copy of `value`.
    ScalarType(T const& value, std::u16string const& name);
    /// A node named `name` that takes `value` over (text without a copy).
    ScalarType(T&& value, std::u16string const& name);
    /// Copies name and value.
    ScalarType(ScalarType const& other);
    /// Replaces name and value by copies of the other's.
    ScalarType& operator=(ScalarType const& other);
    /// Takes the name and the value over (text without a copy); the source is
    /// left with the empty name.
    ScalarType(ScalarType&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    ScalarType& operator=(ScalarType&& other) noexcept;
    ~ScalarType() override;

    /// A copy of the value (for text, a copy of the string).
    T GetValue() const;
    /// The value without a copy, for readers on a hot path such as the encoder.
    T const& GetValueRef() const noexcept { return m_Value; }
    /// Replaces the value by a copy of `value`.
    void SetValue(T const& value);

    /// The scalar code of `T` (STRING, BOOLEAN, INT8 ... DOUBLE).
    ParamType GetType() const override;
    /// Always true.
    bool IsLeaf() const override;
    /// A new node of the same class with the same name and value, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a scalar.
    std::unique_ptr<ScalarType> Clone() const;

protected:
    /// The value, readable by derived classes.
    T m_Value;

private:
    static constexpr ParamType type = ScalarCodeOf<T>;
};

extern template class ScalarType<std::u16string>;
extern template class ScalarType<bool>;
extern template class ScalarType<std::int8_t>;
extern template class ScalarType<std::uint8_t>;
extern template class ScalarType<std::int16_t>;
extern template class ScalarType<std::uint16_t>;
extern template class ScalarType<std::int32_t>;
extern template class ScalarType<std::uint32_t>;
extern template class ScalarType<std::int64_t>;
extern template class ScalarType<std::uint64_t>;
extern template class ScalarType<float>;
extern template class ScalarType<double>;

} // namespace Tarnwick::DataTypes
