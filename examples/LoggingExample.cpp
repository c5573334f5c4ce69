// Named loggers with level settings by name pattern, writing to standard
// output and to the manager's log file ./Logs/<name>.

#include <tarnwick/tarnwick.h>

#include <fstream>
#include <iostream>
#include <string>

using namespace Tarnwick::Utils;

int main()
{
    //! [logging]
    LoggerManager logs(u"example.log");
    logs.SetLevelType(u"", LOG_ERROR); // the default for every logger
    logs.SetLevelType(u"Net", LOG_DEBUG); // loggers whose name contains "Net"
    logs.SetLevelType(u"Net::Tcp", LOG_TRACE); // more ':' are applied later and win

    ServiceLogger* console = logs.GetLogger(u"Net::Tcp::Rx", OUTPUT_CONSOLE); // owned by the manager
    console->Trace(u"received %d bytes from %s", 1500, u"10.0.0.7");

    ServiceLogger* file = logs.GetLogger(u"Server", OUTPUT_FILE);
    file->Warning(u"dropped: below LOG_ERROR");
    file->Error(u"started %d workers on %s (%S)", 3, u"eth0", "narrow text");
    // ./Logs/example.log: "09:05:02.000042 3/7/2024 ERROR : Server - started 3 workers on eth0 (narrow text)"
    //! [logging]

    logs.Close(); // the file is complete and closed
    std::ifstream in("Logs/example.log");
    std::string line;
    std::getline(in, line);
    std::cout << line << '\n';
    std::string const expected = "ERROR : Server - started 3 workers on eth0 (narrow text)";
    return line.ends_with(expected) && !std::getline(in, line) ? 0 : 1;
}
