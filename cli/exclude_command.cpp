#include <ostream>

#include "app/application.h"
#include "cli/commands_list.h"
#include "localization/messages.h"
#include "platform/text.h"
#include "scan/console_scan.h"
#include "ui/headless/headless_host.h"

namespace sorvane::cli {

// SorvaneCmd exclude TEXT...: each text one line of the exclusion file, as the results' Exclude
// command writes it; exit 2, with the cause, when the file cannot be written.
int runExclude(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.empty()) {
        console.err << "Usage: SorvaneCmd exclude TEXT...\n";
        return ExitError;
    }
    ui::HeadlessHost host;
    app::Application application(platform, host);
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    application.applyStoredLanguage();
    auto exclusions = scan::ApplicationExclusions(application);
    exclusions.LoadExclusions();
    const auto message = [&application](std::string_view key) { return application.message(key); };
    for (const std::string& entry : args) {
        if (const auto saved = exclusions.AddExclusion(entry); !saved.ok()) {
            console.err << "SorvaneCmd exclude: " << text::replaceAll(exclusions.UnsavedText(saved, message), "\r\n", " ")
                        << "\n";
            return ExitError;
        }
        console.out << "Excluded: " << entry << "\n";
    }
    return ExitClean;
}

}  // namespace sorvane::cli
