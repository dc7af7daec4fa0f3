#include <array>

#include "cli/cli.h"
#include "cli/commands_list.h"

namespace sorvane::cli {

std::span<const Command> commands() {
    // One line per command; each lives in its own file.
    static const std::array table{
        Command{"--version", "--version              product name, company and version", &runVersion},
        Command{"scan", "scan [--json] [--quick|--complete]  a whole scan (default: the scope the settings hold); exit 1 when something was found", &runScan},
        Command{"defs", "defs encode|decode|lint FILE  definition files: encode, decode, check line by line", &runDefs},
        Command{"language", "language list|make     the languages of Localization.xml; make writes the English Localization.txt", &runLanguage},
        Command{"remove", "remove [--yes] [--quick|--complete] [--only TEXT ...]  scan, then remove what was found (or only TEXT)", &runRemove},
    };
    return table;
}

}  // namespace sorvane::cli
