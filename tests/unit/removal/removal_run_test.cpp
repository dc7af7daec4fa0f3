#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/limits.h"
#include "platform/text.h"
#include "removal/quarantine_store.h"
#include "removal/removal_run.h"
#include "removal/removal_window.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::removal {
namespace {

using platform::RootKey;

// The controls of the main window that removal works on, as the main window declares them.
class MainControls : public ui::Form {
public:
    explicit MainControls(ui::Host& host) : ui::Form(host, "FrmMain") {
        for (const char* list : {"lvwPicRemoveListOfSpywareFoundAndToBeRemoved", "lvwFilesToBeDeleted",
                                 "lvwRegistryToBeDeleted", "lvwCookiesToDelete", "lvwSpywareFound"})
            add<ui::ListView>(list);
        add<ui::ProgressBar>("pgbDeleteSpywaresFound").setVisible(false);
        for (const char* label : {"lblDeletingPercentageCompleted", "lblDeletingCaption", "lblSoftwareFound",
                                  "lbltracesFound", "lblRemovePicSoftwareFound", "lblSweepNow", "lblOptions",
                                  "lblResult", "lblExit", "lblRemove"})
            add<ui::Label>(label);
        add<ui::CheckBox>("chkSendData");
        findAs<ui::Label>("lblDeletingPercentageCompleted")->setVisible(false);
        findAs<ui::Label>("lblDeletingCaption")->setVisible(false);
    }
    ui::ListView& list(std::string_view name) { return *findAs<ui::ListView>(name); }
    ui::Label& label(std::string_view name) { return *findAs<ui::Label>(name); }
};

// The results page, with the rest of the main window's part in a run recorded as events.
class RecordingWindow final : public RemovalWindow {
public:
    RecordingWindow(ui::Host& host, RemovalRun& run, RemovalView view, FrmDelete& problems,
                    std::vector<std::string>& events)
        : RemovalWindow(host, run, view, problems, "Sorvane"), events_(events) {}

protected:
    void showResultsPage() override { events_.push_back("results page"); }
    void armBackgroundTimers(bool on) override { events_.push_back(on ? "timers on" : "timers off"); }
    void refreshStatusPanel() override { events_.push_back("status panel"); }
    void sendProcessList() override { events_.push_back("process list"); }
    const scan::Findings* recordedFindings() override { return findings; }

public:
    const scan::Findings* findings = nullptr;

private:
    std::vector<std::string>& events_;
};

const std::map<std::string, std::string, std::less<>> Texts = {
    {"MSG_SELECTED", "No entries are selected.  You must check the box next to at least one item in the list."},
    {"MSG_CONFIRM1", "Are you sure you want to delete the selected files?"},
    {"MSG_CONFIRM2", "Deleted files will be backed up in the following folder in case you need to recover them:"},
    {"MSG_CONFIRM3",
     "In addition, a System Restore Point will be created using Windows System Restore, accessible through:"},
    {"MSG_CONFIRM4", "Start > Programs > Accessories > System Tools > System Restore"},
    {"MSG_REALLY", "Really Delete?"},
    {"MSG_REMOVING", "Removing : 0% Completed."},
    {"MSG_REMOVING2", "Removing"},
    {"MSG_COMPLETED", "Completed."},
    {"MSG_INFORMATION", "Gathering information..."},
    {"MSG_RESTOREPOINT", "Creating Restore Point..."},
    {"MSG_NEEDS_ADMIN", "Needs an administrator to remove"},
    {"MSG_ERR_DENIED", "Access denied"},
    {"MSG_ERR_IN_USE", "In use by another program"},
    {"MSG_COMPLETE", "Complete"},
    {"MSG_RESTORE_MADE", "A System Restore point was made before the removal."},
    {"MSG_RESTORE_REUSED", "Windows reused a recent point."},
    {"MSG_RESTORE_NOT_MADE", "No System Restore point was made."},
};

constexpr const char* Quarantine = "C:\\Program Files\\Sorvane\\quarantine";
constexpr const char* LogPath = "C:\\Program Files\\Sorvane\\quarantine\\QuarantineLog.txt";

class RemovalRunTest : public ::testing::Test {
protected:
    RemovalRunTest() {
        fake.locale.setNow({2006, 3, 16, 21, 5, 7});
        fake.files.addFolder("C:\\Program Files\\Sorvane");
        hooks.message = [](std::string_view key) {
            const auto it = Texts.find(key);
            return it == Texts.end() ? std::string() : it->second;
        };
        hooks.stopProcessByName = [this](std::string_view name) {
            stopRequests.emplace_back(name);
            return !unstoppable;
        };
        hooks.readSetting = [this](std::string_view section, std::string_view key, std::string_view fallback) {
            const auto it = settings.find(std::string(section) + "/" + std::string(key));
            return it == settings.end() ? std::string(fallback) : it->second;
        };
        hooks.writeSetting = [this](std::string_view section, std::string_view key, std::string_view value) {
            settings[std::string(section) + "/" + std::string(key)] = value;
        };
        main.load();
        problems.load();
    }

    RemovalRun& run() {
        if (!run_) {
            run_.emplace(fake.platform(), host, hooks, "Sorvane");
            window_.emplace(host, *run_, *bindRemovalView(main), problems, events);
        }
        return *run_;
    }
    RecordingWindow& window() {
        run();
        return *window_;
    }

    // One threat with its results row and work rows, all checked.
    void addThreat(const std::string& name, int icon, const std::string& location, bool checked = true) {
        auto& results = main.list("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
        results.add(name, icon);
        results.setSubItem(results.count() - 1, 1, location);
        results.setChecked(results.count() - 1, checked);
        auto& found = main.list("lvwSpywareFound");
        found.add(name + " - Found", icon);
        found.setChecked(found.count() - 1, checked);
    }
    void addFileRow(const std::string& path, const std::string& threat, bool checked = true) {
        auto& files = main.list("lvwFilesToBeDeleted");
        files.add(path);
        files.setSubItem(files.count() - 1, 1, threat);
        files.setChecked(files.count() - 1, checked);
    }
    void addRegistryRow(RootKey root, const std::string& key, const std::string& value, const std::string& threat) {
        auto& registry = main.list("lvwRegistryToBeDeleted");
        registry.add(std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(root))));
        const auto row = registry.count() - 1;
        registry.setSubItem(row, 1, key);
        registry.setSubItem(row, 2, value);
        registry.setSubItem(row, 3, threat);
        registry.setChecked(row, true);
    }
    void addCookieRow(const std::string& path) {
        auto& cookies = main.list("lvwCookiesToDelete");
        cookies.add(path);
        cookies.setChecked(cookies.count() - 1, true);
    }
    std::string logText() { return fake.files.content(LogPath).value_or(""); }
    std::vector<std::string> logFirstLines() {
        std::vector<std::string> firsts;
        const auto lines = text::split(logText(), "\r\n");
        for (std::size_t i = 0; i + 4 <= lines.size(); i += 4) firsts.push_back(lines[i] + " | " + lines[i + 1]);
        return firsts;
    }

    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    MainControls main{host};
    FrmDelete problems{host, fake.clipboard};
    RemovalHooks hooks;
    std::optional<RemovalRun> run_;
    std::optional<RecordingWindow> window_;
    std::vector<std::string> stopRequests;
    std::vector<std::string> events;
    std::map<std::string, std::string> settings;
    bool unstoppable = false;
};

TEST_F(RemovalRunTest, NothingCheckedAsksForASelectionUnlessRemovingAutomatically) {
    addThreat("Adware.Example", 3, "C:\\Bad\\a.exe", false);
    window().Command4_Click(false);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, Texts.at("MSG_SELECTED"));
    EXPECT_EQ(host.messages()[0].title, "Sorvane");
    EXPECT_EQ(host.messages()[0].style, ui::mb::Information);
    window().Command4_Click(true);
    EXPECT_EQ(host.messages().size(), 1u);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(fake.files.exists(Quarantine));
}

TEST_F(RemovalRunTest, ConfirmationMentionsTheRestorePointOnlyWhereThereIsOne) {
    addThreat("Adware.Example", 3, "C:\\Bad\\a.txt");
    addFileRow("C:\\Bad\\a.txt", "Adware.Example");
    fake.files.addFile("C:\\Bad\\a.txt", "a");
    host.queueAnswer(ui::Answer::No);
    window().Command4_Click(false);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].title, "Really Delete?");
    EXPECT_EQ(host.messages()[0].style, ui::mb::YesNo);
    EXPECT_EQ(host.messages()[0].text,
              "Are you sure you want to delete the selected files?\r\n\r\n"
              "Deleted files will be backed up in the following folder in case you need to recover them:\r\n\r\n"
              "C:\\Program Files\\Sorvane\\quarantine\r\n\r\n"
              "In addition, a System Restore Point will be created using Windows System Restore, accessible "
              "through:\r\n\r\n"
              "Start > Programs > Accessories > System Tools > System Restore");

    // No changes nothing.
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\a.txt"));
    EXPECT_TRUE(fake.restorePoints.calls.empty());
    EXPECT_EQ(main.list("lvwFilesToBeDeleted").count(), 1u);
    EXPECT_TRUE(events.empty());

    // Windows 2000 has no System Restore.
    fake.processes.setVersion({5, 0, 2195, 2});
    host.queueAnswer(ui::Answer::No);
    window().Command4_Click(false);
    EXPECT_EQ(host.messages()[1].text,
              "Are you sure you want to delete the selected files?\r\n\r\n"
              "Deleted files will be backed up in the following folder in case you need to recover them:\r\n\r\n"
              "C:\\Program Files\\Sorvane\\quarantine");
}

TEST_F(RemovalRunTest, RunRemovesEveryKindQuarantinesAndLogsOnce) {
    fake.files.addFile("C:\\Bad\\Example\\ex.exe", "MZ exe");
    fake.files.addFile("C:\\Bad\\Example\\ex.dll", "MZ dll");
    fake.files.addFile("C:\\Bad\\Example\\notes.txt", "notes");
    fake.files.addFile("C:\\Bad\\Toolbar\\tb.ini", "ini");
    fake.files.addFile("C:\\Cookies\\user@example[1].txt", "cookie");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Example", "", "default");
    fake.registry.addKey(RootKey::LocalMachine, "Software\\Example\\Sub");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Run", "Example", "ex.exe");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Run", "Keep", "keep.exe");

    addThreat("Adware.Example", 3, "C:\\Bad\\Example\\ex.exe");
    addFileRow("C:\\Bad\\Example\\ex.exe", "Adware.Example");
    addFileRow("C:\\Bad\\Example\\ex.dll", "Adware.Example");
    addFileRow("C:\\Bad\\Example\\notes.txt", "Adware.Example");
    addThreat("Toolbar.Example", 4, "C:\\Bad\\Toolbar");
    addFileRow("C:\\Bad\\Toolbar", "Toolbar.Example");
    addThreat("Registry.Example", 2, "Software\\Example");
    addRegistryRow(RootKey::LocalMachine, "Software\\Example", "", "Registry.Example");
    addRegistryRow(RootKey::CurrentUser, " Software\\Run ", "Example", "Registry.Example");
    addThreat("Cookie: user@example[1].txt", 1, "C:\\Cookies\\user@example[1].txt");
    addCookieRow("C:\\Cookies\\user@example[1].txt");
    addThreat("Unchecked.Example", 3, "C:\\Bad\\keep.txt", false);
    addFileRow("C:\\Bad\\keep.txt", "Unchecked.Example", false);
    fake.files.addFile("C:\\Bad\\keep.txt", "keep");
    main.label("lblSoftwareFound").setCaption("5");
    main.label("lbltracesFound").setCaption("7");
    main.label("lblRemovePicSoftwareFound").setCaption("5");
    settings["Settings/lblDefRemoved"] = "10";
    main.findAs<ui::CheckBox>("chkSendData")->setValue(1);

    host.queueAnswer(ui::Answer::Yes);
    window().Command4_Click(false);

    for (const char* gone : {"C:\\Bad\\Example\\ex.exe", "C:\\Bad\\Example\\ex.dll", "C:\\Bad\\Example\\notes.txt",
                             "C:\\Bad\\Toolbar", "C:\\Cookies\\user@example[1].txt"})
        EXPECT_FALSE(fake.files.exists(gone)) << gone;
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\keep.txt"));
    // The quarantine folder is made for SYSTEM and administrators only.
    EXPECT_EQ(fake.files.privateFolders, std::vector<std::string>{Quarantine});
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\ex.exe"), "MZ exe");
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\ex.dll"), "MZ dll");
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\Toolbar\\tb.ini"), "ini");
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\user@example[1].txt"), "cookie");
    EXPECT_FALSE(fake.registry.hasKey(RootKey::LocalMachine, "Software\\Example"));
    EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\Run", "Example"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\Run", "Keep"));

    const std::string at = "3/16/2006 9:05:07 PM";
    EXPECT_EQ(logFirstLines(), (std::vector<std::string>{
                                   at + " - File: ex.exe |  - Location: C:\\Bad\\Example\\ex.exe",
                                   at + " - File: ex.dll |  - Location: C:\\Bad\\Example\\ex.dll",
                                   at + " - File: notes.txt |  - Location: C:\\Bad\\Example\\notes.txt",
                                   at + " - Key: HKEY_LOCAL_MACHINE\\Software\\Example | Value: ",
                                   at + " - Key: HKEY_LOCAL_MACHINE\\Software\\Example | Value: All Values",
                                   at + " - Key: HKEY_CURRENT_USER\\Software\\Run | Value: Example",
                                   at + " - File: user@example[1].txt |  - Location: C:\\Cookies\\user@example[1].txt",
                               }));

    // The executable's process was stopped before its file went; the library was unregistered.
    EXPECT_EQ(stopRequests, std::vector<std::string>{"ex.exe"});
    ASSERT_EQ(fake.processes.runs.size(), 1u);
    EXPECT_NE(fake.processes.runs[0].commandLine.find("regsvr32.exe\" /u /s \"C:\\Bad\\Example\\ex.dll\""),
              std::string::npos);
    EXPECT_GT(fake.processes.runs[0].timeoutMs, 0u);

    ASSERT_EQ(fake.restorePoints.calls.size(), 2u);
    EXPECT_TRUE(fake.restorePoints.calls[0].begin);
    EXPECT_EQ(fake.restorePoints.calls[0].description, "Sorvane Restore Point " + at);
    EXPECT_FALSE(fake.restorePoints.calls[1].begin);
    EXPECT_EQ(fake.restorePoints.calls[1].sequence, fake.restorePoints.calls[0].sequence);

    // Checked rows are gone from every list; the unchecked threat stays.
    for (const char* list : {"lvwFilesToBeDeleted", "lvwPicRemoveListOfSpywareFoundAndToBeRemoved", "lvwSpywareFound"})
        EXPECT_EQ(main.list(list).count(), 1u) << list;
    EXPECT_TRUE(main.list("lvwRegistryToBeDeleted").empty());
    EXPECT_TRUE(main.list("lvwCookiesToDelete").empty());
    EXPECT_EQ(main.list("lvwPicRemoveListOfSpywareFoundAndToBeRemoved").item(0).text, "Unchecked.Example");

    // Seven traces went (four file rows, two registry rows, one cookie); the found-counters
    // on screen do not enter the total.
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "17");
    EXPECT_EQ(events, (std::vector<std::string>{"results page", "timers off", "timers on", "process list",
                                                "status panel"}));
    EXPECT_EQ(main.label("lblDeletingPercentageCompleted").caption(), "100% Complete");
    EXPECT_FALSE(main.findAs<ui::ProgressBar>("pgbDeleteSpywaresFound")->visible());
    EXPECT_TRUE(main.label("lblRemove").enabled());
    EXPECT_FALSE(problems.visible());
    EXPECT_FALSE(run().running());
}

TEST_F(RemovalRunTest, FileHeldOpenSurvivesIsListedAndItsRowStaysUnchecked) {
    fake.files.addFile("C:\\Bad\\held.txt", "held");
    fake.files.addFile("C:\\Bad\\gone.txt", "gone");
    fake.files.setInUse("C:\\Bad\\held.txt");
    addThreat("Held.Example", 3, "C:\\Bad\\held.txt");
    addFileRow("C:\\Bad\\held.txt", "Held.Example");
    addThreat("Gone.Example", 3, "C:\\Bad\\gone.txt");
    addFileRow("C:\\Bad\\gone.txt", "Gone.Example");

    window().Command4_Click(true);

    EXPECT_TRUE(host.messages().empty());
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\held.txt"));
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\gone.txt"));
    ASSERT_EQ(problems.lstProblem.count(), 1u);
    EXPECT_EQ(problems.lstProblem.item(0).text, "C:\\Bad\\held.txt");
    EXPECT_EQ(problems.lstProblem.item(0).subItem(1), "In use by another program");
    EXPECT_TRUE(problems.visible());
    EXPECT_EQ(problems.caption(), "Delete Failed");
    EXPECT_EQ(run().problemsInLastPass(), 1u);
    // Only the file that went counts as removed.
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "1");

    auto& results = main.list("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    ASSERT_EQ(results.count(), 1u);
    EXPECT_EQ(results.item(0).text, "Held.Example");
    EXPECT_FALSE(results.item(0).checked);
    ASSERT_EQ(main.list("lvwFilesToBeDeleted").count(), 1u);
    EXPECT_FALSE(main.list("lvwFilesToBeDeleted").item(0).checked);

    // Its copy is kept once and logged once, by the first pass only.
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\held.txt"), "held");
    EXPECT_EQ(logFirstLines().size(), 2u);

    problems.cmdCopy.click();
    EXPECT_EQ(fake.clipboard.content, "C:\\Bad\\held.txt\tIn use by another program\r\n");
    problems.cmdOk.click();
    EXPECT_FALSE(problems.visible());
}

TEST_F(RemovalRunTest, ACookieFileThatResistsIsListedAndNotCountedAsRemoved) {
    fake.files.addFile("C:\\Cookies\\user@ads[1].txt", "cookie");
    fake.files.setInUse("C:\\Cookies\\user@ads[1].txt", true, true);
    addThreat("Cookie: user@ads[1].txt", 1, "C:\\Cookies\\user@ads[1].txt");
    addCookieRow("C:\\Cookies\\user@ads[1].txt");
    window().Command4_Click(true);

    EXPECT_TRUE(fake.files.exists("C:\\Cookies\\user@ads[1].txt"));
    ASSERT_EQ(problems.lstProblem.count(), 1u);
    EXPECT_EQ(problems.lstProblem.item(0).text, "C:\\Cookies\\user@ads[1].txt");
    EXPECT_TRUE(problems.visible());
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "0");
    ASSERT_EQ(main.list("lvwCookiesToDelete").count(), 1u);
    EXPECT_FALSE(main.list("lvwCookiesToDelete").item(0).checked);
    EXPECT_FALSE(main.list("lvwPicRemoveListOfSpywareFoundAndToBeRemoved").item(0).checked);
}

TEST_F(RemovalRunTest, TheRunGetsTheScansOwnFindingsForTheCheckedRows) {
    scan::Findings record;
    auto folder = scan::Finding::at(scan::FindingKind::Folder, "C:\\Bad\\Toolbar");
    folder.threat = "Toolbar.Example";
    folder.note = "Adds a toolbar";
    folder.trace = true;
    record.add(folder);
    fake.files.addFile("C:\\Bad\\Toolbar\\tb.ini", "ini");
    fake.files.addFile("C:\\Bad\\planted.txt", "planted");
    addThreat("Toolbar.Example", 4, "C:\\Bad\\Toolbar");
    addFileRow("C:\\Bad\\Toolbar", "Toolbar.Example");
    // A row the record does not hold still goes, as its columns say.
    addFileRow("C:\\Bad\\planted.txt", "Toolbar.Example");
    run();
    window_->findings = &record;
    window().Command4_Click(true);

    ASSERT_EQ(run().items().size(), 2u);
    EXPECT_EQ(run().items()[0].kind, scan::FindingKind::Folder);
    EXPECT_EQ(run().items()[0].note, "Adds a toolbar");
    EXPECT_EQ(run().items()[1].kind, scan::FindingKind::File);
    EXPECT_EQ(run().items()[1].path, "C:\\Bad\\planted.txt");
    ASSERT_EQ(run().outcomes().size(), 2u);
    EXPECT_TRUE(run().outcomes()[0].removed() && run().outcomes()[1].removed());
    EXPECT_EQ(run().outcomes()[0].kept, "Toolbar");
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\planted.txt"));
}

TEST_F(RemovalRunTest, ExecutableWhoseProcessCannotBeStoppedStaysAndIsRetried) {
    fake.files.addFile("C:\\Bad\\stuck.exe", "MZ");
    addThreat("Stuck.Example", 3, "C:\\Bad\\stuck.exe");
    addFileRow("C:\\Bad\\stuck.exe", "Stuck.Example");
    unstoppable = true;
    window().Command4_Click(true);
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\stuck.exe"));
    // First pass, second pass, and the second pass's extra attempt.
    EXPECT_EQ(stopRequests.size(), 3u);
    ASSERT_EQ(problems.lstProblem.count(), 1u);
    // The program still runs from it.
    EXPECT_EQ(problems.lstProblem.item(0).subItem(1), "In use by another program");
    EXPECT_FALSE(fake.files.exists(std::string(Quarantine) + "\\stuck.exe"));
    EXPECT_EQ(logText(), "");
}

TEST_F(RemovalRunTest, FileIsNotDeletedWhenQuarantineTakesNoCopy) {
    fake.files.addFile("C:\\Bad\\a.dll", "dll");
    fake.files.addFile("C:\\Bad\\b.txt", "txt");
    fake.files.addFolder(Quarantine);
    fake.files.protectFolder(Quarantine);
    addThreat("Copy.Example", 3, "C:\\Bad\\a.dll");
    addFileRow("C:\\Bad\\a.dll", "Copy.Example");
    addFileRow("C:\\Bad\\b.txt", "Copy.Example");
    window().Command4_Click(true);
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\a.dll"));
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\b.txt"));
    ASSERT_EQ(problems.lstProblem.count(), 2u);
    // The copy could not be written: said so, not taken for a file in use.
    EXPECT_EQ(problems.lstProblem.item(0).subItem(1), "Access denied");
    EXPECT_EQ(problems.lstProblem.item(1).subItem(1), "Access denied");
}

TEST_F(RemovalRunTest, RemovalGoesOnWithoutARestorePoint) {
    fake.restorePoints.beginFailure = 5;
    addThreat("Value.Example", 2, "Software\\X");
    addRegistryRow(RootKey::CurrentUser, "Software\\X", "v", "Value.Example");
    fake.registry.putString(RootKey::CurrentUser, "Software\\X", "v", "1");
    window().Command4_Click(true);
    EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\X", "v"));
    ASSERT_EQ(fake.restorePoints.calls.size(), 2u);  // the end is still called
    EXPECT_FALSE(run().restorePoint().pending());

    fake.processes.setVersion({5, 2, 3790, 2});
    addThreat("Value.Example", 2, "Software\\X");
    addRegistryRow(RootKey::CurrentUser, "Software\\X", "w", "Value.Example");
    window().Command4_Click(true);
    EXPECT_EQ(fake.restorePoints.calls.size(), 2u);
}

TEST_F(RemovalRunTest, TheRestorePointIsToldAsItCameOut) {
    const auto removeOneValue = [this](const std::string& value, bool ask) {
        addThreat("Value.Example", 2, "Software\\X");
        addRegistryRow(RootKey::CurrentUser, "Software\\X", value, "Value.Example");
        fake.registry.putString(RootKey::CurrentUser, "Software\\X", value, "1");
        if (ask) host.queueAnswer(ui::Answer::Yes);
        window().Command4_Click(!ask);
        EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\X", value));
    };
    // Made: the question's promise held, so nothing more is said; the point is remembered.
    removeOneValue("a", true);
    EXPECT_EQ(run().restorePoint().outcome(), RestorePointOutcome::Made);
    EXPECT_EQ(run().restorePointText(), "A System Restore point was made before the removal.");
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(settings["Settings/LastRestorePoint"], "100");
    EXPECT_EQ(fake.restorePoints.calls.at(1).sequence, 100);

    // Within a day Windows answers with that same point: reused, said so, and not ended by us.
    fake.restorePoints.handBack = 100;
    removeOneValue("b", true);
    EXPECT_EQ(run().restorePoint().outcome(), RestorePointOutcome::Reused);
    ASSERT_EQ(host.messages().size(), 3u);
    EXPECT_EQ(host.messages()[2].text, "Windows reused a recent point.");
    EXPECT_EQ(host.messages()[2].title, "Sorvane");
    EXPECT_EQ(host.messages()[2].style, ui::mb::Information);
    EXPECT_EQ(fake.restorePoints.calls.back().sequence, 0);

    // A scheduled removal asks nobody, so it tells nobody either; the console still reads the outcome.
    fake.restorePoints.handBack.reset();
    fake.restorePoints.beginFailure = ErrorSystemRestoreOff;
    removeOneValue("c", false);
    EXPECT_EQ(host.messages().size(), 3u);
    EXPECT_EQ(run().restorePointText(), "No System Restore point was made.");

    // System Restore is turned off: no further question promises a point, and none is asked for.
    const std::size_t calls = fake.restorePoints.calls.size();
    EXPECT_EQ(run().confirmationText().find("System Restore"), std::string::npos);
    removeOneValue("d", true);
    EXPECT_EQ(fake.restorePoints.calls.size(), calls);
    EXPECT_EQ(run().restorePointText(), "");
    EXPECT_EQ(host.messages().size(), 4u);
}

TEST_F(RemovalRunTest, APointThatCouldNotBeMadeIsToldAfterTheQuestionPromisedIt) {
    fake.restorePoints.beginFailure = 5;
    addThreat("Value.Example", 2, "Software\\X");
    addRegistryRow(RootKey::CurrentUser, "Software\\X", "v", "Value.Example");
    host.queueAnswer(ui::Answer::Yes);
    window().Command4_Click(false);
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_NE(host.messages()[0].text.find("System Restore Point will be created"), std::string::npos);
    EXPECT_EQ(host.messages()[1].text, "No System Restore point was made.");
    // Another failure than "turned off" may pass: the next question still offers a point.
    EXPECT_NE(run().confirmationText().find("System Restore"), std::string::npos);
    EXPECT_TRUE(settings.find("Settings/LastRestorePoint") == settings.end());
}

TEST_F(RemovalRunTest, RegistryRowsWithoutARootOrKeyAreSkipped) {
    fake.registry.putString(RootKey::CurrentUser, "Software\\X", "v", "1");
    addThreat("Odd.Example", 2, "Software\\X");
    addRegistryRow(RootKey::CurrentUser, "  ", "v", "Odd.Example");
    auto& registry = main.list("lvwRegistryToBeDeleted");
    registry.add("12345");
    registry.setSubItem(1, 1, "Software\\X");
    registry.setSubItem(1, 2, "v");
    registry.setChecked(1, true);
    window().Command4_Click(true);
    EXPECT_TRUE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\X", "v"));
    EXPECT_EQ(logText(), "");
}

TEST_F(RemovalRunTest, AListedJunctionIsRemovedAsALinkAndWhatItPointsToSurvives) {
    fake.files.addFile("C:\\Users\\User\\Documents\\thesis.doc", "years of work");
    fake.files.addLink("C:\\Bad\\Toolbar", "C:\\Users\\User\\Documents");
    fake.files.addFile("C:\\Bad\\Other\\notes.txt", "notes");
    fake.files.addLink("C:\\Bad\\Other\\docs", "C:\\Users\\User\\Documents");
    fake.files.addFile("C:\\Users\\User\\real.ini", "kept");
    fake.files.addLink("C:\\Bad\\setup.ini", "C:\\Users\\User\\real.ini", false);
    addThreat("Link.Example", 4, "C:\\Bad\\Toolbar");
    addFileRow("C:\\Bad\\Toolbar\\", "Link.Example");
    addFileRow("C:\\Bad\\Other", "Link.Example");
    addFileRow("C:\\Bad\\setup.ini", "Link.Example");
    window().Command4_Click(true);

    EXPECT_FALSE(fake.files.exists("C:\\Bad\\Toolbar"));
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\Other"));
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\setup.ini"));
    EXPECT_EQ(fake.files.content("C:\\Users\\User\\Documents\\thesis.doc"), "years of work");
    EXPECT_EQ(fake.files.content("C:\\Users\\User\\real.ini"), "kept");
    // Nothing behind a link was copied either.
    for (const auto& kept : fake.files.pathsUnder(Quarantine))
        EXPECT_EQ(kept.find("thesis"), std::string::npos) << kept;
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\Other\\notes.txt"), "notes");
}

TEST_F(RemovalRunTest, TheKeptCopyIsNeverDeletedThroughAnotherSpellingOfItsPlace) {
    fake.files.addFile(std::string(Quarantine) + "\\bad.exe", "the only copy");
    fake.files.addFile("C:\\Program Files\\Sorvane\\Sorvane.exe", "MZ program");
    fake.files.addAlias("S:", Quarantine);
    fake.files.addAlias("C:\\PROGRA~1", "C:\\Program Files");
    fake.files.addAlias("\\\\localhost\\C$", "C:");
    addThreat("Spelling.Example", 3, "S:\\bad.exe");
    for (const char* path : {"S:\\bad.exe", "C:\\PROGRA~1\\Sorvane\\QUARAN~1\\bad.exe",
                             "C:\\Program Files\\Sorvane\\x\\..\\quarantine\\bad.exe",
                             "\\\\localhost\\C$\\Program Files\\Sorvane\\quarantine\\bad.exe",
                             "C:\\PROGRA~1\\Sorvane\\Sorvane.exe", "S:\\"})
        addFileRow(path, "Spelling.Example");
    fake.files.addAlias("C:\\PROGRA~1\\Sorvane\\QUARAN~1", Quarantine);
    window().Command4_Click(true);

    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\bad.exe"), "the only copy");
    EXPECT_EQ(fake.files.content("C:\\Program Files\\Sorvane\\Sorvane.exe"), "MZ program");
    EXPECT_EQ(problems.lstProblem.count(), 6u);
    EXPECT_TRUE(stopRequests.empty());
}

TEST_F(RemovalRunTest, RootsSystemFoldersAndStructuralKeysAreRefusedAndListed) {
    fake.files.addFile("C:\\Users\\User\\Documents\\mine.txt", "mine");
    fake.files.addFile("C:\\Windows\\win.ini", "ini");
    fake.files.addFile("C:\\Users\\User\\Documents\\Bad\\bad.txt", "bad");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Good", "g");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Classes\\CLSID\\{bad}", "", "bad");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Bad", "b");
    fake.registry.putString(RootKey::Users, "S-1-5-21-1", "x", "y");
    addThreat("Hostile.Example", 4, "C:\\");
    for (const char* path : {"C:\\", "C:\\Users\\User\\Documents", "C:\\Users\\User\\Documents\\", "C:\\Windows",
                             "C:\\Users", "C:\\Program Files", "C:\\Users\\User\\Documents\\Bad"})
        addFileRow(path, "Hostile.Example");
    addRegistryRow(RootKey::LocalMachine, "Software", "", "Hostile.Example");
    addRegistryRow(RootKey::LocalMachine, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\", "", "Hostile.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Classes", "", "Hostile.Example");
    addRegistryRow(RootKey::Users, "S-1-5-21-1", "", "Hostile.Example");
    // Below the structural keys a listed program's own key or value goes as usual.
    addRegistryRow(RootKey::CurrentUser, "Software\\Classes\\CLSID\\{bad}", "", "Hostile.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Bad", "Hostile.Example");
    window().Command4_Click(true);

    EXPECT_EQ(fake.files.content("C:\\Users\\User\\Documents\\mine.txt"), "mine");
    EXPECT_EQ(fake.files.content("C:\\Windows\\win.ini"), "ini");
    EXPECT_FALSE(fake.files.exists("C:\\Users\\User\\Documents\\Bad"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Good"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::Users, "S-1-5-21-1", "x"));
    EXPECT_TRUE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Classes\\CLSID"));
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Classes\\CLSID\\{bad}"));
    EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Bad"));
    std::vector<std::string> listed;
    for (const auto& row : problems.lstProblem.items()) listed.push_back(row.text);
    EXPECT_EQ(listed, (std::vector<std::string>{"C:\\", "C:\\Users\\User\\Documents", "C:\\Users\\User\\Documents\\",
                                                "C:\\Windows", "C:\\Users", "C:\\Program Files",
                                                "HKEY_LOCAL_MACHINE\\Software",
                                                "HKEY_LOCAL_MACHINE\\\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\",
                                                "HKEY_CURRENT_USER\\Software\\Classes", "HKEY_USERS\\S-1-5-21-1"}));
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "3");
}

// On 64-bit Windows the 32-bit programs have folders and keys of their own, as vital as the
// native ones.
TEST_F(RemovalRunTest, The32BitProgramFoldersAndKeysAreRefusedToo) {
    fake.files.addFile("C:\\Program Files (x86)\\Common Files\\shared.dll", "shared");
    fake.files.addFile("C:\\Program Files (x86)\\Bad\\bad.txt", "bad");
    const std::string wowRun = "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
    fake.registry.putString(RootKey::LocalMachine, wowRun, "Good", "good.exe");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Wow6432Node\\Classes\\CLSID\\{good}", "", "good");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Classes\\Wow6432Node\\CLSID\\{good}", "", "good");
    fake.registry.putString(RootKey::ClassesRoot, "Wow6432Node\\CLSID\\{good}", "", "good");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                            "Good", "good.exe");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Wow6432Node\\Bad", "", "bad");
    addThreat("Hostile.Example", 4, "C:\\Program Files (x86)");
    for (const char* path : {"C:\\Program Files (x86)", "C:\\Program Files (x86)\\Common Files\\",
                             "C:\\Program Files (x86)\\Bad"})
        addFileRow(path, "Hostile.Example");
    for (const char* key : {"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                            "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                            "Software\\Wow6432Node\\Microsoft", "Software\\Wow6432Node\\Classes\\CLSID"})
        addRegistryRow(RootKey::LocalMachine, key, "", "Hostile.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Classes\\Wow6432Node\\CLSID", "", "Hostile.Example");
    addRegistryRow(RootKey::ClassesRoot, "Wow6432Node\\CLSID", "", "Hostile.Example");
    addRegistryRow(RootKey::ClassesRoot, "Wow6432Node", "", "Hostile.Example");
    // A listed program's own key below them goes as usual.
    addRegistryRow(RootKey::LocalMachine, "Software\\Wow6432Node\\Bad", "", "Hostile.Example");
    window().Command4_Click(true);

    EXPECT_EQ(fake.files.content("C:\\Program Files (x86)\\Common Files\\shared.dll"), "shared");
    EXPECT_FALSE(fake.files.exists("C:\\Program Files (x86)\\Bad"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::LocalMachine, wowRun, "Good"));
    EXPECT_TRUE(fake.registry.hasKey(RootKey::LocalMachine, "Software\\Wow6432Node\\Classes\\CLSID\\{good}"));
    EXPECT_TRUE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Classes\\Wow6432Node\\CLSID\\{good}"));
    EXPECT_TRUE(fake.registry.hasKey(RootKey::ClassesRoot, "Wow6432Node\\CLSID\\{good}"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::LocalMachine,
                                       "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Good"));
    EXPECT_FALSE(fake.registry.hasKey(RootKey::LocalMachine, "Software\\Wow6432Node\\Bad"));
    std::vector<std::string> listed;
    for (const auto& row : problems.lstProblem.items()) listed.push_back(row.text);
    EXPECT_EQ(listed, (std::vector<std::string>{
                          "C:\\Program Files (x86)", "C:\\Program Files (x86)\\Common Files\\",
                          "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                          "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
                          "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft",
                          "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Classes\\CLSID",
                          "HKEY_CURRENT_USER\\Software\\Classes\\Wow6432Node\\CLSID",
                          "HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID", "HKEY_CLASSES_ROOT\\Wow6432Node"}));
}

// A trace of a 32-bit program is listed at its physical place below WOW6432Node: it is removed,
// logged, kept and put back there, and the native key of the same name is never touched.
TEST_F(RemovalRunTest, AKeyOfThe32BitViewGoesAndComesBackAtItsPhysicalPlaceOnly) {
    const std::string copy = "SOFTWARE\\WOW6432Node\\Vendor";
    const std::string run32 = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string run64 = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    fake.registry.putString(RootKey::LocalMachine, copy, "", "32");
    fake.registry.putBinary(RootKey::LocalMachine, copy + "\\Sub", "bin", {0, 1, 255});
    fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\Vendor", "", "64");
    fake.registry.putString(RootKey::LocalMachine, run32, "Vendor", "c:\\vendor32.exe");
    fake.registry.putString(RootKey::LocalMachine, run64, "Vendor", "c:\\vendor64.exe");
    addThreat("Vendor.Example", 2, copy);
    addRegistryRow(RootKey::LocalMachine, copy, "", "Vendor.Example");
    addRegistryRow(RootKey::LocalMachine, run32, "Vendor", "Vendor.Example");
    window().Command4_Click(true);

    EXPECT_FALSE(fake.registry.hasKey(RootKey::LocalMachine, copy));
    EXPECT_FALSE(fake.registry.hasValue(RootKey::LocalMachine, run32, "Vendor"));
    EXPECT_EQ(fake.registry.stringValue(RootKey::LocalMachine, "SOFTWARE\\Vendor", ""), "64");
    EXPECT_EQ(fake.registry.stringValue(RootKey::LocalMachine, run64, "Vendor"), "c:\\vendor64.exe");
    const std::string at = "3/16/2006 9:05:07 PM";
    EXPECT_EQ(logFirstLines()[0], at + " - Key: HKEY_LOCAL_MACHINE\\" + copy + " | Value: ");

    QuarantineStore store(fake.files, fake.registry, fake.locale, fake.signatures, Quarantine);
    ASSERT_TRUE(store.load());
    std::vector<std::uint64_t> ids;
    for (const auto& entry : store.entries()) {
        EXPECT_NE(entry.original.find("WOW6432Node"), std::string::npos) << entry.original;
        ids.push_back(entry.id);
    }
    ASSERT_EQ(ids.size(), 2u);
    fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\Vendor", "", "64 changed");
    for (const auto id : ids) EXPECT_EQ(store.restore(id).outcome, Outcome::Done);
    EXPECT_EQ(fake.registry.stringValue(RootKey::LocalMachine, copy, ""), "32");
    EXPECT_EQ(fake.registry.value(RootKey::LocalMachine, copy + "\\Sub", "bin")->data,
              (std::vector<std::uint8_t>{0, 1, 255}));
    EXPECT_EQ(fake.registry.stringValue(RootKey::LocalMachine, run32, "Vendor"), "c:\\vendor32.exe");
    EXPECT_EQ(fake.registry.stringValue(RootKey::LocalMachine, "SOFTWARE\\Vendor", ""), "64 changed");
    EXPECT_FALSE(fake.registry.hasKey(RootKey::LocalMachine, "SOFTWARE\\Vendor\\Sub"));
}

TEST(RemovalGuardTest, EveryGuardedKeyIsGuardedInThe32BitProgramsCopyToo) {
    for (const char* key : {"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects",
                            "Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                            "Software\\Wow6432Node\\Policies", "SOFTWARE\\Classes\\WOW6432Node\\Interface",
                            "SOFTWARE\\WOW6432Node\\Classes\\WOW6432Node", "\\Software\\WOW6432Node\\"})
        EXPECT_FALSE(RemovalGuard::mayDeleteKey(RootKey::LocalMachine, key)) << key;
    EXPECT_FALSE(RemovalGuard::mayDeleteKey(RootKey::ClassesRoot, "WOW6432Node\\TypeLib"));
    EXPECT_FALSE(RemovalGuard::mayDeleteKey(RootKey::Users, "S-1-5-21-1\\Software\\Classes\\Wow6432Node\\CLSID"));
    EXPECT_TRUE(RemovalGuard::mayDeleteKey(RootKey::LocalMachine,
                                           "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run\\Bad"));
    EXPECT_TRUE(RemovalGuard::mayDeleteKey(RootKey::ClassesRoot, "WOW6432Node\\CLSID\\{bad}"));

    fakes::FakeShell shell;
    const auto folders = SystemFolders(shell);
    for (const char* folder : {"C:\\Windows\\SysWOW64", "C:\\Program Files (x86)", "C:\\Program Files (x86)\\Common Files"})
        EXPECT_NE(std::find(folders.begin(), folders.end(), folder), folders.end()) << folder;
}

TEST_F(RemovalRunTest, AKeyDeletedOnlyPartlyIsReportedAsNotRemoved) {
    fake.registry.putString(RootKey::CurrentUser, "Software\\Bad", "", "default");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Bad\\Open", "v", "1");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Bad\\Locked", "w", "2");
    fake.registry.makeReadOnly(RootKey::CurrentUser, "Software\\Bad\\Locked");
    addThreat("Partial.Example", 2, "Software\\Bad");
    addRegistryRow(RootKey::CurrentUser, "Software\\Bad", "", "Partial.Example");
    window().Command4_Click(true);

    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad\\Open"));
    EXPECT_TRUE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad\\Locked"));
    ASSERT_EQ(problems.lstProblem.count(), 1u);
    EXPECT_EQ(problems.lstProblem.item(0).text, "HKEY_CURRENT_USER\\Software\\Bad");
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "0");
    ASSERT_EQ(run().index().entries().size(), 1u);
    EXPECT_EQ(run().index().entries()[0].state, EntryState::Resisted);
    // No "All Values": the key is not gone.
    EXPECT_EQ(logFirstLines(), (std::vector<std::string>{"3/16/2006 9:05:07 PM - Key: HKEY_CURRENT_USER\\Software\\Bad | Value: "}));
}

TEST_F(RemovalRunTest, MachineWideTracesAStandardUserMayOnlyReadAreLeftWithTheirReason) {
    // A standard or filtered token: everything machine-wide can be read, nothing changed.
    fake.registry.putString(RootKey::LocalMachine, "Software\\AdBar", "", "default");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "AdBar",
                            "adbar.exe");
    fake.registry.makeTreeReadOnly(RootKey::LocalMachine);
    fake.registry.putString(RootKey::CurrentUser, "Software\\AdBar", "", "default");
    addThreat("AdBar", 2, "HKEY_LOCAL_MACHINE\\Software\\AdBar");
    addRegistryRow(RootKey::LocalMachine, "Software\\AdBar", "", "AdBar");
    addRegistryRow(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "AdBar", "AdBar");
    addRegistryRow(RootKey::CurrentUser, "Software\\AdBar", "", "AdBar");
    const int writesBefore = fake.registry.writeAttempts();
    window().Command4_Click(true);

    EXPECT_TRUE(fake.registry.hasKey(RootKey::LocalMachine, "Software\\AdBar"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                       "AdBar"));
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\AdBar"));
    // Only the current user's key was tried: the refused ones are not attempted at all.
    EXPECT_EQ(fake.registry.writeAttempts() - writesBefore, 2);  // its default value, then the key
    ASSERT_EQ(problems.lstProblem.count(), 2u);
    EXPECT_EQ(problems.lstProblem.item(0).text, "HKEY_LOCAL_MACHINE\\Software\\AdBar");
    EXPECT_EQ(problems.lstProblem.item(0).subItem(1), "Needs an administrator to remove");
    EXPECT_EQ(problems.lstProblem.item(1).subItem(1), "Needs an administrator to remove");
    EXPECT_EQ(problems.listText(),
              "HKEY_LOCAL_MACHINE\\Software\\AdBar\tNeeds an administrator to remove\r\n"
              "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\AdBar\t"
              "Needs an administrator to remove\r\n");
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "1");
    // Nothing refused went to the quarantine record.
    ASSERT_EQ(run().index().entries().size(), 1u);
    EXPECT_EQ(run().index().entries()[0].root, "HKEY_CURRENT_USER");
}

TEST_F(RemovalRunTest, RegistryDataStaysWhileItsCopyCannotBeRecorded) {
    fake.files.addFolder(std::string(Quarantine) + "\\index.json.new");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Bad", "", "default");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Run", "Bad", "bad.exe");
    addThreat("Bad.Example", 2, "Software\\Bad");
    addRegistryRow(RootKey::CurrentUser, "Software\\Bad", "", "Bad.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Run", "Bad", "Bad.Example");
    window().Command4_Click(true);

    EXPECT_TRUE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\Run", "Bad"));
    EXPECT_EQ(problems.lstProblem.count(), 2u);
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "0");
    EXPECT_TRUE(run().index().entries().empty());
}

TEST_F(RemovalRunTest, AKeyWithAPartThatCannotBeReadStaysAndIsListed) {
    fake.registry.putString(RootKey::CurrentUser, "Software\\Bad", "", "default");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Bad\\Hidden", "v", "1");
    fake.registry.makeUnreadable(RootKey::CurrentUser, "Software\\Bad\\Hidden");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Locked", "", "locked");
    fake.registry.makeUnreadable(RootKey::CurrentUser, "Software\\Locked");
    addThreat("Unreadable.Example", 2, "Software\\Bad");
    addRegistryRow(RootKey::CurrentUser, "Software\\Bad", "", "Unreadable.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Locked", "", "Unreadable.Example");
    // A key that is not there has nothing to keep and is no problem.
    addRegistryRow(RootKey::CurrentUser, "Software\\Gone", "", "Unreadable.Example");
    window().Command4_Click(true);

    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, "Software\\Bad", ""), "default");
    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, "Software\\Bad\\Hidden", "v"), "1");
    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, "Software\\Locked", ""), "locked");
    std::vector<std::string> listed;
    for (const auto& row : problems.lstProblem.items()) listed.push_back(row.text);
    EXPECT_EQ(listed, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Bad",
                                                "HKEY_CURRENT_USER\\Software\\Locked"}));
    EXPECT_TRUE(run().index().entries().empty());
    EXPECT_TRUE(logFirstLines().empty());
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "1");
}

TEST_F(RemovalRunTest, AValueThatCannotBeKeptStaysAndIsListed) {
    // One byte over what an exported value may hold.
    fake.registry.putBinary(RootKey::CurrentUser, "Software\\Run", "Big",
                            std::vector<std::uint8_t>(limits::MaxRegistryValueData + 1, 0x41));
    fake.registry.putString(RootKey::CurrentUser, "Software\\Locked", "Bad", "bad.exe");
    fake.registry.makeUnreadable(RootKey::CurrentUser, "Software\\Locked");
    addThreat("Value.Example", 2, "Software\\Run");
    addRegistryRow(RootKey::CurrentUser, "Software\\Run", "Big", "Value.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Locked", "Bad", "Value.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Run", "Gone", "Value.Example");
    window().Command4_Click(true);

    EXPECT_TRUE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\Run", "Big"));
    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, "Software\\Locked", "Bad"), "bad.exe");
    std::vector<std::string> listed;
    for (const auto& row : problems.lstProblem.items()) listed.push_back(row.text);
    EXPECT_EQ(listed, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Run\\Big",
                                                "HKEY_CURRENT_USER\\Software\\Locked\\Bad"}));
    EXPECT_TRUE(run().index().entries().empty());
    EXPECT_TRUE(logFirstLines().empty());
    EXPECT_FALSE(main.list("lvwPicRemoveListOfSpywareFoundAndToBeRemoved").empty());
}

TEST_F(RemovalRunTest, AFileRewrittenBetweenItsCopyAndARetryKeepsItsNewestBytes) {
    fake.files.addFile("C:\\Bad\\cfg.txt", "old bytes");
    fake.files.setInUse("C:\\Bad\\cfg.txt");
    addThreat("Rewrite.Example", 3, "C:\\Bad\\cfg.txt");
    addFileRow("C:\\Bad\\cfg.txt", "Rewrite.Example");
    // While the first attempt waits, the program that holds the file writes it anew and lets go.
    bool rewritten = false;
    host.yieldHook = [&] {
        if (rewritten || !fake.files.exists(std::string(Quarantine) + "\\cfg.txt")) return;
        rewritten = true;
        fake.files.setInUse("C:\\Bad\\cfg.txt", false);
        ASSERT_TRUE(fake.files.writeFile("C:\\Bad\\cfg.txt", "new bytes, longer").ok());
    };
    window().Command4_Click(true);

    EXPECT_FALSE(fake.files.exists("C:\\Bad\\cfg.txt"));
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\cfg.txt"), "old bytes");
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\cfg (2).txt"), "new bytes, longer");
    ASSERT_EQ(run().index().entries().size(), 1u);
    EXPECT_EQ(run().index().entries()[0].kept, "cfg (2).txt");
    EXPECT_EQ(logFirstLines().size(), 1u);
}

TEST_F(RemovalRunTest, AFolderIsDeletedFromTheListingThatWasCopied) {
    fake.files.addFile("C:\\Bad\\Toolbar\\a.txt", "a");
    fake.files.addFile("C:\\Bad\\Toolbar\\b.txt", "b");
    fake.files.addFolder("C:\\Bad\\Toolbar\\ro", platform::attribute::Directory | platform::attribute::ReadOnly);
    fake.files.addFile("C:\\Bad\\Toolbar\\ro\\c.txt", "c");
    // Just before "a.txt" goes, a new file appears and "b.txt" is rewritten.
    fake.files.beforeDeleteOf("C:\\Bad\\Toolbar\\a.txt", [this] {
        fake.files.addFile("C:\\Bad\\Toolbar\\late.txt", "late");
        ASSERT_TRUE(fake.files.writeFile("C:\\Bad\\Toolbar\\b.txt", "b, rewritten").ok());
    });
    addThreat("Folder.Example", 4, "C:\\Bad\\Toolbar");
    addFileRow("C:\\Bad\\Toolbar", "Folder.Example");
    window().Command4_Click(true);

    EXPECT_FALSE(fake.files.exists("C:\\Bad\\Toolbar"));
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\Toolbar\\b.txt"), "b, rewritten");
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\Toolbar\\ro\\c.txt"), "c");
    // The first pass left the newcomer it had not copied; the second kept it before it went.
    EXPECT_FALSE(fake.files.exists(std::string(Quarantine) + "\\Toolbar\\late.txt"));
    EXPECT_EQ(fake.files.content(std::string(Quarantine) + "\\Toolbar (2)\\late.txt"), "late");
    EXPECT_EQ(problems.lstProblem.count(), 0u);
}

TEST_F(RemovalRunTest, AResistingFolderWithATrailingBackslashIsReportedNotCounted) {
    fake.files.addFile("C:\\Bad\\Held\\held.txt", "held");
    fake.files.setInUse("C:\\Bad\\Held\\held.txt");
    addThreat("Held.Example", 4, "C:\\Bad\\Held\\");
    addFileRow("C:\\Bad\\Held\\", "Held.Example");
    window().Command4_Click(true);
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\Held\\held.txt"));
    ASSERT_EQ(problems.lstProblem.count(), 1u);
    EXPECT_EQ(problems.lstProblem.item(0).text, "C:\\Bad\\Held\\");
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "0");
}

TEST_F(RemovalRunTest, ALibraryIsUnregisteredOnlyOnceItsCopyIsKept) {
    fake.files.addFile("C:\\Bad\\tb.dll", "dll");
    fake.files.protectFolder(Quarantine);
    addThreat("Lib.Example", 3, "C:\\Bad\\tb.dll");
    addFileRow("C:\\Bad\\tb.dll", "Lib.Example");
    window().Command4_Click(true);
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\tb.dll"));
    EXPECT_TRUE(fake.processes.runs.empty());
}

TEST_F(RemovalRunTest, WhatOnlyTheSecondPassRemovesIsLoggedOnce) {
    fake.files.addFile("C:\\Bad\\late.exe", "MZ late");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Late", "v", "1");
    addThreat("Late.Example", 3, "C:\\Bad\\late.exe");
    addFileRow("C:\\Bad\\late.exe", "Late.Example");
    addRegistryRow(RootKey::CurrentUser, "Software\\Late", "v", "Late.Example");
    // The process survives the first pass and the registry refuses changes during it.
    fake.registry.failWrites(platform::error::AccessDenied);
    int stops = 0;
    hooks.stopProcessByName = [&](std::string_view) {
        if (++stops == 2) fake.registry.failWrites(0);
        return stops > 1;
    };
    window().Command4_Click(true);
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\late.exe"));
    EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\Late", "v"));
    EXPECT_EQ(logFirstLines(), (std::vector<std::string>{
                                   "3/16/2006 9:05:07 PM - File: late.exe |  - Location: C:\\Bad\\late.exe",
                                   "3/16/2006 9:05:07 PM - Key: HKEY_CURRENT_USER\\Software\\Late | Value: v"}));
    EXPECT_EQ(settings["Settings/lblDefRemoved"], "2");
    EXPECT_EQ(problems.lstProblem.count(), 0u);
}

TEST(RemovalHelpers, PercentExtensionAndRootNames) {
    EXPECT_EQ(percentOf(1, 2), 50);
    EXPECT_EQ(percentOf(1, 8), 12);   // 12.5 goes to the even 12
    EXPECT_EQ(percentOf(3, 8), 38);   // 37.5 goes to the even 38
    EXPECT_EQ(percentOf(1, 3), 33);
    EXPECT_EQ(percentOf(2, 3), 67);
    EXPECT_EQ(percentOf(1, 0), 0);
    EXPECT_EQ(pathExtension("C:\\a\\b.Dll"), "DLL");
    EXPECT_EQ(pathExtension("C:\\a.b\\c"), "");
    EXPECT_EQ(pathExtension("C:\\a\\file."), "");
    EXPECT_EQ(pathExtension("C:\\a\\noext"), "");
    EXPECT_EQ(rootKeyName(0x80000002u), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(rootKeyName(0x80000006u), "HKEY_DYN_DATA");
    EXPECT_EQ(rootKeyName(0x80000004u), "");
}

TEST(RestorePointTest, AvailabilityFollowsTheSystemVersion) {
    EXPECT_TRUE(restorePointsSupported({4, 90, 0, 1}));
    EXPECT_FALSE(restorePointsSupported({4, 10, 0, 1}));
    EXPECT_TRUE(restorePointsSupported({5, 1, 2600, 2}));
    EXPECT_FALSE(restorePointsSupported({5, 0, 2195, 2}));
    EXPECT_FALSE(restorePointsSupported({5, 2, 3790, 2}));
    EXPECT_TRUE(restorePointsSupported({6, 1, 7601, 2}));
    EXPECT_FALSE(restorePointsSupported({4, 0, 1381, 2}));
    EXPECT_FALSE(restorePointsSupported({10, 0, 0, 3}));
}

TEST(RestorePointTest, OnlyOneRestorePointIsOpenAtATime) {
    fakes::FakePlatform fake;
    RestorePoint point(fake.restorePoints, fake.processes);
    ASSERT_TRUE(point.begin("first").ok());
    const auto second = point.begin("second");
    EXPECT_TRUE(second.is(ErrorRestorePointPending));
    EXPECT_TRUE(point.pending());
    EXPECT_EQ(fake.restorePoints.calls.size(), 1u);

    fake.restorePoints.endFailure = 5;
    EXPECT_FALSE(point.end());
    EXPECT_FALSE(point.pending());
    EXPECT_TRUE(point.begin("third").ok());
    EXPECT_EQ(fake.restorePoints.calls.back().description, "third");
}

TEST(RestorePointTest, AnEarlierPointIsToldApartByItsDescriptionWhereTheSystemTellsIt) {
    fakes::FakePlatform fake;
    fake.restorePoints.tellsDescriptions = true;
    fake.restorePoints.points[7] = "Windows Update";
    std::optional<std::int64_t> remembered;
    RestorePoint point(fake.restorePoints, fake.processes,
                       {[&] { return remembered; }, [&](std::int64_t sequence) { remembered = sequence; }});
    // Handed back another's point: nothing of ours is open, and nothing is remembered.
    fake.restorePoints.handBack = 7;
    ASSERT_TRUE(point.begin("Sorvane Restore Point 1").ok());
    EXPECT_EQ(point.outcome(), RestorePointOutcome::Reused);
    EXPECT_FALSE(point.pending());
    EXPECT_FALSE(remembered);
    // A point of our own carries our description, whatever the memory says.
    fake.restorePoints.handBack.reset();
    remembered = 100;
    ASSERT_TRUE(point.begin("Sorvane Restore Point 2").ok());
    EXPECT_EQ(point.outcome(), RestorePointOutcome::Made);
    EXPECT_TRUE(point.pending());
    EXPECT_EQ(remembered, 100);
}

}  // namespace
}  // namespace sorvane::removal
