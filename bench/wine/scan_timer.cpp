// `SorvaneCmd scan --quick --json` (or the command its arguments give) timed from inside the process: the same command through
// the same dispatcher, its output kept in memory, and the clock read around the command
// alone, so that start-up and exit (which vary by tenths of a second under Wine) stay out.
// Prints "exit CODE seconds S peak KIB", the last the process's peak working set.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/win32_platform.h"

int main(int argc, char** argv) {
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    sorvane::cli::Console console{in, out, err};
    sorvane::platform::win32::Win32VersionResources versions;
    sorvane::platform::win32::Win32Platform system(versions);
    const std::vector<std::string> args =
        argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{"scan", "--quick", "--json"};
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const int code = sorvane::cli::dispatch(system.platform(), args, console);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    const unsigned long long peakKib =
        GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory) ? memory.PeakWorkingSetSize / 1024 : 0;
    std::printf("exit %d seconds %.6f peak %llu\n", code, seconds, peakKib);
    return 0;
}
