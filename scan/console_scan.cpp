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

ConsoleScan::ConsoleScan(platform::Platform& platform, ui::Host& host)
    : application(platform, host),
      exclusions(ApplicationExclusions(application)),
      window(host),
      // The scan window holds every control a scan binds.
      session(platform, host, *ScanView::bind(window), exclusions, AppAccessOf(application), {},
              application.applicationFolder()) {
    session.progressBarsShown = false;
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    // The console's messages follow the "Language" setting as the windows' do.
    application.applyStoredLanguage();
    exclusions.LoadExclusions();
    window.load();
    // Checked as the main window's options page loads them.
    for (auto name : {"chkMakeLog", "chkSendData"})
        if (auto* box = window.findAs<ui::CheckBox>(name))
            box->setValue(static_cast<int>(text::numericValue(session.setting("OptionAndSettings", name, "1"))));
}

void ConsoleScan::chooseScope(std::optional<bool> complete) {
    if (!complete) {
        const std::string stored = application.userSettings.read(app::section::Options, "optScanAllSelectedHardDrive", "");
        complete = !stored.empty() && text::booleanValue(stored, false);
    }
    session.completeScan = complete;
}

bool ConsoleScan::definitionsPresent() { return DefinitionFilesPresent(session); }

void ConsoleScan::run() {
    if (auto* drives = session.view.lvwHardDrives) {
        FillDriveList(*drives, application.platform.files);
        LoadDriveTicks(*drives, session.app.readSetting);
    }
    cmdScanNow_Click(session);
}

}  // namespace sorvane::scan
