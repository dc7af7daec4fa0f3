#include "protection/policy_watch.h"

#include "protection/home_page.h"
#include "tests/unit/protection/protection_fixture.h"

namespace sorvane::protection::testing {
namespace {

using platform::RootKey;

constexpr std::string_view Chrome = "Software\\Policies\\Google\\Chrome";
constexpr std::string_view EdgeStartup = "Software\\Policies\\Microsoft\\Edge\\RestoreOnStartupURLs";
constexpr std::string_view Firefox = "Software\\Policies\\Mozilla\\Firefox\\Homepage";

class PolicyShieldTest : public ProtectionFixture {
protected:
    PolicyShieldTest() {
        fake.registry.putString(RootKey::CurrentUser, std::string(StartPageKey), "Start Page", "http://home.example/");
        putUser("OptionAndSettings", "Homepage", "http://home.example/");
    }
    void check() { protection().homePage.tmrCheckHomePage_Timer(program->main); }
    // Buttons pressed in the alerts to come, in order.
    void answerAlert(std::string_view button) {
        buttons.emplace_back(button);
        host->scriptModal("frmHomePageChangedAlert", [this](ui::Form& form) {
            alertTexts.push_back(ui::captionOf(form, "lblHomePageInfo"));
            ASSERT_LT(alertTexts.size() - 1, buttons.size());
            ui::clickControl(form, buttons[alertTexts.size() - 1]);
        });
    }
    void silently() {
        putUser("OptionAndSettings", "optAlwaysnotifybeforerestoring", "False");
        putUser("OptionAndSettings", "optRestoredefaultwithoutnotification", "True");
    }
    std::optional<std::string> text(RootKey root, std::string_view key, std::string_view value) {
        return fake.registry.stringValue(root, std::string(key), value);
    }
    std::vector<std::string> alertTexts;
    std::vector<std::string> buttons;
};

TEST_F(PolicyShieldTest, APolicyThatAppearsIsAskedAboutAndYesRemovesIt) {
    start();
    check();
    fake.registry.putString(RootKey::CurrentUser, std::string(Chrome), "HomepageLocation", "http://hijack.example/");
    answerAlert("cmdYes");
    check();
    ASSERT_EQ(alertTexts.size(), 1u);
    EXPECT_EQ(alertTexts[0],
              "Sorvane has detected that your Homepage has been changed.\r\n"
              "Browser policy: Google Chrome (HKCU\\Software\\Policies\\Google\\Chrome\\HomepageLocation)\r\n"
              "Click YES to keep your homepage as:\r\n\r\n\r\n"
              "Click No to change your homepage to:\r\nhttp://hijack.example/");
    // The user had no such policy: it is deleted, not emptied.
    EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, std::string(Chrome), "HomepageLocation"));
    check();
    EXPECT_EQ(alertTexts.size(), 1u);
    EXPECT_TRUE(program->main.tmrCheckHomePage.on());
}

TEST_F(PolicyShieldTest, AChangedMachinePolicyIsPutBackOrKeptAsAnswered) {
    fake.registry.putString(RootKey::LocalMachine, std::string(Firefox), "URL", "http://intranet.example/");
    fake.registry.putDword(RootKey::LocalMachine, std::string(Chrome), "DefaultSearchProviderEnabled", 0);
    start();
    check();
    fake.registry.putString(RootKey::LocalMachine, std::string(Firefox), "URL", "http://hijack.example/");
    fake.registry.putDword(RootKey::LocalMachine, std::string(Chrome), "DefaultSearchProviderEnabled", 1);
    answerAlert("cmdNo");   // the Chrome value comes first in the table
    answerAlert("cmdYes");  // then Firefox's home page
    check();
    ASSERT_EQ(alertTexts.size(), 2u);
    EXPECT_NE(alertTexts[0].find("Click YES to keep your homepage as:\r\n0\r\n"), std::string::npos);
    EXPECT_EQ(fake.registry.dwordValue(RootKey::LocalMachine, std::string(Chrome), "DefaultSearchProviderEnabled"), 1u);
    EXPECT_EQ(text(RootKey::LocalMachine, Firefox, "URL"), "http://intranet.example/");
    // What was answered No is the policy now; nothing is asked again.
    check();
    EXPECT_EQ(alertTexts.size(), 2u);
}

TEST_F(PolicyShieldTest, SilentRestorePutsBackAStartUpListWithoutAWindow) {
    fake.registry.putString(RootKey::CurrentUser, std::string(EdgeStartup), "1", "http://one.example/");
    fake.registry.putString(RootKey::CurrentUser, std::string(EdgeStartup), "2", "http://two.example/");
    silently();
    auto& main = start();
    check();
    fake.registry.putString(RootKey::CurrentUser, std::string(EdgeStartup), "1", "http://hijack.example/");
    ASSERT_TRUE(fake.registry.deleteValue(RootKey::CurrentUser, EdgeStartup, "2").ok());
    fake.registry.putString(RootKey::CurrentUser, std::string(EdgeStartup), "3", "http://ads.example/");
    // A forced extension list that did not exist at all is removed with its key.
    const std::string forced = std::string(Chrome) + "\\ExtensionInstallForcelist";
    fake.registry.putString(RootKey::LocalMachine, forced, "1", "abcdefghijklmnopabcdefghijklmnop");
    check();
    EXPECT_TRUE(host->modalShows().empty());
    EXPECT_EQ(text(RootKey::CurrentUser, EdgeStartup, "1"), "http://one.example/");
    EXPECT_EQ(text(RootKey::CurrentUser, EdgeStartup, "2"), "http://two.example/");
    EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, std::string(EdgeStartup), "3"));
    EXPECT_FALSE(fake.registry.hasKey(RootKey::LocalMachine, forced));
    EXPECT_TRUE(fake.registry.hasKey(RootKey::LocalMachine, std::string(Chrome)));
    ASSERT_NE(host->tray(main), nullptr);
    ASSERT_EQ(host->tray(main)->balloons.size(), 2u);
    EXPECT_EQ(host->tray(main)->balloons[1].second,
              "Your home page was changed. It has been restored to: http://one.example/; http://two.example/\r\n"
              "Browser policy: Microsoft Edge (HKCU\\Software\\Policies\\Microsoft\\Edge\\RestoreOnStartupURLs)");
}

TEST_F(PolicyShieldTest, APolicyThatCannotBePutBackIsNotBroughtUpAgainEveryCheck) {
    start();
    check();
    fake.registry.putString(RootKey::LocalMachine, std::string(Chrome), "NewTabPageLocation", "http://hijack.example/");
    fake.registry.makeReadOnly(RootKey::LocalMachine, Chrome);
    answerAlert("cmdYes");
    check();
    check();
    EXPECT_EQ(alertTexts.size(), 1u);
    EXPECT_EQ(text(RootKey::LocalMachine, Chrome, "NewTabPageLocation"), "http://hijack.example/");
}

TEST_F(PolicyShieldTest, WhatChangedWhileTheShieldWasOffIsWhereWatchingBeginsAgain) {
    start();
    check();
    putUser("OptionAndSettings", "optIEHomePageSheildOn", "False");
    check();
    fake.registry.putString(RootKey::CurrentUser, std::string(Chrome), "HomepageLocation", "http://chosen.example/");
    putUser("OptionAndSettings", "optIEHomePageSheildOn", "True");
    check();
    check();
    EXPECT_TRUE(alertTexts.empty());
    EXPECT_TRUE(host->modalShows().empty());
    EXPECT_EQ(text(RootKey::CurrentUser, Chrome, "HomepageLocation"), "http://chosen.example/");
}

// The start page and the policies are read again only when their keys tell of a change;
// without watches (a system that cannot give them) every check reads, as it always did.
TEST_F(PolicyShieldTest, QuietChecksReadNoPageNorPolicyYetEveryChangeIsMetAtTheNextCheck) {
    for (const bool watched : {true, false}) {
        SCOPED_TRACE(watched);
        fake.registry.refuseWatches(!watched);
        alertTexts.clear();
        buttons.clear();
        start();
        check();
        const auto reads = [this] {
            return fake.registry.queriesUnder(StartPageKey) + fake.registry.queriesUnder(PolicyTree);
        };
        int before = reads();
        check();
        check();
        if (watched) EXPECT_EQ(reads() - before, 0);
        else EXPECT_GE(reads() - before, 2 * 2);

        // A machine policy and the start page change: both are asked about at the next check.
        fake.registry.putString(RootKey::LocalMachine, std::string(Chrome), "HomepageLocation", "http://hijack.example/");
        fake.registry.putString(RootKey::CurrentUser, std::string(StartPageKey), "Start Page", "http://other.example/");
        answerAlert("cmdYes");
        answerAlert("cmdYes");
        check();
        ASSERT_EQ(alertTexts.size(), 2u);
        EXPECT_EQ(text(RootKey::CurrentUser, StartPageKey, "Start Page"), "http://home.example/");
        EXPECT_FALSE(fake.registry.hasValue(RootKey::LocalMachine, std::string(Chrome), "HomepageLocation"));

        // A change left in place (neither mode) is found again at every check, as before, and
        // asked about once asking is switched on, with nothing else changing meanwhile.
        putUser("OptionAndSettings", "optAlwaysnotifybeforerestoring", "False");
        fake.registry.putString(RootKey::CurrentUser, std::string(Chrome), "HomepageLocation", "http://left.example/");
        check();
        check();
        EXPECT_EQ(alertTexts.size(), 2u);
        putUser("OptionAndSettings", "optAlwaysnotifybeforerestoring", "True");
        answerAlert("cmdYes");
        check();
        ASSERT_EQ(alertTexts.size(), 3u);
        EXPECT_NE(alertTexts[2].find("http://left.example/"), std::string::npos);
        EXPECT_FALSE(fake.registry.hasValue(RootKey::CurrentUser, std::string(Chrome), "HomepageLocation"));
        putUser("OptionAndSettings", "optIEHomePageSheildOn", "False");
        check();
        putUser("OptionAndSettings", "optIEHomePageSheildOn", "True");
    }
}

TEST_F(PolicyShieldTest, ADeletedStartPageKeyIsAskedAboutAtEveryCheckAndWatchedAgainOnceBack) {
    start();
    check();
    (void)fake.registry.deleteKeyTree(RootKey::CurrentUser, "Software\\Microsoft\\Internet Explorer");
    answerAlert("cmdYes");
    answerAlert("cmdYes");
    check();
    // Yes cannot put the page back into a key that is gone: the next check asks again.
    check();
    ASSERT_EQ(alertTexts.size(), 2u);
    EXPECT_NE(alertTexts[1].find("Click No to change your homepage to:\r\n"), std::string::npos);
    fake.registry.putString(RootKey::CurrentUser, std::string(StartPageKey), "Start Page", "http://home.example/");
    check();
    EXPECT_EQ(alertTexts.size(), 2u);
    fake.registry.putString(RootKey::CurrentUser, std::string(StartPageKey), "Start Page", "http://hijack.example/");
    answerAlert("cmdYes");
    check();
    ASSERT_EQ(alertTexts.size(), 3u);
    EXPECT_EQ(text(RootKey::CurrentUser, StartPageKey, "Start Page"), "http://home.example/");
}

TEST(PolicySnapshotTest, AnUnreadablePlaceTellsNothingAndIsNotRestored) {
    fakes::FakeRegistry registry;
    const WatchedPlace place{RootKey::CurrentUser, EdgeStartup, "", true, "Microsoft Edge"};
    const auto absent = TakeSnapshot(registry, place);
    EXPECT_EQ(absent.state, PlaceSnapshot::State::Absent);
    registry.putString(RootKey::CurrentUser, EdgeStartup, "1", "http://one.example/");
    registry.makeUnreadable(RootKey::CurrentUser, EdgeStartup);
    const auto unreadable = TakeSnapshot(registry, place);
    EXPECT_EQ(unreadable.state, PlaceSnapshot::State::Unreadable);
    EXPECT_FALSE(PlaceChanged(absent, unreadable));
    EXPECT_FALSE(RestoreSnapshot(registry, place, absent));
    EXPECT_FALSE(RestoreSnapshot(registry, place, unreadable));
}

}  // namespace
}  // namespace sorvane::protection::testing
