#include <tarnwick/core/MainBaseClass.h>
#include <tarnwick/core/ServiceException.h>

#include <gtest/gtest.h>

#include <utility>

namespace Tarnwick::Testing {

class Recorded : public MainBaseClass {
public:
    Recorded() { SetThisClassName(); }
};

class MoreDerived : public Recorded {
public:
    void Recompute() { SetThisClassName(); }
};

class Unrecorded : public MainBaseClass { };

template <class T> class Holder : public MainBaseClass {
public:
    Holder() { SetThisClassName(); }
};

} // namespace Tarnwick::Testing

namespace {

using namespace Tarnwick;

TEST(MainBaseClass, NameNotSetRaisesLine18NamingTheMostDerivedClass)
{
    // The source is computed at the raise, from the object's own class, also
    // after copying an object whose name was never set.
    MainBaseClass const fresh;
    Testing::Unrecorded const unrecorded;
    Testing::Unrecorded const copied(unrecorded);
    struct {
        MainBaseClass const* object;
        char16_t const* line;
    } const cases[] = {
        {&fresh, u"Exception: Tarnwick::MainBaseClass line 18 - The class name is not set."},
        {&unrecorded, u"Exception: Tarnwick::Testing::Unrecorded line 18 - The class name is not set."},
        {&copied, u"Exception: Tarnwick::Testing::Unrecorded line 18 - The class name is not set."},
    };
    for (auto const& c : cases) {
        try {
            c.object->GetThisClassName();
            ADD_FAILURE() << "no exception";
        } catch (ServiceException const& e) {
            EXPECT_EQ(e.ToString(), c.line);
            EXPECT_STREQ(e.what(), "The class name is not set.");
        }
    }
}

TEST(MainBaseClass, RecordsTheQualifiedName)
{
    EXPECT_EQ(Testing::Recorded().GetThisClassName(), u"Tarnwick::Testing::Recorded");
    EXPECT_EQ(Testing::Holder<int>().GetThisClassName(), u"Tarnwick::Testing::Holder<int>");
}

TEST(MainBaseClass, NameIsThatOfTheCallTime)
{
    // During the base constructor the object is still a Recorded.
    Testing::MoreDerived derived;
    EXPECT_EQ(derived.GetThisClassName(), u"Tarnwick::Testing::Recorded");
    derived.Recompute();
    EXPECT_EQ(derived.GetThisClassName(), u"Tarnwick::Testing::MoreDerived");
}

TEST(MainBaseClass, CopiesKeepTheRecordedName)
{
    Testing::Recorded const source;
    MainBaseClass const sliced(source);
    EXPECT_EQ(sliced.GetThisClassName(), u"Tarnwick::Testing::Recorded");

    MainBaseClass assigned;
    assigned = source;
    EXPECT_EQ(assigned.GetThisClassName(), u"Tarnwick::Testing::Recorded");
}

TEST(MainBaseClass, AMovedFromObjectStillAnswersItsName)
{
    Testing::Recorded source;
    Testing::Recorded const moved(std::move(source));
    EXPECT_EQ(moved.GetThisClassName(), u"Tarnwick::Testing::Recorded");
    EXPECT_EQ(source.GetThisClassName(), u"Tarnwick::Testing::Recorded"); // read after the move on purpose
    Testing::Recorded target;
    target = std::move(source);
    EXPECT_EQ(source.GetThisClassName(), u"Tarnwick::Testing::Recorded");
}

} // namespace
