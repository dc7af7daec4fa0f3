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
        Command{"remove", "remove [--yes] [--send-data] [--quick|--complete] [--only TEXT ...]  scan (scope as for scan), then remove what was found (or only TEXT); --send-data also sends the names of the running programs to the collection server", &runRemove},
        Command{"quarantine", "quarantine list [--json] | restore ID... | purge ID...|--older-than DAYS  what removal kept; put it back or delete it; exit 1 when something was already in place", &runQuarantine},
        Command{"report", "report [--json]        the last scan report, or the last scan as JSON with its times", &runReport},
        Command{"update", "update [--json] [--rollback]  live update of the definitions; exit 1 when already current, 2 when the server gave no usable answer or it was refused; --rollback brings back the definitions before the last update", &runUpdate},
        Command{"exclude", "exclude TEXT...        never report TEXT again (a location or a name, as the results list shows it); exit 2 when the exclusion file cannot be written", &runExclude},
        Command{"submit", "submit NAME            send one file name (never its folder) to the data-collection endpoint; exit 0 when it was taken", &runSubmit},
        Command{"language", "language list|make     the languages of Localization.xml; make writes the English Localization.txt", &runLanguage},
        Command{"startup", "startup on|off|remove-all  start the program when this user logs on (a Task Scheduler task), or no longer; remove-all deletes every user's task for this folder's program and prints how many; exit 2 when it could not be changed", &runStartup},
    };
    return table;
}

}  // namespace sorvane::cli
