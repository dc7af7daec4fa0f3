#include <ostream>

#include "app/application.h"
#include "cli/commands_list.h"
#include "localization/messages.h"
#include "report/data_submission.h"
#include "ui/headless/headless_host.h"

namespace sorvane::cli {

// The manual submission of one file name, as "Submit" sends it; the result label's text
// goes to the output.
int runSubmit(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.size() != 1) {
        console.err << "usage: SorvaneCmd submit NAME\n";
        return ExitError;
    }
    ui::HeadlessHost host;
    app::Application application(platform, host);
    localization::LoadDefaultMessages(application.messages);
    const auto result = report::SubmitFileName(platform, host, args[0],
                                               [&application](std::string_view key) { return application.message(key); });
    console.out << result.text << "\n";
    return result.accepted ? ExitClean : ExitError;
}

}  // namespace sorvane::cli
