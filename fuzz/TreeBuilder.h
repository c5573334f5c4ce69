#pragma once

// Parameter trees of every kind, built from fuzz input: names, values, nesting,
// dictionaries and any-types. The builder notes whether every name is an XML
// name and every text can stand in XML 1.0 unchanged, so that a target knows
// when a conforming parser must read the encoded tree back.

#include "FuzzSupport.h"

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

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace Fuzz {

using namespace Tarnwick::DataTypes;

/// The twelve primitive element types, in their type-code order.
using Primitives = std::tuple<std::u16string, bool, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t,
    std::int32_t, std::uint32_t, std::int64_t, std::uint64_t, float, double>;

/// Calls `body.template operator()<T>()` for the primitive at `index` (0 to 11).
template <class Body> void WithPrimitive(std::size_t index, Body const& body)
{
    [&]<std::size_t... I>(std::index_sequence<I...>)
    {
        ((I == index ? (body.template operator()<std::tuple_element_t<I, Primitives>>(), 0) : 0), ...);
    }
    (std::make_index_sequence<std::tuple_size_v<Primitives>>());
}

class TreeBuilder {
public:
    explicit TreeBuilder(Input& input)
        : m_Input(input)
    { }

    /// A tree of at most `kMaxNodes` nodes and `kMaxDepth` levels; owned by the caller.
    std::unique_ptr<ServiceType> Build() { return std::unique_ptr<ServiceType>(Node(0)); }

    /// Every name is an XML name and every text is XML character data that a
    /// parser reads back unchanged.
    bool XmlSafe() const { return m_XmlSafe; }

    /// Every text holds only what XML 1.0 can carry (CR included) and every name was
    /// drawn as an XML name: the standard profile must then encode the tree.
    bool StandardSafe() const { return !m_NonXml && !m_RandomName; }

    /// Every XML fragment is well-formed markup.
    bool FragmentsWellFormed() const { return !m_RandomFragment; }

private:
    static constexpr int kMaxDepth = 6;
    static constexpr int kMaxNodes = 200;
    static constexpr int kKinds = 35;

    std::u16string Name()
    {
        std::uint8_t const how = m_Input.Byte();
        if ((how & 3) != 0) {
            // An XML name from a small alphabet, the common case.
            static constexpr char16_t kFirst[] = u"abcxyzABC_";
            static constexpr char16_t kRest[] = u"abcxyzABC_019.-\u00E9";
            std::u16string name(1, kFirst[how % (std::size(kFirst) - 1)]);
            for (int i = (how >> 2) % 6; i > 0; --i) {
                name.push_back(kRest[m_Input.Byte() % (std::size(kRest) - 1)]);
            }
            return name;
        }
        std::u16string name = m_Input.Text(16);
        m_XmlSafe = false;
        m_RandomName = true;
        return name;
    }

    std::u16string Text()
    {
        std::u16string text = m_Input.Text(32);
        for (std::size_t i = 0; i < text.size(); ++i) {
            char16_t const unit = text[i];
            bool const surrogate = unit >= 0xD800 && unit <= 0xDFFF;
            // Control characters cannot stand in XML 1.0, a carriage return is
            // read back as a line feed, and a lone surrogate is written as U+FFFD.
            if ((unit < 0x20 && unit != u'\t' && unit != u'\n') || unit == 0xFFFE || unit == 0xFFFF || surrogate) {
                m_XmlSafe = false;
            }
            bool const paired = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
                && text[i + 1] <= 0xDFFF;
            if (paired) {
                ++i;
            } else if ((unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r') || unit >= 0xFFFE
                || surrogate) {
                m_NonXml = true;
            }
        }
        return text;
    }

    template <class T> T Value()
    {
        if constexpr (std::is_same_v<T, std::u16string>) {
            return Text();
        } else if constexpr (std::is_same_v<T, bool>) {
            return (m_Input.Byte() & 1) != 0;
        } else {
            return m_Input.Value<T>();
        }
    }

    template <class T> std::vector<T> Values()
    {
        std::vector<T> values(m_Input.Byte() % 5);
        for (auto&& value : values) {
            value = Value<T>();
        }
        return values;
    }

    ServiceType* Primitive(std::size_t index, bool sequence, std::u16string const& name)
    {
        ServiceType* node = nullptr;
        WithPrimitive(index, [&]<class T>() {
            if (sequence) {
                node = new SequenceType<T>(Values<T>(), name);
            } else {
                node = new ScalarType<T>(Value<T>(), name);
            }
        });
        return node;
    }

    CompositeType* Composite(int depth, std::u16string const& name)
    {
        auto composite = std::make_unique<CompositeType>(name);
        for (int i = m_Input.Byte() % 5; i > 0; --i) {
            if (ServiceType* const child = Node(depth + 1)) {
                composite->Add(child);
            }
        }
        return composite.release();
    }

    ServiceType* Node(int depth)
    {
        if (depth > kMaxDepth || ++m_Nodes > kMaxNodes || m_Input.Empty()) {
            return nullptr;
        }
        int const kind = m_Input.Byte() % kKinds;
        std::u16string const name = Name();
        if (kind == 0 || (depth == 0 && kind > 33)) {
            return Composite(depth, name);
        }
        if (kind <= 12) {
            return Primitive(static_cast<std::size_t>(kind - 1), false, name);
        }
        if (kind <= 24) {
            return Primitive(static_cast<std::size_t>(kind - 13), true, name);
        }
        switch (kind) {
        case 25: {
            auto sequence = std::make_unique<CompositeSequenceType>(name, nullptr);
            for (int i = m_Input.Byte() % 4; i > 0; --i) {
                sequence->Add(Composite(depth + 1, Name()));
            }
            return sequence.release();
        }
        case 26: {
            auto dictionary = std::make_unique<DictionaryType>(name);
            dictionary->SetKeys(Primitive(m_Input.Byte() % 12, true, u"keys"));
            std::uint8_t const values = m_Input.Byte() % 3;
            if (values == 0) {
                dictionary->SetValues(Primitive(m_Input.Byte() % 12, true, u"values"));
            } else if (values == 1) {
                dictionary->SetValues(AnySequence(depth, u"values"));
            } else {
                auto composites = std::make_unique<CompositeSequenceType>(u"values", nullptr);
                for (int i = m_Input.Byte() % 4; i > 0; --i) {
                    composites->Add(Composite(depth + 1, Name()));
                }
                dictionary->SetValues(composites.release());
            }
            return dictionary.release();
        }
        case 27:
            return new AnyTypeServiceType((m_Input.Byte() & 7) != 0 ? Node(depth + 1) : nullptr, name);
        case 28:
            return AnySequence(depth, name);
        case 29: {
            static char16_t const* const kFragments[] = {u"<a>text</a>", u"<b x=\"1\"/>", u"plain", u""};
            std::uint8_t const which = m_Input.Byte();
            if (which < 4) {
                m_XmlSafe = false;
                m_RandomFragment = true;
                std::u16string const markup = m_Input.Text(32);
                for (char16_t const unit : markup) {
                    if ((unit < 0x20 && unit != u'\t' && unit != u'\n' && unit != u'\r') || unit >= 0xFFFE
                        || (unit >= 0xD800 && unit <= 0xDFFF)) {
                        // Lone or not: the standard profile may refuse it.
                        m_NonXml = true;
                    }
                }
                return new XmlString(markup, name);
            }
            return new XmlString(kFragments[which % 4], name);
        }
        case 30:
            return new TimeStampServiceType(m_Input.Value<std::uint64_t>(), name);
        case 31:
            return new TimeStampSequenceType(Values<std::uint64_t>(), name);
        case 32:
            return new TimeDurationServiceType(m_Input.Value<std::uint64_t>(), name);
        case 33:
            return new TimeDurationSequenceType(Values<std::uint64_t>(), name);
        default:
            return Composite(depth, name);
        }
    }

    AnyTypeSequenceType* AnySequence(int depth, std::u16string const& name)
    {
        auto sequence = std::make_unique<AnyTypeSequenceType>(name);
        for (int i = m_Input.Byte() % 4; i > 0; --i) {
            ServiceType* const node = (m_Input.Byte() & 7) != 0 ? Node(depth + 1) : nullptr;
            sequence->Add(new AnyTypeServiceType(node, Name()));
        }
        return sequence.release();
    }

    Input& m_Input;
    int m_Nodes = 0;
    bool m_XmlSafe = true;
    bool m_NonXml = false;
    bool m_RandomName = false;
    bool m_RandomFragment = false;
};

} // namespace Fuzz
