// Value objects: a variant, a time stamp with a duration and an error text,
// each stored into a parameter tree and read back from it.

#include <tarnwick/tarnwick.h>

#include <iostream>
#include <memory>

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;

int main()
{
    //! [variant]
    AnyType any = std::int16_t(-5);
    int const widened = any; // an INT16 reads as int
    any = u"text"; // now a STRING
    try {
        unsigned const narrowed = any; // a STRING never reads as a number
        static_cast<void>(narrowed);
    } catch (ServiceException const& e) {
        // "Exception: Tarnwick::DataTypes::AnyType line 333 - Invalid cast: expected UINT32 type."
        std::cout << Utils::Conversion::WstringToString(e.ToString()) << '\n';
    }
    //! [variant]

    //! [time]
    TimeStamp start(2024, 3, 7, 9, 5, 2, 42); // local time
    TimeStamp end = start + TimeDuration(0, 1, 30, 0, 0);
    std::u16string length;
    TimeDuration(end.GetUTime() - start.GetUTime()).Serialize(length); // u"00:01:30:00.000000"
    //! [time]

    //! [store]
    std::unique_ptr<ServiceType> const tree(end.StoreTo(u"end")); // a TimeStampServiceType, caller-owned
    TimeStamp readBack;
    readBack.InitFrom(tree.get());

    StubProxy::UserParametersErrorString error(StubProxy::UserParametersErrorString::NO_RESPONSE_DATA);
    std::unique_ptr<ServiceType> const errorTree(error.StoreTo(nullptr)); // a composite with one child "ErrorString"
    StubProxy::UserParametersErrorString copy;
    copy.InitFrom(errorTree.get());
    //! [store]

    std::cout << Utils::Conversion::WstringToString(readBack.Serialize()) << ", "
              << Utils::Conversion::WstringToString(length) << ", "
              << Utils::Conversion::WstringToString(copy.GetError()) << '\n';
    return widened == -5 && readBack.GetUTime() == end.GetUTime() && length == u"00:01:30:00.000000"
            && copy.GetError() == error.GetError()
        ? 0
        : 1;
}
