#include "removal/removal_feature.h"

#include "app/quarantine_folder.h"

namespace sorvane::removal {

RemovalHooks RemovalHooksOf(app::Application& app) {
    auto access = scan::AppAccessOf(app);
    RemovalHooks hooks;
    hooks.message = std::move(access.message);
    hooks.readSetting = std::move(access.readSetting);
    hooks.writeSetting = std::move(access.writeSetting);
    return hooks;
}

RemovalFeature::RemovalFeature(app::Application& app, scan::MainWindowScan& scan)
    : app_(app),
      scan_(scan),
      frmDelete_(std::make_unique<FrmDelete>(app.host, app.platform.clipboard)),
      store_(std::make_unique<QuarantineStore>(app.platform.files, app.platform.registry, app.platform.locale, app.platform.signatures,
                                               app::QuarantineFolderOf(app.applicationFolder()))),
      // Made with the others, so that the authoring file lists its captions before it was opened.
      frmQuarantine_(std::make_unique<FrmQuarantine>(
          app.host, *store_, app.platform.shell, [&app] { return app.branding.ProgramName; },
          [&app](std::string_view key) { return app.message(key); }, app::QuarantineFolderOf(app.applicationFolder()))) {
    app_.registerWindow(*frmDelete_);
    app_.registerWindow(*frmQuarantine_);
}

void RemovalFeature::install() {
    app_.hooks.removeChecked = [this](app::FrmMain& main) { removeChecked(main); };
    app_.hooks.removeRun = [this](app::FrmMain& main) { removeRun(main); };
    app_.hooks.viewQuarantine = [this](app::FrmMain&) { viewQuarantine(); };
    app_.hooks.loadDeleteWindow = [this](app::FrmMain&) { loadDeleteWindow(); };
}

namespace {

// The results page of the main window: its pages, timers, status panel and data submission.
class MainWindowRemoval final : public RemovalWindow {
public:
    MainWindowRemoval(app::Application& app, scan::MainWindowScan& scan, app::FrmMain& main, RemovalRun& run,
                      RemovalView view, FrmDelete& problems)
        : RemovalWindow(app.host, run, view, problems, app.branding.ProgramName), app_(app), scan_(scan), main_(main) {}

protected:
    void showResultsPage() override {
        main_.HideAllPages();
        main_.frmResults.setVisible(true);
    }
    void armBackgroundTimers(bool on) override { main_.ArmBackgroundTimers(on); }
    void refreshStatusPanel() override { main_.RefreshStatusPanel(); }
    void sendProcessList() override {
        // The data submission is a hook of its own: a window without it sends nothing.
        if (app_.hooks.submitScanData) app_.hooks.submitScanData(main_);
    }
    const scan::Findings* recordedFindings() override {
        const scan::ScanSession* session = scan_.current();
        return session ? &session->findings : nullptr;
    }

private:
    app::Application& app_;
    scan::MainWindowScan& scan_;
    app::FrmMain& main_;
};

}  // namespace

RemovalWindow* RemovalFeature::window(app::FrmMain& main) {
    if (window_) return window_.get();
    auto view = bindRemovalView(main);
    if (!view) return nullptr;
    run_.emplace(app_.platform, app_.host, RemovalHooksOf(app_), app_.branding.ProgramName);
    window_ = std::make_unique<MainWindowRemoval>(app_, scan_, main, *run_, *view, *frmDelete_);
    return window_.get();
}

RemovalRun* RemovalFeature::run(app::FrmMain& main) { return window(main) ? &*run_ : nullptr; }

void RemovalFeature::removeChecked(app::FrmMain& main) {
    if (RemovalWindow* removal = window(main)) removal->Command4_Click(scan_.autoRemoveAfterScan());
}

void RemovalFeature::removeRun(app::FrmMain& main) {
    if (RemovalWindow* removal = window(main)) removal->lblRemove_Click();
}

void RemovalFeature::viewQuarantine() {
    (void)app_.platform.files.createPrivateFolder(app::QuarantineFolderOf(app_.applicationFolder()));
    if (!frmQuarantine_->loaded()) frmQuarantine_->load();
    frmQuarantine_->refresh();
    frmQuarantine_->show(false);
}

void RemovalFeature::loadDeleteWindow() {
    frmDelete_->load();
    frmDelete_->hide();
}

}  // namespace sorvane::removal
