#pragma once
#include <cstdint>

#include "app/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::app {

class FrmMain;

// The start window: sets up the branding, then after 75 ticks of its timer loads the
// main window and hides itself for the rest of the process's life.
class FrmSplash : public ui::Form {
public:
    // Ticks of loadTimer before the main window is loaded.
    static constexpr int Ticks = 75;

    FrmSplash(Application& app, FrmMain& main);

    static const ui::FormLayout Layout;

    ui::Label& productLabel;  // "lblProduct"
    ui::Timer& loadTimer;     // "Timer2"

    void Timer2_Timer();
    std::uint16_t counter() const { return counter_; }

protected:
    void Form_Load() override;

private:
    Application& app_;
    FrmMain& main_;
    std::uint16_t counter_ = 0;
};

}  // namespace sorvane::app
