#pragma once

// The order request both message examples use: declared once, as a record, so
// that the sender stores it and the receiver reads it by the same field list.

#include <tarnwick/tarnwick.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

//! [record]
struct OrderRequest : Tarnwick::StubProxy::Record<OrderRequest> {
    std::int32_t count = 0;
    std::u16string label;
    std::vector<std::int16_t> codes;
    Tarnwick::DataTypes::TimeStamp when;
    std::vector<std::pair<std::u16string, double>> prices; // a dictionary, in the order sent

    // One field per member, in element order: StoreTo, InitFrom, Copy and Clone come from it.
    static constexpr auto Fields()
    {
        using Tarnwick::StubProxy::Field;
        return std::tuple {Field(u"count", &OrderRequest::count), Field(u"label", &OrderRequest::label),
            Field(u"codes", &OrderRequest::codes), Field(u"when", &OrderRequest::when),
            Field(u"prices", &OrderRequest::prices)};
    }
};
//! [record]
