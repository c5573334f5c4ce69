// Reads one service message from standard input (as the message example
// writes it), decodes its header and its parameters into value objects and
// prints what it got.
//
//   message_example | receive_example

#include "OrderRequest.h"

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
              << "  count  " << request.count << '\n'
              << "  label  " << Utf8(request.label) << '\n'
              << "  codes ";
    for (auto code : request.codes) {
        std::cout << ' ' << code;
    }
    std::cout << "\n  when   " << request.when.GetUTime() << " us since 1970 (" << Utf8(request.when.Serialize())
              << " local time)\n"
              << "  prices\n";
    for (auto const& [item, price] : request.prices) {
        std::cout << "    " << Utf8(item) << ": " << price << '\n';
    }
}

} // namespace

int main()
{
    try {
        //! [receive]
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
        //! [receive]
        Print(message, request);
    } catch (ServiceException const& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return std::cout.good() ? 0 : 1;
}
