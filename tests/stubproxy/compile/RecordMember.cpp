// A record with one member: a std::list, which no record stores, when
// UNSUPPORTED_MEMBER is defined, else a std::vector.

#include <tarnwick/stubproxy/Record.h>

#include <list>
#include <tuple>
#include <vector>

#ifdef UNSUPPORTED_MEMBER
using Numbers = std::list<int>;
#else
using Numbers = std::vector<int>;
#endif

struct Bad : Tarnwick::StubProxy::Record<Bad> {
    Numbers numbers;
    static constexpr auto Fields() { return std::tuple {Tarnwick::StubProxy::Field(u"numbers", &Bad::numbers)}; }
};

int main()
{
    Bad bad;
    delete bad.StoreTo(nullptr);
}
