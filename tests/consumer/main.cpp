// Built against the installed library only: its headers, its CMake package or
// its pkg-config file, and libtarnwick.so.
#include <tarnwick/tarnwick.h>

#include <cstdio>
#include <memory>
#include <typeinfo>

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

} // namespace

int main()
{
    if (!TreeNodesCrossTheLibraryBoundary()) {
        std::puts("dynamic_cast or typeid failed on a tree node");
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
