#include <tarnwick/datatypes/ScalarType.h>

#include "datatypes/OwnedNodes.h"

#include <utility>

namespace Tarnwick::DataTypes {

template <PrimitiveElement T>
ScalarType<T>::ScalarType(T const& value, std::u16string const& name)
    : ServiceType(name)
    , m_Value(value)
{ }

template <PrimitiveElement T>
ScalarType<T>::ScalarType(T&& value, std::u16string const& name)
    : ServiceType(name)
    , m_Value(std::move(value))
{ }

template <PrimitiveElement T> ScalarType<T>::ScalarType(ScalarType const& other) = default;
template <PrimitiveElement T> ScalarType<T>& ScalarType<T>::operator=(ScalarType const& other) = default;
template <PrimitiveElement T> ScalarType<T>::ScalarType(ScalarType&& other) noexcept = default;
template <PrimitiveElement T> ScalarType<T>& ScalarType<T>::operator=(ScalarType&& other) noexcept = default;
template <PrimitiveElement T> ScalarType<T>::~ScalarType() = default;

template <PrimitiveElement T> T ScalarType<T>::GetValue() const
{
    return m_Value;
}

template <PrimitiveElement T> void ScalarType<T>::SetValue(T const& value)
{
    m_Value = value;
}

template <PrimitiveElement T> ParamType ScalarType<T>::GetType() const
{
    return type;
}

template <PrimitiveElement T> bool ScalarType<T>::IsLeaf() const
{
    return true;
}

template <PrimitiveElement T> ServiceType* ScalarType<T>::Copy() const
{
    return new ScalarType(*this);
}

template <PrimitiveElement T> std::unique_ptr<ScalarType<T>> ScalarType<T>::Clone() const
{
    return Detail::CloneOf(*this);
}

// The twelve exported instantiations; no others exist.
template class ScalarType<std::u16string>;
template class ScalarType<bool>;
template class ScalarType<std::int8_t>;
template class ScalarType<std::uint8_t>;
template class ScalarType<std::int16_t>;
template class ScalarType<std::uint16_t>;
template class ScalarType<std::int32_t>;
template class ScalarType<std::uint32_t>;
template class ScalarType<std::int64_t>;
template class ScalarType<std::uint64_t>;
template class ScalarType<float>;
template class ScalarType<double>;

} // namespace Tarnwick::DataTypes
