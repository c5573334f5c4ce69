#pragma once

#include <tarnwick/core/Export.h>

#include <iosfwd>

namespace Tarnwick::DataTypes {
class ServiceType;
}

namespace Tarnwick::Encoding {

/// Writes the contract of a message shape as an XML Schema 1.0 document, for peers that
/// check messages with a standard validator. The schema declares exactly what the encoder
/// writes for trees of the prototype's shape: each kind as the tightest schema type of its
/// values (integer ranges, `true`/`false`, floats with the encoder's `inf`, `-inf`, `nan`
/// and `-nan`), composite children in the prototype's order, sequences as `item` lists,
/// the three dictionary forms, time stamps and durations as their unsigned 64-bit numbers.
/// Where XML Schema 1.0 cannot make content depend on an attribute or on an unknown name,
/// the content is left unchecked: any-type elements (their `type` attribute must name a
/// kind), the values of any-type dictionaries, XML fragments, and the items of a composite
/// sequence without an item shape. Composite-sequence items are declared under the names
/// of the prototype's item shape and of its items.
///
/// Failures raise a `ServiceException` from "Tarnwick::Encoding::XmlSchema"; nothing is
/// written then. PATH is the element names from the parameter element down:
///
/// | line | message |
/// |---|---|
/// | 751 | Children named 'x' of different shapes in PATH (one type per name) |
/// | 752 | Element name 'x' is not a name a schema can declare in PATH |
/// | 753 | Cannot describe a prototype of kind K in PATH (a kind no text is written for) |
/// | 754 | Cannot describe a dictionary with keys of kind K and values of kind V in PATH |
/// | 755 | Cannot describe a prototype of another class than its kind in PATH |
///
/// Line 752 is raised for an empty name and for one that is not an XML name or has a
/// prefix (':'); line 754 also as `Cannot describe a dictionary without keys and values`.
class TARNWICK_EXPORT XmlSchema {
public:
    /// A schema whose one global element is the parameter element of `prototype`'s shape.
    static void Write(std::ostream& out, DataTypes::ServiceType const& prototype);
    /// A schema of the whole message: the `msg` element with its eight header attributes
    /// (`MsgType` 0 to 255, the three ids unsigned 32-bit, the four strings) around the
    /// parameter element of `prototype`'s shape.
    static void WriteMessage(std::ostream& out, DataTypes::ServiceType const& prototype);
};

} // namespace Tarnwick::Encoding
