#include "protection/scheduler.h"

#include "protection/protection_status.h"

#include "tests/unit/protection/protection_fixture.h"

namespace sorvane::protection::testing {
namespace {

using platform::DateTime;
const std::string Threat = "C:\\Program Files\\bad.exe";

// The fake clock starts on Tuesday 2024-05-14 at 9:30:00 AM.
class SchedulerTest : public ProtectionFixture {
protected:
    void scheduleDaily(std::string_view time) {
        putUser("OptionAndSettings", "chkAutomaticScanYesOrNo", "1");
        putUser("OptionAndSettings", "Day", "7");
        putUser("OptionAndSettings", "Time", time);
        putUser("OptionAndSettings", "Date", "Null");
    }
    // Counts the scans the main window starts.
    app::FrmMain& startCounting(bool tray = true) {
        auto& main = start(tray);
        auto scanNow = program->app.hooks.scanNow;
        program->app.hooks.scanNow = [this, scanNow](app::FrmMain& window) {
            ++scans;
            autoRemoveSeen.push_back(program->features.scan.session(window).state.autoRemoveAfterScan);
            scanNow(window);
        };
        return main;
    }
    // Counts the clock checks of the scheduler from now on into `ticks`.
    void countClockChecks(int& ticks) {
        auto tick = program->app.hooks.schedulerTick;
        program->app.hooks.schedulerTick = [&ticks, tick](app::FrmMain& window) {
            ++ticks;
            tick(window);
        };
    }
    void plantThreat() {
        definitions("FileDefinition.dat", {"bad.exe=FileBar|[progfil]"});
        fake.files.addFile(Threat, "MZ bad");
    }
    int scans = 0;
    std::vector<bool> autoRemoveSeen;
};

TEST_F(SchedulerTest, ADailyScheduleStartsExactlyOneScanInItsSecond) {
    scheduleDaily("9:30:05 AM");
    startCounting();
    host->advance(4000);
    EXPECT_EQ(scans, 0);
    host->advance(2000);
    EXPECT_EQ(scans, 1);
    host->advance(10000);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(user("Settings", "lblLastScan"), "5/14/2024 9:30:05 AM");
    EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey), "2024-05-14 09:30:05");
    EXPECT_FALSE(program->features.scan.autoRemoveAfterScan());
}

TEST_F(SchedulerTest, TheSleepingCheckStillStartsTheScanInItsSecondWhereverTheSecondBegins) {
    for (std::uint64_t phase : {0u, 1u, 480u, 981u, 999u}) {
        SCOPED_TRACE(phase);
        // The clock stands `phase` ms into 9:30:00 when the program starts.
        std::uint32_t into = 0;
        (void)fake.locale.now(into);
        fake.locale.advance((1000 + phase - into) % 1000);
        fake.locale.setNow(DateTime{2024, 5, 14, 9, 30, 0});
        scheduleDaily("9:30:07 AM");
        scans = 0;
        auto& main = startCounting();
        int ticks = 0;
        countClockChecks(ticks);
        host->advance(6900 - phase - host->now());
        EXPECT_EQ(scans, 0);
        host->advance(1000);
        EXPECT_EQ(scans, 1);
        EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey), "2024-05-14 09:30:07");
        host->advance(20000);
        EXPECT_EQ(scans, 1);
        // Woken for the moment and for the next minute's start, not every second.
        EXPECT_LE(ticks, 4);
        EXPECT_GE(main.tmrScheduler.interval(), SecondLandingMs);
        EXPECT_LE(main.tmrScheduler.interval(), LongestCheckGapSeconds * 1000 + SecondLandingMs);
    }
}

TEST_F(SchedulerTest, AMomentInsideAMemoryShieldAlertIsCheckedAsSoonAsTheAlertIsAnswered) {
    putUser("OptionAndSettings", "optIEHomePageSheildOn", "False");
    definitions("ExeDefinition.dat", {"bad.exe=x|[windir]"});
    fake.files.addFile("C:\\Windows\\bad.exe", "plain");
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    // The clock and the virtual clock go together: 9:30:00 is 0 ms.
    scheduleDaily("9:30:11 AM");
    auto& main = startCounting();
    // The shield's own pass comes at 10.5 s; the user answers its alert at 11.3 s.
    host->advance(500 - host->now() % 1000);
    main.tmrMemoryInspected.setOn(false);
    main.tmrMemoryInspected.setOn(true);
    const std::uint64_t answerAt = host->now() + 10800;
    ASSERT_EQ(answerAt % 1000, 300u);
    bool answered = false;
    host->yieldHook = [&] {
        auto& alert = protection().memory.alertWindow();
        if (!alert.visible() || host->now() < answerAt) return;
        answered = true;
        alert.cmdNO.click();
    };
    host->advance(answerAt - 1000 - host->now());
    EXPECT_EQ(scans, 0);
    host->advance(1500);
    EXPECT_TRUE(answered);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey), "2024-05-14 09:30:11");
}

TEST_F(SchedulerTest, BetweenMomentsTheCheckSleepsAndSwitchedBackOnItLooksAtOnce) {
    scheduleDaily("9:45:00 AM");
    auto& main = startCounting();
    int ticks = 0;
    countClockChecks(ticks);
    host->advance(14 * 60000 + 30000);
    // One look a minute at most while nothing is due.
    EXPECT_LE(ticks, 16);
    EXPECT_EQ(scans, 0);
    // Off for a while (the window shown), and on again 2 s before the moment: the check does
    // not sleep on the interval it armed a minute ago.
    main.ArmBackgroundTimers(false);
    host->advance(28000);
    main.ArmBackgroundTimers(true);
    EXPECT_LE(main.tmrScheduler.interval(), 1000u);
    host->advance(2500);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey), "2024-05-14 09:45:00");
    EXPECT_FALSE(protection().scheduler.pendingCatchUp().has_value());
}

TEST_F(SchedulerTest, AMomentSkippedByAFewLateSecondsRunsAtTheNextCheck) {
    scheduleDaily("9:30:05 AM");
    startCounting();
    host->advance(4000);
    // Busy for two and a half seconds, across the scheduled one, with no tick.
    fake.locale.advance(2500);
    host->advance(1000);
    EXPECT_EQ(scans, 1);
    // Settled up to the scan that ran for it.
    EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey), "2024-05-14 09:30:07");
    host->advance(10000);
    EXPECT_EQ(scans, 1);
}

TEST_F(SchedulerTest, NeverAndAPastDateNeverStartAScanAlthoughTheTimerRuns) {
    scheduleDaily("9:30:05 AM");
    putUser("OptionAndSettings", "Day", "9");
    auto& main = startCounting();
    host->advance(20000);
    EXPECT_TRUE(main.tmrScheduler.on());
    EXPECT_EQ(scans, 0);

    putUser("OptionAndSettings", "Day", "8");
    putUser("OptionAndSettings", "Date", "5/13/2024");
    putUser("OptionAndSettings", "Time", "9:30:30 AM");
    host->advance(20000);
    EXPECT_EQ(scans, 0);
    putUser("OptionAndSettings", "Date", "5/14/2024");
    putUser("OptionAndSettings", "Time", "9:30:50 AM");
    // Changed behind the page's back while the check slept: met at its next look, the
    // next minute's start at the latest.
    host->advance(21000);
    EXPECT_EQ(scans, 1);
}

TEST_F(SchedulerTest, AutomaticRemovalFollowsTheBoxOnlyForTheScheduledScan) {
    plantThreat();
    scheduleDaily("9:30:05 AM");
    putUser("Settings", "chkAutoDel", "1");
    auto& main = startCounting();
    host->advance(6000);
    ASSERT_EQ(scans, 1);
    EXPECT_TRUE(autoRemoveSeen.at(0));
    EXPECT_TRUE(host->messages().empty());
    EXPECT_FALSE(fake.files.exists(Threat));
    EXPECT_FALSE(program->features.scan.autoRemoveAfterScan());

    // A scan the user starts never removes by itself.
    fake.files.addFile(Threat, "MZ bad");
    main.cmdScanNow.click();
    EXPECT_EQ(autoRemoveSeen.back(), false);
    EXPECT_TRUE(fake.files.exists(Threat));
}

TEST_F(SchedulerTest, WithoutTheBoxTheScheduledScanOnlyFinds) {
    plantThreat();
    scheduleDaily("9:30:05 AM");
    startCounting();
    host->advance(6000);
    ASSERT_EQ(scans, 1);
    EXPECT_FALSE(autoRemoveSeen.at(0));
    EXPECT_TRUE(fake.files.exists(Threat));
    EXPECT_EQ(program->main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.count(), 1u);
}

TEST_F(SchedulerTest, ApplyStoresTheScheduleAndShowsTheNextRun) {
    auto& main = start(false);
    EXPECT_EQ(main.cmbDays.items().size(), 10u);
    EXPECT_EQ(main.cmbDays.items()[8], "Date & Time");
    EXPECT_EQ(main.cmbDays.listIndex(), 7);
    main.chkAutomaticScanYesOrNo.click();
    EXPECT_TRUE(main.applyScheduleButton.enabled());
    EXPECT_FALSE(main.dtpScheduleDate.enabled());
    main.dtpScheduleTime.setValue(DateTime{2024, 5, 14, 14, 30, 0});
    main.applyScheduleButton.click();

    EXPECT_EQ(user("OptionAndSettings", "chkAutomaticScanYesOrNo"), "1");
    EXPECT_EQ(user("OptionAndSettings", "Day"), "7");
    EXPECT_EQ(user("OptionAndSettings", "Time"), "2:30:00 PM");
    EXPECT_EQ(user("OptionAndSettings", "Date"), "Null");
    EXPECT_FALSE(main.applyScheduleButton.enabled());
    EXPECT_EQ(main.chkAutomaticScanYesOrNo.value(), 1);
    EXPECT_TRUE(main.dtpScheduleTime.hasValue());
    EXPECT_FALSE(main.dtpScheduleDate.hasValue());
    auto* next = main.findAs<ui::Label>(ScanScheduler::NextRunLabelName);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->caption(), "Next scheduled scan: Tuesday, 5/14/2024 2:30:00 PM");

    // Switching the box off stores only the box, and the page shows it off.
    main.chkAutomaticScanYesOrNo.click();
    main.applyScheduleButton.click();
    EXPECT_EQ(user("OptionAndSettings", "chkAutomaticScanYesOrNo"), "0");
    EXPECT_EQ(user("OptionAndSettings", "Time"), "2:30:00 PM");
    EXPECT_EQ(main.chkAutomaticScanYesOrNo.value(), 0);
    EXPECT_FALSE(main.tmrScheduler.on());
    EXPECT_EQ(next->caption(), "Scheduled scans are off.");
}

TEST_F(SchedulerTest, DateAndTimeWithoutADateIsRefusedAndThePageReloaded) {
    scheduleDaily("9:45:00 AM");
    auto& main = start(false);
    main.cmbDays.setListIndex(8);
    EXPECT_TRUE(main.dtpScheduleDate.enabled());
    ASSERT_FALSE(main.dtpScheduleDate.hasValue());
    main.applyScheduleButton.click();
    ASSERT_EQ(host->messages().size(), 1u);
    EXPECT_EQ(host->messages()[0].text, "Please select the date that you want to scan.");
    EXPECT_EQ(host->messages()[0].title, "Sorvane");
    EXPECT_EQ(user("OptionAndSettings", "Day"), "7");
    EXPECT_EQ(main.cmbDays.listIndex(), 7);
    EXPECT_EQ(main.dtpScheduleTime.value().hour, 9);
    EXPECT_EQ(main.dtpScheduleTime.value().minute, 45);

    // With both values the same choice is stored.
    main.cmbDays.setListIndex(8);
    main.dtpScheduleDate.setValue(DateTime{2024, 5, 20, 0, 0, 0});
    main.applyScheduleButton.click();
    EXPECT_EQ(user("OptionAndSettings", "Day"), "8");
    EXPECT_EQ(user("OptionAndSettings", "Date"), "5/20/2024");
    EXPECT_EQ(main.findAs<ui::Label>(ScanScheduler::NextRunLabelName)->caption(),
              "Next scheduled scan: Monday, 5/20/2024 9:45:00 AM");
}

TEST_F(SchedulerTest, TheLoadOpensEmptyPickersOnTheirDayAndNeverClearsBoth) {
    auto& main = start(false);
    EXPECT_FALSE(main.dtpScheduleDate.hasValue());
    putUser("OptionAndSettings", "Day", "9");
    putUser("OptionAndSettings", "Date", "Null");
    putUser("OptionAndSettings", "Time", "Null");
    protection().scheduler.LoadScheduleControls(main);
    EXPECT_EQ(main.cmbDays.listIndex(), 9);
    EXPECT_FALSE(main.dtpScheduleDate.hasValue());
    EXPECT_FALSE(main.dtpScheduleTime.hasValue());
    EXPECT_EQ(main.dtpScheduleDate.value().day, 14);
    EXPECT_FALSE(main.dtpScheduleTime.enabled());
    EXPECT_FALSE(main.applyScheduleButton.enabled());
    main.cmbDays.setListIndex(1);
    EXPECT_TRUE(main.dtpScheduleTime.enabled());
    EXPECT_TRUE(main.applyScheduleButton.enabled());
}

TEST_F(SchedulerTest, AMomentMissedWhileTheProgramWasNotRunningIsCaughtUpOnceAfterTheStart) {
    scheduleDaily("9:00:00 AM");
    putUser("OptionAndSettings", LastScheduledScanKey, "2024-05-13 09:00:00");
    startCounting();
    host->advance(20000);
    EXPECT_EQ(scans, 0);
    host->advance(40000);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(user("OptionAndSettings", CaughtUpScheduledScanKey), "2024-05-14 09:00:00");
    // Settled up to the late scan itself.
    EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey), "2024-05-14 09:30:30");

    // The next start owes nothing.
    scans = 0;
    startCounting();
    host->advance(90000);
    EXPECT_EQ(scans, 0);
}

TEST_F(SchedulerTest, NoRecordMeansNothingIsOwedAndCountingStartsNow) {
    scheduleDaily("9:00:00 AM");
    startCounting();
    host->advance(90000);
    EXPECT_EQ(scans, 0);
    EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey).value_or("").substr(0, 13), "2024-05-14 09");
}

TEST_F(SchedulerTest, AMomentThatPassedWhileTheMachineSleptIsCaughtUpAfterTheWake) {
    scheduleDaily("11:00:00 AM");
    putUser("OptionAndSettings", LastScheduledScanKey, "2024-05-14 09:00:00");
    startCounting();
    host->advance(5000);
    // Asleep for two hours: the wall clock jumps while no tick runs.
    fake.locale.advance(2 * 3600 * 1000);
    // The next clock check, within the minute.
    host->advance(60000);
    EXPECT_EQ(scans, 0);
    ASSERT_TRUE(protection().scheduler.pendingCatchUp().has_value());
    host->advance(60000);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(user("OptionAndSettings", CaughtUpScheduledScanKey), "2024-05-14 11:00:00");
}

TEST_F(SchedulerTest, AUserScanOverAScheduledMomentCoversItAndNoSecondScanFollows) {
    plantThreat();
    scheduleDaily("9:30:05 AM");
    putUser("Settings", "chkAutoDel", "1");
    auto& main = startCounting();
    host->advance(2000);
    // The user's scan takes ten seconds of wall time in which no timer ticks.
    bool slow = false;
    host->yieldHook = [&] {
        if (slow || !program->features.scan.session(main).state.running) return;
        slow = true;
        fake.locale.advance(10000);
    };
    main.cmdScanNow.click();
    host->yieldHook = nullptr;
    ASSERT_TRUE(slow);
    ASSERT_EQ(scans, 1);
    EXPECT_EQ(main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.count(), 1u);
    host->advance(90000);
    EXPECT_EQ(scans, 1);
    EXPECT_FALSE(protection().scheduler.pendingCatchUp().has_value());
    // The results the user reviews are still there, and nothing was removed without asking.
    EXPECT_EQ(main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.count(), 1u);
    EXPECT_TRUE(fake.files.exists(Threat));
}

TEST_F(SchedulerTest, AMomentInsideARemovalRunWaitsForItsEndWhateverArmedTheTimers) {
    plantThreat();
    fake.files.addFile("C:\\Program Files\\other.exe", "MZ other");
    definitions("FileDefinition.dat", {"bad.exe=FileBar|[progfil]", "other.exe=FileBaz|[progfil]"});
    scheduleDaily("9:30:10 AM");
    auto& main = startCounting(false);
    main.cmdScanNow.click();
    ASSERT_EQ(scans, 1);
    ASSERT_EQ(main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.count(), 2u);
    main.cmdSelectAll.click();
    const std::uint64_t removalStart = host->now();
    ASSERT_LT(removalStart, 9000u);
    // Half-way through the removal the user sends the window to the tray, which arms the
    // background timers, and the scheduled second comes while the removal still runs.
    bool sent = false;
    int scansInsideRemoval = -1;
    host->yieldHook = [&] {
        auto* run = program->features.removal.run(main);
        if (sent || run == nullptr || !run->running()) return;
        sent = true;
        main.SendToTray();
        host->advance(10500 - host->now());
        scansInsideRemoval = scans;
    };
    main.lblRemove.click();
    host->yieldHook = nullptr;
    ASSERT_TRUE(sent);
    EXPECT_EQ(scansInsideRemoval, 1);
    EXPECT_FALSE(fake.files.exists(Threat));
    EXPECT_EQ(user("Settings", "lblDefRemoved"), "2");
    // After the removal the waiting scan runs, once.
    host->advance(60000);
    EXPECT_EQ(scans, 2);
}

TEST_F(SchedulerTest, TickingTheBoxWithoutApplyOwesNothingForTheTimeScheduledScansWereOff) {
    scheduleDaily("9:30:05 AM");
    putUser("OptionAndSettings", "chkAutomaticScanYesOrNo", "0");
    putUser("OptionAndSettings", LastScheduledScanKey, "2024-05-14 09:00:00");
    auto& main = startCounting();
    host->advance(10000);
    ASSERT_FALSE(main.tmrScheduler.on());
    main.chkAutomaticScanYesOrNo.click();
    ASSERT_TRUE(main.tmrScheduler.on());
    host->advance(90000);
    EXPECT_EQ(scans, 0);
    EXPECT_FALSE(protection().scheduler.pendingCatchUp().has_value());
    // Applied, the schedule runs at its next moment.
    main.dtpScheduleTime.setValue(DateTime{2024, 5, 14, 9, 32, 0});
    main.applyScheduleButton.click();
    host->advance(30000);
    EXPECT_EQ(scans, 1);
}

TEST_F(SchedulerTest, SwitchingScheduledScansOffOrOnDropsAPendingCatchUp) {
    scheduleDaily("9:00:00 AM");
    putUser("OptionAndSettings", LastScheduledScanKey, "2024-05-13 09:00:00");
    auto& main = startCounting();
    host->advance(5000);
    ASSERT_TRUE(protection().scheduler.pendingCatchUp().has_value());
    main.chkAutomaticScanYesOrNo.click();
    EXPECT_FALSE(protection().scheduler.pendingCatchUp().has_value());
    main.chkAutomaticScanYesOrNo.click();
    host->advance(90000);
    EXPECT_EQ(scans, 0);

    // The same through "Apply".
    putUser("OptionAndSettings", LastScheduledScanKey, "2024-05-13 09:00:00");
    scans = 0;
    auto& again = startCounting();
    host->advance(5000);
    ASSERT_TRUE(protection().scheduler.pendingCatchUp().has_value());
    again.cmbDays.setListIndex(DailyIndex);
    ASSERT_TRUE(again.applyScheduleButton.enabled());
    again.applyScheduleButton.click();
    EXPECT_FALSE(protection().scheduler.pendingCatchUp().has_value());
    host->advance(90000);
    EXPECT_EQ(scans, 0);
}

TEST_F(SchedulerTest, ARecordLaterThanNowCountsAsNow) {
    scheduleDaily("11:00:00 AM");
    putUser("OptionAndSettings", LastScheduledScanKey, "2024-06-30 00:00:00");
    startCounting();
    host->advance(5000);
    EXPECT_EQ(user("OptionAndSettings", LastScheduledScanKey).value_or("").substr(0, 13), "2024-05-14 09");
    // The machine sleeps over eleven o'clock: that moment is owed as on any other day
    // (noticed at the next look, within the minute, and run the catch-up delay later).
    fake.locale.advance(2 * 3600 * 1000);
    host->advance(60000 + CatchUpDelaySeconds * 1000);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(user("OptionAndSettings", CaughtUpScheduledScanKey), "2024-05-14 11:00:00");
}

TEST_F(SchedulerTest, AMissedOneOffMomentRunsOnceAfterTheStart) {
    putUser("OptionAndSettings", "chkAutomaticScanYesOrNo", "1");
    putUser("OptionAndSettings", "Day", "8");
    putUser("OptionAndSettings", "Date", "5/14/2024");
    putUser("OptionAndSettings", "Time", "9:00:00 AM");
    putUser("OptionAndSettings", LastScheduledScanKey, "2024-05-13 18:00:00");
    startCounting();
    host->advance(60000);
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(user("OptionAndSettings", CaughtUpScheduledScanKey), "2024-05-14 09:00:00");
    scans = 0;
    startCounting();
    host->advance(90000);
    EXPECT_EQ(scans, 0);
}

TEST_F(SchedulerTest, AWeekdayScheduleFiresOnASystemThatNamesItsDaysInGerman) {
    fake.locale.setWeekdayNames({"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"});
    scheduleDaily("9:30:05 AM");
    putUser("OptionAndSettings", "Day", "1");
    startCounting();
    host->advance(6000);
    EXPECT_EQ(scans, 1);
    putUser("OptionAndSettings", "Day", "2");
    putUser("OptionAndSettings", "Time", "9:30:20 AM");
    host->advance(20000);
    EXPECT_EQ(scans, 1);
}

TEST_F(SchedulerTest, ApplyRefusesADayWithoutATimeAndStoresNothing) {
    scheduleDaily("9:45:00 AM");
    putUser("OptionAndSettings", "Day", "3");
    auto& main = start(false);
    ASSERT_EQ(main.chkAutomaticScanYesOrNo.value(), 1);
    for (int day : {7, 2}) {
        SCOPED_TRACE(day);
        host->clearMessages();
        main.cmbDays.setListIndex(day);
        main.dtpScheduleTime.setNoValue();
        main.applyScheduleButton.click();
        ASSERT_EQ(host->messages().size(), 1u);
        EXPECT_EQ(host->messages()[0].text, "Please select the time of day that you want to scan.");
        EXPECT_EQ(user("OptionAndSettings", "Day"), "3");
        EXPECT_EQ(user("OptionAndSettings", "Time"), "9:45:00 AM");
    }
    // "Never!" needs no time, nor does a schedule that is switched off.
    host->clearMessages();
    main.cmbDays.setListIndex(9);
    main.applyScheduleButton.click();
    EXPECT_TRUE(host->messages().empty());
    EXPECT_EQ(user("OptionAndSettings", "Day"), "9");
    main.cmbDays.setListIndex(7);
    main.dtpScheduleTime.setNoValue();
    main.chkAutomaticScanYesOrNo.click();
    main.applyScheduleButton.click();
    EXPECT_TRUE(host->messages().empty());
    EXPECT_EQ(user("OptionAndSettings", "chkAutomaticScanYesOrNo"), "0");
}

TEST_F(SchedulerTest, TheTrayIconReportsWhatAScheduledScanFoundAndRemoved) {
    plantThreat();
    scheduleDaily("9:30:05 AM");
    putUser("Settings", "chkAutoDel", "1");
    auto& main = startCounting();
    host->advance(6000);
    ASSERT_EQ(scans, 1);
    ASSERT_NE(host->tray(main), nullptr);
    ASSERT_EQ(host->tray(main)->balloons.size(), 1u);
    EXPECT_EQ(host->tray(main)->balloons[0].second,
              "The scheduled scan has finished. Items found: 1\r\nItems removed automatically: 1");
    // A scan of the user's says nothing through the icon.
    fake.files.addFile(Threat, "MZ bad");
    main.cmdScanNow.click();
    EXPECT_EQ(host->tray(main)->balloons.size(), 1u);
}

TEST_F(SchedulerTest, TheStatusPageShowsEachShieldAndTheNextScheduledScan) {
    scheduleDaily("2:30:00 PM");
    putUser("OptionAndSettings", "optIEHomePageSheildOn", "False");
    auto& main = start(false);
    main.cmdStatus.click();
    auto caption = [&](std::string_view name) {
        const auto* label = main.findAs<ui::Label>(name);
        return label != nullptr ? label->caption() : std::string("(none)");
    };
    EXPECT_EQ(caption("lblMemoryShieldStateCaption"), "Memory Shield:");
    EXPECT_EQ(caption(ProtectionStatus::MemoryShieldLabel), "On");
    EXPECT_EQ(caption(ProtectionStatus::HomePageShieldLabel), "Off");
    EXPECT_EQ(caption(ProtectionStatus::NextScanLabel), "Tuesday, 5/14/2024 2:30:00 PM");
    EXPECT_TRUE(main.findAs<ui::Label>(ProtectionStatus::NextScanLabel)->container() == &main.frmStatus);

    // Switched from the options page, shown the next time the page comes up.
    main.chkAutoProtect.click();
    main.chkAutomaticScanYesOrNo.click();
    main.applyScheduleButton.click();
    main.cmdStatus.click();
    EXPECT_EQ(caption(ProtectionStatus::MemoryShieldLabel), "Off");
    EXPECT_EQ(caption(ProtectionStatus::NextScanLabel), "Off");
}

}  // namespace
}  // namespace sorvane::protection::testing
