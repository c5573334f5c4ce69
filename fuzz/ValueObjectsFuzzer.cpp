// The value objects on input they do not control: AnyType written with a value
// of one kind and read as every kind, and InitFrom of every value object on
// trees built from the fuzz input. A refusal must be a ServiceException that
// leaves the object usable; nothing may crash or leak, and a value stored with
// StoreTo must read back the same.

#include "FuzzSupport.h"
#include "TreeBuilder.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/stubproxy/AnyType.h>
#include <tarnwick/stubproxy/TimeDuration.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/stubproxy/UserParametersErrorString.h>
#include <tarnwick/stubproxy/UserParametersSubscribeEvent.h>
#include <tarnwick/stubproxy/XmlValue.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Tarnwick::DataTypes;
using Tarnwick::StubProxy::UserParameters;

// Values compare equal, NaN to NaN.
template <class T> bool Same(T const& a, T const& b)
{
    if constexpr (std::is_floating_point_v<T>) {
        return (std::isnan(a) && std::isnan(b)) || a == b;
    } else if constexpr (std::is_same_v<T, std::vector<float>> || std::is_same_v<T, std::vector<double>>) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (!Same(a[i], b[i])) {
                return false;
            }
        }
        return true;
    } else {
        return a == b;
    }
}

// Reads the variant as `T`: a value or a ServiceException, nothing else.
template <class T> void ReadAs(AnyType const& any)
{
    T out {};
    try {
        any.GetValue(out);
    } catch (Tarnwick::ServiceException const&) { }
}

template <class Written> void WriteAndReadEveryKind(Fuzz::Input& input)
{
    Written value {};
    if constexpr (std::is_same_v<Written, std::u16string>) {
        value = input.Text();
    } else if constexpr (std::is_same_v<Written, bool>) {
        value = (input.Byte() & 1) != 0;
    } else {
        value = input.Value<Written>();
    }
    AnyType any(value);
    Written back {};
    any.GetValue(back);
    Fuzz::Check(Same(back, value), "AnyType read back another value");
    for (std::size_t kind = 0; kind < 12; ++kind) {
        Fuzz::WithPrimitive(kind, [&]<class T>() {
            ReadAs<T>(any);
            ReadAs<std::vector<T>>(any);
        });
    }
    ReadAs<TimeStamp>(any);
    ReadAs<TimeDuration>(any);

    // Stored and read back through a tree.
    std::unique_ptr<ServiceType> const stored(any.StoreTo(u"v"));
    AnyType again;
    again.InitFrom(stored.get());
    Fuzz::Check(again.GetType() == any.GetType(), "AnyType came back from its tree as another kind");
    Written reread {};
    again.GetValue(reread);
    Fuzz::Check(Same(reread, value), "AnyType came back from its tree with another value");
    std::unique_ptr<UserParameters> const copy(again.Copy());
}

template <class Written> void WriteSequence(Fuzz::Input& input)
{
    std::vector<Written> values(input.Byte() % 6);
    for (auto&& value : values) {
        if constexpr (std::is_same_v<Written, std::u16string>) {
            value = input.Text(8);
        } else if constexpr (std::is_same_v<Written, bool>) {
            value = (input.Byte() & 1) != 0;
        } else {
            value = input.Value<Written>();
        }
    }
    AnyType any(values);
    std::vector<Written> back;
    any.GetValue(back);
    Fuzz::Check(Same(back, values), "AnyType read back another sequence");
    Fuzz::WithPrimitive(input.Byte() % 12, [&]<class T>() {
        ReadAs<T>(any);
        ReadAs<std::vector<T>>(any);
    });
}

// InitFrom of one value object on the tree: a value, or a ServiceException
// after which the object still stores itself. A value taken from the tree is
// stored into a tree that reads back.
void InitFromTree(UserParameters& object, ServiceType* tree)
{
    bool initialised = true;
    try {
        object.InitFrom(tree);
    } catch (Tarnwick::ServiceException const&) {
        initialised = false;
    }
    std::unique_ptr<ServiceType> stored;
    try {
        stored.reset(object.StoreTo(nullptr));
    } catch (Tarnwick::ServiceException const&) {
        Fuzz::Check(!initialised, "a value object cannot store the value it read");
        return;
    }
    Fuzz::Check(stored != nullptr, "StoreTo gave no tree");
    std::unique_ptr<UserParameters> const copy(object.Copy());
    try {
        copy->InitFrom(stored.get());
    } catch (Tarnwick::ServiceException const& e) {
        if (initialised) {
            std::u16string const report = e.ToString();
            std::fprintf(stderr, "%s\n", std::string(report.begin(), report.end()).c_str());
            Fuzz::Fail("a value object refused the tree it stored of a value it read");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    Fuzz::Input input(data, size);
    std::uint8_t const what = input.Byte();
    if (what < 64) {
        Fuzz::WithPrimitive(what % 12, [&]<class T>() { WriteAndReadEveryKind<T>(input); });
        return 0;
    }
    if (what < 96) {
        Fuzz::WithPrimitive(what % 12, [&]<class T>() { WriteSequence<T>(input); });
        return 0;
    }
    Fuzz::TreeBuilder builder(input);
    std::unique_ptr<ServiceType> const tree = builder.Build();
    if (tree == nullptr) {
        return 0;
    }
    AnyType any;
    Tarnwick::DataTypes::TimeStamp stamp;
    Tarnwick::DataTypes::TimeDuration duration;
    Tarnwick::DataTypes::XmlValue xml;
    Tarnwick::StubProxy::UserParametersErrorString error;
    Tarnwick::StubProxy::UserParametersSubscribeEvent subscribe;
    for (UserParameters* object :
        std::initializer_list<UserParameters*> {&any, &stamp, &duration, &xml, &error, &subscribe}) {
        InitFromTree(*object, tree.get());
    }
    // The tree was only read: a copy of it, wrapped and stored, reads back.
    AnyType wrapped;
    wrapped.SetServiceType(tree->Copy());
    std::unique_ptr<ServiceType> const again(wrapped.StoreTo(u"again"));
    InitFromTree(any, again.get());
    return 0;
}
