// Reads one service message from standard input (as the message example
// writes it), decodes its header and its parameters into value objects and
// prints what it got.
//
//   message_example | receive_example

#include <tarnwick/tarnwick.h>

#include <cstdint>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;

namespace {

// The receiver's view of the order request: a value object that stores itself
// in the shape the sender writes. That shape is the decoder's prototype, so
// every value comes back with its own kind (the count as INT32, the codes as
// INT16, the time stamp as microseconds, the prices as doubles).
class OrderRequest : public StubProxy::UserParameters {
public:
    std::int32_t Count = 0;
    std::u16string Label;
    std::vector<std::int16_t> Codes;
    TimeStamp When;
    std::vector<std::pair<std::u16string, double>> Prices;

    UserParameters* Copy() const override { return new OrderRequest(*this); }

    ServiceType* StoreTo(char16_t const* name) override
    {
        auto root = std::make_unique<CompositeType>(name != nullptr ? name : u"request");
        root->Add(new ScalarType<std::int32_t>(Count, u"count"));
        root->Add(new ScalarType<std::u16string>(Label, u"label"));
        root->Add(new SequenceType<std::int16_t>(Codes, u"codes"));
        root->Add(When.StoreTo(u"when"));
        auto* prices = new DictionaryType(u"prices");
        root->Add(prices);
        std::vector<std::u16string> keys;
        std::vector<double> values;
        for (auto const& [key, value] : Prices) {
            keys.push_back(key);
            values.push_back(value);
        }
        prices->SetKeys(new SequenceType<std::u16string>(keys, u"keys"));
        prices->SetValues(new SequenceType<double>(values, u"values"));
        return root.release();
    }

    // Reads everything first and assigns at the end, so that a tree of another
    // shape leaves the object as it was.
    void InitFrom(ServiceType* tree) override
    {
        auto* root = dynamic_cast<CompositeType*>(tree);
        if (root == nullptr) {
            Refuse();
        }
        OrderRequest read;
        read.Count = Child<ScalarType<std::int32_t>>(*root, u"count").GetValue();
        read.Label = Child<ScalarType<std::u16string>>(*root, u"label").GetValue();
        read.Codes = Child<SequenceType<std::int16_t>>(*root, u"codes").GetValue();
        read.When.InitFrom(&Child<TimeStampServiceType>(*root, u"when"));
        auto& prices = Child<DictionaryType>(*root, u"prices");
        auto const* keys = dynamic_cast<SequenceType<std::u16string> const*>(prices.GetKeys());
        auto const* values = dynamic_cast<SequenceType<double> const*>(prices.GetValues());
        if (keys == nullptr || values == nullptr || keys->Size() != values->Size()) {
            Refuse();
        }
        for (std::size_t i = 0; i < keys->GetValue().size(); ++i) {
            read.Prices.emplace_back(keys->GetValue()[i], values->GetValue()[i]);
        }
        read.m_ParamName = m_ParamName;
        *this = std::move(read);
    }

private:
    [[noreturn]] static void Refuse() { throw ServiceException(u"Not an order request", "OrderRequest", 1); }

    template <class Node> static Node& Child(CompositeType& root, std::u16string const& name)
    {
        for (auto it = root.BeginIterator(); it != root.EndIterator(); ++it) {
            if ((*it)->GetParamNameRef() == name) {
                if (auto* node = dynamic_cast<Node*>(*it)) {
                    return *node;
                }
            }
        }
        Refuse();
    }
};

// Standard output takes UTF-8; the library's text is UTF-16. Each code unit
// goes through the encoder's own conversion, except a surrogate pair, which
// is one character of four bytes.
std::string Utf8(std::u16string const& text)
{
    std::ostringstream out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool const pair = i + 1 < text.size() && (text[i] & 0xFC00) == 0xD800 && (text[i + 1] & 0xFC00) == 0xDC00;
        if (!pair) {
            Encoding::XmlEncoder::UCS2ToUTF8(out, text[i]);
            continue;
        }
        char32_t const cp = 0x10000 + ((char32_t(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        ++i;
        for (int shift : {18, 12, 6, 0}) {
            out.put(static_cast<char>((shift == 18 ? 0xF0 : 0x80) | ((cp >> shift) & (shift == 18 ? 0x07 : 0x3F))));
        }
    }
    return std::move(out).str();
}

void Print(ServiceMessage const& message, OrderRequest const& request)
{
    std::cout << "header\n"
              << "  MsgType            " << message.GetMsgType() << '\n'
              << "  MsgCorrelationId   " << message.GetMsgCorrelationId() << '\n'
              << "  MsgOrderId         " << message.GetMsgOrderId() << '\n'
              << "  SessionId          " << message.GetSessionId() << '\n'
              << "  ConsumerAddress    " << Utf8(message.GetConsumerAddress()) << '\n'
              << "  ProducerAddress    " << Utf8(message.GetProducerAddress()) << '\n'
              << "  OperationName      " << Utf8(message.GetOperationName()) << '\n'
              << "  ParametersTypeName " << Utf8(message.GetParametersTypeName()) << '\n';
    std::cout << "parameters\n"
              << "  count  " << request.Count << '\n'
              << "  label  " << Utf8(request.Label) << '\n'
              << "  codes ";
    for (auto code : request.Codes) {
        std::cout << ' ' << code;
    }
    std::cout << "\n  when   " << request.When.GetUTime() << " us since 1970 (" << Utf8(request.When.Serialize())
              << " local time)\n"
              << "  prices\n";
    for (auto const& [item, price] : request.Prices) {
        std::cout << "    " << Utf8(item) << ": " << price << '\n';
    }
}

} // namespace

int main()
{
    try {
        // The whole input is parsed, and judged well-formed, once.
        Encoding::XmlDecoder const decoder(std::cin);
        if (!decoder.IsMessage()) {
            std::cerr << "receive_example: the input is not a message\n";
            return 1;
        }
        ServiceMessage message;
        decoder.DecodeHeader(message);
        OrderRequest request;
        decoder.DecodeInto(request); // typed by request.StoreTo(u"request"), then request.InitFrom
        Print(message, request);
    } catch (ServiceException const& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return std::cout.good() ? 0 : 1;
}
