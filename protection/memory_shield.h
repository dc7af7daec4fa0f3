#pragma once
#include <vector>
#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "app/application.h"
#include "definitions/exclusions.h"
#include "protection/background_hold.h"
#include "scan/main_window_scan.h"
#include "scan/memory_scan.h"
#include "scan/scan_session.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::protection {

// The memory shield's alert: one running listed program, and the user's STOP or ALLOW.
// Its texts are fixed; they are not translated.
class FrmSpywareFoundAlert : public ui::Form {
public:
    // The stop of the matched process; true when it no longer runs.
    using StopMatched = std::function<bool(const scan::MemoryAlert& hit)>;

    FrmSpywareFoundAlert(app::Application& app, definitions::ExclusionList& exclusions, StopMatched stop);

    static const ui::FormLayout Layout;
    // The captions this window's load gives its designed controls.
    static std::vector<ui::LoadCaption> CaptionsAtLoad(const app::Application& app);

    ui::Label& lblProductName;
    ui::Label& Label1;
    ui::Label& lblFileNameCaption;
    ui::Label& lblAlertFileName;
    ui::Label& lblCompanyNameCaption;
    ui::Label& lblAlertCompanyName;
    ui::Label& lblAlertPathCaption;
    ui::Label& lblAlertPath;
    ui::Label& lblStopHelp;
    ui::Label& lblAllowHelp;
    ui::CommandButton& cmdYes;
    ui::CommandButton& cmdNO;
    ui::Timer& tmrBlink;

    enum class Outcome { Stopped, StopFailed, Allowed, Dismissed };

    // Shows the hit and returns once the user has answered; a window closed any other way
    // (its close box, the session ending) is Dismissed: nothing stopped, nothing excluded.
    Outcome Ask(const scan::MemoryAlert& hit);

    void cmdYes_Click();  // STOP
    void cmdNO_Click();   // ALLOW

protected:
    void Form_Load() override;

private:
    app::Application& app_;
    definitions::ExclusionList& exclusions_;
    StopMatched stop_;
    scan::MemoryAlert hit_;
    bool answered_ = false;
    Outcome outcome_ = Outcome::Dismissed;
};

// The memory shield: the memory scan in its shield mode on every tick of the main window's
// tmrMemoryInspected (and on every third home-page tick), its hits put to the user.
class MemoryShield final : public scan::ShieldAlerts {
public:
    MemoryShield(app::Application& app, scan::MainWindowScan& scan, definitions::ExclusionList& exclusions,
                 BackgroundHold& hold);

    // One shield pass.
    void tmrMemoryInspected_Timer(app::FrmMain& main);
    // A hit of the pass: asks, and returns when answered.
    void memoryAlert(const scan::MemoryAlert& hit) override;

    FrmSpywareFoundAlert& alertWindow() { return alert_; }
    bool passRunning() const { return passRunning_; }

private:
    bool stopMatched(const scan::MemoryAlert& hit);

    app::Application& app_;
    scan::MainWindowScan& scan_;
    BackgroundHold& hold_;
    FrmSpywareFoundAlert alert_;
    scan::ScanSession* passSession_ = nullptr;
    std::set<std::string> alertedThisPass_;  // lower-cased paths asked about in this pass
    bool passRunning_ = false;
};

// Removes the "EXCLUDED: " rows a shield pass added to the summary from `firstNew` on when
// the same row is already listed, so that a program left allowed does not add a row every pass.
void DropRepeatedExclusionRows(ui::ListView& summary, std::size_t firstNew);

}  // namespace sorvane::protection
