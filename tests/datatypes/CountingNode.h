#pragma once

// Test nodes and value objects that count their instances and how often each
// one was destroyed, so that tests can prove every owner releases exactly once.

#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <new>
#include <string>
#include <typeindex>
#include <typeinfo>

namespace TestSupport {

/// The dynamic class of an object (a function, so that typeid sees a plain lvalue).
template <class T> std::type_index DynamicType(T const& object)
{
    return typeid(object);
}

struct Tally {
    int live = 0;
    int made = 0;
    int copyBudget = -1; // copies allowed before Copy() fails; -1 is no limit
    std::map<int, int> destructions; // by instance id

    void Reset() { *this = Tally {}; }
    int TimesDestroyed(int id) const
    {
        auto const found = destructions.find(id);
        return found == destructions.end() ? 0 : found->second;
    }
    // Every instance ever made was destroyed exactly once.
    void ExpectAllReleasedOnce() const
    {
        EXPECT_EQ(live, 0);
        for (int id = 1; id <= made; ++id) {
            EXPECT_EQ(TimesDestroyed(id), 1) << "instance " << id;
        }
    }
    void SpendCopy()
    {
        if (copyBudget == 0) {
            throw std::bad_alloc();
        }
        if (copyBudget > 0) {
            --copyBudget;
        }
    }
};

inline Tally& Nodes()
{
    static Tally tally;
    return tally;
}

inline Tally& Prototypes()
{
    static Tally tally;
    return tally;
}

/// Counts the instances of the class deriving from it in `Of()`. A copy is a
/// new instance with its own id; assignment keeps the target's id.
template <Tally& (*Of)()> class Counted {
public:
    Counted()
        : m_Id(++Of().made)
    {
        ++Of().live;
    }
    Counted(Counted const&)
        : Counted()
    { }
    Counted& operator=(Counted const&) { return *this; }
    ~Counted()
    {
        --Of().live;
        ++Of().destructions[m_Id];
    }
    int Id() const { return m_Id; }

private:
    int m_Id;
};

/// A user node derived from a library instantiation, as callers write them.
class CountingNode : public Tarnwick::DataTypes::ScalarType<std::int32_t>, public Counted<Nodes> {
public:
    explicit CountingNode(std::int32_t value, std::u16string const& name = u"counted")
        : ScalarType(value, name)
    { }

    ServiceType* Copy() const override
    {
        Nodes().SpendCopy();
        return new CountingNode(*this);
    }
};

/// A value object whose tree is a composite with one counting child "value".
class CountingPrototype : public Tarnwick::StubProxy::UserParameters, public Counted<Prototypes> {
public:
    explicit CountingPrototype(std::int32_t value)
        : m_Value(value)
    { }

    UserParameters* Copy() const override
    {
        Prototypes().SpendCopy();
        return new CountingPrototype(*this);
    }
    Tarnwick::DataTypes::ServiceType* StoreTo(char16_t const* name) override
    {
        auto* root = new Tarnwick::DataTypes::CompositeType(name != nullptr ? name : u"CountingPrototype");
        root->Add(new CountingNode(m_Value, u"value"));
        return root;
    }
    void InitFrom(Tarnwick::DataTypes::ServiceType* tree) override
    {
        auto& root = dynamic_cast<Tarnwick::DataTypes::CompositeType&>(*tree);
        m_Value = dynamic_cast<CountingNode&>(**root.BeginIterator()).GetValue();
    }

    std::int32_t Value() const { return m_Value; }

private:
    std::int32_t m_Value;
};

/// Resets the tallies and, after each test, checks that everything made was released once.
class CountedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Nodes().Reset();
        Prototypes().Reset();
    }
    void TearDown() override
    {
        Nodes().ExpectAllReleasedOnce();
        Prototypes().ExpectAllReleasedOnce();
    }
};

} // namespace TestSupport
