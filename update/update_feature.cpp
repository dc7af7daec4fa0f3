#include "update/update_feature.h"

#include "app/definition_files.h"
#include "app/settings.h"
#include "platform/write_failure.h"
#include "update/definitions_date.h"

namespace sorvane::update {

namespace {
constexpr int IdleSecondsBeforeUpdate = 300;
constexpr int ShiftOnly = 1;

// The scan's Start button is disabled from its start until it has ended.
bool scanRunning(const app::FrmMain& main) { return !main.cmdScanNow.enabled(); }

// The window's part of the update: each progress text in the status window's text box.
class DownloadWindowObserver final : public UpdateObserver {
public:
    explicit DownloadWindowObserver(FrmDownload& download) : download_(download) {}
    void statusChanged(const std::string& text) override {
        // After "Cancel" the window is gone and its texts with it.
        if (download_.loaded()) download_.txtStatus.setText(text);
    }

private:
    FrmDownload& download_;
};
}  // namespace

UpdateFeature::UpdateFeature(app::Application& app)
    : app_(app),
      frmDownload_(std::make_unique<FrmDownload>(app)),
      frmSignatureUpdated_(std::make_unique<FrmSignatureUpdated>(app, *frmDownload_)) {
    app.registerWindow(*frmDownload_);
    app.registerWindow(*frmSignatureUpdated_);
}

void UpdateFeature::install() {
    // Run by the main window's load after its single-instance test. When it cannot be finished
    // now, every update tries again first and refuses to run until it is.
    app_.hooks.finishInterruptedUpdate = [this] {
        (void)FinishInterruptedUpdate(app_.platform.instance, app_.platform.files, app_.applicationFolder());
    };
    app_.hooks.liveUpdate = [this](app::FrmMain& main) { cmdUpdate_Click(main); };
    app_.hooks.rollBackDefinitions = [this](app::FrmMain& main) { mnuRollBack_Click(main); };
    app_.hooks.autoUpdateTick = [this](app::FrmMain& main) { timUpdate_Timer(main); };
    app_.hooks.liveUpdateMouseDown = [this](app::FrmMain&, int button, int shift) { cmdUpdate_MouseDown(button, shift); };
}

void UpdateFeature::cmdUpdate_Click(app::FrmMain& main) {
    // The menu entry, the first-start offer and the timer reach here too: one update at a time,
    // and none during a scan, which reads the definition files the update replaces and would
    // have the shields and the scheduler switched back on under it when the update ends.
    if (running_ || scanRunning(main)) return;
    running_ = true;
    main.ArmBackgroundTimers(false);
    main.cmdLiveUpdate.setEnabled(false);

    FrmDownload& download = *frmDownload_;
    download.show(false);
    download.txtStatus.setText("");
    DownloadWindowObserver observer(download);
    UpdateSession session{app_.platform, app_.host, app_.branding, app_.applicationFolder(), observer};
    lastOutcome_ = RunIncrementalUpdate(session);

    FrmSignatureUpdated& notice = *frmSignatureUpdated_;
    if (lastOutcome_.result == UpdateResult::Updated) {
        app_.userSettings.write(app::section::Options, "SHOW", "True");
        app_.userSettings.write(app::section::Options, "RESTART", "True");
        if (app_.hooks.trayRemoveIcon) app_.hooks.trayRemoveIcon(download);
        notice.showNotice(app_.brandedMessage("MSG_UPDATED_DEFS"));
        app_.definitionCounts = app::CountDefinitions(app_.platform.files, app_.applicationFolder());
        app_.DefinitionCount = app_.definitionCounts.total();
        main.RefreshStatusPanel();
        main.lblDefVersion.setCaption(main.DefinitionsDateText(lastOutcome_.newDate));
        main.cmdScan.setEnabled(true);
    } else if (lastOutcome_.result == UpdateResult::Current) {
        notice.showNotice(app_.brandedMessage("MSG_RECENT_DEFS"));
    } else if (lastOutcome_.result == UpdateResult::Refused) {
        // Nothing was applied; the user learns why, a held-back update above all.
        notice.showNotice(app_.brandedMessage(std::string(RefusalMessageKey(lastOutcome_.refusal))));
    } else if (lastOutcome_.result == UpdateResult::LocalFailure) {
        // Nothing the connection can mend: the file and the cause are named, in the chosen
        // language where the catalogue has a word for the cause.
        const auto message = [this](std::string_view key) { return app_.message(key); };
        const std::string cause = platform::WriteFailureMessageKey(lastOutcome_.failureCode).empty()
                                      ? lastOutcome_.detail
                                      : lastOutcome_.failedFile + ": " +
                                            platform::WriteFailureCause(lastOutcome_.failureCode, message);
        notice.showNotice(app_.brandedMessage("MSG_UPDATE_LOCAL") + "\r\n" + cause);
    } else {
        // A failed update is not reported as current definitions.
        notice.showNotice(app_.brandedMessage("MSG_INTERNET"));
    }

    download.unload();
    main.cmdLiveUpdate.setEnabled(true);
    main.ArmBackgroundTimers(true);
    running_ = false;
}

void UpdateFeature::mnuRollBack_Click(app::FrmMain& main) {
    // The same files as an update: never under one, nor under a scan that reads them.
    if (running_ || scanRunning(main)) return;
    running_ = true;
    main.ArmBackgroundTimers(false);
    const RollbackOutcome outcome = RollBackDefinitions(app_.platform.instance, app_.platform.files, app_.applicationFolder());
    FrmSignatureUpdated& notice = *frmSignatureUpdated_;
    if (outcome.result == RollbackResult::RolledBack) {
        notice.showNotice(app_.brandedMessage("MSG_ROLLED_BACK"));
        app_.definitionCounts = app::CountDefinitions(app_.platform.files, app_.applicationFolder());
        app_.DefinitionCount = app_.definitionCounts.total();
        main.RefreshStatusPanel();
        const auto date = LocalDefinitionsDate(app_.platform.files, app_.platform.locale, app_.applicationFolder());
        main.lblDefVersion.setCaption(main.DefinitionsDateText(DefinitionsDateText(app_.platform.locale, date)));
    } else if (outcome.result == RollbackResult::NoGeneration) {
        notice.showNotice(app_.brandedMessage("MSG_ROLLBACK_NONE"));
    } else {
        notice.showNotice(app_.brandedMessage("MSG_UPDATE_LOCAL") + "\r\n" + ReplaceFailureText(outcome.failure));
    }
    main.ArmBackgroundTimers(true);
    running_ = false;
}

void UpdateFeature::timUpdate_Timer(app::FrmMain& main) {
    const bool scanning = scanRunning(main);
    if (idleSeconds_ > IdleSecondsBeforeUpdate - 1 && !scanning) {
        cmdUpdate_Click(main);
        idleSeconds_ = 0;
        main.timUpdate.setOn(false);
        return;
    }
    if (!scanning) ++idleSeconds_;
}

void UpdateFeature::cmdUpdate_MouseDown(int /*button*/, int shift) {
    if (shift != ShiftOnly) return;
    (void)app_.host.messageBox(FullDefinitionAddresses(app_.branding.Website), app_.branding.ProgramName,
                               ui::mb::OkOnly);
}

}  // namespace sorvane::update
