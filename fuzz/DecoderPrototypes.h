#pragma once

// The shapes the decoder fuzz target decodes against: one composite holding a
// node of every kind (and the three dictionary forms), whose children serve as
// prototypes on their own too. Encoded, the same trees are the seed corpus.

#include <tarnwick/tarnwick.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace DecoderFuzz {

using namespace Tarnwick::DataTypes;

template <class T> void AddPrimitive(CompositeType& root, char16_t const* name, T low, T high)
{
    root.Add(new ScalarType<T>(high, name));
    root.Add(new SequenceType<T>({low, high}, std::u16string(name) + u"_seq"));
}

inline CompositeType* Point(std::int32_t x, double y)
{
    auto* point = new CompositeType(u"item");
    point->Add(new ScalarType<std::int32_t>(x, u"x"));
    point->Add(new ScalarType<double>(y, u"y"));
    return point;
}

inline DictionaryType* Dictionary(char16_t const* name, ServiceType* keys, ServiceType* values)
{
    auto* dictionary = new DictionaryType(name);
    dictionary->SetKeys(keys);
    dictionary->SetValues(values);
    return dictionary;
}

/// A composite with one child of every kind, each holding telling values.
inline std::unique_ptr<CompositeType> Everything()
{
    auto root = std::make_unique<CompositeType>(u"all");
    AddPrimitive<std::u16string>(*root, u"text", u"", u"tab\tCR\rLF\n & <caf\u00e9> \U0001F600 \u0001");
    AddPrimitive<bool>(*root, u"flag", false, true);
    AddPrimitive<std::int8_t>(*root, u"i8", -128, 127);
    AddPrimitive<std::uint8_t>(*root, u"u8", 0, 255);
    AddPrimitive<std::int16_t>(*root, u"i16", -32768, 32767);
    AddPrimitive<std::uint16_t>(*root, u"u16", 0, 65535);
    AddPrimitive<std::int32_t>(*root, u"i32", std::numeric_limits<std::int32_t>::min(), 7);
    AddPrimitive<std::uint32_t>(*root, u"u32", 0, 4294967295u);
    AddPrimitive<std::int64_t>(*root, u"i64", std::numeric_limits<std::int64_t>::min(), 1);
    AddPrimitive<std::uint64_t>(*root, u"u64", 0, std::numeric_limits<std::uint64_t>::max());
    AddPrimitive<float>(*root, u"f", -std::numeric_limits<float>::infinity(), 0.1f);
    AddPrimitive<double>(*root, u"d", std::numeric_limits<double>::quiet_NaN(), 1.0 / 3.0);

    auto* inner = new CompositeType(u"inner");
    inner->Add(new ScalarType<std::int32_t>(1, u"x"));
    inner->Add(new ScalarType<std::u16string>(u"between", u"y"));
    inner->Add(new ScalarType<std::int32_t>(2, u"x"));
    root->Add(inner);

    auto* errors = new CompositeSequenceType(u"errors", new Tarnwick::StubProxy::UserParametersErrorString(u"none"));
    for (char16_t const* text : {u"first", u"second"}) {
        auto* item = new CompositeType(u"item");
        item->Add(new ScalarType<std::u16string>(text, u"ErrorString"));
        errors->Add(item);
    }
    root->Add(errors);
    auto* points = new CompositeSequenceType(u"points", nullptr);
    points->Add(Point(1, 0.5));
    points->Add(Point(-2, 1e300));
    root->Add(points);
    root->Add(new CompositeSequenceType(u"free", nullptr));

    root->Add(Dictionary(u"prices", new SequenceType<std::u16string>({u"espresso", u"cr\u00e8me"}, u"keys"),
        new SequenceType<double>({2.2, 6.75}, u"values")));
    auto* shapes = new CompositeSequenceType(u"values", nullptr);
    shapes->Add(Point(3, -0.0));
    root->Add(Dictionary(u"shapes", new SequenceType<std::int32_t>({9}, u"keys"), shapes));
    auto* options = new AnyTypeSequenceType(u"values");
    options->Add(new AnyTypeServiceType(new ScalarType<std::int32_t>(7, u"v"), u"v"));
    options->Add(new AnyTypeServiceType(new SequenceType<std::int16_t>({5, 6}, u"v"), u"v"));
    root->Add(Dictionary(u"options", new SequenceType<std::u16string>({u"n", u"m"}, u"keys"), options));

    root->Add(new AnyTypeServiceType(new ScalarType<double>(2.5, u"any"), u"any"));
    root->Add(new XmlString(u"<a x='1'>t&amp;<b/><!-- c --></a>", u"xml"));
    root->Add(new TimeStampServiceType(1796833125753891, u"when"));
    root->Add(new TimeStampSequenceType({0, 1796833125753891}, u"whens"));
    root->Add(new TimeDurationServiceType(90061000001, u"wait"));
    root->Add(new TimeDurationSequenceType({1, 2}, u"waits"));
    return root;
}

/// The composite and, after it, a copy of each of its children and the wrapper
/// sequence of the dictionary "options" (which the encoder writes only as a
/// dictionary's values): a prototype of every kind.
inline std::vector<std::unique_ptr<ServiceType>> Prototypes()
{
    std::vector<std::unique_ptr<ServiceType>> prototypes;
    auto root = Everything();
    for (auto it = root->BeginIterator(); it != root->EndIterator(); ++it) {
        prototypes.emplace_back((*it)->Copy());
        if (auto const* dictionary = dynamic_cast<DictionaryType const*>(*it);
            dictionary != nullptr && dictionary->GetValues()->GetType() == ANY_TYPE_SEQUENCE) {
            prototypes.emplace_back(dictionary->GetValues()->Copy());
        }
    }
    prototypes.insert(prototypes.begin(), std::move(root));
    return prototypes;
}

} // namespace DecoderFuzz
