// GetUTime of a stamp set from a UTime, and of one built from its fields, for
// instruction and system-call counts:
//
//   valgrind --tool=callgrind --toggle-collect='*ReadUTimes*' timestamp_instructions set 100000
//   strace -f -c timestamp_instructions set 100000   (against the count 0)
//
// The first argument chooses the stamp ("set": SetUTime; "fields": the field
// constructor), the second how many times GetUTime is read (1000 by default).

#include <tarnwick/stubproxy/TimeStamp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Kept out of line so that callgrind can collect exactly the reads.
[[gnu::noinline]] std::uint64_t ReadUTimes(Tarnwick::DataTypes::TimeStamp const& stamp, long count)
{
    std::uint64_t sum = 0;
    for (long i = 0; i < count; ++i) {
        sum += stamp.GetUTime();
        asm volatile("" : "+r"(sum)); // every read is made
    }
    return sum;
}

} // namespace

int main(int argc, char** argv)
{
    bool const fields = argc > 1 && std::strcmp(argv[1], "fields") == 0;
    long const count = argc > 2 ? std::atol(argv[2]) : 1000;
    // 2024-10-27 00:30 UTC: in Central Europe inside the hour repeated that night.
    std::uint64_t const uTime = 1729989000000000;
    Tarnwick::DataTypes::TimeStamp stamp;
    if (fields) {
        stamp = Tarnwick::DataTypes::TimeStamp(2024, 10, 27, 2, 30, 0, 0);
    } else {
        stamp.SetUTime(uTime);
    }
    std::printf("%llu\n", static_cast<unsigned long long>(ReadUTimes(stamp, count)));
    return 0;
}
