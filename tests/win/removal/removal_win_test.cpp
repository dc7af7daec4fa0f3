#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/text.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "removal/quarantine.h"
#include "removal/removal_run.h"
#include "removal/unregister.h"
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
             real.http,     real.restorePoints, real.clipboard, environment} {
        EXPECT_TRUE(real.files.createFolder(root + "\\app").ok());
    }
    ~RemovalWinTest() override {
        QuarantineLog log(real.files, real.locale, "");
        Quarantine cleaner(real.files, log, root + "\\none", nullptr);
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
    Quarantine store(os.files, log, quarantine(), nullptr);
    store.createFolder();
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
    RemovalRun run(os, host, *view, problems, RemovalHooks{}, "Sorvane");
    run.Command4_Click(true);

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
    Quarantine store(os.files, log, quarantine(), nullptr);
    store.createFolder();
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

}  // namespace
}  // namespace sorvane::removal
