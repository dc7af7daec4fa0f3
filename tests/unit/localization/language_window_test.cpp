#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "localization/branding.h"
#include "localization/ui/localization_feature.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::localization {
namespace {

using platform::RootKey;

constexpr const char* Folder = "C:\\Program Files\\Sorvane";
constexpr const char* Xml = "C:\\Program Files\\Sorvane\\Localization.xml";
constexpr const char* LanguageUrl = "http://www.sorvane.example/Languages/30/Localization.xml";
constexpr const char* LanguageStatementUrl = "http://www.sorvane.example/Languages/30/Localization.sig";
constexpr const char* SettingsKey = "Software\\VB and VBA Program Settings\\Sorvane\\Settings";

const std::string Translations =
    "<XML_DIZ_INFO>\r\n"
    "<LANGUAGE_GROUP xml:lang=\"en\">\r\n\t<LANGUAGE_NAME>English</LANGUAGE_NAME>\r\n\t<TRANSLATION_ITEMS>\r\n"
    "\t\t<FRMMAIN_CMDSTATUS>Status</FRMMAIN_CMDSTATUS>\r\n\t</TRANSLATION_ITEMS>\r\n</LANGUAGE_GROUP>\r\n"
    "<LANGUAGE_GROUP xml:lang=\"de\">\r\n\t<LANGUAGE_NAME>German</LANGUAGE_NAME>\r\n\t<TRANSLATION_ITEMS>\r\n"
    "\t\t<FRMMAIN_CMDSTATUS>Zustand</FRMMAIN_CMDSTATUS>\r\n"
    "\t\t<FRMMAIN_TABSTRIP1_TABS3>Zeitplan</FRMMAIN_TABSTRIP1_TABS3>\r\n"
    "\t\t<FRMLANGUAGE_COMMAND2>Fertig</FRMLANGUAGE_COMMAND2>\r\n"
    "\t\t<MSG_SURE>Sind Sie sicher?</MSG_SURE>\r\n"
    "\t\t<MSG_CAPTION>[ProgramName] von [CompanyName]</MSG_CAPTION>\r\n"
    "\t</TRANSLATION_ITEMS>\r\n</LANGUAGE_GROUP>\r\n</XML_DIZ_INFO>\r\n";

// The program as Sorvane.exe assembles its languages and skins, on fakes and the headless host.
struct Program {
    Program(fakes::FakePlatform& fake, ui::HeadlessHost& host)
        : app(fake.platform(), host), localization(app, ProgramFetch(app)), main(app), splash(app, main) {
        localization.install();
    }
    app::Application app;
    LocalizationFeature localization;
    app::FrmMain main;
    app::FrmSplash splash;
};

class LanguageWindowTest : public ::testing::Test {
protected:
    // Serves `body` as the language file with the publisher's statement for it.
    void serveSigned(const std::string& body, fakes::FakeSignatures::Statement fields = {"/Languages/30/Localization.xml"}) {
        fake.http.respond(LanguageUrl, body);
        fake.http.respond(LanguageStatementUrl,
                          fakes::FakeSignatures::statement(update::BuildPublicKey(), fields, body));
    }

    LanguageWindowTest() {
        fake.environment.folder = Folder;
        fake.files.addFile(Xml, Translations);
        fake.registry.putString(RootKey::CurrentUser, SettingsKey, "showHelp", "0");
        fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\Talvenor\\Sorvane\\Settings", "FirstTime", "Yes");
    }
    Program& start() {
        program = std::make_unique<Program>(fake, host);
        program->splash.show();
        host.advance(2 * app::FrmSplash::Ticks);
        return *program;
    }
    std::string storedLanguage() {
        return fake.registry.stringValue(RootKey::CurrentUser, SettingsKey, "Language").value_or("");
    }

    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    std::unique_ptr<Program> program;
};

TEST_F(LanguageWindowTest, FirstStartShowsTheWindowModallyAndAChoiceRetranslatesAtOnce) {
    host.scriptModal("frmLanguage", [](ui::Form& window) {
        auto& list = static_cast<FrmLanguage&>(window).languageList;
        EXPECT_EQ(list.items(), (std::vector<std::string>{"English", "German"}));
        EXPECT_EQ(list.text(), "English");
        EXPECT_EQ(window.caption(), "Language Selection");
    });
    Program& p = start();
    EXPECT_EQ(host.modalShows(), (std::vector<std::string>{"frmLanguage"}));
    EXPECT_EQ(storedLanguage(), "English");

    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    window.languageList.setListIndex(1);
    EXPECT_EQ(storedLanguage(), "German");
    EXPECT_EQ(p.main.cmdStatus.caption(), "Zustand");
    EXPECT_EQ(p.main.settingsTabs.tabs()[2], "Zeitplan");
    EXPECT_EQ(p.main.settingsTabs.tabs()[1], "Proactive Protection");
    EXPECT_EQ(p.main.caption(), "Sorvane von Talvenor");
    EXPECT_EQ(window.okButton.caption(), "Fertig");
    EXPECT_EQ(p.app.message("MSG_SURE"), "Sind Sie sicher?");

    // The prompt entry changes nothing.
    window.languageList.setCaption("Choose Language Here");
    window.Combo1_Click();
    EXPECT_EQ(storedLanguage(), "German");
}

// A secondary window of the program, as the removal's "Delete Failed" window is.
struct NoticeWindow : ui::Form {
    NoticeWindow(ui::Host& host, std::string name) : ui::Form(host, std::move(name)), Label1(add<ui::Label>("Label1")) {
        Label1.setCaption("Not deleted");
    }
    ui::Label& Label1;
};

TEST_F(LanguageWindowTest, WindowsAlreadyLoadedFollowAChoiceAndWindowsNotYetLoadedLoadInIt) {
    std::string file = Translations;
    file.insert(file.find("\t\t<MSG_SURE>"), "\t\t<FRMFAILED_LABEL1>Nicht gel\xC3\xB6scht</FRMFAILED_LABEL1>\r\n"
                                              "\t\t<FRMLATER_LABEL1>Sp\xC3\xA4ter</FRMLATER_LABEL1>\r\n");
    fake.files.addFile(Xml, file);
    Program& p = start();
    // Loaded (and hidden) in English before the choice, as "Delete Failed" is at start.
    NoticeWindow failed(host, "frmFailed");
    NoticeWindow later(host, "frmLater");
    p.app.registerWindow(failed);
    p.app.registerWindow(later);
    failed.load();
    ASSERT_EQ(failed.Label1.caption(), "Not deleted");

    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    window.languageList.setListIndex(1);
    EXPECT_EQ(failed.Label1.caption(), "Nicht gel\xC3\xB6scht");
    EXPECT_EQ(later.Label1.caption(), "Not deleted") << "a window not loaded takes the language as it loads";
    later.load();
    EXPECT_EQ(later.Label1.caption(), "Sp\xC3\xA4ter");
    EXPECT_EQ(p.main.cmdStatus.caption(), "Zustand");

    // Back to English: the file's English group names no such item, so the German stays,
    // as it does for the main window's captions the English group leaves out.
    window.languageList.setListIndex(0);
    EXPECT_EQ(p.main.cmdStatus.caption(), "Status");
}

TEST_F(LanguageWindowTest, AFileOfOnesOwnWithLfLineEndsAndANameOutsideAsciiIsListedAndChosen) {
    std::string own = Translations.substr(0, Translations.find("<LANGUAGE_GROUP xml:lang=\"de\">")) +
                      "<LANGUAGE_GROUP xml:lang=\"pt\">\n\t<LANGUAGE_NAME>Portugu\xC3\xAAs</LANGUAGE_NAME>\n"
                      "\t<TRANSLATION_ITEMS>\n\t\t<FRMMAIN_CMDSTATUS>Estado</FRMMAIN_CMDSTATUS>\n"
                      "\t\t<MSG_SURE>Tem certeza?</MSG_SURE>\n\t</TRANSLATION_ITEMS>\n</LANGUAGE_GROUP>\n"
                      "</XML_DIZ_INFO>\n";
    fake.files.addFile(Xml, own);
    Program& p = start();
    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    ASSERT_EQ(window.languageList.items(), (std::vector<std::string>{"English", "Portugu\xC3\xAAs"}));
    window.languageList.setListIndex(1);
    EXPECT_EQ(p.main.cmdStatus.caption(), "Estado");
    EXPECT_EQ(p.app.message("MSG_SURE"), "Tem certeza?");
}

TEST_F(LanguageWindowTest, DownloadReplacesTheFileOnlyWithATranslation) {
    fake.registry.putString(RootKey::CurrentUser, SettingsKey, "Language", "English");
    Program& p = start();
    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    EXPECT_EQ(window.downloadUrl(), LanguageUrl);

    // A page that is no translation file leaves the old file and says nothing.
    fake.http.respond(LanguageUrl, "<html>Not here</html>");
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), Translations);
    EXPECT_TRUE(host.messages().empty());
    fake.http.fail(LanguageUrl, 12029);
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), Translations);

    // Stray bytes before the first "<" are dropped; the file ends with CR LF; the list is refilled.
    const std::string fresh =
        "\xEF\xBB\xBFjunk<LANGUAGE_GROUP><LANGUAGE_NAME>Italian</LANGUAGE_NAME>"
        "<translation_items>\r\n<MSG_SURE>Sicuro?</MSG_SURE>\r\n</TRANSLATION_ITEMS></LANGUAGE_GROUP>";
    serveSigned(fresh);
    window.Command1_Click();
    const auto stored = fake.files.content(Xml);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(*stored, fresh.substr(fresh.find('<')) + "\r\n");
    EXPECT_FALSE(fake.files.exists(std::string(Xml) + ".new"));
    fake.files.powerCut();  // flushed before it was moved over the old file
    EXPECT_EQ(fake.files.content(Xml), stored);
    EXPECT_EQ(window.languageList.items(), (std::vector<std::string>{"Italian"}));
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "The newest language file has been downloaded.");
    EXPECT_EQ(host.messages()[0].title, "Sorvane");
}

TEST_F(LanguageWindowTest, ADownloadWithoutTheRightStatementIsRefusedAndTheFileKept) {
    if (update::BuildPublicKey().empty()) GTEST_SKIP() << "a build without a key takes files unsigned";
    Program& p = start();
    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    const std::string fresh = "<LANGUAGE_GROUP><LANGUAGE_NAME>Italian</LANGUAGE_NAME><TRANSLATION_ITEMS>\r\n"
                              "<MSG_SURE>Sicuro?</MSG_SURE>\r\n</TRANSLATION_ITEMS></LANGUAGE_GROUP>";
    const std::string refused =
        "The language file was refused: it is not what Talvenor signed. Your language file was not changed.";
    auto refusedOnce = [&](const char* why) {
        window.Command1_Click();
        EXPECT_EQ(fake.files.content(Xml), Translations) << why;
        ASSERT_EQ(host.messages().size(), 1u) << why;
        EXPECT_EQ(host.messages()[0].text, refused) << why;
        host.clearMessages();
    };
    fake.http.respond(LanguageUrl, fresh);  // a classic server: no statement
    refusedOnce("missing");
    serveSigned(fresh);
    fake.http.respond(LanguageUrl, fresh + " ");  // one byte more than was signed
    refusedOnce("changed");
    serveSigned(fresh, {"/asp/getDefsNEW.asp"});  // the publisher's statement for another answer
    refusedOnce("another answer");
    serveSigned(fresh, {"/Languages/30/Localization.xml", "", "", "2024-06-01T11:59:59Z"});
    refusedOnce("expired");

    // Signed, but with no language in it: read whole before anything is replaced, and kept out.
    serveSigned("<TRANSLATION_ITEMS>\r\n<MSG_SURE>Sicuro?</MSG_SURE>\r\n</TRANSLATION_ITEMS>");
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), Translations);
    EXPECT_TRUE(host.messages().empty());

    serveSigned(fresh);
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), fresh + "\r\n");
}

TEST_F(LanguageWindowTest, AGenuineButOlderFileSentAgainIsRefusedAndTheNewerKept) {
    if (update::BuildPublicKey().empty()) GTEST_SKIP() << "a build without a key takes files unsigned";
    Program& p = start();
    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    auto file = [](const char* name) {
        return "<LANGUAGE_GROUP><LANGUAGE_NAME>" + std::string(name) +
               "</LANGUAGE_NAME><TRANSLATION_ITEMS>\r\n<MSG_SURE>?</MSG_SURE>\r\n</TRANSLATION_ITEMS></LANGUAGE_GROUP>";
    };
    const std::string kept = std::string(Folder) + "\\Localization.sig";
    const fakes::FakeSignatures::Statement may{"/Languages/30/Localization.xml", "", "2024-05-20T08:00:00"};
    serveSigned(file("May"), may);
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), file("May") + "\r\n");
    ASSERT_TRUE(fake.files.content(kept).has_value());
    host.clearMessages();

    // The April file with its own genuine, unexpired statement, replayed: refused, May's kept.
    serveSigned(file("April"), {"/Languages/30/Localization.xml", "", "2024-04-02T08:00:00"});
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), file("May") + "\r\n");
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text,
              "The language file was refused: it is older than the one you have (an older file sent again). Your "
              "language file was not changed.");
    host.clearMessages();

    // The same file again is no step back, and a newer one replaces it.
    serveSigned(file("May"), may);
    window.Command1_Click();
    EXPECT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "The newest language file has been downloaded.");
    serveSigned(file("June"), {"/Languages/30/Localization.xml", "", "2024-06-01T08:00:00"});
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), file("June") + "\r\n");
}

TEST_F(LanguageWindowTest, ADownloadThatCannotBeSavedSaysWhyAndKeepsTheOldFile) {
    fake.registry.putString(RootKey::CurrentUser, SettingsKey, "Language", "English");
    Program& p = start();
    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    fake.files.protectFolder(Folder);
    serveSigned("<LANGUAGE_GROUP><LANGUAGE_NAME>Italian</LANGUAGE_NAME>"
                "<TRANSLATION_ITEMS></TRANSLATION_ITEMS></LANGUAGE_GROUP>");
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), Translations);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text,
              std::string("The language file could not be saved:\r\n") + Xml + ": Access denied");
    EXPECT_EQ(host.messages()[0].style, ui::mb::Exclamation);
}

TEST_F(LanguageWindowTest, TheBannerFetchStopsAtItsCapAndShowsNothing) {
    std::string image = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR\0\0\x01\xD4\0\0\0\x3C", 24);
    image.resize(limits::MaxBannerBytes + 1, 'x');
    fake.http.respond(std::string(BannerUrl), image);
    Program& p = start();
    host.advance(BannerFetchDelayMs);
    EXPECT_EQ(std::count(fake.http.requests.begin(), fake.http.requests.end(), std::string(BannerUrl)), 1);
    EXPECT_TRUE(p.main.findAs<ui::WebBrowser>("wbBanner")->imageBytes().empty());
    EXPECT_FALSE(ProgramFetch(p.app, limits::MaxBannerBytes)(BannerUrl).has_value());
    EXPECT_EQ(ProgramFetch(p.app)(BannerUrl), image);
}

TEST_F(LanguageWindowTest, ADownloadedUtf8FileLandsByteForByteWhateverTheCodePage) {
    fake.registry.putString(RootKey::CurrentUser, SettingsKey, "Language", "English");
    // A code page without these characters must not touch the files on their way.
    fake.locale.setAnsiWithoutHighBytes(true);
    const std::string image = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR\0\0\x01\xD4\0\0\0\x3C\xFF\xC3\x9C", 27);
    fake.http.respond(std::string(BannerUrl), image);
    Program& p = start();
    const auto* browser = p.main.findAs<ui::WebBrowser>("wbBanner");
    ASSERT_NE(browser, nullptr);
    host.advance(BannerFetchDelayMs);  // fetched once the window runs, not in its load
    EXPECT_EQ(browser->imageBytes(), image);

    FrmLanguage& window = p.localization.frmLanguage();
    window.show(false);
    const std::string served =
        "<LANGUAGE_GROUP><LANGUAGE_NAME>Japanese</LANGUAGE_NAME><TRANSLATION_ITEMS>\r\n"
        "\t\t<MSG_SURE>\xE3\x82\x88\xE3\x82\x8D\xE3\x81\x97\xE3\x81\x84\xE3\x81\xA7\xE3\x81\x99\xE3\x81\x8B?</MSG_SURE>\r\n"
        "\t\t<FRMMAIN_CMDSTATUS>\xC3\x9C" "bersicht \xE2\x82\xAC</FRMMAIN_CMDSTATUS>\r\n"
        "</TRANSLATION_ITEMS></LANGUAGE_GROUP>";
    serveSigned(served);
    window.Command1_Click();
    EXPECT_EQ(fake.files.content(Xml), served + "\r\n");
    EXPECT_EQ(window.languageList.items(), (std::vector<std::string>{"Japanese"}));
}

TEST_F(LanguageWindowTest, AuthoringFileOfTheRealWindows) {
    fake.registry.putString(RootKey::CurrentUser, SettingsKey, "Language", "English");
    Program& p = start();
    p.localization.frmLanguage().load();
    p.main.frmAbout().load();  // loaded windows are listed; the About window only once it was opened
    ASSERT_TRUE(p.localization.makeLocalizationFile().ok());
    const auto written = fake.files.content(std::string(Folder) + "\\Localization.txt");
    ASSERT_TRUE(written.has_value());
    const auto lines = text::split(*written, "\r\n");
    ASSERT_GT(lines.size(), 100u);
    EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    EXPECT_EQ(lines[5], "<LANGUAGE_GROUP xml:lang=\"en\">");
    EXPECT_EQ(lines[8], "\t<TRANSLATION_ITEMS>");
    EXPECT_EQ(lines[lines.size() - 4], "\t</TRANSLATION_ITEMS>");
    EXPECT_EQ(lines[lines.size() - 2], "</XML_DIZ_INFO>");
    EXPECT_EQ(lines.back(), "");
    std::size_t messages = 0;
    for (std::size_t i = 9; i + 4 < lines.size(); ++i) {
        const std::string& line = lines[i];
        ASSERT_TRUE(line.starts_with("\t\t<")) << line;
        const std::string key = line.substr(3, line.find('>') - 3);
        EXPECT_EQ(key, text::toUpper(key));
        EXPECT_TRUE(line.ends_with("</" + key + ">")) << line;
        if (key.starts_with("MSG_")) ++messages;
    }
    // The 67 of the classic table and the language window, the 10 texts composed at run time,
    // the 4 reasons a removal gives, the 3 of what could not be saved, the 15 of the protection,
    // the 15 of the quarantine window, the 1 of the cookie stores, the 8 of signed updates and rollback
    // the 1 of the home-page shield's browser policies, the 3 of a removal's restore point and the 2 of the
    // start at logon.
    EXPECT_EQ(messages, 130u);
    for (const char* item : {"<FRMMAIN_CMDSTATUS>Status<", "<FRMMAIN_TABSTRIP1_TABS4>Auto Update<",
                             "<FRMMAIN_MNUSETTINGSITEM0>Scan Options<", "<FRMMAIN_LVWPICREMOVELISTOFSPYWAREFOUNDANDTOBEREMOVED_COL2>Location<",
                             "<FRMMAIN_OPTMEMORYSHEILDON0>Enabled<", "<FRMLANGUAGE_COMMAND3>Translate this program<",
                             "<FRMABOUT_CMDOK>OK<", "<MSG_SURE>Are you sure?<"})
        EXPECT_NE(written->find(item), std::string::npos) << item;
}

TEST_F(LanguageWindowTest, SkinStepsAtStartAndExit) {
    fake.registry.putString(RootKey::CurrentUser, SettingsKey, "Language", "English");
    Program& p = start();
    using C = SkinHook::Call;
    // Attached and started by the splash window, stopped at the main window's load on NT 6.
    EXPECT_EQ(p.localization.skinHook().calls(), (std::vector<C>{C::Attach, C::Start, C::Stop}));
    EXPECT_TRUE(host.windowRegion(p.main).has_value());
    EXPECT_EQ(p.main.backColor(), p.localization.skin().window);
    EXPECT_EQ(p.main.cmdStatus.backColor(), p.localization.skin().face);
    // The Status page's labels were copied into their own skin-label array.
    const ui::Control* copy = p.main.find("SkinLabel2", 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->container(), &p.main.frmStatus);
    // The banner strip sits above the pages.
    const auto* banner = p.main.findAs<ui::PictureBox>("picBox");
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->geometry().top + LocalizationFeature::BannerHeight, p.main.frmStatus.geometry().top);

    // A window of another part that does not ask for the skin is skinned once it is loaded,
    // its labels beside its first skin label copied, as its design says.
    using enum ui::ControlType;
    static constexpr ui::ControlDesign controls[] = {{.name = "SkinLabel1", .type = SkinLabel, .index = 0},
                                                     {.name = "lblNews", .caption = "Updated"},
                                                     {.name = "cmdOK", .type = CommandButton}};
    static const ui::FormLayout design{"frmNews", controls, ui::SkinLabelCopies::BesideFirst};
    ui::Form other(host, design);
    other.load();
    EXPECT_EQ(other.backColor(), p.localization.skin().window);
    EXPECT_EQ(ui::controlOf(other, "cmdOK").backColor(), p.localization.skin().face);
    EXPECT_EQ(ui::captionOf(other, "SkinLabel1", 1), "Updated");
    other.unload();
    other.load();
    EXPECT_EQ(other.upperBound("SkinLabel1"), 1);  // loaded again: no second copy
}

TEST_F(LanguageWindowTest, ListLanguagesNamesTheGroupsWithItems) {
    fake.registry.putString(RootKey::CurrentUser, SettingsKey, "Language", "English");
    Program& p = start();
    auto context = p.app.languageContext();
    EXPECT_EQ(ListLanguages(context), (std::vector<std::string>{"English", "German"}));
}

}  // namespace
}  // namespace sorvane::localization
