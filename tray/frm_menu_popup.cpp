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

using enum ui::ControlType;
constexpr ui::ControlDesign Controls[] = {
    {.name = "lblName", .type = Label, .geometry = {120, 120, 2700, 300}},
    {.name = "mnuMaxmimaize", .type = Label, .geometry = {240, 600, 2520, 300}, .caption = "Show Program"},
    {.name = "mnuClose", .type = Label, .geometry = {240, 960, 2520, 300}, .caption = "Exit Program"},
    {.name = "lblMenuClose", .type = Label, .geometry = {240, 1320, 2520, 300}, .caption = "Close This Menu"},
    {.name = "tmrMenuPopup", .type = Timer},
    {.name = "TmrEnablePopDown", .type = Timer},
    {.name = "tmrPopDown", .type = Timer},
};

}  // namespace

const ui::FormLayout frmMenuPopUp::Layout{"frmMenuPopUp", Controls};

std::vector<ui::LoadCaption> frmMenuPopUp::CaptionsAtLoad(const app::Application& app) {
    return {{"lblName", app.branding.ProgramName}};
}

frmMenuPopUp::frmMenuPopUp(app::Application& app, clsTray& tray)
    : ui::Form(app.host, Layout),
      productLabel(designed<ui::Label>("lblName")),
      showProgramItem(designed<ui::Label>("mnuMaxmimaize")),
      exitProgramItem(designed<ui::Label>("mnuClose")),
      closeMenuItem(designed<ui::Label>("lblMenuClose")),
      slideUpTimer(designed<ui::Timer>("tmrMenuPopup")),
      slideDownDelayTimer(designed<ui::Timer>("TmrEnablePopDown")),
      slideDownTimer(designed<ui::Timer>("tmrPopDown")),
      app_(app),
      tray_(tray) {
    setSize(3000, 2400);
    setShowInTaskList(false);
    productLabel.setBold(true);
    slideUpTimer.setInterval(1);
    slideDownDelayTimer.setInterval(1000);
    slideDownTimer.setInterval(10);

    showProgramItem.onClick = [this] { mnuMaxmimaize_Click(); };
    exitProgramItem.onClick = [this] { mnuClose_Click(); };
    closeMenuItem.onClick = [this] { lblMenuClose_Click(); };
    closeMenuItem.onMouseMove = [this](const ui::MouseEvent&) { lblMenuClose_MouseMove(); };
    slideUpTimer.onTimer = [this] { tmrMenuPopup_Timer(); };
    slideDownDelayTimer.onTimer = [this] { TmrEnablePopDown_Timer(); };
    slideDownTimer.onTimer = [this] { tmrPopDown_Timer(); };
}

app::FrmMain* frmMenuPopUp::mainWindow() const { return dynamic_cast<app::FrmMain*>(app_.window("FrmMain")); }

void frmMenuPopUp::Form_Load() {
    const std::string& product = app_.branding.ProgramName;
    setCaptions(CaptionsAtLoad(app_));
    lTimDown_ = 0;
    slideDownTimer.setOn(false);
    slideDownDelayTimer.setOn(false);
    closeMenuItem.setBold(false);
    app::FrmMain* main = mainWindow();
    // Both navigation buttons are off while a scan runs: the program must not end under it.
    exitProgramItem.setEnabled(main != nullptr && (main->cmdResults.enabled() || main->cmdSettings.enabled()));
    showProgramItem.setEnabled(main == nullptr || !main->visible());
    setCaption(product);

    const ui::ScreenArea screen = host().screenArea();
    const int dpi = screen.dpi > 0 ? screen.dpi : ClassicDpi;
    const double perPixel = static_cast<double>(ClassicDpi) / dpi;
    taskbarHeight_ = twips(screen.taskbarHeight, HeightScale * perPixel);
    desktopHeight_ = twips(screen.height, HeightScale * perPixel);
    const int scaleWidth = width() * dpi / TwipsPerInch;
    setPosition(twips(screen.width - scaleWidth, LeftScale * perPixel), desktopHeight_ - taskbarHeight_);
    finalTop_ = desktopHeight_ - (height() + 100);
    slideUpTimer.setOn(true);
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

void frmMenuPopUp::Form_MouseMove(const ui::MouseEvent&) { lTimDown_ = 0; }

void frmMenuPopUp::tmrMenuPopup_Timer() {
    if (!visible()) show(false);
    if (top() > finalTop_) {
        setPosition(left(), top() - SlideUpStep);
        return;
    }
    slideUpTimer.setOn(false);
    slideDownDelayTimer.setOn(true);
}

void frmMenuPopUp::TmrEnablePopDown_Timer() {
    if (++lTimDown_ <= IdleTicksBeforeSlideDown) return;
    lTimDown_ = 0;
    slideDownDelayTimer.setOn(false);
    slideDownTimer.setOn(true);
}

void frmMenuPopUp::tmrPopDown_Timer() {
    if (!visible()) show(false);
    setPosition(left(), top() + SlideDownStep);
    if (top() > desktopHeight_ - 2000) {
        slideDownTimer.setOn(false);
        unload();
    }
}

void frmMenuPopUp::lblMenuClose_Click() {
    slideDownDelayTimer.setOn(false);
    slideUpTimer.setOn(false);
    slideDownTimer.setOn(true);
}

void frmMenuPopUp::dismiss() {
    for (ui::Timer* timer : {&slideUpTimer, &slideDownDelayTimer, &slideDownTimer}) timer->setOn(false);
    if (loaded()) unload();
}

void frmMenuPopUp::lblMenuClose_MouseMove() { closeMenuItem.setBold(true); }

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
