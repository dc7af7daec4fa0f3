#pragma once
#include <vector>
#include <cstdint>

#include "app/application.h"
#include "tray/cls_tray.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::tray {

// The small window that slides up out of the taskbar at the right-hand edge of the screen
// when the tray icon is clicked, and slides down again after six idle seconds.
class frmMenuPopUp : public ui::Form {
public:
    frmMenuPopUp(app::Application& app, clsTray& tray);

    static const ui::FormLayout Layout;
    // The captions this window's load gives its designed controls.
    static std::vector<ui::LoadCaption> CaptionsAtLoad(const app::Application& app);

    ui::Label& productLabel;         // "lblName"
    ui::Label& showProgramItem;      // "mnuMaxmimaize": "Show Program"
    ui::Label& exitProgramItem;      // "mnuClose": "Exit Program"
    ui::Label& closeMenuItem;        // "lblMenuClose": "Close This Menu"
    ui::Timer& slideUpTimer;         // "tmrMenuPopup"
    ui::Timer& slideDownDelayTimer;  // "TmrEnablePopDown": six idle seconds before sliding down
    ui::Timer& slideDownTimer;       // "tmrPopDown"

    void mnuMaxmimaize_Click();
    void mnuClose_Click();
    void lblMenuClose_Click();
    void lblMenuClose_MouseMove();
    void tmrMenuPopup_Timer();
    void TmrEnablePopDown_Timer();
    void tmrPopDown_Timer();
    // Gone at once, its slides stopped: the main window came back another way.
    void dismiss();

    std::int32_t idleSeconds() const { return lTimDown_; }
    int finalTop() const { return finalTop_; }

protected:
    void Form_Load() override;
    void Form_MouseMove(const ui::MouseEvent& event) override;

private:
    app::FrmMain* mainWindow() const;

    app::Application& app_;
    clsTray& tray_;
    std::int32_t lTimDown_ = 0;
    int finalTop_ = 0;
    int taskbarHeight_ = 0;  // twips
    int desktopHeight_ = 0;  // twips
};

}  // namespace sorvane::tray
