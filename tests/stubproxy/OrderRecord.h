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
#include <utility>
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

inline Line MakeLine(std::u16string sku, std::int32_t quantity)
{
    Line line;
    line.sku = std::move(sku);
    line.quantity = quantity;
    return line;
}

/// The order whose texts the record tests know.
inline Order MakeOrder()
{
    Order order;
    order.count = 42;
    order.label = u"Caf\u00e9 & <Bar>";
    order.codes = {7, -2, 300};
    order.when.SetUTime(1700000000123456);
    order.prices = {{u"espresso", 2.2}, {u"tea", 1.5}};
    order.first = MakeLine(u"A-1", 1);
    order.lines = {MakeLine(u"B-2", 2), MakeLine(u"C-3", 3), MakeLine(u"D-4", 4)};
    return order;
}

} // namespace RecordTest
