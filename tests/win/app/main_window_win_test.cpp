// The GUI program's main window on real windows and the real registry, as its entry point
// assembles it. Wine runs it in a throwaway prefix with a virtual display; only the
// program's own keys are touched, and they are removed again.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "app/frm_main.h"
#include "app/gui_features.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_host.h"

namespace sorvane::app {
namespace {

using platform::RootKey;

constexpr const char* UserKey = "Software\\VB and VBA Program Settings\\Sorvane";
constexpr const char* MachineKey = "SOFTWARE\\Talvenor\\Sorvane";

// One run of the program, on services of its own so that its single-instance lock goes
// with it.
struct ProgramRun {
    ProgramRun(platform::VersionResources& versions, ui::Win32Host& host)
        : system(versions), app(system.platform(), host), features(app), main(app) {
        app.InitBranding();
    }
    platform::win32::Win32Platform system;
    Application app;
    GuiFeatures features;
    FrmMain main;
};

class MainWindowWinTest : public testing::Test {
protected:
    void SetUp() override {
        HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        if (probe == nullptr) GTEST_SKIP() << "no display to open windows on";
        DestroyWindow(probe);
        clean();
        // As after a first start: no question stands in front of the window.
        put(RootKey::CurrentUser, std::string(UserKey) + "\\Settings", "Language", "English");
        put(RootKey::CurrentUser, std::string(UserKey) + "\\Settings", "showHelp", "0");
        put(RootKey::CurrentUser, std::string(UserKey) + "\\Settings", "ranOneTime", "1");
        put(RootKey::LocalMachine, std::string(MachineKey) + "\\Settings", "FirstTime", "Yes");
    }
    void TearDown() override { clean(); }
    void clean() {
        (void)registry().deleteKeyTree(RootKey::CurrentUser, UserKey);
        (void)registry().deleteKeyTree(RootKey::LocalMachine, MachineKey);
    }
    platform::Registry& registry() { return system.platform().registry; }
    void put(RootKey root, const std::string& key, const char* name, const char* value) {
        ASSERT_TRUE(registry().setString(root, key, name, value).ok());
    }
    std::string user(const char* section, const char* key) {
        platform::RegistryValue value;
        if (!registry().queryValue(RootKey::CurrentUser, std::string(UserKey) + "\\" + section, key,
                                   platform::access::Read, value).ok())
            return "<missing>";
        return value.text;
    }
    std::unique_ptr<ProgramRun> start() {
        auto run = std::make_unique<ProgramRun>(versions, host);
        run->main.show();
        return run;
    }
    HWND of(const ui::Control& control) { return static_cast<HWND>(host.windowOf(control)); }
    static int icons(HWND list) {
        HIMAGELIST shared = ListView_GetImageList(list, LVSIL_SMALL);
        return shared == nullptr ? -1 : ImageList_GetImageCount(shared);
    }

    platform::win32::Win32VersionResources versions;
    platform::win32::Win32Platform system{versions};
    ui::Win32Host host;
};

TEST_F(MainWindowWinTest, IconsWidthsAndALogoffSurviveAsTheUserLeftThem) {
    auto run = start();
    FrmMain& main = run->main;
    ASSERT_TRUE(main.visible());
    // Shown in normal state: the resize rule ran.
    EXPECT_TRUE(main.tmrScroll.on());
    EXPECT_FALSE(main.tmrMemoryInspected.on());
    EXPECT_EQ(user("Settings", "Minimized"), "No");

    HWND list = of(main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(icons(list), 5);
    // "Delete Failed" shown and closed with its close box leaves the kind icons alone.
    auto& problems = run->features.removal.deleteWindow();
    problems.addProblem("C:\\stuck.exe");
    problems.show();
    SendMessageW(static_cast<HWND>(host.windowOf(problems)), WM_CLOSE, 0, 0);
    host.yield();
    EXPECT_EQ(icons(list), 5);
    EXPECT_EQ(icons(of(main.lvwSpywareFound)), 5);

    // The user widens the second column; a logoff stores it with the closing steps.
    const int wide = ListView_GetColumnWidth(list, 1) + 80;
    ListView_SetColumnWidth(list, 1, wide);
    host.yield();
    HWND window = static_cast<HWND>(host.windowOf(main));
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(main.loaded());
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "STOPPED");
    EXPECT_EQ(user("Settings", "FoundCol22"), std::to_string(MulDiv(wide, 1440, host.dpi())));
    EXPECT_EQ(user("Settings", "Max"), "0");
    run.reset();

    // The next start shows the column as the user left it.
    auto again = start();
    EXPECT_EQ(ListView_GetColumnWidth(of(again->main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved), 1), wide);
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "RUNNING");
    again->main.unload();
}

}  // namespace
}  // namespace sorvane::app
