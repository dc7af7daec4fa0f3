#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/unit/cli/console_test.h"
#include "tests/fakes/fake_platform.h"
#include "tests/unit/localization/authoring_copy.h"

namespace sorvane::cli {
namespace {

constexpr const char* Xml = "C:\\Program Files\\Sorvane\\Localization.xml";
const std::string Translations =
    "<LANGUAGE_GROUP><LANGUAGE_NAME>English</LANGUAGE_NAME><TRANSLATION_ITEMS>\r\n</TRANSLATION_ITEMS>"
    "</LANGUAGE_GROUP>\r\n<LANGUAGE_GROUP><LANGUAGE_NAME>Klingon</LANGUAGE_NAME><TRANSLATION_ITEMS>\r\n"
    "<MSG_MISSING>De'wI' ghItlh Dachbe'!</MSG_MISSING>\r\n</TRANSLATION_ITEMS></LANGUAGE_GROUP>\r\n"
    "<LANGUAGE_GROUP><LANGUAGE_NAME>No items</LANGUAGE_NAME></LANGUAGE_GROUP>\r\n";

using LanguageCommand = ConsoleTest;

TEST_F(LanguageCommand, ListsTheGroupsThatHoldItems) {
    EXPECT_EQ(run({"language", "list"}), ExitError);
    EXPECT_NE(err.str().find("Localization.xml"), std::string::npos);
    fake.files.addFile(Xml, Translations);
    err.str("");
    EXPECT_EQ(run({"language", "list"}), ExitClean);
    EXPECT_EQ(out.str(), "English\nKlingon\n");
    EXPECT_EQ(run({"language"}), ExitError);
    EXPECT_EQ(run({"language", "list", "extra"}), ExitError);
}

TEST_F(LanguageCommand, MakeWritesTheEnglishFileOfEveryWindow) {
    fake.files.addFolder("C:\\Program Files\\Sorvane");
    EXPECT_EQ(run({"language", "make"}), ExitClean) << err.str();
    const auto written = fake.files.content("C:\\Program Files\\Sorvane\\Localization.txt");
    ASSERT_TRUE(written.has_value());
    for (const char* item : {"<FRMMAIN_CMDSCANNOW>Start</FRMMAIN_CMDSCANNOW>",
                             "<FRMMAIN_LABEL22>Welcome to [ProgramName]</FRMMAIN_LABEL22>",
                             "<FRMLANGUAGE_LABEL1>Please select the language you would like to use:</FRMLANGUAGE_LABEL1>",
                             "<MSG_DOWNLOADED>", "</XML_DIZ_INFO>\r\n"})
        EXPECT_NE(written->find(item), std::string::npos) << item;
    // The console's run stores nothing the program's own start would.
    EXPECT_FALSE(fake.registry.stringValue(platform::RootKey::CurrentUser,
                                           "Software\\VB and VBA Program Settings\\Sorvane\\OptionAndSettings", "STATUS")
                     .has_value());
}

// A program folder this account may not write (Program Files without elevation): the command
// says which file it could not write, exits with 2 and leaves an earlier file as it was.
TEST_F(LanguageCommand, MakeInAFolderItMayNotWriteSaysSoAndKeepsTheOldFile) {
    const std::string file = "C:\\Program Files\\Sorvane\\Localization.txt";
    fake.files.addFile(file, "earlier");
    fake.files.protectFolder("C:\\Program Files\\Sorvane");
    EXPECT_EQ(run({"language", "make"}), ExitError);
    EXPECT_NE(err.str().find("could not write Localization.txt"), std::string::npos) << err.str();
    EXPECT_EQ(fake.files.content(file), "earlier");
}

// Written from the windows' designs, the file holds what the built and loaded windows always
// wrote, byte for byte: the captions their loads give and the labels a skinned load copies too.
TEST_F(LanguageCommand, MakeWritesFromTheDesignsWhatTheLoadedWindowsWrote) {
    fake.files.addFolder("C:\\Program Files\\Sorvane");
    ASSERT_EQ(run({"language", "make"}), ExitClean) << err.str();
    const std::string saved = localization::SavedWindowItems();
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(localization::WindowItemsOf(fake.files.content("C:\\Program Files\\Sorvane\\Localization.txt").value_or("")),
              saved);
}

TEST_F(LanguageCommand, ConsoleMessagesFollowTheLanguageSetting) {
    fake.files.addFile(Xml, Translations);
    fake.registry.putString(platform::RootKey::CurrentUser, "Software\\VB and VBA Program Settings\\Sorvane\\Settings",
                            "Language", "Klingon");
    EXPECT_EQ(run({"scan"}), ExitError);  // no definition files here
    EXPECT_NE(err.str().find("De'wI' ghItlh Dachbe'!"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace sorvane::cli
