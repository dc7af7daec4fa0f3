#pragma once
#include <vector>
#include <string>

#include "app/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::update {

// The notification that slides up above the taskbar with an update's outcome, rests
// seven seconds and slides down again; "OK" closes it at once.
class FrmSignatureUpdated : public ui::Form {
public:
    // `download` is the status window, whose tray icon "OK" removes.
    FrmSignatureUpdated(app::Application& app, ui::Form& download);

    static const ui::FormLayout Layout;
    // The captions this window's load gives its designed controls.
    static std::vector<ui::LoadCaption> CaptionsAtLoad(const app::Application& app);

    ui::Label& lblUpdateInfo;
    ui::CommandButton& cmdUpdateSuccesfullOK;
    ui::Timer& tmrPopupSignatureUpdate;
    ui::Timer& tmrEnablePopDownTimer;
    ui::Timer& tmrPopDown;

    // Shows the window (sliding up, or going on sliding when it is open) with `text`.
    void showNotice(const std::string& text);

    void tmrPopupSignatureUpdate_Timer();
    void tmrEnablePopDownTimer_Timer();
    void tmrPopDown_Timer();
    void cmdUpdateSuccesfullOK_Click();

    // Twips: where sliding up stops, and where the slide starts and ends (the taskbar's top).
    int raisedTop() const { return raisedTop_; }
    int restingTop() const { return restingTop_; }

protected:
    void Form_Load() override;

private:
    app::Application& app_;
    ui::Form& download_;
    int raisedTop_ = 0;
    int restingTop_ = 0;
};

}  // namespace sorvane::update
