#include "app/frm_splash.h"

#include "app/frm_main.h"

namespace sorvane::app {

namespace {
using enum ui::ControlType;
constexpr ui::ControlDesign Controls[] = {
    {.name = "imgSplash", .type = Image, .geometry = {2520, 480, 960, 960}},
    {.name = "lblProduct", .type = Label, .geometry = {240, 1800, 5520, 480}},
    {.name = "Timer2", .type = Timer},
};
}  // namespace

const ui::FormLayout FrmSplash::Layout{"frmSplash", Controls};

FrmSplash::FrmSplash(Application& app, FrmMain& main)
    : ui::Form(app.host, Layout),
      productLabel(designed<ui::Label>("lblProduct")),
      loadTimer(designed<ui::Timer>("Timer2")),
      app_(app),
      main_(main) {
    setSize(6000, 3600);
    setIcon("#1");
    designed<ui::Image>("imgSplash").setPicture("#1");
    productLabel.setBold(true);
    loadTimer.setInterval(2);
    loadTimer.onTimer = [this] { Timer2_Timer(); };
    app.registerWindow(*this);
}

void FrmSplash::Form_Load() {
    app_.InitBranding();
    setCaption(app_.branding.ProgramName);
    productLabel.setCaption(app_.branding.ProgramName);
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
    if (app_.branding.SkinsEnabled && app_.hooks.startSkinHook) app_.hooks.startSkinHook();
    counter_ = 0;
    loadTimer.setOn(true);
}

void FrmSplash::Timer2_Timer() {
    if (counter_ == 2 * (Ticks - 1)) {
        loadTimer.setOn(false);
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
