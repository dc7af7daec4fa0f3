#include <ostream>

#include "cli/cli.h"

namespace sorvane::cli {
namespace {

void printUsage(std::ostream& out) {
    out << "Usage: SorvaneCmd COMMAND [OPTIONS]\n\nCommands:\n";
    for (const auto& command : commands()) out << "  " << command.usage << "\n";
}

}  // namespace

int dispatch(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage(args.empty() ? console.err : console.out);
        return args.empty() ? ExitError : ExitClean;
    }
    for (const auto& command : commands())
        if (command.name == args[0]) return command.run(platform, args.subspan(1), console);
    console.err << "SorvaneCmd: unknown command '" << args[0] << "'\n";
    printUsage(console.err);
    return ExitError;
}

}  // namespace sorvane::cli
