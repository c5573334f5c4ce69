#pragma once

#include <cstdint>

namespace Tarnwick::DataTypes {

/// The node type codes. The numbers are part of the interface and never change;
/// the sequence code of a primitive is its scalar code plus 12.
enum ParamType : std::int32_t {
    NULL_TYPE = 0,
    COMPOSITE = 1,
    STRING = 2,
    BOOLEAN = 3,
    INT8 = 4,
    UINT8 = 5,
    INT16 = 6,
    UINT16 = 7,
    INT32 = 8,
    UINT32 = 9,
    INT64 = 10,
    UINT64 = 11,
    FLOAT = 12,
    DOUBLE = 13,
    STRING_SEQUENCE = 14,
    BOOLEAN_SEQUENCE = 15,
    INT8_SEQUENCE = 16,
    UINT8_SEQUENCE = 17,
    INT16_SEQUENCE = 18,
    UINT16_SEQUENCE = 19,
    INT32_SEQUENCE = 20,
    UINT32_SEQUENCE = 21,
    INT64_SEQUENCE = 22,
    UINT64_SEQUENCE = 23,
    FLOAT_SEQUENCE = 24,
    DOUBLE_SEQUENCE = 25,
    COMPOSITE_SEQUENCE = 26,
    DICTIONARY = 27,
    ANY_TYPE = 28,
    ANY_TYPE_SEQUENCE = 29,
    XML_STRING = 30,
    TIME_STAMP = 31,
    TIME_STAMP_SEQUENCE = 32,
    TIME_DURATION = 33,
    TIME_DURATION_SEQUENCE = 34
};

} // namespace Tarnwick::DataTypes
