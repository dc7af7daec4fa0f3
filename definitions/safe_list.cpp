#include "definitions/safe_list.h"

#include <array>

#include "definitions/records.h"
#include "platform/text.h"

namespace sorvane::definitions {
namespace {

// Lower case, trimmed, then one trailing "/" and one trailing "\" removed.
std::string normalize(std::string_view s) {
    auto out = text::toLower(text::trim(s));
    if (!out.empty() && out.back() == '/') out.pop_back();
    if (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

bool isHiveRoot(const std::string& item) {
    static constexpr std::array<std::string_view, 5> roots{"hkey_classes_root", "hkey_current_user",
                                                           "hkey_local_machine", "hkey_users", "hkey_current_config"};
    for (auto root : roots)
        if (item == root || item == std::string(root) + "\\") return true;
    return false;
}

}  // namespace

bool SafeList::LoadSafeList(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                            const PathMacros& macros, const StopPredicate& stop) {
    std::vector<std::string> entries;
    (void)forEachDefinitionLine(fs, locale, path, stop, [&](std::size_t, const std::string& line) {
        if (auto entry = SafeEntryText(line, macros)) entries.push_back(std::move(*entry));
        // An entry in a folder that a 64-bit system has twice is safe in both.
        if (macros.x86() && PathMacros::NamesTwinFolder(line))
            if (auto twin = SafeEntryText(line, *macros.x86())) entries.push_back(std::move(*twin));
    });
    assign(std::move(entries));
    return true;
}

void SafeList::assign(std::vector<std::string> entries) {
    entries_ = std::move(entries);
    normalized_.clear();
    for (const auto& entry : entries_)
        if (auto key = normalize(entry); !key.empty()) normalized_.insert(std::move(key));
}

bool SafeList::IsSafe(std::string_view rawItem) const {
    const auto item = normalize(rawItem);
    if (item.empty() || item == " ") return true;
    if (normalized_.empty()) return false;
    if (normalized_.count(item) || normalized_.count(item + "\\")) return true;
    if (item.back() == '\\' && normalized_.count(item.substr(0, item.size() - 1))) return true;
    return isHiveRoot(item);
}

}  // namespace sorvane::definitions
