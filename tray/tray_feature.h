#pragma once
#include <memory>

#include "app/application.h"
#include "tray/cls_tray.h"
#include "tray/frm_menu_popup.h"

namespace sorvane::tray {

// The tray icon and its popup as the main window and the update windows reach them.
class TrayFeature {
public:
    explicit TrayFeature(app::Application& app);

    void install(app::MainWindowHooks& hooks);

    clsTray& tray() { return tray_; }
    frmMenuPopUp& popup() { return *popup_; }

private:
    app::Application& app_;
    clsTray tray_;
    std::unique_ptr<frmMenuPopUp> popup_;
};

}  // namespace sorvane::tray
