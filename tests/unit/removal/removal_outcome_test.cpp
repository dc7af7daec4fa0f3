#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "removal/removal_choice.h"
#include "removal/removal_run.h"
#include "scan/cookie_store.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::removal {
namespace {

using platform::RootKey;
using scan::Finding;
using scan::FindingKind;

const std::map<std::string, std::string, std::less<>> Texts = {
    {"MSG_NEEDS_ADMIN", "Needs an administrator to remove"},
    {"MSG_ERR_DENIED", "Access denied"},
    {"MSG_ERR_IN_USE", "In use by another program"},
};

// Every event of a run, in order, with what it carried.
class RecordingObserver final : public RemovalObserver {
public:
    void runStarted() override { events.push_back("run started"); }
    void statusChanged(std::string_view) override {}
    void passStarted(bool first) override { events.push_back(first ? "first pass" : "second pass"); }
    void itemStarted(std::size_t index, const Finding&, std::string_view current) override {
        events.push_back("item " + std::to_string(index) + " " + std::string(current));
    }
    void outcomeRecorded(std::size_t index, const Finding& item, const RemovalOutcome& outcome) override {
        events.push_back("outcome " + std::to_string(index) + " " + item.threat + " " + outcome.shown);
    }
    void passFinished(std::size_t listed) override { events.push_back("listed " + std::to_string(listed)); }
    void runFinished(const RemovalTotals& totals) override {
        events.push_back("finished " + std::to_string(totals.removed) + "/" + std::to_string(totals.resisted) + "/" +
                         std::to_string(totals.refused));
    }
    std::vector<std::string> events;
};

Finding file(const std::string& path, const std::string& threat) {
    auto finding = Finding::at(FindingKind::File, path);
    finding.threat = threat;
    finding.trace = true;
    return finding;
}

Finding registry(RootKey root, const std::string& key, const std::string& value, const std::string& threat) {
    Finding finding;
    finding.kind = value.empty() ? FindingKind::RegistryKey : FindingKind::RegistryValue;
    finding.registry = {root, key, value};
    finding.threat = threat;
    finding.trace = true;
    return finding;
}

class RemovalOutcomeTest : public ::testing::Test {
protected:
    RemovalOutcomeTest() {
        fake.files.addFolder("C:\\Program Files\\Sorvane");
        // Windows 2000: no restore point to wait for.
        fake.processes.setVersion({5, 0, 2195, 2});
    }
    const std::vector<RemovalOutcome>& remove(std::vector<Finding> chosen) {
        return run.run(std::move(chosen), observer, false);
    }

    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    static RemovalHooks hooks() {
        RemovalHooks made;
        made.message = [](std::string_view key) {
            const auto it = Texts.find(key);
            return it == Texts.end() ? std::string() : it->second;
        };
        made.stopProcessByName = [](std::string_view) { return true; };
        return made;
    }
    RemovalRun run{fake.platform(), host, hooks(), "Sorvane"};
    RecordingObserver observer;
};

TEST_F(RemovalOutcomeTest, EachFindingGetsOneOutcomeInTheOrderGiven) {
    fake.files.addFile("C:\\Bad\\gone.txt", "gone");
    fake.files.addFile("C:\\Bad\\held.txt", "held");
    fake.files.setInUse("C:\\Bad\\held.txt");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Bad", "", "x");

    const auto& outcomes = remove({file("C:\\Bad\\gone.txt", "Gone.Example"), file("C:\\Bad\\held.txt", "Held.Example"),
                                   registry(RootKey::CurrentUser, "Software\\Bad", "", "Reg.Example")});

    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].shown, "C:\\Bad\\gone.txt");
    EXPECT_TRUE(outcomes[0].removed());
    EXPECT_EQ(outcomes[0].kept, "gone.txt");
    EXPECT_TRUE(outcomes[0].quarantineEntry);
    EXPECT_EQ(fake.files.content("C:\\Program Files\\Sorvane\\quarantine\\gone.txt"), "gone");

    // A file its program holds open resists with the system's cause; its copy is kept all the same.
    EXPECT_EQ(outcomes[1].kind, OutcomeKind::Resisted);
    EXPECT_EQ(outcomes[1].cause, "In use by another program");
    EXPECT_EQ(outcomes[1].kept, "held.txt");
    EXPECT_TRUE(outcomes[1].listed());
    EXPECT_TRUE(fake.files.exists("C:\\Bad\\held.txt"));

    EXPECT_EQ(outcomes[2].shown, "HKEY_CURRENT_USER\\Software\\Bad");
    EXPECT_TRUE(outcomes[2].removed());
    EXPECT_TRUE(outcomes[2].quarantineEntry);
    EXPECT_EQ(outcomes[2].kept, "");

    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"run started", "first pass", "item 0 c:\\bad\\gone.txt",
                                        "item 1 c:\\bad\\held.txt", "item 2 software\\bad\\", "listed 0",
                                        "second pass", "item 0 c:\\bad\\gone.txt",
                                        "outcome 0 Gone.Example C:\\Bad\\gone.txt", "item 1 c:\\bad\\held.txt",
                                        "outcome 1 Held.Example C:\\Bad\\held.txt", "item 2 software\\bad\\",
                                        "outcome 2 Reg.Example HKEY_CURRENT_USER\\Software\\Bad", "listed 1",
                                        "finished 2/1/0"}));
    EXPECT_EQ(run.problemsInLastPass(), 1u);
}

TEST_F(RemovalOutcomeTest, RegistryItemsTheRunMayNotTouchAreRefusedWithTheirReason) {
    fake.registry.putString(RootKey::LocalMachine, "Software\\AdBar", "", "x");
    fake.registry.makeTreeReadOnly(RootKey::LocalMachine);
    fake.registry.putString(RootKey::CurrentUser, "Software\\Kept", "v", "1");
    const int writesBefore = fake.registry.writeAttempts();

    const auto& outcomes = remove({registry(RootKey::LocalMachine, "Software\\AdBar", "", "AdBar"),
                                   registry(RootKey::CurrentUser, "Software", "", "AdBar"),
                                   registry(RootKey::CurrentUser, "  ", "", "AdBar"),
                                   registry(RootKey{}, "Software\\Kept", "v", "AdBar")});

    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_EQ(outcomes[0].kind, OutcomeKind::Refused);
    EXPECT_EQ(outcomes[0].refusal, RefusalReason::NeedsAdministrator);
    EXPECT_EQ(outcomes[0].cause, "Needs an administrator to remove");
    EXPECT_TRUE(outcomes[0].listed() && outcomes[0].named());
    // A structural key and a whole hive are never deleted; the hive has no place the console names.
    EXPECT_EQ(outcomes[1].refusal, RefusalReason::Protected);
    EXPECT_EQ(outcomes[1].shown, "HKEY_CURRENT_USER\\Software");
    EXPECT_EQ(outcomes[2].refusal, RefusalReason::WholeHive);
    EXPECT_EQ(outcomes[2].shown, "HKEY_CURRENT_USER");
    EXPECT_TRUE(outcomes[2].listed());
    EXPECT_FALSE(outcomes[2].named());
    // No predefined root: nothing to interpret, nothing listed, and not counted as removed.
    EXPECT_EQ(outcomes[3].refusal, RefusalReason::NoPlace);
    EXPECT_FALSE(outcomes[3].listed());
    EXPECT_EQ(observer.events.back(), "finished 0/0/4");

    EXPECT_EQ(fake.registry.writeAttempts(), writesBefore);
    EXPECT_TRUE(fake.registry.hasKey(RootKey::LocalMachine, "Software\\AdBar"));
    EXPECT_TRUE(fake.registry.hasValue(RootKey::CurrentUser, "Software\\Kept", "v"));
    EXPECT_TRUE(run.index().entries().empty());
}

TEST_F(RemovalOutcomeTest, AnExcludedFindingIsNeverTouched) {
    fake.files.addFile("C:\\Bad\\mine.txt", "the user's");
    auto excluded = file("C:\\Bad\\mine.txt", "Mine.Example");
    excluded.excluded = true;
    const auto& outcomes = remove({excluded});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, RefusalReason::Excluded);
    EXPECT_FALSE(outcomes[0].listed());
    EXPECT_EQ(fake.files.content("C:\\Bad\\mine.txt"), "the user's");
    EXPECT_FALSE(fake.files.exists("C:\\Program Files\\Sorvane\\quarantine\\mine.txt"));
}

TEST_F(RemovalOutcomeTest, ACookieFileThatResistsIsNotTakenForGone) {
    fake.files.addFile("C:\\Cookies\\user@ads[1].txt", "cookie");
    fake.files.setInUse("C:\\Cookies\\user@ads[1].txt");
    auto cookie = Finding::at(FindingKind::Cookie, "C:\\Cookies\\user@ads[1].txt");
    cookie.threat = "Cookie: user@ads[1].txt";
    cookie.trace = true;
    const auto& outcomes = remove({cookie});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, OutcomeKind::Resisted);
    EXPECT_EQ(outcomes[0].cause, "In use by another program");
    EXPECT_EQ(outcomes[0].kept, "user@ads[1].txt");
    EXPECT_TRUE(fake.files.exists("C:\\Cookies\\user@ads[1].txt"));
}

// A real browser database in a folder of this test's own, held as a running Chromium holds it.
TEST_F(RemovalOutcomeTest, ACookieStoreItsBrowserHoldsResistsAsInUse) {
    const auto folder = std::filesystem::temp_directory_path() / ("sorvane-outcome-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string store = (folder / "Cookies").string();
    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(store.c_str(), &browser), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(browser,
                           "CREATE TABLE cookies(host_key TEXT, name TEXT, path TEXT);"
                           "INSERT INTO cookies VALUES('.tracker.com','a','/');"
                           "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; INSERT INTO cookies VALUES('x','b','/');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);

    auto cookie = Finding::at(FindingKind::Cookie, scan::CookieStoreLocation(store, "tracker.com"));
    cookie.threat = "Cookie: tracker.com (Chrome, Default)";
    cookie.trace = true;
    const auto outcomes = remove({cookie});

    sqlite3_exec(browser, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(browser);
    const auto hosts = scan::ReadCookieStoreHosts(store).hosts;
    std::filesystem::remove_all(folder);

    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, OutcomeKind::Resisted);
    EXPECT_EQ(outcomes[0].cause, "In use by another program");
    EXPECT_EQ(outcomes[0].shown, cookie.path);
    EXPECT_EQ(hosts, std::vector<std::string>{"tracker.com"});
}

TEST(TiedTracesTest, ARowTakesTheTracesCheckingItTiesAndNoOthers) {
    scan::Findings findings;
    auto row = [](Finding finding, int icon, std::string location) {
        finding.removal = scan::RemovalRow{finding.threat, std::move(location), "", icon};
        return finding;
    };
    auto folder = file("C:\\Bad\\Toolbar", "Toolbar");
    folder.kind = FindingKind::Folder;
    findings.add(row(folder, scan::icon::Folder, "C:\\Bad\\Toolbar"));
    findings.add(registry(RootKey::CurrentUser, "Software\\Toolbar", "", "Toolbar"));
    findings.add(file("C:\\Bad\\tb.dll", "Toolbar"));
    auto cookie = Finding::at(FindingKind::Cookie, "C:\\Cookies\\a[1].txt");
    cookie.threat = "Cookie: a[1].txt";
    cookie.trace = true;
    findings.add(row(cookie, scan::icon::Cookie, cookie.path));
    findings.add(row(file("C:\\Other\\x.exe", "Other"), scan::icon::File, "C:\\Other\\x.exe"));
    auto excluded = Finding::at(FindingKind::File, "C:\\Bad\\Toolbar\\mine.txt");
    excluded.excluded = true;
    findings.add(excluded);

    const scan::Finding* toolbar[] = {&findings.all()[0]};
    std::vector<std::string> paths;
    for (const auto& trace : TiedTraces(findings, toolbar))
        paths.push_back(trace.isRegistry() ? trace.registry.key : trace.path);
    // Files before registry items, as the results page lists them, whatever the order found.
    EXPECT_EQ(paths, (std::vector<std::string>{"C:\\Bad\\Toolbar", "C:\\Bad\\tb.dll", "Software\\Toolbar"}));

    const scan::Finding* cookieRow[] = {&findings.all()[3]};
    ASSERT_EQ(TiedTraces(findings, cookieRow).size(), 1u);
    EXPECT_EQ(TiedTraces(findings, cookieRow)[0].path, "C:\\Cookies\\a[1].txt");
}

}  // namespace
}  // namespace sorvane::removal
