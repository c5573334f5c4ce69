#include <tarnwick/encoding/XmlSequenceWrapper.h>

#include "encoding/Failures.h"
#include "encoding/NodeAccess.h"
#include "encoding/encode/XmlWriter.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/SequenceType.h>

namespace Tarnwick::Encoding {

namespace {

// The line number is part of the exception's interface.
constexpr std::int32_t kRequiresSequenceLine = 57;

} // namespace

void Detail::RaiseRequiresSequence()
{
    throw ServiceException(
        u"Requires sequence data type", "Tarnwick::Encoding::XmlSequenceWrapperBase", kRequiresSequenceLine);
}

XmlSequenceWrapperBase::~XmlSequenceWrapperBase() = default;

XmlSequenceWrapperBase* XmlSequenceWrapperBase::Create(DataTypes::ServiceType const* sequence)
{
    using namespace DataTypes;
    if (sequence == nullptr) {
        Detail::RaiseRequiresSequence();
    }
    XmlSequenceWrapperBase* wrapper = nullptr;
    bool const primitive = Detail::VisitPrimitiveSequence(sequence->GetType(), [&]<class T>() {
        auto const& typed = Detail::As<SequenceType<T>>(sequence, Detail::RaiseRequiresSequence);
        wrapper = new XmlSequenceWrapper<T>(typed.GetValuePtr());
    });
    if (!primitive) {
        Detail::RaiseRequiresSequence();
    }
    return wrapper;
}

template <DataTypes::PrimitiveElement T>
XmlSequenceWrapper<T>::XmlSequenceWrapper(std::vector<T> const* sequence) noexcept
    : m_Sequence(sequence)
    , m_Next(0)
{ }

template <DataTypes::PrimitiveElement T> void XmlSequenceWrapper<T>::EncodeNext(std::ostream& out)
{
    // A reference, except for the packed bool vector, which answers a value.
    auto&& value = m_Sequence->at(m_Next);
    ++m_Next;
    Detail::WriteTo(out, [&](Detail::XmlWriter& writer) { writer.Value(value); });
}

template class XmlSequenceWrapper<std::u16string>;
template class XmlSequenceWrapper<bool>;
template class XmlSequenceWrapper<std::int8_t>;
template class XmlSequenceWrapper<std::uint8_t>;
template class XmlSequenceWrapper<std::int16_t>;
template class XmlSequenceWrapper<std::uint16_t>;
template class XmlSequenceWrapper<std::int32_t>;
template class XmlSequenceWrapper<std::uint32_t>;
template class XmlSequenceWrapper<std::int64_t>;
template class XmlSequenceWrapper<std::uint64_t>;
template class XmlSequenceWrapper<float>;
template class XmlSequenceWrapper<double>;

} // namespace Tarnwick::Encoding
