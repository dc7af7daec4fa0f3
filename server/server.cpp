#include "server/server.h"

#include <fstream>
#include <sstream>

#include "definitions/encoding.h"
#include "platform/text.h"
#include "server/releases.h"
#include "server/update_text.h"

namespace sorvane::server {
namespace {

// Code page 1252's characters 0x80 to 0x9F (0 where the code page has none).
constexpr char32_t Cp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The single-byte form of a UTF-8 text of code page 1252 characters; false when the text
// is not UTF-8 or holds a character outside the code page.
bool utf8ToCp1252(std::string_view in, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size();) {
        const auto c = static_cast<unsigned char>(in[i]);
        char32_t cp = 0;
        std::size_t length = 0;
        if (c < 0x80) { cp = c; length = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; length = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; length = 3; }
        else return false;
        if (i + length > in.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto cc = static_cast<unsigned char>(in[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        i += length;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) { out += static_cast<char>(cp); continue; }
        bool mapped = false;
        for (int k = 0; k < 32 && !mapped; ++k) {
            if (Cp1252High[k] != 0 && Cp1252High[k] == cp) {
                out += static_cast<char>(0x80 + k);
                mapped = true;
            } else if (Cp1252High[k] == 0 && cp == static_cast<char32_t>(0x80 + k)) {
                out += static_cast<char>(0x80 + k);
                mapped = true;
            }
        }
        if (!mapped) return false;
    }
    return true;
}

// Code page 1252 text as UTF-8, for the log.
std::string cp1252ToUtf8(std::string_view in) {
    std::string out;
    for (char ch : in) {
        const auto c = static_cast<unsigned char>(ch);
        char32_t cp = c;
        if (c >= 0x80 && c < 0xA0 && Cp1252High[c - 0x80] != 0) cp = Cp1252High[c - 0x80];
        if (cp < 0x80) out += static_cast<char>(cp);
        else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

bool hasHighBytes(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

std::string firstValue(const std::multimap<std::string, std::string>& query, const std::string& key) {
    auto it = query.find(key);
    return it == query.end() ? std::string() : it->second;
}

Answer notFound() { return {404, "Not Found\n"}; }

std::string readWhole(const std::filesystem::path& path, bool& found) {
    std::ifstream in(path, std::ios::binary);
    found = static_cast<bool>(in);
    if (!found) return {};
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

std::vector<std::string> DecodeSubmittedNames(std::string_view payload) {
    std::string bytes(payload);
    std::string single;
    if (hasHighBytes(bytes) && utf8ToCp1252(bytes, single)) bytes = single;
    std::vector<std::string> names;
    for (const std::string& piece : text::split(bytes, "|")) {
        if (!piece.empty()) names.push_back(definitions::DecodeLine(piece));
    }
    return names;
}

DefinitionService::DefinitionService(ServerOptions options, std::ostream& log)
    : options_(std::move(options)), log_(log) {}

void DefinitionService::log(std::string_view line) {
    std::lock_guard lock(mutex_);
    log_ << line << '\n';
    log_.flush();
}

Answer DefinitionService::get(std::string_view path, const std::multimap<std::string, std::string>& query) {
    if (text::equalsNoCase(path, "/asp/currentDateNEW.asp") || text::equalsNoCase(path, "/asp/date.asp") ||
        text::equalsNoCase(path, "/definitions/customdate.html")) {
        return newestDate();
    }
    if (text::equalsNoCase(path, "/asp/getDefsNEW.asp")) return definitionsSince(firstValue(query, "date"));
    if (text::equalsNoCase(path, "/definitions/custom.html")) return customFeed();
    if (text::equalsNoCase(path, "/asp/getData.asp")) return collect(firstValue(query, "data"));
    if (text::startsWithNoCase(path, "/definitions/data/")) return storedFile(path.substr(18));
    if (text::startsWithNoCase(path, "/definitions/version/")) {
        const std::string name = text::toUpper(path.substr(21));
        if (name == "R.HTM" || name == "F.HTM" || name == "E.HTM" || name == "C.HTM") return newestDate();
        return notFound();
    }
    if (text::startsWithNoCase(path, "/Languages/")) {
        const std::string_view rest = path.substr(11);
        const std::size_t slash = rest.find('/');
        if (slash != std::string_view::npos && text::equalsNoCase(rest.substr(slash), "/Localization.xml")) {
            return languageFile(rest.substr(0, slash));
        }
    }
    return notFound();
}

Answer DefinitionService::newestDate() {
    const auto releases = ListReleases(options_.releases);
    if (releases.empty()) return {503, "No definition releases\n"};
    return {200, FormatClientDate(releases.back().date)};
}

Answer DefinitionService::definitionsSince(std::string_view clientDate) {
    const auto date = ParseClientDate(clientDate);
    if (!date) return {400, "Unreadable date\n"};
    const auto releases = ListReleases(options_.releases);
    if (releases.empty()) return {503, "No definition releases\n"};
    const Release* base = ReleaseAtOrBefore(releases, *date);
    if (base == &releases.back()) return {200, ""};
    const UpdateText update = MakeUpdateText(LoadDefinitionSet(base->folder), LoadDefinitionSet(releases.back().folder));
    for (const std::string& warning : update.warnings) log("warning: " + warning);
    return {200, update.text};
}

Answer DefinitionService::customFeed() {
    const auto releases = ListReleases(options_.releases);
    if (releases.empty()) return {503, "No definition releases\n"};
    return {200, MakeFullText(LoadDefinitionSet(releases.back().folder)).text};
}

Answer DefinitionService::storedFile(std::string_view name) {
    const auto releases = ListReleases(options_.releases);
    if (releases.empty()) return notFound();
    for (std::size_t i = 0; i < DefinitionFileCount; ++i) {
        if (!text::equalsNoCase(name, StoredFileNames[i])) continue;
        const DefinitionSet set = LoadDefinitionSet(releases.back().folder);
        std::string body;
        for (const std::string& line : set.files[i]) body += definitions::EncodeLine(line) + "\r\n";
        return {200, body, "application/octet-stream"};
    }
    return notFound();
}

Answer DefinitionService::collect(std::string_view payload) {
    bool added = false;
    for (const std::string& name : DecodeSubmittedNames(payload)) {
        bool fresh = false;
        {
            std::lock_guard lock(mutex_);
            fresh = seenNames_.insert(text::toLower(name)).second;
        }
        log(std::string(fresh ? "submitted (new): " : "submitted (seen): ") + cp1252ToUtf8(name));
        added = added || fresh;
    }
    return {200, added ? "Added" : "Skipped"};
}

Answer DefinitionService::languageFile(std::string_view product) {
    if (options_.languages.empty() || product.empty()) return notFound();
    for (char c : product) {
        if (c < '0' || c > '9') return notFound();
    }
    bool found = false;
    std::string body = readWhole(options_.languages / std::string(product) / "Localization.xml", found);
    if (!found) return notFound();
    return {200, body, "text/xml"};
}

}  // namespace sorvane::server
