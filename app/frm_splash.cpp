#include "app/frm_splash.h"

#include "app/frm_main.h"

namespace sorvane::app {

FrmSplash::FrmSplash(Application& app, FrmMain& main)
    : ui::Form(app.host, "frmSplash"),
      imgSplash(add<ui::Image>("imgSplash")),
      lblProduct(add<ui::Label>("lblProduct")),
      Timer2(add<ui::Timer>("Timer2")),
      app_(app),
      main_(main) {
    setSize(6000, 3600);
    setIcon("#1");
    imgSplash.setPicture("#1");
    imgSplash.move(2520, 480, 960, 960);
    lblProduct.move(240, 1800, 5520, 480);
    lblProduct.setBold(true);
    Timer2.setInterval(2);
    Timer2.onTimer = [this] { Timer2_Timer(); };
    app.registerWindow(*this);
}

void FrmSplash::Form_Load() {
    app_.InitBranding();
    setCaption(app_.branding.ProgramName);
    lblProduct.setCaption(app_.branding.ProgramName);
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
    if (app_.branding.SkinsEnabled && app_.hooks.startSkinHook) app_.hooks.startSkinHook();
    counter_ = 0;
    Timer2.setOn(true);
}

void FrmSplash::Timer2_Timer() {
    if (counter_ == 2 * (Ticks - 1)) {
        Timer2.setOn(false);
        main_.load();
        if (app_.ended()) return;
        // A start into the tray leaves the window hidden behind its icon: shown minimized it
        // would sit on the desktop as a bare title bar and keep the popup's "Show Program" off.
        if (main_.windowState() != ui::WindowState::Minimized) main_.show(false);
        hide();
        return;
    }
    counter_ = static_cast<std::uint16_t>(counter_ + 2);
}

}  // namespace sorvane::app
