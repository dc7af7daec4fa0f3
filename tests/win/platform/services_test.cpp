#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "tests/win/platform/win_test_support.h"

using namespace sorvane;
using platform::DateTime;
using platform::win32::narrow;
namespace error = platform::error;

namespace {

// This executable again, running only the child test below.
std::string childCommand() {
    std::string command = "\"";
    command += wintest::ownPath();
    command += "\" --gtest_also_run_disabled_tests --gtest_filter=Child.DISABLED_StaysUntilEnded";
    return command;
}

}  // namespace

// Not a test of its own: the long-running child that the process tests end.
TEST(Child, DISABLED_StaysUntilEnded) { Sleep(60'000); }

TEST(Win32Shell, SpecialFoldersResolveWithoutTrailingBackslash) {
    platform::win32::Win32Shell shell;
    const std::string programs = shell.specialFolder(platform::csidl::Programs);
    wchar_t profile[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH), 0u);
    EXPECT_EQ(programs.rfind(narrow(profile), 0), 0u) << programs;
    EXPECT_NE(programs.find("Programs"), std::string::npos);
    EXPECT_NE(programs.back(), '\\');
    EXPECT_EQ(shell.specialFolder(platform::csidl::BitBucket), "");
    EXPECT_FALSE(shell.specialFolder(platform::csidl::System).empty());
    EXPECT_TRUE(shell.start("cmd.exe /c exit 0", platform::ShowWindow::Hidden).ok());
    EXPECT_FALSE(shell.start("C:\\no\\such\\program.exe", platform::ShowWindow::Hidden).ok());
}

TEST(Win32Processes, EnumerationListsThisProgramWithItsFullPath) {
    platform::win32::Win32Processes processes;
    const auto v = processes.version();
    RecordProperty("os_version", std::to_string(v.major) + "." + std::to_string(v.minor));
    EXPECT_TRUE(v.isNt());

    const auto self = processes.currentProcessId();
    std::vector<std::uint32_t> ids;
    ASSERT_TRUE(processes.listIds(ids).ok());
    EXPECT_NE(std::find(ids.begin(), ids.end(), self), ids.end());
    EXPECT_EQ(processes.firstModulePath(self), wintest::ownPath());
    EXPECT_EQ(processes.firstModulePath(0xFFFFFFF0u), "");

    std::vector<platform::ProcessEntry> snapshot;
    ASSERT_TRUE(processes.snapshot(snapshot).ok());
    auto it = std::find_if(snapshot.begin(), snapshot.end(), [&](const auto& p) { return p.id == self; });
    ASSERT_NE(it, snapshot.end());
    EXPECT_NE(wintest::ownPath().find(it->path), std::string::npos) << it->path;
    EXPECT_TRUE(processes.enableDebugPrivilege().ok());

    // The parent that started it, as Toolhelp names it.
    HANDLE toolhelp = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(toolhelp, INVALID_HANDLE_VALUE);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(toolhelp, &entry); more; more = Process32NextW(toolhelp, &entry))
        if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
    CloseHandle(toolhelp);
    EXPECT_EQ(it->parentId, parent);
    // A second snapshot, into the buffer the first one sized, lists this program again.
    ASSERT_TRUE(processes.snapshot(snapshot).ok());
    EXPECT_NE(std::find_if(snapshot.begin(), snapshot.end(), [&](const auto& p) { return p.id == self; }),
              snapshot.end());
}

TEST(Win32Processes, WmiNamesEveryRunningProgramThisOneIncluded) {
    platform::win32::Win32Processes processes;
    std::vector<std::string> names;
    ASSERT_TRUE(processes.processNames(names).ok());
    const std::string own = wintest::ownPath().substr(wintest::ownPath().rfind('\\') + 1);
    EXPECT_NE(std::find(names.begin(), names.end(), own), names.end()) << own;
    // Names only, never paths.
    for (const auto& name : names) EXPECT_EQ(name.find('\\'), std::string::npos) << name;
}

TEST(Win32Processes, RunAndWaitGivesTheExitCodeAndEndsAChildThatOverstays) {
    platform::win32::Win32Processes processes;
    std::uint32_t exitCode = 99;
    ASSERT_TRUE(processes.runAndWait("cmd.exe /c exit 7", 30'000, exitCode).ok());
    EXPECT_EQ(exitCode, 7u);
    EXPECT_FALSE(processes.runAndWait("C:\\no\\such\\program.exe", 1000, exitCode).ok());

    const auto started = GetTickCount64();
    EXPECT_TRUE(processes.runAndWait(childCommand(), 300, exitCode).is(error::Timeout));
    EXPECT_LT(GetTickCount64() - started, 30'000u);
}

TEST(Win32Processes, TerminateEndsAChildWithTheGivenCode) {
    const auto child = wintest::startChild(childCommand());
    ASSERT_TRUE(child.process);

    platform::win32::Win32Processes processes;
    ASSERT_TRUE(processes.terminate(child.id, 5).ok());
    ASSERT_EQ(WaitForSingleObject(child.process.get(), 30'000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.process.get(), &code));
    EXPECT_EQ(code, 5u);
    EXPECT_FALSE(processes.terminate(0xFFFFFFF0u, 5).ok());
}

TEST(Win32Locale, DatesNumbersAndAnsiAsTheSystemWritesThem) {
    platform::win32::Win32Locale locale;
    EXPECT_EQ(locale.formatDateTime({2006, 3, 16, 0, 0, 0}), "3/16/2006");
    EXPECT_EQ(locale.formatDateTime({2006, 3, 16, 14, 5, 9}), "3/16/2006 2:05:09 PM");
    EXPECT_EQ(locale.formatDate({2006, 3, 16, 14, 5, 9}), "3/16/2006");
    EXPECT_EQ(locale.formatTime({2006, 3, 16, 14, 5, 9}), "2:05:09 PM");
    for (DateTime d : {DateTime{2006, 3, 16, 0, 0, 0}, DateTime{2024, 12, 1, 13, 5, 9}, DateTime{2000, 2, 29, 0, 0, 1}}) {
        EXPECT_EQ(locale.parseDateTime(locale.formatDateTime(d)), d) << locale.formatDateTime(d);
    }
    EXPECT_FALSE(locale.parseDateTime("not a date").has_value());
    EXPECT_FALSE(locale.parseDateTime("").has_value());
    EXPECT_EQ(locale.formatWholeNumber(1234567), "1,234,567");
    EXPECT_EQ(locale.formatWholeNumber(-1000), "-1,000");
    EXPECT_EQ(locale.formatWholeNumber(0), "0");
    EXPECT_EQ(locale.toAnsi("café"), "caf\xE9");
    EXPECT_EQ(locale.fromAnsi("caf\xE9"), "café");
    const auto now = locale.now();
    EXPECT_GE(now.year, 2020);
    const auto t1 = locale.tickMs();
    EXPECT_GE(locale.tickMs(), t1);
}

TEST(Win32InstanceLock, SecondHolderSeesTheFirstUntilItGoes) {
    const std::string name = wintest::uniqueName("SorvaneTestLock");
    auto first = std::make_unique<platform::win32::Win32InstanceLock>();
    platform::win32::Win32InstanceLock second;
    EXPECT_FALSE(first->anotherInstanceRunning(name));
    EXPECT_TRUE(second.anotherInstanceRunning(name));
    first.reset();
    EXPECT_FALSE(second.anotherInstanceRunning(name));
}

TEST(Win32InstanceLock, ASharedLockIsWaitedForAndFreedWhenItsHolderEnds) {
    const std::string name = "Global\\" + wintest::uniqueName("SorvaneTestShared");
    platform::win32::Win32InstanceLock here;
    ASSERT_TRUE(here.acquire(name, 1000).ok());
    // Another holder (a thread stands in for another process: the mutex belongs to threads)
    // waits, and gives up after its time-out.
    platform::win32::Win32InstanceLock other;
    platform::Status waited;
    std::thread([&] { waited = other.acquire(name, 100); }).join();
    EXPECT_TRUE(waited.is(error::Timeout)) << waited.code();
    here.release(name);
    // Taken by a holder that ends without letting go, as a killed process does: the next one gets it.
    platform::Status taken;
    std::thread([&] { taken = other.acquire(name, 1000); }).join();
    EXPECT_TRUE(taken.ok()) << taken.code();
    platform::win32::Win32InstanceLock next;
    platform::Status after;
    std::thread([&] { after = next.acquire(name, 1000); }).join();
    EXPECT_TRUE(after.ok()) << after.code();
}

TEST(Win32RestorePoints, AvailabilityAnswersWithoutCrashing) {
    platform::win32::Win32RestorePoints restore;
    const bool supported = restore.supported();
    RecordProperty("restore_points_supported", supported ? "yes" : "no");
    EXPECT_EQ(restore.supported(), supported);
}

TEST(Win32RestorePoints, ThePolicyThatTurnsSystemRestoreOffWithdrawsTheOffer) {
    platform::win32::Win32RestorePoints restore;
    if (!restore.supported()) GTEST_SKIP() << "no System Restore here";
    const wchar_t* const path = L"Software\\Policies\\Microsoft\\Windows NT\\SystemRestore";
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, path, L"DisableSR", RRF_RT_ANY, nullptr, &value, &size) == ERROR_SUCCESS)
        GTEST_SKIP() << "the policy is set here already";
    HKEY probe = nullptr;
    const bool keyWasThere = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &probe) == ERROR_SUCCESS;
    if (probe != nullptr) RegCloseKey(probe);
    HKEY policy = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &policy, nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "no right to set the policy";
    const DWORD off = 1;
    RegSetValueExW(policy, L"DisableSR", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off), sizeof off);
    const bool whileOff = restore.supported();
    // Only what this test planted goes again.
    RegDeleteValueW(policy, L"DisableSR");
    RegCloseKey(policy);
    if (!keyWasThere) RegDeleteKeyW(HKEY_LOCAL_MACHINE, path);
    EXPECT_FALSE(whileOff);
    EXPECT_TRUE(restore.supported());
}

TEST(Win32Environment, ProgramFolderNameAndVariables) {
    platform::win32::Win32Environment env;
    const std::string own = wintest::ownPath();
    EXPECT_EQ(env.applicationFolder() + "\\" + env.executableBaseName() + ".exe", own);
    EXPECT_EQ(env.executableBaseName(), "win_platform");
    ASSERT_TRUE(SetEnvironmentVariableW(L"SORVANE_TEST_VALUE", L"caf\u00e9"));
    EXPECT_EQ(env.variable("sorvane_test_value"), "café");
    EXPECT_EQ(env.variable("SORVANE_TEST_ABSENT"), "");
    SetEnvironmentVariableW(L"SORVANE_TEST_VALUE", nullptr);
}

TEST(Win32Http, ChunkedGetFromALocalServer) {
    const char* portFile = std::getenv("SORVANE_TEST_HTTP_PORT_FILE");
    if (portFile == nullptr) GTEST_SKIP() << "no local test server (run through ctest)";
    std::string portPath = "Z:";
    portPath += portFile;
    std::ifstream in(portPath);
    int port = 0;
    ASSERT_TRUE(in >> port) << portFile;
    std::string base = "http://127.0.0.1:";
    base += std::to_string(port);
    base += "/";

    platform::win32::Win32Http http;
    std::string body;
    std::vector<std::size_t> sizes;
    std::uint64_t announced = 0;
    ASSERT_TRUE(http.get(base + "body.txt", [&](std::string_view chunk, std::uint64_t length) {
                        body.append(chunk);
                        sizes.push_back(chunk.size());
                        announced = length;
                        return true;
                    }).ok());
    ASSERT_EQ(body.size(), 1000u);
    EXPECT_EQ(body.substr(0, 10), "0123456789");
    EXPECT_EQ(announced, 1000u);
    EXPECT_GE(sizes.size(), 4u);
    for (auto s : sizes) EXPECT_LE(s, 256u);

    int calls = 0;
    EXPECT_TRUE(http.get(base + "body.txt", [&](std::string_view, std::uint64_t) { return ++calls < 1; })
                    .is(error::OperationAborted));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(http.get(base + "missing.txt", [](std::string_view, std::uint64_t) { return true; })
                    .is(error::HttpStatusBase + 404));
    EXPECT_FALSE(http.get("http://127.0.0.1:1/", [](std::string_view, std::uint64_t) { return true; }).ok());

    // A server that sets a cookie never sees it again, and every request names the product.
    auto fetch = [&http](const std::string& url) {
        std::string text;
        EXPECT_TRUE(http.get(url, [&](std::string_view chunk, std::uint64_t) {
                            text.append(chunk);
                            return true;
                        }).ok());
        return text;
    };
    EXPECT_EQ(fetch(base + "set-cookie"), "set");
    EXPECT_EQ(fetch(base + "headers"), "Cookie: \nUser-Agent: " SORVANE_TEST_USER_AGENT "\n");
    http.setUserAgent("Sorvane/3.00");
    EXPECT_EQ(fetch(base + "set-cookie"), "set");
    EXPECT_EQ(fetch(base + "headers"), "Cookie: \nUser-Agent: Sorvane/3.00\n");
}

// ASCII names skip the conversion call; every other text still goes through it, and both give UTF-8.
TEST(WideText, AsciiAndOtherTextComeOutAsUtf8) {
    using platform::win32::widen;
    EXPECT_EQ(narrow(L"plain name.exe"), "plain name.exe");
    EXPECT_EQ(narrow(std::wstring(1, L'\x7F') + L"a"), "\x7F" "a");
    EXPECT_EQ(narrow(L"caf\x00E9.exe"), "caf\xC3\xA9.exe");
    EXPECT_EQ(narrow(L"\x65E5\x672C.txt"), "\xE6\x97\xA5\xE6\x9C\xAC.txt");
    EXPECT_EQ(narrow(L""), "");
    EXPECT_EQ(widen(narrow(L"a\x00FC" L"b")), L"a\x00FC" L"b");
}
