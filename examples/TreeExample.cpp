// Builds a parameter tree, copies it and walks it: the first stop of the tour
// in the API reference (docs/mainpage.md quotes the marked parts).

#include <tarnwick/tarnwick.h>

#include <iostream>
#include <memory>

using namespace Tarnwick::DataTypes;

int main()
{
    //! [build]
    CompositeType order(u"order");
    order.Add(new ScalarType<std::int32_t>(3, u"count")); // the composite owns it now
    order.Add(new SequenceType<double>({0.5, 1.5}, u"prices"));
    order.Add(new XmlString(u"<note>rush</note>", u"remark")); // kept as raw markup

    auto* sizes = new DictionaryType(u"sizes");
    sizes->SetKeys(new SequenceType<std::u16string>({u"small", u"large"}, u"keys"));
    sizes->SetValues(new SequenceType<std::int32_t>({250, 500}, u"values"));
    order.Add(sizes);
    //! [build]

    //! [copy]
    std::unique_ptr<ServiceType> const copy(order.Copy()); // deep: every node of its own class
    auto& copied = dynamic_cast<CompositeType&>(*copy);
    dynamic_cast<ScalarType<std::int32_t>*>(*copied.BeginIterator())->SetValue(4); // the original keeps 3
    //! [copy]

    //! [walk]
    for (auto child = order.BeginIterator(); child != order.EndIterator(); ++child) {
        ServiceType const* node = *child;
        std::cout << Tarnwick::Utils::Conversion::WstringToString(node->GetParamName()) << ": "
                  << Tarnwick::Utils::Conversion::WstringToString(ServiceType::GetServiceTypeName(node->GetType()))
                  << ", " << node->Size() << (node->IsLeaf() ? " (leaf)" : "") << '\n';
    }
    //! [walk]

    auto const* count = dynamic_cast<ScalarType<std::int32_t> const*>(*order.BeginIterator());
    auto const* copiedCount = dynamic_cast<ScalarType<std::int32_t> const*>(*copied.BeginIterator());
    return count->GetValue() == 3 && copiedCount->GetValue() == 4 && order.Size() == 4 ? 0 : 1;
}
