// Built against the installed library only: its headers, its CMake package or
// its pkg-config file, and libtarnwick.so.
#include <tarnwick/tarnwick.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <typeinfo>
#include <vector>

namespace {

using namespace Tarnwick::DataTypes;

// The type information of the library's classes, its template instantiations
// among them, is the one this program sees: nodes made inside the library cast
// to the classes named here.
bool TreeNodesCrossTheLibraryBoundary()
{
    CompositeType root(u"root");
    root.Add(new ScalarType<std::int32_t>(7, u"count"));
    root.Add(new SequenceType<std::u16string>({u"a"}, u"names"));
    root.Add(new XmlString(u"<x/>", u"xml"));
    root.Add(new TimeStampServiceType(1, u"when"));
    root.Add(new AnyTypeServiceType(new ScalarType<double>(0.5, u"v"), u"any"));
    std::unique_ptr<ServiceType> const copy(root.Copy()); // every node below made by the library
    auto const* tree = dynamic_cast<CompositeType const*>(copy.get());
    if (tree == nullptr || typeid(*tree) != typeid(CompositeType) || tree->Size() != 5) {
        return false;
    }
    auto child = tree->BeginIterator();
    auto const* count = dynamic_cast<ScalarType<std::int32_t> const*>(*child++);
    auto const* names = dynamic_cast<SequenceType<std::u16string> const*>(*child++);
    auto const* xml = dynamic_cast<XmlString const*>(*child);
    auto const* text = dynamic_cast<ScalarType<std::u16string> const*>(*child++);
    ServiceType const* const stamp = *child++;
    auto const* when = dynamic_cast<ScalarType<std::uint64_t> const*>(stamp);
    bool const stampClass = typeid(*stamp) == typeid(TimeStampServiceType);
    auto const* any = dynamic_cast<AnyTypeServiceType const*>(*child);
    return count != nullptr && count->GetValue() == 7 && names != nullptr && names->Size() == 1 && xml != nullptr
        && text == xml && when != nullptr && stampClass && any != nullptr
        && dynamic_cast<ScalarType<double> const*>(any->GetValue()) != nullptr
        && dynamic_cast<ScalarType<std::uint32_t> const*>(count) == nullptr;
}

// The decoder's XML parser is a private dependency of the library: a message
// written by the encoder reads back through the installed package alone.
bool MessagesReadBack()
{
    Tarnwick::ServiceMessage sent;
    sent.SetMsgType(3);
    sent.SetSessionId(42);
    sent.SetOperationName(u"PlaceOrder");
    CompositeType request(u"request");
    request.Add(new ScalarType<std::int32_t>(-7, u"count"));
    request.Add(new SequenceType<double>({0.5, 1e300}, u"prices"));
    std::ostringstream out;
    Tarnwick::Encoding::XmlEncoder::EncodeHeader(out, &sent);
    Tarnwick::Encoding::XmlEncoder::Encode(out, &request, 2);
    Tarnwick::Encoding::XmlEncoder::AppendFooter(out);

    Tarnwick::Encoding::XmlDecoder const decoder(out.str());
    Tarnwick::ServiceMessage received;
    decoder.DecodeHeader(received);
    std::unique_ptr<ServiceType> const tree = decoder.DecodeTree(request);
    auto const* composite = dynamic_cast<CompositeType const*>(tree.get());
    if (!decoder.IsMessage() || received.GetMsgType() != 3 || received.GetSessionId() != 42
        || received.GetOperationName() != u"PlaceOrder" || composite == nullptr || composite->Size() != 2) {
        return false;
    }
    auto child = composite->BeginIterator();
    auto const* count = dynamic_cast<ScalarType<std::int32_t> const*>(*child++);
    auto const* prices = dynamic_cast<SequenceType<double> const*>(*child);
    return count != nullptr && count->GetValue() == -7 && prices != nullptr
        && prices->GetValue() == std::vector<double> {0.5, 1e300};
}

} // namespace

int main()
{
    // The headers seen here and the library loaded must be the same release line,
    // the library no older than the headers.
    std::printf("Tarnwick %s (library %s)\n", TARNWICK_VERSION_STRING, Tarnwick::LibraryVersionString());
    if (Tarnwick::LibraryVersion().Major != TARNWICK_VERSION_MAJOR
        || Tarnwick::LibraryVersion() < Tarnwick::kHeaderVersion) {
        std::puts("the library is older than the headers, or of another major version");
        return 1;
    }
    if (!TreeNodesCrossTheLibraryBoundary()) {
        std::puts("dynamic_cast or typeid failed on a tree node");
        return 1;
    }
    try {
        if (!MessagesReadBack()) {
            std::puts("a message did not read back");
            return 1;
        }
    } catch (Tarnwick::ServiceException const& e) {
        std::puts(e.what());
        return 1;
    }
    try {
        Tarnwick::DataTypes::ServiceType::GetServiceTypeName(static_cast<Tarnwick::DataTypes::ParamType>(35));
    } catch (Tarnwick::ServiceException const& e) {
        auto const text = Tarnwick::Utils::Conversion::WstringToString(e.ToString());
        std::puts(text.c_str());
        return text == "Exception: Tarnwick::DataTypes::ServiceType line 124 - Unsupported type" ? 0 : 1;
    }
    return 1;
}
