#include "localization/authoring.h"

#include <algorithm>
#include <iterator>

#include "localization/language_switch.h"
#include "localization/skin.h"
#include "localization/translation_file.h"
#include "platform/text.h"

namespace sorvane::localization {

namespace {

constexpr std::string_view Description =
    "<DESCRIPTION>This file contains various translations of program buttons, messages and menus in XML format.  "
    "The original document was created using translation software, and may sound strange when read by people.  "
    "We invite you to make modifications to existing languages and translate new languages.  Please send them to "
    "us so that we can update this file and make your translation available to all users.  Our current email "
    "address is located on our homepage which can be visited through the software or our program folder on your "
    "Start Menu.  Before making changes to a localization file please use the program to download the most "
    "recent localization file using the 'Check for Language Updates' button in the Languages window."
    "</DESCRIPTION>";

void itemLine(std::string& out, std::string_view key, std::string_view value) {
    const std::string upper = text::toUpper(key);
    out += "\t\t<" + upper + ">" + std::string(value) + "</" + upper + ">\r\n";
}

}  // namespace

namespace {

// The file around the items: the header, `windowItems` writing each window's items, every message
// of the catalogue, and the closing lines.
template <class WindowItems>
std::string authoringText(const Languages& catalogue, WindowItems&& windowItems) {
    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    out += "<XML_DIZ_INFO>\r\n";
    out += "\t<LOCALIZATION_FILE_INFO>\r\n";
    out += "\t\t<LOCALIZATION_FILE_VERSION>1.0</LOCALIZATION_FILE_VERSION>\r\n";
    out += "\t</LOCALIZATION_FILE_INFO>\r\n";
    out += "<LANGUAGE_GROUP xml:lang=\"en\">\r\n";
    out += "\t<LANGUAGE_NAME>English</LANGUAGE_NAME>\r\n";
    out += "\t" + std::string(Description) + "\r\n";
    out += "\t<TRANSLATION_ITEMS>\r\n";
    windowItems(out);
    for (const auto& entry : catalogue.entries()) {
        if (!entry.used) break;
        itemLine(out, entry.name, entry.text);
    }
    out += "\t</TRANSLATION_ITEMS>\r\n";
    out += "</LANGUAGE_GROUP>\r\n";
    out += "</XML_DIZ_INFO>\r\n";
    return out;
}

bool authoredAsLoaded(std::string_view window) {
    return std::find(std::begin(WindowsAuthoredAsLoaded), std::end(WindowsAuthoredAsLoaded), window) !=
           std::end(WindowsAuthoredAsLoaded);
}

// A window's design as its load leaves it: the captions the load gives, then the skin-label
// copies a skinned load makes.
std::vector<ui::ControlDesign> designAfterLoad(const DesignedWindow& window, bool skinsEnabled) {
    const ui::FormLayout& layout = *window.layout;
    std::vector<ui::ControlDesign> controls(layout.controls.begin(), layout.controls.end());
    if (!authoredAsLoaded(layout.name)) return controls;
    for (const ui::LoadCaption& loaded : window.captionsAtLoad)
        for (ui::ControlDesign& design : controls)
            if (design.name == loaded.name && design.index < 0) design.caption = loaded.caption;
    if (skinsEnabled && layout.skinLabelCopies != ui::SkinLabelCopies::None)
        CopyLabelsToSkinLabels(controls, SkinLabelArray, layout.skinLabelCopies == ui::SkinLabelCopies::EveryLabel);
    return controls;
}

platform::Status writeAuthoringText(platform::FileSystem& files, platform::Locale& locale,
                                    std::string_view applicationFolder, const std::string& text) {
    const std::string path = platform::JoinPath(applicationFolder, AuthoringFileName);
    return WriteReplacing(files, path, locale.toAnsi(text));
}

}  // namespace

std::string LocalizationFileText(const std::vector<ui::Form*>& windows, const Languages& catalogue) {
    return authoringText(catalogue, [&windows](std::string& out) {
        for (ui::Form* window : windows) {
            if (window == nullptr) continue;
            ForEachWindowItem(*window, [&out](const WindowItem& item) { itemLine(out, item.key, item.text); });
        }
    });
}

std::string LocalizationFileText(std::span<const DesignedWindow> windows, const Languages& catalogue,
                                 bool skinsEnabled) {
    return authoringText(catalogue, [&](std::string& out) {
        for (const DesignedWindow& window : windows) {
            const std::vector<ui::ControlDesign> controls = designAfterLoad(window, skinsEnabled);
            for (const LayoutItem& item : LayoutItems({window.layout->name, controls})) itemLine(out, item.key, item.text);
        }
    });
}

platform::Status makeLocalizationFile(platform::FileSystem& files, platform::Locale& locale,
                                      std::string_view applicationFolder, const std::vector<ui::Form*>& windows,
                                      const Languages& catalogue) {
    return writeAuthoringText(files, locale, applicationFolder, LocalizationFileText(windows, catalogue));
}

platform::Status makeLocalizationFile(platform::FileSystem& files, platform::Locale& locale,
                                      std::string_view applicationFolder, std::span<const DesignedWindow> windows,
                                      const Languages& catalogue, bool skinsEnabled) {
    return writeAuthoringText(files, locale, applicationFolder,
                              LocalizationFileText(windows, catalogue, skinsEnabled));
}

}  // namespace sorvane::localization
