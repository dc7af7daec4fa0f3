#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace sorvane::scan {

// One browser profile's cookie database.
struct CookieStore {
    std::string browser;  // "Chrome", "Edge", "Brave", "Opera", "Vivaldi", "Firefox"
    std::string profile;  // the name the browser shows, else the profile's folder name
    std::string path;     // the database file
};

// Every cookie database of the user's Chromium-family browsers and Firefox profiles, found
// from the browsers' own profile lists ("Local State", profiles.ini) and by looking for the
// usual profile folders. `localAppData` and `roamingAppData` are the user's folders.
std::vector<CookieStore> FindCookieStores(platform::FileSystem& files, std::string_view localAppData,
                                          std::string_view roamingAppData);

// The profile folders and their shown names listed in a Chromium "Local State" document
// (profile.info_cache); names that are not plain folder names are left out.
std::vector<std::pair<std::string, std::string>> ChromiumProfilesOf(std::string_view localState);
// The profile folders of a Firefox profiles.ini, relative ones inside `firefoxFolder`, with
// their names.
std::vector<std::pair<std::string, std::string>> FirefoxProfilesOf(std::string_view profilesIni,
                                                                   std::string_view firefoxFolder);

}  // namespace sorvane::scan
