#include <ostream>

#include "app/application.h"
#include "app/start_at_logon.h"
#include "cli/commands_list.h"
#include "ui/headless/headless_host.h"

namespace sorvane::cli {
namespace {

constexpr std::string_view Usage = "Usage: SorvaneCmd startup on|off|remove-all\n";

}  // namespace

int runStartup(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off" && args[0] != "remove-all")) {
        console.err << Usage;
        return ExitError;
    }
    ui::HeadlessHost host;
    app::Application application(platform, host);
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    const auto message = [&application](std::string_view key) { return application.message(key); };
    const std::string& product = application.branding.ProgramName;

    if (args[0] == "remove-all") {
        std::size_t removed = 0;
        const platform::Status status =
            app::RemoveEveryUsersLogonTask(platform, product, app::WindowProgramName, removed);
        console.out << removed << "\n";
        if (status.ok()) return ExitClean;
        console.err << "SorvaneCmd startup: " << app::StartAtLogonFailureCause(status.code(), message) << "\n";
        return ExitError;
    }
    // The window program's check box shows what was chosen here.
    const bool on = args[0] == "on";
    const platform::Status status = app::SetStartAtLogon(platform, product, app::WindowProgramName, on);
    if (!status.ok()) {
        console.err << "SorvaneCmd startup: " << message("MSG_STARTUP_UNSAVED") << " "
                    << app::StartAtLogonFailureCause(status.code(), message) << "\n";
        return ExitError;
    }
    application.userSettings.write(app::section::Options, "chkRunAtStartup", on ? "1" : "0");
    return ExitClean;
}

}  // namespace sorvane::cli
