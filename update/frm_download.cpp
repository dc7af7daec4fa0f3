#include "update/frm_download.h"

namespace sorvane::update {

namespace {
constexpr int TrayLeftDoubleClick = 0x203;  // WM_LBUTTONDBLCLK, as the tray icon reports it

using enum ui::ControlType;
constexpr ui::ControlDesign Controls[] = {
    {.name = "lblProduct", .type = Label, .geometry = {1200, 240, 4500, 420}},
    {.name = "txtStatus", .type = TextBox, .geometry = {1200, 840, 4500, 420}},
    {.name = "picUp", .type = Image, .geometry = {240, 240, 720, 720}},
    {.name = "picDown", .type = Image, .geometry = {240, 480, 720, 720}},
    {.name = "Command1", .type = CommandButton, .geometry = {4380, 1560, 1320, 420}, .caption = "Cancel"},
    {.name = "tmrBlink", .type = Timer},
};
}  // namespace

const ui::FormLayout FrmDownload::Layout{"frmDownload", Controls};

std::vector<ui::LoadCaption> FrmDownload::CaptionsAtLoad(const app::Application& app) {
    return {{"lblProduct", app.message("MSG_DOWNLOADING")}};
}

FrmDownload::FrmDownload(app::Application& app)
    : ui::Form(app.host, Layout),
      lblProduct(designed<ui::Label>("lblProduct")),
      txtStatus(designed<ui::TextBox>("txtStatus")),
      picUp(designed<ui::Image>("picUp")),
      picDown(designed<ui::Image>("picDown")),
      Command1(designed<ui::CommandButton>("Command1")),
      tmrBlink(designed<ui::Timer>("tmrBlink")),
      app_(app) {
    setCaption("Live Update");
    setSize(6000, 2700);
    setShowInTaskList(true);
    picUp.setPicture("#1");
    picDown.setPicture("#1");
    tmrBlink.setInterval(800);
    tmrBlink.setOn(false);
    tmrBlink.onTimer = [this] { tmrBlink_Timer(); };
    Command1.onClick = [this] { Command1_Click(); };
}

void FrmDownload::Form_Load() {
    tmrBlink.setOn(true);
    picDown.setVisible(false);
    picUp.setVisible(true);
    setCaptions(CaptionsAtLoad(app_));
    step_ = 0;
    if (app_.hooks.trayRemoveIcon) app_.hooks.trayRemoveIcon(*this);
    if (app_.hooks.trayShowIcon) app_.hooks.trayShowIcon(*this, app_.message("MSG_GETTING_DEFS"));
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

void FrmDownload::tmrBlink_Timer() {
    if (picDown.visible()) {
        picDown.setVisible(false);
        picUp.setVisible(true);
        lblProduct.setCaption(app_.message("MSG_CONNECTING"));
    } else {
        lblProduct.setCaption(app_.message("MSG_CHECKING"));
        picDown.setVisible(true);
        picUp.setVisible(false);
    }
    if (step_ > 14) step_ = 0;
    switch (step_) {
        case 0: lblProduct.setCaption(app_.message("MSG_CONNECTING2")); break;
        case 6: lblProduct.setCaption(app_.message("MSG_SENT")); break;
        case 8: lblProduct.setCaption(app_.message("MSG_RECEIVING")); break;
        case 1:
        case 7:
        case 9: break;
        default: lblProduct.setCaption(app_.message("MSG_SENDING")); break;
    }
    ++step_;
}

void FrmDownload::Form_MouseMove(const ui::MouseEvent& event) {
    if (event.x != TrayLeftDoubleClick) return;
    setWindowState(ui::WindowState::Normal);
    show();
    setWindowState(ui::WindowState::Normal);
}

void FrmDownload::Form_Unload() {
    tmrBlink.setOn(false);
    if (app_.hooks.trayRemoveIcon) app_.hooks.trayRemoveIcon(*this);
}

}  // namespace sorvane::update
