#pragma once
#include <memory>
#include <optional>

#include "app/application.h"
#include "app/frm_main.h"
#include "removal/frm_delete.h"
#include "removal/frm_quarantine.h"
#include "removal/quarantine_store.h"
#include "removal/removal_run.h"
#include "removal/removal_window.h"
#include "scan/main_window_scan.h"

namespace sorvane::removal {

// The catalogue and the per-user settings store of the application, as a removal run
// reads and writes them.
RemovalHooks RemovalHooksOf(app::Application& app);

// Removal as the main window reaches it: "Delete" and "Remove", "View Quarantine", and
// the "Delete Failed" window loaded hidden at start-up. One per application.
class RemovalFeature {
public:
    // `scan` tells whether a scheduled scan's automatic removal is running.
    RemovalFeature(app::Application& app, scan::MainWindowScan& scan);

    // Sets the main window's hooks that removal owns.
    void install();

    // "Delete": the confirmed run, or the silent one of a scheduled scan.
    void removeChecked(app::FrmMain& main);
    // "Remove": the run itself, without a question.
    void removeRun(app::FrmMain& main);
    // "View Quarantine": the quarantine window, filled afresh from the index.
    void viewQuarantine();
    void loadDeleteWindow();

    FrmDelete& deleteWindow() { return *frmDelete_; }
    // The run bound to the main window, made on first use.
    RemovalRun* run(app::FrmMain& main);
    // The results page's side of it, made with the run.
    RemovalWindow* window(app::FrmMain& main);

private:
    app::Application& app_;
    scan::MainWindowScan& scan_;
    std::unique_ptr<FrmDelete> frmDelete_;
    std::optional<RemovalRun> run_;
    std::unique_ptr<RemovalWindow> window_;
    std::unique_ptr<QuarantineStore> store_;
    std::unique_ptr<FrmQuarantine> frmQuarantine_;
};

}  // namespace sorvane::removal
