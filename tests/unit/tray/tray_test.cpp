#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/unit/app/gui_program.h"
#include "tray/cls_tray.h"
#include "tray/frm_menu_popup.h"
#include "ui/headless/headless_host.h"

namespace sorvane::tray {
namespace {

TEST(TrayTipTest, ATipIsCutToSixtyFourCharactersAndChangesOnlyWhileAnIconShows) {
    EXPECT_EQ(TipText(std::string(70, 'a')), std::string(64, 'a'));
    EXPECT_EQ(TipText(std::string(64, 'a')), std::string(64, 'a'));
    std::string accented;
    for (int i = 0; i < 65; ++i) accented += "\xc3\xa9";
    EXPECT_EQ(TipText(accented), accented.substr(0, 128));

    ui::HeadlessHost host;
    ui::Form form(host, "frmTip");
    form.load();
    clsTray tray(host);
    tray.ChangeToolTip(form, "ignored");
    EXPECT_EQ(host.tray(form), nullptr);
    form.setCaption(std::string(80, 'c'));
    tray.ShowIcon(form);
    ASSERT_NE(host.tray(form), nullptr);
    EXPECT_EQ(host.tray(form)->toolTip, std::string(64, 'c'));
    EXPECT_TRUE(tray.bRunningInTray());
    tray.ChangeToolTip(form, "Sorvane");
    EXPECT_EQ(host.tray(form)->toolTip, "Sorvane");
    tray.RemoveIcon(form);
    EXPECT_EQ(host.tray(form), nullptr);
    EXPECT_FALSE(tray.bRunningInTray());
    tray.ChangeToolTip(form, "again");
    EXPECT_EQ(host.tray(form), nullptr);
}

class TrayTest : public app::testing::GuiProgramTest {
protected:
    ui::HeadlessHost laterHost;
    frmMenuPopUp& popup() { return features->tray.popup(); }
    // Runs the popup's timers until it rests at the top of its slide.
    void slideUp() {
        for (int i = 0; i < 200 && popup().slideUpTimer.on(); ++i) host.advance(1);
        ASSERT_FALSE(popup().slideUpTimer.on());
    }
};

TEST_F(TrayTest, SendToTrayHidesTheWindowBehindAnIconAndADoubleClickBringsItBack) {
    auto& window = start();
    ASSERT_TRUE(window.visible());
    window.sendToTrayButton.click();
    EXPECT_FALSE(window.visible());
    ASSERT_NE(host.tray(window), nullptr);
    EXPECT_EQ(host.tray(window)->toolTip, app->branding.ProgramName + " - protection is on");
    EXPECT_TRUE(features->tray.tray().bRunningInTray());
    EXPECT_EQ(stored("Settings", "Minimized"), "Yes");

    host.trayMouse(window, 513);
    EXPECT_TRUE(popup().visible());
    EXPECT_TRUE(popup().showProgramItem.enabled());
    host.trayMouse(window, 518);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(window.windowState(), ui::WindowState::Normal);
    EXPECT_FALSE(popup().visible());
    EXPECT_FALSE(popup().loaded());  // gone, its slides with it
    EXPECT_EQ(stored("Settings", "Minimized"), "No");
    // Other mouse messages do nothing.
    host.trayMouse(window, 512);
    EXPECT_FALSE(popup().visible());
}

TEST_F(TrayTest, ThePopupRisesFromTheTaskbarRestsWhileTheMouseMovesAndSlidesDownAfterSixIdleSeconds) {
    host.screen = {1024, 768, 30};
    auto& window = start();
    window.sendToTrayButton.click();
    host.trayMouse(window, 516);
    auto& menu = popup();
    EXPECT_EQ(menu.caption(), app->branding.ProgramName);
    EXPECT_EQ(menu.productLabel.caption(), app->branding.ProgramName);
    EXPECT_EQ(menu.top(), 11136 - 435);  // desktop and taskbar heights times 14.5
    EXPECT_EQ(menu.left(), 12113);       // (1024 - 200) pixels times 14.7: against the right edge
    EXPECT_EQ(menu.finalTop(), 11136 - 2500);
    slideUp();
    EXPECT_LE(menu.top(), menu.finalTop());
    EXPECT_GT(menu.top(), menu.finalTop() - 80);

    // The mouse over the popup every few seconds keeps it up.
    for (int i = 0; i < 5; ++i) {
        host.advance(4000);
        host.trayMouse(menu, 0);  // a mouse move over the background
    }
    EXPECT_TRUE(menu.slideDownDelayTimer.on());
    EXPECT_TRUE(menu.visible());
    host.advance(5000);
    EXPECT_TRUE(menu.slideDownDelayTimer.on());
    host.advance(1000);
    EXPECT_FALSE(menu.slideDownDelayTimer.on());
    EXPECT_TRUE(menu.slideDownTimer.on());
    host.advance(1000);
    EXPECT_FALSE(menu.loaded());
}

TEST_F(TrayTest, ShowProgramIsOffWhileTheWindowShowsAndExitProgramIsOffDuringAScan) {
    auto& window = start();
    host.trayMouse(window, 513);
    EXPECT_FALSE(popup().showProgramItem.enabled());
    EXPECT_TRUE(popup().exitProgramItem.enabled());
    popup().unload();

    // A scan disables both navigation buttons.
    window.cmdResults.setEnabled(false);
    window.cmdSettings.setEnabled(false);
    window.sendToTrayButton.click();
    host.trayMouse(window, 513);
    EXPECT_TRUE(popup().showProgramItem.enabled());
    EXPECT_FALSE(popup().exitProgramItem.enabled());
    popup().unload();
    window.cmdSettings.setEnabled(true);
    host.trayMouse(window, 513);
    EXPECT_TRUE(popup().exitProgramItem.enabled());
}

TEST_F(TrayTest, ShowProgramRestoresTheWindowAndTheMenuSlidesAway) {
    auto& window = start();
    window.sendToTrayButton.click();
    host.trayMouse(window, 513);
    slideUp();
    ui::clickControl(popup(), "mnuMaxmimaize");
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(stored("Settings", "Minimized"), "No");
    EXPECT_EQ(window.windowState(), ui::WindowState::Normal);
    EXPECT_TRUE(popup().slideDownTimer.on());
    host.advance(500);
    EXPECT_FALSE(popup().loaded());
    // "Close This Menu" shows itself bold under the mouse.
    host.trayMouse(window, 513);
    popup().closeMenuItem.mouseMove({});
    EXPECT_TRUE(popup().closeMenuItem.bold());
}

TEST_F(TrayTest, ExitProgramStoresTheStatusRemovesTheIconAndEndsWithoutAsking) {
    auto& window = start();
    window.sendToTrayButton.click();
    host.trayMouse(window, 513);
    ui::clickControl(popup(), "mnuClose");
    EXPECT_EQ(stored("OptionAndSettings", "RESTART"), "False");
    EXPECT_EQ(stored("OptionAndSettings", "STATUS"), "STOPPED");
    EXPECT_EQ(host.tray(window), nullptr);
    EXPECT_FALSE(window.loaded());
    EXPECT_FALSE(popup().loaded());
    EXPECT_TRUE(app->ended());
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(TrayTest, AStartWithMinimizedYesGoesStraightToTheTray) {
    put("Settings", "Minimized", "Yes");
    auto& window = start();
    EXPECT_FALSE(window.visible());
    ASSERT_NE(host.tray(window), nullptr);
    host.trayMouse(window, 513);
    EXPECT_TRUE(popup().showProgramItem.enabled());
    host.trayMouse(window, 515);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(stored("Settings", "Minimized"), "No");
}

TEST_F(TrayTest, ADoubleClickWhileThePopupSlidesLeavesItGoneForGood) {
    auto& window = start();
    window.sendToTrayButton.click();
    for (int code : {515, 518}) {
        SCOPED_TRACE(code);
        host.trayMouse(window, 513);
        host.advance(5);
        ASSERT_TRUE(popup().slideUpTimer.on());
        host.trayMouse(window, code);
        ASSERT_TRUE(window.visible());
        host.advance(10000);
        EXPECT_FALSE(popup().visible());
        EXPECT_FALSE(popup().loaded());
        window.sendToTrayButton.click();
    }
    // At rest, and sliding down, the same.
    host.trayMouse(window, 513);
    slideUp();
    for (int i = 0; i < 800 && !popup().slideDownTimer.on(); ++i) host.advance(10);
    ASSERT_TRUE(popup().slideDownTimer.on());
    host.trayMouse(window, 515);
    host.advance(2000);
    EXPECT_FALSE(popup().loaded());
}

TEST_F(TrayTest, ThePopupStaysOnTheScreenAtTheScreensRealDpi) {
    for (int dpi : {96, 120, 144}) {
        SCOPED_TRACE(dpi);
        host.screen = {1024, 768, 30, dpi};
        auto& window = start();
        window.sendToTrayButton.click();
        host.trayMouse(window, 513);
        slideUp();
        const int screenWidth = 1024 * 1440 / dpi;
        const int screenHeight = 768 * 1440 / dpi;
        EXPECT_LE(popup().left() + popup().width(), screenWidth);
        EXPECT_GT(popup().left() + popup().width(), screenWidth - 600);
        EXPECT_LE(popup().top() + popup().height(), screenHeight - 30 * 1440 / dpi);
        EXPECT_GE(popup().top(), 0);
        popup().dismiss();
        window.unload();
    }
}

TEST_F(TrayTest, ARefusedIconIsAskedForAgainAndTheWindowStaysInTheTray) {
    put("Settings", "Minimized", "Yes");
    host.failingTrayAdds = 3;
    auto& window = start();
    EXPECT_FALSE(window.visible());
    EXPECT_EQ(host.tray(window), nullptr);
    EXPECT_TRUE(features->tray.tray().bRunningInTray());
    host.advance(3 * IconRetryMs + 100);
    ASSERT_NE(host.tray(window), nullptr);
    EXPECT_EQ(host.tray(window)->toolTip, app->branding.ProgramName + " - protection is on");
    EXPECT_FALSE(window.visible());
    const auto attempts = host.trayAddAttempts();
    host.advance(10 * IconRetryMs);
    EXPECT_EQ(host.trayAddAttempts(), attempts);
}

TEST_F(TrayTest, AnIconTheShellNeverTakesShowsTheWindowInstead) {
    put("Settings", "Minimized", "Yes");
    host.failingTrayAdds = 1000;
    auto& window = start();
    EXPECT_FALSE(window.visible());
    host.advance((IconRetries - 1) * IconRetryMs);
    EXPECT_FALSE(window.visible());
    host.advance(IconRetryMs + 100);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(window.windowState(), ui::WindowState::Normal);
    EXPECT_FALSE(features->tray.tray().bRunningInTray());
    EXPECT_EQ(host.trayAddAttempts(), static_cast<std::size_t>(IconRetries) + 1);
    // The choice to start in the tray stays for the next start.
    EXPECT_EQ(stored("Settings", "Minimized"), "Yes");
    host.advance(10 * IconRetryMs);
    EXPECT_EQ(host.trayAddAttempts(), static_cast<std::size_t>(IconRetries) + 1);
}

TEST_F(TrayTest, TheTipSaysWhetherProtectionIsOn) {
    const std::pair<const char*, const char*> settings[] = {{"True", "True"}, {"False", "True"}, {"False", "False"}};
    const char* tips[] = {" - protection is on", " - protection is partly on", " - protection is off"};
    for (std::size_t i = 0; i < std::size(settings); ++i) {
        SCOPED_TRACE(i);
        put("OptionAndSettings", "optMemorySheildOn", settings[i].first);
        put("OptionAndSettings", "optIEHomePageSheildOn", settings[i].second);
        auto& window = start();
        window.sendToTrayButton.click();
        ASSERT_NE(host.tray(window), nullptr);
        EXPECT_EQ(host.tray(window)->toolTip, app->branding.ProgramName + tips[i]);
        window.unload();
    }
}

TEST_F(TrayTest, BalloonsShowOnlyFromAnIconThatShows) {
    auto& window = start();
    auto& tray = features->tray.tray();
    EXPECT_FALSE(tray.ShowBalloon(window, "Sorvane", "hidden"));
    window.sendToTrayButton.click();
    EXPECT_TRUE(tray.ShowBalloon(window, "Sorvane", "notice"));
    ASSERT_EQ(host.tray(window)->balloons.size(), 1u);
    EXPECT_EQ(host.tray(window)->balloons[0].second, "notice");
    tray.RemoveIcon(window);
    EXPECT_FALSE(tray.ShowBalloon(window, "Sorvane", "removed"));
}

TEST_F(TrayTest, ALaterStartAsksTheRunningCopyWhichComesForwardFromTheTray) {
    auto& window = start();
    window.sendToTrayButton.click();
    ASSERT_FALSE(window.visible());
    ASSERT_TRUE(host.laterStartAsked);
    EXPECT_EQ(host.runningCopyAsked, 0);

    // The later start ends at once, asking the first to show itself.
    fake.instance.othersRunning.insert(std::string(app::InstanceLockName));
    auto laterApp = std::make_unique<app::Application>(fake.platform(), laterHost);
    auto laterFeatures = std::make_unique<app::GuiFeatures>(*laterApp);
    app::FrmMain later(*laterApp);
    app::FrmSplash laterSplash(*laterApp, later);
    laterSplash.show();
    laterHost.advance(2 * app::FrmSplash::Ticks);
    EXPECT_TRUE(laterApp->ended());
    EXPECT_EQ(laterHost.runningCopyAsked, 1);

    // What the broadcast runs in the first copy.
    EXPECT_EQ(host.laterStartAsked(), &window);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(window.windowState(), ui::WindowState::Normal);
    EXPECT_EQ(host.laterStartAsked(), &window);
    window.unload();
    EXPECT_FALSE(host.laterStartAsked);
}

}  // namespace
}  // namespace sorvane::tray
