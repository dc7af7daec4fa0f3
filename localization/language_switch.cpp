#include "localization/language_switch.h"

#include "localization/translation_file.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "ui/controls.h"

namespace sorvane::localization {

namespace {

bool captionType(std::string_view type) {
    return type == "Label" || type == "CommandButton" || type == "SkinLabel" || type == "Frame" ||
           type == "CheckBox";
}

}  // namespace

void ForEachWindowItem(ui::Form& form, const std::function<void(const WindowItem&)>& visit) {
    for (const auto& owned : form.controls()) {
        ui::Control& control = *owned;
        const std::string_view type = control.typeName();
        const std::string base = form.name() + "_" + control.name();
        auto setCaption = [&control](std::string text) { control.setCaption(std::move(text)); };
        if (captionType(type)) {
            visit({base, control.caption(), setCaption});
        } else if (type == "OptionButton" || type == "Menu") {
            visit({base + std::to_string(control.index() < 0 ? 0 : control.index()), control.caption(), setCaption});
        } else if (type == "TabStrip") {
            auto& tabs = static_cast<ui::TabStrip&>(control);
            for (std::size_t n = 1; n <= tabs.tabs().size(); ++n)
                visit({base + "_TABS" + std::to_string(n), tabs.tabs()[n - 1],
                       [&tabs, n](std::string text) { tabs.setTabCaption(n, std::move(text)); }});
        } else if (type == "ListView") {
            auto& list = static_cast<ui::ListView&>(control);
            for (std::size_t n = 1; n <= list.columns().size(); ++n)
                visit({base + "_COL" + std::to_string(n), list.columns()[n - 1].header,
                       [&list, n](std::string text) { list.setColumnHeader(n, std::move(text)); }});
        }
    }
}

std::vector<std::string> ListLanguages(LanguageContext& context) {
    std::vector<std::string> names;
    const auto content = ReadTranslationFile(context.files, platform::JoinPath(context.applicationFolder, TranslationFileName));
    if (!content) return names;
    for (auto& group : ReadLanguageGroups(*content))
        if (group.hasItems) names.push_back(std::move(group.name));
    return names;
}

namespace {
// The names the shipped file gave its languages before each was listed by its own name: a
// choice stored then still finds its group when no group carries the old name any more.
std::string_view RenamedLanguage(std::string_view stored) {
    static constexpr std::pair<std::string_view, std::string_view> renamed[] = {
        {"German", "Deutsch"}, {"French", "Fran\xC3\xA7" "ais"}, {"Spanish", "Espa\xC3\xB1" "ol"}};
    for (const auto& [before, now] : renamed)
        if (text::equalsNoCase(stored, before)) return now;
    return {};
}
}  // namespace

void LoadLanguage(LanguageContext& context, std::string_view name) {
    context.currentLanguage = std::string(name);
    const std::string path = platform::JoinPath(context.applicationFolder, TranslationFileName);
    if (!LangFileExists(context.files, path)) return;
    const auto content = ReadTranslationFile(context.files, path);
    if (!content) return;
    auto items = FindLanguageItems(*content, name);
    if (!items && !RenamedLanguage(name).empty()) {
        items = FindLanguageItems(*content, RenamedLanguage(name));
        if (items) context.currentLanguage = std::string(RenamedLanguage(name));
    }
    if (!items) return;
    context.catalogue.setTranslationLines(SplitItemLines(*items));
}

namespace {
void loadWithFallback(LanguageContext& context, std::string_view language) {
    LoadLanguage(context, language);
    if (!context.catalogue.hasTranslation() || context.catalogue.translationLines().size() == 1)
        LoadLanguage(context, "English");
}
}  // namespace

void ApplyLanguage(LanguageContext& context, std::string_view language) {
    loadWithFallback(context, language);
    context.catalogue.refreshMessages(context.branding);
}

void ChangeLanguage(LanguageContext& context, ui::Form& form, std::string_view language) {
    loadWithFallback(context, language);
    TranslateWindow(form, context.catalogue, context.branding);
    context.catalogue.refreshMessages(context.branding);
}

void TranslateWindow(ui::Form& form, const Languages& catalogue, const Branding& branding) {
    if (!catalogue.hasTranslation()) return;
    ForEachWindowItem(form, [&](const WindowItem& item) {
        const std::string translated = catalogue.getTranslation(item.key, branding);
        if (!translated.empty()) item.set(CutText(translated, limits::MaxCaptionText));
    });
}

}  // namespace sorvane::localization
