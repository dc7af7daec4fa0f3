#include "protection/memory_shield.h"

#include <set>

#include "app/frm_main.h"
#include "platform/scoped_value.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "processes/process_list.h"
#include "processes/process_stop.h"
#include "scan/memory_scan.h"

namespace sorvane::protection {

namespace {

constexpr std::string_view ExcludedPrefix = "EXCLUDED: ";

using enum ui::ControlType;
constexpr ui::ControlDesign AlertControls[] = {
    {.name = "lblProductName", .type = Label, .geometry = {240, 180, 6000, 360}, .caption = "Malicious Program Found"},
    {.name = "Label1",
     .type = Label,
     .geometry = {240, 600, 6000, 300},
     .caption = "Spyware/Adware has been detected."},
    {.name = "lblFileNameCaption", .type = Label, .geometry = {240, 1020, 1700, 300}, .caption = "File Name:"},
    {.name = "lblAlertFileName", .type = Label, .geometry = {2000, 1020, 4300, 300}},
    {.name = "lblCompanyNameCaption", .type = Label, .geometry = {240, 1380, 1700, 300}, .caption = "Company Name:"},
    {.name = "lblAlertCompanyName", .type = Label, .geometry = {2000, 1380, 4300, 300}},
    // Where the program runs from: the name alone does not tell a listed program from a
    // namesake in another folder.
    {.name = "lblAlertPathCaption", .type = Label, .geometry = {240, 1740, 1700, 300}},
    {.name = "lblAlertPath", .type = Label, .geometry = {2000, 1740, 4300, 300}},
    {.name = "lblStopHelp",
     .type = Label,
     .geometry = {240, 2220, 6000, 300},
     .caption = "Click STOP to stop it from running."},
    {.name = "lblAllowHelp",
     .type = Label,
     .geometry = {240, 2520, 6000, 300},
     .caption = "Click ALLOW to allow the program to run."},
    {.name = "cmdYes", .type = CommandButton, .geometry = {1200, 3060, 1800, 450}, .caption = "STOP"},
    {.name = "cmdNO", .type = CommandButton, .geometry = {3480, 3060, 1800, 450}, .caption = "ALLOW"},
    {.name = "tmrBlink", .type = Timer},
};

}  // namespace

const ui::FormLayout FrmSpywareFoundAlert::Layout{"frmSpywareFoundAlert", AlertControls,
                                                  ui::SkinLabelCopies::BesideFirst};

std::vector<ui::LoadCaption> FrmSpywareFoundAlert::CaptionsAtLoad(const app::Application& app) {
    // The catalogue is filled by the main window's load, after this window was made.
    return {{"lblAlertPathCaption", app.message("MSG_ALERT_PATH")}};
}

FrmSpywareFoundAlert::FrmSpywareFoundAlert(app::Application& app, definitions::ExclusionList& exclusions,
                                           StopMatched stop)
    : ui::Form(app.host, Layout),
      lblProductName(designed<ui::Label>("lblProductName")),
      Label1(designed<ui::Label>("Label1")),
      lblFileNameCaption(designed<ui::Label>("lblFileNameCaption")),
      lblAlertFileName(designed<ui::Label>("lblAlertFileName")),
      lblCompanyNameCaption(designed<ui::Label>("lblCompanyNameCaption")),
      lblAlertCompanyName(designed<ui::Label>("lblAlertCompanyName")),
      lblAlertPathCaption(designed<ui::Label>("lblAlertPathCaption")),
      lblAlertPath(designed<ui::Label>("lblAlertPath")),
      lblStopHelp(designed<ui::Label>("lblStopHelp")),
      lblAllowHelp(designed<ui::Label>("lblAllowHelp")),
      cmdYes(designed<ui::CommandButton>("cmdYes")),
      cmdNO(designed<ui::CommandButton>("cmdNO")),
      tmrBlink(designed<ui::Timer>("tmrBlink")),
      app_(app),
      exclusions_(exclusions),
      stop_(std::move(stop)) {
    setSize(6600, 4260);
    // Seen at once, over whatever the user works in, also while the main window is in the tray.
    setTopMost(true);
    lblProductName.setBold(true);
    tmrBlink.setInterval(800);
    cmdYes.onClick = [this] { cmdYes_Click(); };
    cmdNO.onClick = [this] { cmdNO_Click(); };
    // The blink timer of the classic window does nothing on its tick.
    tmrBlink.onTimer = [] {};
    app.registerWindow(*this);
}

void FrmSpywareFoundAlert::Form_Load() {
    setCaption(app_.branding.ProgramName);
    setCaptions(CaptionsAtLoad(app_));
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
    tmrBlink.setOn(true);
}

FrmSpywareFoundAlert::Outcome FrmSpywareFoundAlert::Ask(const scan::MemoryAlert& hit) {
    hit_ = hit;
    lblAlertCompanyName.setCaption(hit.companyLine);
    lblAlertFileName.setCaption(text::toUpper(hit.fileLine));
    lblAlertPath.setCaption(hit.path);
    answered_ = false;
    outcome_ = Outcome::Dismissed;
    cmdYes.setEnabled(true);
    show(false);
    // Asleep on the message queue until a button answers or the window goes another way.
    host().waitUntil([this] { return answered_ || !loaded() || !visible(); });
    if (loaded()) unload();
    return answered_ ? outcome_ : Outcome::Dismissed;
}

void FrmSpywareFoundAlert::cmdYes_Click() {
    cmdYes.setEnabled(false);
    answered_ = true;
    const std::string name = text::trim(lblAlertFileName.caption());
    const bool stopped = stop_ ? stop_(hit_) : false;
    outcome_ = stopped ? Outcome::Stopped : Outcome::StopFailed;
    if (!stopped)
        host().messageBox(text::toUpper(name) +
                              " could not be stopped.  You should try again after saving your work and closing any "
                              "open applications.",
                          app_.branding.ProgramName, ui::mb::Information);
    unload();
}

void FrmSpywareFoundAlert::cmdNO_Click() {
    answered_ = true;
    outcome_ = Outcome::Allowed;
    // One line in the exclusion file, and the list reloaded from it at once. A file that cannot
    // be written still leaves the program allowed until Sorvane closes, and the user is told.
    const platform::Status saved = exclusions_.AddExclusion(text::trim(lblAlertFileName.caption()));
    unload();
    if (!saved.ok()) {
        const auto message = [this](std::string_view key) { return app_.message(key); };
        (void)host().messageBox(exclusions_.UnsavedText(saved, message), app_.branding.ProgramName, ui::mb::Exclamation);
    }
}

MemoryShield::MemoryShield(app::Application& app, scan::MainWindowScan& scan, definitions::ExclusionList& exclusions,
                           BackgroundHold& hold)
    : app_(app), scan_(scan), hold_(hold), alert_(app, exclusions, [this](const scan::MemoryAlert& hit) { return stopMatched(hit); }) {}

bool MemoryShield::stopMatched(const scan::MemoryAlert& hit) {
    auto& service = app_.platform.processes;
    const std::string fileName = text::trim(hit.fileLine);
    const std::string modulePath = hit.processId != 0 ? service.firstModulePath(hit.processId) : std::string();
    // The process the pass matched, by its id: a namesake that is not listed keeps running.
    bool stopped = processes::StopMatchedProcess(service, app_.host, hit.processId, fileName);
    if (modulePath.empty()) return stopped;
    // STOP answers for the program, not for one copy of it: every other instance started
    // from the same file goes too.
    for (const auto& process : processes::ListProcesses(service, "", true).processes)
        if (process.id != hit.processId && text::equalsNoCase(process.modulePath, modulePath))
            stopped = processes::StopMatchedProcess(service, app_.host, process.id, fileName) && stopped;
    return stopped;
}

void MemoryShield::memoryAlert(const scan::MemoryAlert& hit) {
    // One question per program and pass, however many copies of it run.
    if (!alertedThisPass_.insert(text::toLower(hit.path.empty() ? hit.fileLine : hit.path)).second) return;
    (void)alert_.Ask(hit);
    // The program is closing: the pass goes no further.
    if ((app_.ended() || app_.host.quitting()) && passSession_ != nullptr) passSession_->state.stopRequested = true;
}

void MemoryShield::tmrMemoryInspected_Timer(app::FrmMain& main) {
    if (!app_.userSettings.readBool(app::section::Options, "optMemorySheildOn", "True")) return;
    // A pass waiting on its alert is never joined by a second one, nor does one start inside
    // a home-page check or a scan.
    if (hold_.held()) return;
    scan::ScanSession& session = scan_.session(main);
    if (session.state.running) return;
    platform::ScopedFlag running(passRunning_);
    const auto holding = hold_.hold();

    // A Stop pressed in an earlier scan is not meant for the shield.
    session.state.stopRequested = false;
    const std::size_t firstNew = main.lvwSpywareFound.count();
    passSession_ = &session;
    alertedThisPass_.clear();
    try {
        scan::ShieldMemoryPass(session, *this);
    } catch (...) {
        // A failing pass is skipped; the timers are armed again all the same.
        platform::TraceCaughtException("memory shield pass");
    }
    passSession_ = nullptr;
    DropRepeatedExclusionRows(main.lvwSpywareFound, firstNew);
    if (!app_.ended()) main.ArmBackgroundTimers(true);
}

void DropRepeatedExclusionRows(ui::ListView& summary, std::size_t firstNew) {
    std::set<std::string> seen;
    for (std::size_t row = 0; row < summary.count() && row < firstNew; ++row) seen.insert(summary.item(row).text);
    for (std::size_t row = firstNew; row < summary.count();) {
        const std::string& rowText = summary.item(row).text;
        const bool excludedRow = rowText.rfind(ExcludedPrefix, 0) == 0;
        if (excludedRow && !seen.insert(rowText).second) {
            summary.remove(row);
            continue;
        }
        ++row;
    }
}

}  // namespace sorvane::protection
