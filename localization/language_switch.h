#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "localization/branding.h"
#include "localization/messages.h"
#include "platform/file_system.h"
#include "ui/form.h"

namespace sorvane::localization {

// One translatable caption of a window: its item key and its current text, with the way
// to set it.
struct WindowItem {
    std::string key;
    std::string text;
    std::function<void(std::string)> set;
};

// The translatable captions of a window, in its control order: labels, buttons, skin labels,
// frames and check boxes by window "_" control; tabs and column headers by "_TABS" n and
// "_COL" n; option buttons and menus with their index (0 outside an array).
void ForEachWindowItem(ui::Form& form, const std::function<void(const WindowItem&)>& visit);
// The same items read from a window's design, without building it: the keys and captions the
// window has as it is built, before its load fills in or copies anything.
struct LayoutItem {
    std::string key;
    std::string_view text;
};
std::vector<LayoutItem> LayoutItems(const ui::FormLayout& layout);

// What the catalogue's translation side works with.
struct LanguageContext {
    platform::FileSystem& files;
    std::string applicationFolder;
    Languages& catalogue;
    const Branding& branding;
    std::string& currentLanguage;
};

// The names of the languages the translation file holds items for, in file order.
std::vector<std::string> ListLanguages(LanguageContext& context);
// Loads the items of the named group into the catalogue's translation lines; a name no group
// carries, or a missing file, leaves them as they were.
void LoadLanguage(LanguageContext& context, std::string_view name);
// Loads a language into the catalogue (English when it yields no usable translation) and
// refreshes the messages, without a window.
void ApplyLanguage(LanguageContext& context, std::string_view language);
// Applies a language to one window's captions, then refreshes the message catalogue.
void ChangeLanguage(LanguageContext& context, ui::Form& form, std::string_view language);
// Sets every caption of the window that the loaded translation holds; the others stay.
void TranslateWindow(ui::Form& form, const Languages& catalogue, const Branding& branding);

}  // namespace sorvane::localization
