#pragma once

// The small-message benchmarks' workload and peers: a 501-byte request (an
// integer, an escaped text, a sequence, a double, a 64-bit stamp) and an order
// of about 800 bytes (an integer, an escaped text, a short sequence, a time
// stamp, a three-entry dictionary, a nested line of two fields), each as a
// value object written by hand and as a record, each sent through the library
// (StoreTo, EncodeMessage, XmlDecoder, DecodeHeader, DecodeInto) and, into the
// very same hand-written object, by hand with pugixml (a DOM built, saved to a
// string, parsed, walked) and with nlohmann::json (dump, parse, read).

#include "RecordReference.h"
#include "TextReading.h"

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SmallMessages {

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;
using BenchText::Number;
using BenchText::Utf16;
using RecordBench::Child;
using RecordBench::Line;
using Tarnwick::StubProxy::Field;
using Tarnwick::StubProxy::Record;

// ---- the two messages, as records and by hand ----

struct Request : Record<Request> {
    std::int32_t count = 0;
    std::u16string note;
    std::vector<std::int32_t> values;
    double ratio = 0;
    std::int64_t stamp = 0;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"count", &Request::count), Field(u"note", &Request::note),
            Field(u"values", &Request::values), Field(u"ratio", &Request::ratio), Field(u"stamp", &Request::stamp)};
    }
};

struct Order : Record<Order> {
    std::int32_t count = 0;
    std::u16string label;
    std::vector<std::int16_t> codes;
    TimeStamp when;
    std::map<std::u16string, double> prices;
    Line first;
    static constexpr auto Fields()
    {
        return std::tuple {Field(u"count", &Order::count), Field(u"label", &Order::label),
            Field(u"codes", &Order::codes), Field(u"when", &Order::when), Field(u"prices", &Order::prices),
            Field(u"first", &Order::first)};
    }
};

class HandRequest : public StubProxy::UserParameters {
public:
    std::int32_t count = 0;
    std::u16string note;
    std::vector<std::int32_t> values;
    double ratio = 0;
    std::int64_t stamp = 0;

    UserParameters* Copy() const override { return new HandRequest(*this); }
    ServiceType* StoreTo(char16_t const* name) override
    {
        auto root = std::make_unique<CompositeType>(name != nullptr ? name : u"HandRequest");
        root->Add(new ScalarType<std::int32_t>(count, u"count"));
        root->Add(new ScalarType<std::u16string>(note, u"note"));
        root->Add(new SequenceType<std::int32_t>(values, u"values"));
        root->Add(new ScalarType<double>(ratio, u"ratio"));
        root->Add(new ScalarType<std::int64_t>(stamp, u"stamp"));
        return root.release();
    }
    void InitFrom(ServiceType* tree) override
    {
        auto& root = RecordBench::Composite(tree, "HandRequest");
        HandRequest read;
        read.count = Child<ScalarType<std::int32_t>>(root, u"count", "HandRequest").GetValueRef();
        read.note = Child<ScalarType<std::u16string>>(root, u"note", "HandRequest").GetValueRef();
        read.values = Child<SequenceType<std::int32_t>>(root, u"values", "HandRequest").GetValue();
        read.ratio = Child<ScalarType<double>>(root, u"ratio", "HandRequest").GetValueRef();
        read.stamp = Child<ScalarType<std::int64_t>>(root, u"stamp", "HandRequest").GetValueRef();
        count = read.count;
        note = std::move(read.note);
        values = std::move(read.values);
        ratio = read.ratio;
        stamp = read.stamp;
    }
};

// The order without lines: the 813-byte message.
using HandOrder = RecordBench::BasicHandOrder<false>;

// ---- the same values in both forms, and their comparison ----

template <class R> R MakeRequest()
{
    R request;
    request.count = 12;
    request.note = u"Caf\u00e9 \"Zur Linde\" & <Bar>";
    request.values = {7, 4, 8};
    request.ratio = 0.5;
    request.stamp = 1700000000123456789;
    return request;
}

template <class O> O MakeOrder()
{
    O order;
    order.count = 42;
    order.label = u"Caf\u00e9 \"Zur Linde\" & <Bar>";
    order.codes = {7, -2, 30, 12};
    order.when.SetUTime(1700000000123456);
    order.prices = {{u"espresso", 2.2}, {u"cr\u00e8me", 6.75}, {u"tea & milk", 0.5}};
    order.first.sku = u"A-1";
    order.first.quantity = 3;
    return order;
}

template <class A, class B> bool SameRequest(A const& a, B const& b)
{
    return a.count == b.count && a.note == b.note && a.values == b.values && a.ratio == b.ratio && a.stamp == b.stamp;
}

template <class A, class B> bool SameOrder(A const& a, B const& b)
{
    return a.count == b.count && a.label == b.label && a.codes == b.codes && a.when.GetUTime() == b.when.GetUTime()
        && a.prices == b.prices && a.first.sku == b.first.sku && a.first.quantity == b.first.quantity;
}

inline ServiceMessage MakeHeader(char16_t const* operation, char16_t const* type)
{
    ServiceMessage header;
    header.SetMsgType(3);
    header.SetMsgCorrelationId(81234);
    header.SetMsgOrderId(17);
    header.SetSessionId(4242);
    header.SetConsumerAddress(u"tcp://till7:7001");
    header.SetProducerAddress(u"tcp://orders:7000");
    header.SetOperationName(operation);
    header.SetParametersTypeName(type);
    return header;
}

inline bool SameHeader(ServiceMessage const& a, ServiceMessage const& b)
{
    return a.GetMsgType() == b.GetMsgType() && a.GetMsgCorrelationId() == b.GetMsgCorrelationId()
        && a.GetMsgOrderId() == b.GetMsgOrderId() && a.GetSessionId() == b.GetSessionId()
        && a.GetConsumerAddress() == b.GetConsumerAddress() && a.GetProducerAddress() == b.GetProducerAddress()
        && a.GetOperationName() == b.GetOperationName() && a.GetParametersTypeName() == b.GetParametersTypeName();
}

/// The element the parameters are written under.
inline constexpr char16_t kRequestElement[] = u"request";
inline constexpr char16_t kOrderElement[] = u"order";
/// The encoder's indentation of the parameter element.
inline constexpr std::int32_t kIndent = 0;

// ---- the library's steps ----

/// Value object to text: StoreTo, then EncodeMessage.
template <class V> void EncodeTarnwick(std::string& text, ServiceMessage const& header, V& value, char16_t const* name)
{
    std::unique_ptr<ServiceType> const tree(value.StoreTo(name));
    Encoding::XmlEncoder::EncodeMessage(text, header, tree.get(), kIndent);
}

/// Text to header and value object: parse, DecodeHeader, DecodeInto.
template <class V> void DecodeTarnwick(std::string_view text, ServiceMessage& header, V& value)
{
    Encoding::XmlDecoder const decoder(text);
    decoder.DecodeHeader(header);
    decoder.DecodeInto(value);
}

// ---- what the peers share: UTF-8 and UTF-16, numbers ----

inline void AppendUtf8(std::string& out, std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
}

inline std::string Utf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    AppendUtf8(out, text);
    return out;
}

/// The shortest text that reads back as `value`, as the encoder writes numbers.
template <class T> std::string Text(T value)
{
    char buffer[32];
    auto const end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

// ---- pugixml by hand: the same document built, saved, parsed and walked ----

struct StringWriter : pugi::xml_writer {
    std::string& text;
    explicit StringWriter(std::string& text)
        : text(text)
    { }
    void write(void const* data, std::size_t size) override { text.append(static_cast<char const*>(data), size); }
};

inline void SetText(pugi::xml_node parent, char const* name, std::string const& value)
{
    parent.append_child(name).append_child(pugi::node_pcdata).set_value(value.c_str());
}

inline pugi::xml_node BuildPugixmlHeader(pugi::xml_document& document, ServiceMessage const& header)
{
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node msg = document.append_child("msg");
    msg.append_attribute("MsgType") = Text(header.GetMsgType() & 0xFF).c_str();
    msg.append_attribute("MsgCorrelationId") = Text(header.GetMsgCorrelationId()).c_str();
    msg.append_attribute("MsgOrderId") = Text(header.GetMsgOrderId()).c_str();
    msg.append_attribute("SessionId") = Text(header.GetSessionId()).c_str();
    msg.append_attribute("ConsumerAddress") = Utf8(header.GetConsumerAddress()).c_str();
    msg.append_attribute("ProducerAddress") = Utf8(header.GetProducerAddress()).c_str();
    msg.append_attribute("OperationName") = Utf8(header.GetOperationName()).c_str();
    msg.append_attribute("ParametersTypeName") = Utf8(header.GetParametersTypeName()).c_str();
    return msg;
}

inline void SavePugixml(pugi::xml_document const& document, std::string& text)
{
    text.clear();
    StringWriter writer(text);
    document.save(writer, " ", pugi::format_indent | pugi::format_no_declaration);
}

template <class T> void SetItems(pugi::xml_node parent, char const* name, std::vector<T> const& values)
{
    pugi::xml_node sequence = parent.append_child(name);
    for (T const value : values) {
        SetText(sequence, "item", Text(value));
    }
}

inline void EncodePugixml(std::string& text, ServiceMessage const& header, HandRequest const& request)
{
    pugi::xml_document document;
    pugi::xml_node root = BuildPugixmlHeader(document, header).append_child("request");
    SetText(root, "count", Text(request.count));
    SetText(root, "note", Utf8(request.note));
    SetItems(root, "values", request.values);
    SetText(root, "ratio", Text(request.ratio));
    SetText(root, "stamp", Text(request.stamp));
    SavePugixml(document, text);
}

inline void EncodePugixml(std::string& text, ServiceMessage const& header, HandOrder const& order)
{
    pugi::xml_document document;
    pugi::xml_node root = BuildPugixmlHeader(document, header).append_child("order");
    SetText(root, "count", Text(order.count));
    SetText(root, "label", Utf8(order.label));
    SetItems(root, "codes", order.codes);
    SetText(root, "when", Text(order.when.GetUTime()));
    pugi::xml_node prices = root.append_child("prices");
    for (auto const& [key, value] : order.prices) {
        pugi::xml_node item = prices.append_child("item");
        SetText(item, "key", Utf8(key));
        SetText(item, "value", Text(value));
    }
    pugi::xml_node first = root.append_child("first");
    SetText(first, "sku", Utf8(order.first.sku));
    SetText(first, "quantity", Text(order.first.quantity));
    SavePugixml(document, text);
}

inline std::string_view ChildText(pugi::xml_node node)
{
    return node.child_value();
}

inline void WalkPugixmlHeader(pugi::xml_node msg, ServiceMessage& header)
{
    header.SetMsgType(Number<std::int32_t>(msg.attribute("MsgType").value()));
    header.SetMsgCorrelationId(Number<std::uint32_t>(msg.attribute("MsgCorrelationId").value()));
    header.SetMsgOrderId(Number<std::uint32_t>(msg.attribute("MsgOrderId").value()));
    header.SetSessionId(Number<std::uint32_t>(msg.attribute("SessionId").value()));
    header.SetConsumerAddress(Utf16(msg.attribute("ConsumerAddress").value()));
    header.SetProducerAddress(Utf16(msg.attribute("ProducerAddress").value()));
    header.SetOperationName(Utf16(msg.attribute("OperationName").value()));
    header.SetParametersTypeName(Utf16(msg.attribute("ParametersTypeName").value()));
}

template <class T> std::vector<T> Items(pugi::xml_node sequence)
{
    std::vector<T> values;
    for (pugi::xml_node item = sequence.first_child(); item; item = item.next_sibling()) {
        values.push_back(Number<T>(ChildText(item)));
    }
    return values;
}

/// pugixml's parse from a copy of the text, as the decoder's.
inline bool ParsePugixml(pugi::xml_document& document, std::string_view text)
{
    return static_cast<bool>(document.load_buffer(text.data(), text.size()));
}

inline void WalkPugixml(pugi::xml_document const& document, ServiceMessage& header, HandRequest& request)
{
    pugi::xml_node const msg = document.document_element();
    WalkPugixmlHeader(msg, header);
    pugi::xml_node const root = msg.first_child();
    request.count = Number<std::int32_t>(ChildText(root.child("count")));
    request.note = Utf16(ChildText(root.child("note")));
    request.values = Items<std::int32_t>(root.child("values"));
    request.ratio = Number<double>(ChildText(root.child("ratio")));
    request.stamp = Number<std::int64_t>(ChildText(root.child("stamp")));
}

inline void WalkPugixml(pugi::xml_document const& document, ServiceMessage& header, HandOrder& order)
{
    pugi::xml_node const msg = document.document_element();
    WalkPugixmlHeader(msg, header);
    pugi::xml_node const root = msg.first_child();
    order.count = Number<std::int32_t>(ChildText(root.child("count")));
    order.label = Utf16(ChildText(root.child("label")));
    order.codes = Items<std::int16_t>(root.child("codes"));
    order.when.SetUTime(Number<std::uint64_t>(ChildText(root.child("when"))));
    order.prices.clear();
    for (pugi::xml_node item = root.child("prices").first_child(); item; item = item.next_sibling()) {
        order.prices.insert_or_assign(
            Utf16(ChildText(item.child("key"))), Number<double>(ChildText(item.child("value"))));
    }
    pugi::xml_node const first = root.child("first");
    order.first.sku = Utf16(ChildText(first.child("sku")));
    order.first.quantity = Number<std::int32_t>(ChildText(first.child("quantity")));
}

template <class V> void DecodePugixml(std::string_view text, ServiceMessage& header, V& value)
{
    pugi::xml_document document;
    ParsePugixml(document, text);
    WalkPugixml(document, header, value);
}

// ---- nlohmann::json by hand: the same fields dumped and parsed ----

inline nlohmann::json JsonHeader(ServiceMessage const& header)
{
    return {{"MsgType", header.GetMsgType() & 0xFF}, {"MsgCorrelationId", header.GetMsgCorrelationId()},
        {"MsgOrderId", header.GetMsgOrderId()}, {"SessionId", header.GetSessionId()},
        {"ConsumerAddress", Utf8(header.GetConsumerAddress())}, {"ProducerAddress", Utf8(header.GetProducerAddress())},
        {"OperationName", Utf8(header.GetOperationName())},
        {"ParametersTypeName", Utf8(header.GetParametersTypeName())}};
}

inline void EncodeJson(std::string& text, ServiceMessage const& header, HandRequest const& request)
{
    nlohmann::json message = JsonHeader(header);
    message["request"] = {{"count", request.count}, {"note", Utf8(request.note)}, {"values", request.values},
        {"ratio", request.ratio}, {"stamp", request.stamp}};
    text = message.dump();
}

inline void EncodeJson(std::string& text, ServiceMessage const& header, HandOrder const& order)
{
    nlohmann::json message = JsonHeader(header);
    nlohmann::json prices = nlohmann::json::object();
    for (auto const& [key, value] : order.prices) {
        prices[Utf8(key)] = value;
    }
    message["order"] = {{"count", order.count}, {"label", Utf8(order.label)}, {"codes", order.codes},
        {"when", order.when.GetUTime()}, {"prices", std::move(prices)},
        {"first", {{"sku", Utf8(order.first.sku)}, {"quantity", order.first.quantity}}}};
    text = message.dump();
}

inline std::u16string JsonText(nlohmann::json const& value)
{
    return Utf16(value.get_ref<std::string const&>());
}

inline void ReadJsonHeader(nlohmann::json const& message, ServiceMessage& header)
{
    header.SetMsgType(message.at("MsgType").get<std::int32_t>());
    header.SetMsgCorrelationId(message.at("MsgCorrelationId").get<std::uint32_t>());
    header.SetMsgOrderId(message.at("MsgOrderId").get<std::uint32_t>());
    header.SetSessionId(message.at("SessionId").get<std::uint32_t>());
    header.SetConsumerAddress(JsonText(message.at("ConsumerAddress")));
    header.SetProducerAddress(JsonText(message.at("ProducerAddress")));
    header.SetOperationName(JsonText(message.at("OperationName")));
    header.SetParametersTypeName(JsonText(message.at("ParametersTypeName")));
}

inline void DecodeJson(std::string_view text, ServiceMessage& header, HandRequest& request)
{
    nlohmann::json const message = nlohmann::json::parse(text);
    ReadJsonHeader(message, header);
    nlohmann::json const& root = message.at("request");
    request.count = root.at("count").get<std::int32_t>();
    request.note = JsonText(root.at("note"));
    request.values = root.at("values").get<std::vector<std::int32_t>>();
    request.ratio = root.at("ratio").get<double>();
    request.stamp = root.at("stamp").get<std::int64_t>();
}

inline void DecodeJson(std::string_view text, ServiceMessage& header, HandOrder& order)
{
    nlohmann::json const message = nlohmann::json::parse(text);
    ReadJsonHeader(message, header);
    nlohmann::json const& root = message.at("order");
    order.count = root.at("count").get<std::int32_t>();
    order.label = JsonText(root.at("label"));
    order.codes = root.at("codes").get<std::vector<std::int16_t>>();
    order.when.SetUTime(root.at("when").get<std::uint64_t>());
    order.prices.clear();
    for (auto const& [key, value] : root.at("prices").items()) {
        order.prices.insert_or_assign(Utf16(key), value.get<double>());
    }
    nlohmann::json const& first = root.at("first");
    order.first.sku = JsonText(first.at("sku"));
    order.first.quantity = first.at("quantity").get<std::int32_t>();
}

// ---- the steps, named for both programs ----

/// One measured piece of work; `run` repeats it on the fixture's state.
struct Step {
    std::string name;
    std::function<void()> run;
};

/// One message in every form, with what each step starts from, prepared once.
template <class HandValue, class RecordValue> struct Fixture {
    char16_t const* element;
    ServiceMessage header;
    HandValue hand;
    RecordValue record;
    std::string text;
    std::string json;
    std::unique_ptr<ServiceType> handTree;
    std::unique_ptr<ServiceType> recordTree;
    std::optional<Encoding::XmlDecoder> decoder;
    pugi::xml_document document;
    // What the decoding steps write into.
    ServiceMessage headerOut;
    HandValue handOut;
    RecordValue recordOut;
    std::string textOut;

    Fixture(char16_t const* element, ServiceMessage header, HandValue hand, RecordValue record)
        : element(element)
        , header(std::move(header))
        , hand(std::move(hand))
        , record(std::move(record))
    {
        EncodeTarnwick(text, this->header, this->hand, element);
        EncodeJson(json, this->header, this->hand);
        handTree.reset(this->hand.StoreTo(element));
        recordTree.reset(this->record.StoreTo(element));
        decoder.emplace(text);
        ParsePugixml(document, text);
    }
};

template <class F> void AddSteps(std::vector<Step>& steps, std::string const& message, F& f)
{
    auto add = [&](std::string name, std::function<void()> run) {
        steps.push_back(Step {message + "." + std::move(name), std::move(run)});
    };
    auto tarnwick = [&](std::string const& form, auto& value, auto& tree, auto& out) {
        add(form + ".StoreTo", [&] { std::unique_ptr<ServiceType> const stored(value.StoreTo(f.element)); });
        add(form + ".EncodeMessage",
            [&] { Encoding::XmlEncoder::EncodeMessage(f.textOut, f.header, tree.get(), kIndent); });
        add(form + ".encode", [&] { EncodeTarnwick(f.textOut, f.header, value, f.element); });
        add(form + ".DecodeInto", [&] { f.decoder->DecodeInto(out); });
        add(form + ".decode", [&] { DecodeTarnwick(f.text, f.headerOut, out); });
        add(form + ".roundtrip", [&] {
            std::string text;
            EncodeTarnwick(text, f.header, value, f.element);
            DecodeTarnwick(text, f.headerOut, out);
        });
    };
    add("XmlDecoder", [&] { Encoding::XmlDecoder const decoder(f.text); });
    add("DecodeHeader", [&] { f.decoder->DecodeHeader(f.headerOut); });
    tarnwick("hand", f.hand, f.handTree, f.handOut);
    tarnwick("record", f.record, f.recordTree, f.recordOut);
    add("pugixml.encode", [&] { EncodePugixml(f.textOut, f.header, f.hand); });
    add("pugixml.parse", [&] {
        pugi::xml_document document;
        ParsePugixml(document, f.text);
    });
    add("pugixml.walk", [&] { WalkPugixml(f.document, f.headerOut, f.handOut); });
    add("pugixml.decode", [&] { DecodePugixml(f.text, f.headerOut, f.handOut); });
    add("pugixml.roundtrip", [&] {
        std::string text;
        EncodePugixml(text, f.header, f.hand);
        DecodePugixml(text, f.headerOut, f.handOut);
    });
    add("json.encode", [&] { EncodeJson(f.textOut, f.header, f.hand); });
    add("json.decode", [&] { DecodeJson(f.json, f.headerOut, f.handOut); });
    add("json.roundtrip", [&] {
        std::string text;
        EncodeJson(text, f.header, f.hand);
        DecodeJson(text, f.headerOut, f.handOut);
    });
}

using RequestFixture = Fixture<HandRequest, Request>;
using OrderFixture = Fixture<HandOrder, Order>;

/// Both messages and all their steps; the steps refer to the fixtures, which must outlive them.
struct Workload {
    RequestFixture request {
        kRequestElement, MakeHeader(u"Quote", u"Request"), MakeRequest<HandRequest>(), MakeRequest<Request>()};
    OrderFixture order {kOrderElement, MakeHeader(u"PlaceOrder", u"Order"), MakeOrder<HandOrder>(), MakeOrder<Order>()};
    std::vector<Step> steps;

    Workload()
    {
        AddSteps(steps, "request", request);
        AddSteps(steps, "order", order);
    }
    Workload(Workload const&) = delete;
    Workload& operator=(Workload const&) = delete;
};

} // namespace SmallMessages
