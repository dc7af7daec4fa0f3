#include <ostream>

#include "app/frm_main.h"
#include "app/gui_features.h"
#include "cli/commands_list.h"
#include "localization/authoring.h"
#include "localization/language_switch.h"
#include "localization/translation_file.h"
#include "ui/headless/headless_host.h"

namespace sorvane::cli {
namespace {

constexpr std::string_view Usage = "Usage: SorvaneCmd language list|make\n";

int listLanguages(platform::Platform& platform, Console& console) {
    ui::HeadlessHost host;
    app::Application application(platform, host);
    auto context = application.languageContext();
    const std::string path = application.appPath(localization::TranslationFileName);
    if (!localization::ReadTranslationFile(platform.files, path)) {
        console.err << "SorvaneCmd language: no readable " << localization::TranslationFileName << " beside the program\n";
        return ExitError;
    }
    for (const auto& name : localization::ListLanguages(context)) console.out << name << "\n";
    return ExitClean;
}

int makeFile(platform::Platform& platform, Console& console) {
    // The program's windows as the GUI builds them, never shown: their captions as designed.
    ui::HeadlessHost host;
    app::Application application(platform, host);
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    app::GuiFeatures features(application);
    app::FrmMain main(application);
    if (!features.localization.makeLocalizationFileOfEveryWindow(main).ok()) {
        console.err << "SorvaneCmd language: could not write " << localization::AuthoringFileName << "\n";
        return ExitError;
    }
    console.out << application.appPath(localization::AuthoringFileName) << "\n";
    return ExitClean;
}

}  // namespace

int runLanguage(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.size() == 1 && args[0] == "list") return listLanguages(platform, console);
    if (args.size() == 1 && args[0] == "make") return makeFile(platform, console);
    console.err << Usage;
    return ExitError;
}

}  // namespace sorvane::cli
