// The variant taken the way C++ callers write it: literals and the platform's own
// integer types pick the intended kind without ambiguity, text literals are
// STRINGs, and no pointer slips through as a BOOLEAN. The static checks are part
// of the test: this file does not compile if overload resolution goes wrong.

#include <tarnwick/stubproxy/AnyType.h>

#include "stubproxy/ValueObjectsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace Tarnwick::Tests {
namespace {

using namespace DataTypes;

// Pointers other than wide text have no kind: neither construction nor
// assignment accepts them (before, a pointer became a BOOLEAN).
static_assert(!std::is_constructible_v<AnyType, bool*>);
static_assert(!std::is_constructible_v<AnyType, int const*>);
static_assert(!std::is_constructible_v<AnyType, char const*>);
static_assert(!std::is_constructible_v<AnyType, void*>);
static_assert(!std::is_convertible_v<char const*, AnyType>);
static_assert(!std::is_assignable_v<AnyType&, char const*>);
static_assert(!std::is_assignable_v<AnyType&, double*>);
static_assert(!std::is_constructible_v<AnyType, std::nullptr_t>);
static_assert(!std::is_assignable_v<AnyType&, std::nullptr_t>);
// Code units are not numbers in disguise.
static_assert(!std::is_constructible_v<AnyType, char16_t>);
static_assert(!std::is_constructible_v<AnyType, wchar_t>);
// Everything of the value-kind table converts implicitly.
static_assert(std::is_convertible_v<char16_t const*, AnyType>);
static_assert(std::is_convertible_v<char16_t*, AnyType>);
static_assert(std::is_convertible_v<std::u16string, AnyType>);
static_assert(std::is_convertible_v<long long, AnyType>);
static_assert(std::is_convertible_v<unsigned long long, AnyType>);
static_assert(std::is_convertible_v<std::vector<std::uint64_t>, AnyType>);
static_assert(std::is_convertible_v<TimeStamp, AnyType>);
static_assert(std::is_convertible_v<XmlString, AnyType>);
// Reading back into the platform's own types.
static_assert(std::is_convertible_v<AnyType, long long>);
static_assert(std::is_convertible_v<AnyType, unsigned long long>);
static_assert(std::is_convertible_v<AnyType, std::u16string>);
static_assert(!std::is_convertible_v<AnyType, char16_t const*>);

TEST(AnyTypeLiterals, NumberLiteralsPickTheKindOfTheirType)
{
    AnyType const i = 5;
    EXPECT_EQ(i.GetType(), INT32);
    AnyType const u = 5U;
    EXPECT_EQ(u.GetType(), UINT32);
    AnyType const l = 5L;
    EXPECT_EQ(l.GetType(), INT64);
    AnyType const ll = 5LL;
    EXPECT_EQ(ll.GetType(), INT64);
    AnyType const ull = 18446744073709551615ULL;
    EXPECT_EQ(ull.GetType(), UINT64);
    EXPECT_EQ(static_cast<unsigned long long>(ull), 18446744073709551615ULL);
    AnyType const f = 1.5F;
    EXPECT_EQ(f.GetType(), FLOAT);
    AnyType const d = 1.5;
    EXPECT_EQ(d.GetType(), DOUBLE);
    AnyType const b = true;
    EXPECT_EQ(b.GetType(), BOOLEAN);
    AnyType const c = 'x';
    EXPECT_EQ(c.GetType(), std::is_signed_v<char> ? INT8 : UINT8);
    EXPECT_EQ(static_cast<char>(c), 'x');
}

TEST(AnyTypeLiterals, TheIntegerTypesOfThePlatformReadBackWithoutLoss)
{
    long long const big = -9223372036854775807LL - 1;
    AnyType any = big;
    long long out = 0;
    any.GetValue(out);
    EXPECT_EQ(out, big);
    long long const converted = any;
    EXPECT_EQ(converted, big);
    any = 3LL; // in place: the INT64 node stays
    EXPECT_EQ(any.GetType(), INT64);
    unsigned long long wide = 0;
    any = 7U;
    any.GetValue(wide);
    EXPECT_EQ(wide, 7ULL);
}

TEST(AnyTypeLiterals, TextLiteralsAreStringsInConstructionAndAssignment)
{
    AnyType s = u"text";
    EXPECT_EQ(s.GetType(), STRING);
    EXPECT_EQ(static_cast<std::u16string>(s), u"text");
    s = 1;
    s = u"again";
    EXPECT_EQ(s.GetType(), STRING);
    std::u16string const text = s;
    EXPECT_EQ(text, u"again");

    char16_t buffer[] = u"mutable";
    AnyType m = buffer;
    EXPECT_EQ(m.GetType(), STRING);
    m = true;
    m = static_cast<char16_t*>(buffer);
    EXPECT_EQ(m.GetType(), STRING);
    EXPECT_EQ(static_cast<std::u16string>(m), u"mutable");
}

TEST(AnyTypeLiterals, ConversionsReadLikePlainVariables)
{
    AnyType const any = std::int16_t {-7};
    int const asInt = any;
    double const asDouble = AnyType(2.5F);
    bool const asBool = AnyType(true);
    EXPECT_EQ(asInt, -7);
    EXPECT_EQ(asDouble, 2.5);
    EXPECT_TRUE(asBool);
    if (AnyType(false)) {
        ADD_FAILURE() << "a BOOLEAN false tested true";
    }
}

enum Colour : std::uint16_t { RED = 1, GREEN = 2 };
enum class Scoped { ONE };
static_assert(!std::is_constructible_v<AnyType, Scoped>);

TEST(AnyTypeLiterals, UnscopedEnumerationsTravelAsTheirUnderlyingInteger)
{
    AnyType any = GREEN;
    EXPECT_EQ(any.GetType(), UINT16);
    EXPECT_EQ(static_cast<std::uint16_t>(any), 2);
    Colour out = RED;
    any.GetValue(out);
    EXPECT_EQ(out, GREEN);
    any = ANY_TYPE; // a ParamType: INT32
    EXPECT_EQ(any.GetType(), INT32);
    ParamType const code = any;
    EXPECT_EQ(code, ANY_TYPE);
}

// Classes derived from the time classes are stored and read as their base.
class TaggedDuration : public TimeDuration {
public:
    using TimeDuration::TimeDuration;
};

TEST(AnyTypeLiterals, DerivedTimeClassesUseTheirBaseRow)
{
    TaggedDuration const duration(0, 0, 1, 0, 0);
    AnyType const any = duration;
    EXPECT_EQ(any.GetType(), TIME_DURATION);
    TaggedDuration out;
    out.SetParamName(u"kept");
    any.GetValue(out);
    EXPECT_EQ(out.GetMinutes(), 1U);
    EXPECT_EQ(out.GetParamName(), u"kept");
}

} // namespace
} // namespace Tarnwick::Tests
