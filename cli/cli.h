#pragma once
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

// The console program's commands. They are platform-neutral, so the native tests run
// them against fakes; SorvaneCmd.exe runs them against the real system.
namespace sorvane::cli {

// Exit codes of SorvaneCmd.
inline constexpr int ExitClean = 0;
inline constexpr int ExitFound = 1;  // threats found, or items that resisted removal
inline constexpr int ExitError = 2;

struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Switches standard input and output to binary, for commands whose bytes must pass
    // unchanged (a text-mode stream adds CRs, drops them and stops at a 0x1A byte). Unset
    // where the streams carry bytes as they are.
    std::function<void()> useBinaryStreams = {};
};

using CommandFn = int (*)(platform::Platform& platform, std::span<const std::string> args, Console& console);

struct Command {
    std::string_view name;
    std::string_view usage;  // one line for the help text
    CommandFn run;
};

// Every command the console program knows, in the order the help text lists them.
std::span<const Command> commands();

// Runs the command named by args[0] with the rest of the arguments.
int dispatch(platform::Platform& platform, std::span<const std::string> args, Console& console);

}  // namespace sorvane::cli
