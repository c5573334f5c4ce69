// Value objects: a variant, a time stamp with a duration and an error text,
// each stored into a parameter tree and read back from it.

#include <tarnwick/tarnwick.h>

#include <iostream>
#include <memory>
#include <string>
#include <tuple>

using namespace Tarnwick;
using namespace Tarnwick::DataTypes;

namespace {

//! [contract]
// The value-object contract written by hand: a copy of its own class, a new tree
// of its value, and the value read back from such a tree, refusing another shape
// without changing anything.
class Greeting : public StubProxy::UserParameters {
public:
    std::u16string text;

    UserParameters* Copy() const override { return new Greeting(*this); }
    ServiceType* StoreTo(char16_t const* name) override
    {
        auto root = std::make_unique<CompositeType>(name != nullptr ? name : u"Greeting");
        root->Add(std::make_unique<ScalarType<std::u16string>>(text, u"text"));
        return root.release();
    }
    void InitFrom(ServiceType* tree) override
    {
        auto* root = dynamic_cast<CompositeType*>(tree);
        auto* child = root != nullptr ? dynamic_cast<ScalarType<std::u16string>*>(root->Find(u"text")) : nullptr;
        if (child == nullptr || child->GetType() != STRING) {
            throw ServiceException(u"Not a greeting", "Greeting", 1);
        }
        text = child->GetValueRef();
    }
};

// The same value object as a record: the field list gives all three.
struct GreetingRecord : StubProxy::Record<GreetingRecord> {
    std::u16string text;
    static constexpr auto Fields() { return std::tuple {StubProxy::Field(u"text", &GreetingRecord::text)}; }
};
//! [contract]

} // namespace

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

    Greeting greeting;
    greeting.text = u"hello";
    GreetingRecord record;
    std::unique_ptr<ServiceType> const greetingTree(greeting.StoreTo(nullptr));
    record.InitFrom(greetingTree.get()); // the record reads the hand-written object's tree
    std::unique_ptr<ServiceType> const recordTree(record.StoreTo(u"Greeting"));
    std::string greetingText;
    std::string recordText;
    Encoding::XmlEncoder::Encode(greetingText, greetingTree.get(), 0);
    Encoding::XmlEncoder::Encode(recordText, recordTree.get(), 0);

    std::cout << Utils::Conversion::WstringToString(readBack.Serialize()) << ", "
              << Utils::Conversion::WstringToString(length) << ", "
              << Utils::Conversion::WstringToString(copy.GetError()) << '\n';
    return widened == -5 && readBack.GetUTime() == end.GetUTime() && length == u"00:01:30:00.000000"
            && copy.GetError() == error.GetError() && record.text == u"hello" && greetingText == recordText
        ? 0
        : 1;
}
