// One StoreTo and one InitFrom of an order of 4 lines, as a record and as the
// hand-written value object, for instruction counts under callgrind: each is
// run once to warm up, then once inside a function named Measured*:
//   valgrind --tool=callgrind --toggle-collect='Measured*' ./record_instructions

#include "RecordReference.h"

using namespace RecordBench;

namespace {

void* volatile g_Sink;

template <class O> void Store(O& order)
{
    std::unique_ptr<ServiceType> const tree(order.StoreTo(u"request"));
    g_Sink = tree.get();
}

} // namespace

extern "C" __attribute__((noinline)) void MeasuredRecordStoreTo(Order& o)
{
    Store(o);
}
extern "C" __attribute__((noinline)) void MeasuredHandStoreTo(HandOrder& o)
{
    Store(o);
}
extern "C" __attribute__((noinline)) void MeasuredRecordInitFrom(Order& o, ServiceType* tree)
{
    o.InitFrom(tree);
}
extern "C" __attribute__((noinline)) void MeasuredHandInitFrom(HandOrder& o, ServiceType* tree)
{
    o.InitFrom(tree);
}

int main()
{
    Order record = MakeOrder<Order>(4);
    HandOrder hand = MakeOrder<HandOrder>(4);
    std::unique_ptr<ServiceType> const recordTree(record.StoreTo(u"request"));
    std::unique_ptr<ServiceType> const handTree(hand.StoreTo(u"request"));
    Order recordTarget;
    HandOrder handTarget;
    // The warm-up, outside the measured functions.
    Store(record);
    Store(hand);
    recordTarget.InitFrom(recordTree.get());
    handTarget.InitFrom(handTree.get());
    MeasuredRecordStoreTo(record);
    MeasuredHandStoreTo(hand);
    MeasuredRecordInitFrom(recordTarget, recordTree.get());
    MeasuredHandInitFrom(handTarget, handTree.get());
    return recordTarget.lines.size() == 4 && handTarget.lines.size() == 4 ? 0 : 1;
}
