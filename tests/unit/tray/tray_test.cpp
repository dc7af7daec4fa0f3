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
    frmMenuPopUp& popup() { return features->tray.popup(); }
    // Runs the popup's timers until it rests at the top of its slide.
    void slideUp() {
        for (int i = 0; i < 200 && popup().tmrMenuPopup.on(); ++i) host.advance(1);
        ASSERT_FALSE(popup().tmrMenuPopup.on());
    }
};

TEST_F(TrayTest, SendToTrayHidesTheWindowBehindAnIconAndADoubleClickBringsItBack) {
    auto& window = start();
    ASSERT_TRUE(window.visible());
    window.Command5.click();
    EXPECT_FALSE(window.visible());
    ASSERT_NE(host.tray(window), nullptr);
    EXPECT_EQ(host.tray(window)->toolTip, app->branding.ProgramName);
    EXPECT_TRUE(features->tray.tray().bRunningInTray());
    EXPECT_EQ(stored("Settings", "Minimized"), "Yes");

    host.trayMouse(window, 513);
    EXPECT_TRUE(popup().visible());
    EXPECT_TRUE(popup().mnuMaxmimaize.enabled());
    host.trayMouse(window, 518);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(window.windowState(), ui::WindowState::Normal);
    EXPECT_FALSE(popup().visible());
    EXPECT_TRUE(popup().loaded());  // only hidden, its timers as they were
    EXPECT_EQ(stored("Settings", "Minimized"), "No");
    // Other mouse messages do nothing.
    host.trayMouse(window, 512);
    EXPECT_FALSE(popup().visible());
}

TEST_F(TrayTest, ThePopupRisesFromTheTaskbarRestsWhileTheMouseMovesAndSlidesDownAfterSixIdleSeconds) {
    host.screen = {1024, 768, 30};
    auto& window = start();
    window.Command5.click();
    host.trayMouse(window, 516);
    auto& menu = popup();
    EXPECT_EQ(menu.caption(), app->branding.ProgramName);
    EXPECT_EQ(menu.lblName.caption(), app->branding.ProgramName);
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
    EXPECT_TRUE(menu.TmrEnablePopDown.on());
    EXPECT_TRUE(menu.visible());
    host.advance(5000);
    EXPECT_TRUE(menu.TmrEnablePopDown.on());
    host.advance(1000);
    EXPECT_FALSE(menu.TmrEnablePopDown.on());
    EXPECT_TRUE(menu.tmrPopDown.on());
    host.advance(1000);
    EXPECT_FALSE(menu.loaded());
}

TEST_F(TrayTest, ShowProgramIsOffWhileTheWindowShowsAndExitProgramIsOffDuringAScan) {
    auto& window = start();
    host.trayMouse(window, 513);
    EXPECT_FALSE(popup().mnuMaxmimaize.enabled());
    EXPECT_TRUE(popup().mnuClose.enabled());
    popup().unload();

    // A scan disables both navigation buttons.
    window.cmdResults.setEnabled(false);
    window.cmdSettings.setEnabled(false);
    window.Command5.click();
    host.trayMouse(window, 513);
    EXPECT_TRUE(popup().mnuMaxmimaize.enabled());
    EXPECT_FALSE(popup().mnuClose.enabled());
    popup().unload();
    window.cmdSettings.setEnabled(true);
    host.trayMouse(window, 513);
    EXPECT_TRUE(popup().mnuClose.enabled());
}

TEST_F(TrayTest, ShowProgramRestoresTheWindowAndTheMenuSlidesAway) {
    auto& window = start();
    window.Command5.click();
    host.trayMouse(window, 513);
    slideUp();
    ui::clickControl(popup(), "mnuMaxmimaize");
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(stored("Settings", "Minimized"), "No");
    EXPECT_EQ(window.windowState(), ui::WindowState::Normal);
    EXPECT_TRUE(popup().tmrPopDown.on());
    host.advance(500);
    EXPECT_FALSE(popup().loaded());
    // "Close This Menu" shows itself bold under the mouse.
    host.trayMouse(window, 513);
    popup().lblMenuClose.mouseMove({});
    EXPECT_TRUE(popup().lblMenuClose.bold());
}

TEST_F(TrayTest, ExitProgramStoresTheStatusRemovesTheIconAndEndsWithoutAsking) {
    auto& window = start();
    window.Command5.click();
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
    EXPECT_TRUE(popup().mnuMaxmimaize.enabled());
    host.trayMouse(window, 515);
    EXPECT_TRUE(window.visible());
    EXPECT_EQ(stored("Settings", "Minimized"), "No");
}

}  // namespace
}  // namespace sorvane::tray
