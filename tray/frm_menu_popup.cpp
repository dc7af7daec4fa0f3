#include "tray/frm_menu_popup.h"

#include <cmath>

#include "app/frm_main.h"

namespace sorvane::tray {

namespace {

// The popup places itself with the classic screen scales: at 96 DPI pixels times these give
// twips; at any other DPI they shrink or grow with the twips a pixel has there, as the
// window's own size does.
constexpr double HeightScale = 14.5;
constexpr double LeftScale = 14.7;
constexpr int TwipsPerInch = 1440;
constexpr int ClassicDpi = 96;
constexpr int SlideUpStep = 80;
constexpr int SlideDownStep = 100;
constexpr int IdleTicksBeforeSlideDown = 5;

int twips(int pixels, double scale) { return static_cast<int>(std::lround(pixels * scale)); }

}  // namespace

frmMenuPopUp::frmMenuPopUp(app::Application& app, clsTray& tray)
    : ui::Form(app.host, "frmMenuPopUp"),
      lblName(add<ui::Label>("lblName")),
      mnuMaxmimaize(add<ui::Label>("mnuMaxmimaize")),
      mnuClose(add<ui::Label>("mnuClose")),
      lblMenuClose(add<ui::Label>("lblMenuClose")),
      tmrMenuPopup(add<ui::Timer>("tmrMenuPopup")),
      TmrEnablePopDown(add<ui::Timer>("TmrEnablePopDown")),
      tmrPopDown(add<ui::Timer>("tmrPopDown")),
      app_(app),
      tray_(tray) {
    setSize(3000, 2400);
    setShowInTaskList(false);
    lblName.move(120, 120, 2700, 300);
    lblName.setBold(true);
    mnuMaxmimaize.setCaption("Show Program");
    mnuMaxmimaize.move(240, 600, 2520, 300);
    mnuClose.setCaption("Exit Program");
    mnuClose.move(240, 960, 2520, 300);
    lblMenuClose.setCaption("Close This Menu");
    lblMenuClose.move(240, 1320, 2520, 300);
    tmrMenuPopup.setInterval(1);
    TmrEnablePopDown.setInterval(1000);
    tmrPopDown.setInterval(10);

    mnuMaxmimaize.onClick = [this] { mnuMaxmimaize_Click(); };
    mnuClose.onClick = [this] { mnuClose_Click(); };
    lblMenuClose.onClick = [this] { lblMenuClose_Click(); };
    lblMenuClose.onMouseMove = [this](const ui::MouseEvent&) { lblMenuClose_MouseMove(); };
    tmrMenuPopup.onTimer = [this] { tmrMenuPopup_Timer(); };
    TmrEnablePopDown.onTimer = [this] { TmrEnablePopDown_Timer(); };
    tmrPopDown.onTimer = [this] { tmrPopDown_Timer(); };
}

app::FrmMain* frmMenuPopUp::mainWindow() const { return dynamic_cast<app::FrmMain*>(app_.window("FrmMain")); }

void frmMenuPopUp::Form_Load() {
    const std::string& product = app_.branding.ProgramName;
    lblName.setCaption(product);
    lTimDown_ = 0;
    tmrPopDown.setOn(false);
    TmrEnablePopDown.setOn(false);
    lblMenuClose.setBold(false);
    app::FrmMain* main = mainWindow();
    // Both navigation buttons are off while a scan runs: the program must not end under it.
    mnuClose.setEnabled(main != nullptr && (main->cmdResults.enabled() || main->cmdSettings.enabled()));
    mnuMaxmimaize.setEnabled(main == nullptr || !main->visible());
    setCaption(product);

    const ui::ScreenArea screen = host().screenArea();
    const int dpi = screen.dpi > 0 ? screen.dpi : ClassicDpi;
    const double perPixel = static_cast<double>(ClassicDpi) / dpi;
    taskbarHeight_ = twips(screen.taskbarHeight, HeightScale * perPixel);
    desktopHeight_ = twips(screen.height, HeightScale * perPixel);
    const int scaleWidth = width() * dpi / TwipsPerInch;
    setPosition(twips(screen.width - scaleWidth, LeftScale * perPixel), desktopHeight_ - taskbarHeight_);
    finalTop_ = desktopHeight_ - (height() + 100);
    tmrMenuPopup.setOn(true);
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

void frmMenuPopUp::Form_MouseMove(const ui::MouseEvent&) { lTimDown_ = 0; }

void frmMenuPopUp::tmrMenuPopup_Timer() {
    if (!visible()) show(false);
    if (top() > finalTop_) {
        setPosition(left(), top() - SlideUpStep);
        return;
    }
    tmrMenuPopup.setOn(false);
    TmrEnablePopDown.setOn(true);
}

void frmMenuPopUp::TmrEnablePopDown_Timer() {
    if (++lTimDown_ <= IdleTicksBeforeSlideDown) return;
    lTimDown_ = 0;
    TmrEnablePopDown.setOn(false);
    tmrPopDown.setOn(true);
}

void frmMenuPopUp::tmrPopDown_Timer() {
    if (!visible()) show(false);
    setPosition(left(), top() + SlideDownStep);
    if (top() > desktopHeight_ - 2000) {
        tmrPopDown.setOn(false);
        unload();
    }
}

void frmMenuPopUp::lblMenuClose_Click() {
    TmrEnablePopDown.setOn(false);
    tmrMenuPopup.setOn(false);
    tmrPopDown.setOn(true);
}

void frmMenuPopUp::dismiss() {
    for (ui::Timer* timer : {&tmrMenuPopup, &TmrEnablePopDown, &tmrPopDown}) timer->setOn(false);
    if (loaded()) unload();
}

void frmMenuPopUp::lblMenuClose_MouseMove() { lblMenuClose.setBold(true); }

void frmMenuPopUp::mnuMaxmimaize_Click() {
    if (app::FrmMain* main = mainWindow()) {
        // Shown first, so that the resize to normal records "Minimized" = "No".
        main->show();
        main->setWindowState(ui::WindowState::Normal);
    }
    lblMenuClose_Click();
}

void frmMenuPopUp::mnuClose_Click() {
    app_.userSettings.write(app::section::Options, "RESTART", "False");
    app_.userSettings.write(app::section::Options, "STATUS", "STOPPED");
    app::FrmMain* main = mainWindow();
    if (main == nullptr) return;
    tray_.RemoveIcon(*main);
    main->unload();
}

}  // namespace sorvane::tray
