#pragma once

// Element names and paths in the decoder's messages: bounded, whatever the
// names and the nesting of the input. Internal to the library.

#include "encoding/decode/XmlDocument.h"

#include <cstddef>
#include <string>

namespace Tarnwick::Encoding::Detail {

/// The most element names a path shows: a deeper path keeps the first and the
/// last half of them, with "..." standing for those between.
inline constexpr std::size_t kPathNames = 12;

/// Appends the element's name as `XmlDocument::Name` gives it, cut to at most
/// `kQuotedBytes` bytes (a legacy name keeps one unit per byte).
void AppendName(std::u16string& out, XmlDocument const& document, pugi::xml_node element);

/// The element's name, cut as `AppendName` cuts it, in single quotes.
std::u16string QuoteName(XmlDocument const& document, pugi::xml_node element);

/// The element names from `base` down to `element`, joined by '/', each cut as
/// `AppendName` cuts it and at most `kPathNames` of them: built once, in time
/// linear in the depth and in the length of what it shows.
std::u16string ElementPath(XmlDocument const& document, pugi::xml_node element, pugi::xml_node base);

} // namespace Tarnwick::Encoding::Detail
