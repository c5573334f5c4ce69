// Writes the contract of the example message as an XML Schema document, for
// peers that check messages with a standard validator (xmllint --schema, Java's
// javax.xml.validation, Python's lxml), and shows the refusal of a shape that a
// schema cannot describe.

#include <tarnwick/tarnwick.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;

int main()
{
    // The shape of the message example's parameters: the values do not matter.
    CompositeType request(u"request");
    request.Add(std::make_unique<ScalarType<std::int32_t>>(0, u"count"));
    request.Add(std::make_unique<ScalarType<std::u16string>>(u"", u"label"));
    request.Add(std::make_unique<SequenceType<std::int16_t>>(std::vector<std::int16_t> {}, u"codes"));
    request.Add(TimeStamp().StoreTo(u"when"));
    auto prices = std::make_unique<DictionaryType>(u"prices");
    prices->SetKeys(std::make_unique<SequenceType<std::u16string>>(std::vector<std::u16string> {}, u"keys"));
    prices->SetValues(std::make_unique<SequenceType<double>>(std::vector<double> {}, u"values"));
    request.Add(std::move(prices));

    //! [schema]
    // The msg element, its eight header attributes and the request element.
    Encoding::XmlSchema::WriteMessage(std::cout, request);
    //! [schema]

    // Two children of one name but of different kinds have no schema.
    CompositeType odd(u"odd");
    odd.Add(std::make_unique<ScalarType<std::int32_t>>(1, u"x"));
    odd.Add(std::make_unique<ScalarType<bool>>(true, u"x"));
    std::ostringstream ignored;
    try {
        Encoding::XmlSchema::Write(ignored, odd);
        return 1;
    } catch (ServiceException const& e) {
        std::cerr << Utils::Conversion::Utf16ToUtf8(e.ToString()) << '\n';
    }
    return std::cout.good() && ignored.str().empty() ? 0 : 1;
}
