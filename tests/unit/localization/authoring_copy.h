#pragma once
#include <fstream>
#include <sstream>
#include <string>

namespace sorvane::localization {

// The window items every window has always written to the authoring file, kept beside the tests;
// a window that gains or changes a caption updates this copy with it.
inline std::string SavedWindowItems() {
    std::ifstream in(SORVANE_SOURCE_DIR "/tests/unit/localization/every_window_authoring.txt", std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();
    return saved.str();
}

// An authoring file's lines without the catalogue's messages, as the saved copy holds them.
inline std::string WindowItemsOf(const std::string& authoringFile) {
    std::string items;
    std::istringstream lines(authoringFile);
    for (std::string line; std::getline(lines, line);)
        if (line.find("<MSG_") == std::string::npos) items += line + "\n";
    return items;
}

}  // namespace sorvane::localization
