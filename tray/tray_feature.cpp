#include "tray/tray_feature.h"

namespace sorvane::tray {

TrayFeature::TrayFeature(app::Application& app)
    : app_(app), tray_(app.host), popup_(std::make_unique<frmMenuPopUp>(app, tray_)) {
    app_.registerWindow(*popup_);
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
    hooks.enablePopupRestore = [this] { popup_->mnuMaxmimaize.setEnabled(true); };
    hooks.showTrayPopup = [this] { popup_->show(false); };
    hooks.hideTrayPopup = [this] { popup_->hide(); };
}

}  // namespace sorvane::tray
