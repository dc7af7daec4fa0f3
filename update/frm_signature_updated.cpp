#include "update/frm_signature_updated.h"

#include <algorithm>

#include "app/settings.h"
#include "ui/dpi_scale.h"

namespace sorvane::update {

namespace {
constexpr int SlideUpStep = 20;
constexpr int SlideDownStep = 40;
constexpr int RaisedMargin = 100;

using enum ui::ControlType;
constexpr ui::ControlDesign Controls[] = {
    {.name = "lblUpdateInfo", .type = Label, .geometry = {240, 240, 4200, 840}},
    {.name = "cmdUpdateSuccesfullOK", .type = CommandButton, .geometry = {3360, 1140, 1080, 360}, .caption = "OK"},
    {.name = "tmrPopupSignatureUpdate", .type = Timer},
    {.name = "tmrEnablePopDownTimer", .type = Timer},
    {.name = "tmrPopDown", .type = Timer},
};
}  // namespace

const ui::FormLayout FrmSignatureUpdated::Layout{"frmSignatureUpdated", Controls,
                                                 ui::SkinLabelCopies::BesideFirst};

std::vector<ui::LoadCaption> FrmSignatureUpdated::CaptionsAtLoad(const app::Application& app) {
    return {{"lblUpdateInfo", app.brandedMessage("MSG_AUTO_UPDATED")}};
}

FrmSignatureUpdated::FrmSignatureUpdated(app::Application& app, ui::Form& download)
    : ui::Form(app.host, Layout),
      lblUpdateInfo(designed<ui::Label>("lblUpdateInfo")),
      cmdUpdateSuccesfullOK(designed<ui::CommandButton>("cmdUpdateSuccesfullOK")),
      tmrPopupSignatureUpdate(designed<ui::Timer>("tmrPopupSignatureUpdate")),
      tmrEnablePopDownTimer(designed<ui::Timer>("tmrEnablePopDownTimer")),
      tmrPopDown(designed<ui::Timer>("tmrPopDown")),
      app_(app),
      download_(download) {
    setSize(4800, 1950);
    setShowInTaskList(false);
    tmrPopupSignatureUpdate.setInterval(10);
    tmrEnablePopDownTimer.setInterval(7000);
    tmrPopDown.setInterval(10);
    for (ui::Timer* timer : {&tmrPopupSignatureUpdate, &tmrEnablePopDownTimer, &tmrPopDown}) timer->setOn(false);
    tmrPopupSignatureUpdate.onTimer = [this] { tmrPopupSignatureUpdate_Timer(); };
    tmrEnablePopDownTimer.onTimer = [this] { tmrEnablePopDownTimer_Timer(); };
    tmrPopDown.onTimer = [this] { tmrPopDown_Timer(); };
    cmdUpdateSuccesfullOK.onClick = [this] { cmdUpdateSuccesfullOK_Click(); };
}

void FrmSignatureUpdated::Form_Load() {
    // The branding is read after the windows are made, so the caption comes at load.
    setCaption(app_.branding.ProgramName);
    tmrEnablePopDownTimer.setOn(false);
    tmrPopDown.setOn(false);
    setCaptions(CaptionsAtLoad(app_));
    // The window starts hidden behind the taskbar's upper edge, at the right of the screen,
    // and rises until it stands above the taskbar.
    // The screen is measured in pixels of its DPI, which are 15 twips only at 96 DPI.
    const ui::ScreenArea screen = host().screenArea();
    const ui::DpiScale scale(screen.dpi);
    const int bottom = scale.toTwips(screen.height);
    const int taskbar = scale.toTwips(screen.taskbarHeight);
    restingTop_ = bottom - taskbar;
    raisedTop_ = restingTop_ - (height() + RaisedMargin);
    setPosition(scale.toTwips(screen.width) - width(), restingTop_);
    tmrPopupSignatureUpdate.setOn(true);
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

void FrmSignatureUpdated::showNotice(const std::string& text) {
    tmrPopupSignatureUpdate.setOn(true);
    show(false);
    lblUpdateInfo.setCaption(text);
}

void FrmSignatureUpdated::tmrPopupSignatureUpdate_Timer() {
    if (!visible()) show(false);
    if (top() > raisedTop_) {
        setPosition(left(), std::max(top() - SlideUpStep, raisedTop_));
        return;
    }
    tmrPopupSignatureUpdate.setOn(false);
    tmrEnablePopDownTimer.setOn(true);
}

void FrmSignatureUpdated::tmrEnablePopDownTimer_Timer() {
    tmrEnablePopDownTimer.setOn(false);
    tmrPopDown.setOn(true);
}

void FrmSignatureUpdated::tmrPopDown_Timer() {
    if (!visible()) show(false);
    setPosition(left(), top() + SlideDownStep);
    if (top() > restingTop_) {
        tmrPopDown.setOn(false);
        cmdUpdateSuccesfullOK_Click();
    }
}

void FrmSignatureUpdated::cmdUpdateSuccesfullOK_Click() {
    app_.userSettings.write(app::section::Options, "SHOW", "False");
    tmrPopupSignatureUpdate.setOn(false);
    if (app_.hooks.trayRemoveIcon) app_.hooks.trayRemoveIcon(download_);
    unload();
}

}  // namespace sorvane::update
