// Ten records of assorted members in one translation unit, each instantiated
// (StoreTo, InitFrom, Copy), for the compile time a user pays for them. Built
// alone: cmake --build build/bench --target record_compile_time. Without the
// RECORDS definition it is the umbrella header alone, the baseline.

#include <tarnwick/tarnwick.h>

#ifdef RECORDS

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace CompileTime {

using namespace Tarnwick::DataTypes;
using Tarnwick::StubProxy::Field;
using Tarnwick::StubProxy::Record;

struct Address : Record<Address> {
    std::u16string street;
    std::u16string city;
    std::uint32_t zip = 0;
    static constexpr auto Fields()
    {
        return std::tuple {
            Field(u"street", &Address::street), Field(u"city", &Address::city), Field(u"zip", &Address::zip)};
    }
};
struct Customer : Record<Customer> {
    std::u16string name;
    Address address;
    std::vector<std::u16string> phones;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"name", &Customer::name), Field(u"address", &Customer::address),
            Field(u"phones", &Customer::phones)};
    }
};
struct Item : Record<Item> {
    std::u16string sku;
    std::int32_t quantity = 0;
    double price = 0;
    static constexpr auto Fields()
    {
        return std::tuple {
            Field(u"sku", &Item::sku), Field(u"quantity", &Item::quantity), Field(u"price", &Item::price)};
    }
};
struct Order : Record<Order> {
    std::int64_t id = 0;
    Customer customer;
    std::vector<Item> items;
    TimeStamp placed;
    std::map<std::u16string, double> discounts;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"id", &Order::id), Field(u"customer", &Order::customer),
            Field(u"items", &Order::items), Field(u"placed", &Order::placed), Field(u"discounts", &Order::discounts)};
    }
};
struct Shipment : Record<Shipment> {
    std::int64_t order = 0;
    std::vector<TimeStamp> scans;
    TimeDuration transit;
    std::u16string carrier;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"order", &Shipment::order), Field(u"scans", &Shipment::scans),
            Field(u"transit", &Shipment::transit), Field(u"carrier", &Shipment::carrier)};
    }
};
struct Invoice : Record<Invoice> {
    std::int64_t number = 0;
    std::vector<std::pair<std::int32_t, Item>> lines;
    double total = 0;
    bool paid = false;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"number", &Invoice::number), Field(u"lines", &Invoice::lines),
            Field(u"total", &Invoice::total), Field(u"paid", &Invoice::paid)};
    }
};
struct Settings : Record<Settings> {
    std::map<std::u16string, AnyType> values;
    XmlValue extra;
    std::vector<std::uint8_t> blob;
    static constexpr auto Fields()
    {
        return std::tuple {
            Field(u"values", &Settings::values), Field(u"extra", &Settings::extra), Field(u"blob", &Settings::blob)};
    }
};
struct Event : Record<Event> {
    std::u16string kind;
    AnyType payload;
    TimeStamp at;
    std::int16_t severity = 0;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"kind", &Event::kind), Field(u"payload", &Event::payload), Field(u"at", &Event::at),
            Field(u"severity", &Event::severity)};
    }
};
struct Batch : Record<Batch> {
    std::vector<Event> events;
    std::vector<Order> orders;
    std::uint64_t sequence = 0;
    static constexpr auto Fields()
    {
        return std::tuple {
            Field(u"events", &Batch::events), Field(u"orders", &Batch::orders), Field(u"sequence", &Batch::sequence)};
    }
};
struct Reply : Record<Reply> {
    Tarnwick::StubProxy::UserParametersErrorString error;
    std::vector<float> scores;
    std::vector<bool> flags;
    std::int8_t code = 0;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"error", &Reply::error), Field(u"scores", &Reply::scores),
            Field(u"flags", &Reply::flags), Field(u"code", &Reply::code)};
    }
};

template <class R> std::size_t Use()
{
    R record;
    std::unique_ptr<ServiceType> const tree(record.StoreTo(nullptr));
    record.InitFrom(tree.get());
    return tree->Size() + (record.Clone() != nullptr ? 1 : 0);
}

template <class... R> std::size_t UseAll()
{
    return (Use<R>() + ...);
}

} // namespace CompileTime

std::size_t UseTenRecords()
{
    using namespace CompileTime;
    return UseAll<Address, Customer, Item, Order, Shipment, Invoice, Settings, Event, Batch, Reply>();
}

#endif
