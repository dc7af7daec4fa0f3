#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "definitions/encoding.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"
#include "update/update_feature.h"

namespace sorvane::update {
namespace {

using platform::RootKey;

const std::string Folder = "C:\\Program Files\\Sorvane";
const std::string UserRoot = "Software\\VB and VBA Program Settings\\Sorvane\\";
const std::string Server = "http://www.definitions.sorvane.example";
const std::string Query = "prog=Sorvane&comp=Talvenor";
// The local date every request carries: the shipped one, until an update moves it on.
const std::string Iso = "&iso=2006-03-16T00:00:00";

// The GUI program with only the update plugged in.
struct Program {
    Program(fakes::FakePlatform& fake, ui::HeadlessHost& host)
        : app(fake.platform(), host), update(app), main(app), splash(app, main) {
        update.install();
    }
    app::Application app;
    UpdateFeature update;
    app::FrmMain main;
    app::FrmSplash splash;
};

class FlowTest : public ::testing::Test {
protected:
    FlowTest() {
        putUser("Settings", "Language", "English");
        putUser("Settings", "showHelp", "0");
        fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\Talvenor\\Sorvane\\Settings", "FirstTime", "Yes");
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat", "Safety.dat"})
            fake.files.addFile(Folder + "\\" + name, "");
        fake.files.addFile(Folder + "\\BlockedCookies.dat", definitions::EncodeText("a.example\r\n"));
    }
    void putUser(const std::string& section, const std::string& key, const std::string& value) {
        fake.registry.putString(RootKey::CurrentUser, UserRoot + section, key, value);
    }
    std::string user(const std::string& section, const std::string& key) {
        platform::RegistryValue value;
        if (!fake.registry.queryValue(RootKey::CurrentUser, UserRoot + section, key, platform::access::QueryValue, value).ok())
            return "<unset>";
        return value.text;
    }
    Program& start() {
        host.screen = {1280, 1024, 40};
        program = std::make_unique<Program>(fake, host);
        program->splash.show();
        host.advance(2 * app::FrmSplash::Ticks);
        EXPECT_TRUE(program->main.visible());
        return *program;
    }
    void serveNewer(const std::string& text) {
        fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + Iso, "5/14/2024");
        fake.http.respond(Server + "/asp/date.asp?" + Query + Iso, "5/14/2024 12:00:00 AM");
        serveSigned(text, "2024-05-14T00:00:00");
    }
    // The update from the shipped date and the publisher's statement that it brings the
    // definitions to `to` (the shipped date itself: they are current).
    void serveSigned(const std::string& text, const std::string& to, const std::string& expires = "2024-06-15T00:00:00Z") {
        const std::string address = Server + "/asp/getDefsNEW.asp?" + Query + "&date=3/16/2006" + Iso;
        fake.http.respond(address, text);
        fake.http.respond(StatementAddress(address),
                          fakes::FakeSignatures::statement(BuildPublicKey(), {"/asp/getDefsNEW.asp", "2006-03-16T00:00:00", to, expires}, text));
    }
    void serveCurrent(const std::string& serverDate) {
        fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + Iso, serverDate);
        serveSigned("", "2006-03-16T00:00:00");
    }
    static std::string addCookie(const std::string& host) {
        return definitions::EncodeLine("COOK") + "|ADD[DEF]" + definitions::EncodeLine(host);
    }

    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    std::unique_ptr<Program> program;
};

TEST_F(FlowTest, CurrentDefinitionsShowTheRecentNoticeAndTouchNoSetting) {
    Program& p = start();
    serveCurrent("3/16/2006 12:00:00 AM");
    putUser("OptionAndSettings", "RESTART", "False");
    p.main.cmdUpdate.click();
    FrmSignatureUpdated& notice = p.update.notification();
    EXPECT_TRUE(notice.visible());
    EXPECT_EQ(notice.lblUpdateInfo.caption(), "You are using the most recent Sorvane definitions.");
    EXPECT_EQ(user("OptionAndSettings", "RESTART"), "False");
    EXPECT_FALSE(p.update.downloadWindow().loaded());
    EXPECT_TRUE(p.main.cmdLiveUpdate.enabled());
}

TEST_F(FlowTest, AnUpdateRecountsAndReportsWhileTheStatusWindowShowsProgress) {
    Program& p = start();
    serveNewer(addCookie("b.example") + "[BR]" + addCookie("c.example"));
    std::vector<std::string> seen;
    bool liveUpdateDisabled = false;
    host.yieldHook = [&] {
        FrmDownload& download = p.update.downloadWindow();
        if (download.loaded() && !download.txtStatus.text().empty()) seen.push_back(download.txtStatus.text());
        liveUpdateDisabled = liveUpdateDisabled || !p.main.cmdLiveUpdate.enabled();
    };
    const int before = p.app.DefinitionCount;
    p.main.cmdLiveUpdate.click();
    host.yieldHook = nullptr;

    EXPECT_TRUE(liveUpdateDisabled);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "Connecting to the definition server, please wait."), seen.end());
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(), "Your Sorvane definitions have been updated!");
    EXPECT_EQ(user("OptionAndSettings", "SHOW"), "True");
    EXPECT_EQ(user("OptionAndSettings", "RESTART"), "True");
    EXPECT_EQ(p.app.DefinitionCount, before + 2);
    EXPECT_EQ(p.main.lblDefVersion.caption(), "5/14/2024 PST");
    EXPECT_TRUE(p.main.cmdScan.enabled());
    EXPECT_TRUE(p.main.cmdLiveUpdate.enabled());
    EXPECT_FALSE(p.update.downloadWindow().loaded());
}

TEST_F(FlowTest, ARefusedUpdateSaysWhyAndChangesNothing) {
    if (BuildPublicKey().empty()) GTEST_SKIP() << "a build without a key checks nothing";
    Program& p = start();
    const std::string before = *fake.files.content(Folder + "\\BlockedCookies.dat");
    // Held back: the statement that the definitions are current has expired.
    serveCurrent("1/1/2000");
    serveSigned("", "2006-03-16T00:00:00", "2024-06-01T11:00:00Z");
    p.main.cmdUpdate.click();
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(),
              "Sorvane cannot confirm that your definitions are current: the server's signed statement has expired, "
              "and newer definitions may be held back from you. Your definitions were not changed.");
    EXPECT_EQ(p.update.lastOutcome().result, UpdateResult::Refused);
    // A classic server with no statement at all.
    serveNewer(addCookie("b.example"));
    fake.http.fail(Server + "/asp/getDefsNEW.sig?" + Query + "&date=3/16/2006" + Iso, platform::error::HttpStatusBase + 404);
    p.main.cmdUpdate.click();
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(),
              "The update was refused: the server sent no signed statement for it, so it cannot be trusted. Your "
              "definitions were not changed.");
    EXPECT_EQ(*fake.files.content(Folder + "\\BlockedCookies.dat"), before);
    EXPECT_FALSE(fake.files.exists(Folder + "\\date.dat"));
}

TEST_F(FlowTest, TheFileMenuRollsTheLastUpdateBackOnce) {
    Program& p = start();
    const std::string before = *fake.files.content(Folder + "\\BlockedCookies.dat");
    const int count = p.app.DefinitionCount;
    ASSERT_NE(p.main.mnuRollBack, nullptr);
    EXPECT_EQ(p.main.mnuRollBack->caption(), "Roll Back Definitions");
    serveNewer(addCookie("b.example"));
    p.main.cmdUpdate.click();
    ASSERT_EQ(p.update.lastOutcome().result, UpdateResult::Updated);
    ASSERT_EQ(p.app.DefinitionCount, count + 1);

    p.main.mnuRollBack->click();
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(),
              "Your Sorvane definitions have been rolled back to the ones before the last update.");
    EXPECT_EQ(*fake.files.content(Folder + "\\BlockedCookies.dat"), before);
    EXPECT_EQ(p.app.DefinitionCount, count);
    EXPECT_EQ(p.main.lblDefVersion.caption(), "3/16/2006 PST");
    EXPECT_TRUE(p.main.tmrMemoryInspected.on());
    p.main.mnuRollBack->click();
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(),
              "There are no earlier Sorvane definitions to roll back to.");
}

TEST_F(FlowTest, AFailedUpdateSaysSoInsteadOfCallingTheDefinitionsCurrent) {
    Program& p = start();
    p.main.cmdUpdate.click();  // no server answers
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(),
              "Definitions could not be downloaded. Please check your internet connection.");
    EXPECT_EQ(p.update.lastOutcome().result, UpdateResult::Unreachable);
}

TEST_F(FlowTest, AnEarlierUpdateThatCannotBeFinishedIsReportedAsAFailure) {
    // A replacement cut short, its last file held open by another program.
    fake.files.addFile(Folder + "\\BlockedCookies.dat.new", definitions::EncodeText("b.example\r\n"));
    fake.files.addFile(Folder + "\\update.pending", "BlockedCookies.dat\r\n");
    fake.files.setInUse(Folder + "\\BlockedCookies.dat");
    Program& p = start();
    serveNewer(addCookie("c.example"));
    p.main.cmdUpdate.click();
    // A local failure, named with its file and cause: the connection has nothing to do with it.
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(),
              "The definition files on this computer could not be updated:\r\n" + Folder +
                  "\\BlockedCookies.dat: In use by another program");
    EXPECT_EQ(p.update.lastOutcome().result, UpdateResult::LocalFailure);
    EXPECT_TRUE(fake.http.requests.empty());
    EXPECT_TRUE(fake.files.exists(Folder + "\\update.pending"));
    EXPECT_TRUE(p.main.cmdLiveUpdate.enabled());
}

TEST_F(FlowTest, AProgramFolderTheAccountMayNotWriteIsNamedNotTheConnection) {
    Program& p = start();
    serveNewer(addCookie("c.example"));
    const std::string before = *fake.files.content(Folder + "\\BlockedCookies.dat");
    fake.files.protectFolder(Folder);
    p.main.cmdUpdate.click();
    EXPECT_EQ(p.update.lastOutcome().result, UpdateResult::LocalFailure);
    // The first file the update writes beside the others (the copy kept for a rollback) is named.
    EXPECT_EQ(p.update.notification().lblUpdateInfo.caption(),
              "The definition files on this computer could not be updated:\r\n" + Folder +
                  "\\FileDefinition.dat.previous.new: Access denied");
    EXPECT_EQ(fake.files.content(Folder + "\\BlockedCookies.dat"), before);
    EXPECT_FALSE(fake.files.exists(Folder + "\\BlockedCookies.dat.new"));
    EXPECT_EQ(user("OptionAndSettings", "RESTART"), "False");  // no restart for an update that did not happen
}

TEST_F(FlowTest, NoUpdateStartsWhileAScanRuns) {
    Program& p = start();
    serveNewer(addCookie("b.example"));
    const std::string definitionsBefore = *fake.files.content(Folder + "\\BlockedCookies.dat");
    // As the scan leaves the window while it runs: Start disabled, the shields' timers off.
    p.main.cmdScanNow.setEnabled(false);
    p.main.ArmBackgroundTimers(false);
    ASSERT_TRUE(p.main.mnuFileItem[4]->enabled());
    p.main.mnuFileItem[4]->click();  // File > Run Live Update
    p.main.cmdLiveUpdate.click();
    EXPECT_TRUE(fake.http.requests.empty());
    EXPECT_FALSE(p.update.downloadWindow().loaded());
    EXPECT_FALSE(p.update.notification().loaded());
    EXPECT_EQ(*fake.files.content(Folder + "\\BlockedCookies.dat"), definitionsBefore);
    EXPECT_FALSE(p.main.tmrMemoryInspected.on());
    EXPECT_FALSE(p.main.tmrCheckHomePage.on());

    // Once the scan has ended, the same menu entry updates.
    p.main.cmdScanNow.setEnabled(true);
    p.main.mnuFileItem[4]->click();
    EXPECT_EQ(p.update.lastOutcome().result, UpdateResult::Updated);
    EXPECT_TRUE(p.main.tmrMemoryInspected.on());
}

TEST_F(FlowTest, TheNotificationSlidesUpRestsAndSlidesDown) {
    Program& p = start();
    serveCurrent("1/1/2000");
    p.main.cmdUpdate.click();
    FrmSignatureUpdated& notice = p.update.notification();
    const int resting = 1024 * 15 - 40 * 15;
    EXPECT_EQ(notice.restingTop(), resting);
    EXPECT_EQ(notice.raisedTop(), resting - notice.height() - 100);
    EXPECT_EQ(notice.left(), 1280 * 15 - notice.width());
    host.advance(2000);
    EXPECT_EQ(notice.top(), notice.raisedTop());
    EXPECT_TRUE(notice.tmrEnablePopDownTimer.on());
    host.advance(5000);  // seven seconds of rest from the end of the rise
    EXPECT_TRUE(notice.visible());
    EXPECT_EQ(notice.top(), notice.raisedTop());
    host.advance(3000);
    EXPECT_FALSE(notice.loaded());
    EXPECT_EQ(user("OptionAndSettings", "SHOW"), "False");

    // Dismissed early with OK.
    p.main.cmdUpdate.click();
    ASSERT_TRUE(notice.visible());
    notice.cmdUpdateSuccesfullOK.click();
    EXPECT_FALSE(notice.loaded());
}

TEST_F(FlowTest, TheNotificationRestsAboveTheTaskbarAtTheScreensRightEdgeAtAnyDpi) {
    // 1280 x 1024 pixels with a 40-pixel taskbar are 12,800 x 10,240 and 400 twips at 144 DPI.
    Program& p = start();
    host.screen = {1280, 1024, 40, 144};
    serveCurrent("1/1/2000");
    p.main.cmdUpdate.click();
    FrmSignatureUpdated& notice = p.update.notification();
    EXPECT_EQ(notice.restingTop(), 10240 - 400);
    EXPECT_EQ(notice.left(), 12800 - notice.width());
    host.advance(2000);
    EXPECT_EQ(notice.top(), 10240 - 400 - notice.height() - 100);
}

TEST_F(FlowTest, TheAutomaticUpdateComesAfterThreeHundredIdleSecondsOnceAndWaitsForAScan) {
    putUser("OptionAndSettings", "chkAutomaticUpdate", "1");
    Program& p = start();
    ASSERT_TRUE(p.main.timUpdate.on());
    serveCurrent("1/1/2000");
    host.advance(299 * 1000);
    EXPECT_TRUE(fake.http.requests.empty());
    // A scan runs as the counter passes 299: the update waits for its end.
    p.main.cmdScanNow.setEnabled(false);
    host.advance(30 * 1000);
    EXPECT_TRUE(fake.http.requests.empty());
    p.main.cmdScanNow.setEnabled(true);
    host.advance(2 * 1000);
    const std::size_t oneUpdate = fake.http.requests.size();
    EXPECT_GT(oneUpdate, 0u);
    EXPECT_EQ(p.update.lastOutcome().result, UpdateResult::Current);
    EXPECT_FALSE(p.main.timUpdate.on());
    host.advance(600 * 1000);
    EXPECT_EQ(fake.http.requests.size(), oneUpdate);
}

TEST_F(FlowTest, WithoutAScanTheUpdateStartsAtAbout301Seconds) {
    putUser("OptionAndSettings", "chkAutomaticUpdate", "1");
    start();
    fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + Iso, "1/1/2000");
    const std::uint64_t started = host.now();
    while (fake.http.requests.empty() && host.now() - started < 400 * 1000) host.advance(1000);
    EXPECT_EQ((host.now() - started) / 1000, 301u);
}

TEST_F(FlowTest, TheStatusWindowCyclesItsTextsAndBlinks) {
    Program& p = start();
    FrmDownload& download = p.update.downloadWindow();
    download.show();
    EXPECT_EQ(download.lblProduct.caption(), "Connecting to server/downloading.....");
    std::vector<std::string> texts;
    for (int i = 0; i < 16; ++i) {
        download.tmrBlink_Timer();
        texts.push_back(download.lblProduct.caption());
    }
    EXPECT_EQ(texts[0], "Connecting to the Server.");
    EXPECT_EQ(texts[1], "Connecting to server.....");  // step 1 keeps what the blink set
    EXPECT_EQ(texts[2], "Sending and receiving data, please wait.");
    EXPECT_EQ(texts[6], "Successfully sent the request.");
    EXPECT_EQ(texts[7], "Connecting to server.....");
    EXPECT_EQ(texts[8], "Receiving a response from the Server.");
    EXPECT_EQ(texts[9], "Connecting to server.....");
    EXPECT_EQ(texts[14], "Sending and receiving data, please wait.");
    EXPECT_EQ(texts[15], "Connecting to the Server.");
    EXPECT_NE(download.picUp.visible(), download.picDown.visible());
    download.Command1.click();
    EXPECT_FALSE(download.loaded());
}

TEST_F(FlowTest, ShiftOnLiveUpdateListsTheFullFilesThenUpdates) {
    Program& p = start();
    p.main.cmdUpdate.mouseDown({1, 1, 0, 0});
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text.substr(0, 52), "http://www.sorvane.example/definitions/version/R.HTM");
    p.main.cmdUpdate.mouseDown({1, 3, 0, 0});  // Shift with Ctrl: nothing
    p.main.cmdUpdate.mouseDown({1, 0, 0, 0});
    EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(FlowTest, AnUpdateCutShortIsFinishedAtStartOnlyByTheCopyThatStays) {
    const std::string staged = definitions::EncodeText("staged.example\r\nother.example\r\n");
    fake.files.addFile(Folder + "\\BlockedCookies.dat.new", staged);
    fake.files.addFile(Folder + "\\update.pending", "BlockedCookies.dat\r\n");
    // A second copy ends at its single-instance test: the update in progress is another's.
    fake.instance.othersRunning.insert(std::string(app::InstanceLockName));
    {
        ui::HeadlessHost otherHost;
        otherHost.screen = {1280, 1024, 40};
        Program second(fake, otherHost);
        second.splash.show();
        otherHost.advance(2 * app::FrmSplash::Ticks);
        EXPECT_TRUE(second.app.ended());
    }
    EXPECT_TRUE(fake.files.lookup(Folder + "\\update.pending"));
    EXPECT_EQ(fake.files.content(Folder + "\\BlockedCookies.dat.new"), staged);

    // The copy that stays finishes it under the shared lock before it counts the definitions.
    fake.instance.othersRunning.clear();
    Program& p = start();
    EXPECT_FALSE(fake.files.lookup(Folder + "\\update.pending"));
    EXPECT_EQ(fake.files.content(Folder + "\\BlockedCookies.dat"), staged);
    EXPECT_EQ(p.app.DefinitionCount, 2);
    EXPECT_EQ(fake.instance.acquisitions, 1u);
    EXPECT_TRUE(fake.instance.acquired.empty());
}

TEST_F(FlowTest, AReplacementThatCannotBeDoneIsNamedNotBlamedOnTheConnection) {
    Program& p = start();
    serveNewer(addCookie("b.example"));
    fake.files.setInUse(Folder + "\\BlockedCookies.dat");
    p.main.cmdUpdate.click();
    const std::string shown = p.update.notification().lblUpdateInfo.caption();
    EXPECT_EQ(shown.find("internet connection"), std::string::npos) << shown;
    EXPECT_NE(shown.find("The definition files on this computer could not be updated:"), std::string::npos) << shown;
    EXPECT_NE(shown.find(Folder + "\\BlockedCookies.dat: In use by another program"), std::string::npos) << shown;
}

}  // namespace
}  // namespace sorvane::update
