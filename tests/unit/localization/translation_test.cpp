#include <gtest/gtest.h>

#include <string>

#include "localization/authoring.h"
#include "localization/language_switch.h"
#include "localization/translation_file.h"
#include "platform/limits.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"
#include "ui/headless/headless_host.h"

namespace sorvane::localization {
namespace {

Branding brand() {
    Branding branding;
    branding.ProgramName = "Sorvane";
    branding.CompanyName = "Talvenor";
    branding.Website = "www.sorvane.example/";
    return branding;
}

Languages withLines(std::vector<std::string> lines) {
    Languages catalogue;
    LoadDefaultMessages(catalogue);
    catalogue.setTranslationLines(std::move(lines));
    return catalogue;
}

TEST(GetTranslation, TagsPlaceholdersAndLiteralText) {
    const Branding b = brand();
    const Languages catalogue = withLines({
        "\t\t<msg_sure>sure?</msg_sure>",
        "  <MSG_PAUSED>[programname] pausiert, [Company] und [WEBSITE]</MSG_PAUSED>",
        "<MSG_STOP>Fish &amp; chips </MSG_STOP>",
        "<MSG_REALLY>no closing tag",
        "<MSG_SORRY></MSG_SORRY>",
        "<MSG_DATE>first</MSG_DATE>",
        "<MSG_DATE>second</MSG_DATE>",
        "",
        "<A>x</A>",
    });
    // Tags in other letter case match, and the first letter comes out upper-cased.
    EXPECT_EQ(catalogue.getTranslation("MSG_SURE", b), "Sure?");
    // Placeholders in any case are filled; "[Company]" is no placeholder.
    EXPECT_EQ(catalogue.getTranslation("MSG_PAUSED", b), "Sorvane pausiert, [Company] und www.sorvane.example/");
    // Entities and blanks are kept as written.
    EXPECT_EQ(catalogue.getTranslation("MSG_STOP", b), "Fish &amp; chips ");
    // Malformed or empty items are no translation; the first line with the key decides.
    EXPECT_EQ(catalogue.getTranslation("MSG_REALLY", b), "");
    EXPECT_EQ(catalogue.getTranslation("MSG_SORRY", b), "");
    EXPECT_EQ(catalogue.getTranslation("MSG_DATE", b), "First");
    // A key whose part before ">" is two characters or fewer is never found.
    EXPECT_EQ(catalogue.getTranslation("A", b), "");
    EXPECT_EQ(catalogue.getTranslation("MSG_MISSING", b), "");
    // Nothing loaded: nothing found.
    Languages empty;
    EXPECT_EQ(empty.getTranslation("MSG_SURE", b), "");
}

TEST(GetTranslation, ANewLanguageReplacesEveryLookUp) {
    const Branding b = brand();
    Languages catalogue = withLines({"<MSG_SURE>Sicher?</MSG_SURE>", "<MSG_STOP>Anhalten?</MSG_STOP>"});
    EXPECT_EQ(catalogue.getTranslation("msg_stop", b), "Anhalten?");
    catalogue.setTranslationLines({"<MSG_SURE>S\xC3\xBBr ?</MSG_SURE>"});
    EXPECT_EQ(catalogue.getTranslation("MSG_SURE", b), "S\xC3\xBBr ?");
    EXPECT_EQ(catalogue.getTranslation("MSG_STOP", b), "");  // the old language's line is gone
    // Keys with letters outside ASCII match in either case, as the line walk did.
    catalogue.setTranslationLines({"<FRM_\xC3\x84>eins</FRM_\xC3\x84>"});
    EXPECT_EQ(catalogue.getTranslation("frm_\xC3\xA4", b), "Eins");
}

TEST(GetTranslation, LongTextIsCutAtACharacterBoundary) {
    const std::string longText = "\xC3\xA9" + std::string(limits::MaxCaptionText, 'e');
    const Languages catalogue = withLines({"<MSG_SURE>" + longText + "</MSG_SURE>"});
    const std::string result = catalogue.getTranslation("MSG_SURE", brand());
    EXPECT_LE(result.size(), limits::MaxCaptionText);
    EXPECT_EQ(result.substr(0, 2), "\xC3\x89");  // upper-cased e acute
    EXPECT_EQ(CutText("a\xC3\xA9", 2), "a");
}

TEST(MessageRefresh, KeysTheNewLanguageLacksKeepTheirText) {
    const Branding b = brand();
    Languages catalogue;
    LoadDefaultMessages(catalogue);
    catalogue.setTranslationLines({"<MSG_SURE>Sicher?</MSG_SURE>", "<MSG_STOP>Scan anhalten?</MSG_STOP>"});
    catalogue.refreshMessages(b);
    catalogue.setTranslationLines({"<MSG_SURE>S\xC3\xBBr ?</MSG_SURE>", "<MSG_PAUSED>[ProgramName] en pause.</MSG_PAUSED>"});
    catalogue.refreshMessages(b);
    EXPECT_EQ(catalogue.getMessages("MSG_SURE"), "S\xC3\xBBr ?");
    EXPECT_EQ(catalogue.getMessages("MSG_STOP"), "Scan anhalten?");  // from the earlier language
    EXPECT_EQ(catalogue.getMessages("MSG_PAUSED"), "Sorvane en pause.");
    EXPECT_EQ(catalogue.getMessages("MSG_EXCLUDE1"), "No exclusion file exists yet.");
}

constexpr std::string_view TwoGroups =
    "<?xml version=\"1.0\"?>\r\n<XML_DIZ_INFO>\r\n"
    "<LANGUAGE_GROUP xml:lang=\"en\">\r\n\t<LANGUAGE_NAME>English</LANGUAGE_NAME>\r\n\t<TRANSLATION_ITEMS>\r\n"
    "\t\t<FORM1_LABEL1>Hello</FORM1_LABEL1>\r\n\t\t<MSG_SURE>Are you sure?</MSG_SURE>\r\n\t</TRANSLATION_ITEMS>\r\n"
    "</LANGUAGE_GROUP>\r\n"
    "<language_group xml:lang=\"de\">\r\n\t<language_name>Deutsch</language_name>\r\n\t<translation_items>\r\n"
    "\t\t<FORM1_LABEL1>Hallo</FORM1_LABEL1>\r\n"
    "\t\t<form1_TabStrip1_TABS1>Eins</form1_TabStrip1_TABS1>\r\n\t\t<FORM1_TABSTRIP1_TABS3>Drei</FORM1_TABSTRIP1_TABS3>\r\n"
    "\t\t<FORM1_LIST_COL2>Ort</FORM1_LIST_COL2>\r\n\t\t<FORM1_OPT0>Schnell</FORM1_OPT0>\r\n"
    "\t\t<FORM1_OPTARRAY2>Zwei</FORM1_OPTARRAY2>\r\n\t\t<FORM1_SKINLABEL1>Geteilt</FORM1_SKINLABEL1>\r\n"
    "\t\t<FORM1_TXT>nie</FORM1_TXT>\r\n\t\t<MSG_SURE>Sicher?</MSG_SURE>\r\n\t</translation_items>\r\n"
    "</language_group>\r\n"
    "<LANGUAGE_GROUP><LANGUAGE_NAME>Broken</LANGUAGE_NAME>\r\n</XML_DIZ_INFO>\r\n";

TEST(TranslationFile, GroupsAreFoundByTheirMarkersInAnyCase) {
    const auto groups = ReadLanguageGroups(TwoGroups);
    ASSERT_EQ(groups.size(), 2u);  // the group without its closing marker ends the reading
    EXPECT_EQ(groups[0].name, "English");
    EXPECT_EQ(groups[1].name, "Deutsch");
    EXPECT_TRUE(FindLanguageItems(TwoGroups, "deutsch").has_value());
    EXPECT_FALSE(FindLanguageItems(TwoGroups, "Broken").has_value());
    EXPECT_EQ(SplitItemLines(*FindLanguageItems(TwoGroups, "english")).size(), 4u);
    EXPECT_EQ(LangTrimPath("C:\\Program Files\\Sorvane\\Localization.xml"), "Localization.xml");
    EXPECT_EQ(LangTrimPath("plain"), "plain");
    EXPECT_EQ(LangTrimPath(""), "");
}

TEST(TranslationFile, GroupsAndLinesAreCapped) {
    std::string many;
    for (std::size_t n = 0; n < limits::MaxLanguageGroups + 5; ++n)
        many += "<LANGUAGE_GROUP><LANGUAGE_NAME>L" + std::to_string(n) +
                "</LANGUAGE_NAME><TRANSLATION_ITEMS>x</TRANSLATION_ITEMS></LANGUAGE_GROUP>\r\n";
    const auto groups = ReadLanguageGroups(many);
    ASSERT_EQ(groups.size(), limits::MaxLanguageGroups);
    EXPECT_EQ(groups.back().name, "L" + std::to_string(limits::MaxLanguageGroups - 1));

    const std::string lines(limits::MaxTranslationLines + 100, '\n');
    EXPECT_EQ(SplitItemLines(lines).size(), limits::MaxTranslationLines);
    EXPECT_EQ(SplitItemLines("a\r\nb\nc\r").size(), 3u);
    EXPECT_EQ(SplitItemLines("a\r\nb\nc\r")[2], "c");
}

TEST(TranslationFile, MarkersAreSoughtInsideTheirOwnGroup) {
    // The second group's name must not be taken for the first group's, which has none, and
    // items after a group's closing marker belong to no group.
    const std::string text =
        "<LANGUAGE_GROUP><TRANSLATION_ITEMS>a</TRANSLATION_ITEMS></LANGUAGE_GROUP>"
        "<LANGUAGE_GROUP><LANGUAGE_NAME>Deutsch</LANGUAGE_NAME></LANGUAGE_GROUP>"
        "<TRANSLATION_ITEMS>stray</TRANSLATION_ITEMS>"
        "<language_group><language_name>\xC3\x89sti</language_name><translation_items>b</translation_items></language_group>";
    const auto groups = ReadLanguageGroups(text);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "Deutsch");
    EXPECT_FALSE(groups[0].hasItems);
    EXPECT_EQ(groups[1].name, "\xC3\x89sti");  // the name keeps its own letter case
    EXPECT_EQ(groups[1].items, "b");
}

TEST(TranslationFile, Utf8IsDecodedAndBadBytesReplaced) {
    EXPECT_EQ(DecodeUtf8("\xEF\xBB\xBF" "Gr\xC3\xBC\xC3\x9F" "e"), "Gr\xC3\xBC\xC3\x9F" "e");
    // Saved twice with a mark: decoding the result again must not change it.
    EXPECT_EQ(DecodeUtf8("\xEF\xBB\xBF\xEF\xBB\xBF" "<Item>"), "<Item>");
    EXPECT_EQ(DecodeUtf8("a\xFC" "b"), "a\xEF\xBF\xBD" "b");           // a code-page byte
    EXPECT_EQ(DecodeUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");      // an overlong slash
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate
    EXPECT_EQ(DecodeUtf8("\xE2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD");      // cut short
}

// A window with one control of each kind the walk knows, and one it does not.
struct SmallForm : ui::Form {
    explicit SmallForm(ui::Host& host) : ui::Form(host, "Form1") {
        add<ui::Label>("Label1").setCaption("Hello");
        auto& tabs = add<ui::TabStrip>("TabStrip1");
        for (const char* t : {"One", "Two", "Three"}) tabs.addTab(t);
        auto& list = add<ui::ListView>("List");
        list.addColumn("Name", 100);
        list.addColumn("Place", 100);
        add<ui::OptionButton>("Opt").setCaption("Quick");
        add<ui::OptionButton>("OptArray", 2).setCaption("Two");
        add<ui::SkinLabel>("SkinLabel1", 0).setCaption("first");
        add<ui::SkinLabel>("SkinLabel1", 1).setCaption("second");
        add<ui::TextBox>("Txt").setText("typed");
    }
};

class LanguageSwitch : public ::testing::Test {
protected:
    LanguageSwitch() { files.addFile("C:\\App\\Localization.xml", TwoGroups); }
    LanguageContext context() { return {files, "C:\\App", catalogue, branding, current}; }

    fakes::FakeFileSystem files;
    ui::HeadlessHost host;
    Languages catalogue = [] {
        Languages c;
        LoadDefaultMessages(c);
        return c;
    }();
    Branding branding = brand();
    std::string current;
};

TEST_F(LanguageSwitch, WindowWalkSetsWhatTheTranslationHolds) {
    SmallForm form(host);
    auto ctx = context();
    ChangeLanguage(ctx, form, "DEUTSCH");
    EXPECT_EQ(current, "DEUTSCH");
    EXPECT_EQ(ui::captionOf(form, "Label1"), "Hallo");
    const auto& tabs = form.findAs<ui::TabStrip>("TabStrip1")->tabs();
    EXPECT_EQ(tabs, (std::vector<std::string>{"Eins", "Two", "Drei"}));
    const auto& columns = form.findAs<ui::ListView>("List")->columns();
    EXPECT_EQ(columns[0].header, "Name");
    EXPECT_EQ(columns[1].header, "Ort");
    EXPECT_EQ(ui::captionOf(form, "Opt"), "Schnell");
    EXPECT_EQ(ui::captionOf(form, "OptArray", 2), "Zwei");
    // Every element of a skin-label array shares the one key.
    EXPECT_EQ(ui::captionOf(form, "SkinLabel1", 0), "Geteilt");
    EXPECT_EQ(ui::captionOf(form, "SkinLabel1", 1), "Geteilt");
    // Text boxes have no item.
    EXPECT_EQ(ui::captionOf(form, "Txt"), "typed");
    EXPECT_EQ(catalogue.getMessages("MSG_SURE"), "Sicher?");
}

TEST_F(LanguageSwitch, UnknownLanguageFallsBackToEnglishOnce) {
    SmallForm form(host);
    auto ctx = context();
    ChangeLanguage(ctx, form, "Klingon");
    EXPECT_EQ(current, "English");
    EXPECT_EQ(ui::captionOf(form, "Label1"), "Hello");
    ChangeLanguage(ctx, form, "Deutsch");
    // A later unknown name keeps the lines of the language before.
    ChangeLanguage(ctx, form, "Klingon");
    EXPECT_EQ(current, "Klingon");
    EXPECT_EQ(catalogue.getMessages("MSG_SURE"), "Sicher?");
}

TEST_F(LanguageSwitch, AChoiceStoredUnderALanguagesFormerEnglishNameFindsItsGroup) {
    SmallForm form(host);
    auto ctx = context();
    ChangeLanguage(ctx, form, "german");
    EXPECT_EQ(current, "Deutsch");
    EXPECT_EQ(ui::captionOf(form, "Label1"), "Hallo");
    // A group that still carries the former name is taken as it is.
    files.addFile("C:\\App\\Localization.xml",
                  "<LANGUAGE_GROUP><LANGUAGE_NAME>German</LANGUAGE_NAME><TRANSLATION_ITEMS>\r\n"
                  "<MSG_SURE>Alt?</MSG_SURE>\r\n</TRANSLATION_ITEMS></LANGUAGE_GROUP>");
    ChangeLanguage(ctx, form, "German");
    EXPECT_EQ(current, "German");
    EXPECT_EQ(catalogue.getMessages("MSG_SURE"), "Alt?");
}

TEST_F(LanguageSwitch, MissingOrOversizedFileTranslatesNothing) {
    SmallForm form(host);
    ASSERT_TRUE(files.deleteFile("C:\\App\\Localization.xml").ok());
    auto ctx = context();
    ChangeLanguage(ctx, form, "Deutsch");
    EXPECT_FALSE(catalogue.hasTranslation());
    EXPECT_EQ(ui::captionOf(form, "Label1"), "Hello");
    files.addFile("C:\\App\\Localization.xml", std::string(limits::MaxTranslationFile + 1, ' '));
    EXPECT_FALSE(ReadTranslationFile(files, "C:\\App\\Localization.xml").has_value());
}

TEST(Authoring, SmallWindowByteForByte) {
    ui::HeadlessHost host;
    SmallForm form(host);
    Languages catalogue;
    catalogue.setMessage("msg_one", "first message");
    catalogue.setMessage("MSG_TWO", "[ProgramName] &");
    const std::string text = LocalizationFileText({&form}, catalogue);
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<XML_DIZ_INFO>\r\n"
        "\t<LOCALIZATION_FILE_INFO>\r\n"
        "\t\t<LOCALIZATION_FILE_VERSION>1.0</LOCALIZATION_FILE_VERSION>\r\n"
        "\t</LOCALIZATION_FILE_INFO>\r\n"
        "<LANGUAGE_GROUP xml:lang=\"en\">\r\n"
        "\t<LANGUAGE_NAME>English</LANGUAGE_NAME>\r\n"
        "\t<DESCRIPTION>This file contains various translations of program buttons, messages and menus in XML "
        "format.  The original document was created using translation software, and may sound strange when read by "
        "people.  We invite you to make modifications to existing languages and translate new languages.  Please "
        "send them to us so that we can update this file and make your translation available to all users.  Our "
        "current email address is located on our homepage which can be visited through the software or our program "
        "folder on your Start Menu.  Before making changes to a localization file please use the program to "
        "download the most recent localization file using the 'Check for Language Updates' button in the Languages "
        "window.</DESCRIPTION>\r\n"
        "\t<TRANSLATION_ITEMS>\r\n"
        "\t\t<FORM1_LABEL1>Hello</FORM1_LABEL1>\r\n"
        "\t\t<FORM1_TABSTRIP1_TABS1>One</FORM1_TABSTRIP1_TABS1>\r\n"
        "\t\t<FORM1_TABSTRIP1_TABS2>Two</FORM1_TABSTRIP1_TABS2>\r\n"
        "\t\t<FORM1_TABSTRIP1_TABS3>Three</FORM1_TABSTRIP1_TABS3>\r\n"
        "\t\t<FORM1_LIST_COL1>Name</FORM1_LIST_COL1>\r\n"
        "\t\t<FORM1_LIST_COL2>Place</FORM1_LIST_COL2>\r\n"
        "\t\t<FORM1_OPT0>Quick</FORM1_OPT0>\r\n"
        "\t\t<FORM1_OPTARRAY2>Two</FORM1_OPTARRAY2>\r\n"
        "\t\t<FORM1_SKINLABEL1>first</FORM1_SKINLABEL1>\r\n"
        "\t\t<FORM1_SKINLABEL1>second</FORM1_SKINLABEL1>\r\n"
        "\t\t<MSG_ONE>first message</MSG_ONE>\r\n"
        "\t\t<MSG_TWO>[ProgramName] &</MSG_TWO>\r\n"
        "\t</TRANSLATION_ITEMS>\r\n"
        "</LANGUAGE_GROUP>\r\n"
        "</XML_DIZ_INFO>\r\n";
    EXPECT_EQ(text, expected);

    // Written in the system code page, replacing an older file, nothing left beside it.
    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    files.addFile("C:\\App\\Localization.txt", "old");
    catalogue.setMessage("MSG_THREE", "Gr\xC3\xBC\xC3\x9F" "e");
    ASSERT_TRUE(makeLocalizationFile(files, locale, "C:\\App", {&form}, catalogue).ok());
    const auto written = files.content("C:\\App\\Localization.txt");
    ASSERT_TRUE(written.has_value());
    EXPECT_NE(written->find("<MSG_THREE>Gr\xFC\xDF" "e</MSG_THREE>"), std::string::npos);
    EXPECT_FALSE(files.exists("C:\\App\\Localization.txt.new"));
}

}  // namespace
}  // namespace sorvane::localization
