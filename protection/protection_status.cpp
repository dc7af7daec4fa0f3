#include "protection/protection_status.h"

#include "app/frm_main.h"
#include "protection/scheduler.h"

namespace sorvane::protection {

namespace {

// Below the six figures the Status page lays out from 1080 twips down, 420 apart.
constexpr int FirstRowTop = 1080 + 6 * 420;
constexpr int RowStep = 420;

}  // namespace

ShieldState ReadShieldState(const app::UserSettings& settings) {
    return ShieldState{settings.readBool(app::section::Options, "optMemorySheildOn", "True"),
                       settings.readBool(app::section::Options, "optIEHomePageSheildOn", "True")};
}

std::string ProtectionTip(const app::Application& app) {
    const ShieldState state = ReadShieldState(app.userSettings);
    if (state.memory && state.homePage) return app.message("MSG_TIP_PROTECTED");
    if (state.memory || state.homePage) return app.message("MSG_TIP_PARTLY");
    return app.message("MSG_TIP_UNPROTECTED");
}

void ProtectionStatus::setUp(app::FrmMain& main) {
    if (memory_ != nullptr) return;
    auto row = [&](const char* name, int index, ui::Label*& caption, ui::Label*& value) {
        const int top = FirstRowTop + index * RowStep;
        caption = &main.add<ui::Label>(std::string(name) + "Caption", -1, &main.frmStatus);
        caption->move(240, top, 2400, 300);
        value = &main.add<ui::Label>(name, -1, &main.frmStatus);
        value->move(2760, top, 4200, 300);
    };
    row(MemoryShieldLabel, 0, memoryCaption_, memory_);
    row(HomePageShieldLabel, 1, homePageCaption_, homePage_);
    row(NextScanLabel, 2, nextScanCaption_, nextScan_);
}

void ProtectionStatus::Refresh(app::FrmMain& main) {
    setUp(main);
    const ShieldState state = ReadShieldState(app_.userSettings);
    const std::string on = app_.message("MSG_SHIELD_ON");
    const std::string off = app_.message("MSG_SHIELD_OFF");
    // Captions too, so that a language switched since shows here as well.
    memoryCaption_->setCaption(app_.message("MSG_SHIELD_MEMORY"));
    memory_->setCaption(state.memory ? on : off);
    homePageCaption_->setCaption(app_.message("MSG_SHIELD_HOMEPAGE"));
    homePage_->setCaption(state.homePage ? on : off);
    nextScanCaption_->setCaption(app_.message("MSG_NEXT_SCAN"));
    nextScan_->setCaption(scheduler_.NextRunValue(off));
}

}  // namespace sorvane::protection
