#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/application.h"
#include "platform/locale.h"
#include "protection/background_hold.h"
#include "protection/schedule.h"
#include "scan/main_window_scan.h"
#include "ui/controls.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::protection {

// Settings the scheduler keeps for itself, in the schedule's own section "OptionAndSettings",
// as "yyyy-mm-dd hh:mm:ss" of the local clock:
//   "LastScheduledScan"     the latest scheduled moment that is settled: a scheduled scan ran
//                           for it, it was caught up, a scan of the user's ran over it, or
//                           scheduled scans were switched on, off or applied after it.
//                           A daily or weekday moment after it that passed while the program
//                           was not running, or while the scheduler was held (the machine
//                           slept), is caught up once.
//   "CaughtUpScheduledScan" the moment of the last scan that ran late for a missed schedule.
inline constexpr std::string_view LastScheduledScanKey = "LastScheduledScan";
inline constexpr std::string_view CaughtUpScheduledScanKey = "CaughtUpScheduledScan";
// A missed scan runs this long after the start or the wake that noticed it.
inline constexpr int CatchUpDelaySeconds = 30;
// A gap longer than this between two clock checks means the machine slept meanwhile: a
// moment missed in it waits the catch-up delay. One missed in a shorter gap (a busy
// program, a late timer) runs at once.
inline constexpr int HeldGapSeconds = 3;
// The clock check sleeps until the next second it has something to do in: the next scheduled
// moment, a caught-up scan that is due, or the next minute's start (the next-run text, and a
// schedule changed behind the page's back), whichever comes first. It arms tmrScheduler for
// that second's start and this much into it, so that a timer that fires a little late still
// lands in that second and one that fires a little early is simply armed again.
inline constexpr std::uint32_t SecondLandingMs = 20;
// The longest the clock check sleeps.
inline constexpr int LongestCheckGapSeconds = 60;
// "Apply" with a day but no time of day.
inline constexpr std::string_view ScheduleTimeMessage = "MSG_SCHEDULE_TIME";
// After a shield's hold ends, the check that was let go meanwhile follows this soon.
inline constexpr std::uint32_t ResumeAfterHoldMs = 10;

// The scan scheduler of the options page's "Schedule" tab and its clock check.
class ScanScheduler {
public:
    ScanScheduler(app::Application& app, scan::MainWindowScan& scan, BackgroundHold& hold);

    // The handler of the main window's tmrScheduler: compares the clock with the schedule
    // and arms the timer for the next second worth a look.
    void tmrScheduler_Timer(app::FrmMain& main);
    // Stores the page's schedule; refuses "Date & Time" without both values.
    void SaveSchedule(app::FrmMain& main);
    // Fills the page from the settings; the first call also sets the page up.
    void LoadScheduleControls(app::FrmMain& main);
    // "Apply".
    void CmdProceed_Click(app::FrmMain& main);
    void chkAutomaticScanYesOrNo_Click(app::FrmMain& main);
    void cmbDays_Click(app::FrmMain& main);
    void dtpScheduleDate_Change(app::FrmMain& main);
    void dtpScheduleTime_Click(app::FrmMain& main);

    // Told by every scan, the user's and the scheduled ones, as it starts and as it ends
    // (after any automatic removal): a scan covers every moment up to then.
    void scanStarting();
    void scanEnded();
    // Other long work than a scan or a shield (a removal run, an update) that a scheduled
    // scan must wait for.
    void setWorkUnderWay(std::function<bool(app::FrmMain&)> underWay) { workUnderWay_ = std::move(underWay); }

    // The schedule as stored.
    StoredSchedule storedSchedule() const;
    // The text beside the schedule: when the next scheduled scan runs.
    std::string NextRunText();
    // When the next scheduled scan runs, or `whenOff` while scheduled scans are off.
    std::string NextRunValue(std::string_view whenOff);
    // The moment a missed scan is waiting to be caught up for, if any.
    const std::optional<platform::DateTime>& pendingCatchUp() const { return catchUpMoment_; }

    static constexpr std::string_view NextRunLabelName = "lblNextScheduledScan";

private:
    void checkClock(app::FrmMain& main);
    void armForNextCheck(app::FrmMain& main);
    platform::DateTime nextCheckAfter(const platform::DateTime& now);
    void setUpPage(app::FrmMain& main);
    void pageChanged(app::FrmMain& main);
    void showNextRun(app::FrmMain& main);
    // Looks for a daily or weekday moment missed after `since`, and arranges its scan.
    void noticeMissed(const platform::DateTime& since, const platform::DateTime& now, int delaySeconds);
    void settle(const platform::DateTime& moment);
    void settleAllUpToNow();
    std::optional<platform::DateTime> settledUpTo(const platform::DateTime& now);
    bool otherWorkUnderWay(app::FrmMain& main);
    void startScheduledScan(app::FrmMain& main);
    void loadPicker(ui::DatePicker& picker, std::string_view key, const platform::DateTime& now);

    app::Application& app_;
    scan::MainWindowScan& scan_;
    BackgroundHold& hold_;
    platform::Locale& locale_;
    ui::Label* lblNextScheduledScan_ = nullptr;
    bool pageSetUp_ = false;
    bool loading_ = false;
    bool startChecked_ = false;
    std::optional<platform::DateTime> lastSecond_;
    // The second the timer was last armed for.
    std::optional<platform::DateTime> armedFor_;
    std::optional<platform::DateTime> firedSecond_;
    std::optional<platform::DateTime> catchUpMoment_;
    std::optional<platform::DateTime> catchUpDue_;
    std::function<bool(app::FrmMain&)> workUnderWay_;
};

}  // namespace sorvane::protection
