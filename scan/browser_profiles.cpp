#include "scan/browser_profiles.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::scan {

namespace {

// Where each Chromium-family browser keeps its profiles; Opera keeps them in the roaming folder.
struct ChromiumBrowser {
    std::string_view name;
    bool roaming;
    std::string_view folder;
};
constexpr std::array<ChromiumBrowser, 5> ChromiumBrowsers{{
    {"Chrome", false, "Google\\Chrome\\User Data"},
    {"Edge", false, "Microsoft\\Edge\\User Data"},
    {"Brave", false, "BraveSoftware\\Brave-Browser\\User Data"},
    {"Vivaldi", false, "Vivaldi\\User Data"},
    {"Opera", true, "Opera Software\\Opera Stable"},
}};

// A profile key from outside text names a folder inside the browser's folder, nothing else.
bool plainFolderName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos &&
           name.size() < 256;
}

bool isFolder(platform::FileSystem& files, std::string_view path) {
    const auto entry = files.lookup(path);
    return entry && entry->isFolder() && !entry->isLink();
}

bool isFile(platform::FileSystem& files, std::string_view path) {
    const auto entry = files.lookup(path);
    return entry && !entry->isFolder();
}

std::string readSmallFile(platform::FileSystem& files, std::string_view path) {
    std::string bytes;
    if (!isFile(files, path) || !files.readRange(path, 0, limits::MaxBrowserProfileList, bytes).ok()) return {};
    return bytes;
}

void addStore(std::vector<CookieStore>& stores, CookieStore store) {
    for (const auto& known : stores)
        if (text::equalsNoCase(known.path, store.path)) return;
    stores.push_back(std::move(store));
}

// A Chromium profile keeps its cookies in "Network\Cookies" since 2021, in "Cookies" before.
void addChromiumProfile(platform::FileSystem& files, std::vector<CookieStore>& stores, std::string_view browser,
                        const std::string& folder, const std::string& shownName) {
    for (std::string_view relative : {"Network\\Cookies", "Cookies"}) {
        const auto path = platform::JoinPath(folder, relative);
        if (isFile(files, path)) {
            addStore(stores, {std::string(browser), shownName, path});
            return;
        }
    }
}

void findChromiumStores(platform::FileSystem& files, std::vector<CookieStore>& stores, const ChromiumBrowser& browser,
                        std::string_view base) {
    const auto root = platform::JoinPath(base, browser.folder);
    if (!isFolder(files, root)) return;
    std::vector<std::pair<std::string, std::string>> profiles =
        ChromiumProfilesOf(readSmallFile(files, platform::JoinPath(root, "Local State")));
    std::vector<platform::DirectoryEntry> entries;
    if (files.listFolder(root, entries).ok()) {
        for (const auto& entry : entries) {
            if (!entry.isFolder() || entry.isLink()) continue;
            if (text::equalsNoCase(entry.name, "Default") || text::startsWithNoCase(entry.name, "Profile "))
                profiles.emplace_back(entry.name, entry.name);
        }
    }
    // Opera's own folder was its only profile before it took up profile folders.
    if (browser.roaming) addChromiumProfile(files, stores, browser.name, root, "Default");
    std::size_t taken = 0;
    for (const auto& [folder, name] : profiles) {
        if (++taken > limits::MaxBrowserProfiles) break;
        addChromiumProfile(files, stores, browser.name, platform::JoinPath(root, folder), name);
    }
}

void findFirefoxStores(platform::FileSystem& files, std::vector<CookieStore>& stores, std::string_view roaming) {
    const auto root = platform::JoinPath(roaming, "Mozilla\\Firefox");
    const auto profiles = FirefoxProfilesOf(readSmallFile(files, platform::JoinPath(root, "profiles.ini")), root);
    std::size_t taken = 0;
    for (const auto& [folder, name] : profiles) {
        if (++taken > limits::MaxBrowserProfiles) break;
        const auto path = platform::JoinPath(folder, "cookies.sqlite");
        if (isFile(files, path)) addStore(stores, {"Firefox", name, path});
    }
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ChromiumProfilesOf(std::string_view localState) {
    std::vector<std::pair<std::string, std::string>> profiles;
    const auto document = nlohmann::json::parse(localState, nullptr, false);
    if (document.is_discarded() || !document.is_object()) return profiles;
    const auto profile = document.find("profile");
    if (profile == document.end() || !profile->is_object()) return profiles;
    const auto cache = profile->find("info_cache");
    if (cache == profile->end() || !cache->is_object()) return profiles;
    for (const auto& [folder, info] : cache->items()) {
        if (!plainFolderName(folder)) continue;
        std::string name = folder;
        if (info.is_object()) {
            const auto shown = info.find("name");
            if (shown != info.end() && shown->is_string() && !shown->get_ref<const std::string&>().empty())
                name = shown->get<std::string>();
        }
        profiles.emplace_back(folder, std::move(name));
        if (profiles.size() >= limits::MaxBrowserProfiles) break;
    }
    return profiles;
}

std::vector<std::pair<std::string, std::string>> FirefoxProfilesOf(std::string_view profilesIni,
                                                                   std::string_view firefoxFolder) {
    std::vector<std::pair<std::string, std::string>> profiles;
    struct Section {
        bool profile = false;
        std::string name, path;
        bool relative = true;
    } section;
    auto finish = [&] {
        if (section.profile && !section.path.empty()) {
            std::string path = text::replaceAll(section.path, "/", "\\");
            if (section.relative) {
                // A relative path stays inside the Firefox folder.
                bool inside = true;
                for (const auto& piece : text::split(path, "\\"))
                    if (piece == ".." || piece.find(':') != std::string::npos) inside = false;
                path = inside ? platform::JoinPath(firefoxFolder, path) : std::string();
            }
            if (!path.empty() && profiles.size() < limits::MaxBrowserProfiles)
                profiles.emplace_back(path, section.name.empty() ? platform::LastPathComponent(path) : section.name);
        }
        section = Section{};
    };
    for (const auto& raw : text::lines(profilesIni)) {
        std::string line = text::trim(raw);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            finish();
            section.profile = text::startsWithNoCase(line, "[Profile");
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = text::trim(line.substr(0, equals));
        const std::string value = text::trim(line.substr(equals + 1));
        if (text::equalsNoCase(key, "Name")) section.name = value;
        else if (text::equalsNoCase(key, "Path")) section.path = value;
        else if (text::equalsNoCase(key, "IsRelative")) section.relative = value != "0";
    }
    finish();
    return profiles;
}

std::vector<CookieStore> FindCookieStores(platform::FileSystem& files, std::string_view localAppData,
                                          std::string_view roamingAppData) {
    std::vector<CookieStore> stores;
    for (const auto& browser : ChromiumBrowsers) {
        const std::string_view base = browser.roaming ? roamingAppData : localAppData;
        if (!text::trim(base).empty()) findChromiumStores(files, stores, browser, base);
    }
    if (!text::trim(roamingAppData).empty()) findFirefoxStores(files, stores, roamingAppData);
    return stores;
}

}  // namespace sorvane::scan
