#include "tests/fuzz/translation_target.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "localization/messages.h"
#include "localization/skin.h"
#include "localization/translation_file.h"
#include "platform/limits.h"

namespace sorvane::fuzz {

namespace {
void require(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

void FuzzTranslation(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = localization::DecodeUtf8(bytes);
    require(localization::DecodeUtf8(text) == text);

    localization::Branding branding;
    branding.ProgramName = "Sorvane";
    branding.CompanyName = "Talvenor";
    branding.Website = "www.sorvane.example/";
    localization::Languages catalogue;
    localization::LoadDefaultMessages(catalogue);
    for (const auto& group : localization::ReadLanguageGroups(text)) {
        const auto items = localization::FindLanguageItems(text, group.name);
        if (!items) continue;
        catalogue.setTranslationLines(localization::SplitItemLines(*items));
        for (const auto& line : catalogue.translationLines()) {
            // A key taken from the line itself, as the window walk would ask for it.
            const std::size_t close = line.find('>');
            const std::size_t open = line.find('<');
            if (open != std::string::npos && close != std::string::npos && close > open) {
                const std::string key = line.substr(open + 1, close - open - 1);
                require(catalogue.getTranslation(key, branding).size() <= limits::MaxCaptionText);
            }
        }
        catalogue.refreshMessages(branding);
    }
    (void)localization::ParseSkin(bytes);
    const std::string cut = localization::CutText(text, size % 64);
    require(cut.size() <= size % 64 && localization::DecodeUtf8(cut) == cut);
}

}  // namespace sorvane::fuzz
