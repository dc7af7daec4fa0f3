#pragma once
#include <memory>

#include "app/application.h"
#include "app/frm_main.h"
#include "update/frm_download.h"
#include "update/frm_signature_updated.h"
#include "update/update_driver.h"

namespace sorvane::update {

// Live update as the main window reaches it: "Live Update" and "Run Live Update Now",
// the automatic update after 300 seconds without a scan, the first-start offer (which
// clicks "Live Update"), the status window and the notification. One per application.
class UpdateFeature {
public:
    explicit UpdateFeature(app::Application& app);

    // Sets the main window's hooks that the update owns, among them the one that finishes an
    // update a crash cut short, before the main window reads the definitions.
    void install();

    // cmdUpdate_Click: the whole flow, from switching the timers off to the notification.
    void cmdUpdate_Click(app::FrmMain& main);
    // timUpdate_Timer, every second while automatic update is on.
    void timUpdate_Timer(app::FrmMain& main);
    // File > Roll Back Definitions: the definitions before the last update, in one step.
    void mnuRollBack_Click(app::FrmMain& main);
    // cmdUpdate_MouseDown: with exactly Shift held, lists the full definition files' addresses.
    void cmdUpdate_MouseDown(int button, int shift);

    FrmDownload& downloadWindow() { return *frmDownload_; }
    FrmSignatureUpdated& notification() { return *frmSignatureUpdated_; }
    int idleSeconds() const { return idleSeconds_; }
    // True from the start of an update to its notification.
    bool running() const { return running_; }
    const UpdateOutcome& lastOutcome() const { return lastOutcome_; }

private:
    app::Application& app_;
    std::unique_ptr<FrmDownload> frmDownload_;
    std::unique_ptr<FrmSignatureUpdated> frmSignatureUpdated_;
    int idleSeconds_ = 0;
    bool running_ = false;
    UpdateOutcome lastOutcome_;
};

}  // namespace sorvane::update
