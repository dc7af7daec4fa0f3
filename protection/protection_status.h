#pragma once
#include <string>

#include "app/application.h"
#include "ui/controls.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::protection {

class ScanScheduler;

// Which shields the settings have on, read afresh on every call as every reader does.
struct ShieldState {
    bool memory = true;
    bool homePage = true;
};
ShieldState ReadShieldState(const app::UserSettings& settings);

// The tray icon's tip: the product name and whether protection is on, partly on or off.
std::string ProtectionTip(const app::Application& app);

// The rows the Status page adds under its figures: each shield's state and the next
// scheduled scan.
class ProtectionStatus {
public:
    ProtectionStatus(app::Application& app, ScanScheduler& scheduler) : app_(app), scheduler_(scheduler) {}

    // Fills the rows, making them on the first call.
    void Refresh(app::FrmMain& main);

    static constexpr const char* MemoryShieldLabel = "lblMemoryShieldState";
    static constexpr const char* HomePageShieldLabel = "lblHomePageShieldState";
    static constexpr const char* NextScanLabel = "lblStatusNextScan";

private:
    void setUp(app::FrmMain& main);

    app::Application& app_;
    ScanScheduler& scheduler_;
    ui::Label* memoryCaption_ = nullptr;
    ui::Label* memory_ = nullptr;
    ui::Label* homePageCaption_ = nullptr;
    ui::Label* homePage_ = nullptr;
    ui::Label* nextScanCaption_ = nullptr;
    ui::Label* nextScan_ = nullptr;
};

}  // namespace sorvane::protection
