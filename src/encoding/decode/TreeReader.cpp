#include "encoding/decode/TreeReader.h"

#include "encoding/decode/ElementPath.h"
#include "encoding/decode/ValueText.h"
#include "encoding/NodeAccess.h"
#include "encoding/decode/SchemaForms.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

namespace Tarnwick::Encoding::Detail {

using namespace DataTypes;

namespace {

/// Whether the element is named `name`: compared with its terminator in one go, as
/// the buffer holds zero bytes after the text to read past a short name.
template <std::size_t N> bool Named(pugi::xml_node element, char const (&name)[N])
{
    return std::memcmp(element.name(), name, N) == 0;
}

bool NamedAs(pugi::xml_node element, char const* name)
{
    return std::strcmp(element.name(), name) == 0;
}

} // namespace

/// One element being read: the node made for it and the child elements still
/// to read, each finished child going into `sink`.
struct TreeReader::Frame {
    using Job = TreeReader::Job;

    /// The node's name: the prototype's where the element bears it, else decoded.
    std::u16string const& Name() const noexcept { return known != nullptr ? *known : decoded; }

    pugi::xml_node element;
    ServiceType const* prototype = nullptr;
    Shape shape = Shape::Free;
    std::u16string const* known = nullptr;
    std::u16string decoded;
    std::unique_ptr<ServiceType> node;
    std::vector<Job> jobs;
    std::size_t next = 0;
    /// Where finished children go: a composite, or the composite sequence of items.
    CompositeType* composite = nullptr;
    CompositeSequenceType* items = nullptr;
    /// The shape of the items of a composite sequence, when it is made here.
    std::unique_ptr<ServiceType> itemShape;
    /// The shape of a dictionary's composite values (null: shape-free).
    ServiceType const* valueShape = nullptr;
};

std::unique_ptr<ServiceType> TreeReader::Read(pugi::xml_node element, ServiceType const* prototype)
{
    auto const add = [](Frame& parent, std::unique_ptr<ServiceType> done) {
        if (parent.items != nullptr) {
            // Items are read in a composite's shape, so they are composites.
            parent.items->Add(static_cast<CompositeType*>(done.release()));
        } else {
            parent.composite->Add(done.release());
        }
    };
    // An explicit stack instead of recursion: the nesting comes from the text.
    std::vector<Frame> stack;
    stack.reserve(16);
    stack.push_back(Start(element, prototype, prototype != nullptr ? Shape::Typed : Shape::Free, false));
    for (;;) {
        Frame& top = stack.back();
        if (top.next < top.jobs.size()) {
            Frame::Job const job = top.jobs[top.next++];
            if (!job.element) {
                // A child the text lacks, kept from the prototype.
                add(top, std::unique_ptr<ServiceType>(job.prototype->Copy()));
                continue;
            }
            if (job.named) {
                // The usual child: a leaf bearing its prototype's name, read without a frame.
                if (ParamType const code = job.prototype->GetType(); !IsContainerCode(code)) {
                    add(top, TypedLeaf(job.element, code, job.prototype->GetParamNameRef()));
                    continue;
                }
            }
            Frame child = Start(job.element, job.prototype, job.shape, job.named);
            if (child.jobs.empty()) {
                // A leaf (or an empty node) is finished as it starts.
                add(top, std::move(child.node));
                Recycle(child.jobs);
            } else {
                stack.push_back(std::move(child));
            }
            continue;
        }
        std::unique_ptr<ServiceType> done = std::move(top.node);
        Recycle(top.jobs);
        stack.pop_back();
        if (stack.empty()) {
            return done;
        }
        add(stack.back(), std::move(done));
    }
}

void TreeReader::Recycle(std::vector<Job>& jobs)
{
    if (jobs.capacity() != 0) {
        jobs.clear();
        m_SpareJobs.push_back(std::move(jobs));
    }
}

TreeReader::Frame TreeReader::Start(pugi::xml_node element, ServiceType const* prototype, Shape shape, bool named)
{
    Frame frame;
    frame.element = element;
    frame.prototype = prototype;
    frame.shape = shape;
    if (named) {
        frame.known = &prototype->GetParamNameRef();
    } else {
        frame.decoded = m_Document.Name(element);
    }
    // A container's jobs go into room a finished frame handed back.
    if (!m_SpareJobs.empty()) {
        frame.jobs = std::move(m_SpareJobs.back());
        m_SpareJobs.pop_back();
    }
    if (shape != Shape::Typed) {
        StartFree(frame);
        return frame;
    }
    ParamType const code = prototype->GetType();
    switch (code) {
    case COMPOSITE:
        StartComposite(frame);
        return frame;
    case COMPOSITE_SEQUENCE:
        StartCompositeSequence(frame);
        return frame;
    case DICTIONARY:
        StartDictionary(frame);
        return frame;
    case ANY_TYPE:
        frame.node = ReadAnyType(element, frame.Name());
        return frame;
    default:
        break;
    }
    frame.node = TypedLeaf(element, code, frame.Name());
    return frame;
}

std::unique_ptr<ServiceType> TreeReader::TypedLeaf(pugi::xml_node element, ParamType code, std::u16string const& name)
{
    NoAttributes(element);
    std::unique_ptr<ServiceType> node = ReadLeaf(element, code, name);
    if (!node) {
        Fail(u"Cannot decode a prototype of kind " + KindName(code), kUndecodablePrototypeLine, element);
    }
    return node;
}

bool TreeReader::NameIs(pugi::xml_node element, std::u16string const& name)
{
    auto const* raw = reinterpret_cast<unsigned char const*>(element.name());
    char16_t const* unit = name.data();
    char16_t const* const end = unit + name.size();
    // Equal ASCII taken as it comes; anything else decided by the decoded name.
    for (; unit != end && *unit == *raw && *raw - 1u < 0x7Fu; ++unit, ++raw) { }
    if (unit == end && *raw == 0) {
        return true;
    }
    if ((unit != end && *unit >= 0x80) || *raw >= 0x80) {
        return m_Document.Name(element) == name;
    }
    return false;
}

template <class Node> Node const& TreeReader::Prototype(Frame const& frame)
{
    return As<Node>(frame.prototype, [&] {
        Fail(u"Cannot decode a prototype of another class than its kind", kUndecodablePrototypeLine, frame.element);
    });
}

void TreeReader::StartFree(Frame& frame)
{
    pugi::xml_node const element = frame.element;
    if (frame.shape == Shape::Free && element.attribute("type")) {
        frame.node = ReadAnyType(element, frame.Name());
        return;
    }
    NoAttributes(element);
    bool const composite = frame.shape == Shape::FreeComposite || [&] {
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            if (child.type() == pugi::node_element) {
                return true;
            }
        }
        return false;
    }();
    if (!composite) {
        frame.node = std::make_unique<ScalarType<std::u16string>>(Text(element), frame.Name());
        return;
    }
    NoText(element);
    auto node = std::make_unique<CompositeType>(frame.Name());
    frame.composite = node.get();
    frame.node = std::move(node);
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            frame.jobs.push_back({child, nullptr, Shape::Free});
        }
    }
}

void TreeReader::StartComposite(Frame& frame)
{
    pugi::xml_node const element = frame.element;
    NoAttributes(element);
    NoText(element);
    auto const& prototype = Prototype<CompositeType>(frame);
    // The usual text has the prototype's children in its order: taken as they come.
    frame.jobs.reserve(prototype.Size());
    auto proto = prototype.BeginIterator();
    pugi::xml_node child = element.first_child();
    for (;; ++proto, child = child.next_sibling()) {
        while (proto != prototype.EndIterator() && *proto == nullptr) {
            ++proto;
        }
        child = ElementFrom(child);
        if (proto == prototype.EndIterator() || !child || !NameIs(child, (*proto)->GetParamNameRef())) {
            break;
        }
        frame.jobs.push_back({child, *proto, Shape::Typed, true});
    }
    if (proto == prototype.EndIterator() && !child) {
        auto node = std::make_unique<CompositeType>(frame.Name());
        node->Reserve(frame.jobs.size());
        frame.composite = node.get();
        frame.node = std::move(node);
        return;
    }
    frame.jobs.clear();
    // Otherwise the k-th prototype child of a name takes the k-th element of that name.
    std::vector<pugi::xml_node> children;
    std::map<std::u16string, std::vector<std::size_t>> byName;
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            byName[m_Document.Name(child)].push_back(children.size());
            children.push_back(child);
        }
    }
    std::vector<bool> used(children.size(), false);
    std::map<std::u16string, std::size_t> taken;
    for (auto it = prototype.BeginIterator(); it != prototype.EndIterator(); ++it) {
        if (*it == nullptr) {
            continue;
        }
        std::u16string const& name = (*it)->GetParamNameRef();
        std::size_t const k = taken[name]++;
        auto const found = byName.find(name);
        if (found == byName.end() || found->second.size() <= k) {
            if (!m_KeepMissing) {
                Fail(u"Missing element " + Quote(name), kMissingElementLine, element);
            }
            frame.jobs.push_back({pugi::xml_node(), *it, Shape::Typed, true});
            continue;
        }
        std::size_t const index = found->second[k];
        used[index] = true;
        frame.jobs.push_back({children[index], *it, Shape::Typed, true});
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (!used[i]) {
            Unknown(children[i]);
        }
    }
    auto node = std::make_unique<CompositeType>(frame.Name());
    node->Reserve(frame.jobs.size());
    frame.composite = node.get();
    frame.node = std::move(node);
}

namespace {

/// An empty copy of a composite sequence: it keeps the prototype of its items.
std::unique_ptr<CompositeSequenceType> EmptyCopy(CompositeSequenceType const& prototype, std::u16string const& name)
{
    std::unique_ptr<ServiceType> copy(prototype.Copy());
    auto* sequence = static_cast<CompositeSequenceType*>(copy.get());
    sequence->Clear();
    sequence->SetParamName(name);
    copy.release();
    return std::unique_ptr<CompositeSequenceType>(sequence);
}

} // namespace

void TreeReader::StartCompositeSequence(Frame& frame)
{
    pugi::xml_node const element = frame.element;
    NoAttributes(element);
    NoText(element);
    auto const& prototype = Prototype<CompositeSequenceType>(frame);
    ServiceType const* const shape = ItemShape(prototype, frame.itemShape);
    std::unique_ptr<CompositeSequenceType> node = EmptyCopy(prototype, frame.Name());
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            frame.jobs.push_back({child, shape, shape != nullptr ? Shape::Typed : Shape::FreeComposite});
        }
    }
    frame.items = node.get();
    frame.node = std::move(node);
}

void TreeReader::StartDictionary(Frame& frame)
{
    pugi::xml_node const element = frame.element;
    NoAttributes(element);
    NoText(element);
    auto const& prototype = Prototype<DictionaryType>(frame);
    ServiceType const* const keysPrototype = prototype.GetKeys();
    ServiceType const* const valuesPrototype = prototype.GetValues();
    if (keysPrototype == nullptr || valuesPrototype == nullptr) {
        Fail(u"Cannot decode a prototype dictionary without keys and values", kUndecodablePrototypeLine, element);
    }
    auto node = std::make_unique<DictionaryType>(frame.Name());
    // Room for every item at once: keys and values are not moved as they grow.
    std::size_t items = 0;
    for (pugi::xml_node item = ElementFrom(element.first_child()); item; item = ElementFrom(item.next_sibling())) {
        ++items;
    }
    // The keys and values nodes, owned by the dictionary from the start.
    Sink keys;
    Sink values;
    char const* valueName = nullptr;
    if (std::unique_ptr<ServiceType> sequence = NewSequence(*keysPrototype, items, keys)) {
        node->SetKeys(sequence.release());
    }
    ParamType const valuesCode = valuesPrototype->GetType();
    if (std::unique_ptr<ServiceType> sequence = NewSequence(*valuesPrototype, items, values)) {
        node->SetValues(sequence.release());
        valueName = "value";
    } else if (valuesCode == ANY_TYPE_SEQUENCE) {
        auto* sequence = new AnyTypeSequenceType(valuesPrototype->GetParamNameRef());
        node->SetValues(sequence);
        values = {sequence, &AddAnyType};
    } else if (valuesCode == COMPOSITE_SEQUENCE) {
        auto const* prototypeItems = dynamic_cast<CompositeSequenceType const*>(valuesPrototype);
        if (prototypeItems == nullptr) {
            Fail(u"Cannot decode a prototype of another class than its kind", kUndecodablePrototypeLine, element);
        }
        frame.valueShape = ItemShape(*prototypeItems, frame.itemShape);
        std::unique_ptr<CompositeSequenceType> sequence
            = EmptyCopy(*prototypeItems, valuesPrototype->GetParamNameRef());
        frame.items = sequence.get();
        node->SetValues(sequence.release());
        values = {&frame, &AddCompositeItem};
    }
    if (keys.add == nullptr || values.add == nullptr) {
        Fail(u"Cannot decode a prototype dictionary with keys of kind " + KindName(keysPrototype->GetType())
                + u" and values of kind " + KindName(valuesCode),
            kUndecodablePrototypeLine, element);
    }
    ReadItems(element, [&](pugi::xml_node item) {
        NoText(item);
        pugi::xml_node const key = ElementFrom(item.first_child());
        if (!key || !Named(key, "key")) {
            Fail(u"Missing element 'key'", kMissingElementLine, key ? key : item);
        }
        NoAttributes(key);
        pugi::xml_node const value = ElementFrom(key.next_sibling());
        if (!value || (valueName != nullptr && !NamedAs(value, valueName))) {
            Fail(u"Missing element 'value'", kMissingElementLine, value ? value : item);
        }
        if (pugi::xml_node const more = ElementFrom(value.next_sibling())) {
            Unknown(more);
        }
        if (valueName != nullptr) {
            NoAttributes(value);
        }
        keys.add(*this, keys.target, key);
        values.add(*this, values.target, value);
    });
    frame.node = std::move(node);
}

std::unique_ptr<ServiceType> TreeReader::NewSequence(ServiceType const& prototype, std::size_t items, Sink& sink)
{
    std::unique_ptr<ServiceType> node;
    VisitPrimitiveSequence(prototype.GetType(), [&]<class T>() {
        auto sequence = std::make_unique<SequenceType<T>>(prototype.GetParamNameRef());
        sequence->GetValue().reserve(items);
        sink = {sequence.get(), &AddParsed<T>};
        node = std::move(sequence);
    });
    return node;
}

template <class T> void TreeReader::AddParsed(TreeReader& reader, void* sequence, pugi::xml_node element)
{
    static_cast<SequenceType<T>*>(sequence)->GetValue().push_back(reader.Parse<T>(element, ScalarCodeOf<T>));
}

void TreeReader::AddAnyType(TreeReader& reader, void* sequence, pugi::xml_node element)
{
    std::unique_ptr<ServiceType> item = reader.ReadAnyType(element, reader.m_Document.Name(element));
    static_cast<AnyTypeSequenceType*>(sequence)->Add(static_cast<AnyTypeServiceType*>(item.release()));
}

void TreeReader::AddCompositeItem(TreeReader&, void* target, pugi::xml_node element)
{
    auto& frame = *static_cast<Frame*>(target);
    frame.jobs.push_back(
        {element, frame.valueShape, frame.valueShape != nullptr ? Shape::Typed : Shape::FreeComposite});
}

std::unique_ptr<ServiceType> TreeReader::ReadAnyType(pugi::xml_node element, std::u16string const& name)
{
    pugi::xml_attribute const type = element.attribute("type");
    if (!type) {
        Fail(u"Missing type attribute", kMissingTypeLine, element);
    }
    NoAttributes(element, "type");
    std::u16string const typeName = m_Document.Value(type);
    ParamType const code = CodeOfAttribute(typeName);
    std::unique_ptr<ServiceType> value = code != NULL_TYPE ? ReadLeaf(element, code, name) : nullptr;
    if (!value) {
        Fail(u"Unknown type " + Quote(typeName), kUnknownTypeLine, element);
    }
    return std::make_unique<AnyTypeServiceType>(value.release(), name);
}

std::unique_ptr<ServiceType> TreeReader::ReadLeaf(pugi::xml_node element, ParamType code, std::u16string const& name)
{
    std::unique_ptr<ServiceType> node;
    VisitKind(code, [&]<class K>() {
        using Node = typename K::Node;
        if constexpr (K::content == Content::Value) {
            node = std::make_unique<Node>(Parse<ValueOf<K>>(element, code), name);
        } else if constexpr (K::content == Content::Markup) {
            node = std::make_unique<Node>(m_Document.InnerMarkup(element), name);
        } else if constexpr (K::content == Content::Items) {
            // Read into the reader's room, then moved into the node at their exact count.
            using T = ValueOf<K>;
            std::vector<T>& items = std::get<std::vector<T>>(m_Items);
            items.clear();
            ReadItems(element, [&](pugi::xml_node item) { items.push_back(Parse<T>(item, K::itemNamed)); });
            auto sequence = std::make_unique<Node>(std::vector<T>(), name);
            sequence->GetValue().assign(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
            node = std::move(sequence);
        }
        return true;
    });
    return node;
}

template <class Add> void TreeReader::ReadItems(pugi::xml_node element, Add add)
{
    // One walk over the items. Text among them is the element's own fault and is
    // refused before a fault of an item: on any fault the element's text is judged first.
    bool text = !XmlDocument::IsBlank(element.value());
    try {
        bool const elementsOnly = m_Document.ElementsOnly();
        for (pugi::xml_node item = element.first_child(); item; item = item.next_sibling()) {
            switch (elementsOnly ? pugi::node_element : item.type()) {
            case pugi::node_element:
                if (!Named(item, "item")) {
                    Unknown(item);
                    break;
                }
                NoAttributes(item);
                add(item);
                break;
            case pugi::node_pcdata:
                text = text || !XmlDocument::IsBlank(item.value());
                break;
            case pugi::node_cdata:
                text = true;
                break;
            default:
                break;
            }
        }
    } catch (...) {
        NoText(element);
        throw;
    }
    if (text) {
        NoText(element);
    }
}

template <class T> T TreeReader::Parse(pugi::xml_node element, ParamType code)
{
    if constexpr (std::is_same_v<T, std::u16string>) {
        return Text(element);
    } else {
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
            T value {};
            if (QuickInteger(element.value(), value)) {
                return value;
            }
        }
        return ParseText<T>(element, code);
    }
}

template <class T> T TreeReader::ParseText(pugi::xml_node element, ParamType code)
{
    {
        // The usual text is one run of character data without references: it is read
        // where it stands. Numbers and words are ASCII; other bytes or units cannot parse.
        std::string_view narrow;
        if (!XmlDocument::PlainText(element, narrow)) {
            m_Narrow.clear();
            for (char16_t unit : ReadText(element)) {
                m_Narrow.push_back(unit < 0x80 ? static_cast<char>(unit) : '\x80');
            }
            narrow = m_Narrow;
        }
        T value {};
        if (!ParseValue(narrow, value) && !(m_SchemaForms && ParseSchemaForm(narrow, value))) {
            Fail(u"Invalid " + KindName(code) + u" value " + Quote(ReadText(element)), kInvalidValueLine, element);
        }
        return value;
    }
}

template <class T> bool TreeReader::ParseSchemaForm(std::string_view text, T& value)
{
    text = TrimXmlSpace(text);
    if constexpr (std::is_same_v<T, bool>) {
        return ParseSchemaBoolean(text, value);
    } else if constexpr (std::is_floating_point_v<T>) {
        // A leading '+' (not before another sign), then the encoder's own forms.
        std::string_view const rest = !text.empty() && text.front() == '+' ? text.substr(1) : text;
        if (rest.empty() || rest.front() == '+' || (rest.size() != text.size() && rest.front() == '-')) {
            return false;
        }
        if (ParseValue(rest, value)) {
            return true;
        }
        // Decimals beyond the kind's range round to infinity or to zero, as the schema's floats do.
        T unused {};
        auto const [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), unused);
        if (error != std::errc::result_out_of_range || end != rest.data() + rest.size()) {
            return false;
        }
        bool const negative = rest.front() == '-';
        T const magnitude = AboveRange(negative ? rest.substr(1) : rest) ? std::numeric_limits<T>::infinity() : T(0);
        value = negative ? -magnitude : magnitude;
        return true;
    } else {
        return ParseSchemaInteger(text, value);
    }
}

std::u16string_view TreeReader::ReadText(pugi::xml_node element)
{
    std::size_t const length = m_Document.Text(element, m_Text, [&](pugi::xml_node child) { Unknown(child); });
    return std::u16string_view(m_Text.data(), length);
}

std::u16string TreeReader::Text(pugi::xml_node element)
{
    // Decoded into the reader's room, then copied at its exact size.
    return std::u16string(ReadText(element));
}

pugi::xml_node TreeReader::ElementFrom(pugi::xml_node node)
{
    if (!m_Document.ElementsOnly()) {
        while (node && node.type() != pugi::node_element) {
            node = node.next_sibling();
        }
    }
    return node;
}

void TreeReader::NoAttributes(pugi::xml_node element, char const* allowed)
{
    if (m_Attributes && element.first_attribute()) {
        RefuseAttributes(element, allowed);
    }
}

void TreeReader::Unknown(pugi::xml_node element)
{
    if (!m_IgnoreUnknown) {
        Fail(u"Unknown element " + QuoteName(m_Document, element), kUnknownElementLine, element);
    }
}

void TreeReader::RefuseAttributes(pugi::xml_node element, char const* allowed)
{
    if (m_IgnoreUnknown) {
        return;
    }
    for (pugi::xml_attribute attribute = element.first_attribute(); attribute; attribute = attribute.next_attribute()) {
        if (allowed == nullptr || std::strcmp(attribute.name(), allowed) != 0) {
            m_Document.Fail(u"Unexpected attribute " + Quote(std::string_view(attribute.name())),
                ElementPath(m_Document, element, m_Base), kUnexpectedAttributeLine, m_Document.StartOf(attribute));
        }
    }
}

void TreeReader::NoText(pugi::xml_node element)
{
    if (m_Document.HasText(element)) {
        Fail(u"Unexpected text", kUnexpectedTextLine, element);
    }
}

void TreeReader::Fail(std::u16string const& what, DecoderLine line, pugi::xml_node element)
{
    m_Document.Fail(what, ElementPath(m_Document, element, m_Base), line, m_Document.StartOf(element));
}

} // namespace Tarnwick::Encoding::Detail
