#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "localization/messages.h"
#include "removal/frm_quarantine.h"
#include "removal/quarantine.h"
#include "removal/quarantine_index.h"
#include "removal/quarantine_store.h"
#include "removal/registry_backup.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::removal {
namespace {

using platform::RootKey;
using platform::ValueType;

constexpr const char* Folder = "C:\\Program Files\\Sorvane\\quarantine";
const std::string IndexPath = std::string(Folder) + "\\index.json";

IndexEntry sampleKey() {
    IndexEntry entry;
    entry.id = 7;
    entry.date = "2006-03-16T21:05:07";
    entry.threat = "Caf\xC3\xA9 Toolbar";
    entry.kind = EntryKind::RegistryKey;
    entry.original = "HKEY_CURRENT_USER\\Software\\Caf\xC3\xA9";
    entry.state = EntryState::Removed;
    entry.root = "HKEY_CURRENT_USER";
    entry.key = "Software\\Caf\xC3\xA9";
    entry.tree = ExportedKey{"Caf\xC3\xA9",
                             {{"", 1, std::string("d\0e\0\0\0", 6)}, {"n", 4, std::string("\x01\x00\x00\x80", 4)}},
                             {{"Sub", {{"bin", 3, std::string("\xff\x00", 2)}}, {}}}};
    return entry;
}

TEST(QuarantineIndexText, EveryFieldSurvivesAWriteAndARead) {
    IndexEntry file;
    file.id = 3;
    file.date = "2006-03-16T21:05:07";
    file.kind = EntryKind::Folder;
    file.original = "C:\\Bad\\Toolbar";
    file.kept = "Toolbar (2)";
    fakes::FakeSignatures signatures;
    file.files = {{"bin\\tb.dll", 3, Sha256Hex(signatures, "dll")}};
    file.state = EntryState::Resisted;
    const std::vector<IndexEntry> entries{file, sampleKey()};
    const auto back = ParseQuarantineIndex(SerializeQuarantineIndex(entries));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, entries);
}

TEST(QuarantineIndexText, AnythingMalformedMakesTheIndexUnreadable) {
    const std::string good = SerializeQuarantineIndex({sampleKey()});
    ASSERT_TRUE(ParseQuarantineIndex(good));
    for (const std::string& bad : {
             std::string("not json"), std::string("[]"), std::string("{\"entries\":{}}"),
             std::string("{\"entries\":[{\"id\":0,\"kind\":\"file\",\"state\":\"kept\"}]}"),
             std::string("{\"entries\":[{\"id\":1,\"kind\":\"file\",\"state\":\"kept\",\"kept\":\"..\\\\..\\\\win.ini\"}]}"),
             std::string("{\"entries\":[{\"id\":1,\"kind\":\"file\",\"state\":\"kept\",\"kept\":\"C:x\"}]}"),
             std::string("{\"entries\":[{\"id\":1,\"kind\":\"disk\",\"state\":\"kept\"}]}"),
             std::string("{\"entries\":[{\"id\":1,\"kind\":\"file\",\"state\":\"kept\",\"size\":-1}]}"),
             std::string("{\"entries\":[{\"id\":1,\"kind\":\"file\",\"state\":\"kept\",\"sha256\":\"xyz\"}]}"),
             std::string("{\"entries\":[{\"id\":1,\"kind\":\"file\",\"state\":\"kept\"},"
                         "{\"id\":1,\"kind\":\"file\",\"state\":\"kept\"}]}"),
             std::string("{\"entries\":[{\"id\":1,\"kind\":\"value\",\"state\":\"kept\","
                         "\"registry\":{\"value\":{\"type\":1,\"data\":\"abc\"}}}]}"),
         })
        EXPECT_FALSE(ParseQuarantineIndex(bad)) << bad;
    // A tree deeper than any registry is refused, not followed down the stack.
    std::string deep = "{\"entries\":[{\"id\":1,\"kind\":\"key\",\"state\":\"kept\",\"registry\":{\"tree\":";
    for (int i = 0; i < 600; ++i) deep += "{\"keys\":[";
    for (int i = 0; i < 600; ++i) deep += "]}";
    deep += "}}]}";
    EXPECT_FALSE(ParseQuarantineIndex(deep));
}

TEST(QuarantineIndexDates, DaysBetweenDates) {
    const auto a = ParseIndexDate("2024-02-28T23:59:59");
    const auto b = ParseIndexDate("2024-03-01T00:00:00");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(DaysBetween(*a, *b), 2);  // a leap year
    EXPECT_EQ(DaysBetween(*b, *a), -2);
    EXPECT_EQ(IndexDate(*b), "2024-03-01T00:00:00");
    EXPECT_FALSE(ParseIndexDate("2024-13-01T00:00:00"));
    EXPECT_FALSE(ParseIndexDate("2024-03-01 00:00:00"));
}

// Saves that fail at the last step, as when the disk fills up or the program is killed.
class FailingReplace : public fakes::FakeFileSystem {
public:
    bool failReplace = false;
    platform::Status replaceFile(std::string_view from, std::string_view to) override {
        if (failReplace) return platform::Status::failure(platform::error::AccessDenied);
        return FakeFileSystem::replaceFile(from, to);
    }
};

TEST(QuarantineIndexFile, AFailedSaveLeavesTheOldIndexAndAnUnreadableOneIsSetAside) {
    FailingReplace files;
    files.addFolder(Folder);
    QuarantineIndex index(files, Folder);
    ASSERT_TRUE(index.load());
    index.add(sampleKey());
    const auto saved = files.content(IndexPath);
    ASSERT_TRUE(saved);
    files.powerCut();  // the index was flushed before it replaced the old one
    EXPECT_EQ(files.content(IndexPath), saved);
    files.failReplace = true;
    index.add(sampleKey());
    EXPECT_EQ(files.content(IndexPath), saved);
    EXPECT_FALSE(files.exists(IndexPath + ".new"));

    ASSERT_TRUE(files.writeFile(IndexPath, "{ torn").ok());
    QuarantineIndex reader(files, Folder);
    EXPECT_FALSE(reader.loadForReading());
    EXPECT_TRUE(files.exists(IndexPath));
    QuarantineIndex writer(files, Folder);
    EXPECT_FALSE(writer.load());
    EXPECT_FALSE(files.exists(IndexPath));
    EXPECT_EQ(files.content(std::string(Folder) + "\\index (unreadable 1).json"), "{ torn");
}

TEST(RegistryBackup, ValuesComeBackWithTheirTypesAndNothingIsOverwritten) {
    fakes::FakeRegistry registry;
    registry.putString(RootKey::CurrentUser, "Software\\Bad", "", "default");
    registry.putDword(RootKey::CurrentUser, "Software\\Bad", "n", 0x80000001u);
    registry.putBinary(RootKey::CurrentUser, "Software\\Bad\\Sub", "bin", {0, 1, 2, 255});
    registry.putMultiString(RootKey::CurrentUser, "Software\\Bad\\Sub", "multi", {"a", "b"});
    registry.putString(RootKey::CurrentUser, "Software\\Bad\\Sub\\Deep", "path", "%TEMP%\\x", ValueType::ExpandString);
    const auto tree = ExportKey(registry, RootKey::CurrentUser, "Software\\Bad");
    ASSERT_TRUE(tree);
    ASSERT_TRUE(registry.deleteKeyTree(RootKey::CurrentUser, "Software\\Bad").ok());

    // One value is back already, with other data: it stays and is a clash.
    registry.putString(RootKey::CurrentUser, "Software\\Bad\\Sub", "multi", "someone else's");
    const auto outcome = RestoreKey(registry, RootKey::CurrentUser, "Software\\Bad", *tree);
    EXPECT_EQ(outcome.written, 4);
    EXPECT_EQ(outcome.clashes, 1);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(registry.stringValue(RootKey::CurrentUser, "Software\\Bad\\Sub", "multi"), "someone else's");
    EXPECT_EQ(registry.dwordValue(RootKey::CurrentUser, "Software\\Bad", "n"), 0x80000001u);
    const auto deep = registry.value(RootKey::CurrentUser, "Software\\Bad\\Sub\\Deep", "path");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->type, ValueType::ExpandString);
    EXPECT_EQ(deep->text, "%TEMP%\\x");
    registry.putString(RootKey::CurrentUser, "Software\\Bad\\Sub", "multi", "");
    ASSERT_TRUE(registry.deleteValue(RootKey::CurrentUser, "Software\\Bad\\Sub", "multi").ok());
    EXPECT_EQ(RestoreKey(registry, RootKey::CurrentUser, "Software\\Bad", *tree).clashes, 0);
    EXPECT_EQ(ExportKey(registry, RootKey::CurrentUser, "Software\\Bad"), tree);
}

// A removal of every kind through the quarantine, then the store's restore and purge.
class QuarantineStoreTest : public ::testing::Test {
protected:
    QuarantineStoreTest() {
        fake.files.addFolder(Folder);
        fake.locale.setNow({2006, 3, 16, 21, 5, 7});
        quarantine.setIndex(&index, "2006-03-16T21:05:07");
        quarantine.beginRun();
        log.setEnabled(true);
    }
    std::uint64_t idOf(const std::string& original) { return *quarantine.entryOf(original); }
    StoreResult restore(std::uint64_t id) {
        QuarantineStore store(fake.files, fake.registry, fake.locale, fake.signatures, Folder);
        EXPECT_TRUE(store.load());
        return store.restore(id);
    }

    fakes::FakePlatform fake;
    QuarantineLog log{fake.files, fake.locale, std::string(Folder) + "\\QuarantineLog.txt"};
    QuarantineIndex index{fake.files, Folder};
    Quarantine quarantine{fake.files, fake.signatures, log, Folder, nullptr};
};

// An index that cannot be written (a full disk, a folder in the way of its new copy): nothing
// goes that could not be put back, and a later run with a writable index removes it all.
TEST_F(QuarantineStoreTest, NothingGoesWhileTheIndexCannotBeWritten) {
    fake.files.addFile("C:\\Bad\\bad.exe", "MZ bad");
    fake.files.addFile("C:\\Bad\\Toolbar\\tb.dll", "dll");
    fake.files.addFile("C:\\Cookies\\user@ads[1].txt", "cookie");
    fake.files.addFolder(IndexPath + ".new");

    quarantine.quarantineFile("C:\\Bad\\bad.exe");
    quarantine.quarantinePath("C:\\Bad\\Toolbar");
    quarantine.quarantineCookieFile("C:\\Cookies\\user@ads[1].txt");
    EXPECT_EQ(fake.files.content("C:\\Bad\\bad.exe"), "MZ bad");
    EXPECT_EQ(fake.files.content("C:\\Bad\\Toolbar\\tb.dll"), "dll");
    EXPECT_EQ(fake.files.content("C:\\Cookies\\user@ads[1].txt"), "cookie");
    EXPECT_TRUE(index.entries().empty());
    EXPECT_FALSE(quarantine.entryOf("C:\\Bad\\bad.exe"));
    // The folder's copy was this attempt's own and is gone again.
    EXPECT_FALSE(fake.files.exists(std::string(Folder) + "\\Toolbar"));

    ASSERT_TRUE(fake.files.removeFolder(IndexPath + ".new").ok());
    EXPECT_TRUE(quarantine.quarantineFile("C:\\Bad\\bad.exe"));
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Bad\\Toolbar"));
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\bad.exe"));
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\Toolbar"));
    ASSERT_EQ(index.entries().size(), 2u);
    EXPECT_EQ(restore(idOf("C:\\Bad\\bad.exe")).outcome, Outcome::Done);
    EXPECT_EQ(fake.files.content("C:\\Bad\\bad.exe"), "MZ bad");
}

TEST_F(QuarantineStoreTest, EverythingRemovedComesBackByteForByte) {
    const std::string binary("MZ\0\x01\xff", 5);
    fake.files.addFile("C:\\Bad\\bad.exe", binary);
    fake.files.addFile("C:\\Bad\\Toolbar\\bin\\tb.dll", "dll");
    fake.files.addFolder("C:\\Bad\\Toolbar\\empty");
    fake.files.addFile("C:\\Cookies\\user@ads[1].txt", "cookie");
    quarantine.setThreat("Bad.Example");
    ASSERT_TRUE(quarantine.quarantineFile("C:\\Bad\\bad.exe"));
    ASSERT_TRUE(quarantine.quarantinePath("C:\\Bad\\Toolbar"));
    quarantine.quarantineCookieFile("C:\\Cookies\\user@ads[1].txt");
    ASSERT_FALSE(fake.files.exists("C:\\Bad"  "\\bad.exe"));
    ASSERT_FALSE(fake.files.exists("C:\\Bad\\Toolbar"));
    ASSERT_EQ(index.entries().size(), 3u);
    EXPECT_EQ(index.entries()[0].threat, "Bad.Example");
    EXPECT_EQ(index.entries()[0].sha256, Sha256Hex(fake.signatures, binary));
    EXPECT_EQ(index.entries()[0].state, EntryState::Removed);
    EXPECT_EQ(index.entries()[2].kind, EntryKind::Cookie);

    // The whole folder of the executable is gone too: restore makes it again.
    ASSERT_TRUE(fake.files.removeFolder("C:\\Cookies").ok());
    for (const char* original : {"C:\\Bad\\bad.exe", "C:\\Bad\\Toolbar", "C:\\Cookies\\user@ads[1].txt"})
        EXPECT_EQ(restore(idOf(original)).outcome, Outcome::Done) << original;
    EXPECT_EQ(fake.files.content("C:\\Bad\\bad.exe"), binary);
    EXPECT_EQ(fake.files.content("C:\\Bad\\Toolbar\\bin\\tb.dll"), "dll");
    EXPECT_TRUE(fake.files.isFolder("C:\\Bad\\Toolbar\\empty"));
    EXPECT_EQ(fake.files.content("C:\\Cookies\\user@ads[1].txt"), "cookie");
    QuarantineIndex after(fake.files, Folder);
    ASSERT_TRUE(after.loadForReading());
    for (const auto& entry : after.entries()) EXPECT_EQ(entry.state, EntryState::Restored);
    // Once more changes nothing and is no clash.
    EXPECT_EQ(restore(idOf("C:\\Bad\\bad.exe")).outcome, Outcome::Done);
}

// The index takes a folder's file list only after the folder is gone. When that save fails
// the files exist only as their kept copies: those stay, and a restore puts every one back.
TEST_F(QuarantineStoreTest, AFolderWhoseFileListWasNotSavedStillComesBackWhole) {
    fake.files.addFile("C:\\Bad\\Toolbar\\a.txt", "a");
    fake.files.addFile("C:\\Bad\\Toolbar\\sub\\b.txt", "b");
    fake.files.beforeDeleteOf("C:\\Bad\\Toolbar\\a.txt", [this] { fake.files.addFolder(IndexPath + ".new"); });
    ASSERT_TRUE(quarantine.quarantinePath("C:\\Bad\\Toolbar"));
    ASSERT_FALSE(fake.files.exists("C:\\Bad\\Toolbar\\a.txt"));
    EXPECT_EQ(fake.files.content(std::string(Folder) + "\\Toolbar\\a.txt"), "a");
    EXPECT_EQ(fake.files.content(std::string(Folder) + "\\Toolbar\\sub\\b.txt"), "b");

    ASSERT_TRUE(fake.files.removeFolder(IndexPath + ".new").ok());
    const auto result = restore(idOf("C:\\Bad\\Toolbar"));
    EXPECT_EQ(result.outcome, Outcome::Done) << result.detail;
    EXPECT_EQ(fake.files.content("C:\\Bad\\Toolbar\\a.txt"), "a");
    EXPECT_EQ(fake.files.content("C:\\Bad\\Toolbar\\sub\\b.txt"), "b");
}

TEST_F(QuarantineStoreTest, AClashIsReportedAndADamagedCopyIsNeverPutBack) {
    fake.files.addFile("C:\\Bad\\a.txt", "a");
    fake.files.addFile("C:\\Bad\\b.txt", "b");
    ASSERT_TRUE(quarantine.quarantineFile("C:\\Bad\\a.txt"));
    ASSERT_TRUE(quarantine.quarantineFile("C:\\Bad\\b.txt"));
    fake.files.addFile("C:\\Bad\\a.txt", "a new file of the user's");
    const auto clash = restore(idOf("C:\\Bad\\a.txt"));
    EXPECT_EQ(clash.outcome, Outcome::Clash);
    EXPECT_EQ(fake.files.content("C:\\Bad\\a.txt"), "a new file of the user's");

    ASSERT_TRUE(fake.files.writeFile(std::string(Folder) + "\\b.txt", "rotten").ok());
    EXPECT_EQ(restore(idOf("C:\\Bad\\b.txt")).outcome, Outcome::Failed);
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\b.txt"));
    EXPECT_EQ(restore(999).outcome, Outcome::NotFound);
}

TEST_F(QuarantineStoreTest, PurgeDeletesCopiesNoOtherEntryNeeds) {
    fake.files.addFile("C:\\Bad\\same.txt", "same");
    fake.files.addFile("C:\\Other\\same.txt", "same");
    fake.files.addFile("C:\\Bad\\Folder\\f.txt", "f");
    ASSERT_TRUE(quarantine.quarantineFile("C:\\Bad\\same.txt"));
    ASSERT_TRUE(quarantine.quarantineFile("C:\\Other\\same.txt"));
    ASSERT_TRUE(quarantine.quarantinePath("C:\\Bad\\Folder"));
    QuarantineStore store(fake.files, fake.registry, fake.locale, fake.signatures, Folder);
    ASSERT_TRUE(store.load());
    ASSERT_EQ(store.entries().size(), 3u);
    // Both entries name one kept copy: it goes with the last of them.
    EXPECT_EQ(store.purge(idOf("C:\\Bad\\same.txt")).outcome, Outcome::Done);
    EXPECT_TRUE(fake.files.exists(std::string(Folder) + "\\same.txt"));
    EXPECT_EQ(store.purge(idOf("C:\\Other\\same.txt")).outcome, Outcome::Done);
    EXPECT_FALSE(fake.files.exists(std::string(Folder) + "\\same.txt"));
    EXPECT_EQ(store.purge(idOf("C:\\Bad\\Folder")).outcome, Outcome::Done);
    EXPECT_FALSE(fake.files.exists(std::string(Folder) + "\\Folder"));
    EXPECT_TRUE(store.entries().empty());
    EXPECT_TRUE(fake.files.exists(std::string(Folder) + "\\QuarantineLog.txt"));
}

// The console's "quarantine" command and the window, over one removal of a file, a value and a key.
class QuarantineFrontEndTest : public QuarantineStoreTest {
protected:
    QuarantineFrontEndTest() {
        fake.files.addFile("C:\\Bad\\bad.exe", "MZ bad");
        quarantine.setThreat("Bad.Example");
        EXPECT_TRUE(quarantine.quarantineFile("C:\\Bad\\bad.exe"));
        fake.registry.putDword(RootKey::CurrentUser, "Software\\Run", "Bad", 7);
        IndexEntry value;
        value.kind = EntryKind::RegistryValue;
        value.root = "HKEY_CURRENT_USER";
        value.key = "Software\\Run";
        value.value = ExportValue(fake.registry, RootKey::CurrentUser, "Software\\Run", "Bad");
        quarantine.record("HKEY_CURRENT_USER\\Software\\Run\\Bad", value);
        quarantine.settle("HKEY_CURRENT_USER\\Software\\Run\\Bad", false);
        EXPECT_TRUE(fake.registry.deleteValue(RootKey::CurrentUser, "Software\\Run", "Bad").ok());
    }
    int command(std::vector<std::string> args) {
        args.insert(args.begin(), "quarantine");
        std::istringstream in;
        out.str("");
        err.str("");
        cli::Console console{in, out, err};
        return cli::dispatch(fake.platform(), args, console);
    }
    std::ostringstream out;
    std::ostringstream err;

    // The quarantine window over this folder, open with its list filled.
    struct OpenWindow {
        explicit OpenWindow(QuarantineFrontEndTest& test)
            : store(test.fake.files, test.fake.registry, test.fake.locale, test.fake.signatures, Folder),
              window(host, store, test.fake.shell, [] { return std::string("Sorvane"); },
                     [this](std::string_view key) { return catalogue.getMessages(key); }, Folder) {
            localization::LoadDefaultMessages(catalogue);
            window.load();
            window.refresh();
        }
        ui::HeadlessHost host;
        localization::Languages catalogue;
        QuarantineStore store;
        FrmQuarantine window;
    };
};

TEST_F(QuarantineFrontEndTest, TheConsoleListsRestoresAndPurges) {
    EXPECT_EQ(command({"list"}), cli::ExitClean);
    EXPECT_EQ(out.str(),
              "1  2006-03-16T21:05:07  file  removed  Bad.Example  C:\\Bad\\bad.exe\n"
              "2  2006-03-16T21:05:07  value  removed  Bad.Example  HKEY_CURRENT_USER\\Software\\Run\\Bad\n");
    EXPECT_EQ(command({"list", "--json"}), cli::ExitClean);
    const auto listed = ParseQuarantineIndex(out.str());
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->size(), 2u);

    fake.registry.putString(RootKey::CurrentUser, "Software\\Run", "Bad", "the user's own");
    EXPECT_EQ(command({"restore", "1", "2"}), cli::ExitFound);
    EXPECT_EQ(fake.files.content("C:\\Bad\\bad.exe"), "MZ bad");
    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, "Software\\Run", "Bad"), "the user's own");
    EXPECT_NE(out.str().find("Not restored 2"), std::string::npos);
    ASSERT_TRUE(fake.registry.deleteValue(RootKey::CurrentUser, "Software\\Run", "Bad").ok());
    EXPECT_EQ(command({"restore", "2"}), cli::ExitClean);
    EXPECT_EQ(fake.registry.dwordValue(RootKey::CurrentUser, "Software\\Run", "Bad"), 7u);
    EXPECT_EQ(fake.registry.value(RootKey::CurrentUser, "Software\\Run", "Bad")->type, ValueType::Dword);

    EXPECT_EQ(command({"restore", "3"}), cli::ExitError);
    EXPECT_EQ(command({"restore", "x"}), cli::ExitError);
    EXPECT_EQ(command({"purge"}), cli::ExitError);
    EXPECT_EQ(command({"shred"}), cli::ExitError);
    // Days are counted from the run's date.
    EXPECT_EQ(command({"purge", "--older-than", "30"}), cli::ExitClean);
    EXPECT_TRUE(fake.files.exists(std::string(Folder) + "\\bad.exe"));
    fake.locale.setNow({2006, 4, 30, 12, 0, 0});
    EXPECT_EQ(command({"purge", "--older-than", "30"}), cli::ExitClean);
    EXPECT_FALSE(fake.files.exists(std::string(Folder) + "\\bad.exe"));
    EXPECT_EQ(command({"list"}), cli::ExitClean);
    EXPECT_EQ(out.str(), "The quarantine is empty.\n");

    ASSERT_TRUE(fake.files.writeFile(IndexPath, "{").ok());
    EXPECT_EQ(command({"list"}), cli::ExitError);
    EXPECT_EQ(fake.files.content(IndexPath), "{");
}

TEST_F(QuarantineFrontEndTest, AnAgeTooLargeForTheDayCountPurgesNothing) {
    fake.locale.setNow({2006, 4, 30, 12, 0, 0});
    for (const char* days : {"9223372036854775808", "18446744073709551615", "18446744073709551616"}) {
        EXPECT_EQ(command({"purge", "--older-than", days}), cli::ExitError) << days;
        EXPECT_NE(err.str().find("--older-than takes a number of days"), std::string::npos) << days;
    }
    EXPECT_EQ(command({"purge", "--older-than", "9223372036854775807"}), cli::ExitClean);
    EXPECT_EQ(out.str(), "Nothing older than 9223372036854775807 days.\n");
    EXPECT_TRUE(fake.files.exists(std::string(Folder) + "\\bad.exe"));
    QuarantineIndex after(fake.files, Folder);
    ASSERT_TRUE(after.loadForReading());
    EXPECT_EQ(after.entries().size(), 2u);
}

TEST_F(QuarantineFrontEndTest, TheWindowRestoresAndDeletesTheCheckedEntries) {
    OpenWindow open(*this);
    auto& host = open.host;
    auto& window = open.window;
    ASSERT_EQ(window.lvwQuarantine.count(), 2u);
    EXPECT_EQ(window.lvwQuarantine.item(0).text, "Bad.Example");
    EXPECT_EQ(window.lvwQuarantine.item(0).subItem(1), "File");
    EXPECT_EQ(window.lvwQuarantine.item(0).subItem(2), "C:\\Bad\\bad.exe");
    EXPECT_EQ(window.lvwQuarantine.item(0).subItem(3), "2006-03-16 21:05:07");
    EXPECT_EQ(window.lvwQuarantine.item(1).subItem(1), "Registry value");

    window.cmdRestore.click();
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "No entries are checked.");

    window.lvwQuarantine.userCheck(1, true);
    window.cmdRestore.click();
    EXPECT_EQ(fake.registry.dwordValue(RootKey::CurrentUser, "Software\\Run", "Bad"), 7u);
    EXPECT_EQ(host.messages().back().text, "Items put back where they were: 1");
    // Restored entries leave the list.
    ASSERT_EQ(window.lvwQuarantine.count(), 1u);

    window.lvwQuarantine.userCheck(0, true);
    host.queueAnswer(ui::Answer::No);
    window.cmdDelete.click();
    EXPECT_EQ(host.messages().back().text, "Checked items to delete from the quarantine for good: 1\r\n\r\n"
                                           "They cannot be restored afterwards.  Delete them?");
    EXPECT_TRUE(fake.files.exists(std::string(Folder) + "\\bad.exe"));
    window.lvwQuarantine.userCheck(0, true);
    host.queueAnswer(ui::Answer::Yes);
    window.cmdDelete.click();
    EXPECT_FALSE(fake.files.exists(std::string(Folder) + "\\bad.exe"));
    EXPECT_FALSE(fake.files.exists("C:\\Bad\\bad.exe"));
    EXPECT_TRUE(window.lvwQuarantine.empty());
    EXPECT_FALSE(window.cmdRestore.enabled());

    window.cmdOpenFolder.click();
    ASSERT_EQ(fake.shell.started.size(), 1u);
    EXPECT_EQ(fake.shell.started[0].first, std::string("explorer ") + Folder);
}

// The window stays open while removal runs (from the window, on a schedule, from the
// console): what the runs add since the list was filled must survive the window's actions.
TEST_F(QuarantineFrontEndTest, TheWindowKeepsWhatARunAddedSinceItsListWasFilled) {
    OpenWindow open(*this);
    auto& host = open.host;
    auto& window = open.window;
    ASSERT_EQ(window.lvwQuarantine.count(), 2u);

    // A run of its own: it reads the index as it starts and records what it removes.
    auto removeValue = [&](const std::string& name) {
        fake.registry.putString(RootKey::CurrentUser, "Software\\Run", name, name + ".exe");
        QuarantineIndex runIndex(fake.files, Folder);
        ASSERT_TRUE(runIndex.load());
        Quarantine run(fake.files, fake.signatures, log, Folder, nullptr);
        run.setIndex(&runIndex, "2006-03-16T21:05:07");
        IndexEntry value;
        value.kind = EntryKind::RegistryValue;
        value.root = "HKEY_CURRENT_USER";
        value.key = "Software\\Run";
        value.value = ExportValue(fake.registry, RootKey::CurrentUser, "Software\\Run", name);
        ASSERT_TRUE(run.record("HKEY_CURRENT_USER\\Software\\Run\\" + name, value));
        ASSERT_TRUE(fake.registry.deleteValue(RootKey::CurrentUser, "Software\\Run", name).ok());
    };
    removeValue("Later");
    window.lvwQuarantine.userCheck(0, true);
    window.cmdRestore.click();
    EXPECT_EQ(fake.files.content("C:\\Bad\\bad.exe"), "MZ bad");
    // Another run while the question waits for its answer.
    window.lvwQuarantine.userCheck(0, true);
    host.decideAnswer = [&](const ui::ShownMessage& shown) -> std::optional<ui::Answer> {
        if ((shown.style & ui::mb::YesNo) == 0) return std::nullopt;
        removeValue("During");
        return ui::Answer::Yes;
    };
    ASSERT_EQ(window.lvwQuarantine.item(0).subItem(2), "HKEY_CURRENT_USER\\Software\\Run\\Bad");
    window.cmdDelete.click();
    host.decideAnswer = nullptr;

    QuarantineIndex after(fake.files, Folder);
    ASSERT_TRUE(after.loadForReading());
    std::vector<std::string> kept;
    for (const auto& entry : after.entries()) kept.push_back(entry.original + " " + std::string(StateName(entry.state)));
    EXPECT_EQ(kept, (std::vector<std::string>{"C:\\Bad\\bad.exe restored",
                                              "HKEY_CURRENT_USER\\Software\\Run\\Later kept",
                                              "HKEY_CURRENT_USER\\Software\\Run\\During kept"}));
    // And they can be put back from the refreshed list.
    ASSERT_EQ(window.lvwQuarantine.count(), 2u);
    window.lvwQuarantine.userCheck(0, true);
    window.lvwQuarantine.userCheck(1, true);
    window.cmdRestore.click();
    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, "Software\\Run", "Later"), "Later.exe");
    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, "Software\\Run", "During"), "During.exe");
}

// An entry deleted elsewhere frees its number for the next run's entry: the window acts only
// on the entry it showed, never on a newcomer under the same number.
TEST_F(QuarantineFrontEndTest, TheWindowNeverActsOnAnotherEntryUnderTheSameNumber) {
    OpenWindow open(*this);
    auto& host = open.host;
    auto& window = open.window;
    ASSERT_EQ(window.lvwQuarantine.count(), 2u);
    EXPECT_EQ(command({"purge", "2"}), cli::ExitClean);
    QuarantineIndex run(fake.files, Folder);
    ASSERT_TRUE(run.load());
    IndexEntry newcomer;
    newcomer.kind = EntryKind::RegistryValue;
    newcomer.original = "HKEY_CURRENT_USER\\Software\\Run\\Newcomer";
    newcomer.root = "HKEY_CURRENT_USER";
    newcomer.key = "Software\\Run";
    newcomer.value = ExportedValue{"Newcomer", 1, std::string("x\0\0\0", 4)};
    ASSERT_EQ(run.add(newcomer), 2u);

    window.lvwQuarantine.userCheck(1, true);
    host.queueAnswer(ui::Answer::Yes);
    window.cmdDelete.click();
    QuarantineIndex after(fake.files, Folder);
    ASSERT_TRUE(after.loadForReading());
    ASSERT_EQ(after.entries().size(), 2u);
    EXPECT_EQ(after.entries()[1].original, newcomer.original);
    EXPECT_NE(host.messages().back().text.find("HKEY_CURRENT_USER\\Software\\Run\\Bad"), std::string::npos);
}

}  // namespace
}  // namespace sorvane::removal

#include <filesystem>
#include <fstream>

#include "tests/fuzz/quarantine_index_target.h"

namespace sorvane::removal {
namespace {

// The fuzz seeds (and any kept crash input) replayed through the fuzz target, and the seed
// read as the index it is.
TEST(QuarantineIndexFuzzInputs, KeptInputsRunCleanly) {
    std::size_t replayed = 0;
    const auto dir = std::filesystem::path(SORVANE_SOURCE_DIR) / "tests" / "fuzz" / "index-corpus";
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        fuzz::FuzzQuarantineIndex(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
        if (entry.path().filename() == "every-kind.json") {
            const auto entries = ParseQuarantineIndex(input);
            ASSERT_TRUE(entries);
            EXPECT_EQ(entries->size(), 6u);
        }
        ++replayed;
    }
    EXPECT_GE(replayed, 1u);
}

}  // namespace
}  // namespace sorvane::removal
