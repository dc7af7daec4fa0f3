#include "protection/protection_feature.h"

#include "app/frm_main.h"

namespace sorvane::protection {

ProtectionFeature::ProtectionFeature(app::Application& app, scan::MainWindowScan& scan,
                                     definitions::ExclusionList& exclusions)
    : memory(app, scan, exclusions, hold_), homePage(app, memory, hold_), scheduler(app, scan, hold_), status(app, scheduler), app_(app), scan_(scan) {}

void ProtectionFeature::install() {
    auto& hooks = app_.hooks;
    hooks.memoryShieldTick = [this](app::FrmMain& main) { memory.tmrMemoryInspected_Timer(main); };
    hooks.homePageShieldTick = [this](app::FrmMain& main) { homePage.tmrCheckHomePage_Timer(main); };
    hooks.schedulerTick = [this](app::FrmMain& main) { scheduler.tmrScheduler_Timer(main); };
    hooks.loadSchedulerControls = [this](app::FrmMain& main) { scheduler.LoadScheduleControls(main); };
    hooks.scheduleCheckClicked = [this](app::FrmMain& main) { scheduler.chkAutomaticScanYesOrNo_Click(main); };
    hooks.applySchedule = [this](app::FrmMain& main) { scheduler.CmdProceed_Click(main); };
    hooks.refreshProtectionStatus = [this](app::FrmMain& main) { status.Refresh(main); };
    hooks.trayTip = [this] { return ProtectionTip(app_); };
    // Every scan, the user's too, covers the scheduled moments up to its end: none of them
    // is caught up after it.
    hooks.scanNow = [this, scanNow = hooks.scanNow](app::FrmMain& main) {
        const bool starts = !scan_.session(main).state.running;
        if (starts) scheduler.scanStarting();
        if (scanNow) scanNow(main);
        if (starts) scheduler.scanEnded();
    };
}

}  // namespace sorvane::protection
