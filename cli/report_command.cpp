#include <ostream>

#include "cli/commands_list.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "report/scan_report.h"

namespace sorvane::cli {

namespace {

bool readReport(platform::Platform& platform, const std::string& path, std::string& bytes) {
    const auto entry = platform.files.lookup(path);
    return entry && !entry->isFolder() && entry->size <= limits::MaxTextFile && platform.files.readFile(path, bytes).ok();
}

}  // namespace

// The report the last scan with "Save scan results to log" left, or its JSON twin.
int runReport(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    bool json = false;
    for (const auto& arg : args) {
        if (arg != "--json") {
            console.err << "SorvaneCmd report: unknown argument \"" << arg << "\"\nusage: SorvaneCmd report [--json]\n";
            return ExitError;
        }
        json = true;
    }
    const std::string folder = platform.environment.applicationFolder();
    const std::string path = json ? report::ReportJsonPath(folder) : report::ReportPath(folder);
    std::string bytes;
    if (!readReport(platform, path, bytes)) {
        console.err << "SorvaneCmd report: no scan report in " << folder
                    << " (a scan writes one when \"Save scan results to log\" is on)\n";
        return ExitError;
    }
    if (json) {
        console.out << bytes;
    } else {
        // The file is ANSI with CR LF; the console gets UTF-8 lines.
        console.out << text::replaceAll(platform.locale.fromAnsi(bytes), "\r\n", "\n") << "\n";
    }
    return ExitClean;
}

}  // namespace sorvane::cli
