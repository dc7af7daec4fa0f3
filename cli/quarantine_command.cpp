#include <algorithm>
#include <charconv>
#include <limits>
#include <ostream>

#include "cli/commands_list.h"
#include "app/quarantine_folder.h"
#include "removal/quarantine_index.h"
#include "removal/quarantine_store.h"

namespace sorvane::cli {
namespace {

constexpr const char* Usage =
    "Usage: SorvaneCmd quarantine list [--json]\n"
    "       SorvaneCmd quarantine restore ID...\n"
    "       SorvaneCmd quarantine purge ID...|--older-than DAYS\n";

std::optional<std::uint64_t> numberOf(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

int usageError(Console& console, std::string_view what) {
    console.err << "SorvaneCmd quarantine: " << what << "\n" << Usage;
    return ExitError;
}

int list(removal::QuarantineStore& store, std::span<const std::string> args, Console& console) {
    if (args.size() > 1 || (args.size() == 1 && args[0] != "--json")) return usageError(console, "unexpected argument");
    if (!args.empty()) {
        console.out << removal::SerializeQuarantineIndex(store.entries());
        return ExitClean;
    }
    if (store.entries().empty()) console.out << "The quarantine is empty.\n";
    for (const auto& entry : store.entries()) {
        console.out << entry.id << "  " << entry.date << "  " << removal::KindName(entry.kind) << "  "
                    << removal::StateName(entry.state) << "  " << entry.threat << "  " << entry.original << "\n";
    }
    return ExitClean;
}

// Restores or purges each id; 0 when all went, 1 when some clashed, 2 when one failed.
int apply(removal::QuarantineStore& store, const std::vector<std::uint64_t>& ids, bool restoring, Console& console) {
    int exit = ExitClean;
    for (const auto id : ids) {
        const auto result = restoring ? store.restore(id) : store.purge(id);
        switch (result.outcome) {
        case removal::Outcome::Done:
            console.out << (restoring ? "Restored " : "Purged ") << id << ": " << result.detail << "\n";
            break;
        case removal::Outcome::Clash:
            console.out << "Not restored " << id << ": " << result.detail << "\n";
            exit = std::max(exit, ExitFound);
            break;
        case removal::Outcome::NotFound:
            console.err << "No quarantine entry " << id << "\n";
            exit = ExitError;
            break;
        case removal::Outcome::Failed:
        case removal::Outcome::NotRestorable:
            console.err << (restoring ? "Cannot restore " : "Cannot purge ") << id << ": " << result.detail << "\n";
            exit = ExitError;
            break;
        }
    }
    return exit;
}

}  // namespace

int runQuarantine(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.empty()) return usageError(console, "which action?");
    removal::QuarantineStore store(platform.files, platform.registry, platform.locale, platform.signatures,
                                   app::QuarantineFolderOf(platform.environment.applicationFolder()));
    const std::string& action = args[0];
    const auto rest = args.subspan(1);
    if (action != "list" && action != "restore" && action != "purge")
        return usageError(console, "unknown action '" + action + "'");
    if (!store.load()) {
        console.err << "SorvaneCmd quarantine: the index cannot be read\n";
        return ExitError;
    }
    if (action == "list") return list(store, rest, console);

    std::vector<std::uint64_t> ids;
    if (action == "purge" && !rest.empty() && rest[0] == "--older-than") {
        const auto days = rest.size() == 2 ? numberOf(rest[1]) : std::nullopt;
        // Beyond the signed day count a value would wrap negative and make every entry "older".
        if (!days || *days > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return usageError(console, "--older-than takes a number of days");
        ids = store.olderThan(static_cast<std::int64_t>(*days));
        if (ids.empty()) console.out << "Nothing older than " << *days << " days.\n";
    } else {
        if (rest.empty()) return usageError(console, "which entries?");
        for (const auto& arg : rest) {
            const auto id = numberOf(arg);
            if (!id) return usageError(console, "not an entry id: '" + arg + "'");
            ids.push_back(*id);
        }
    }
    return apply(store, ids, action == "restore", console);
}

}  // namespace sorvane::cli
