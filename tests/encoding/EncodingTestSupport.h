#pragma once

// Small builders and helpers shared by the encoder tests.

#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/core/ServiceException.h>

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
