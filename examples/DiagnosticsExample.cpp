// Diagnostic counters of a service, switched by level settings per name pattern.

#include <tarnwick/tarnwick.h>

#include <iostream>

using namespace Tarnwick::Diagnostics;

int main()
{
    //! [diagnostics]
    DiagnosticsManager manager;
    manager.SetLevelType(u"", ServiceDiagnostics::SD_NUMBER_COUNTER); // the default
    manager.SetLevelType(u"Net::Tcp", ServiceDiagnostics::SD_ALL); // more ':' applied later, wins

    ServiceDiagnostics* tcp = manager.GetServiceDiagnostics(u"Net::Tcp::Rx"); // owned by the manager
    tcp->NumberCounterIncrease(u"frames");
    tcp->SizeCounterUpdate(u"bytes", 1500);
    tcp->SizeCounterUpdate(u"bytes", 500);
    tcp->TimeCounterStart(u"latency", u"msg-17");
    tcp->TimeCounterStop(u"latency", u"msg-17"); // folds the microseconds in between

    ServiceDiagnostics* disk = manager.GetServiceDiagnostics(u"Disk");
    bool const counted = disk->SizeCounterUpdate(u"bytes", 4096); // false: sizes are off for "Disk"
    //! [diagnostics]

    std::cout << "frames " << tcp->NumberCounterGetCount(u"frames") << ", bytes min "
              << tcp->SizeCounterGetMin(u"bytes") << " max " << tcp->SizeCounterGetMax(u"bytes") << " mean "
              << tcp->SizeCounterGetAverage(u"bytes") << ", latency max " << tcp->TimeCounterGetMax(u"latency")
              << " us\n";
    return tcp->NumberCounterGetCount(u"frames") == 1 && tcp->SizeCounterGetMax(u"bytes") == 1500
            && tcp->SizeCounterGetAverage(u"bytes") == 1000.0 && !counted
        ? 0
        : 1;
}
