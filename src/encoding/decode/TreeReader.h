#pragma once

// Builds parameter trees from the elements of a parsed message, typed by a
// prototype or shape-free, without recursion. Internal to the library.

#include "encoding/NodeAccess.h"
#include "encoding/decode/XmlDocument.h"

#include <tarnwick/datatypes/ServiceType.h>

#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace Tarnwick::Encoding::Detail {

class TreeReader {
public:
    /// Reads elements of `document`; paths in messages start at `base`. Of `limits`, the
    /// tolerant reading options apply.
    TreeReader(XmlDocument const& document, pugi::xml_node base, XmlDecoderLimits const& limits = {})
        : m_Document(document)
        , m_Base(base)
        , m_Attributes(document.AttributesFrom(base.name()))
        , m_IgnoreUnknown(limits.IgnoreUnknownElements)
        , m_KeepMissing(limits.KeepMissingElements)
        , m_SchemaForms(limits.AcceptSchemaForms)
    { }

    /// A new tree for `element`, in the shape of `prototype`, or shape-free when it is null.
    std::unique_ptr<DataTypes::ServiceType> Read(pugi::xml_node element, DataTypes::ServiceType const* prototype);

private:
    enum class Shape { Typed, Free, FreeComposite };
    struct Frame;
    struct Job {
        pugi::xml_node element;
        DataTypes::ServiceType const* prototype;
        Shape shape;
        /// The element is known to bear the prototype's name.
        bool named = false;
    };

    /// Hands a finished frame's job list back for reuse.
    void Recycle(std::vector<Job>& jobs);
    /// A frame for `element`; `named` when the element is known to bear the prototype's name.
    Frame Start(pugi::xml_node element, DataTypes::ServiceType const* prototype, Shape shape, bool named);
    void StartComposite(Frame& frame);
    void StartCompositeSequence(Frame& frame);
    void StartDictionary(Frame& frame);
    void StartFree(Frame& frame);
    /// The prototype of a frame as the class its kind names; raises for another class.
    template <class Node> Node const& Prototype(Frame const& frame);
    /// A node of a kind without nested elements of its own (scalars, sequences, XML
    /// strings, time nodes), or null when `code` names none of them.
    std::unique_ptr<DataTypes::ServiceType> ReadLeaf(
        pugi::xml_node element, DataTypes::ParamType code, std::u16string const& name);
    /// The any-type node of an element with a `type` attribute.
    std::unique_ptr<DataTypes::ServiceType> ReadAnyType(pugi::xml_node element, std::u16string const& name);
    /// The `item` children of a sequence element, each given to `add`.
    template <class Add> void ReadItems(pugi::xml_node element, Add add);
    /// Where the keys or the values of a dictionary go: `add` reads one element into `target`.
    struct Sink {
        void* target = nullptr;
        void (*add)(TreeReader& reader, void* target, pugi::xml_node element) = nullptr;
    };
    /// A new, empty sequence named as `prototype` with room for `items`, and its sink;
    /// null when `prototype` is of no primitive sequence kind.
    std::unique_ptr<DataTypes::ServiceType> NewSequence(
        DataTypes::ServiceType const& prototype, std::size_t items, Sink& sink);
    /// The sinks' readers: a value parsed into a `SequenceType<T>`, an any-type into an
    /// any-type sequence, a composite item into the jobs of a dictionary's frame.
    /// @{
    template <class T> static void AddParsed(TreeReader& reader, void* sequence, pugi::xml_node element);
    static void AddAnyType(TreeReader& reader, void* sequence, pugi::xml_node element);
    static void AddCompositeItem(TreeReader& reader, void* frame, pugi::xml_node element);
    /// @}
    /// The element's text as a value of T; raises "Invalid KIND value".
    template <class T> T Parse(pugi::xml_node element, DataTypes::ParamType code);
    /// `Parse` of a text other than the usual plain integer.
    template <class T> T ParseText(pugi::xml_node element, DataTypes::ParamType code);
    /// Whether the element is named `name`, without decoding an ASCII name.
    bool NameIs(pugi::xml_node element, std::u16string const& name);
    std::u16string Text(pugi::xml_node element);
    /// The element's text, decoded into `m_Text`; valid until the next text is read.
    std::u16string_view ReadText(pugi::xml_node element);
    void NoAttributes(pugi::xml_node element, char const* allowed = nullptr);
    /// `node` or the first element among its next siblings (null when none is).
    pugi::xml_node ElementFrom(pugi::xml_node node);
    /// The value of an element's text in the schema's other forms; false when it has none.
    template <class T> bool ParseSchemaForm(std::string_view text, T& value);
    /// Raises for an unknown element, or passes it over when unknown elements are ignored.
    void Unknown(pugi::xml_node element);
    /// Raises for the first attribute that is not `allowed`.
    void RefuseAttributes(pugi::xml_node element, char const* allowed);
    /// A node of a leaf kind (see `ReadLeaf`) without attributes; raises for another kind.
    std::unique_ptr<DataTypes::ServiceType> TypedLeaf(
        pugi::xml_node element, DataTypes::ParamType code, std::u16string const& name);
    /// Raises for text in `element`.
    void NoText(pugi::xml_node element);
    [[noreturn]] void Fail(std::u16string const& what, DecoderLine line, pugi::xml_node element);

    template <class List> struct VectorsOf;
    template <class... T> struct VectorsOf<DataTypes::TypeList<T...>> {
        using type = std::tuple<std::vector<T>...>;
    };

    XmlDocument const& m_Document;
    pugi::xml_node m_Base;
    /// Whether any element read may have attributes; usually none has.
    bool m_Attributes;
    /// The tolerant reading options.
    bool m_IgnoreUnknown;
    bool m_KeepMissing;
    bool m_SchemaForms;
    /// Room reused while reading: decoded text, and the items of a sequence, so that
    /// each value and each sequence is allocated once at its exact size.
    std::u16string m_Text;
    std::string m_Narrow;
    /// The job lists of finished frames, for the next containers to fill.
    std::vector<std::vector<Job>> m_SpareJobs;
    VectorsOf<DataTypes::PrimitiveElements>::type m_Items;
};

} // namespace Tarnwick::Encoding::Detail
