#pragma once

#include <tarnwick/core/Export.h>

#include <cstdint>
#include <string>
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

    /// Reads the next element, when it is named `name`, as one value of the kind of `value`,
    /// or as a list of them (its `item` children) for a vector.
    /// @{
    virtual bool Read(char16_t const* name, std::u16string& value) = 0;
    virtual bool Read(char16_t const* name, bool& value) = 0;
    virtual bool Read(char16_t const* name, std::int8_t& value) = 0;
    virtual bool Read(char16_t const* name, std::uint8_t& value) = 0;
    virtual bool Read(char16_t const* name, std::int16_t& value) = 0;
    virtual bool Read(char16_t const* name, std::uint16_t& value) = 0;
    virtual bool Read(char16_t const* name, std::int32_t& value) = 0;
    virtual bool Read(char16_t const* name, std::uint32_t& value) = 0;
    virtual bool Read(char16_t const* name, std::int64_t& value) = 0;
    virtual bool Read(char16_t const* name, std::uint64_t& value) = 0;
    virtual bool Read(char16_t const* name, float& value) = 0;
    virtual bool Read(char16_t const* name, double& value) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::u16string>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<bool>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::int8_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::uint8_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::int16_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::uint16_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::int32_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::uint32_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::int64_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<std::uint64_t>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<float>& values) = 0;
    virtual bool Read(char16_t const* name, std::vector<double>& values) = 0;
    /// @}

protected:
    /// A source is a decoder's class derived from this one.
    FieldSource() = default;
    /// Sources are used where they are made.
    /// @{
    FieldSource(FieldSource const&) = default;
    FieldSource& operator=(FieldSource const&) = default;
    /// @}
};

} // namespace Tarnwick::StubProxy
