#pragma once

// Builds parameter trees from the elements of a parsed message, typed by a
// prototype or shape-free, without recursion. Internal to the library.

#include "encoding/XmlDocument.h"

#include <tarnwick/datatypes/ServiceType.h>

#include <memory>

namespace Tarnwick::Encoding::Detail {

class TreeReader {
public:
    /// Reads elements of `document`; paths in messages start at `base`.
    TreeReader(XmlDocument const& document, pugi::xml_node base) noexcept
        : m_Document(document)
        , m_Base(base)
    { }

    /// A new tree for `element`, in the shape of `prototype`, or shape-free when it is null.
    std::unique_ptr<DataTypes::ServiceType> Read(pugi::xml_node element, DataTypes::ServiceType const* prototype) const;

private:
    struct Frame;
    enum class Shape { Typed, Free, FreeComposite };

    Frame Start(pugi::xml_node element, DataTypes::ServiceType const* prototype, Shape shape) const;
    void StartComposite(Frame& frame) const;
    void StartCompositeSequence(Frame& frame) const;
    void StartDictionary(Frame& frame) const;
    void StartFree(Frame& frame) const;
    /// The prototype of a frame as the class its kind names; raises for another class.
    template <class Node> Node const& Prototype(Frame const& frame) const;
    /// A node of a kind without nested elements of its own (scalars, sequences, XML
    /// strings, time nodes), or null when `code` names none of them.
    std::unique_ptr<DataTypes::ServiceType> ReadLeaf(
        pugi::xml_node element, DataTypes::ParamType code, std::u16string const& name) const;
    /// The any-type node of an element with a `type` attribute.
    std::unique_ptr<DataTypes::ServiceType> ReadAnyType(pugi::xml_node element, std::u16string const& name) const;
    /// The texts of the `item` children of a sequence element.
    template <class Add> void ReadItems(pugi::xml_node element, Add add) const;
    /// The element's text as a value of T; raises "Invalid KIND value".
    template <class T> T Parse(pugi::xml_node element, DataTypes::ParamType code) const;
    /// Whether the element is named `name`, without decoding an ASCII name.
    bool NameIs(pugi::xml_node element, std::u16string const& name) const;
    std::u16string Text(pugi::xml_node element) const;
    void NoAttributes(pugi::xml_node element, char const* allowed = nullptr) const;
    void NoText(pugi::xml_node element) const;
    [[noreturn]] void Fail(std::u16string const& what, DecoderLine line, pugi::xml_node element) const;

    XmlDocument const& m_Document;
    pugi::xml_node m_Base;
};

} // namespace Tarnwick::Encoding::Detail
