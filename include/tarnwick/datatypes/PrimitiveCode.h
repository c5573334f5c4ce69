#pragma once

#include <tarnwick/datatypes/ParamType.h>

#include <cstdint>
#include <string>

namespace Tarnwick::DataTypes {

/// The scalar code of each of the twelve primitive element types; the sequence
/// code is the scalar code plus 12. Any other type answers NULL_TYPE, which the
/// node templates reject at compile time.
template <class T> inline constexpr ParamType ScalarCodeOf = NULL_TYPE;
template <> inline constexpr ParamType ScalarCodeOf<std::u16string> = STRING;
template <> inline constexpr ParamType ScalarCodeOf<bool> = BOOLEAN;
template <> inline constexpr ParamType ScalarCodeOf<std::int8_t> = INT8;
template <> inline constexpr ParamType ScalarCodeOf<std::uint8_t> = UINT8;
template <> inline constexpr ParamType ScalarCodeOf<std::int16_t> = INT16;
template <> inline constexpr ParamType ScalarCodeOf<std::uint16_t> = UINT16;
template <> inline constexpr ParamType ScalarCodeOf<std::int32_t> = INT32;
template <> inline constexpr ParamType ScalarCodeOf<std::uint32_t> = UINT32;
template <> inline constexpr ParamType ScalarCodeOf<std::int64_t> = INT64;
template <> inline constexpr ParamType ScalarCodeOf<std::uint64_t> = UINT64;
template <> inline constexpr ParamType ScalarCodeOf<float> = FLOAT;
template <> inline constexpr ParamType ScalarCodeOf<double> = DOUBLE;

/// The sequence code of each of the twelve primitive element types (scalar code plus 12).
template <class T> inline constexpr ParamType SequenceCodeOf = static_cast<ParamType>(ScalarCodeOf<T> + 12);

/// One of the twelve element types of `ScalarType` and `SequenceType`.
template <class T>
concept PrimitiveElement = ScalarCodeOf<T>
!= NULL_TYPE;

} // namespace Tarnwick::DataTypes
