#include <algorithm>
#include <ostream>
#include <vector>

#include "app/frm_main_layout.h"
#include "app/secondary_windows.h"
#include "cli/commands_list.h"
#include "localization/authoring.h"
#include "localization/language_switch.h"
#include "localization/translation_file.h"
#include "localization/ui/frm_language.h"
#include "protection/home_page.h"
#include "protection/memory_shield.h"
#include "removal/frm_delete.h"
#include "removal/frm_quarantine.h"
#include "report/frm_report.h"
#include "tray/frm_menu_popup.h"
#include "ui/headless/headless_host.h"
#include "update/frm_download.h"
#include "update/frm_signature_updated.h"

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

// Every window the program has, from its design: the main window first, then the others by
// name, as the program keeps them. The splash window, made only by the program's own start, is
// not among them.
std::vector<localization::DesignedWindow> everyWindow(const app::Application& app) {
    std::vector<localization::DesignedWindow> windows = {
        {&app::FrmAbout::Layout},
        {&removal::FrmDelete::Layout},
        {&update::FrmDownload::Layout, update::FrmDownload::CaptionsAtLoad(app)},
        {&protection::FrmHomePageChangedAlert::Layout, protection::FrmHomePageChangedAlert::CaptionsAtLoad(app)},
        {&localization::FrmLanguage::Layout},
        {&tray::frmMenuPopUp::Layout, tray::frmMenuPopUp::CaptionsAtLoad(app)},
        {&removal::FrmQuarantine::Layout},
        {&report::FrmReport::Layout},
        {&update::FrmSignatureUpdated::Layout, update::FrmSignatureUpdated::CaptionsAtLoad(app)},
        {&protection::FrmSpywareFoundAlert::Layout, protection::FrmSpywareFoundAlert::CaptionsAtLoad(app)},
    };
    std::ranges::sort(windows, {}, [](const auto& window) { return window.layout->name; });
    windows.insert(windows.begin(), {&app::FrmMainLayout});
    return windows;
}

int makeFile(platform::Platform& platform, Console& console) {
    // The captions of every window as designed and as their loads fill them in; no window is built.
    ui::HeadlessHost host;
    app::Application application(platform, host);
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    if (!localization::makeLocalizationFile(platform.files, platform.locale, application.applicationFolder(),
                                            everyWindow(application), application.messages,
                                            application.branding.SkinsEnabled)
             .ok()) {
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
