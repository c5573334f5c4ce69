#include <tarnwick/datatypes/SequenceType.h>

#include "datatypes/OwnedNodes.h"

namespace Tarnwick::DataTypes {

template <PrimitiveElement T>
SequenceType<T>::SequenceType(std::vector<T> const& values, std::u16string const& name)
    : ServiceType(name)
    , m_Values(values)
{ }

template <PrimitiveElement T>
SequenceType<T>::SequenceType(std::u16string const& name)
    : ServiceType(name)
{ }

template <PrimitiveElement T> SequenceType<T>::SequenceType(SequenceType const& other) = default;
template <PrimitiveElement T> SequenceType<T>& SequenceType<T>::operator=(SequenceType const& other) = default;
template <PrimitiveElement T> SequenceType<T>::SequenceType(SequenceType&& other) noexcept = default;
template <PrimitiveElement T> SequenceType<T>& SequenceType<T>::operator=(SequenceType&& other) noexcept = default;
template <PrimitiveElement T> SequenceType<T>::~SequenceType() = default;

template <PrimitiveElement T> std::vector<T>& SequenceType<T>::GetValue()
{
    return m_Values;
}

template <PrimitiveElement T> std::vector<T> const& SequenceType<T>::GetValue() const
{
    return m_Values;
}

template <PrimitiveElement T> std::vector<T>* SequenceType<T>::GetValuePtr()
{
    return &m_Values;
}

template <PrimitiveElement T> std::vector<T> const* SequenceType<T>::GetValuePtr() const
{
    return &m_Values;
}

template <PrimitiveElement T> void SequenceType<T>::SetValue(std::vector<T> const& values)
{
    m_Values = values;
}

template <PrimitiveElement T> ParamType SequenceType<T>::GetType() const
{
    return type;
}

template <PrimitiveElement T> bool SequenceType<T>::IsLeaf() const
{
    return false;
}

template <PrimitiveElement T> void SequenceType<T>::Clear()
{
    m_Values.clear();
}

template <PrimitiveElement T> std::uint32_t SequenceType<T>::Size() const
{
    return static_cast<std::uint32_t>(m_Values.size());
}

template <PrimitiveElement T> ServiceType* SequenceType<T>::Copy() const
{
    return new SequenceType(*this);
}

template <PrimitiveElement T> std::unique_ptr<SequenceType<T>> SequenceType<T>::Clone() const
{
    return Detail::CloneOf(*this);
}

// The twelve exported instantiations; no others exist.
template class SequenceType<std::u16string>;
template class SequenceType<bool>;
template class SequenceType<std::int8_t>;
template class SequenceType<std::uint8_t>;
template class SequenceType<std::int16_t>;
template class SequenceType<std::uint16_t>;
template class SequenceType<std::int32_t>;
template class SequenceType<std::uint32_t>;
template class SequenceType<std::int64_t>;
template class SequenceType<std::uint64_t>;
template class SequenceType<float>;
template class SequenceType<double>;

} // namespace Tarnwick::DataTypes
