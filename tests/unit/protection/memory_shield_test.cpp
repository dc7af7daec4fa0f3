#include "protection/memory_shield.h"

#include <stdexcept>

#include "scan/memory_scan.h"
#include "tests/fakes/fake_trace.h"
#include "tests/unit/protection/protection_fixture.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::protection::testing {
namespace {

using Outcome = FrmSpywareFoundAlert::Outcome;
using scan::testing::versionResource;

// Long enough for the first pass of the shield's own timer (10 s) and of the third
// home-page tick (15 s).
constexpr std::uint64_t FirstPassMs = 15000;

// What the user saw in one alert, and what the pass had done by then.
struct Shown {
    std::string fileName;
    std::string company;
    bool stillRunning = false;
};

class MemoryShieldTest : public ProtectionFixture {
protected:
    MemoryShieldTest() {
        scan::ForgetWin9xDefinitions();
        definitions("ExeDefinition.dat", {"bad.exe=x|[windir]", "evil.exe=y|[windir]"});
        fake.files.addFile("C:\\Windows\\bad.exe", "plain");
        fake.files.addFile("C:\\Windows\\evil.exe", versionResource("Evil Corp"));
    }
    ~MemoryShieldTest() override { scan::ForgetWin9xDefinitions(); }

    FrmSpywareFoundAlert& alert() { return protection().memory.alertWindow(); }

    // Answers every alert, after it has waited `patience` steps, with the next action.
    void answerWith(std::vector<std::function<void(FrmSpywareFoundAlert&)>> actions, int patience = 50) {
        answers = std::move(actions);
        host->yieldHook = [this, patience] {
            auto& window = alert();
            if (!window.visible()) return;
            if (++waited < patience) return;
            waited = 0;
            shown.push_back({window.lblAlertFileName.caption(), window.lblAlertCompanyName.caption(),
                             fake.processes.running(10)});
            if (next < answers.size()) answers[next++](window);
        };
    }
    static void stop(FrmSpywareFoundAlert& window) { window.cmdYes.click(); }
    static void allow(FrmSpywareFoundAlert& window) { window.cmdNO.click(); }
    static void closeBox(FrmSpywareFoundAlert& window) { window.hostCloseRequest(); }

    std::vector<std::function<void(FrmSpywareFoundAlert&)>> answers;
    std::size_t next = 0;
    int waited = 0;
    std::vector<Shown> shown;
};

TEST_F(MemoryShieldTest, AListedProcessStartedLaterIsShownAndKeepsRunningUntilStopIsPressed) {
    auto& main = start();
    answerWith({stop});
    host->advance(FirstPassMs);
    EXPECT_TRUE(shown.empty());
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    const auto yieldsBefore = host->yieldCount();
    host->advance(FirstPassMs);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].fileName, "BAD.EXE");
    EXPECT_EQ(shown[0].company, "No Company name available for BAD.EXE");
    EXPECT_TRUE(shown[0].stillRunning);
    EXPECT_FALSE(fake.processes.running(10));
    EXPECT_FALSE(alert().loaded());
    // The wait slept on the host; it did not spin through yields.
    EXPECT_LT(host->yieldCount() - yieldsBefore, 20u);
    EXPECT_GE(host->waits(), 1u);
    EXPECT_TRUE(host->messages().empty());
    // The pass is over: the timers run again.
    EXPECT_TRUE(main.tmrMemoryInspected.on());
    EXPECT_TRUE(main.tmrCheckHomePage.on());
}

TEST_F(MemoryShieldTest, TwoHitsInOnePassAreAskedOneAfterTheOtherEachWaitingForItsOwnAnswer) {
    start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    fake.processes.add(11, "C:\\Windows\\evil.exe");
    answerWith({allow, stop});
    host->advance(FirstPassMs);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].fileName, "BAD.EXE");
    EXPECT_EQ(shown[1].fileName, "EVIL.EXE");
    EXPECT_EQ(shown[1].company, "EVIL CORP");
    EXPECT_TRUE(fake.processes.running(10));
    EXPECT_FALSE(fake.processes.running(11));
    EXPECT_EQ(fake.files.content(Folder + "\\ENoSignature.txt"), "BAD.EXE\r\n");
}

TEST_F(MemoryShieldTest, AllowedProgramsAreNotAskedAgainAndListedOnceAsExcluded) {
    start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    answerWith({allow});
    host->advance(FirstPassMs);
    ASSERT_EQ(shown.size(), 1u);
    host->advance(60000);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_TRUE(fake.processes.running(10));
    std::size_t excludedRows = 0;
    for (const auto& row : summary()) excludedRows += row == "EXCLUDED: BAD.EXE" ? 1 : 0;
    EXPECT_EQ(excludedRows, 1u);
}

TEST_F(MemoryShieldTest, AllowHoldsForThisRunWhenTheExclusionFileCannotBeWrittenAndSaysSo) {
    start();
    // A standard user with the program under Program Files: its folder refuses new files.
    fake.files.protectFolder(Folder);
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    answerWith({allow});
    host->advance(FirstPassMs);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(fake.files.exists(Folder + "\\ENoSignature.txt"));
    ASSERT_EQ(host->messages().size(), 1u);
    EXPECT_EQ(host->messages()[0].text, "The exclusion could not be saved, so it holds only until Sorvane closes:\r\n" +
                                            Folder + "\\ENoSignature.txt: Access denied");
    // Not asked again in later passes: the same alert does not come back every few seconds.
    host->advance(60000);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_TRUE(fake.processes.running(10));
}

TEST_F(MemoryShieldTest, AnAlertClosedAnotherWayStopsNothingExcludesNothingAndAsksAgainLater) {
    start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    answerWith({closeBox, stop});
    host->advance(FirstPassMs);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(fake.processes.running(10));
    EXPECT_FALSE(fake.files.exists(Folder + "\\ENoSignature.txt"));
    EXPECT_FALSE(alert().loaded());
    // A later pass asks again.
    host->advance(20000);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_FALSE(fake.processes.running(10));
}

TEST_F(MemoryShieldTest, StopEndsTheMatchedProcessAndNeverANamesakeThatIsNotListed) {
    start();
    // The namesake comes first in the list, where a stop by name would find it.
    fake.processes.add(9, "C:\\Tools\\bad.exe");
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    answerWith({stop});
    host->advance(FirstPassMs);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(fake.processes.running(10));
    EXPECT_TRUE(fake.processes.running(9));
}

TEST_F(MemoryShieldTest, AProcessThatCannotBeStoppedIsNamedInCapitals) {
    start();
    fake.processes.add(10, "C:\\Windows\\bad.exe").resists = true;
    answerWith({stop});
    host->advance(FirstPassMs);
    ASSERT_EQ(host->messages().size(), 1u);
    EXPECT_EQ(host->messages()[0].text,
              "BAD.EXE could not be stopped.  You should try again after saving your work and closing any open "
              "applications.");
    EXPECT_EQ(host->messages()[0].title, "Sorvane");
    EXPECT_EQ(host->messages()[0].style, ui::mb::Information);
    EXPECT_TRUE(fake.processes.running(10));
    EXPECT_FALSE(alert().loaded());
}

TEST_F(MemoryShieldTest, AShieldSwitchedOffReturnsAtOnceWithoutTouchingTheTimers) {
    auto& main = start();
    putUser("OptionAndSettings", "optMemorySheildOn", "False");
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    main.tmrScheduler.setOn(true);
    main.tmrCheckHomePage.setOn(false);
    protection().memory.tmrMemoryInspected_Timer(main);
    EXPECT_TRUE(main.tmrScheduler.on());
    EXPECT_FALSE(main.tmrCheckHomePage.on());
    EXPECT_FALSE(alert().loaded());
    EXPECT_TRUE(summary().empty());
}

TEST_F(MemoryShieldTest, EveryThirdHomePageTickCarriesAPassWhileTheShieldsOwnTimerIsOff) {
    auto& main = start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    answerWith({allow});
    auto& homePage = protection().homePage;
    homePage.tmrCheckHomePage_Timer(main);
    homePage.tmrCheckHomePage_Timer(main);
    EXPECT_TRUE(shown.empty());
    // The window shown in its normal state switches the shield's own timer off (until the
    // end of the next check arms it again).
    main.tmrMemoryInspected.setOn(false);
    homePage.tmrCheckHomePage_Timer(main);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(homePage.ticks(), 0);
    // While its own timer runs, it passes every ten seconds: the third tick adds none.
    main.tmrMemoryInspected.setOn(true);
    const int before = fake.processes.snapshots;
    for (int i = 0; i < 3; ++i) homePage.tmrCheckHomePage_Timer(main);
    EXPECT_EQ(fake.processes.snapshots, before);
    EXPECT_EQ(homePage.ticks(), 0);
}

TEST_F(MemoryShieldTest, WithBothShieldsOnEachTimerKeepsItsOwnCadence) {
    putUser("OptionAndSettings", "chkAutomaticScanYesOrNo", "1");
    putUser("OptionAndSettings", "Day", "9");
    auto& main = start();
    std::vector<std::uint64_t> ownTicks, homeTicks;
    int schedulerTicks = 0;
    auto& hooks = program->app.hooks;
    auto memoryTick = hooks.memoryShieldTick;
    auto homeTick = hooks.homePageShieldTick;
    auto schedulerTick = hooks.schedulerTick;
    hooks.memoryShieldTick = [&, memoryTick](app::FrmMain& window) {
        ownTicks.push_back(host->now());
        memoryTick(window);
    };
    hooks.homePageShieldTick = [&, homeTick](app::FrmMain& window) {
        homeTicks.push_back(host->now());
        homeTick(window);
    };
    hooks.schedulerTick = [&, schedulerTick](app::FrmMain& window) {
        ++schedulerTicks;
        schedulerTick(window);
    };
    // The two timers set going 2.5 s apart, so that no tick of one falls into a pass of the other.
    main.tmrMemoryInspected.setOn(false);
    main.tmrMemoryInspected.setOn(true);
    host->advance(2500);
    main.tmrCheckHomePage.setOn(false);
    main.tmrCheckHomePage.setOn(true);
    const int listingsBefore = fake.processes.snapshots;
    const int schedulerBefore = schedulerTicks;
    host->advance(60000 - 2500);

    auto spacedBy = [](const std::vector<std::uint64_t>& ticks, std::uint64_t ms) {
        for (std::size_t i = 1; i < ticks.size(); ++i)
            if (ticks[i] - ticks[i - 1] != ms) return false;
        return true;
    };
    EXPECT_EQ(ownTicks.size(), 6u);
    EXPECT_TRUE(spacedBy(ownTicks, 10000));
    EXPECT_EQ(homeTicks.size(), 11u);
    EXPECT_TRUE(spacedBy(homeTicks, 5000));
    // One pass per own tick; the third home-page ticks add none while the own timer runs.
    EXPECT_EQ(fake.processes.snapshots - listingsBefore, 6);
    // The clock check, with no scheduled moment near, wakes once a minute, not a hundred times a second.
    EXPECT_LE(schedulerTicks - schedulerBefore, 2);
    EXPECT_TRUE(main.tmrMemoryInspected.on());
    EXPECT_TRUE(main.tmrCheckHomePage.on());
    EXPECT_TRUE(main.tmrScheduler.on());
}

TEST_F(MemoryShieldTest, APassOpensEachProcessOnceAndSkipsAHitThatEndedWhileAnotherWaited) {
    start();
    fake.processes.add(7, "C:\\Windows\\notepad.exe");
    fake.processes.add(8, "C:\\Windows\\hidden.exe").hidden = true;
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    fake.processes.add(11, "C:\\Windows\\evil.exe");
    // The second hit ends while the user looks at the first.
    answerWith({[this](FrmSpywareFoundAlert& window) {
        std::erase_if(fake.processes.processes, [](const auto& p) { return p.id == 11; });
        window.cmdNO.click();
    }});
    const int readsBefore = fake.processes.moduleReads;
    protection().memory.tmrMemoryInspected_Timer(program->main);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].fileName, "BAD.EXE");
    // Four opens for the listing, and one more for each hit to see that it still runs.
    EXPECT_EQ(fake.processes.moduleReads - readsBefore, 4 + 2);
    EXPECT_EQ(program->main.lblTotalNoOfRunningItems.caption(), "3");
}

TEST_F(MemoryShieldTest, LaterPassesOpenOnlyNewProcessesYetSeeAListedProgramUnderAReusedId) {
    auto& main = start();
    fake.processes.add(7, "C:\\Windows\\notepad.exe").parentId = 1;
    fake.processes.add(8, "C:\\Windows\\hidden.exe").hidden = true;
    fake.processes.add(9, "C:\\Program Files\\App\\bad.exe").parentId = 1;
    answerWith({allow, allow});
    auto pass = [&] {
        const int before = fake.processes.moduleReads;
        protection().memory.tmrMemoryInspected_Timer(main);
        return fake.processes.moduleReads - before;
    };
    EXPECT_EQ(pass(), 3);
    // Nothing new: only the one that could not be opened is tried again.
    EXPECT_EQ(pass(), 1);
    EXPECT_EQ(main.lblTotalNoOfRunningItems.caption(), "2");
    // A listed program starts under a new id: opened for its path, and once more to see
    // that it still runs when asked about.
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    EXPECT_EQ(pass(), 1 + 1 + 1);
    ASSERT_EQ(shown.size(), 1u);
    // Another starts under the id of one that ended, from the same parent.
    std::erase_if(fake.processes.processes, [](const auto& p) { return p.id == 9 || p.id == 10; });
    fake.processes.add(9, "C:\\Windows\\evil.exe").parentId = 1;
    EXPECT_EQ(pass(), 1 + 1 + 1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].fileName, "EVIL.EXE");
    // The same file name under a reused id, started by another parent, is opened again.
    std::erase_if(fake.processes.processes, [](const auto& p) { return p.id == 7; });
    fake.processes.add(7, "C:\\Windows\\notepad.exe").parentId = 2;
    // (and the allowed one is still looked at before it is listed as excluded)
    EXPECT_EQ(pass(), 1 + 1 + 1);
    EXPECT_EQ(shown.size(), 2u);
    // A scan lists every process afresh.
    const int before = fake.processes.moduleReads;
    main.cmdScanNow.click();
    EXPECT_GE(fake.processes.moduleReads - before, 3);
}

TEST_F(MemoryShieldTest, AStopPressedInAnEarlierScanDoesNotSilenceTheShield) {
    auto& main = start();
    program->features.scan.session(main).state.stopRequested = true;
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    answerWith({stop});
    protection().memory.tmrMemoryInspected_Timer(main);
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(fake.processes.running(10));
}

TEST_F(MemoryShieldTest, ATickInsideAWaitingPassStartsNoSecondPass) {
    auto& main = start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    int nested = 0;
    answerWith({[&](FrmSpywareFoundAlert& window) {
        // Something re-armed the timers while the alert waits: the shield's tick comes again.
        protection().memory.tmrMemoryInspected_Timer(main);
        ++nested;
        window.cmdNO.click();
    }});
    host->advance(FirstPassMs);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(MemoryShieldTest, OnWindows9xTheShieldAsksWithAMessageBox) {
    fake.processes.setVersion({4, 10, 1998, 1});
    definitions("ExeDefinition.dat", {"bad.exe", "evil.exe"});
    auto& main = start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    fake.processes.add(11, "C:\\Windows\\evil.exe");
    host->queueAnswer(ui::Answer::Yes);
    host->queueAnswer(ui::Answer::No);
    protection().memory.tmrMemoryInspected_Timer(main);
    ASSERT_EQ(host->messages().size(), 2u);
    EXPECT_EQ(host->messages()[0].title, "Sorvane  - Alert");
    // The program's name filled in, a question with Yes and No.
    EXPECT_EQ(host->messages()[0].text.rfind("Sorvane has found [BAD.EXE] using you system memory. Click YES to stop "
                                             "[BAD.EXE]",
                                             0),
              0u)
        << host->messages()[0].text;
    EXPECT_EQ(host->messages()[0].style, ui::mb::YesNo | ui::mb::Question);
    EXPECT_FALSE(fake.processes.running(10));
    EXPECT_TRUE(fake.processes.running(11));
    EXPECT_EQ(fake.files.content(Folder + "\\ENoSignature.txt"), "EVIL.EXE\r\n");
    EXPECT_FALSE(alert().loaded());
}

TEST(ExclusionRowsTest, APassAddsNoRowThatIsAlreadyListed) {
    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    ui::Form form(host, "f");
    auto& list = form.add<ui::ListView>("l");
    list.add("EXCLUDED: A.EXE");
    list.add("Detected in the memory : X.EXE was stopped from running.");
    list.add("EXCLUDED: A.EXE");
    list.add("EXCLUDED: B.EXE");
    list.add("EXCLUDED: B.EXE");
    list.add("Detected in the memory : X.EXE was stopped from running.");
    DropRepeatedExclusionRows(list, 2);
    ASSERT_EQ(list.count(), 4u);
    EXPECT_EQ(list.item(2).text, "EXCLUDED: B.EXE");
    EXPECT_EQ(list.item(3).text, "Detected in the memory : X.EXE was stopped from running.");
}

TEST_F(MemoryShieldTest, FiftyCopiesOfAListedProgramBringOneAlertAndStopEndsThemAll) {
    start();
    // A namesake elsewhere is not the listed program and keeps running.
    fake.processes.add(9, "C:\\Tools\\evil.exe");
    for (std::uint32_t id = 100; id < 150; ++id) fake.processes.add(id, "C:\\Windows\\evil.exe");
    answerWith({stop, stop});
    host->advance(FirstPassMs);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].fileName, "EVIL.EXE");
    EXPECT_EQ(shown[0].company, "EVIL CORP");
    for (std::uint32_t id = 100; id < 150; ++id) EXPECT_FALSE(fake.processes.running(id)) << id;
    EXPECT_TRUE(fake.processes.running(9));
    EXPECT_TRUE(host->messages().empty());
    host->advance(FirstPassMs);
    EXPECT_EQ(shown.size(), 1u);
}

TEST_F(MemoryShieldTest, CopiesLeftRunningByAClosedAlertAreAskedAboutOncePerPass) {
    start();
    for (std::uint32_t id = 100; id < 150; ++id) fake.processes.add(id, "C:\\Windows\\evil.exe");
    answerWith({closeBox, closeBox, closeBox});
    host->advance(10500);
    EXPECT_EQ(shown.size(), 1u);
    // The next pass asks once more, and again only once.
    host->advance(10000);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(fake.processes.running(149));
}

TEST_F(MemoryShieldTest, TheAlertShowsWhereTheProgramRunsFrom) {
    start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    std::string path;
    host->yieldHook = [&] {
        if (!alert().visible()) return;
        path = alert().lblAlertPath.caption();
        alert().cmdNO.click();
    };
    host->advance(FirstPassMs);
    EXPECT_EQ(path, "C:\\WINDOWS\\BAD.EXE");
    EXPECT_EQ(alert().lblAlertPathCaption.caption(), "Path:");
}

TEST_F(MemoryShieldTest, ACompanyIsReadAgainOnlyWhenTheProgramFileChanges) {
    putUser("OptionAndSettings", "optIEHomePageSheildOn", "False");
    start();
    // Allowed programs are still looked at on every pass, company first.
    for (std::uint32_t id = 100; id < 110; ++id) fake.processes.add(id, "C:\\Windows\\evil.exe");
    answerWith({allow});
    host->advance(10500);
    ASSERT_EQ(shown.size(), 1u);
    const std::uint64_t afterFirst = fake.files.bytesRead("C:\\Windows\\evil.exe");
    ASSERT_GT(afterFirst, 0u);
    host->advance(30000);
    EXPECT_EQ(fake.files.bytesRead("C:\\Windows\\evil.exe"), afterFirst);
    // A new build of the file, another size: read once more.
    ASSERT_TRUE(fake.files.writeFile("C:\\Windows\\evil.exe", versionResource("Evil Corp") + "padding").ok());
    host->advance(10000);
    const std::uint64_t afterChange = fake.files.bytesRead("C:\\Windows\\evil.exe");
    EXPECT_GT(afterChange, afterFirst);
    host->advance(20000);
    EXPECT_EQ(fake.files.bytesRead("C:\\Windows\\evil.exe"), afterChange);
}

TEST_F(MemoryShieldTest, APassThatFailsReachesTheTraceAndTheTimersRunAgain) {
    fakes::MemoryTrace trace;
    auto& main = start();
    fake.processes.add(10, "C:\\Windows\\bad.exe");
    int thrown = 0;
    host->yieldHook = [&] {
        if (protection().memory.passRunning() && thrown == 0) {
            ++thrown;
            throw std::runtime_error("process listing broke");
        }
    };
    host->advance(FirstPassMs);
    EXPECT_EQ(thrown, 1);
    EXPECT_TRUE(trace.holds("memory shield pass: process listing broke"));
    EXPECT_FALSE(protection().memory.passRunning());
    EXPECT_TRUE(main.tmrMemoryInspected.on());
}

}  // namespace
}  // namespace sorvane::protection::testing
