#include "protection/home_page.h"

#include "tests/unit/protection/protection_fixture.h"

namespace sorvane::protection::testing {
namespace {

using platform::RootKey;

class HomePageTest : public ProtectionFixture {
protected:
    HomePageTest() { fake.registry.putString(RootKey::CurrentUser, std::string(StartPageKey), "Start Page", Original); }

    std::optional<std::string> startPage() {
        return fake.registry.stringValue(RootKey::CurrentUser, std::string(StartPageKey), "Start Page");
    }
    void setStartPage(std::string_view page) {
        fake.registry.putString(RootKey::CurrentUser, std::string(StartPageKey), "Start Page", page);
    }
    void check() { protection().homePage.tmrCheckHomePage_Timer(program->main); }
    // The alert's message, and the button pressed in it.
    void answerAlert(std::string_view button) {
        host->scriptModal("frmHomePageChangedAlert", [this, button](ui::Form& form) {
            alertTexts.push_back(ui::captionOf(form, "lblHomePageInfo"));
            productLabel = ui::captionOf(form, "lblFrmHomePageProductName");
            ui::clickControl(form, button);
        });
    }

    static constexpr std::string_view Original = "http://home.example/";
    static constexpr std::string_view Hijacked = "http://hijack.example/";
    std::vector<std::string> alertTexts;
    std::string productLabel;
};

TEST_F(HomePageTest, TheFirstCheckAdoptsThePageThatIsSet) {
    start();
    check();
    EXPECT_EQ(user("OptionAndSettings", "Homepage"), std::string(Original));
    EXPECT_TRUE(host->modalShows().empty());
}

TEST_F(HomePageTest, AskingYesPutsTheRememberedPageBack) {
    putUser("OptionAndSettings", "Homepage", Original);
    start();
    setStartPage(Hijacked);
    answerAlert("cmdYes");
    check();
    ASSERT_EQ(alertTexts.size(), 1u);
    EXPECT_EQ(alertTexts[0],
              "Sorvane has detected that your Homepage has been changed.\r\n\r\nClick YES to keep your homepage as:\r\n"
              "http://home.example/\r\n\r\nClick No to change your homepage to:\r\nhttp://hijack.example/");
    EXPECT_EQ(productLabel, "Sorvane");
    EXPECT_EQ(startPage(), std::string(Original));
    EXPECT_EQ(user("OptionAndSettings", "Homepage"), std::string(Original));
    // The background timers run again after the modal check.
    EXPECT_TRUE(program->main.tmrCheckHomePage.on());
}

TEST_F(HomePageTest, AskingNoKeepsTheNewPageAndLeavesTheRegistryAlone) {
    putUser("OptionAndSettings", "Homepage", Original);
    start();
    setStartPage(Hijacked);
    answerAlert("cmdNo");
    const int writes = fake.registry.writeAttempts();
    check();
    EXPECT_EQ(startPage(), std::string(Hijacked));
    EXPECT_EQ(user("OptionAndSettings", "Homepage"), std::string(Hijacked));
    // Only the remembered page was stored, and the timers armed.
    EXPECT_LE(fake.registry.writeAttempts() - writes, 1);
    check();
    EXPECT_EQ(alertTexts.size(), 1u);
}

TEST_F(HomePageTest, SilentRestoreUndoesTheChangeWithoutAWindowOnTheNextTick) {
    putUser("OptionAndSettings", "Homepage", Original);
    putUser("OptionAndSettings", "optAlwaysnotifybeforerestoring", "False");
    putUser("OptionAndSettings", "optRestoredefaultwithoutnotification", "True");
    auto& main = start();
    setStartPage(Hijacked);
    host->advance(5000);
    EXPECT_EQ(startPage(), std::string(Original));
    EXPECT_TRUE(host->modalShows().empty());
    // Silent in a window, but the tray icon says what it put back.
    ASSERT_NE(host->tray(main), nullptr);
    ASSERT_EQ(host->tray(main)->balloons.size(), 1u);
    EXPECT_EQ(host->tray(main)->balloons[0].first, "Sorvane");
    EXPECT_EQ(host->tray(main)->balloons[0].second,
              "Your home page was changed. It has been restored to: http://home.example/");
    host->advance(20000);
    EXPECT_EQ(host->tray(main)->balloons.size(), 1u);
}

TEST_F(HomePageTest, WithNeitherModeTheChangeStaysAndNothingIsStored) {
    putUser("OptionAndSettings", "Homepage", Original);
    putUser("OptionAndSettings", "optAlwaysnotifybeforerestoring", "False");
    putUser("OptionAndSettings", "optRestoredefaultwithoutnotification", "False");
    start();
    setStartPage(Hijacked);
    check();
    check();
    EXPECT_EQ(startPage(), std::string(Hijacked));
    EXPECT_EQ(user("OptionAndSettings", "Homepage"), std::string(Original));
    EXPECT_TRUE(host->modalShows().empty());
}

TEST_F(HomePageTest, ALetterCaseChangeCountsAsAChange) {
    putUser("OptionAndSettings", "Homepage", Original);
    start();
    setStartPage("http://HOME.example/");
    answerAlert("cmdYes");
    check();
    EXPECT_EQ(alertTexts.size(), 1u);
    EXPECT_EQ(startPage(), std::string(Original));
}

TEST_F(HomePageTest, AShieldSwitchedOffStopsItsTimerButTheThirdTickStillRunsTheMemoryPass) {
    putUser("OptionAndSettings", "Homepage", Original);
    putUser("OptionAndSettings", "optIEHomePageSheildOn", "False");
    putUser("OptionAndSettings", "optMemorySheildOn", "False");
    auto& main = start();
    setStartPage(Hijacked);
    main.tmrCheckHomePage.setOn(true);
    check();
    EXPECT_FALSE(main.tmrCheckHomePage.on());
    EXPECT_TRUE(host->modalShows().empty());
    check();
    check();
    EXPECT_EQ(protection().homePage.ticks(), 0);
    EXPECT_EQ(startPage(), std::string(Hijacked));
}

TEST_F(HomePageTest, TheModeButtonsFollowTheShieldsSwitch) {
    auto& main = start(false);
    main.optIEHomePageSheildOff.click();
    EXPECT_FALSE(main.optAlwaysnotifybeforerestoring.enabled());
    EXPECT_FALSE(main.tmrCheckHomePage.on());
    EXPECT_EQ(user("OptionAndSettings", "optIEHomePageSheildOn"), "False");
    EXPECT_EQ(user("OptionAndSettings", "optIEHomePageSheildOff"), "True");
    main.chkHomePage.setValue(0);
    main.chkHomePage.click();
    EXPECT_EQ(main.chkHomePage.value(), 1);
    EXPECT_TRUE(main.optRestoredefaultwithoutnotification.enabled());
    EXPECT_TRUE(main.tmrCheckHomePage.on());
    EXPECT_EQ(user("OptionAndSettings", "optIEHomePageSheildOn"), "True");
}

TEST(StartPageRegistryTest, ReadsStringsOnlyWithinTheBufferAndWritesOnlyExistingKeys) {
    fakes::FakeRegistry registry;
    const std::string key(StartPageKey);
    std::string value = "about:blank";
    EXPECT_FALSE(ReadRegistryValue(registry, RootKey::CurrentUser, key, "Start Page", value));
    EXPECT_EQ(value, "");

    registry.putDword(RootKey::CurrentUser, key, "Start Page", 7);
    value = "about:blank";
    EXPECT_TRUE(ReadRegistryValue(registry, RootKey::CurrentUser, key, "Start Page", value));
    EXPECT_EQ(value, "about:blank");

    registry.putString(RootKey::CurrentUser, key, "Start Page", std::string(1023, 'a'));
    EXPECT_TRUE(ReadRegistryValue(registry, RootKey::CurrentUser, key, "Start Page", value));
    EXPECT_EQ(value.size(), 1023u);
    registry.putString(RootKey::CurrentUser, key, "Start Page", std::string(1024, 'a'));
    EXPECT_FALSE(ReadRegistryValue(registry, RootKey::CurrentUser, key, "Start Page", value));
    EXPECT_EQ(value, "");

    WriteUserRegistryValue(registry, "Software\\Missing", "Start Page", "x", RegistryString);
    EXPECT_FALSE(registry.hasKey(RootKey::CurrentUser, "Software\\Missing"));
    WriteUserRegistryValue(registry, key, "Count", "42", RegistryDword);
    EXPECT_EQ(registry.dwordValue(RootKey::CurrentUser, key, "Count"), 42u);
    WriteUserRegistryValue(registry, key, "Start Page", "http://x.example/", RegistryString);
    EXPECT_EQ(registry.stringValue(RootKey::CurrentUser, key, "Start Page"), "http://x.example/");
}

}  // namespace
}  // namespace sorvane::protection::testing
