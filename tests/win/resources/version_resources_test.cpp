#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/win32/version_resources.h"
#include "platform/win32/wide.h"

using sorvane::platform::win32::Win32VersionResources;
using sorvane::platform::win32::narrow;
using sorvane::platform::win32::widen;

namespace {

std::string ownPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return narrow(path);
}

// A scratch folder of this test run; removed with everything the test put into it.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = narrow(temp) + "sorvane-version-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(widen(path_).c_str(), nullptr);
    }
    ~ScratchFolder() {
        for (const auto& file : planted_) DeleteFileW(widen(file).c_str());
        RemoveDirectoryW(widen(path_).c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string plant(const std::string& name, const std::string& content) {
        const std::string file = path_ + "\\" + name;
        std::ofstream(widen(file).c_str(), std::ios::binary) << content;
        planted_.push_back(file);
        return file;
    }
    std::string copyOf(const std::string& source, const std::string& name) {
        const std::string file = path_ + "\\" + name;
        if (CopyFileW(widen(source).c_str(), widen(file).c_str(), FALSE)) planted_.push_back(file);
        return file;
    }

private:
    std::string path_;
    std::vector<std::string> planted_;
};

}  // namespace

TEST(VersionResources, OwnExecutableCarriesTheBrandingOfTheBuild) {
    Win32VersionResources versions;
    const auto info = versions.ownExecutable();
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->productName, EXPECTED_PRODUCT);
    EXPECT_EQ(info->companyName, EXPECTED_COMPANY);
    EXPECT_EQ(info->comments, EXPECTED_WEBSITE);
    EXPECT_EQ(info->fileVersion, EXPECTED_VERSION);
    EXPECT_EQ(info->productVersion, EXPECTED_VERSION);
    EXPECT_EQ(info->fileDescription, "Sorvane \"version\" resource\\test");
    EXPECT_NE(info->legalCopyright.find(EXPECTED_COMPANY), std::string::npos);
    EXPECT_EQ(info->major, EXPECTED_MAJOR);
    EXPECT_EQ(info->minor, EXPECTED_MINOR);
    EXPECT_EQ(info->build, 0);
    EXPECT_EQ(info->revision, 0);
}

TEST(VersionResources, WebSiteIsADomainFollowedBySlash) {
    const auto info = Win32VersionResources::ofFile(ownPath());
    ASSERT_TRUE(info.has_value());
    ASSERT_FALSE(info->comments.empty());
    EXPECT_EQ(info->comments.back(), '/');
    EXPECT_EQ(info->comments.find("://"), std::string::npos);
    EXPECT_NE(info->comments.find('.'), std::string::npos);
}

TEST(VersionResources, AnotherFileIsReadByItsPathEvenWithWideCharacters) {
    ScratchFolder folder;
    const auto copy = folder.copyOf(ownPath(), "Kopie \xC3\xA4\xE2\x82\xAC.exe");
    const auto info = Win32VersionResources::ofFile(copy);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->productName, EXPECTED_PRODUCT);
    EXPECT_EQ(info->companyName, EXPECTED_COMPANY);
}

TEST(VersionResources, FilesWithoutAResourceGiveNothing) {
    ScratchFolder folder;
    EXPECT_FALSE(Win32VersionResources::ofFile(folder.plant("plain.txt", "not an executable")).has_value());
    EXPECT_FALSE(Win32VersionResources::ofFile(folder.plant("broken.exe", "MZ\x90\x00 truncated")).has_value());
    EXPECT_FALSE(Win32VersionResources::ofFile("C:\\no\\such\\folder\\missing.exe").has_value());
    EXPECT_FALSE(Win32VersionResources::ofFile("").has_value());
}

TEST(VersionResources, SystemLibrariesAreReadThroughTheirOwnTranslation) {
    // Wine's and Windows' kernel32 both carry a version resource naming a company.
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const auto info = Win32VersionResources::ofFile(narrow(system) + "\\kernel32.dll");
    ASSERT_TRUE(info.has_value());
    EXPECT_FALSE(info->fileVersion.empty());
    EXPECT_GT(info->major, 0);
}

TEST(VersionResources, TheManifestMakesTheProgramAwareOfEachMonitorsDpi) {
    // The executables' manifest is this test's: the system reads it before any code runs.
    using ThreadContextFn = HANDLE(WINAPI*)();
    using AwarenessFn = int(WINAPI*)(HANDLE);
    HMODULE user = LoadLibraryExW(L"user32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(user, nullptr);
    const auto threadContext = reinterpret_cast<ThreadContextFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetThreadDpiAwarenessContext")));
    const auto awarenessOf = reinterpret_cast<AwarenessFn>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetAwarenessFromDpiAwarenessContext")));
    if (threadContext == nullptr || awarenessOf == nullptr) GTEST_SKIP() << "a system before Windows 10 1607";
    constexpr int PerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE, versions 1 and 2 alike
    EXPECT_EQ(awarenessOf(threadContext()), PerMonitorAware);
}

TEST(WideText, RoundTripsUtf8ThroughUtf16) {
    const std::string text = "Ma\xC3\xAFs \xE2\x82\xAC \xF0\x9F\x98\x80 end";
    const std::wstring wide = widen(text);
    EXPECT_EQ(wide.size(), 13u);  // the emoji takes a surrogate pair
    EXPECT_EQ(narrow(wide), text);
    EXPECT_TRUE(widen("").empty());
    EXPECT_TRUE(narrow(L"").empty());
}
