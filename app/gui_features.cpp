#include "app/gui_features.h"

#include "app/frm_main.h"
#include "definitions/ui/exclude_command.h"
#include "scan/console_scan.h"

namespace sorvane::app {

GuiFeatures::GuiFeatures(Application& app)
    : app_(app),
      exclusions(scan::ApplicationExclusions(app)),
      scan(app, exclusions),
      // A scheduled scan's automatic removal asks nothing; the scan's state tells when one runs.
      removal(app, scan),
      report(app, scan),
      submission(app),
      tray(app),
      update(app),
      protection(app, scan, exclusions),

      localization(app, localization::ProgramFetch(app)) {
    installExclusions();
    scan.install(app.hooks);
    // The removal plugs "Delete" and "Remove" in; the scan reaches the same "Delete"
    // after a scheduled scan through the removeChecked hook.
    removal.install();
    report.install(app.hooks);
    submission.install(app.hooks);
    tray.install(app.hooks);
    update.install();
    protection.install();
    // A scheduled scan waits for a removal run or an update to end.
    protection.scheduler.setWorkUnderWay([this](FrmMain& main) {
        const removal::RemovalRun* run = removal.run(main);
        return (run != nullptr && run->running()) || update.running();
    });
    localization.install();
}

void GuiFeatures::installExclusions() {
    auto messages = [this](std::string_view key) { return app_.message(key); };
    app_.hooks.loadExclusions = [this] { exclusions.LoadExclusions(); };
    app_.hooks.excludeChecked = [this, messages](FrmMain& main) {
        definitions::RunExcludeCommand({main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved, main.lvwSpywareFound,
                                        main.lvwFilesToBeDeleted, main.lvwRegistryToBeDeleted,
                                        main.lvwCookiesToDelete, main.lblDeletingCaption},
                                       exclusions, app_.host, messages, app_.branding.ProgramName);
    };
    app_.hooks.viewExclusions = [this, messages](FrmMain&) {
        definitions::ViewExclusions(app_.platform.files, app_.platform.shell, app_.applicationFolder(), app_.host,
                                    messages);
    };
}

}  // namespace sorvane::app
