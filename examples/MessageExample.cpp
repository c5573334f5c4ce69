// Builds one complete service message, a header and a parameter tree, and
// writes it to standard output as UTF-8 XML.

#include <tarnwick/tarnwick.h>

#include <iostream>

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
    request.Add(new ScalarType<std::int32_t>(42, u"count"));
    request.Add(new ScalarType<std::u16string>(u"Caf\u00e9 \"Zur Linde\" & <Bar>", u"label"));
    request.Add(new SequenceType<std::int16_t>({7, -2, 300}, u"codes"));

    // A value object stores itself as a new node: the time of the request.
    TimeStamp now;
    now.SetCurrentTime();
    request.Add(now.StoreTo(u"when"));

    auto* prices = new DictionaryType(u"prices");
    prices->SetKeys(new SequenceType<std::u16string>({u"espresso", u"cr\u00e8me br\u00fbl\u00e9e"}, u"keys"));
    prices->SetValues(new SequenceType<double>({2.2, 6.75}, u"values"));
    request.Add(prices);

    //! [send]
    try {
        Encoding::XmlEncoder::EncodeHeader(std::cout, &message);
        Encoding::XmlEncoder::Encode(std::cout, &request, 2);
        Encoding::XmlEncoder::AppendFooter(std::cout);
        std::cout << '\n';
    } catch (ServiceException const& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    //! [send]
    return std::cout.good() ? 0 : 1;
}
