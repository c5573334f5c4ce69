// Counts a few requests, response sizes and handling times of two services and
// writes the counters in the Prometheus text format: atomically into the file
// named by the first argument (default "tarnwick.prom"), where the node
// exporter's textfile collector picks it up, and to standard output.

#include <tarnwick/tarnwick.h>

#include <chrono>
#include <cstdint>
#include <iostream>
#include <string>
#include <thread>

using namespace Tarnwick::Diagnostics;

int main(int argc, char** argv)
{
    std::string const path = argc > 1 ? argv[1] : "tarnwick.prom";

    DiagnosticsManager manager;
    manager.SetLevelType(u"Shop", ServiceDiagnostics::SD_ALL); // every service whose name holds "Shop"
    ServiceDiagnostics* const web = manager.GetServiceDiagnostics(u"Shop::Web");
    ServiceDiagnostics* const db = manager.GetServiceDiagnostics(u"Shop::Db");

    std::uint32_t const responseSizes[] = {512, 2048, 1024};
    int request = 0;
    for (std::uint32_t const size : responseSizes) {
        std::u16string const id = u"request-" + std::u16string(1, static_cast<char16_t>(u'0' + request++));
        web->NumberCounterIncrease(u"requests");
        web->TimeCounterStart(u"handling", id);
        db->TimeCounterStart(u"query", id);
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * request));
        db->TimeCounterStop(u"query", id);
        db->SizeCounterUpdate(u"rows", size / 64);
        web->TimeCounterStop(u"handling", id);
        web->SizeCounterUpdate(u"response", size);
    }
    web->NumberCounterIncrease(u"errors");

    try {
        manager.WriteMetricsFile(path);
    } catch (Tarnwick::ServiceException const& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    manager.WriteMetrics(std::cout);
    return 0;
}
