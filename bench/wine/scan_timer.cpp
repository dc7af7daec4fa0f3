// `SorvaneCmd scan --quick --json` timed from inside the process: the same command through
// the same dispatcher, its output kept in memory, and the clock read around the command
// alone, so that start-up and exit (which vary by tenths of a second under Wine) stay out.
// Prints "exit CODE seconds S".
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/win32_platform.h"

int main() {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    sorvane::cli::Console console{in, out, err};
    sorvane::platform::win32::Win32VersionResources versions;
    sorvane::platform::win32::Win32Platform system(versions);
    const std::vector<std::string> args{"scan", "--quick", "--json"};
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int code = sorvane::cli::dispatch(system.platform(), args, console);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("exit %d seconds %.6f\n", code, seconds);
    return 0;
}
