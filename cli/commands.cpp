#include <array>

#include "cli/cli.h"
#include "cli/commands_list.h"

namespace sorvane::cli {

std::span<const Command> commands() {
    // One line per command; each lives in its own file.
    static const std::array table{
        Command{"--version", "--version              product name, company and version", &runVersion},
        Command{"scan", "scan [--json] [--quick|--complete]  a whole scan (default: the scope the settings hold, quick when none is stored); exit 1 when a threat was found, a stopped process too", &runScan},
        Command{"defs", "defs encode|decode|lint FILE  definition files: encode, decode, check line by line", &runDefs},
        Command{"remove", "remove [--yes] [--quick|--complete] [--only TEXT ...]  scan (scope as for scan), then remove what was found (or only TEXT)", &runRemove},
        Command{"quarantine", "quarantine list [--json] | restore ID... | purge ID...|--older-than DAYS  what removal kept; put it back or delete it; exit 1 when something was already in place", &runQuarantine},
    };
    return table;
}

}  // namespace sorvane::cli
