#include <ostream>

#include "cli/commands_list.h"

namespace sorvane::cli {

int runVersion(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (!args.empty()) {
        console.err << "SorvaneCmd --version takes no arguments\n";
        return ExitError;
    }
    const auto info = platform.versions.ownExecutable();
    if (!info) {
        console.err << "SorvaneCmd: the executable has no version resource\n";
        return ExitError;
    }
    console.out << info->productName << " " << info->major << "." << info->minor << "\n"
                << info->companyName << "\n"
                << "Version " << info->productVersion << "\n";
    return ExitClean;
}

}  // namespace sorvane::cli
