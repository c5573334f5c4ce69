// Builds one complete service message, a header and a parameter tree, and
// writes it to standard output as UTF-8 XML.

#include <tarnwick/tarnwick.h>

#include <iostream>
#include <memory>
#include <string>

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;

int main()
{
    //! [header]
    ServiceMessage message;
    message.SetMsgType(3);
    message.SetMsgCorrelationId(17);
    message.SetMsgOrderId(1);
    message.SetSessionId(42);
    message.SetConsumerAddress(u"client-1");
    message.SetProducerAddress(u"svc&co");
    message.SetOperationName(u"PlaceOrder");
    message.SetParametersTypeName(u"OrderRequest");
    //! [header]

    // The composite owns every node added to it.
    CompositeType request(u"request");
    request.Add(std::make_unique<ScalarType<std::int32_t>>(42, u"count"));
    request.Add(std::make_unique<ScalarType<std::u16string>>(u"Caf\u00e9 \"Zur Linde\" & <Bar>", u"label"));
    request.Add(std::make_unique<SequenceType<std::int16_t>>(std::vector<std::int16_t> {7, -2, 300}, u"codes"));

    // A value object stores itself as a new node: the time of the request.
    TimeStamp now;
    now.SetCurrentTime();
    request.Add(now.StoreTo(u"when"));

    auto prices = std::make_unique<DictionaryType>(u"prices");
    prices->SetKeys(std::make_unique<SequenceType<std::u16string>>(
        std::vector<std::u16string> {u"espresso", u"cr\u00e8me br\u00fbl\u00e9e"}, u"keys"));
    prices->SetValues(std::make_unique<SequenceType<double>>(std::vector<double> {2.2, 6.75}, u"values"));
    request.Add(std::move(prices));

    //! [send]
    try {
        // Header, tree and footer in one call, into a string written out at once.
        std::string xml;
        Encoding::XmlEncoder::EncodeMessage(xml, message, &request, 2);
        std::cout << xml << '\n';
    } catch (ServiceException const& e) {
        std::cerr << Utils::Conversion::Utf16ToUtf8(e.ToString()) << '\n';
        return 1;
    }
    //! [send]
    return std::cout.good() ? 0 : 1;
}
