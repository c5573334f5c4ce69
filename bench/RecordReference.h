#pragma once

// The order of the records' benchmarks twice: as a record, and as the value
// object a user writes by hand for the same shape (StoreTo node by node,
// InitFrom by name with dynamic_cast into a temporary, then moved in).

#include "stubproxy/OrderRecord.h"

#include <tarnwick/tarnwick.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace RecordBench {

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;
using RecordTest::Line;
using RecordTest::Order;

[[noreturn]] inline void Refuse(char const* source)
{
    throw ServiceException(u"Unsupported service type", source, 1);
}

// The k-th hand-written helper of the trial: a child by name, of one class.
template <class Node> Node& Child(CompositeType& root, std::u16string_view name, char const* source)
{
    auto* node = dynamic_cast<Node*>(root.Find(name));
    if (node == nullptr) {
        Refuse(source);
    }
    return *node;
}

// The tree every hand-written InitFrom reads: a composite, or the read is refused.
inline CompositeType& Composite(ServiceType* tree, char const* source)
{
    auto* root = dynamic_cast<CompositeType*>(tree);
    if (root == nullptr) {
        Refuse(source);
    }
    return *root;
}

class HandLine : public StubProxy::UserParameters {
public:
    std::u16string sku;
    std::int32_t quantity = 0;

    UserParameters* Copy() const override { return new HandLine(*this); }
    ServiceType* StoreTo(char16_t const* name) override
    {
        auto root = std::make_unique<CompositeType>(name != nullptr ? name : u"HandLine");
        root->Add(new ScalarType<std::u16string>(sku, u"sku"));
        root->Add(new ScalarType<std::int32_t>(quantity, u"quantity"));
        return root.release();
    }
    void InitFrom(ServiceType* tree) override
    {
        auto& root = Composite(tree, "HandLine");
        HandLine read;
        read.sku = Child<ScalarType<std::u16string>>(root, u"sku", "HandLine").GetValueRef();
        read.quantity = Child<ScalarType<std::int32_t>>(root, u"quantity", "HandLine").GetValueRef();
        sku = std::move(read.sku);
        quantity = read.quantity;
    }
};

// The order written by hand, with its list of lines or (for the small
// messages, whose order has none) without.
struct NoLines { };

template <bool WithLines> class BasicHandOrder : public StubProxy::UserParameters {
public:
    std::int32_t count = 0;
    std::u16string label;
    std::vector<std::int16_t> codes;
    TimeStamp when;
    std::map<std::u16string, double> prices;
    HandLine first;
    [[no_unique_address]] std::conditional_t<WithLines, std::vector<HandLine>, NoLines> lines;

    UserParameters* Copy() const override { return new BasicHandOrder(*this); }
    ServiceType* StoreTo(char16_t const* name) override
    {
        auto root = std::make_unique<CompositeType>(name != nullptr ? name : u"HandOrder");
        root->Add(new ScalarType<std::int32_t>(count, u"count"));
        root->Add(new ScalarType<std::u16string>(label, u"label"));
        root->Add(new SequenceType<std::int16_t>(codes, u"codes"));
        root->Add(when.StoreTo(u"when"));
        auto* dictionary = new DictionaryType(u"prices");
        root->Add(dictionary);
        std::vector<std::u16string> keys;
        std::vector<double> values;
        for (auto const& [key, value] : prices) {
            keys.push_back(key);
            values.push_back(value);
        }
        dictionary->SetKeys(new SequenceType<std::u16string>(keys, u"keys"));
        dictionary->SetValues(new SequenceType<double>(values, u"values"));
        root->Add(first.StoreTo(u"first"));
        if constexpr (WithLines) {
            auto* items = new CompositeSequenceType(u"lines", new HandLine);
            root->Add(items);
            for (HandLine& line : lines) {
                items->Add(static_cast<CompositeType*>(line.StoreTo(u"item")));
            }
        }
        return root.release();
    }
    void InitFrom(ServiceType* tree) override
    {
        auto& root = Composite(tree, "HandOrder");
        BasicHandOrder read;
        read.count = Child<ScalarType<std::int32_t>>(root, u"count", "HandOrder").GetValueRef();
        read.label = Child<ScalarType<std::u16string>>(root, u"label", "HandOrder").GetValueRef();
        read.codes = Child<SequenceType<std::int16_t>>(root, u"codes", "HandOrder").GetValue();
        read.when.InitFrom(&Child<TimeStampServiceType>(root, u"when", "HandOrder"));
        auto& dictionary = Child<DictionaryType>(root, u"prices", "HandOrder");
        auto const* keys = dynamic_cast<SequenceType<std::u16string> const*>(dictionary.GetKeys());
        auto const* values = dynamic_cast<SequenceType<double> const*>(dictionary.GetValues());
        if (keys == nullptr || values == nullptr || keys->Size() != values->Size()) {
            Refuse("HandOrder");
        }
        for (std::size_t i = 0; i < keys->GetValue().size(); ++i) {
            read.prices.insert_or_assign(keys->GetValue()[i], values->GetValue()[i]);
        }
        read.first.InitFrom(&Child<CompositeType>(root, u"first", "HandOrder"));
        if constexpr (WithLines) {
            auto& items = Child<CompositeSequenceType>(root, u"lines", "HandOrder");
            read.lines.resize(items.Size());
            std::size_t i = 0;
            for (CompositeType* item : items) {
                read.lines[i++].InitFrom(item);
            }
        }
        count = read.count;
        label = std::move(read.label);
        codes = std::move(read.codes);
        when = read.when;
        prices = std::move(read.prices);
        first = std::move(read.first);
        if constexpr (WithLines) {
            lines = std::move(read.lines);
        }
    }
};

using HandOrder = BasicHandOrder<true>;

// The same values in both, with `lineCount` lines.
template <class O> O MakeOrder(std::size_t lineCount)
{
    O order;
    order.count = 42;
    order.label = u"Caf\u00e9 \"Zur Linde\" & <Bar>";
    order.codes = {7, -2, 300};
    order.when.SetUTime(1700000000123456);
    order.prices = {{u"espresso", 2.2}, {u"cr\u00e8me br\u00fbl\u00e9e", 6.75}};
    order.first.sku = u"A-1";
    order.first.quantity = 1;
    order.lines.resize(lineCount);
    for (std::size_t i = 0; i < lineCount; ++i) {
        order.lines[i].sku = u"SKU-" + Utils::Conversion::IntegerToWstring(static_cast<std::int32_t>(i));
        order.lines[i].quantity = static_cast<std::int32_t>(i);
    }
    return order;
}

} // namespace RecordBench
