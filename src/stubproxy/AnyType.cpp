#include <tarnwick/stubproxy/AnyType.h>

#include "datatypes/KindTable.h"
#include "datatypes/OwnedNodes.h"

#include <tarnwick/core/ServiceException.h>

#include "core/ClassName.h"

#include <memory>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace Tarnwick::DataTypes {

namespace {

// The line number is part of the exception's interface.
constexpr std::int32_t kInitFromLine = 1013;

// `node` as a `Node`, or null when it is of no class derived from `Node`. The
// exact class, the common case, is recognised without a full dynamic cast.
template <class Node, class Base> Node* As(Base* node)
{
    if (typeid(*node) == typeid(Node)) {
        return static_cast<Node*>(node);
    }
    return dynamic_cast<Node*>(node);
}

// Reads the value of a node of the code `Code` into `out`; false when the node is
// not of the class that the code stands for (a foreign class answering the code).
template <ParamType Code, class V> bool ReadAs(ServiceType const& node, V& out)
{
    auto const* source = As<typename Kind<Code>::Node const>(&node);
    if (source == nullptr) {
        return false;
    }
    if constexpr (std::is_arithmetic_v<V>) {
        // Braces refuse a narrowing conversion at compile time, so every accepted
        // code of the table is proven to widen without loss.
        out = V {source->GetValue()};
    } else {
        // Text, arrays of elements, and the time classes from their UTime (a
        // temporary first, so that a failing `SetUTime` leaves `out` as it was).
        out = V(source->GetValue());
    }
    return true;
}

// One row of the value-kind table: the type code a value is stored as (in the node
// class of its row in the kind table), the lines of the two read failures and the
// codes a read accepts.
template <ParamType Code, std::int32_t EmptyLine, std::int32_t CastLine, ParamType... Accepted> struct ValueRow {
    using Node = typename Kind<Code>::Node;
    static constexpr ParamType code = Code;
    static constexpr std::int32_t emptyLine = EmptyLine;
    static constexpr std::int32_t castLine = CastLine;

    template <class V> static bool ReadFrom(ServiceType const& node, V& out)
    {
        ParamType const held = node.GetType();
        return ((held == Accepted && ReadAs<Accepted>(node, out)) || ...);
    }
};

template <class V> struct ValueKind;

// clang-format off
//                 value type                            code              empty cast accepted codes
template <> struct ValueKind<std::u16string>              : ValueRow<STRING,           200, 212, STRING, XML_STRING> { };
template <> struct ValueKind<bool>                        : ValueRow<BOOLEAN,          218, 225, BOOLEAN> { };
template <> struct ValueKind<std::int8_t>                 : ValueRow<INT8,             231, 238, INT8> { };
template <> struct ValueKind<std::uint8_t>                : ValueRow<UINT8,            244, 251, UINT8> { };
template <> struct ValueKind<std::int16_t>                : ValueRow<INT16,            257, 270, INT8, UINT8, INT16> { };
template <> struct ValueKind<std::uint16_t>               : ValueRow<UINT16,           277, 287, UINT8, UINT16> { };
template <> struct ValueKind<std::int32_t>                : ValueRow<INT32,            294, 313, INT8, UINT8, INT16, UINT16, INT32> { };
template <> struct ValueKind<std::uint32_t>               : ValueRow<UINT32,           320, 333, UINT8, UINT16, UINT32> { };
template <> struct ValueKind<std::int64_t>                : ValueRow<INT64,            340, 365, INT8, UINT8, INT16, UINT16, INT32, UINT32, INT64> { };
template <> struct ValueKind<std::uint64_t>               : ValueRow<UINT64,           372, 388, UINT8, UINT16, UINT32, UINT64> { };
template <> struct ValueKind<float>                       : ValueRow<FLOAT,            395, 402, FLOAT> { };
template <> struct ValueKind<double>                      : ValueRow<DOUBLE,           408, 418, FLOAT, DOUBLE> { };
template <> struct ValueKind<std::vector<bool>>           : ValueRow<BOOLEAN_SEQUENCE, 485, 491, BOOLEAN_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::int8_t>>    : ValueRow<INT8_SEQUENCE,    497, 503, INT8_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::uint8_t>>   : ValueRow<UINT8_SEQUENCE,   509, 515, UINT8_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::int16_t>>   : ValueRow<INT16_SEQUENCE,   521, 527, INT16_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::uint16_t>>  : ValueRow<UINT16_SEQUENCE,  533, 539, UINT16_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::int32_t>>   : ValueRow<INT32_SEQUENCE,   545, 551, INT32_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::uint32_t>>  : ValueRow<UINT32_SEQUENCE,  557, 563, UINT32_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::int64_t>>   : ValueRow<INT64_SEQUENCE,   569, 575, INT64_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::uint64_t>>  : ValueRow<UINT64_SEQUENCE,  581, 587, UINT64_SEQUENCE> { };
template <> struct ValueKind<std::vector<float>>          : ValueRow<FLOAT_SEQUENCE,   593, 599, FLOAT_SEQUENCE> { };
template <> struct ValueKind<std::vector<double>>         : ValueRow<DOUBLE_SEQUENCE,  605, 611, DOUBLE_SEQUENCE> { };
template <> struct ValueKind<std::vector<std::u16string>> : ValueRow<STRING_SEQUENCE,  617, 623, STRING_SEQUENCE> { };
template <> struct ValueKind<TimeStamp>                   : ValueRow<TIME_STAMP,       629, 635, TIME_STAMP> { };
template <> struct ValueKind<TimeDuration>                : ValueRow<TIME_DURATION,    641, 647, TIME_DURATION> { };
// clang-format on

// What a node of the value's kind stores: the time classes travel as their UTime.
template <class V> decltype(auto) Stored(V const& value)
{
    if constexpr (std::is_same_v<V, TimeStamp> || std::is_same_v<V, TimeDuration>) {
        return value.GetUTime();
    } else {
        return (value);
    }
}

std::u16string InvalidCast(ParamType code)
{
    return std::u16string(u"Invalid cast: expected ") + ServiceType::GetServiceTypeName(code) + u" type.";
}

std::u16string TextOrEmpty(char16_t const* text)
{
    return text != nullptr ? std::u16string(text) : std::u16string();
}

} // namespace

template <class V> void AnyType::Access<V>::Assign(AnyType& self, V const& value)
{
    using Node = typename ValueKind<V>::Node;
    if (self.m_ServiceType != nullptr && self.m_ServiceType->GetType() == ValueKind<V>::code) {
        if (auto* node = As<Node>(self.m_ServiceType)) {
            node->SetValue(Stored(value));
            return;
        }
    }
    // The new node first: should building it fail, the variant keeps the node it had.
    auto fresh = std::make_unique<Node>(Stored(value), std::u16string());
    delete self.m_ServiceType;
    self.m_ServiceType = fresh.release();
}

template <class V> void AnyType::Access<V>::Read(AnyType const& self, V& out)
{
    if (self.m_ServiceType == nullptr) {
        throw ServiceException(u"Uninitialized variable.", Detail::ClassNameOf(self), ValueKind<V>::emptyLine);
    }
    if (!ValueKind<V>::ReadFrom(*self.m_ServiceType, out)) {
        throw ServiceException(InvalidCast(ValueKind<V>::code), Detail::ClassNameOf(self), ValueKind<V>::castLine);
    }
}

// One instantiation per row of the value-kind table.
template struct AnyType::Access<std::u16string>;
template struct AnyType::Access<bool>;
template struct AnyType::Access<std::int8_t>;
template struct AnyType::Access<std::uint8_t>;
template struct AnyType::Access<std::int16_t>;
template struct AnyType::Access<std::uint16_t>;
template struct AnyType::Access<std::int32_t>;
template struct AnyType::Access<std::uint32_t>;
template struct AnyType::Access<std::int64_t>;
template struct AnyType::Access<std::uint64_t>;
template struct AnyType::Access<float>;
template struct AnyType::Access<double>;
template struct AnyType::Access<std::vector<std::u16string>>;
template struct AnyType::Access<std::vector<bool>>;
template struct AnyType::Access<std::vector<std::int8_t>>;
template struct AnyType::Access<std::vector<std::uint8_t>>;
template struct AnyType::Access<std::vector<std::int16_t>>;
template struct AnyType::Access<std::vector<std::uint16_t>>;
template struct AnyType::Access<std::vector<std::int32_t>>;
template struct AnyType::Access<std::vector<std::uint32_t>>;
template struct AnyType::Access<std::vector<std::int64_t>>;
template struct AnyType::Access<std::vector<std::uint64_t>>;
template struct AnyType::Access<std::vector<float>>;
template struct AnyType::Access<std::vector<double>>;
template struct AnyType::Access<TimeStamp>;
template struct AnyType::Access<TimeDuration>;

AnyType::AnyType()
    : m_ServiceType(nullptr)
{ }

AnyType::AnyType(AnyType const& other)
    : UserParameters(other)
    , m_ServiceType(other.m_ServiceType != nullptr ? other.m_ServiceType->Copy() : nullptr)
{ }

AnyType::AnyType(AnyType&& other) noexcept
    : UserParameters(other)
    , m_ServiceType(std::exchange(other.m_ServiceType, nullptr))
{ }

AnyType& AnyType::operator=(AnyType const& other)
{
    if (this != &other) {
        // The copy first, so that a failed copy leaves the target as it was.
        ServiceType* const copy = other.m_ServiceType != nullptr ? other.m_ServiceType->Copy() : nullptr;
        delete m_ServiceType;
        m_ServiceType = copy;
    }
    return *this;
}

AnyType& AnyType::operator=(AnyType&& other) noexcept
{
    if (this != &other) {
        delete m_ServiceType;
        m_ServiceType = std::exchange(other.m_ServiceType, nullptr);
    }
    return *this;
}

AnyType::~AnyType()
{
    delete m_ServiceType;
}

AnyType::AnyType(char16_t const* text)
    : AnyType(TextOrEmpty(text))
{ }

AnyType::AnyType(XmlString value)
    : m_ServiceType(new XmlString(std::move(value)))
{ }

AnyType& AnyType::operator=(char16_t const* text)
{
    return *this = TextOrEmpty(text);
}

void AnyType::SetServiceType(ServiceType* node)
{
    if (node != m_ServiceType) {
        delete m_ServiceType;
        m_ServiceType = node;
    }
}

void AnyType::SetServiceType(std::unique_ptr<ServiceType> node)
{
    SetServiceType(node.release());
}

ServiceType* AnyType::GetServiceType()
{
    return m_ServiceType;
}

ServiceType const* AnyType::GetServiceType() const
{
    return m_ServiceType;
}

ParamType AnyType::GetType() const
{
    return m_ServiceType != nullptr ? m_ServiceType->GetType() : NULL_TYPE;
}

StubProxy::UserParameters* AnyType::Copy() const
{
    return new AnyType(*this);
}

std::unique_ptr<AnyType> AnyType::Clone() const
{
    return Detail::CloneOf(*this);
}

ServiceType* AnyType::StoreTo(char16_t const* name)
{
    std::u16string const rootName = TextOrEmpty(name);
    std::unique_ptr<ServiceType> inner(m_ServiceType != nullptr ? m_ServiceType->Copy() : nullptr);
    if (inner != nullptr) {
        inner->SetParamName(rootName);
    }
    // The wrapper owns the inner node from the call on, even if it fails.
    return new AnyTypeServiceType(inner.release(), rootName);
}

void AnyType::InitFrom(ServiceType* tree)
{
    auto const* wrapper
        = tree != nullptr && tree->GetType() == ANY_TYPE ? dynamic_cast<AnyTypeServiceType const*>(tree) : nullptr;
    if (wrapper == nullptr) {
        throw ServiceException(u"Unsupported service type", Detail::ClassNameOf(*this), kInitFromLine);
    }
    ServiceType const* const inner = wrapper->GetValue();
    SetServiceType(inner != nullptr ? inner->Copy() : nullptr);
}

} // namespace Tarnwick::DataTypes
