#include "encoding/decode/ElementSource.h"

#include "encoding/decode/ValueText.h"

#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace Tarnwick::Encoding::Detail {

namespace {

/// Whether the element's name is `name`, both ASCII (any ASCII name when `name` is null).
/// Other names are left to the tree reader, which decodes them.
bool NameIs(pugi::xml_node element, char16_t const* name) noexcept
{
    auto const* raw = reinterpret_cast<unsigned char const*>(element.name());
    if (name == nullptr) {
        for (; *raw != 0; ++raw) {
            if (*raw >= 0x80) {
                return false;
            }
        }
        return true;
    }
    for (;; ++name, ++raw) {
        unsigned const unit = *name;
        if (unit != *raw || unit >= 0x80) {
            return false;
        }
        if (unit == 0) {
            return true;
        }
    }
}

template <class T> constexpr bool kIsVector = false;
template <class T> constexpr bool kIsVector<std::vector<T>> = true;

} // namespace

bool ElementSource::Applies(
    XmlDocument const& document, pugi::xml_node element, XmlDecoderLimits const& limits) noexcept
{
    return !limits.IgnoreUnknownElements && !limits.KeepMissingElements && !limits.AcceptSchemaForms
        && document.ElementsOnly() && !document.AttributesFrom(element.name());
}

pugi::xml_node ElementSource::Take(char16_t const* name) noexcept
{
    pugi::xml_node const element = m_Next;
    if (!element || !NameIs(element, name)) {
        return {};
    }
    m_Next = element.next_sibling();
    return element;
}

bool ElementSource::Enter(char16_t const* name)
{
    pugi::xml_node const element = Take(name);
    // Inside the root only elements are nodes: text of the element's own is its value.
    if (!element || !XmlDocument::IsBlank(element.value())) {
        return false;
    }
    m_Current = element;
    m_Next = element.first_child();
    return true;
}

bool ElementSource::More()
{
    return static_cast<bool>(m_Next);
}

bool ElementSource::Leave()
{
    if (m_Next || !m_Current) {
        return false;
    }
    m_Next = m_Current.next_sibling();
    m_Current = m_Current.parent();
    return true;
}

template <class T> bool ElementSource::Value(pugi::xml_node element, T& value)
{
    if constexpr (std::is_same_v<T, std::u16string>) {
        // The tree reader refuses an element inside a text. Decoded into the source's room,
        // then copied at its exact size, as the tree reader does.
        bool inner = false;
        std::size_t const length = m_Document.Text(element, m_Room, [&](pugi::xml_node) { inner = true; });
        value.assign(m_Room.data(), length);
        return !inner;
    } else {
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
            if (QuickInteger(element.value(), value)) {
                return true;
            }
        }
        std::string_view text;
        return XmlDocument::PlainText(element, text) && ParseValue(text, value);
    }
}

template <class T> bool ElementSource::One(char16_t const* name, T& value)
{
    pugi::xml_node const element = Take(name);
    return element && Value(element, value);
}

template <class T> bool ElementSource::Items(char16_t const* name, std::vector<T>& values)
{
    pugi::xml_node const element = Take(name);
    if (!element || !XmlDocument::IsBlank(element.value())) {
        return false;
    }
    std::size_t count = 0;
    for (pugi::xml_node item = element.first_child(); item; item = item.next_sibling()) {
        ++count;
    }
    values.clear();
    values.reserve(count);
    for (pugi::xml_node item = element.first_child(); item; item = item.next_sibling()) {
        // The name with its terminator: "item" and nothing longer.
        if (std::memcmp(item.name(), "item", sizeof "item") != 0) {
            return false;
        }
        T value {};
        if (!Value(item, value)) {
            return false;
        }
        values.push_back(std::move(value));
    }
    return true;
}

bool ElementSource::ReadValue(char16_t const* name, Target target)
{
    return std::visit(
        [&]<class T>(T* value) {
            if constexpr (kIsVector<T>) {
                return Items(name, *value);
            } else {
                return One(name, *value);
            }
        },
        target);
}

} // namespace Tarnwick::Encoding::Detail
