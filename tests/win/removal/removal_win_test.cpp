#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "definitions/exclusions.h"
#include "platform/text.h"
#include "platform/win32/com_security.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "removal/quarantine.h"
#include "removal/quarantine_store.h"
#include "removal/registry_backup.h"
#include "platform/win32/win32_registry.h"
#include "removal/removal_run.h"
#include "removal/removal_window.h"
#include "removal/unregister.h"
#include "scan/drive_list.h"
#include "scan/scan_session.h"
#include "scan/scan_window.h"
#include "ui/headless/headless_host.h"

namespace sorvane::removal {
namespace {

using platform::win32::narrow;
using platform::win32::widen;

std::string ownFolder() {
    wchar_t buffer[MAX_PATH];
    const std::wstring path(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH));
    return narrow(path.substr(0, path.rfind(L'\\')));
}

// The program "installed" in a temporary folder of this test's own.
// The results page alone: no pages, timers, status panel or data submission around it.
class PagelessWindow final : public RemovalWindow {
public:
    PagelessWindow(ui::Host& host, RemovalRun& run, RemovalView view, FrmDelete& problems)
        : RemovalWindow(host, run, view, problems, "Sorvane") {}

protected:
    void showResultsPage() override {}
    void armBackgroundTimers(bool) override {}
    void refreshStatusPanel() override {}
    void sendProcessList() override {}
};

class TempEnvironment : public platform::Environment {
public:
    explicit TempEnvironment(platform::Environment& real, std::string folder) : real_(real), folder_(std::move(folder)) {}
    std::string applicationFolder() override { return folder_; }
    std::string executableBaseName() override { return "Sorvane"; }
    std::string variable(std::string_view name) override { return real_.variable(name); }
    std::vector<std::string> arguments() override { return {}; }

private:
    platform::Environment& real_;
    std::string folder_;
};

class RemovalWinTest : public ::testing::Test {
protected:
    RemovalWinTest()
        : win(versions),
          real(win.platform()),
          root(makeRoot()),
          environment(real.environment, root + "\\app"),
          os{real.registry, real.files, real.shell, real.processes, real.versions, real.locale, real.instance,
             real.http,     real.restorePoints, real.clipboard, environment, real.signatures, real.logonTasks} {
        EXPECT_TRUE(real.files.createFolder(root + "\\app").ok());
    }
    ~RemovalWinTest() override {
        QuarantineLog log(real.files, real.locale, "");
        Quarantine cleaner(real.files, real.signatures, log, root + "\\none", nullptr);
        for (const auto& path : readOnly) SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
        cleaner.deleteTree(root);
    }
    std::string makeRoot() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::string path = narrow(temp) + "sorvane-removal-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64());
        EXPECT_TRUE(CreateDirectoryW(widen(path).c_str(), nullptr));
        return path;
    }
    void plant(const std::string& path, const std::string& bytes) {
        const auto slash = path.rfind('\\');
        SHCreateDirectory(path.substr(0, slash));
        ASSERT_TRUE(real.files.writeFile(path, bytes).ok()) << path;
    }
    static void SHCreateDirectory(const std::string& folder) {
        std::string partial;
        for (const auto& piece : text::split(folder, "\\")) {
            partial += partial.empty() ? piece : "\\" + piece;
            CreateDirectoryW(widen(partial).c_str(), nullptr);
        }
    }
    std::string bytesOf(const std::string& path) {
        std::string bytes;
        return real.files.readFile(path, bytes).ok() ? bytes : std::string("<missing>");
    }
    bool exists(const std::string& path) { return real.files.lookup(path).has_value(); }
    std::string quarantine() const { return root + "\\app\\quarantine"; }

    platform::win32::Win32VersionResources versions;
    platform::win32::Win32Platform win;
    platform::Platform& real;
    std::string root;
    TempEnvironment environment;
    platform::Platform os;
    std::vector<std::string> readOnly;
};

TEST_F(RemovalWinTest, RealFilesAreKeptByteForByteUnderFreeNames) {
    const std::string first("MZ\0\x01first\xff", 10);
    plant(root + "\\a\\setup.exe", first);
    plant(root + "\\b\\setup.exe", "a different setup");
    plant(root + "\\c\\setup.exe", first);
    plant(root + "\\Toolbar\\bin\\tb.dll", "toolbar library");
    plant(root + "\\Toolbar\\readme.txt", "read me");
    SetFileAttributesW(widen(root + "\\Toolbar\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    QuarantineLog log(os.files, os.locale, quarantine() + "\\QuarantineLog.txt");
    Quarantine store(os.files, os.signatures, log, quarantine(), nullptr);
    (void)store.createFolder();
    log.setEnabled(true);
    for (const char* folder : {"a", "b", "c"}) EXPECT_TRUE(store.quarantinePath(root + "\\" + folder + "\\setup.exe"));
    EXPECT_TRUE(store.quarantinePath(root + "\\Toolbar"));

    for (const char* gone : {"\\a\\setup.exe", "\\b\\setup.exe", "\\c\\setup.exe", "\\Toolbar"})
        EXPECT_FALSE(exists(root + gone)) << gone;
    EXPECT_EQ(bytesOf(quarantine() + "\\setup.exe"), first);
    EXPECT_EQ(bytesOf(quarantine() + "\\setup (2).exe"), "a different setup");
    EXPECT_FALSE(exists(quarantine() + "\\setup (3).exe"));
    EXPECT_EQ(bytesOf(quarantine() + "\\Toolbar\\bin\\tb.dll"), "toolbar library");
    EXPECT_EQ(bytesOf(quarantine() + "\\Toolbar\\readme.txt"), "read me");
    readOnly.push_back(quarantine() + "\\Toolbar\\readme.txt");

    const auto lines = text::split(bytesOf(quarantine() + "\\QuarantineLog.txt"), "\r\n");
    ASSERT_EQ(lines.size(), 13u);  // three four-line entries and the end
    EXPECT_NE(lines[0].find(" - File: setup.exe"), std::string::npos);
    EXPECT_EQ(lines[1], " - Location: " + root + "\\a\\setup.exe");
    EXPECT_NE(lines[4].find(" - File: setup (2).exe"), std::string::npos);
    EXPECT_EQ(lines[9], " - Location: " + root + "\\c\\setup.exe");
}

TEST_F(RemovalWinTest, FileHeldOpenByAnotherProcessSurvivesBothPassesAndIsListed) {
    const std::string held = root + "\\bad\\held.dat";
    plant(held, "held by another program");
    plant(root + "\\bad\\free.dat", "free");
    const std::wstring suffix = std::to_wstring(GetCurrentProcessId());
    const std::wstring readyName = L"SorvaneRemovalReady" + suffix;
    const std::wstring releaseName = L"SorvaneRemovalRelease" + suffix;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str());
    std::wstring command = L"\"" + widen(ownFolder()) + L"\\removal_file_holder.exe\" \"" + widen(held) + L"\" " +
                           readyName + L" " + releaseName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
    ASSERT_EQ(WaitForSingleObject(ready, 30000), WAIT_OBJECT_0);

    ui::HeadlessHost host;
    scan::ScanWindow window(host);
    window.load();
    auto view = bindRemovalView(window);
    ASSERT_TRUE(view);
    view->lvwPicRemoveListOfSpywareFoundAndToBeRemoved.add("Held.Example", 3);
    view->lvwPicRemoveListOfSpywareFoundAndToBeRemoved.setChecked(0, true);
    for (const std::string& path : {held, root + "\\bad\\free.dat"}) {
        auto& files = view->lvwFilesToBeDeleted;
        files.add(path);
        files.setSubItem(files.count() - 1, 1, "Held.Example");
        files.setChecked(files.count() - 1, true);
    }
    FrmDelete problems(host, os.clipboard);
    RemovalRun run(os, host, RemovalHooks{}, "Sorvane");
    PagelessWindow(host, run, *view, problems).Command4_Click(true);

    SetEvent(release);
    WaitForSingleObject(child.hProcess, 30000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CloseHandle(ready);
    CloseHandle(release);

    EXPECT_EQ(bytesOf(held), "held by another program");
    EXPECT_FALSE(exists(root + "\\bad\\free.dat"));
    EXPECT_EQ(bytesOf(quarantine() + "\\held.dat"), "held by another program");
    ASSERT_EQ(problems.lstProblem.count(), 1u);
    EXPECT_EQ(problems.lstProblem.item(0).text, held);
    ASSERT_EQ(view->lvwPicRemoveListOfSpywareFoundAndToBeRemoved.count(), 1u);
    EXPECT_FALSE(view->lvwPicRemoveListOfSpywareFoundAndToBeRemoved.item(0).checked);
}

TEST_F(RemovalWinTest, FileStaysWhenTheQuarantineFolderTakesNoCopy) {
    plant(root + "\\bad\\keep.exe", "keep");
    QuarantineLog log(os.files, os.locale, quarantine() + "\\QuarantineLog.txt");
    Quarantine store(os.files, os.signatures, log, quarantine(), nullptr);
    (void)store.createFolder();
    ASSERT_TRUE(SetFileAttributesW(widen(quarantine()).c_str(), FILE_ATTRIBUTE_READONLY));
    readOnly.push_back(quarantine());
    if (real.files.writeFile(quarantine() + "\\probe.txt", "x").ok()) {
        // Windows lets a read-only folder take new files; a file where the folder should
        // be makes every copy fail the same way.
        SetFileAttributesW(widen(quarantine()).c_str(), FILE_ATTRIBUTE_NORMAL);
        store.deleteTree(quarantine());
        plant(quarantine(), "not a folder");
    }
    log.setEnabled(true);
    EXPECT_FALSE(store.quarantineFile(root + "\\bad\\keep.exe"));
    EXPECT_TRUE(store.quarantinePath(root + "\\bad\\keep.exe"));
    EXPECT_EQ(bytesOf(root + "\\bad\\keep.exe"), "keep");
    EXPECT_FALSE(exists(quarantine() + "\\keep.exe"));
}

TEST_F(RemovalWinTest, UnregistrationRunsInAChildProcessWithATimeLimit) {
    const std::string library = ownFolder() + "\\removal_test_library.dll";
    plant(root + "\\lib\\placeholder", "");
    const std::string ok = root + "\\lib\\plain.dll";
    const std::string hang = root + "\\lib\\hang.dll";
    ASSERT_TRUE(CopyFileW(widen(library).c_str(), widen(ok).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(widen(library).c_str(), widen(hang).c_str(), FALSE));

    EXPECT_TRUE(unregisterLibrary(os.processes, os.shell, ok));
    EXPECT_TRUE(exists(ok + ".unregistered"));

    const auto started = GetTickCount64();
    EXPECT_FALSE(unregisterLibrary(os.processes, os.shell, hang, 3000));
    const auto took = GetTickCount64() - started;
    EXPECT_GE(took, 2500u);
    EXPECT_LT(took, 20000u);
    // The child was ended, so nothing holds the library any more.
    EXPECT_TRUE(DeleteFileW(widen(hang).c_str()));
}

// The removal run over rows this test lists, on the real system in the test's own folder.
class RemovalRunWinTest : public RemovalWinTest {
protected:
    RemovalRunWinTest() : window(host) {
        window.load();
        view.emplace(*bindRemovalView(window));
        view->lvwPicRemoveListOfSpywareFoundAndToBeRemoved.add("Planted.Example", 3);
        view->lvwPicRemoveListOfSpywareFoundAndToBeRemoved.setChecked(0, true);
    }
    ~RemovalRunWinTest() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, widen(keyPath).c_str());
    }
    void fileRow(const std::string& path) {
        auto& files = view->lvwFilesToBeDeleted;
        files.add(path);
        files.setSubItem(files.count() - 1, 1, "Planted.Example");
        files.setChecked(files.count() - 1, true);
    }
    void registryRow(platform::RootKey hive, const std::string& key, const std::string& value) {
        auto& registry = view->lvwRegistryToBeDeleted;
        registry.add(std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(hive))));
        const auto row = registry.count() - 1;
        registry.setSubItem(row, 1, key);
        registry.setSubItem(row, 2, value);
        registry.setSubItem(row, 3, "Planted.Example");
        registry.setChecked(row, true);
    }
    void cookieRow(const std::string& path) {
        auto& cookies = view->lvwCookiesToDelete;
        cookies.add(path);
        cookies.setChecked(cookies.count() - 1, true);
    }
    std::vector<std::string> listed() {
        std::vector<std::string> rows;
        for (const auto& row : problems.lstProblem.items()) rows.push_back(row.text);
        return rows;
    }
    void runRemoval() {
        RemovalRun run(os, host, RemovalHooks{}, "Sorvane");
        PagelessWindow(host, run, *view, problems).Command4_Click(true);
    }

    ui::HeadlessHost host;
    scan::ScanWindow window;
    std::optional<RemovalView> view;
    FrmDelete problems{host, os.clipboard};
    const std::string keyPath = "Software\\SorvaneRestoreTest" + std::to_string(GetCurrentProcessId());
};

std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

TEST_F(RemovalRunWinTest, AJunctionListedAsAFolderLeavesTheFolderItPointsToWhole) {
    // Made from the Linux side by links_test.sh: Wine itself makes no folder links.
    const std::string link = fromEnvironment("SORVANE_TEST_LINK");
    const std::string target = fromEnvironment("SORVANE_TEST_LINK_TARGET");
    if (link.empty()) GTEST_SKIP() << "run through links_test.sh";
    const auto entry = real.files.lookup(link);
    ASSERT_TRUE(entry);
    ASSERT_TRUE(entry->isLink()) << entry->attributes;
    fileRow(link);
    runRemoval();

    EXPECT_EQ(bytesOf(target + "\\letter.txt"), "the user's own letter");
    EXPECT_FALSE(exists(quarantine() + "\\Toolbar"));
    // Windows removes the junction itself; Wine cannot remove a link and lists it instead.
    if (exists(link)) {
        EXPECT_EQ(listed(), std::vector<std::string>{link});
    }
}

TEST_F(RemovalRunWinTest, TheKeptCopyReachedThroughAnotherSpellingIsNotDeleted) {
    // The program's folder is the planted one when links_test.sh has given it a drive letter.
    std::string app = fromEnvironment("SORVANE_TEST_SUBST_APP");
    const std::string drive = fromEnvironment("SORVANE_TEST_SUBST_DRIVE");
    if (app.empty()) app = root + "\\app";
    TempEnvironment planted(real.environment, app);
    platform::Platform system{real.registry, real.files, real.shell, real.processes, real.versions, real.locale,
                              real.instance, real.http, real.restorePoints, real.clipboard, planted, real.signatures, real.logonTasks};
    const std::string kept = app + "\\quarantine";
    plant(kept + "\\longer-name-bad.exe", "the only copy");
    wchar_t shortName[MAX_PATH] = {};
    GetShortPathNameW(widen(kept + "\\longer-name-bad.exe").c_str(), shortName, MAX_PATH);
    std::vector<std::string> spellings{app + "\\x\\..\\quarantine\\longer-name-bad.exe",
                                       "\\\\?\\" + kept + "\\longer-name-bad.exe"};
    if (narrow(shortName) != kept + "\\longer-name-bad.exe" && shortName[0] != 0) spellings.push_back(narrow(shortName));
    if (!drive.empty()) spellings.push_back(drive + "\\longer-name-bad.exe");
    for (const auto& path : spellings) fileRow(path);
    RemovalRun run(system, host, RemovalHooks{}, "Sorvane");
    PagelessWindow(host, run, *view, problems).Command4_Click(true);

    EXPECT_EQ(bytesOf(kept + "\\longer-name-bad.exe"), "the only copy");
    EXPECT_EQ(listed(), spellings);
    if (app != root + "\\app") {
        QuarantineLog none(real.files, real.locale, "");
        Quarantine cleaner(real.files, real.signatures, none, root + "\\none", nullptr);
        cleaner.deleteTree(kept);
        (void)real.files.createFolder(kept);
    }
}

TEST_F(RemovalRunWinTest, AHiveRootAndSoftwareAreRefused) {
    const std::string sibling = keyPath + "\\Sibling";
    ASSERT_TRUE(real.registry.setString(platform::RootKey::CurrentUser, sibling, "kept", "yes").ok());
    registryRow(platform::RootKey::CurrentUser, "\\", "");
    registryRow(platform::RootKey::CurrentUser, "Software", "");
    registryRow(platform::RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "");
    runRemoval();
    platform::RegistryValue value;
    EXPECT_TRUE(real.registry.queryValue(platform::RootKey::CurrentUser, sibling, "kept", platform::access::Read, value).ok());
    EXPECT_TRUE(real.registry.openKey(platform::RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                      platform::access::Read).ok());
    EXPECT_EQ(listed(), (std::vector<std::string>{"HKEY_CURRENT_USER\\\\", "HKEY_CURRENT_USER\\Software",
                                                  "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"}));
}

TEST_F(RemovalRunWinTest, AFileRewrittenBetweenItsCopyAndARetryKeepsItsNewestBytes) {
    const std::string path = root + "\\bad\\settings.ini";
    plant(path, "old settings");
    // Open without delete sharing, as the program that owns the file would hold it.
    HANDLE holder = CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    host.yieldHook = [&] {
        if (holder == INVALID_HANDLE_VALUE || !exists(quarantine() + "\\settings.ini")) return;
        const std::string fresh = "newest settings, written after the copy";
        DWORD written = 0;
        SetFilePointer(holder, 0, nullptr, FILE_BEGIN);
        WriteFile(holder, fresh.data(), static_cast<DWORD>(fresh.size()), &written, nullptr);
        SetEndOfFile(holder);
        CloseHandle(holder);
        holder = INVALID_HANDLE_VALUE;
    };
    fileRow(path);
    runRemoval();
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);

    EXPECT_FALSE(exists(path));
    EXPECT_EQ(bytesOf(quarantine() + "\\settings.ini"), "old settings");
    EXPECT_EQ(bytesOf(quarantine() + "\\settings (2).ini"), "newest settings, written after the copy");
}

TEST_F(RemovalRunWinTest, EverythingRemovedIsRestoredExactlyAndFoundAgain) {
    const std::string binary("MZ\0\x90\x01\xfe\xff", 7);
    plant(root + "\\bad\\tool.exe", binary);
    plant(root + "\\bad\\Folder\\inner\\data.bin", std::string("\0\0\x7f", 3));
    CreateDirectoryW(widen(root + "\\bad\\Folder\\empty").c_str(), nullptr);
    plant(root + "\\cookies\\user@ads[1].txt", "id\n42\nads.example/\n");
    plant(root + "\\bad\\caf\xC3\xA9.txt", "unicode name");
    const DWORD number = 0x80000001u;
    const unsigned long long wide = 0x0102030405060708ull;
    const wchar_t multi[] = L"one\0two\0";
    const std::wstring key = widen(keyPath);
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (key + L"\\Key\\Sub").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw,
                              nullptr), ERROR_SUCCESS);
    RegSetValueExW(raw, L"dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegSetValueExW(raw, L"qword", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&wide), sizeof wide);
    RegSetValueExW(raw, L"multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), sizeof multi);
    RegSetValueExW(raw, L"expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L"%TEMP%\\x"), 18);
    RegSetValueExW(raw, L"binary", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\0\1\2"), 3);
    RegSetValueExW(raw, L"", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"default"), 16);
    RegCloseKey(raw);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(raw, L"Value", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"caf\u00e9"), 10);
    RegCloseKey(raw);
    const auto before = ExportKey(real.registry, platform::RootKey::CurrentUser, keyPath);
    ASSERT_TRUE(before);
    for (const char* file : {"\\bad\\tool.exe", "\\bad\\Folder", "\\bad\\caf\xC3\xA9.txt"}) fileRow(root + file);
    cookieRow(root + "\\cookies\\user@ads[1].txt");
    registryRow(platform::RootKey::CurrentUser, keyPath + "\\Key", "");
    registryRow(platform::RootKey::CurrentUser, keyPath, "Value");
    runRemoval();
    ASSERT_TRUE(listed().empty());
    for (const char* gone : {"\\bad\\tool.exe", "\\bad\\Folder", "\\bad\\caf\xC3\xA9.txt", "\\cookies\\user@ads[1].txt"})
        EXPECT_FALSE(exists(root + gone)) << gone;
    EXPECT_FALSE(real.registry.openKey(platform::RootKey::CurrentUser, keyPath + "\\Key", platform::access::Read).ok());
    // The folders that held them go too: restore makes them again.
    QuarantineLog none(real.files, real.locale, "");
    Quarantine cleaner(real.files, real.signatures, none, root + "\\none", nullptr);
    cleaner.deleteTree(root + "\\cookies");

    QuarantineStore store(os.files, os.registry, os.locale, os.signatures, quarantine());
    ASSERT_TRUE(store.load());
    ASSERT_EQ(store.entries().size(), 6u);
    std::vector<std::uint64_t> ids;
    for (const auto& entry : store.entries()) ids.push_back(entry.id);
    for (const auto id : ids) EXPECT_EQ(store.restore(id).outcome, Outcome::Done) << id;

    EXPECT_EQ(bytesOf(root + "\\bad\\tool.exe"), binary);
    EXPECT_EQ(bytesOf(root + "\\bad\\Folder\\inner\\data.bin"), std::string("\0\0\x7f", 3));
    EXPECT_TRUE(real.files.lookup(root + "\\bad\\Folder\\empty")->isFolder());
    EXPECT_EQ(bytesOf(root + "\\cookies\\user@ads[1].txt"), "id\n42\nads.example/\n");
    EXPECT_EQ(bytesOf(root + "\\bad\\caf\xC3\xA9.txt"), "unicode name");
    EXPECT_EQ(ExportKey(real.registry, platform::RootKey::CurrentUser, keyPath), before);
    // Restoring again clashes with nothing and overwrites nothing.
    ASSERT_TRUE(real.files.writeFile(root + "\\bad\\tool.exe", "changed by the user").ok());
    EXPECT_EQ(store.restore(ids[0]).outcome, Outcome::Clash);
    EXPECT_EQ(bytesOf(root + "\\bad\\tool.exe"), "changed by the user");
}

// Whatever the system's System Restore answers (Wine may have no srclient.dll, or one that
// makes nothing), the outcome says no more than the answer did.
TEST(RestorePointWin, TheOutcomeFollowsWhatTheSystemAnswered) {
    const platform::win32::ComForSystemRestore com;
    // Set once per process: a second call is refused as too late, never a crash.
    EXPECT_TRUE(com.securityResult() == S_OK || com.securityResult() == RPC_E_TOO_LATE) << com.securityResult();
    platform::win32::Win32VersionResources versions;
    platform::win32::Win32Platform win(versions);
    auto& system = win.platform();
    RestorePoint point(system.restorePoints, system.processes);
    const bool supported = point.supported();
    RecordProperty("restore_points_supported", supported ? "yes" : "no");
    const auto begun = point.begin("Sorvane test restore point");
    RecordProperty("restore_point_begin", std::to_string(begun.code()));
    if (!begun.ok()) {
        EXPECT_EQ(point.outcome(), RestorePointOutcome::NotMade);
        EXPECT_FALSE(point.pending());
    } else {
        EXPECT_NE(point.outcome(), RestorePointOutcome::NotMade);
        EXPECT_EQ(point.pending(), point.outcome() == RestorePointOutcome::Made);
    }
    if (!supported) {
        EXPECT_FALSE(begun.ok());
    }
    (void)point.end();
    EXPECT_FALSE(point.pending());
}

// The real file system seen through a keyhole: every folder above `inside` lists only the
// folder on the way down to it, so that a drive's sweep walks the test's own folder alone.
class KeyholeFiles final : public platform::FileSystem {
public:
    KeyholeFiles(platform::FileSystem& real, std::string inside) : real_(real), inside_(text::toLower(inside) + "\\") {}
    std::optional<platform::DirectoryEntry> lookup(std::string_view p) override { return real_.lookup(p); }
    platform::Status listFolder(std::string_view folder, std::vector<platform::DirectoryEntry>& entries) override {
        const auto status = real_.listFolder(folder, entries);
        std::string above = text::toLower(folder);
        if (above.empty() || above.back() != '\\') above += '\\';
        if (above.size() < inside_.size() && inside_.starts_with(above)) {
            std::erase_if(entries, [&](const platform::DirectoryEntry& entry) {
                return !inside_.starts_with(above + text::toLower(entry.name) + "\\");
            });
        }
        return status;
    }
    platform::Status readFile(std::string_view p, std::string& b) override { return real_.readFile(p, b); }
    platform::Status readRange(std::string_view p, std::uint64_t o, std::size_t c, std::string& b) override {
        return real_.readRange(p, o, c, b);
    }
    platform::Status writeFile(std::string_view p, std::string_view b) override { return real_.writeFile(p, b); }
    platform::Status appendFile(std::string_view p, std::string_view b) override { return real_.appendFile(p, b); }
    platform::Status writeFileFlushed(std::string_view p, std::string_view b) override { return real_.writeFileFlushed(p, b); }
    platform::Status replaceFile(std::string_view f, std::string_view t) override { return real_.replaceFile(f, t); }
    platform::Status copyFile(std::string_view f, std::string_view t, bool x) override { return real_.copyFile(f, t, x); }
    platform::Status moveFile(std::string_view f, std::string_view t) override { return real_.moveFile(f, t); }
    platform::Status deleteFile(std::string_view p) override { return real_.deleteFile(p); }
    platform::Status createFolder(std::string_view p) override { return real_.createFolder(p); }
    platform::Status removeFolder(std::string_view p) override { return real_.removeFolder(p); }
    platform::Status setAttributes(std::string_view p, std::uint32_t a) override { return real_.setAttributes(p, a); }
    std::vector<std::string> drives() override { return {inside_.substr(0, 3)}; }
    platform::DriveType driveType(std::string_view r) override { return real_.driveType(r); }
    bool driveReady(std::string_view r) override { return real_.driveReady(r); }
    std::string currentFolder() override { return real_.currentFolder(); }
    std::optional<platform::FileIdentity> identity(std::string_view p) override { return real_.identity(p); }

private:
    platform::FileSystem& real_;
    std::string inside_;
};

// The run under another locale is worth only as much as the code page it really got.
TEST(RemovalLocaleWin, TheCodePageIsTheOneTheLocaleAskedFor) {
    const char* asked = std::getenv("SORVANE_TEST_LOCALE");
    if (asked == nullptr || std::string_view(asked).substr(0, 5) != "ja_JP") GTEST_SKIP() << "run under en-US";
    EXPECT_EQ(GetACP(), 932u);
}

TEST_F(RemovalRunWinTest, PathsBeyondMaxPathAreSweptQuarantinedAndRestored) {
    // Nested folders made one by one through the file system, the deeper ones beyond MAX_PATH.
    // Their names are Japanese as well: in code page 932 the second byte of "表" and of "ソ" is
    // the backslash's, so a path that went through the ANSI code page would split inside them.
    const std::string japanese = "\xE8\xA1\xA8\xE7\xA4\xBA\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88";  // 表示ソフト
    std::string deep = root;
    for (int i = 0; widen(deep).size() < 290; ++i) {
        deep += "\\nested-folder-" + std::to_string(i) + "-" + japanese + "-abcdefghij";
        ASSERT_TRUE(real.files.createFolder(deep).ok()) << deep.size();
    }
    const std::string file = deep + "\\long-tracker.dat";
    const std::string folder = deep + "\\LongToolbar";
    ASSERT_GT(widen(file).size(), 300u);
    ASSERT_TRUE(real.files.createFolder(folder).ok());
    ASSERT_TRUE(real.files.writeFile(file, std::string("tracker\0bytes", 13)).ok());
    ASSERT_TRUE(real.files.writeFile(folder + "\\inner.bin", "inner").ok());
    // Windows refuses these paths in their plain spelling unless its long-path policy is on;
    // Wine takes both, so here the test shows that the long spelling reaches the same files.

    // The sweep lists its way down to the file and reports it under its plain path.
    KeyholeFiles keyhole(real.files, root);
    platform::Platform swept{real.registry, keyhole, real.shell, real.processes, real.versions, real.locale,
                             real.instance, real.http, real.restorePoints, real.clipboard, environment, real.signatures, real.logonTasks};
    scan::ScanWindow sweepWindow(host);
    sweepWindow.load();
    definitions::ExclusionList exclusions(real.files, real.locale, root + "\\app\\ENoSignature.txt");
    scan::AppAccess access;
    access.message = [](std::string_view) { return std::string(); };
    access.readSetting = [](std::string_view, std::string_view, std::string_view fallback) { return std::string(fallback); };
    access.writeSetting = [](std::string_view, std::string_view, std::string_view) {};
    access.productName = [] { return std::string("Sorvane"); };
    scan::ScanView sweepView = *scan::ScanView::bind(sweepWindow);
    scan::ScanViewObserver sweepShown(sweepView, host);
    scan::ScanSession session(swept, host, sweepShown, exclusions, access, {}, root + "\\app");
    session.missingFiles.add({"long-tracker.dat", "Planted.Example", ""});
    session.choices.drives = {root.substr(0, 1)};
    scan::SweepDrives(session);
    std::vector<std::string> found;
    for (const auto& row : sweepView.lvwFilesToBeDeleted.items()) found.push_back(row.text);
    EXPECT_EQ(found, std::vector<std::string>{file});

    fileRow(file);
    fileRow(folder);
    runRemoval();
    EXPECT_TRUE(listed().empty());
    EXPECT_FALSE(exists(file));
    EXPECT_FALSE(exists(folder));
    EXPECT_EQ(bytesOf(quarantine() + "\\long-tracker.dat"), std::string("tracker\0bytes", 13));

    // The index keeps the plain paths, and restore puts both back there, folders included.
    QuarantineLog none(real.files, real.locale, "");
    Quarantine cleaner(real.files, real.signatures, none, root + "\\none", nullptr);
    cleaner.deleteTree(root + "\\nested-folder-0-" + japanese + "-abcdefghij");
    ASSERT_FALSE(exists(deep));
    QuarantineStore store(os.files, os.registry, os.locale, os.signatures, quarantine());
    ASSERT_TRUE(store.load());
    std::vector<std::string> kept;
    for (const auto& entry : store.entries()) kept.push_back(entry.original);
    EXPECT_EQ(kept, (std::vector<std::string>{file, folder}));
    for (const auto& entry : std::vector(store.entries())) EXPECT_EQ(store.restore(entry.id).outcome, Outcome::Done);
    EXPECT_EQ(bytesOf(file), std::string("tracker\0bytes", 13));
    EXPECT_EQ(bytesOf(folder + "\\inner.bin"), "inner");
}

}  // namespace
}  // namespace sorvane::removal
