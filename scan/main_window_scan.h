#pragma once
#include <functional>
#include <memory>
#include <optional>

#include "app/application.h"
#include "definitions/exclusions.h"
#include "scan/scan_session.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::scan {

// The catalogue and the per-user settings store of the application, as a scan reads them.
AppAccess AppAccessOf(app::Application& application);

// The scan as the main window runs it: one session over FrmMain's controls, made when the
// window first needs it and kept for the life of the window, so that the shields and the
// scheduler see the same stop flag and counters.
class MainWindowScan {
public:
    MainWindowScan(app::Application& application, definitions::ExclusionList& exclusions);

    // Plugs the scan driver, the drive list and the result-list handlers into the window.
    void install(app::MainWindowHooks& hooks);
    // The session over the window's controls.
    ScanSession& session(app::FrmMain& window);
    // The window's controls the session's observer fills.
    ScanView& view(app::FrmMain& window);
    // The session once the window has made it; nothing before the first use.
    ScanSession* current() { return session_.get(); }
    // True while a scheduled scan's automatic removal runs.
    bool autoRemoveAfterScan() const { return session_ && session_->state.autoRemoveAfterScan; }
    // Work other subsystems fill in: the report, the removal run, the data submission.
    ScanHooks extraHooks;

private:
    app::Application& app_;
    definitions::ExclusionList& exclusions_;
    std::optional<ScanView> view_;
    std::unique_ptr<ScanObserver> observer_;
    std::unique_ptr<ScanSession> session_;
};

}  // namespace sorvane::scan
