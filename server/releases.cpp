#include "server/releases.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/calendar.h"
#include "platform/text.h"

namespace sorvane::server {
namespace {

bool validDate(const ReleaseDate& d) { return calendar::IsValidDateTime(d, 1900); }

// Reads a run of digits at `pos`; false when there is none or it is too long.
bool readNumber(std::string_view text, std::size_t& pos, int& value, std::size_t maxDigits) {
    const std::size_t start = pos;
    value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (pos - start == maxDigits) return false;
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

void skipSpaces(std::string_view t, std::size_t& pos) {
    while (pos < t.size() && t[pos] == ' ') ++pos;
}

constexpr int NoMarker = -1, OtherMarker = -2;

// "AM" or "PM" at `pos` (any letter case): 0 for AM, 12 for PM. A run of bytes above 0x7F
// (and dots) is a marker of another language in the client's code page ("오후", "午後",
// "μ.μ."): OtherMarker. NoMarker for anything else.
int readMarker(std::string_view t, std::size_t& pos) {
    if (pos + 2 <= t.size() && (t[pos + 1] == 'M' || t[pos + 1] == 'm')) {
        const char c = t[pos];
        const int offset = (c == 'A' || c == 'a') ? 0 : (c == 'P' || c == 'p') ? 12 : NoMarker;
        if (offset != NoMarker) {
            pos += 2;
            return offset;
        }
    }
    std::size_t end = pos;
    bool high = false;
    while (end < t.size() && (static_cast<unsigned char>(t[end]) >= 0x80 || t[end] == '.')) {
        high = high || static_cast<unsigned char>(t[end]) >= 0x80;
        ++end;
    }
    if (!high) return NoMarker;
    pos = end;
    return OtherMarker;
}

// The time after a date: "h:mm[:ss]", with a marker before or after it or neither.
// `bothHalves` is set when the marker is one whose half of the day is not known.
bool readTime(std::string_view t, std::size_t pos, ReleaseDate& d, bool& bothHalves, std::string& error) {
    skipSpaces(t, pos);
    if (pos == t.size()) return true;
    int marker = readMarker(t, pos);
    skipSpaces(t, pos);
    if (!readNumber(t, pos, d.hour, 2) || !expect(t, pos, ':') || !readNumber(t, pos, d.minute, 2)) {
        error = "the time is not h:mm[:ss]";
        return false;
    }
    if (pos < t.size() && t[pos] == ':' && !(++pos, readNumber(t, pos, d.second, 2))) {
        error = "the seconds are not a number";
        return false;
    }
    skipSpaces(t, pos);
    if (marker == NoMarker && pos < t.size()) marker = readMarker(t, pos);
    skipSpaces(t, pos);
    if (pos != t.size()) {
        error = "unknown text after the time";
        return false;
    }
    if (marker != NoMarker) {
        if (d.hour < 1 || d.hour > 12) {
            error = "an hour outside 1 to 12 with a morning or afternoon marker";
            return false;
        }
        if (marker == OtherMarker) bothHalves = true;
        d.hour = d.hour % 12 + (marker == OtherMarker ? 0 : marker);
    }
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

ClientDateReadings ReadClientDate(std::string_view raw) {
    ClientDateReadings result;
    const std::string text = text::trim(raw);
    const std::string_view t(text);
    int first = 0, second = 0, third = 0;
    std::size_t pos = 0;
    if (!readNumber(t, pos, first, 4) || pos >= t.size() || (t[pos] != '/' && t[pos] != '.' && t[pos] != '-')) {
        result.error = "not a date of three numbers";
        return result;
    }
    const bool yearFirst = pos == 4;
    const char separator = t[pos++];
    if (!readNumber(t, pos, second, 2) || !expect(t, pos, separator) || !readNumber(t, pos, third, 4)) {
        result.error = "not a date of three numbers";
        return result;
    }
    if (!yearFirst && third < 1000) {
        result.error = "the year is not written with four digits";
        return result;
    }
    if (pos < t.size() && t[pos] == '.' && separator == '.') ++pos;  // "16.03.2006."
    ReleaseDate time;
    bool bothHalves = false;
    if (!readTime(t, pos, time, bothHalves, result.error)) return result;

    std::vector<ReleaseDate> candidates;
    auto candidate = [&](int year, int month, int day) {
        ReleaseDate d = time;
        d.year = year;
        d.month = month;
        d.day = day;
        for (int half = 0; half <= (bothHalves ? 12 : 0); half += 12) {
            ReleaseDate reading = d;
            reading.hour += half;
            if (validDate(reading) && std::find(candidates.begin(), candidates.end(), reading) == candidates.end()) {
                candidates.push_back(reading);
            }
        }
    };
    if (yearFirst) candidate(first, second, third);
    else if (separator == '/') {
        candidate(third, first, second);  // M/D/Y, the United States form
        candidate(third, second, first);  // D/M/Y
    } else {
        candidate(third, second, first);  // D.M.Y and D-M-Y are day first wherever they are used
    }
    if (candidates.empty()) result.error = "no such day";
    result.dates = std::move(candidates);
    return result;
}

std::optional<ReleaseDate> ParseClientDate(std::string_view text) {
    const ClientDateReadings readings = ReadClientDate(text);
    if (readings.dates.size() != 1) return std::nullopt;
    return readings.dates.front();
}

ReleaseScan ScanReleases(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    ReleaseScan scan;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (!it->is_directory(entryError)) continue;
        const std::string name = it->path().filename().string();
        const auto date = ParseFolderDate(name);
        if (!date) continue;
        const fs::path marker = it->path() / std::string(CompleteMarkerName);
        const auto markerTime = fs::last_write_time(marker, entryError);
        if (entryError) {
            scan.skipped.push_back(name + ": no " + std::string(CompleteMarkerName) + " yet (still being copied?)");
            scan.incomplete.push_back(it->path());
            continue;
        }
        std::string unreadable;
        for (std::string_view file : ClearFileNames) {
            if (!std::ifstream(it->path() / std::string(file), std::ios::binary)) {
                unreadable = std::string(file);
                break;
            }
        }
        if (!unreadable.empty()) {
            scan.skipped.push_back(name + ": " + unreadable + " is missing or unreadable");
            continue;
        }
        Release release{*date, it->path(), fs::exists(it->path() / std::string(BaseMarkerName), entryError), {}};
        release.identity = it->path().string() + "@" + std::to_string(markerTime.time_since_epoch().count());
        scan.releases.push_back(std::move(release));
    }
    std::sort(scan.releases.begin(), scan.releases.end(),
              [](const Release& a, const Release& b) { return a.date < b.date; });
    return scan;
}

std::filesystem::path ProductReleaseFolder(const std::filesystem::path& root, std::string_view prog,
                                           std::string_view comp) {
    auto plain = [](std::string_view name) {
        if (name.empty() || name.size() > 100 || name == "." || name == "..") return false;
        return std::none_of(name.begin(), name.end(), [](char c) {
            return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        });
    };
    if (!plain(prog) || !plain(comp)) return root;
    const std::filesystem::path folder = root / std::string(prog) / std::string(comp);
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) ? folder : root;
}

std::optional<DefinitionSet> ReadDefinitionSet(const std::filesystem::path& folder, std::string* error) {
    DefinitionSet set;
    for (std::size_t i = 0; i < DefinitionFileCount; ++i) {
        const std::filesystem::path path = folder / std::string(ClearFileNames[i]);
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        if (in) content << in.rdbuf();
        if (!in || in.bad()) {
            if (error != nullptr) *error = path.string() + " is missing or unreadable";
            return std::nullopt;
        }
        set.files[i] = text::lines(content.str());
    }
    return set;
}

const Release* ReleaseAtOrBefore(const std::vector<Release>& releases, const ReleaseDate& clientDate) {
    if (releases.empty()) return nullptr;
    for (const Release& r : releases) {
        // Definitions older than the base are not what any installed program holds.
        if (r.base && clientDate < r.date) return &r;
        if (r.base) break;
    }
    const Release* found = &releases.front();
    for (const Release& r : releases) {
        if (r.date <= clientDate) found = &r;
    }
    return found;
}

}  // namespace sorvane::server
