#include "server/releases.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace sorvane::server {
namespace {

bool validDate(const ReleaseDate& d) {
    return d.year >= 1900 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31 &&
           d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 && d.second >= 0 && d.second <= 59;
}

// Reads a run of digits at `pos`; false when there is none or it is too long.
bool readNumber(std::string_view text, std::size_t& pos, int& value, std::size_t maxDigits) {
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

bool expect(std::string_view text, std::size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

std::optional<ReleaseDate> ParseFolderDate(std::string_view name) {
    ReleaseDate d;
    std::size_t pos = 0;
    if (!readNumber(name, pos, d.year, 4) || !expect(name, pos, '-') || !readNumber(name, pos, d.month, 2) ||
        !expect(name, pos, '-') || !readNumber(name, pos, d.day, 2)) {
        return std::nullopt;
    }
    if (pos < name.size()) {
        if (name[pos] != 'T' && name[pos] != '_' && name[pos] != ' ') return std::nullopt;
        ++pos;
        if (!readNumber(name, pos, d.hour, 2) || !expect(name, pos, '-') || !readNumber(name, pos, d.minute, 2) ||
            !expect(name, pos, '-') || !readNumber(name, pos, d.second, 2) || pos != name.size()) {
            return std::nullopt;
        }
    }
    if (!validDate(d)) return std::nullopt;
    return d;
}

std::optional<ReleaseDate> ParseClientDate(std::string_view raw) {
    const std::string text = text::trim(raw);
    std::string_view t(text);
    ReleaseDate d;
    std::size_t pos = 0;
    if (!readNumber(t, pos, d.month, 2) || !expect(t, pos, '/') || !readNumber(t, pos, d.day, 2) ||
        !expect(t, pos, '/') || !readNumber(t, pos, d.year, 4)) {
        return std::nullopt;
    }
    if (pos < t.size()) {
        if (!expect(t, pos, ' ')) return std::nullopt;
        while (pos < t.size() && t[pos] == ' ') ++pos;
        if (!readNumber(t, pos, d.hour, 2) || !expect(t, pos, ':') || !readNumber(t, pos, d.minute, 2)) {
            return std::nullopt;
        }
        if (pos < t.size() && t[pos] == ':' && !(++pos, readNumber(t, pos, d.second, 2))) return std::nullopt;
        while (pos < t.size() && t[pos] == ' ') ++pos;
        const std::string_view marker = t.substr(pos);
        if (!marker.empty()) {
            const bool pm = text::equalsNoCase(marker, "PM");
            if (!pm && !text::equalsNoCase(marker, "AM")) return std::nullopt;
            if (d.hour < 1 || d.hour > 12) return std::nullopt;
            d.hour = d.hour % 12 + (pm ? 12 : 0);
        }
    }
    if (!validDate(d)) return std::nullopt;
    return d;
}

std::string FormatClientDate(const ReleaseDate& d) {
    const int hour12 = d.hour % 12 == 0 ? 12 : d.hour % 12;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d/%d/%d %d:%02d:%02d %s", d.month, d.day, d.year, hour12, d.minute, d.second,
                  d.hour < 12 ? "AM" : "PM");
    return buffer;
}

std::vector<Release> ListReleases(const std::filesystem::path& root) {
    std::vector<Release> releases;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec)) continue;
        if (auto date = ParseFolderDate(it->path().filename().string())) releases.push_back({*date, it->path()});
    }
    std::sort(releases.begin(), releases.end(), [](const Release& a, const Release& b) { return a.date < b.date; });
    return releases;
}

DefinitionSet LoadDefinitionSet(const std::filesystem::path& folder) {
    DefinitionSet set;
    for (std::size_t i = 0; i < DefinitionFileCount; ++i) {
        std::ifstream in(folder / std::string(ClearFileNames[i]), std::ios::binary);
        if (!in) continue;
        std::ostringstream content;
        content << in.rdbuf();
        set.files[i] = text::lines(content.str());
    }
    return set;
}

const Release* ReleaseAtOrBefore(const std::vector<Release>& releases, const ReleaseDate& clientDate) {
    if (releases.empty()) return nullptr;
    const Release* found = &releases.front();
    for (const Release& r : releases) {
        if (r.date <= clientDate) found = &r;
    }
    return found;
}

}  // namespace sorvane::server
