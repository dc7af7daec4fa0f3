#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "app/frm_main.h"
#include "app/frm_main_layout.h"
#include "app/frm_splash.h"
#include "app/gui_features.h"
#include "app/secondary_windows.h"
#include "localization/authoring.h"
#include "localization/language_switch.h"
#include "localization/messages.h"
#include "localization/translation_file.h"
#include "localization/ui/frm_language.h"
#include "platform/text.h"
#include "protection/home_page.h"
#include "protection/memory_shield.h"
#include "removal/frm_delete.h"
#include "removal/frm_quarantine.h"
#include "tests/unit/localization/authoring_copy.h"
#include "report/frm_report.h"
#include "tests/fakes/fake_platform.h"
#include "tray/frm_menu_popup.h"
#include "ui/headless/headless_host.h"
#include "update/frm_download.h"
#include "update/frm_signature_updated.h"

namespace sorvane::localization {
namespace {

std::string shippedFile() {
    std::ifstream in(SORVANE_SOURCE_DIR "/data/localization/Localization.xml", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// The key of an item line, or empty for a line that is none.
std::string keyOf(const std::string& line) {
    const std::size_t open = line.find('<');
    const std::size_t close = line.find('>');
    if (open == std::string::npos || close == std::string::npos || close <= open + 1) return {};
    return line.substr(open + 1, close - open - 1);
}

// Square-bracketed placeholders of a text, in order.
std::vector<std::string> placeholders(const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t at = text.find("[Program"); at != std::string::npos; at = text.find("[Program", at + 1))
        found.push_back("[ProgramName]");
    for (std::size_t at = text.find("[Website]"); at != std::string::npos; at = text.find("[Website]", at + 1))
        found.push_back("[Website]");
    return found;
}

TEST(ShippedTranslations, FourLanguagesEachCoveringEveryItemOnOneLine) {
    const std::string file = shippedFile();
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(DecodeUtf8(file), file);  // valid UTF-8 throughout
    const auto groups = ReadLanguageGroups(file);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].name, "English");
    // Each language is listed by its own name.
    EXPECT_EQ(groups[1].name, "Deutsch");
    EXPECT_EQ(groups[2].name, "Fran\xC3\xA7" "ais");
    EXPECT_EQ(groups[3].name, "Espa\xC3\xB1" "ol");

    std::vector<std::string> englishKeys;
    std::map<std::string, std::string> english;
    for (const auto& line : SplitItemLines(groups[0].items)) {
        const std::string key = keyOf(line);
        if (key.empty()) continue;
        englishKeys.push_back(key);
        english[key] = ItemText(line, key);
    }
    // Every message of the catalogue is there.
    Languages catalogue;
    LoadDefaultMessages(catalogue);
    for (const auto& entry : catalogue.entries())
        if (entry.used) {
            EXPECT_TRUE(english.count(entry.name)) << entry.name;
        }

    for (const auto& group : groups) {
        std::vector<std::string> keys;
        for (const auto& line : SplitItemLines(group.items)) {
            const std::string key = keyOf(line);
            if (key.empty()) continue;
            keys.push_back(key);
            // Tags on one line, keys in capitals, a text in every item.
            const std::string text = ItemText(line, key);
            EXPECT_FALSE(text.empty()) << group.name << " " << key;
            EXPECT_EQ(key, text::toUpper(key));
            // The pieces that wrap a caller's name keep their brackets, and placeholders survive.
            EXPECT_EQ(placeholders(text), placeholders(english[key])) << group.name << " " << key;
            EXPECT_EQ(text.find('&'), std::string::npos) << group.name << " " << key;
        }
        EXPECT_EQ(keys, englishKeys) << group.name;
    }
}

// The authoring file of every window built and loaded as the program loads it to write one, and
// every message: what the console writes from the windows' designs, without building them.
std::string authoringFileOfEveryWindow() {
    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    const std::string folder = "C:\\Program Files\\Sorvane";
    fake.environment.folder = folder;
    fake.files.addFolder(folder);
    app::Application application(fake.platform(), host);
    application.InitBranding();
    LoadDefaultMessages(application.messages);
    app::GuiFeatures features(application);
    app::FrmMain main(application);
    features.localization.LoadSecondaryForms();
    std::vector<ui::Form*> windows{&main};
    for (ui::Form* window : application.registeredWindows())
        if (window != &main) windows.push_back(window);
    return LocalizationFileText(windows, application.messages);
}

// Items a translation has nothing to do with: the memory alert's texts, fixed in English on
// purpose; skin-label copies, made at run time and sharing one key; and captions that hold no
// words (empty ones filled at run time, counters, menu separators, a close box's "X") or
// only the product name.
bool translatable(const std::string& key, const std::string& text) {
    if (key.starts_with("FRMSPYWAREFOUNDALERT_") || key.find("_SKINLABEL") != std::string::npos) return false;
    if (text == "Sorvane") return false;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (std::isalpha(static_cast<unsigned char>(text[i])) && std::isalpha(static_cast<unsigned char>(text[i + 1])))
            return true;
    return false;
}

TEST(ShippedTranslations, EnglishHoldsEveryItemTheAuthoringFileWrites) {
    const auto written = ReadLanguageGroups(authoringFileOfEveryWindow());
    ASSERT_EQ(written.size(), 1u);
    std::map<std::string, std::string> expected;
    for (const auto& line : SplitItemLines(written[0].items)) {
        const std::string key = keyOf(line);
        if (key.empty()) continue;
        const std::string text = ItemText(line, key);
        EXPECT_FALSE(expected.count(key)) << "written twice: " << key;
        // Texts the windows brand at load stand in the file with their placeholder.
        if (translatable(key, text)) expected[key] = text::replaceAll(text, "Sorvane", "[ProgramName]");
    }
    // The newer windows are among them.
    for (std::string_view window : {"FRMQUARANTINE_", "FRMMENUPOPUP_", "FRMDOWNLOAD_", "FRMSIGNATUREUPDATED_"})
        EXPECT_TRUE(std::any_of(expected.begin(), expected.end(),
                                [&](const auto& item) { return item.first.starts_with(window); }))
            << window;

    const auto groups = ReadLanguageGroups(shippedFile());
    ASSERT_FALSE(groups.empty());
    std::map<std::string, std::string> shipped;
    for (const auto& line : SplitItemLines(groups[0].items))
        if (const std::string key = keyOf(line); !key.empty() && !key.starts_with("MSG_"))
            shipped[key] = ItemText(line, key);
    for (const auto& [key, text] : expected) {
        if (key.starts_with("MSG_")) continue;  // the messages are checked against the catalogue
        const auto found = shipped.find(key);
        if (found == shipped.end()) ADD_FAILURE() << "missing from the shipped file: " << key;
        else EXPECT_EQ(found->second, text) << key;
    }
    for (const auto& [key, text] : shipped) EXPECT_TRUE(expected.count(key)) << "written by no window: " << key;
}

// The window items of the authoring file, as the windows wrote them before they were built
// from their layouts; the messages that follow are the catalogue's and are checked above.
TEST(ShippedTranslations, EveryWindowWritesTheItemsItAlwaysWrote) {
    const std::string saved = SavedWindowItems();
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(WindowItemsOf(authoringFileOfEveryWindow()), saved);
}

// Each window built from a layout lists, as built, exactly the items its layout gives: the
// authoring file and the translation may read either.
TEST(ShippedTranslations, EachDesignedWindowAsBuiltListsTheItemsOfItsLayout) {
    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    app::Application application(fake.platform(), host);
    app::GuiFeatures features(application);
    app::FrmMain main(application);
    app::FrmSplash splash(application, main);
    using Items = std::vector<std::pair<std::string, std::string>>;
    for (const ui::FormLayout* layout : {&app::FrmMainLayout, &removal::FrmDelete::Layout, &removal::FrmQuarantine::Layout,
                                         &app::FrmAbout::Layout, &app::FrmSplash::Layout, &FrmLanguage::Layout,
                                         &tray::frmMenuPopUp::Layout, &update::FrmDownload::Layout,
                                         &update::FrmSignatureUpdated::Layout, &report::FrmReport::Layout,
                                         &protection::FrmHomePageChangedAlert::Layout,
                                         &protection::FrmSpywareFoundAlert::Layout}) {
        ui::Form* window = application.window(layout->name);
        ASSERT_NE(window, nullptr) << layout->name;
        Items built;
        ForEachWindowItem(*window, [&](const WindowItem& item) { built.emplace_back(item.key, item.text); });
        Items designed;
        for (const auto& item : LayoutItems(*layout)) designed.emplace_back(item.key, std::string(item.text));
        EXPECT_FALSE(designed.empty()) << layout->name;
        EXPECT_EQ(built, designed) << layout->name;
    }
}

}  // namespace
}  // namespace sorvane::localization
