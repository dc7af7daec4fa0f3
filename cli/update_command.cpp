#include <nlohmann/json.hpp>

#include <ostream>

#include "app/application.h"
#include "localization/messages.h"
#include "cli/commands_list.h"
#include "ui/headless/headless_host.h"
#include "update/definitions_date.h"
#include "update/update_driver.h"

namespace sorvane::cli {
namespace {

constexpr int ExitCurrent = 1;

std::string resultName(update::UpdateResult result) {
    switch (result) {
        case update::UpdateResult::Updated: return "updated";
        case update::UpdateResult::Current: return "current";
        case update::UpdateResult::Unreachable: return "unreachable";
        case update::UpdateResult::Unusable: return "unusable";
        case update::UpdateResult::LocalFailure: return "local-failure";
        case update::UpdateResult::Refused: return "refused";
    }
    return "unusable";
}

// The console's part of the update: each progress text on its own line of standard error,
// a repeated one once, and the byte counts no more than a few a second.
class ConsoleUpdate final : public update::UpdateObserver {
public:
    ConsoleUpdate(platform::Platform& platform, Console& console) : platform_(platform), console_(console) {}
    void statusChanged(const std::string& text) override {
        if (text == lastStatus_) return;
        // Byte counts arrive every 256 bytes: a few a second are enough to read.
        const bool count = text.rfind("Downloaded ", 0) == 0;
        const std::uint64_t now = platform_.locale.tickMs();
        if (count && lastStatus_.rfind("Downloaded ", 0) == 0 && now - lastCount_ < 250) return;
        if (count) lastCount_ = now;
        lastStatus_ = text;
        console_.err << text << "\n";
    }

private:
    platform::Platform& platform_;
    Console& console_;
    std::string lastStatus_;
    std::uint64_t lastCount_ = 0;
};

}  // namespace

// SorvaneCmd update --rollback: the definitions before the last update, in one step, as the
// File menu does. Exit 0 rolled back, 1 nothing to roll back to, 2 the files could not be replaced.
int runRollback(app::Application& application, Console& console) {
    platform::Platform& platform = application.platform;
    const update::RollbackOutcome outcome =
        update::RollBackDefinitions(platform.instance, platform.files, application.applicationFolder());
    switch (outcome.result) {
        case update::RollbackResult::RolledBack: {
            const auto date = update::LocalDefinitionsDate(platform.files, platform.locale, application.applicationFolder());
            console.out << application.brandedMessage("MSG_ROLLED_BACK") << "\nDefinitions date: "
                        << update::DefinitionsDateText(platform.locale, date) << "\n";
            return ExitClean;
        }
        case update::RollbackResult::NoGeneration:
            console.out << application.brandedMessage("MSG_ROLLBACK_NONE") << "\n";
            return ExitCurrent;
        case update::RollbackResult::Failed: break;
    }
    console.err << "SorvaneCmd update: " << update::ReplaceFailureText(outcome.failure) << "\n";
    return ExitError;
}

// SorvaneCmd update [--json] [--rollback]: the live update of the window, without it. Progress goes to
// standard error; exit 0 updated, 1 already current, 2 no usable answer from the server or refused.
int runUpdate(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    bool json = false;
    bool rollback = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
            continue;
        }
        if (arg == "--rollback") {
            rollback = true;
            continue;
        }
        console.err << "SorvaneCmd update: unexpected argument '" << arg
                    << "'\nusage: SorvaneCmd update [--json] [--rollback]\n";
        return ExitError;
    }
    ui::HeadlessHost host;
    app::Application application(platform, host);
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    if (rollback) return runRollback(application, console);
    ConsoleUpdate progress(platform, console);
    update::UpdateSession session{platform, host, application.branding, application.applicationFolder(), progress};
    const update::UpdateOutcome outcome = update::RunIncrementalUpdate(session);

    if (json) {
        nlohmann::json document;
        document["result"] = resultName(outcome.result);
        document["changes"] = outcome.count;
        if (outcome.result == update::UpdateResult::Updated) {
            document["date"] = outcome.newDate;
            document["files"] = nlohmann::json::array();
            for (const auto& file : outcome.files) {
                document["files"].push_back({{"name", file.name},
                                             {"added", file.added},
                                             {"deletionPass", file.deletionPass},
                                             {"restored", file.restored}});
            }
        }
        if (!outcome.detail.empty()) document["error"] = outcome.detail;
        console.out << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else if (outcome.result == update::UpdateResult::Updated) {
        for (const auto& file : outcome.files) {
            if (file.restored) {
                console.out << file.name << ": missing, restored whole from the server\n";
                continue;
            }
            console.out << file.name << ": " << file.added << " added" << (file.deletionPass ? ", outdated entries removed" : "")
                        << "\n";
        }
        console.out << "Definitions updated to " << outcome.newDate << " (" << outcome.count << " changes).\n";
    } else if (outcome.result == update::UpdateResult::Current) {
        console.out << "Definitions are current.\n";
    } else if (outcome.result == update::UpdateResult::Refused) {
        // What the window says, then the console's own detail.
        console.err << application.brandedMessage(update::RefusalMessageKey(outcome.refusal)) << "\n"
                    << "SorvaneCmd update: " << outcome.detail << "\n";
    } else {
        console.err << "SorvaneCmd update: " << outcome.detail << "\n";
    }
    switch (outcome.result) {
        case update::UpdateResult::Updated: return ExitClean;
        case update::UpdateResult::Current: return ExitCurrent;
        default: return ExitError;
    }
}

}  // namespace sorvane::cli
