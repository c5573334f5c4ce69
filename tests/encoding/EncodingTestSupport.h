#pragma once

// Small builders and helpers shared by the encoder tests.

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/core/ServiceException.h>
#include <tarnwick/encoding/XmlEncoder.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace EncodingTest {

using namespace Tarnwick::DataTypes;

template <class T> ScalarType<T>* Scalar(T value, std::u16string const& name = u"v")
{
    return new ScalarType<T>(value, name);
}

template <class T> SequenceType<T>* Sequence(std::vector<T> values, std::u16string const& name = u"s")
{
    return new SequenceType<T>(values, name);
}

inline CompositeType* Composite(std::u16string const& name, std::vector<ServiceType*> children)
{
    auto* composite = new CompositeType(name);
    for (ServiceType* child : children) {
        composite->Add(child);
    }
    return composite;
}

inline DictionaryType* Dictionary(std::u16string const& name, ServiceType* keys, ServiceType* values)
{
    auto* dictionary = new DictionaryType(name);
    dictionary->SetKeys(keys);
    dictionary->SetValues(values);
    return dictionary;
}

inline AnyTypeSequenceType* AnyValues(std::vector<AnyTypeServiceType*> const& items)
{
    auto* sequence = new AnyTypeSequenceType(u"values");
    for (auto* item : items) {
        sequence->Add(item);
    }
    return sequence;
}

inline CompositeSequenceType* CompositeValues(std::vector<CompositeType*> const& items)
{
    auto* sequence = new CompositeSequenceType(u"values", nullptr);
    for (auto* item : items) {
        sequence->Add(item);
    }
    return sequence;
}

/// What the encoder writes for `node` at `indent` into a fresh stream.
inline std::string Encoded(ServiceType const& node, std::int32_t indent = 0)
{
    std::ostringstream out;
    Tarnwick::Encoding::XmlEncoder::Encode(out, &node, indent);
    return out.str();
}

std::u16string const kUnsupported = u"Exception: Tarnwick::Encoding::XmlEncoder line 321 - Unsupported data type";
std::u16string const kUnsupportedInAnyType
    = u"Exception: Tarnwick::Encoding::XmlEncoder line 552 - Unsupported data type within AnyType";

/// A node of a kind the encoder does not know, answering a given code.
class ForeignNode : public ServiceType {
public:
    ForeignNode(ParamType type, bool leaf)
        : ServiceType(u"odd")
        , m_Type(type)
        , m_Leaf(leaf)
    { }
    ParamType GetType() const override { return m_Type; }
    bool IsLeaf() const override { return m_Leaf; }
    ServiceType* Copy() const override { return new ForeignNode(*this); }

private:
    ParamType m_Type;
    bool m_Leaf;
};

/// Runs `action`, expects a ServiceException and returns its ToString() line.
inline std::u16string ThrownLine(std::function<void()> const& action)
{
    try {
        action();
    } catch (Tarnwick::ServiceException const& e) {
        return e.ToString();
    }
    ADD_FAILURE() << "no ServiceException";
    return {};
}

/// Joins lines, each followed by LF.
inline std::string Lines(std::vector<std::string> const& lines)
{
    std::string text;
    for (auto const& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace EncodingTest
