#include <random>

#include "app/definition_files.h"
#include "scan/scan_driver.h"
#include "scan/scan_session.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::scan::testing {
namespace {

using platform::RootKey;
using ::testing::ElementsAre;

class DriverTest : public ScanFixture {
protected:
    DriverTest() {
        view.cmdScan.setEnabled(true);
        view.cmdScanNow.setEnabled(true);
        settings["OptionAndSettings/optScanAllSelectedHardDrive"] = "False";
    }
};

TEST_F(DriverTest, PhasesSwitchedOffShowNotSelectedAndTheFilesPhaseStillRuns) {
    settings["OptionAndSettings/chkSweepMemory"] = "0";
    settings["OptionAndSettings/chkScanRegistry"] = "False";
    settings["OptionAndSettings/chkScanCookies"] = "0";
    fake.registry.addKey(RootKey::CurrentUser, "Software\\Bad");
    fake.files.addFile("C:\\Program Files\\bad.exe", "plain");
    definitions("RegistryDefinition.dat", {"1^Software\\Bad^=BadBar"});
    // Enough lines for the progress refresh to run: it must not overwrite "Not Selected".
    std::vector<std::string> files{"bad.exe=FileBar|[progfil]"};
    for (int i = 0; i < 150; ++i) files.push_back("absent" + std::to_string(i) + ".exe=Other|[progfil]");
    definitions("FileDefinition.dat", files);
    cmdScanNow_Click(session);

    EXPECT_EQ(view.lblMemoryInspected.caption(), "Not Selected");
    EXPECT_EQ(view.lblRegistryInspected.caption(), "Not Selected");
    EXPECT_THAT(texts(summary()), ElementsAre("FileBar - Found"));
    EXPECT_EQ(view.lblStatus.caption(), "Scanning complete.");
    EXPECT_EQ(view.pb2.value(), 100);
    EXPECT_TRUE(view.cmdScanNow.enabled());
    EXPECT_FALSE(view.cmdStop->enabled());
    EXPECT_TRUE(view.cmdRemove->visible());
    EXPECT_FALSE(settings["Settings/lblLastScan"].empty());
    EXPECT_EQ(settings.count("Settings/lblLastFullScan"), 0u);
    EXPECT_EQ(view.lblFilesFolderInspected.caption(), std::to_string(session.state.filesFoldersInspected));
}

TEST_F(DriverTest, AScanOfFewerThanAHundredItemsEndsWithTheTrueCounters) {
    fake.files.addFile("C:\\Program Files\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=FileBar|[progfil]", "gone.exe=Gone|[progfil]"});
    cmdScanNow_Click(session);

    ASSERT_LT(session.state.filesFoldersInspected, 100);
    EXPECT_EQ(view.lblFilesFolderInspected.caption(), std::to_string(session.state.filesFoldersInspected));
    EXPECT_NE(view.lblFilesFolderInspected.caption(), "0");
    EXPECT_EQ(view.lblSoftwareFound.caption(), "1");
    EXPECT_EQ(view.lblRemovePicSoftwareFound.caption(), "1");
}

// What one scan read of each definition file, beyond what was read before.
class ReadCounter {
public:
    explicit ReadCounter(fakes::FakeFileSystem& files) : files_(files) { take(); }
    std::map<std::string, std::uint64_t> sinceLast() {
        auto before = last_;
        take();
        for (auto& [name, bytes] : before) bytes = last_[name] - bytes;
        return before;
    }

private:
    void take() {
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat"})
            last_[name] = files_.bytesRead(AppFolder + "\\" + name);
    }
    fakes::FakeFileSystem& files_;
    std::map<std::string, std::uint64_t> last_;
};

TEST_F(DriverTest, EachDefinitionFileIsReadOnceAScanAndAChangedOneIsCountedAgain) {
    definitions("RegistryDefinition.dat", {"1^Software\\A^=X", "1^Software\\B^=Y"});
    definitions("FileDefinition.dat", {"a.dll=X|[progfil]"});
    definitions("DirectoryDefinition.dat", {"x=Y|[progfil]Gone"});
    definitions("ExeDefinition.dat", {"bad.exe=X|[windir]"});
    auto size = [&](const char* name) { return fake.files.content(AppFolder + "\\" + name)->size(); };
    ReadCounter reads(fake.files);
    cmdScanNow_Click(session);
    // Nothing counted them before this first scan: counting reads them once more.
    EXPECT_EQ(reads.sinceLast()["RegistryDefinition.dat"], 2 * size("RegistryDefinition.dat"));

    cmdScanNow_Click(session);
    auto second = reads.sinceLast();
    for (auto name : {"RegistryDefinition.dat", "FileDefinition.dat", "DirectoryDefinition.dat", "ExeDefinition.dat"})
        EXPECT_EQ(second[name], size(name)) << name;
    EXPECT_EQ(session.state.counts.registry, 2);
    EXPECT_EQ(session.state.counts.total(), 5);

    definitions("RegistryDefinition.dat", {"1^Software\\A^=X", "1^Software\\B^=Y", "1^Software\\C^=Z"});
    cmdScanNow_Click(session);
    EXPECT_EQ(session.state.counts.registry, 3);
    EXPECT_EQ(session.state.counts.total(), 6);
    EXPECT_EQ(reads.sinceLast()["RegistryDefinition.dat"], 2 * size("RegistryDefinition.dat"));
}

TEST_F(DriverTest, TheCountsTakenAtStartUpSpareTheFirstScanACountingRead) {
    definitions("RegistryDefinition.dat", {"1^Software\\A^=X", "1^Software\\B^=Y"});
    const auto atStart = app::CountDefinitions(fake.files, AppFolder);
    session.app.definitionCounts = [&] { return atStart; };
    ReadCounter reads(fake.files);
    cmdScanNow_Click(session);
    EXPECT_EQ(reads.sinceLast()["RegistryDefinition.dat"], fake.files.content(AppFolder + "\\RegistryDefinition.dat")->size());
    EXPECT_EQ(session.state.counts.registry, 2);
}

TEST_F(DriverTest, AFileNamedByTwoLinesHasItsCompanyReadOnce) {
    const std::string path = "C:\\Program Files\\bad.exe";
    fake.files.addFile(path, versionResource("Acme Ltd"));
    definitions("FileDefinition.dat", {"bad.exe=One|[progfil]", "BAD.EXE=Two|[progfil]"});
    cmdScanNow_Click(session);
    EXPECT_THAT(texts(summary()), ElementsAre("One - Found", "Two - Found"));
    EXPECT_EQ(fake.files.bytesRead(path), versionResource("Acme Ltd").size());
}

TEST_F(DriverTest, StopDuringTheRegistryPhaseCancelsTheRestButStoresTheDates) {
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i) {
        fake.registry.addKey(RootKey::CurrentUser, "Software\\K" + std::to_string(i));
        lines.push_back("1^Software\\K" + std::to_string(i) + "^=T" + std::to_string(i));
    }
    definitions("RegistryDefinition.dat", lines);
    fake.files.addFile("C:\\Program Files\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=FileBar|[progfil]"});
    settings["OptionAndSettings/optScanAllSelectedHardDrive"] = "True";
    host.yieldHook = [&] {
        if (session.state.registryInspected == 10 && !session.state.stopRequested) {
            host.queueAnswer(ui::Answer::Yes);
            cmdStop_Click(session);
        }
    };
    cmdScanNow_Click(session);

    EXPECT_EQ(session.state.registryInspected, 10);
    EXPECT_EQ(view.lvwRegistryToBeDeleted.count(), 10u);
    EXPECT_EQ(session.state.filesFoldersInspected, 0);
    EXPECT_EQ(view.lblStatus.caption(), "Scanning was cancelled.");
    EXPECT_EQ(view.lblPercentageCompleted.caption(), "0% Completed.");
    EXPECT_FALSE(settings["Settings/lblLastScan"].empty());
    EXPECT_EQ(settings["Settings/lblLastFullScan"], settings["Settings/lblLastScan"]);
}

TEST_F(DriverTest, MissingDefinitionFilesShowTheMessageAndRunNoPhase) {
    ASSERT_TRUE(fake.files.deleteFile(AppFolder + "\\BlockedCookies.dat").ok());
    fake.processes.add(9, "C:\\Windows\\bad.exe");
    cmdScanNow_Click(session);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, messages["MSG_MISSING"]);
    EXPECT_EQ(session.state.memoryInspected, 0);
    EXPECT_EQ(view.lblStatus.caption(), "Scanning complete.");
}

TEST_F(DriverTest, ProgressRefreshesTheScreenOnEveryHundredthCall) {
    session.state.threatsFound = 3;
    for (int i = 0; i < 99; ++i) session.UpdateProgress("x", 5, 6);
    EXPECT_EQ(view.pb1.value(), 0);
    session.UpdateProgress("Phase: \r\nC:\\Shithead\\Fuckwit.exe", 40, -1);
    EXPECT_EQ(view.pb1.value(), 40);
    EXPECT_EQ(view.pb2.value(), 0);
    EXPECT_EQ(view.lblSoftwareFound.caption(), "3");
    // Words go in list order, so a longer word loses the shorter one it contains first.
    EXPECT_EQ(view.lblStatus.caption(), "Phase: \r\nC:\\head\\wit.exe");
    EXPECT_EQ(host.frozenDepth(window), 0);
}

// A scan of absent registry keys, the host recording what it would have to draw.
struct ScreenTraffic {
    std::size_t unfrozen = 0;      // label and bar changes outside a freeze
    std::size_t listChanges = 0;   // rows added or updated in any list
    std::size_t counterShown = 0;  // texts the registry counter showed
    std::size_t freezes = 0;
    std::size_t itemYields = 0;
};

TEST_F(DriverTest, ProgressIsDrawnInFrozenBurstsEveryHundredLinesAndNothingPerLine) {
    settings["OptionAndSettings/chkScanCookies"] = "0";
    settings["OptionAndSettings/chkSweepMemory"] = "False";
    window.load();  // as the console loads it: the host hears of every change from now on
    auto scan = [&](int lines) {
        std::vector<std::string> defs;
        for (int i = 0; i < lines; ++i) defs.push_back("1^Software\\Absent" + std::to_string(i) + "^=Absent");
        definitions("RegistryDefinition.dat", defs);
        host.recordChanges = true;
        const auto freezesBefore = host.freezeCount(window);
        const auto yieldsBefore = host.itemYieldCount();
        cmdScanNow_Click(session);
        host.recordChanges = false;
        ScreenTraffic traffic;
        for (const auto& change : host.seenChanges()) {
            const bool listRow = change.change == ui::Change::ItemAdded || change.change == ui::Change::ItemUpdated;
            if (listRow) ++traffic.listChanges;
            const bool shown = change.change == ui::Change::Caption || change.change == ui::Change::Value;
            if (shown && !change.frozen) ++traffic.unfrozen;
            if (shown && change.control == "lblRegistryInspected") ++traffic.counterShown;
        }
        traffic.freezes = host.freezeCount(window) - freezesBefore;
        traffic.itemYields = host.itemYieldCount() - yieldsBefore;
        host.clearChanges();
        return traffic;
    };
    scan(1000);  // from here on each scan starts where a finished one left the window
    const auto small = scan(1000);
    const auto large = scan(3000);

    EXPECT_EQ(small.listChanges, 0u) << "no hit, no row";
    EXPECT_EQ(large.listChanges, 0u);
    EXPECT_EQ(large.unfrozen, small.unfrozen) << "outside the bursts, nothing is drawn per line";
    // The reset to 0 and one text per hundredth line.
    EXPECT_EQ(small.counterShown, 1u + 10u);
    EXPECT_EQ(large.counterShown, 1u + 30u);
    EXPECT_EQ(large.freezes - small.freezes, 20u) << "one frozen burst per hundred more lines";
    EXPECT_EQ(small.itemYields, 1000u) << "every line lets the window run, through the cheap yield";
    EXPECT_EQ(large.itemYields, 3000u);
    EXPECT_EQ(view.lblRegistryInspected.caption(), "3000");
}

TEST_F(DriverTest, SelectAllChecksUncheckedRowsAndTheirWorkRowsOnly) {
    fake.registry.putString(RootKey::CurrentUser, "Software\\A", "one", "1");
    fake.registry.putString(RootKey::CurrentUser, "Software\\A", "two", "2");
    fake.files.addFile("C:\\Program Files\\a.exe", "plain");
    fake.files.addFile("C:\\Program Files\\b.exe", "plain");
    fake.files.addFolder("C:\\Program Files\\Dir");
    definitions("RegistryDefinition.dat", {"1^Software\\A^one=Reg", "1^Software\\A^two=Reg"});
    definitions("FileDefinition.dat", {"a.exe=Files|[progfil]", "b.exe=Files|[progfil]"});
    definitions("DirectoryDefinition.dat", {"d=Dir|[progfil]Dir"});
    cmdScanNow_Click(session);
    ASSERT_EQ(detail().count(), 3u);

    auto& removal = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    removal.setChecked(1, true);  // already checked: Select All leaves its work rows alone
    cmdSelectAll_Click(view);
    for (const auto& row : view.lvwRegistryToBeDeleted.items()) EXPECT_TRUE(row.checked);
    const auto& files = view.lvwFilesToBeDeleted.items();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_FALSE(files[0].checked);
    EXPECT_FALSE(files[1].checked);
    EXPECT_TRUE(files[2].checked);  // the folder

    removal.setChecked(1, false);
    SyncWorkListChecks(view, 1);
    removal.setChecked(1, true);
    SyncWorkListChecks(view, 1);
    EXPECT_TRUE(files[0].checked && files[1].checked);
}

TEST_F(DriverTest, ARemovalRowTiesEveryTraceOfItsThreatWhateverKindCameFirst) {
    fake.registry.putString(RootKey::CurrentUser, "Software\\Both", "v", "1");
    fake.files.addFile("C:\\Program Files\\Both\\both.exe", "plain");
    fake.files.addFile("C:\\Program Files\\other.exe", "plain");
    definitions("RegistryDefinition.dat", {"1^Software\\Both^v=Both"});
    definitions("FileDefinition.dat", {"both.exe=Both|[progfil]Both", "other.exe=Other|[progfil]"});
    definitions("DirectoryDefinition.dat", {"d=Both|[progfil]Both"});
    cmdScanNow_Click(session);
    // The registry trace came first: one row for the threat, plus the other threat's.
    ASSERT_EQ(texts(detail()), (std::vector<std::string>{"Both", "Other"}));

    auto& removal = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    removal.setChecked(0, true);
    SyncWorkListChecks(view, 0);
    EXPECT_TRUE(view.lvwRegistryToBeDeleted.item(0).checked);
    std::vector<std::string> checkedFiles;
    for (const auto& row : view.lvwFilesToBeDeleted.items())
        if (row.checked) checkedFiles.push_back(row.text);
    EXPECT_EQ(checkedFiles, (std::vector<std::string>{"C:\\Program Files\\Both\\both.exe",
                                                      "C:\\Program Files\\Both"}));

    removal.setChecked(0, false);
    SyncWorkListChecks(view, 0);
    for (const auto& row : view.lvwFilesToBeDeleted.items()) EXPECT_FALSE(row.checked) << row.text;
    EXPECT_FALSE(view.lvwRegistryToBeDeleted.item(0).checked);
}

TEST_F(DriverTest, PauseHoldsTheButtonsUntilTheBoxIsClosed) {
    bool stopEnabledDuringBox = true;
    host.decideAnswer = [&](const ui::ShownMessage&) {
        stopEnabledDuringBox = view.cmdStop->enabled();
        return std::optional<ui::Answer>(ui::Answer::Ok);
    };
    view.cmdStop->setEnabled(true);
    cmdPause_Click(session, view);
    EXPECT_FALSE(stopEnabledDuringBox);
    EXPECT_TRUE(view.cmdStop->enabled());
    EXPECT_EQ(host.messages().at(0).text, "[ProgramName] has been paused.  Click OK to resume.");
}

}  // namespace
}  // namespace sorvane::scan::testing

namespace sorvane::scan::testing {
namespace {

// A removal row's ties, looked up the plain way: every work row compared with it.
void plainTie(ScanView& view, std::size_t row) {
    const auto& item = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.item(row);
    auto tie = [&](ui::ListView& list, auto&& tied) {
        for (std::size_t i = 0; i < list.count(); ++i)
            if (tied(list.item(i))) list.setChecked(i, item.checked);
    };
    const bool byThreat = item.smallIcon == icon::Registry || item.smallIcon == icon::File || item.smallIcon == icon::Folder;
    if (item.smallIcon == icon::Cookie)
        tie(view.lvwCookiesToDelete, [&](const ui::ListItem& w) { return w.text == item.subItem(1); });
    if (item.smallIcon == icon::Registry)
        tie(view.lvwRegistryToBeDeleted, [&](const ui::ListItem& w) { return w.subItem(1) == item.text; });
    if (item.smallIcon == icon::Folder)
        tie(view.lvwFilesToBeDeleted, [&](const ui::ListItem& w) { return w.text == item.subItem(1); });
    if (byThreat) {
        tie(view.lvwFilesToBeDeleted, [&](const ui::ListItem& w) { return w.subItem(1) == item.text; });
        tie(view.lvwRegistryToBeDeleted, [&](const ui::ListItem& w) { return w.subItem(3) == item.text; });
    }
}

// Select All and the console's choice of rows tie all their rows in one pass; they must
// leave exactly the checks that ticking the rows one by one, each tied the plain way, leaves.
TEST_F(ScanFixture, TyingManyRowsAtOnceLeavesTheChecksOfTickingEachRowInTurn) {
    std::mt19937 random(3);
    const std::vector<std::string> names{"T1", "T2", "t1", "C:\\a", "Software\\K", "c.txt"};
    auto pick = [&] { return names[random() % names.size()]; };
    for (int round = 0; round < 40; ++round) {
        for (auto* list : {&view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved, &view.lvwFilesToBeDeleted,
                           &view.lvwRegistryToBeDeleted, &view.lvwCookiesToDelete})
            list->clear();
        auto fill = [&](ui::ListView& list, int rows, int subItems, bool withIcon) {
            for (int i = 0; i < rows; ++i) {
                list.add(pick(), withIcon ? static_cast<int>(random() % 6) : 0);
                for (int sub = 1; sub <= subItems; ++sub) list.setSubItem(list.count() - 1, sub, pick());
                if (random() % 4 == 0) list.setChecked(list.count() - 1, true);
            }
        };
        fill(view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved, 6, 2, true);
        fill(view.lvwFilesToBeDeleted, 6, 1, false);
        fill(view.lvwRegistryToBeDeleted, 6, 3, false);
        fill(view.lvwCookiesToDelete, 4, 0, false);
        auto checks = [&] {
            std::vector<bool> state;
            for (auto* list : {&view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved, &view.lvwFilesToBeDeleted,
                               &view.lvwRegistryToBeDeleted, &view.lvwCookiesToDelete})
                for (const auto& row : list->items()) state.push_back(row.checked);
            return state;
        };
        auto restore = [&](const std::vector<bool>& state) {
            std::size_t at = 0;
            for (auto* list : {&view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved, &view.lvwFilesToBeDeleted,
                               &view.lvwRegistryToBeDeleted, &view.lvwCookiesToDelete})
                for (std::size_t i = 0; i < list->count(); ++i) list->setChecked(i, state[at++]);
        };
        const auto before = checks();
        auto& removal = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
        std::vector<std::size_t> unchecked, chosen;
        for (std::size_t i = 0; i < removal.count(); ++i) {
            if (!removal.item(i).checked) unchecked.push_back(i);
            if (random() % 2 == 0) chosen.push_back(i);
        }
        auto tickInTurn = [&](const std::vector<std::size_t>& rows) {
            for (std::size_t i : rows) {
                removal.setChecked(i, true);
                plainTie(view, i);
            }
        };
        tickInTurn(unchecked);
        const auto allOneByOne = checks();
        restore(before);
        cmdSelectAll_Click(view);
        ASSERT_EQ(checks(), allOneByOne) << "round " << round;

        restore(before);
        tickInTurn(chosen);
        const auto chosenOneByOne = checks();
        restore(before);
        for (std::size_t i : chosen) removal.setChecked(i, true);
        TieWorkRows(view, chosen, true);
        ASSERT_EQ(checks(), chosenOneByOne) << "round " << round;

        // A single row, checked or unchecked, as a click on its box.
        restore(before);
        const std::size_t one = random() % removal.count();
        removal.setChecked(one, !removal.item(one).checked);
        plainTie(view, one);
        const auto plainOne = checks();
        restore(before);
        removal.setChecked(one, !removal.item(one).checked);
        SyncWorkListChecks(view, one);
        ASSERT_EQ(checks(), plainOne) << "round " << round;
    }
}

}  // namespace
}  // namespace sorvane::scan::testing
