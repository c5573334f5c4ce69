// The variant's read tables, tested as tables: every target against a variant of
// every kind (and an empty one). A target accepts exactly the codes listed for it
// here and yields the value unchanged; every other kind gives the invalid-cast
// line, the empty variant the uninitialised line.

#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/stubproxy/AnyType.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace Tarnwick::Tests {
namespace {

using namespace DataTypes;

// One variant of every kind, with the text its value reads back as.
struct Sample {
    ParamType code;
    std::function<AnyType()> make;
    std::u16string text;
};

template <class V> Sample Holding(ParamType code, V value, std::u16string text)
{
    return {code, [value] { return AnyType(value); }, std::move(text)};
}

std::vector<Sample> const& Samples()
{
    using std::vector;
    // clang-format off
    static std::vector<Sample> const samples = {
        Holding(STRING, u"text", u"text"),
        Holding(XML_STRING, XmlString(u"<a b=\"1\"/>", u"xml"), u"<a b=\"1\"/>"),
        Holding(BOOLEAN, true, u"true"),
        Holding(INT8, std::int8_t {-5}, u"-5"),
        Holding(UINT8, std::uint8_t {200}, u"200"),
        Holding(INT16, std::int16_t {-300}, u"-300"),
        Holding(UINT16, std::uint16_t {60000}, u"60000"),
        Holding(INT32, std::int32_t {-70000}, u"-70000"),
        Holding(UINT32, std::uint32_t {4000000000U}, u"4000000000"),
        Holding(INT64, std::int64_t {-5000000000}, u"-5000000000"),
        Holding(UINT64, std::uint64_t {10000000000000000000ULL}, u"10000000000000000000"),
        Holding(FLOAT, 1.5F, u"1.5"),
        Holding(DOUBLE, 2.25, u"2.25"),
        Holding(STRING_SEQUENCE, vector<std::u16string> {u"a", u"b"}, u"[a,b]"),
        Holding(BOOLEAN_SEQUENCE, vector<bool> {true, false}, u"[true,false]"),
        Holding(INT8_SEQUENCE, vector<std::int8_t> {-1, 2}, u"[-1,2]"),
        Holding(UINT8_SEQUENCE, vector<std::uint8_t> {255}, u"[255]"),
        Holding(INT16_SEQUENCE, vector<std::int16_t> {-300}, u"[-300]"),
        Holding(UINT16_SEQUENCE, vector<std::uint16_t> {60000}, u"[60000]"),
        Holding(INT32_SEQUENCE, vector<std::int32_t> {-70000, 1}, u"[-70000,1]"),
        Holding(UINT32_SEQUENCE, vector<std::uint32_t> {4000000000U}, u"[4000000000]"),
        Holding(INT64_SEQUENCE, vector<std::int64_t> {-5000000000}, u"[-5000000000]"),
        Holding(UINT64_SEQUENCE, vector<std::uint64_t> {1ULL << 63}, u"[9223372036854775808]"),
        Holding(FLOAT_SEQUENCE, vector<float> {0.5F}, u"[0.5]"),
        Holding(DOUBLE_SEQUENCE, vector<double> {0.25, -1}, u"[0.25,-1]"),
        Holding(TIME_STAMP, TimeStamp(2024, 3, 7, 9, 5, 2, 42), u"09:05:02.000042 3/7/2024"),
        Holding(TIME_DURATION, TimeDuration(1, 2, 3, 4, 5), u"01:02:03:04.000005"),
        {COMPOSITE, [] {
            AnyType any;
            any.SetServiceType(new CompositeType(u"record"));
            return any;
        }, u"(never read)"},
    };
    // clang-format on
    return samples;
}

// A value that no sample holds, to see that a failed read leaves `out` alone.
template <class T> T Sentinel()
{
    if constexpr (std::is_same_v<T, std::u16string>) {
        return u"untouched";
    } else if constexpr (std::is_same_v<T, bool>) {
        return false;
    } else if constexpr (std::is_arithmetic_v<T>) {
        return T {42};
    } else if constexpr (std::is_same_v<T, TimeStamp>) {
        TimeStamp stamp(1999, 12, 31, 23, 59, 58, 7);
        stamp.SetParamName(u"out");
        return stamp;
    } else if constexpr (std::is_same_v<T, TimeDuration>) {
        TimeDuration duration(9, 9, 9, 9, 9);
        duration.SetParamName(u"out");
        return duration;
    } else {
        return T(3);
    }
}

// Reads `any` as T through GetValue and, for the twelve primitives, through the
// conversion operator as well; both must agree. Returns the value's text or the
// exception line.
template <class T> std::u16string Probe(AnyType const& any)
{
    T out = Sentinel<T>();
    std::u16string const viaGetValue = Outcome([&] {
        any.GetValue(out);
        return Render(out);
    });
    if (viaGetValue.starts_with(u"Exception: ")) {
        EXPECT_EQ(Render(out), Render(Sentinel<T>())) << "a failed read changed out";
    }
    if constexpr (std::is_same_v<T, TimeStamp> || std::is_same_v<T, TimeDuration>) {
        EXPECT_EQ(out.GetParamName(), u"out") << "reading replaced the target's parameter name";
    }
    if constexpr (AnyTypeKinds::Scalar<T>) {
        std::u16string const viaOperator = Outcome([&] { return Render(static_cast<T>(any)); });
        EXPECT_EQ(viaOperator, viaGetValue) << "conversion operator and GetValue disagree";
    }
    return viaGetValue;
}

struct Target {
    char const* label;
    std::u16string (*probe)(AnyType const&);
    std::vector<ParamType> accepted;
    char16_t const* typeName;
    std::int32_t emptyLine;
    std::int32_t castLine;
};

void PrintTo(Target const& target, std::ostream* out)
{
    *out << target.label;
}

class AnyTypeConversionTable : public ::testing::TestWithParam<Target> {
protected:
    ScopedTimeZone m_Zone {kUtc};
};

TEST_P(AnyTypeConversionTable, AcceptsExactlyTheListedKindsAndRefusesTheRestWithTheirLines)
{
    Target const& target = GetParam();
    for (Sample const& sample : Samples()) {
        AnyType const any = sample.make();
        ServiceType const* const node = any.GetServiceType();
        bool const accepted = std::ranges::find(target.accepted, sample.code) != target.accepted.end();
        std::u16string const expected = accepted
            ? sample.text
            : AnyTypeError(target.castLine, u"Invalid cast: expected " + std::u16string(target.typeName) + u" type.");
        EXPECT_EQ(target.probe(any), expected) << "source code " << sample.code;
        EXPECT_EQ(any.GetServiceType(), node);
        EXPECT_EQ(any.GetType(), sample.code);
    }
    AnyType const empty;
    EXPECT_EQ(target.probe(empty), AnyTypeError(target.emptyLine, u"Uninitialized variable."));
    EXPECT_EQ(empty.GetType(), NULL_TYPE);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Scalars, AnyTypeConversionTable, ::testing::Values(
    Target {"u16string", Probe<std::u16string>, {STRING, XML_STRING}, u"STRING", 200, 212},
    Target {"bool", Probe<bool>, {BOOLEAN}, u"BOOLEAN", 218, 225},
    Target {"int8", Probe<std::int8_t>, {INT8}, u"INT8", 231, 238},
    Target {"uint8", Probe<std::uint8_t>, {UINT8}, u"UINT8", 244, 251},
    Target {"int16", Probe<std::int16_t>, {INT8, UINT8, INT16}, u"INT16", 257, 270},
    Target {"uint16", Probe<std::uint16_t>, {UINT8, UINT16}, u"UINT16", 277, 287},
    Target {"int32", Probe<std::int32_t>, {INT8, UINT8, INT16, UINT16, INT32}, u"INT32", 294, 313},
    Target {"uint32", Probe<std::uint32_t>, {UINT8, UINT16, UINT32}, u"UINT32", 320, 333},
    Target {"int64", Probe<std::int64_t>, {INT8, UINT8, INT16, UINT16, INT32, UINT32, INT64}, u"INT64", 340, 365},
    Target {"uint64", Probe<std::uint64_t>, {UINT8, UINT16, UINT32, UINT64}, u"UINT64", 372, 388},
    Target {"float", Probe<float>, {FLOAT}, u"FLOAT", 395, 402},
    Target {"double", Probe<double>, {FLOAT, DOUBLE}, u"DOUBLE", 408, 418}),
    [](auto const& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(SequencesAndTimes, AnyTypeConversionTable, ::testing::Values(
    Target {"bool_vector", Probe<std::vector<bool>>, {BOOLEAN_SEQUENCE}, u"BOOLEAN_SEQUENCE", 485, 491},
    Target {"int8_vector", Probe<std::vector<std::int8_t>>, {INT8_SEQUENCE}, u"INT8_SEQUENCE", 497, 503},
    Target {"uint8_vector", Probe<std::vector<std::uint8_t>>, {UINT8_SEQUENCE}, u"UINT8_SEQUENCE", 509, 515},
    Target {"int16_vector", Probe<std::vector<std::int16_t>>, {INT16_SEQUENCE}, u"INT16_SEQUENCE", 521, 527},
    Target {"uint16_vector", Probe<std::vector<std::uint16_t>>, {UINT16_SEQUENCE}, u"UINT16_SEQUENCE", 533, 539},
    Target {"int32_vector", Probe<std::vector<std::int32_t>>, {INT32_SEQUENCE}, u"INT32_SEQUENCE", 545, 551},
    Target {"uint32_vector", Probe<std::vector<std::uint32_t>>, {UINT32_SEQUENCE}, u"UINT32_SEQUENCE", 557, 563},
    Target {"int64_vector", Probe<std::vector<std::int64_t>>, {INT64_SEQUENCE}, u"INT64_SEQUENCE", 569, 575},
    Target {"uint64_vector", Probe<std::vector<std::uint64_t>>, {UINT64_SEQUENCE}, u"UINT64_SEQUENCE", 581, 587},
    Target {"float_vector", Probe<std::vector<float>>, {FLOAT_SEQUENCE}, u"FLOAT_SEQUENCE", 593, 599},
    Target {"double_vector", Probe<std::vector<double>>, {DOUBLE_SEQUENCE}, u"DOUBLE_SEQUENCE", 605, 611},
    Target {"u16string_vector", Probe<std::vector<std::u16string>>, {STRING_SEQUENCE}, u"STRING_SEQUENCE", 617, 623},
    Target {"TimeStamp", Probe<TimeStamp>, {TIME_STAMP}, u"TIME_STAMP", 629, 635},
    Target {"TimeDuration", Probe<TimeDuration>, {TIME_DURATION}, u"TIME_DURATION", 641, 647}),
    [](auto const& info) { return std::string(info.param.label); });
// clang-format on

TEST(AnyTypeConversion, WideningKeepsSignednessOfTheSource)
{
    AnyType const negative = std::int16_t {-5};
    EXPECT_EQ(static_cast<std::int32_t>(negative), -5);
    EXPECT_EQ(static_cast<std::int64_t>(negative), -5);
    AnyType const large = std::uint8_t {200};
    EXPECT_EQ(static_cast<std::int16_t>(large), 200);
    EXPECT_EQ(static_cast<std::uint64_t>(large), 200U);
    AnyType const top = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(static_cast<std::int64_t>(top), 4294967295);
    AnyType const fraction = 0.1F;
    EXPECT_EQ(static_cast<double>(fraction), static_cast<double>(0.1F));
}

TEST(AnyTypeConversion, KindDecidesNotValue)
{
    // 5 would fit into a short, but an INT32 is never read as one.
    AnyType const five = 5;
    EXPECT_EQ(Outcome([&] { return Render(static_cast<std::int16_t>(five)); }),
        AnyTypeError(270, u"Invalid cast: expected INT16 type."));
}

TEST(AnyTypeConversion, ASequenceReadReplacesTheWholeTarget)
{
    AnyType const any = std::vector<std::int32_t> {1, 2};
    std::vector<std::int32_t> out {9, 9, 9, 9};
    any.GetValue(out);
    EXPECT_EQ(out, (std::vector<std::int32_t> {1, 2}));
    out.push_back(3);
    std::vector<std::int32_t> again;
    any.GetValue(again);
    EXPECT_EQ(again.size(), 2U) << "the read handed out the node's own array";
}

TEST(AnyTypeConversion, ATimeStampOutsideTheLocalRangeFailsInTheTimeStampAndLeavesTheTargetAlone)
{
    ScopedTimeZone const zone(kUtc);
    AnyType any;
    any.SetServiceType(new TimeStampServiceType(32535216000000000ULL, u""));
    TimeStamp out(2001, 2, 3, 4, 5, 6, 7);
    EXPECT_EQ(Outcome([&] {
        any.GetValue(out);
        return out.Serialize();
    }),
        kSetUTimeFailure);
    EXPECT_EQ(out.Serialize(), u"04:05:06.000007 2/3/2001");
}

TEST(AnyTypeConversion, ADurationComesOutNormalised)
{
    AnyType const any = TimeDuration(0, 30, 0, 0, 0);
    TimeDuration out;
    any.GetValue(out);
    EXPECT_EQ(out.GetDays(), 1U);
    EXPECT_EQ(out.GetHours(), 6U);
}

// A node that answers INT32 without being a ScalarType<int>: a foreign class
// claiming a code is not read as that code's class.
class Impostor : public ServiceType {
public:
    ParamType GetType() const override { return INT32; }
    bool IsLeaf() const override { return true; }
    ServiceType* Copy() const override { return new Impostor(*this); }
};

TEST(AnyTypeConversion, AForeignNodeClaimingACodeIsRefusedAndReplacedNotMisread)
{
    AnyType any;
    any.SetServiceType(new Impostor);
    EXPECT_EQ(Outcome([&] { return Render(static_cast<std::int32_t>(any)); }),
        AnyTypeError(313, u"Invalid cast: expected INT32 type."));
    any = 7;
    EXPECT_EQ(DynamicClass(*any.GetServiceType()), typeid(ScalarType<std::int32_t>));
    EXPECT_EQ(static_cast<std::int32_t>(any), 7);
}

} // namespace
} // namespace Tarnwick::Tests
