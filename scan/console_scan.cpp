#include "scan/console_scan.h"

#include "definitions/definition_files.h"
#include "localization/messages.h"
#include "platform/text.h"
#include "scan/drive_list.h"
#include "scan/main_window_scan.h"
#include "scan/scan_driver.h"

namespace sorvane::scan {

definitions::ExclusionList ApplicationExclusions(app::Application& application) {
    return definitions::ExclusionList(application.platform.files, application.platform.locale,
                                      application.appPath(definitions::ExclusionFile));
}

ConsoleScan::ConsoleScan(platform::Platform& platform, ui::Host& host, ScanObserver& observer)
    : application(platform, host),
      exclusions(ApplicationExclusions(application)),
      session(platform, host, observer, exclusions, AppAccessOf(application), {}, application.applicationFolder()) {
    session.progressBarsShown = false;
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    // The console's messages follow the "Language" setting as the windows' do.
    application.applyStoredLanguage();
    exclusions.LoadExclusions();
    // Chosen as the main window's options page loads it.
    session.choices.makeReport = text::numericValue(session.setting("OptionAndSettings", "chkMakeLog", "1")) == 1;
}

void ConsoleScan::chooseScope(std::optional<bool> complete) {
    if (!complete) {
        const std::string stored = application.userSettings.read(app::section::Options, "optScanAllSelectedHardDrive", "");
        complete = !stored.empty() && text::booleanValue(stored, false);
    }
    session.choices.complete = complete;
}

bool ConsoleScan::definitionsPresent() { return DefinitionFilesPresent(session); }

void ConsoleScan::run() {
    session.choices.drives = StoredDriveTicks(application.platform.files, session.app.readSetting);
    cmdScanNow_Click(session);
}

}  // namespace sorvane::scan
