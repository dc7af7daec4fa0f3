// SorvaneCmd.exe: runs one console command against the real system. Arguments arrive
// as UTF-8 through the platform; output is UTF-8 and the console is told so.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <exception>
#include <iostream>

#include "cli/cli.h"
#include "platform/trace.h"
#include "platform/win32/com_security.h"
#include "platform/win32/library_search.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_trace.h"

int main() {
    sorvane::platform::win32::LimitLibrarySearchToSystem32();
    sorvane::platform::win32::Win32Trace trace;
    const sorvane::platform::win32::ComForSystemRestore com;
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    sorvane::cli::Console console{std::cin, std::cout, std::cerr};
    console.useBinaryStreams = [] {
        std::cout.flush();
        std::fflush(stdout);
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stdin), _O_BINARY);
    };
    try {
        sorvane::platform::win32::Win32VersionResources versions;
        sorvane::platform::win32::Win32Platform system(versions);
        auto& platform = system.platform();
        const auto args = platform.environment.arguments();
        const int code = sorvane::cli::dispatch(platform, args, console);
        std::cout.flush();
        return code;
    } catch (const std::exception& failure) {
        sorvane::platform::TraceCaughtException("SorvaneCmd");
        std::cerr << "SorvaneCmd: " << failure.what() << "\n";
    } catch (...) {
        sorvane::platform::TraceCaughtException("SorvaneCmd");
        std::cerr << "SorvaneCmd: unexpected failure\n";
    }
    return sorvane::cli::ExitError;
}
