#pragma once
#include <vector>
#include "app/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::update {

// The status window of a live update: a blinking picture, a label cycling through
// reassuring texts, the progress text box and "Cancel", with a tray icon of its own.
class FrmDownload : public ui::Form {
public:
    explicit FrmDownload(app::Application& app);

    static const ui::FormLayout Layout;
    // The captions this window's load gives its designed controls.
    static std::vector<ui::LoadCaption> CaptionsAtLoad(const app::Application& app);

    ui::Label& lblProduct;
    ui::TextBox& txtStatus;
    ui::Image& picUp;
    ui::Image& picDown;
    ui::CommandButton& Command1;  // "Cancel"
    ui::Timer& tmrBlink;

    void tmrBlink_Timer();
    // "Cancel": the window goes; the update itself carries on.
    void Command1_Click() { unload(); }

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void Form_MouseMove(const ui::MouseEvent& event) override;

private:
    app::Application& app_;
    int step_ = 0;
};

}  // namespace sorvane::update
