#pragma once

#include <tarnwick/core/Export.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace Tarnwick::StubProxy {

/// A decoded text a value object reads its fields from directly, element by element, instead
/// of from a parameter tree (see `UserParameters::ReadFrom`). It answers only what it holds
/// exactly as the tree reader would read it; every operation answers false otherwise, and the
/// reader then gives up, leaving its value as it was, so that the tree is read after all.
/// The text is read in order: each operation takes the next child of the element entered last.
class TARNWICK_EXPORT FieldSource {
public:
    virtual ~FieldSource();

    /// Enters the next element when it is named `name` (any name when null) and holds no
    /// text of its own: its children are read next.
    virtual bool Enter(char16_t const* name) = 0;
    /// Whether the element entered last has a child not read yet.
    virtual bool More() = 0;
    /// Leaves the element entered last once all its children are read; false while one is left.
    virtual bool Leave() = 0;

    /// Reads the next element, when it is named `name`, as one value of `T` (one of the
    /// twelve primitive element types), or as a list of them (its `item` children) for a
    /// vector of them.
    template <class T> bool Read(char16_t const* name, T& value) { return ReadValue(name, Target(&value)); }

protected:
    /// Where one value read goes: a primitive, or a vector of them.
    using Target = std::variant<std::u16string*, bool*, std::int8_t*, std::uint8_t*, std::int16_t*, std::uint16_t*,
        std::int32_t*, std::uint32_t*, std::int64_t*, std::uint64_t*, float*, double*, std::vector<std::u16string>*,
        std::vector<bool>*, std::vector<std::int8_t>*, std::vector<std::uint8_t>*, std::vector<std::int16_t>*,
        std::vector<std::uint16_t>*, std::vector<std::int32_t>*, std::vector<std::uint32_t>*,
        std::vector<std::int64_t>*, std::vector<std::uint64_t>*, std::vector<float>*, std::vector<double>*>;
    /// `Read` for the value `target` points to.
    virtual bool ReadValue(char16_t const* name, Target target) = 0;

    /// A source is a decoder's class derived from this one.
    FieldSource() = default;
    /// Sources are used where they are made.
    /// @{
    FieldSource(FieldSource const&) = default;
    FieldSource& operator=(FieldSource const&) = default;
    /// @}
};

} // namespace Tarnwick::StubProxy
