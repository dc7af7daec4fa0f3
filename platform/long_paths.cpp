#include "platform/long_paths.h"

#include <vector>

namespace sorvane::platform {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "\\?\", "\\.\" and "\??\": the caller already chose the system's own spelling.
bool inDeviceNamespace(std::string_view path) {
    if (path.size() < 4) return false;
    if (path.substr(0, 4) == "\\??\\") return true;
    return isSeparator(path[0]) && isSeparator(path[1]) && (path[2] == '?' || path[2] == '.') && isSeparator(path[3]);
}

std::vector<std::string_view> namesOf(std::string_view text) {
    std::vector<std::string_view> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isSeparator(text[i])) continue;
        if (i > start) names.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return names;
}

// Windows' own reading of the names below a root: "." stays, ".." goes up (never above the
// root), and the last name loses its trailing dots and spaces unless a separator follows it.
std::string normalizedBelowRoot(std::string_view rest) {
    std::vector<std::string_view> kept;
    for (const auto name : namesOf(rest)) {
        if (name == ".") continue;
        if (name == "..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(name);
    }
    const bool endsWithSeparator = !rest.empty() && isSeparator(rest.back());
    if (!endsWithSeparator && !kept.empty()) {
        auto& last = kept.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.remove_suffix(1);
        if (last.empty()) kept.pop_back();
    }
    std::string joined;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i != 0) joined += '\\';
        joined += kept[i];
    }
    if (endsWithSeparator && !joined.empty()) joined += '\\';
    return joined;
}

}  // namespace

std::size_t Utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue;  // continuation byte
        units += byte >= 0xF0 ? 2 : 1;        // a four-byte sequence is a surrogate pair
    }
    return units;
}

std::string ExtendedLengthPath(std::string_view path) {
    if (Utf16Length(path) < LongPathThreshold || inDeviceNamespace(path)) return std::string(path);
    if (path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && isSeparator(path[2])) {
        std::string extended = "\\\\?\\";
        extended += path[0];
        extended += ":\\";
        return extended + normalizedBelowRoot(path.substr(3));
    }
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        // A network path: its server and share are the root that ".." cannot leave.
        const auto names = namesOf(path.substr(2));
        if (names.size() < 2) return std::string(path);
        const auto shareEnd = static_cast<std::size_t>(names[1].data() + names[1].size() - path.data());
        std::string extended = "\\\\?\\UNC\\";
        extended.append(names[0]).append("\\").append(names[1]);
        const std::string below = normalizedBelowRoot(path.substr(shareEnd));
        if (!below.empty()) extended.append("\\").append(below);
        return extended;
    }
    return std::string(path);  // relative, or relative to the current drive
}

}  // namespace sorvane::platform
