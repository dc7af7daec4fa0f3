#include <gtest/gtest.h>

#include "platform/win32/handles.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "processes/process_stop.h"
#include "scan/company_name.h"
#include "scan/file_tests.h"
#include "processes/process_list.h"
#include "scan/registry_tools.h"
#include "scan/registry_views.h"
#include "platform/text.h"
#include "tests/win/platform/win_test_support.h"
#include "ui/headless/headless_host.h"

using namespace sorvane;
using platform::RootKey;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

// A key below HKCU\Software that only this test writes, removed at the end.
class PlantedKey {
public:
    PlantedKey() : path_("Software\\" + wintest::uniqueName("SorvaneScanTest")) {}
    ~PlantedKey() { RegDeleteTreeW(HKEY_CURRENT_USER, widen(path_).c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A folder in the temp folder that only this test fills, removed at the end.
class PlantedFolder {
public:
    PlantedFolder() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = narrow(temp) + wintest::uniqueName("sorvane_scan_");
        CreateDirectoryW(widen(path_).c_str(), nullptr);
    }
    ~PlantedFolder() {
        for (const auto& file : files_) {
            SetFileAttributesW(widen(file).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(widen(file).c_str());
        }
        RemoveDirectoryW(widen(path_).c_str());
    }
    std::string file(const std::string& name, DWORD attributes) {
        std::string path = path_ + "\\" + name;
        HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        files_.push_back(path);
        return path;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::vector<std::string> files_;
};

}  // namespace

TEST(ScanChild, DISABLED_Waits) { Sleep(60'000); }

TEST(RegistryToolkit, WritableKeysAndReadableTypesCountAsExisting) {
    PlantedKey key;
    platform::win32::Win32Registry registry;
    EXPECT_FALSE(scan::RegistryKeyExists(registry, RootKey::CurrentUser, key.path()));
    scan::SetRegistryValue(registry, RootKey::CurrentUser, key.path(), "text", scan::RegistryData{std::string(" v ")});
    scan::SetRegistryValue(registry, RootKey::CurrentUser, key.path(), "number", scan::RegistryData{std::uint32_t{9}});
    const DWORD binary = 1;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, widen(key.path()).c_str(), L"binary", REG_BINARY, &binary, 4),
              ERROR_SUCCESS);
    const wchar_t multi[] = L"a\0b\0";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, widen(key.path()).c_str(), L"multi", REG_MULTI_SZ, multi,
                              sizeof(multi)),
              ERROR_SUCCESS);

    EXPECT_TRUE(scan::RegistryKeyExists(registry, RootKey::CurrentUser, key.path()));
    scan::RegistryData data;
    ASSERT_TRUE(scan::RegistryValueExists(registry, RootKey::CurrentUser, key.path(), "text", &data));
    EXPECT_EQ(scan::RegistryDataText(data), "v");
    ASSERT_TRUE(scan::RegistryValueExists(registry, RootKey::CurrentUser, key.path(), "number", &data));
    EXPECT_EQ(scan::RegistryDataText(data), "9");
    EXPECT_FALSE(scan::RegistryValueExists(registry, RootKey::CurrentUser, key.path(), "binary"));
    EXPECT_FALSE(scan::RegistryValueExists(registry, RootKey::CurrentUser, key.path(), "multi"));
    EXPECT_FALSE(scan::RegistryValueExists(registry, RootKey::CurrentUser, key.path(), "absent"));
}

TEST(FileTests, HiddenAndSystemFilesCountAsAbsent) {
    PlantedFolder folder;
    platform::win32::Win32FileSystem files;
    auto plain = folder.file("Plain.TXT", FILE_ATTRIBUTE_NORMAL);
    auto hidden = folder.file("hidden.txt", FILE_ATTRIBUTE_HIDDEN);
    auto system = folder.file("system.txt", FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(scan::FileExists(files, folder.path() + "\\plain.txt"));
    EXPECT_FALSE(scan::FileExists(files, hidden));
    EXPECT_FALSE(scan::FileExists(files, system));
    EXPECT_FALSE(scan::FileExists(files, folder.path() + "\\*.txt"));
    EXPECT_FALSE(scan::FileExists(files, folder.path()));
    EXPECT_TRUE(scan::FolderExists(files, folder.path()));
    EXPECT_TRUE(scan::FolderExists(files, "C:\\"));
    EXPECT_FALSE(scan::FolderExists(files, plain));
}

TEST(CompanyName, ReadFromRealExecutables) {
    platform::win32::Win32FileSystem files;
    platform::win32::Win32Shell shell;
    // Wine's libraries carry Microsoft's company name, as Windows' own do.
    const auto kernel = shell.specialFolder(platform::csidl::System) + "\\kernel32.dll";
    const auto company = scan::CompanyNameOf(files, kernel);
    RecordProperty("kernel32_company", company);
    EXPECT_TRUE(scan::IsMicrosoftCompany(company)) << company;

    // A resource far into a large file is found through the bounded reads.
    PlantedFolder folder;
    const auto big = folder.file("big.exe", FILE_ATTRIBUTE_NORMAL);
    std::string bytes(3 * 1024 * 1024 + 17, 'z');
    for (auto piece : {std::string_view("StringFileInfo"), std::string_view("CompanyName")}) {
        for (char c : piece) bytes += {c, '\0'};
        bytes += std::string(piece == "CompanyName" ? 4 : 2, '\0');
    }
    for (char c : std::string_view("Far Away Ltd")) bytes += {c, '\0'};
    bytes += std::string(4, '\0');
    HANDLE h = CreateFileW(widen(big).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    EXPECT_EQ(scan::CompanyNameOf(files, big), "Far Away Ltd");
    EXPECT_EQ(scan::CompanyNameOf(files, folder.file("empty.exe", FILE_ATTRIBUTE_NORMAL)), "");
}

TEST(ProcessList, ListsThisProgramInBothModes) {
    platform::win32::Win32Processes processes;
    const auto self = processes.currentProcessId();
    const auto ownName = scan::LastPathComponent(wintest::ownPath());
    for (bool processStatus : {true, false}) {
        auto list = processes::ListProcesses(processes, "", processStatus);
        ASSERT_TRUE(list.ok);
        auto it = std::find_if(list.processes.begin(), list.processes.end(),
                               [&](const auto& p) { return p.id == self; });
        ASSERT_NE(it, list.processes.end()) << processStatus;
        EXPECT_NE(it->name.find(ownName), std::string::npos) << it->name;
    }
    EXPECT_EQ(processes::ProcessBaseName(processes, self), ownName);
    auto filtered = processes::ListProcesses(processes, ownName, true);
    EXPECT_FALSE(filtered.processes.empty());
}

TEST(ProcessStop, StopsAChildThisTestStartedByItsName) {
    // A copy of this program under a name of its own, so that only the child matches.
    PlantedFolder folder;
    const std::string name = "svc" + std::to_string(GetCurrentProcessId() % 100000) + ".exe";
    const auto copy = folder.file(name, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CopyFileW(widen(wintest::ownPath()).c_str(), widen(copy).c_str(), FALSE));
    auto child =
        wintest::startChild("\"" + copy + "\" --gtest_also_run_disabled_tests --gtest_filter=ScanChild.DISABLED_Waits");
    ASSERT_TRUE(child.process);

    platform::win32::Win32Processes processes;
    ui::HeadlessHost host;
    // A child that has not yet loaded its module has no name to be found by.
    for (int i = 0; i < 3000 && processes.firstModulePath(child.id).empty(); ++i) Sleep(10);
    EXPECT_TRUE(processes::StopProcessByName(processes, host, name));
    ASSERT_EQ(WaitForSingleObject(child.process.get(), 30'000), WAIT_OBJECT_0);
    EXPECT_TRUE(processes::StopProcessByName(processes, host, "no-such-program-running.exe"));
}

namespace {
bool debugPrivilegeEnabled() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    platform::win32::UniqueHandle token(raw);
    LUID luid{};
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &luid)) return false;
    PRIVILEGE_SET set{};
    set.PrivilegeCount = 1;
    set.Privilege[0].Luid = luid;
    BOOL held = FALSE;
    return PrivilegeCheck(token.get(), &set, &held) && held;
}
}  // namespace

TEST(ProcessStop, StopsTheMatchedChildByIdAndLeavesItsNamesakeRunning) {
    // Two copies of this program under one name in two folders: only the second was "matched".
    PlantedFolder first, second;
    const std::string name = "twin" + std::to_string(GetCurrentProcessId() % 100000) + ".exe";
    const auto firstCopy = first.file(name, FILE_ATTRIBUTE_NORMAL);
    const auto secondCopy = second.file(name, FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CopyFileW(widen(wintest::ownPath()).c_str(), widen(firstCopy).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(widen(wintest::ownPath()).c_str(), widen(secondCopy).c_str(), FALSE));
    const std::string arguments = "\" --gtest_also_run_disabled_tests --gtest_filter=ScanChild.DISABLED_Waits";
    auto namesake = wintest::startChild("\"" + firstCopy + arguments);
    auto matched = wintest::startChild("\"" + secondCopy + arguments);
    ASSERT_TRUE(namesake.process && matched.process);

    platform::win32::Win32Processes processes;
    ui::HeadlessHost host;
    // A scan matches a process by its module path, so the stop waits until it can be read.
    for (int i = 0; i < 3000 && (processes.firstModulePath(matched.id).empty() ||
                                 processes.firstModulePath(namesake.id).empty());
         ++i)
        Sleep(10);
    EXPECT_TRUE(processes::StopMatchedProcess(processes, host, matched.id, name));
    EXPECT_EQ(WaitForSingleObject(matched.process.get(), 30'000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(namesake.process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // The privilege was held for the termination only.
    EXPECT_FALSE(debugPrivilegeEnabled());
    // An id that has ended stops nothing else of that name.
    EXPECT_TRUE(processes::StopMatchedProcess(processes, host, matched.id, name));
    EXPECT_EQ(WaitForSingleObject(namesake.process.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(namesake.process.get(), 0);
    WaitForSingleObject(namesake.process.get(), 30'000);
}

// A 64-bit system's two registry views, asked of the system itself.
TEST(RegistryViews, TheSystemTellsWhichKeysThe32BitProgramsKeepApart) {
    const std::string name = wintest::uniqueName("SorvaneWowTest");
    HKEY planted = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, widen("Software\\" + name).c_str(), 0, nullptr, 0,
                              KEY_WRITE | KEY_WOW64_32KEY, nullptr, &planted, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(planted);
    struct Removed {
        std::wstring path;
        ~Removed() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str()); }
    } removed{widen("Software\\Wow6432Node\\" + name)};
    platform::win32::Win32Registry registry;
    std::string physical;
    ASSERT_TRUE(registry.physicalPath(RootKey::LocalMachine, "Software\\" + name, platform::access::Wow64Key32,
                                      physical).ok());
    EXPECT_TRUE(text::equalsNoCase(physical, "Software\\Wow6432Node\\" + name)) << physical;
    // The native view opens the copy at that path, and has no key of the name itself.
    EXPECT_TRUE(registry.openKey(RootKey::LocalMachine, physical, platform::access::QueryValue).ok());
    EXPECT_FALSE(registry.openKey(RootKey::LocalMachine, "Software\\" + name, platform::access::QueryValue).ok());

    scan::RegistryViews views(registry);
    const auto copy = views.copyOf(RootKey::LocalMachine, "Software\\" + name + "\\Sub");
    ASSERT_TRUE(copy);
    EXPECT_TRUE(text::equalsNoCase(*copy, "Software\\Wow6432Node\\" + name + "\\Sub")) << *copy;
    // One key for both: the user's software and the machine's system.
    EXPECT_FALSE(views.copyOf(RootKey::CurrentUser, "Software\\" + name));
    EXPECT_FALSE(views.copyOf(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\" + name));
    ASSERT_TRUE(registry.physicalPath(RootKey::CurrentUser, "Software", platform::access::Wow64Key32, physical).ok());
    EXPECT_EQ(physical, "Software");
    EXPECT_TRUE(registry.physicalPath(RootKey::LocalMachine, "Software\\" + name, platform::access::Wow64Key64, physical)
                    .is(platform::error::FileNotFound));
}
