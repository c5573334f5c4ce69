// Builds one complete service message, a header and the tree of a record, and
// writes it to standard output as UTF-8 XML.

#include "OrderRequest.h"

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

    // The parameters: a record, stored as a new tree of one node per field.
    OrderRequest order;
    order.count = 42;
    order.label = u"Caf\u00e9 \"Zur Linde\" & <Bar>";
    order.codes = {7, -2, 300};
    order.when.SetCurrentTime(); // the time of the request
    order.prices = {{u"espresso", 2.2}, {u"cr\u00e8me br\u00fbl\u00e9e", 6.75}};
    std::unique_ptr<ServiceType> const request(order.StoreTo(u"request"));

    //! [send]
    try {
        // Header, tree and footer in one call, into a string written out at once.
        std::string xml;
        Encoding::XmlEncoder::EncodeMessage(xml, message, request.get(), 2);
        std::cout << xml << '\n';
    } catch (ServiceException const& e) {
        std::cerr << Utils::Conversion::Utf16ToUtf8(e.ToString()) << '\n';
        return 1;
    }
    //! [send]
    return std::cout.good() ? 0 : 1;
}
