#include <tarnwick/encoding/XmlEncoder.h>

#include "core/Decimal.h"
#include "datatypes/KindTable.h"
#include "encoding/Failures.h"
#include "encoding/MessagePath.h"
#include "encoding/NodeAccess.h"
#include "encoding/XmlNames.h"
#include "encoding/encode/XmlWriter.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/encoding/ServiceMessage.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Tarnwick::Encoding {

namespace {

using namespace DataTypes;
using Detail::IsUnprefixedNameChar;
using Detail::IsUnprefixedNameStart;
using Detail::NonXmlCharacter;
using Detail::TextKinds;
using Detail::WriteTo;
using Detail::XmlWriter;

constexpr char const* kSource = "Tarnwick::Encoding::XmlEncoder";
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kUnsupportedDataTypeLine = 321;
constexpr std::int32_t kUnsupportedInAnyTypeLine = 552;
constexpr std::int32_t kFewerValuesLine = 617;
constexpr std::int32_t kNonXmlCharacterLine = 701;
constexpr std::int32_t kNonXmlAttributeCharacterLine = 702;
constexpr std::int32_t kNotXmlNameLine = 703;
constexpr std::int32_t kMsgTypeRangeLine = 704;

/// A longer path shows its first and last kPathEnds names.
constexpr std::size_t kPathEnds = 8;
constexpr std::u16string_view kCutMark = u"\u2026";

[[noreturn]] void RaiseUnsupportedDataType()
{
    throw ServiceException(u"Unsupported data type", kSource, kUnsupportedDataTypeLine);
}

[[noreturn]] void RaiseUnsupportedInAnyType()
{
    throw ServiceException(u"Unsupported data type within AnyType", kSource, kUnsupportedInAnyTypeLine);
}

[[noreturn]] void RaiseFewerValues()
{
    throw ServiceException(u"Dictionary has fewer values than keys", kSource, kFewerValuesLine);
}

std::string_view StrType(ParamType type)
{
    std::string_view const name = AttributeOf(type);
    if (name.empty()) {
        RaiseUnsupportedInAnyType();
    }
    return name;
}

/// The indent of the next level; saturates rather than wrapping past the largest indent.
std::int32_t Deeper(std::int32_t indent)
{
    return indent > std::numeric_limits<std::int32_t>::max() - 2 ? indent : indent + 2;
}

/// "U+0007": a code unit for a message, at least four hex digits.
std::u16string UnitText(char32_t unit)
{
    std::size_t digits = 4;
    while (digits < 8 && (unit >> (4 * digits)) != 0) {
        ++digits;
    }
    char16_t text[10] = u"U+";
    return std::u16string(text, Tarnwick::Detail::WriteHexDigits(text + 2, unit, digits));
}

/// `name` for a message: at most kQuotedBytes of its UTF-8, cut at a character boundary
/// and then marked; lone surrogates and the unit 0 as U+FFFD.
void AppendName(std::u16string& message, std::u16string_view name)
{
    std::u16string_view const kept = name.substr(0, Tarnwick::Detail::Utf8Prefix(name, Detail::kQuotedBytes));
    char16_t const* const end = kept.data() + kept.size();
    for (char16_t const* it = kept.data(); it != end;) {
        char16_t const* const first = it;
        char32_t const cp = Tarnwick::Detail::NextCodePoint(it, end);
        if (cp == Tarnwick::Detail::kLoneSurrogate || cp == 0) {
            // Neither stands in a message's text (the unit 0 would end its narrow form).
            message += static_cast<char16_t>(Tarnwick::Detail::kReplacementCharacter);
        } else {
            message.append(first, it);
        }
    }
    if (kept.size() < name.size()) {
        message += kCutMark;
    }
}

/// The element names of a refusal joined by '/', the middle of a long path left out.
std::u16string PathText(std::vector<std::u16string_view> const& names)
{
    std::u16string path;
    Detail::AppendPath(path, names.size(), kPathEnds, kCutMark,
        [&names](std::u16string& out, std::size_t i) { AppendName(out, names[i]); });
    return path;
}

/// Where an element name breaks the rule of XML names without a colon: the unit at
/// fault and whether it is the first, or no unit for an empty name. Names are XML's
/// names; the colon is left out because namespace-aware parsers refuse an undeclared prefix.
struct NameFault {
    bool found = false;
    char32_t unit = 0;
    bool first = false;
};

/// Bit 1: may start a name; bit 2: may stand in one (ASCII).
constexpr std::array<unsigned char, 128> kAsciiName = [] {
    std::array<unsigned char, 128> table {};
    for (char32_t c = 0; c < 128; ++c) {
        table[c] = static_cast<unsigned char>((IsUnprefixedNameStart(c) ? 1 : 0) | (IsUnprefixedNameChar(c) ? 2 : 0));
    }
    return table;
}();

NameFault CheckName(std::u16string_view name)
{
    if (name.empty()) {
        return {true, 0, false};
    }
    char16_t const* const begin = name.data();
    char16_t const* const end = begin + name.size();
    for (char16_t const* it = begin; it != end;) {
        bool const first = it == begin;
        char16_t const unit = *it;
        if (unit < 0x80) {
            ++it;
            if ((kAsciiName[unit] & (first ? 1 : 2)) == 0) {
                return {true, unit, first};
            }
            continue;
        }
        char32_t const cp = Tarnwick::Detail::NextCodePoint(it, end);
        if (cp == Tarnwick::Detail::kLoneSurrogate || !(first ? IsUnprefixedNameStart(cp) : IsUnprefixedNameChar(cp))) {
            return {true, cp == Tarnwick::Detail::kLoneSurrogate ? unit : cp, first};
        }
    }
    return {};
}

/// The leaf formats of the documented text, fixed at compile time.
struct Documented {
    static constexpr bool kConfigured = false;
    template <class T> void Write(XmlWriter& writer, T const& value) const { writer.Value(value); }
    void Attribute(XmlWriter& writer, std::u16string const& value) const { writer.Escaped(value); }
    void Fragment(XmlWriter& writer, std::u16string const& value) const { writer.Raw(value); }
};

/// The leaf formats chosen by options: texts through the tables the options select.
class Configured {
public:
    static constexpr bool kConfigured = true;

    explicit Configured(XmlEncoderOptions const& options)
        : m_Options(options)
    {
        static constexpr TextKinds kTables[3][2][2] = {
            {{TextKinds::Of(TextKinds::Element, false, false), TextKinds::Of(TextKinds::Element, false, true)},
                {TextKinds::Of(TextKinds::Element, true, false), TextKinds::Of(TextKinds::Element, true, true)}},
            {{TextKinds::Of(TextKinds::Attribute, false, false), TextKinds::Of(TextKinds::Attribute, false, true)},
                {TextKinds::Of(TextKinds::Attribute, true, false), TextKinds::Of(TextKinds::Attribute, true, true)}},
            {{TextKinds::Of(TextKinds::Fragment, false, false), TextKinds::Of(TextKinds::Fragment, false, true)},
                {TextKinds::Of(TextKinds::Fragment, false, false), TextKinds::Of(TextKinds::Fragment, false, true)}}};
        bool const checked = options.ReferenceWhitespace || options.RefuseNonXml;
        if (checked) {
            m_Element = &kTables[TextKinds::Element][options.ReferenceWhitespace][options.RefuseNonXml];
            m_Attribute = &kTables[TextKinds::Attribute][options.ReferenceWhitespace][options.RefuseNonXml];
        }
        if (options.RefuseNonXml) {
            m_Fragment = &kTables[TextKinds::Fragment][0][1];
        }
    }

    XmlEncoderOptions const& Options() const { return m_Options; }

    template <class T> void Write(XmlWriter& writer, T const& value) const
    {
        if constexpr (std::is_same_v<T, std::u16string>) {
            Text(writer, value, m_Element);
        } else if constexpr (std::is_floating_point_v<T>) {
            if (m_Options.RoundTripNumbers) {
                writer.Shortest(value);
            } else {
                writer.Value(value);
            }
        } else {
            writer.Value(value);
        }
    }
    void Attribute(XmlWriter& writer, std::u16string const& value) const { Text(writer, value, m_Attribute); }
    void Fragment(XmlWriter& writer, std::u16string const& value) const
    {
        if (m_Fragment != nullptr) {
            writer.Checked(value, *m_Fragment);
        } else {
            writer.Raw(value);
        }
    }

private:
    static void Text(XmlWriter& writer, std::u16string const& value, TextKinds const* kinds)
    {
        if (kinds != nullptr) {
            writer.Checked(value, *kinds);
        } else {
            writer.Escaped(value);
        }
    }

    XmlEncoderOptions m_Options;
    TextKinds const* m_Element = nullptr;
    TextKinds const* m_Attribute = nullptr;
    TextKinds const* m_Fragment = nullptr;
};

/// `node` as the class its code names; any other class cannot be encoded.
template <class Node> Node const& As(ServiceType const* node)
{
    return Detail::As<Node>(node, RaiseUnsupportedDataType);
}

void OpenItem(XmlWriter& writer, std::int32_t indent)
{
    writer.Spaces(indent);
    writer.Put("<item>");
    writer.EndLine();
}

void CloseItem(XmlWriter& writer, std::int32_t indent)
{
    writer.Spaces(indent);
    writer.Put("</item>");
    writer.EndLine();
}

/// The elements of a primitive sequence node, written one by one in their leaf
/// format into the writer itself: what `XmlSequenceWrapper` writes to the
/// stream, the same checks and the same failures (a node that is no primitive
/// sequence raises, an element past the end throws std::out_of_range).
template <class Profile> class SequenceCursor {
public:
    SequenceCursor() = default;
    SequenceCursor(ServiceType const* sequence, Profile const& profile)
        : m_Profile(&profile)
    {
        if (sequence == nullptr) {
            Detail::RaiseRequiresSequence();
        }
        bool const primitive = Detail::VisitPrimitiveSequence(sequence->GetType(), [&]<class T>() {
            m_Elements = Detail::As<SequenceType<T>>(sequence, Detail::RaiseRequiresSequence).GetValuePtr();
            m_Write = [](Profile const& profile, XmlWriter& writer, void const* elements, std::size_t index) {
                profile.Write(writer, static_cast<std::vector<T> const*>(elements)->at(index));
            };
        });
        if (!primitive) {
            Detail::RaiseRequiresSequence();
        }
    }
    /// `indent` spaces, `open`, the next element and `close` on one line.
    void Line(XmlWriter& writer, std::int32_t indent, std::string_view open, std::string_view close)
    {
        writer.Spaces(indent);
        writer.Put(open);
        m_Write(*m_Profile, writer, m_Elements, m_Next++);
        writer.Put(close);
        writer.EndLine();
    }

private:
    Profile const* m_Profile = nullptr;
    void const* m_Elements = nullptr;
    void (*m_Write)(Profile const&, XmlWriter&, void const*, std::size_t) = nullptr;
    std::size_t m_Next = 0;
};

/// Writes elements and their subtrees in the leaf formats of `Profile`, walking the
/// tree with an explicit stack of frames: one per open container, so depth costs heap,
/// not stack. Under options, it keeps where text is being written, for the path of a
/// refusal.
template <class Profile> class TreeWriter {
public:
    TreeWriter(XmlWriter& writer, Profile const& profile)
        : m_Writer(writer)
        , m_Profile(profile)
    {
        m_Frames.reserve(kUsualDepth);
    }

    /// The element of `node` and everything below it.
    void Element(ServiceType const* node, std::int32_t indent)
    {
        Guarded([&] {
            Open(node, indent);
            Run();
        });
    }

    /// The items of a dictionary whose values are nodes of `Sequence`, without an element of its own.
    template <class Sequence> void Dictionary(DictionaryType const* dictionary, std::int32_t indent)
    {
        Guarded([&] {
            m_EndIndent = indent;
            PushDictionary<Sequence>(nullptr, indent, dictionary, indent);
            Run();
        });
    }

    /// The items of a dictionary whose keys and values are primitive sequences.
    void PrimitiveDictionary(DictionaryType const* dictionary, std::int32_t indent)
    {
        std::uint32_t const count = dictionary->Size();
        SequenceCursor<Profile> keys(dictionary->GetKeys(), m_Profile);
        SequenceCursor<Profile> values(dictionary->GetValues(), m_Profile);
        for (std::uint32_t i = 0; i < count; ++i) {
            OpenItem(m_Writer, indent);
            Mark(u"item/key");
            keys.Line(m_Writer, Deeper(indent), "<key>", "</key>");
            Mark(u"item/value");
            values.Line(m_Writer, Deeper(indent), "<value>", "</value>");
            CloseItem(m_Writer, indent);
        }
    }

private:
    /// What a frame walks through.
    enum class Walk : std::uint8_t { Children, Items, AnyDictionary, CompositeDictionary };

    /// One open container: its element, still to be closed, and the position of its next child.
    struct Frame {
        /// The element's name; null for a dictionary encoder called alone (no element of its own).
        std::u16string const* name;
        /// The element's indent (of the items, for a dictionary called alone).
        std::int32_t indent;
        /// The indent of the end tag: 0 for a container that calls itself a leaf.
        std::int32_t endIndent;
        Walk walk;
        bool itemOpen;
        std::uint32_t next;
        /// The children or items to write (for a dictionary, its pairs).
        std::uint32_t count;
        /// The nodes walked: a composite's children, or the composites or any-types of a
        /// sequence or a dictionary's values.
        ServiceType* const* children;
        CompositeType* const* composites;
        AnyTypeServiceType* const* anys;
        /// The number of a dictionary's values.
        std::size_t values;
        /// The indent of a dictionary's items.
        std::int32_t itemIndent;
        SequenceCursor<Profile> keys;
    };

    /// Runs `write`; under options, a refused character becomes the refusal that names its path.
    template <class Write> void Guarded(Write write)
    {
        if constexpr (Profile::kConfigured) {
            try {
                write();
            } catch (NonXmlCharacter const& refused) {
                throw ServiceException(u"Character " + UnitText(refused.unit) + u" not allowed in XML in " + Path(),
                    kSource, kNonXmlCharacterLine);
            }
        } else {
            write();
        }
    }

    /// Under options, notes that text of the current element's `suffix` ("item/key") comes next.
    void Mark(char16_t const* suffix)
    {
        if constexpr (Profile::kConfigured) {
            m_Suffix = suffix;
        }
    }

    /// The names from the encoded element down to where text is being written.
    std::u16string Path() const
    {
        std::vector<std::u16string_view> names;
        for (Frame const& frame : m_Frames) {
            if (frame.name != nullptr) {
                names.push_back(*frame.name);
            }
            if (frame.itemOpen) {
                names.push_back(u"item");
            }
        }
        if (m_Current != nullptr) {
            names.push_back(*m_Current);
        }
        for (std::u16string_view suffix = m_Suffix; !suffix.empty();) {
            std::size_t const slash = std::min(suffix.find(u'/'), suffix.size());
            names.push_back(suffix.substr(0, slash));
            suffix.remove_prefix(std::min(slash + 1, suffix.size()));
        }
        return PathText(names);
    }

    void Run()
    {
        while (!m_Frames.empty()) {
            Frame& frame = m_Frames.back();
            if (Advance(frame)) {
                continue;
            }
            if (frame.name != nullptr) {
                m_Writer.Tag(frame.endIndent, XmlWriter::Mark("</"), *frame.name, XmlWriter::Mark(">\n"));
                m_Writer.LineEnded();
            }
            m_Frames.pop_back();
        }
    }

    /// Writes the frame's next children until one opens a frame of its own (then true;
    /// `frame` may then have moved) or none is left (false).
    bool Advance(Frame& frame)
    {
        std::int32_t indent = Deeper(frame.indent);
        switch (frame.walk) {
        case Walk::Children:
            return OpenEach(frame, frame.children, indent);
        case Walk::Items:
            return OpenEach(frame, frame.composites, indent);
        case Walk::AnyDictionary:
        case Walk::CompositeDictionary:
            while (ServiceType const* const value = NextValue(frame, indent)) {
                if (Open(value, indent)) {
                    return true;
                }
            }
            return false;
        }
        return false;
    }

    template <class Node> bool OpenEach(Frame& frame, Node* const* nodes, std::int32_t indent)
    {
        while (frame.next != frame.count) {
            if (Open(nodes[frame.next++], indent)) {
                return true;
            }
        }
        return false;
    }

    /// Closes the item before, then opens the next item of a dictionary frame and writes
    /// its key; the value node that follows, with its indent, or null when all are written.
    ServiceType const* NextValue(Frame& frame, std::int32_t& indent)
    {
        if (frame.itemOpen) {
            CloseItem(m_Writer, frame.itemIndent);
            frame.itemOpen = false;
        }
        if (frame.next == frame.count) {
            return nullptr;
        }
        if (frame.next >= frame.values) {
            RaiseFewerValues();
        }
        ServiceType const* const value = frame.walk == Walk::AnyDictionary
            ? static_cast<ServiceType const*>(frame.anys[frame.next])
            : frame.composites[frame.next];
        ++frame.next;
        OpenItem(m_Writer, frame.itemIndent);
        frame.itemOpen = true;
        if constexpr (Profile::kConfigured) {
            m_Current = nullptr;
        }
        Mark(u"key");
        std::int32_t const inner = Deeper(frame.itemIndent);
        frame.keys.Line(m_Writer, inner, "<key>", "</key>");
        if (frame.walk == Walk::AnyDictionary) {
            // An any-type value is encoded at indent 0 after the item's inner indent.
            m_Writer.Spaces(inner);
            indent = 0;
        } else {
            indent = inner;
        }
        return value;
    }

    template <class Sequence>
    void PushDictionary(
        std::u16string const* name, std::int32_t indent, DictionaryType const* dictionary, std::int32_t itemIndent)
    {
        std::uint32_t const count = dictionary->Size();
        SequenceCursor<Profile> keys(dictionary->GetKeys(), m_Profile);
        auto const* values = dynamic_cast<Sequence const*>(dictionary->GetValues());
        if (values == nullptr) {
            Detail::RaiseRequiresSequence();
        }
        Frame& frame = Push(name, indent, count);
        if constexpr (std::is_same_v<Sequence, AnyTypeSequenceType>) {
            frame.walk = Walk::AnyDictionary;
            frame.anys = First(*values);
        } else {
            frame.walk = Walk::CompositeDictionary;
            frame.composites = First(*values);
        }
        frame.values = static_cast<std::size_t>(values->EndIterator() - values->BeginIterator());
        frame.itemIndent = itemIndent;
        frame.keys = keys;
    }

    /// The first of the pointers a container holds (null when it holds none).
    template <class Container> static auto First(Container const& container)
    {
        return container.BeginIterator() == container.EndIterator() ? nullptr : &*container.BeginIterator();
    }

    /// A new frame for the element `name` (null: none) at `indent`, with `count` children to walk.
    Frame& Push(std::u16string const* name, std::int32_t indent, std::uint32_t count)
    {
        if constexpr (Profile::kConfigured) {
            m_Current = nullptr;
        }
        Frame& frame = m_Frames.emplace_back();
        frame.name = name;
        frame.indent = indent;
        frame.endIndent = m_EndIndent;
        frame.itemOpen = false;
        frame.next = 0;
        frame.count = count;
        return frame;
    }

    /// The item lines of a primitive sequence.
    template <class T> void Items(std::vector<T> const& elements, std::int32_t indent)
    {
        Mark(u"item");
        for (auto&& element : elements) {
            if constexpr (Profile::kConfigured && (std::is_same_v<T, std::u16string> || std::is_floating_point_v<T>)) {
                m_Writer.Spaces(indent);
                m_Writer.Put("<item>");
                m_Profile.Write(m_Writer, element);
                m_Writer.Put("</item>");
                m_Writer.EndLine();
            } else {
                m_Writer.Item(indent, element);
            }
        }
    }

    /// The start tag of `node`; for a leaf or a primitive sequence also its content and end
    /// tag, for any other container a frame that writes the rest (then true).
    [[gnu::flatten]] bool Open(ServiceType const* node, std::int32_t indent)
    {
        if (node == nullptr) {
            RaiseUnsupportedDataType();
        }
        std::u16string const& name = node->GetParamNameRef();
        if constexpr (Profile::kConfigured) {
            m_Current = &name;
            m_Suffix = u"";
            if (m_Profile.Options().RefuseNonXml) {
                RefuseName(name);
            }
        }
        m_Writer.Spaces(indent);
        ServiceType const* value = node;
        ParamType type = node->GetType();
        if (type == ANY_TYPE) {
            // The element keeps the wrapper's name but shows and holds the wrapped value.
            value = As<AnyTypeServiceType>(node).GetValue();
            if (value == nullptr) {
                RaiseUnsupportedInAnyType();
            }
            type = value->GetType();
            std::string_view const typeName = StrType(type);
            m_Writer.Tag(0, XmlWriter::Mark("<"), name, XmlWriter::Mark(" type='"));
            m_Writer.Put(typeName);
            m_Writer.Put("'>");
        } else {
            m_Writer.Tag(0, XmlWriter::Mark("<"), name, XmlWriter::Mark(">"));
        }
        bool const leaf = value->IsLeaf();
        if (!leaf) {
            m_Writer.EndLine();
        }
        m_EndIndent = leaf ? 0 : indent;
        if (Content(name, value, type, indent)) {
            return true;
        }
        m_Writer.Tag(leaf ? 0 : indent, XmlWriter::Mark("</"), name, XmlWriter::Mark(">\n"));
        m_Writer.LineEnded();
        return false;
    }

    /// Writes the content of a leaf or a primitive sequence, or pushes the frame of a
    /// container (then true: the frame writes the end tag).
    // Kept apart from Open, so that the compiler inlines the writer's steps into both.
    bool Content(std::u16string const& name, ServiceType const* value, ParamType type, std::int32_t indent)
    {
        std::int32_t const inner = Deeper(indent);
        switch (type) {
        case COMPOSITE: {
            auto const& composite = As<CompositeType>(value);
            auto const count = static_cast<std::uint32_t>(composite.EndIterator() - composite.BeginIterator());
            Frame& frame = Push(&name, indent, count);
            frame.walk = Walk::Children;
            frame.children = First(composite);
            return true;
        }
        case COMPOSITE_SEQUENCE: {
            auto const& sequence = As<CompositeSequenceType>(value);
            auto const count = static_cast<std::uint32_t>(sequence.EndIterator() - sequence.BeginIterator());
            Frame& frame = Push(&name, indent, count);
            frame.walk = Walk::Items;
            frame.composites = First(sequence);
            return true;
        }
        case DICTIONARY: {
            auto const* dictionary = &As<DictionaryType>(value);
            ServiceType const* values = dictionary->GetValues();
            if (values == nullptr) {
                Detail::RaiseRequiresSequence();
            }
            switch (values->GetType()) {
            case COMPOSITE_SEQUENCE:
                PushDictionary<CompositeSequenceType>(&name, indent, dictionary, inner);
                return true;
            case ANY_TYPE_SEQUENCE:
                PushDictionary<AnyTypeSequenceType>(&name, indent, dictionary, inner);
                return true;
            default:
                PrimitiveDictionary(dictionary, inner);
                return false;
            }
        }
        default:
            break;
        }
        if (!VisitKind(type, [&]<class K>() { return Leaf<K>(value, inner); })) {
            RaiseUnsupportedDataType();
        }
        return false;
    }

    /// Writes the content of a node of the leaf kind `K` (false for a kind that is no leaf).
    template <class K> bool Leaf(ServiceType const* value, std::int32_t inner)
    {
        if constexpr (K::content == Content::Value) {
            m_Profile.Write(m_Writer, As<typename K::Node>(value).GetValueRef());
        } else if constexpr (K::content == Content::Markup) {
            m_Profile.Fragment(m_Writer, As<typename K::Node>(value).GetValueRef());
        } else if constexpr (K::content == Content::Items) {
            Items(As<typename K::Node>(value).GetValue(), inner);
        } else {
            return false;
        }
        return true;
    }

    /// Refuses an element name that is not an XML name without a colon (line 703).
    void RefuseName(std::u16string const& name) const
    {
        NameFault const fault = CheckName(name);
        if (!fault.found) {
            return;
        }
        std::u16string message = u"Element name not an XML name in " + Path() + u": ";
        if (name.empty()) {
            message += u"the name is empty";
        } else {
            message += UnitText(fault.unit) + (fault.first ? u" cannot start a name" : u" cannot stand in a name");
        }
        throw ServiceException(message, kSource, kNotXmlNameLine);
    }

    /// Frames reserved at once: deeper trees grow the stack as they go.
    static constexpr std::size_t kUsualDepth = 16;

    XmlWriter& m_Writer;
    Profile const& m_Profile;
    std::vector<Frame> m_Frames;
    /// The end tag indent of the element being opened.
    std::int32_t m_EndIndent = 0;
    /// Under options: the element whose text or name is being written (null between
    /// the items of a dictionary frame) and the elements below it that hold the text.
    std::u16string const* m_Current = nullptr;
    char16_t const* m_Suffix = u"";
};

/// One header attribute line: two spaces, name="value".
template <class Profile, class Value>
void Attribute(XmlWriter& writer, Profile const& profile, std::string_view name, Value const& value)
{
    writer.Put("  ");
    writer.Put(name);
    writer.Put("=\"");
    if constexpr (std::is_same_v<Value, std::u16string>) {
        if constexpr (Profile::kConfigured) {
            try {
                profile.Attribute(writer, value);
            } catch (NonXmlCharacter const& refused) {
                std::u16string attribute(name.begin(), name.end());
                throw ServiceException(
                    u"Character " + UnitText(refused.unit) + u" not allowed in XML in header attribute " + attribute,
                    kSource, kNonXmlAttributeCharacterLine);
            }
        } else {
            profile.Attribute(writer, value);
        }
    } else {
        writer.Integer(value);
    }
    writer.Put('"');
    writer.EndLine();
}

/// The XML declaration and the `msg` start tag, each line ended and flushed.
template <class Profile> void WriteHeader(XmlWriter& writer, Profile const& profile, ServiceMessage const* message)
{
    std::int32_t const type = message->GetMsgType();
    if constexpr (Profile::kConfigured) {
        if (profile.Options().RefuseNonXml && (type < 0 || type > 255)) {
            std::string const number = std::to_string(type);
            throw ServiceException(u"MsgType " + std::u16string(number.begin(), number.end()) + u" outside 0..255",
                kSource, kMsgTypeRangeLine);
        }
    }
    writer.Put("<?xml version=\"1.0\" encoding=\"utf-8\" ?>");
    writer.EndLine();
    writer.Put("<msg");
    writer.EndLine();
    // The message type travels as its low 8 bits.
    Attribute(writer, profile, "MsgType", static_cast<std::uint16_t>(static_cast<std::uint8_t>(type)));
    Attribute(writer, profile, "MsgCorrelationId", message->GetMsgCorrelationId());
    Attribute(writer, profile, "MsgOrderId", message->GetMsgOrderId());
    Attribute(writer, profile, "SessionId", message->GetSessionId());
    Attribute(writer, profile, "ConsumerAddress", message->GetConsumerAddress());
    Attribute(writer, profile, "ProducerAddress", message->GetProducerAddress());
    Attribute(writer, profile, "OperationName", message->GetOperationName());
    Attribute(writer, profile, "ParametersTypeName", message->GetParametersTypeName());
    writer.Put('>');
    writer.EndLine();
}

constexpr std::string_view kFooter = "</msg>";

template <class Profile>
void WriteMessage(XmlWriter& writer, Profile const& profile, ServiceMessage const& header, ServiceType const* tree,
    std::int32_t indent)
{
    WriteHeader(writer, profile, &header);
    if (tree != nullptr) {
        TreeWriter<Profile>(writer, profile).Element(tree, indent);
    }
    writer.Put(kFooter);
}

bool IsDocumented(XmlEncoderOptions const& options)
{
    return !options.RoundTripNumbers && !options.ReferenceWhitespace && !options.RefuseNonXml;
}

/// Runs `use` with the profile of `options`: the documented one, fixed at compile time,
/// when every option is off.
template <class Use> void WithProfile(XmlEncoderOptions const& options, Use use)
{
    if (IsDocumented(options)) {
        use(Documented {});
    } else {
        use(Configured(options));
    }
}

/// Encodes into a fresh default-formatted stream, then replaces `text`.
template <class Write> void IntoString(std::string& text, Write write)
{
    // A string stream's flush does nothing, so the lines cost no system call.
    std::ostringstream out;
    write(out);
    text = std::move(out).str();
}

} // namespace

XmlEncoderOptions XmlEncoderOptions::Standard() noexcept
{
    XmlEncoderOptions options;
    options.RoundTripNumbers = true;
    options.ReferenceWhitespace = true;
    options.RefuseNonXml = true;
    return options;
}

void XmlEncoder::EncodeHeader(std::ostream& out, ServiceMessage const* message)
{
    XmlWriter writer(out);
    WriteHeader(writer, Documented {}, message);
}

void XmlEncoder::EncodeHeader(std::ostream& out, ServiceMessage const* message, XmlEncoderOptions const& options)
{
    WithProfile(options, [&](auto const& profile) {
        XmlWriter writer(out);
        WriteHeader(writer, profile, message);
    });
}

void XmlEncoder::Encode(std::ostream& out, ServiceType const* node, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) { TreeWriter<Documented>(writer, Documented {}).Element(node, indent); });
}

void XmlEncoder::Encode(std::string& text, ServiceType const* node, std::int32_t indent)
{
    IntoString(text, [&](std::ostream& out) { Encode(out, node, indent); });
}

void XmlEncoder::Encode(
    std::ostream& out, ServiceType const* node, std::int32_t indent, XmlEncoderOptions const& options)
{
    WithProfile(options, [&](auto const& profile) {
        WriteTo(out, [&](XmlWriter& writer) {
            TreeWriter<std::decay_t<decltype(profile)>>(writer, profile).Element(node, indent);
        });
    });
}

void XmlEncoder::Encode(
    std::string& text, ServiceType const* node, std::int32_t indent, XmlEncoderOptions const& options)
{
    IntoString(text, [&](std::ostream& out) { Encode(out, node, indent, options); });
}

void XmlEncoder::AppendFooter(std::ostream& out)
{
    out.write(kFooter.data(), static_cast<std::streamsize>(kFooter.size()));
}

void XmlEncoder::EncodeMessage(
    std::ostream& out, ServiceMessage const& header, ServiceType const* tree, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) { WriteMessage(writer, Documented {}, header, tree, indent); });
}

void XmlEncoder::EncodeMessage(
    std::string& text, ServiceMessage const& header, ServiceType const* tree, std::int32_t indent)
{
    IntoString(text, [&](std::ostream& out) { EncodeMessage(out, header, tree, indent); });
}

void XmlEncoder::EncodeMessage(std::ostream& out, ServiceMessage const& header, ServiceType const* tree,
    std::int32_t indent, XmlEncoderOptions const& options)
{
    WithProfile(options, [&](auto const& profile) {
        WriteTo(out, [&](XmlWriter& writer) { WriteMessage(writer, profile, header, tree, indent); });
    });
}

void XmlEncoder::EncodeMessage(std::string& text, ServiceMessage const& header, ServiceType const* tree,
    std::int32_t indent, XmlEncoderOptions const& options)
{
    IntoString(text, [&](std::ostream& out) { EncodeMessage(out, header, tree, indent, options); });
}

void XmlEncoder::EncodeXml(std::ostream& out, XmlString const* node)
{
    WriteTo(out, [&](XmlWriter& writer) { writer.Raw(node->GetValueRef()); });
}

void XmlEncoder::UCS2ToUTF8(std::ostream& out, char16_t unit)
{
    if (unit == 0) {
        return;
    }
    char bytes[4];
    // A single surrogate unit is never a whole character: it gives U+FFFD.
    char32_t const codePoint = Tarnwick::Detail::IsSurrogate(unit) ? Tarnwick::Detail::kLoneSurrogate : unit;
    out.write(bytes, static_cast<std::streamsize>(Tarnwick::Detail::EncodeUtf8(codePoint, bytes)));
}

std::string XmlEncoder::GetStrType(ParamType type)
{
    return std::string(StrType(type));
}

void XmlEncoder::EncodeDictionary(std::ostream& out, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) {
        TreeWriter<Documented>(writer, Documented {}).PrimitiveDictionary(dictionary, indent);
    });
}

void XmlEncoder::EncodeAnyTypeDictionary(std::ostream& out, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) {
        TreeWriter<Documented>(writer, Documented {}).Dictionary<AnyTypeSequenceType>(dictionary, indent);
    });
}

void XmlEncoder::EncodeCompositeTypeDictionary(std::ostream& out, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) {
        TreeWriter<Documented>(writer, Documented {}).Dictionary<CompositeSequenceType>(dictionary, indent);
    });
}

} // namespace Tarnwick::Encoding
