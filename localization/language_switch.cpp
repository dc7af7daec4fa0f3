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

// The items one control gives the translation files, whether built or as designed: `item`
// gets each key with 0 for the control's caption, or n for its tab or column n of `parts`.
template <class Item>
void controlItems(std::string_view form, std::string_view name, std::string_view type, int index,
                  std::size_t parts, Item&& item) {
    const std::string base = std::string(form) + "_" + std::string(name);
    if (captionType(type)) {
        item(base, 0);
    } else if (type == "OptionButton" || type == "Menu") {
        item(base + std::to_string(index < 0 ? 0 : index), 0);
    } else if (type == "TabStrip" || type == "ListView") {
        const std::string_view part = type == "TabStrip" ? "_TABS" : "_COL";
        for (std::size_t n = 1; n <= parts; ++n) item(base + std::string(part) + std::to_string(n), n);
    }
}

}  // namespace

void ForEachWindowItem(ui::Form& form, const std::function<void(const WindowItem&)>& visit) {
    for (const auto& owned : form.controls()) {
        ui::Control& control = *owned;
        auto* tabs = dynamic_cast<ui::TabStrip*>(&control);
        auto* list = dynamic_cast<ui::ListView*>(&control);
        const std::size_t parts = tabs != nullptr ? tabs->tabs().size() : list != nullptr ? list->columns().size() : 0;
        controlItems(form.name(), control.name(), control.typeName(), control.index(), parts,
                     [&](std::string key, std::size_t n) {
                         if (n == 0) {
                             visit({std::move(key), control.caption(),
                                    [&control](std::string text) { control.setCaption(std::move(text)); }});
                         } else if (tabs != nullptr) {
                             visit({std::move(key), tabs->tabs()[n - 1],
                                    [tabs, n](std::string text) { tabs->setTabCaption(n, std::move(text)); }});
                         } else {
                             visit({std::move(key), list->columns()[n - 1].header,
                                    [list, n](std::string text) { list->setColumnHeader(n, std::move(text)); }});
                         }
                     });
    }
}

std::vector<LayoutItem> LayoutItems(const ui::FormLayout& layout) {
    std::vector<LayoutItem> items;
    for (const ui::ControlDesign& design : layout.controls) {
        const bool tabs = design.type == ui::ControlType::TabStrip;
        controlItems(layout.name, design.name, ui::TypeName(design.type), design.index,
                     tabs ? design.tabs.size() : design.columns.size(), [&](std::string key, std::size_t n) {
                         const std::string_view text =
                             n == 0 ? design.caption : tabs ? design.tabs[n - 1] : design.columns[n - 1].header;
                         items.push_back({std::move(key), text});
                     });
    }
    return items;
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
