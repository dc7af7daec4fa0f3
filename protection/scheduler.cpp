#include "protection/scheduler.h"

#include <algorithm>

#include "app/frm_main.h"
#include "localization/messages.h"
#include "platform/scoped_value.h"
#include "platform/text.h"

namespace sorvane::protection {

using platform::DateTime;

namespace {

constexpr std::string_view Options = app::section::Options;

DateTime dateOnly(const DateTime& value) { return DateTime{value.year, value.month, value.day, 0, 0, 0}; }

}  // namespace

ScanScheduler::ScanScheduler(app::Application& app, scan::MainWindowScan& scan, BackgroundHold& hold)
    : app_(app), scan_(scan), hold_(hold), locale_(app.platform.locale) {}

StoredSchedule ScanScheduler::storedSchedule() const {
    const auto& settings = app_.userSettings;
    StoredSchedule schedule;
    schedule.day = text::numericValue(settings.read(Options, "Day", "7"));
    schedule.time = settings.read(Options, "Time", "Null");
    schedule.date = settings.read(Options, "Date", "Null");
    return schedule;
}

std::optional<DateTime> ScanScheduler::settledUpTo(const DateTime& now) {
    auto stored = ParseStamp(app_.userSettings.read(Options, LastScheduledScanKey, ""));
    // A record later than now (the clock was set back, or the settings came from another
    // machine) would hold every moment until that date as settled: it counts as now.
    if (stored && *stored > now) {
        stored = now;
        app_.userSettings.write(Options, LastScheduledScanKey, StampText(now));
    }
    return stored;
}

void ScanScheduler::settle(const DateTime& moment) {
    const auto stored = settledUpTo(locale_.now());
    if (stored && *stored >= moment) return;
    app_.userSettings.write(Options, LastScheduledScanKey, StampText(moment));
}

void ScanScheduler::settleAllUpToNow() {
    const DateTime now = locale_.now();
    settle(now);
    catchUpMoment_.reset();
    catchUpDue_.reset();
    // The next check measures no gap from an earlier second: the time between is settled.
    lastSecond_ = now;
}

void ScanScheduler::noticeMissed(const DateTime& since, const DateTime& now, int delaySeconds) {
    DateTime after = since;
    if (const auto settled = settledUpTo(now)) after = std::max(after, *settled);
    const auto missed = MissedScheduledMoment(locale_, storedSchedule(), after, now);
    if (!missed) return;
    catchUpMoment_ = missed;
    catchUpDue_ = AddSeconds(now, delaySeconds);
}

void ScanScheduler::tmrScheduler_Timer(app::FrmMain& main) {
    if (hold_.held()) {
        // A shield is at work: this second is checked as soon as it is done.
        hold_.whenReleased([&main] { main.tmrScheduler.setInterval(ResumeAfterHoldMs); });
    } else {
        checkClock(main);
    }
    armForNextCheck(main);
}

DateTime ScanScheduler::nextCheckAfter(const DateTime& now) {
    DateTime next = AddSeconds(now, LongestCheckGapSeconds - now.second);
    // A caught-up scan waiting for other work to end looks again every second.
    if (catchUpDue_) next = std::min(next, std::max(*catchUpDue_, AddSeconds(now, 1)));
    if (const auto moment = NextScheduledMoment(locale_, storedSchedule(), now)) next = std::min(next, *moment);
    return next;
}

void ScanScheduler::armForNextCheck(app::FrmMain& main) {
    std::uint32_t millisecond = 0;
    const DateTime now = locale_.now(millisecond);
    const DateTime next = nextCheckAfter(now);
    armedFor_ = next;
    const auto seconds = std::clamp<std::int64_t>(SecondsBetween(now, next), 1, LongestCheckGapSeconds);
    main.tmrScheduler.setInterval(static_cast<std::uint32_t>(seconds * 1000) - std::min<std::uint32_t>(millisecond, 999) +
                                  SecondLandingMs);
}

void ScanScheduler::checkClock(app::FrmMain& main) {
    // The schedule is read and compared once a second; a tick early in a second already
    // checked does nothing.
    const DateTime now = locale_.now();
    if (lastSecond_ && *lastSecond_ == now) return;
    const auto previous = lastSecond_;
    lastSecond_ = now;

    if (!startChecked_) {
        startChecked_ = true;
        const auto settled = settledUpTo(now);
        // Without a record nothing is known to be missed: counting starts now.
        if (settled) noticeMissed(*settled, now, CatchUpDelaySeconds);
        else settle(now);
    } else if (const auto gap = previous ? SecondsBetween(*previous, now) : 0; gap > 1) {
        // The check sleeps on purpose between moments: only one that comes later than it was
        // armed for tells of a machine that slept or a program that was held.
        const auto late = armedFor_ ? SecondsBetween(*armedFor_, now) : gap - 1;
        noticeMissed(*previous, now, late > HeldGapSeconds ? CatchUpDelaySeconds : 0);
    }

    const StoredSchedule schedule = storedSchedule();
    const bool onTime = IsScheduledMoment(locale_, schedule, now) && firedSecond_ != now;
    if (onTime && otherWorkUnderWay(main)) {
        // Never inside other work: the moment waits for its end and runs then, unless a
        // scan meanwhile covers it.
        firedSecond_ = now;
        catchUpMoment_ = now;
        catchUpDue_ = now;
        scan_.session(main).state.autoRemoveAfterScan = false;
        return;
    }
    const bool late = !onTime && catchUpDue_ && now >= *catchUpDue_ && !otherWorkUnderWay(main);
    if (onTime || late) {
        firedSecond_ = now;
        if (late) app_.userSettings.write(Options, CaughtUpScheduledScanKey, StampText(*catchUpMoment_));
        settle(onTime ? now : *catchUpMoment_);
        catchUpMoment_.reset();
        catchUpDue_.reset();
        startScheduledScan(main);
        showNextRun(main);
    } else if (now.second == 0) {
        showNextRun(main);
    }
    scan_.session(main).state.autoRemoveAfterScan = false;
}

bool ScanScheduler::otherWorkUnderWay(app::FrmMain& main) {
    if (hold_.held() || scan_.session(main).state.running || !main.cmdScanNow.enabled()) return true;
    return workUnderWay_ && workUnderWay_(main);
}

void ScanScheduler::scanStarting() { settleAllUpToNow(); }

void ScanScheduler::scanEnded() { settleAllUpToNow(); }

void ScanScheduler::startScheduledScan(app::FrmMain& main) {
    auto& state = scan_.session(main).state;
    const auto removedTotal = [this] { return app_.userSettings.readNumber(app::section::Settings, "lblDefRemoved", "0"); };
    const std::int64_t removedBefore = removedTotal();
    state.autoRemoveAfterScan = app_.userSettings.readNumber(app::section::Settings, "chkAutoDel", "0") == 1;
    const bool autoRemove = state.autoRemoveAfterScan;
    state.mode = scan::ScanMode::ScheduledScan;
    main.lblStart_Click();
    state.mode = scan::ScanMode::UserScan;
    state.autoRemoveAfterScan = false;
    // From the tray nothing else tells the user that a scan ran and what it did.
    if (!app_.hooks.trayBalloon) return;
    std::string notice = app_.message("MSG_BALLOON_SCAN") + " " + std::to_string(state.threatsFound);
    if (autoRemove)
        notice += "\r\n" + app_.message("MSG_BALLOON_REMOVED") + " " + std::to_string(removedTotal() - removedBefore);
    app_.hooks.trayBalloon(main, notice);
}

void ScanScheduler::SaveSchedule(app::FrmMain& main) {
    auto& settings = app_.userSettings;
    if (main.cmbDays.listIndex() == DateAndTimeIndex &&
        (!main.dtpScheduleDate.hasValue() || !main.dtpScheduleTime.hasValue())) {
        app_.host.messageBox(app_.message("MSG_DATE"), app_.branding.ProgramName, ui::mb::Information);
        return;
    }
    const int day = main.cmbDays.listIndex();
    if (main.chkAutomaticScanYesOrNo.value() == 1 && day >= 0 && day <= DailyIndex &&
        !main.dtpScheduleTime.hasValue()) {
        // A day without a time of day would be stored and never fire.
        app_.host.messageBox(app_.message(ScheduleTimeMessage), app_.branding.ProgramName, ui::mb::Information);
        return;
    }
    settings.write(Options, "chkAutomaticScanYesOrNo", std::to_string(main.chkAutomaticScanYesOrNo.value()));
    // Switching scheduled scans off or on owes nothing for the moments before.
    settleAllUpToNow();
    if (settings.readNumber(Options, "chkAutomaticScanYesOrNo", "0") != 1) {
        main.SwitchScheduler(false);
        return;
    }
    settings.write(Options, "Day", std::to_string(main.cmbDays.listIndex()));
    settings.write(Options, "Time",
                   main.dtpScheduleTime.hasValue() ? locale_.formatTime(main.dtpScheduleTime.value()) : "Null");
    settings.write(Options, "Date",
                   main.dtpScheduleDate.hasValue() ? locale_.formatDate(main.dtpScheduleDate.value()) : "Null");
    // The new schedule is looked at now, not when the old one would have woken the check.
    main.SwitchScheduler(false);
    main.SwitchScheduler(true);
}

void ScanScheduler::setUpPage(app::FrmMain& main) {
    if (pageSetUp_) return;
    pageSetUp_ = true;
    main.cmbDays.clear();
    for (auto item : DayItems) main.cmbDays.addItem(std::string(item));
    main.cmbDays.onClick = [this, &main] { cmbDays_Click(main); };
    main.dtpScheduleDate.onChange = [this, &main] { dtpScheduleDate_Change(main); };
    main.dtpScheduleTime.onChange = [this, &main] { dtpScheduleTime_Click(main); };
    main.dtpScheduleTime.onClick = [this, &main] { dtpScheduleTime_Click(main); };

    ui::Control* container = main.cmbDays.container();
    lblNextScheduledScan_ = main.findAs<ui::Label>(NextRunLabelName);
    if (lblNextScheduledScan_ == nullptr)
        lblNextScheduledScan_ = &main.add<ui::Label>(std::string(NextRunLabelName), -1, container);
    lblNextScheduledScan_->move(120, 2100, 6600, 300);
}

void ScanScheduler::loadPicker(ui::DatePicker& picker, std::string_view key, const DateTime& now) {
    const std::string stored = app_.userSettings.read(Options, key, "Null");
    const auto value = stored == "Null" ? std::nullopt : locale_.parseDateTime(stored);
    if (!value) {
        // No value, but the picker opens on the present moment.
        picker.setValue(now);
        picker.setNoValue();
        return;
    }
    DateTime shown = *value;
    // A time alone belongs to no day; the picker shows it on today.
    if (shown.year < 1601) shown = DateTime{now.year, now.month, now.day, shown.hour, shown.minute, shown.second};
    picker.setValue(shown);
}

void ScanScheduler::LoadScheduleControls(app::FrmMain& main) {
    setUpPage(main);
    {
        platform::ScopedFlag loading(loading_);
        auto& settings = app_.userSettings;
        main.chkAutoDel.setValue(static_cast<int>(settings.readNumber(app::section::Settings, "chkAutoDel", "0")));
        const DateTime now = locale_.now();
        loadPicker(main.dtpScheduleDate, "Date", dateOnly(now));
        loadPicker(main.dtpScheduleTime, "Time", now);
        if (settings.read(Options, "Day", "None") == "None") main.cmbDays.setListIndex(DailyIndex);
        else main.cmbDays.setListIndex(static_cast<int>(settings.readNumber(Options, "Day", "7")));
        // The box shows what is stored, so that the page after "Apply" is the page as saved.
        const int stored = settings.readNumber(Options, "chkAutomaticScanYesOrNo", "0") == 1 ? 1 : 0;
        if (main.chkAutomaticScanYesOrNo.value() != stored) main.chkAutomaticScanYesOrNo.setValue(stored);
        else chkAutomaticScanYesOrNo_Click(main);
    }
    main.applyScheduleButton.setEnabled(false);
    showNextRun(main);
}

void ScanScheduler::CmdProceed_Click(app::FrmMain& main) {
    SaveSchedule(main);
    main.applyScheduleButton.setEnabled(false);
    LoadScheduleControls(main);
}

void ScanScheduler::pageChanged(app::FrmMain& main) {
    if (!loading_) main.applyScheduleButton.setEnabled(true);
}

void ScanScheduler::chkAutomaticScanYesOrNo_Click(app::FrmMain& main) {
    // The box switches the clock check on or off at once, before any "Apply": the moments
    // that passed while it was off were never owed.
    if (!loading_) settleAllUpToNow();
    if (main.chkAutomaticScanYesOrNo.value() == 1) {
        main.SwitchScheduler(true);
        main.cmbDays.setEnabled(true);
        const int day = main.cmbDays.listIndex();
        if (day >= 0 && day <= DailyIndex) {
            main.dtpScheduleDate.setNoValue();
            main.dtpScheduleDate.setEnabled(false);
            main.dtpScheduleTime.setEnabled(true);
        }
    } else {
        main.cmbDays.setEnabled(false);
        main.dtpScheduleDate.setEnabled(false);
        main.dtpScheduleTime.setEnabled(false);
        main.SwitchScheduler(false);
    }
    pageChanged(main);
}

void ScanScheduler::cmbDays_Click(app::FrmMain& main) {
    const int day = main.cmbDays.listIndex();
    if (day == DateAndTimeIndex) {
        main.dtpScheduleDate.setEnabled(true);
        main.dtpScheduleTime.setEnabled(true);
    } else if (day == NeverIndex) {
        main.dtpScheduleDate.setNoValue();
        main.dtpScheduleTime.setNoValue();
        main.dtpScheduleDate.setEnabled(false);
        main.dtpScheduleTime.setEnabled(false);
    } else if (day >= 0 && day <= DailyIndex) {
        main.dtpScheduleDate.setNoValue();
        main.dtpScheduleDate.setEnabled(false);
        main.dtpScheduleTime.setEnabled(true);
    }
    pageChanged(main);
}

void ScanScheduler::dtpScheduleDate_Change(app::FrmMain& main) { pageChanged(main); }

void ScanScheduler::dtpScheduleTime_Click(app::FrmMain& main) { pageChanged(main); }

std::string ScanScheduler::NextRunValue(std::string_view whenOff) {
    if (app_.userSettings.readNumber(Options, "chkAutomaticScanYesOrNo", "0") != 1) return std::string(whenOff);
    const DateTime now = locale_.now();
    auto next = NextScheduledMoment(locale_, storedSchedule(), now);
    // A missed scan waiting for its delay runs before any later moment.
    if (catchUpDue_ && (!next || *catchUpDue_ < *next)) next = std::max(*catchUpDue_, now);
    if (!next) return app_.message("MSG_NEXT_SCAN_NONE");
    return locale_.weekdayName(*next) + ", " + locale_.formatDate(*next) + " " + locale_.formatTime(*next);
}

std::string ScanScheduler::NextRunText() {
    if (app_.userSettings.readNumber(Options, "chkAutomaticScanYesOrNo", "0") != 1)
        return app_.message("MSG_SCHEDULE_OFF");
    return app_.message("MSG_NEXT_SCAN") + " " + NextRunValue({});
}

void ScanScheduler::showNextRun(app::FrmMain& main) {
    setUpPage(main);
    lblNextScheduledScan_->setCaption(NextRunText());
}

}  // namespace sorvane::protection
