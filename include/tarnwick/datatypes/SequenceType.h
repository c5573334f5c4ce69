#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <string>
#include <vector>
#include <memory>

namespace Tarnwick::DataTypes {

/// A node holding an ordered array of primitive values by value. The library
/// instantiates and exports it for exactly the twelve element types listed at the end.
template <PrimitiveElement T> class TARNWICK_EXPORT SequenceType : public ServiceType {
public:
    /// A node named `name` holding a copy of `values`.
    SequenceType(std::vector<T> const& values, std::u16string const& name);
    /// An empty sequence named `name`.
    SequenceType(std::u16string const& name);
    /// Copies name and elements.
    SequenceType(SequenceType const& other);
    /// Replaces name and elements by copies of the other's.
    SequenceType& operator=(SequenceType const& other);
    /// Takes the name and the elements over without copying them; the source is
    /// left with the empty name and no elements.
    SequenceType(SequenceType&& other) noexcept;
    /// Releases what this object holds, then takes the other's over as the move constructor does.
    SequenceType& operator=(SequenceType&& other) noexcept;
    ~SequenceType() override;

    /// The node's own array, not a copy: changes through it change the node.
    std::vector<T>& GetValue();
    /// The node's own array, read-only, without a copy.
    std::vector<T> const& GetValue() const;
    /// The address of the same array as `GetValue()`; never null.
    std::vector<T>* GetValuePtr();
    /// The address of the same array, read-only; never null.
    std::vector<T> const* GetValuePtr() const;
    /// Replaces the elements by a copy of `values`.
    void SetValue(std::vector<T> const& values);
    /// The elements for range-for: `for (double price : prices)`.
    typename std::vector<T>::iterator begin() noexcept { return m_Values.begin(); }
    /// The past-the-end iterator.
    typename std::vector<T>::iterator end() noexcept { return m_Values.end(); }
    /// The first iterator (read-only).
    typename std::vector<T>::const_iterator begin() const noexcept { return m_Values.cbegin(); }
    /// The past-the-end iterator (read-only).
    typename std::vector<T>::const_iterator end() const noexcept { return m_Values.cend(); }

    /// The sequence code of `T` (STRING_SEQUENCE ... DOUBLE_SEQUENCE).
    ParamType GetType() const override;
    /// Always false: the encoder writes one `<item>` per element.
    bool IsLeaf() const override;
    /// Removes all elements; the name stays.
    void Clear() override;
    /// The number of elements.
    std::uint32_t Size() const override;
    /// A new node of the same class with the same name and elements, owned by the caller.
    ServiceType* Copy() const override;
    /// `Copy()` as an owning pointer to a sequence.
    std::unique_ptr<SequenceType> Clone() const;

protected:
    /// The elements, readable by derived classes.
    std::vector<T> m_Values;

private:
    static constexpr ParamType type = SequenceCodeOf<T>;
};

extern template class SequenceType<std::u16string>;
extern template class SequenceType<bool>;
extern template class SequenceType<std::int8_t>;
extern template class SequenceType<std::uint8_t>;
extern template class SequenceType<std::int16_t>;
extern template class SequenceType<std::uint16_t>;
extern template class SequenceType<std::int32_t>;
extern template class SequenceType<std::uint32_t>;
extern template class SequenceType<std::int64_t>;
extern template class SequenceType<std::uint64_t>;
extern template class SequenceType<float>;
extern template class SequenceType<double>;

} // namespace Tarnwick::DataTypes
