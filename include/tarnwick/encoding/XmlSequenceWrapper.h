#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/ServiceType.h>

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace Tarnwick::Encoding {

/// A cursor over the elements of one primitive sequence node, writing one
/// element at a time in its leaf format whatever the element type. Used by the
/// dictionary encoders for the keys and the values.
class TARNWICK_EXPORT XmlSequenceWrapperBase {
public:
    /// Writes the next element's text (no tag, no space, no line end) and
    /// advances; past the end it throws std::out_of_range.
    virtual void EncodeNext(std::ostream& out) = 0;
    /// Leaves the sequence alone: a wrapper never owns it.
    virtual ~XmlSequenceWrapperBase();

    /// A new wrapper, owned by the caller, over the elements of `sequence`, which
    /// must outlive it unchanged. Throws "Requires sequence data type" (line 57)
    /// unless `sequence` is one of the twelve primitive sequences (the two time
    /// sequences included among the rejected), and for a null node.
    static XmlSequenceWrapperBase* Create(DataTypes::ServiceType const* sequence);

protected:
    XmlSequenceWrapperBase() = default;
    /// Only derived wrappers are made, through `Create`.
    /// @{
    XmlSequenceWrapperBase(XmlSequenceWrapperBase const&) = default;
    XmlSequenceWrapperBase& operator=(XmlSequenceWrapperBase const&) = default;
    /// @}
};

/// The wrapper of a `SequenceType<T>`; it neither copies nor owns the elements.
template <DataTypes::PrimitiveElement T> class TARNWICK_EXPORT XmlSequenceWrapper : public XmlSequenceWrapperBase {
public:
    /// A cursor at the first element of `*sequence`, which must outlive the wrapper unchanged.
    explicit XmlSequenceWrapper(std::vector<T> const* sequence) noexcept;
    void EncodeNext(std::ostream& out) override;

private:
    std::vector<T> const* m_Sequence;
    std::uint32_t m_Next;
};

extern template class XmlSequenceWrapper<std::u16string>;
extern template class XmlSequenceWrapper<bool>;
extern template class XmlSequenceWrapper<std::int8_t>;
extern template class XmlSequenceWrapper<std::uint8_t>;
extern template class XmlSequenceWrapper<std::int16_t>;
extern template class XmlSequenceWrapper<std::uint16_t>;
extern template class XmlSequenceWrapper<std::int32_t>;
extern template class XmlSequenceWrapper<std::uint32_t>;
extern template class XmlSequenceWrapper<std::int64_t>;
extern template class XmlSequenceWrapper<std::uint64_t>;
extern template class XmlSequenceWrapper<float>;
extern template class XmlSequenceWrapper<double>;

} // namespace Tarnwick::Encoding
