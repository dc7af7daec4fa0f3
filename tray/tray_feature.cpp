#include "tray/tray_feature.h"

#include "app/frm_main.h"

namespace sorvane::tray {

TrayFeature::TrayFeature(app::Application& app)
    : app_(app), tray_(app.host), popup_(std::make_unique<frmMenuPopUp>(app, tray_)) {
    app_.registerWindow(*popup_);
    // A window whose icon the shell never took is shown instead of staying hidden for good;
    // the stored choice to start in the tray is kept for the next start.
    tray_.onIconRefused = [this](ui::Form& form) {
        auto* main = dynamic_cast<app::FrmMain*>(&form);
        if (main == nullptr) {
            form.show();
            return;
        }
        const std::string minimized = app_.userSettings.read(app::section::Settings, "Minimized", "No");
        main->RestoreFromTray();
        app_.userSettings.write(app::section::Settings, "Minimized", minimized);
    };
}

void TrayFeature::install(app::MainWindowHooks& hooks) {
    hooks.trayShowIcon = [this](ui::Form& form, const std::string& toolTip) {
        tray_.ShowIcon(form);
        tray_.ChangeToolTip(form, toolTip);
    };
    hooks.trayRemoveIcon = [this](ui::Form& form) { tray_.RemoveIcon(form); };
    hooks.trayChangeToolTip = [this](ui::Form& form, const std::string& toolTip) {
        tray_.ChangeToolTip(form, toolTip);
    };
    hooks.trayRunning = [this] { return tray_.bRunningInTray(); };
    hooks.enablePopupRestore = [this] { popup_->showProgramItem.setEnabled(true); };
    hooks.showTrayPopup = [this] { popup_->show(false); };
    hooks.hideTrayPopup = [this] { popup_->dismiss(); };
    hooks.trayBalloon = [this](ui::Form& form, const std::string& text) {
        (void)tray_.ShowBalloon(form, app_.branding.ProgramName, text);
    };
}

}  // namespace sorvane::tray
