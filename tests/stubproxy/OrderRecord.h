#pragma once

// The order record the record tests check and the record benchmarks measure:
// a line of two fields, and an order of every common member kind with one line
// and a list of lines. It stays in the tests' namespace, because their refusal
// messages name the type with it.

#include <tarnwick/tarnwick.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace RecordTest {

struct Line : Tarnwick::StubProxy::Record<Line> {
    std::u16string sku;
    std::int32_t quantity = 0;
    static constexpr auto Fields()
    {
        using Tarnwick::StubProxy::Field;
        return std::tuple {Field(u"sku", &Line::sku), Field(u"quantity", &Line::quantity)};
    }
};

struct Order : Tarnwick::StubProxy::Record<Order> {
    std::int32_t count = 0;
    std::u16string label;
    std::vector<std::int16_t> codes;
    Tarnwick::DataTypes::TimeStamp when;
    std::map<std::u16string, double> prices;
    Line first;
    std::vector<Line> lines;
    static constexpr auto Fields()
    {
        using Tarnwick::StubProxy::Field;
        return std::tuple {Field(u"count", &Order::count), Field(u"label", &Order::label),
            Field(u"codes", &Order::codes), Field(u"when", &Order::when), Field(u"prices", &Order::prices),
            Field(u"first", &Order::first), Field(u"lines", &Order::lines)};
    }
};

} // namespace RecordTest
