// The shields and the scheduler against the real registry, processes and clock under Wine,
// on the headless host. Every value the tests change is put back; the program folder is a
// scratch folder of its own in the temp folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "app/frm_main.h"
#include "app/gui_features.h"
#include "definitions/definition_files.h"
#include "localization/messages.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "protection/home_page.h"
#include "tests/win/platform/win_test_support.h"
#include "ui/headless/headless_host.h"

using namespace sorvane;
using platform::RootKey;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

const std::string SettingsKey = "Software\\VB and VBA Program Settings\\Sorvane\\OptionAndSettings";

// Puts a registry string back as it was (or removes it) when the test ends.
class SavedValue {
public:
    SavedValue(platform::Registry& registry, std::string key, std::string name)
        : registry_(registry), key_(std::move(key)), name_(std::move(name)) {
        platform::RegistryValue value;
        if (registry_.queryValue(RootKey::CurrentUser, key_, name_, platform::access::Read, value).ok())
            original_ = value.text;
    }
    ~SavedValue() {
        if (original_) (void)registry_.setString(RootKey::CurrentUser, key_, name_, *original_);
        else (void)registry_.deleteValue(RootKey::CurrentUser, key_, name_);
    }
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;
    void set(std::string_view text) { ASSERT_TRUE(registry_.setString(RootKey::CurrentUser, key_, name_, text).ok()); }
    std::optional<std::string> read() {
        platform::RegistryValue value;
        if (!registry_.queryValue(RootKey::CurrentUser, key_, name_, platform::access::Read, value).ok())
            return std::nullopt;
        return value.text;
    }

private:
    platform::Registry& registry_;
    std::string key_;
    std::string name_;
    std::optional<std::string> original_;
};

// The program's folder: a scratch folder holding the definition files, removed at the end.
class ScratchFolder final : public platform::Environment {
public:
    ScratchFolder(platform::Environment& real) : real_(real) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = narrow(temp) + wintest::uniqueName("sorvane_protect_");
        CreateDirectoryW(widen(path_).c_str(), nullptr);
    }
    // The folder holds files only: the definitions, the exclusions and the copied program.
    ~ScratchFolder() override {
        const std::wstring folder = widen(path_);
        WIN32_FIND_DATAW found{};
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                    DeleteFileW((folder + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
    std::string applicationFolder() override { return path_; }
    std::string executableBaseName() override { return "Sorvane"; }
    std::string variable(std::string_view name) override { return real_.variable(name); }
    std::vector<std::string> arguments() override { return {}; }
    const std::string& path() const { return path_; }

private:
    platform::Environment& real_;
    std::string path_;
};

class ProtectionWinTest : public ::testing::Test {
protected:
    ProtectionWinTest()
        : system(versions),
          folder(system.platform().environment),
          services{system.platform().registry, system.platform().files,     system.platform().shell,
                   system.platform().processes, system.platform().versions, system.platform().locale,
                   system.platform().instance, system.platform().http,      system.platform().restorePoints,
                   system.platform().clipboard, folder, system.platform().signatures,
                   system.platform().logonTasks},
          app(services, host),
          features(app),
          main(app) {
        app.branding.ProgramName = "Sorvane";
        localization::LoadDefaultMessages(app.messages);
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat", "ExeDefinition.dat"})
            write(name, "");
    }

    void write(std::string_view name, const std::string& content) {
        ASSERT_TRUE(services.files.writeFile(folder.path() + "\\" + std::string(name), content).ok());
    }
    void listProcess(std::string_view fileName) {
        write("ExeDefinition.dat",
              definitions::StoredDefinitionLine(services.locale, std::string(fileName) + "=Sleeper|" + folder.path()) +
                  "\r\n");
    }

    platform::win32::Win32VersionResources versions;
    platform::win32::Win32Platform system;
    ScratchFolder folder;
    platform::Platform services;
    ui::HeadlessHost host;
    app::Application app;
    app::GuiFeatures features;
    app::FrmMain main;
    SavedValue shieldOn{services.registry, SettingsKey, "optMemorySheildOn"};
};

TEST_F(ProtectionWinTest, AListedProcessStartedWhileTheShieldRunsIsAskedAboutAndStopEndsIt) {
    shieldOn.set("True");
    const std::string sleeper = folder.path() + "\\protection_sleeper.exe";
    const std::string built = wintest::ownPath().substr(0, wintest::ownPath().rfind('\\')) + "\\protection_sleeper.exe";
    ASSERT_TRUE(CopyFileW(widen(built).c_str(), widen(sleeper).c_str(), FALSE));
    listProcess("protection_sleeper.exe");

    wintest::Child child = wintest::startChild("\"" + sleeper + "\"");
    ASSERT_TRUE(child.process);
    // The process shows up once its first module is mapped.
    for (int i = 0; i < 200 && services.processes.firstModulePath(child.id).empty(); ++i) Sleep(10);

    std::string shownName;
    std::string shownCompany;
    bool runningWhileAsked = false;
    int waited = 0;
    host.yieldHook = [&] {
        auto& alert = features.protection.memory.alertWindow();
        if (!alert.visible() || ++waited < 20) return;
        shownName = alert.lblAlertFileName.caption();
        shownCompany = alert.lblAlertCompanyName.caption();
        runningWhileAsked = WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT;
        alert.cmdYes.click();
    };
    features.protection.memory.tmrMemoryInspected_Timer(main);

    EXPECT_EQ(shownName, "PROTECTION_SLEEPER.EXE");
    EXPECT_EQ(shownCompany, "No Company name available for PROTECTION_SLEEPER.EXE");
    EXPECT_TRUE(runningWhileAsked);
    EXPECT_EQ(WaitForSingleObject(child.process.get(), 10000), WAIT_OBJECT_0);
    EXPECT_TRUE(host.messages().empty());
    if (WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(child.process.get(), 1);
}

class HomePageWinTest : public ProtectionWinTest {
protected:
    HomePageWinTest() {
        shieldOn.set("False");
        homePageOn.set("True");
        remembered.set(Original);
        startPage.set(Original);
    }
    void check() { features.protection.homePage.tmrCheckHomePage_Timer(main); }

    static constexpr std::string_view Original = "http://home.example/";
    static constexpr std::string_view Hijacked = "http://hijack.example/";
    SavedValue startPage{services.registry, std::string(protection::StartPageKey), "Start Page"};
    SavedValue remembered{services.registry, SettingsKey, "Homepage"};
    SavedValue homePageOn{services.registry, SettingsKey, "optIEHomePageSheildOn"};
    SavedValue ask{services.registry, SettingsKey, "optAlwaysnotifybeforerestoring"};
    SavedValue silent{services.registry, SettingsKey, "optRestoredefaultwithoutnotification"};
};

TEST_F(HomePageWinTest, AskingPutsTheRememberedPageBackIntoTheRegistryOnYes) {
    ask.set("True");
    startPage.set(Hijacked);
    int asked = 0;
    host.scriptModal("frmHomePageChangedAlert", [&](ui::Form& form) {
        ++asked;
        ui::clickControl(form, "cmdYes");
    });
    check();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(startPage.read(), std::string(Original));
    // Asked again, No keeps the new page and leaves the registry alone.
    startPage.set(Hijacked);
    host.scriptModal("frmHomePageChangedAlert", [&](ui::Form& form) { ui::clickControl(form, "cmdNo"); });
    check();
    EXPECT_EQ(startPage.read(), std::string(Hijacked));
    EXPECT_EQ(remembered.read(), std::string(Hijacked));
}

TEST_F(HomePageWinTest, SilentRestoreWritesThePageBackWithoutAWindow) {
    ask.set("False");
    silent.set("True");
    startPage.set(Hijacked);
    check();
    EXPECT_EQ(startPage.read(), std::string(Original));
    EXPECT_TRUE(host.modalShows().empty());
}

TEST_F(HomePageWinTest, WithNeitherModeTheChangedPageStays) {
    ask.set("False");
    silent.set("False");
    startPage.set(Hijacked);
    check();
    EXPECT_EQ(startPage.read(), std::string(Hijacked));
    EXPECT_EQ(remembered.read(), std::string(Original));
    EXPECT_TRUE(host.modalShows().empty());
}

TEST_F(ProtectionWinTest, AScheduleAFewSecondsAheadStartsOneScan) {
    SavedValue scheduled{services.registry, SettingsKey, "chkAutomaticScanYesOrNo"};
    SavedValue day{services.registry, SettingsKey, "Day"};
    SavedValue time{services.registry, SettingsKey, "Time"};
    SavedValue lastRun{services.registry, SettingsKey, "LastScheduledScan"};
    SavedValue lastScan{services.registry, "Software\\VB and VBA Program Settings\\Sorvane\\Settings", "lblLastScan"};
    scheduled.set("1");
    day.set("7");
    const platform::DateTime moment = protection::AddSeconds(services.locale.now(), 3);
    time.set(services.locale.formatTime(moment));

    int scans = 0;
    auto scanNow = app.hooks.scanNow;
    app.hooks.scanNow = [&](app::FrmMain& window) {
        ++scans;
        scanNow(window);
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while (std::chrono::steady_clock::now() < deadline) {
        features.protection.scheduler.tmrScheduler_Timer(main);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(scans, 1);
    EXPECT_EQ(main.lblStatus.caption(), "Scanning complete.");
    EXPECT_TRUE(lastScan.read().has_value());
}

TEST_F(ProtectionWinTest, TheClockCheckArmsItsTimerForTheStartOfASecondOnTheSystemClock) {
    SavedValue lastRun{services.registry, SettingsKey, "LastScheduledScan"};
    for (int round = 0; round < 5; ++round) {
        features.protection.scheduler.tmrScheduler_Timer(main);
        std::uint32_t millisecond = 0;
        (void)services.locale.now(millisecond);
        const std::uint32_t interval = main.tmrScheduler.interval();
        EXPECT_GE(interval, protection::SecondLandingMs);
        // At most a minute's sleep, due just after a second begins (also when the second turned since the tick).
        EXPECT_LE(interval, protection::LongestCheckGapSeconds * 1000 + protection::SecondLandingMs);
        EXPECT_LE((millisecond + interval) % 1000, protection::SecondLandingMs + 50) << millisecond << " " << interval;
        Sleep(137);
    }
}

}  // namespace
