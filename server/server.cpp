#include "server/server.h"

#include <ctime>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "definitions/encoding.h"
#include "platform/date_forms.h"
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

// "2024-05-14T09:30:00Z".
std::string utcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

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

std::string EscapeLogText(std::string_view text) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // A C1 control character in UTF-8: 0xC2 followed by 0x80 to 0x9F.
        if (c == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            const auto next = static_cast<unsigned char>(text[++i]);
            out += "\\u00";
            out += Hex[next >> 4];
            out += Hex[next & 0xF];
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += Hex[c >> 4];
            out += Hex[c & 0xF];
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

const Release* ClientBaseRelease(const std::vector<Release>& releases, const std::vector<ReleaseDate>& readings,
                                 std::string& reason) {
    if (releases.empty() || readings.empty()) {
        reason = "no release or no reading";
        return nullptr;
    }
    std::vector<ReleaseDate> possible;
    for (const ReleaseDate& d : readings) {
        if (d <= releases.back().date) possible.push_back(d);
    }
    if (possible.empty()) possible = readings;  // every reading is ahead: the client holds the newest
    const Release* base = ReleaseAtOrBefore(releases, possible.front());
    bool agree = true;
    for (const ReleaseDate& d : possible) agree = agree && ReleaseAtOrBefore(releases, d) == base;
    if (agree) return base;
    const Release* exact = nullptr;
    int exactCount = 0;
    for (const ReleaseDate& d : possible) {
        for (const Release& r : releases) {
            if (r.date == d) {
                exact = &r;
                ++exactCount;
            }
        }
    }
    if (exactCount == 1) return exact;
    reason = "it reads as " + calendar::IsoDateText(possible[0]);
    for (std::size_t i = 1; i < possible.size(); ++i) reason += " or " + calendar::IsoDateText(possible[i]);
    reason += ", which lead to different releases";
    return nullptr;
}

DefinitionService::DefinitionService(ServerOptions options, std::ostream& log)
    : options_(std::move(options)),
      log_(log),
      releases_(options_.maxDeletedShare, [this](std::string_view line) { this->log(line); }),
      submissions_(options_.submissions, options_.maxSubmissions),
      signer_(options_.signingKey.empty() ? nullptr : std::make_unique<StatementSigner>(options_.signingKey)) {}

void DefinitionService::log(std::string_view line) {
    const std::string escaped = EscapeLogText(line);
    std::lock_guard lock(mutex_);
    log_ << escaped << '\n';
    log_.flush();
}

Answer DefinitionService::get(std::string_view path, const std::multimap<std::string, std::string>& query) {
    if (text::equalsNoCase(path, "/health")) return {200, "OK\n"};
    if (text::equalsNoCase(path, "/asp/currentDateNEW.asp") || text::equalsNoCase(path, "/asp/date.asp") ||
        text::equalsNoCase(path, "/definitions/customdate.html")) {
        return newestDate(query);
    }
    if (text::equalsNoCase(path, "/asp/getDefsNEW.asp")) return definitionsSince(query).answer;
    if (text::equalsNoCase(path, "/asp/getDefsNEW.sig")) {
        Difference update = definitionsSince(query);
        return signedStatement("/asp/getDefsNEW.asp", update.answer, std::move(update.from), std::move(update.to));
    }
    if (text::equalsNoCase(path, "/definitions/custom.html")) return customFeed(query);
    if (text::equalsNoCase(path, "/asp/getData.asp")) return collect(query);
    if (text::startsWithNoCase(path, "/definitions/data/")) {
        const std::string_view name = path.substr(18);
        if (name.size() <= 4 || !text::equalsNoCase(name.substr(name.size() - 4), ".sig")) return storedFile(name, query);
        // A whole file stands for the newest release: the statement names its date as both ends.
        const std::string file = std::string(name.substr(0, name.size() - 4)) + ".dat";
        const auto releases = releasesFor(query);
        if (releases->empty()) return notFound();
        const std::string date = calendar::IsoDateText(releases->back().date);
        return signedStatement("/definitions/data/" + file, storedFile(file, query), date, date);
    }
    if (text::startsWithNoCase(path, "/definitions/version/")) {
        const std::string name = text::toUpper(path.substr(21));
        if (name == "R.HTM" || name == "F.HTM" || name == "E.HTM" || name == "C.HTM") return newestDate(query);
        return notFound();
    }
    if (text::startsWithNoCase(path, "/Languages/")) {
        const std::string_view rest = path.substr(11);
        const std::size_t slash = rest.find('/');
        if (slash != std::string_view::npos && text::equalsNoCase(rest.substr(slash), "/Localization.xml")) {
            return languageFile(rest.substr(0, slash));
        }
        if (slash != std::string_view::npos && text::equalsNoCase(rest.substr(slash), "/Localization.sig")) {
            const std::string product(rest.substr(0, slash));
            // The file's time stands for its date, so that a client can refuse an older translation.
            struct stat info {};
            const Answer file = languageFile(product);
            const std::string to =
                file.status == 200 && ::stat((options_.languages / product / "Localization.xml").c_str(), &info) == 0
                    ? FormatUtc(info.st_mtime)
                    : std::string();
            return signedStatement("/Languages/" + product + "/Localization.xml", file, "", to);
        }
    }
    return notFound();
}

std::shared_ptr<const std::vector<Release>> DefinitionService::releasesFor(const Query& query) {
    return releases_.releases(
        ProductReleaseFolder(options_.releases, firstValue(query, "prog"), firstValue(query, "comp")));
}

namespace {

Answer noReleases() { return {503, "No definition releases\n"}; }

// A request that names `iso` (with any value) is answered in ISO 8601; others in the classic form.
std::string dateFor(const ReleaseDate& date, const std::multimap<std::string, std::string>& query) {
    return query.count("iso") != 0 ? calendar::IsoDateText(date) : calendar::ClassicDateText(date);
}

Answer served(const ServedDifference& text) {
    if (!text.failure.empty()) return {503, "The definitions cannot be read now; try again later\n"};
    if (!text.refusal.empty()) return {503, "This update is withheld by the publisher's safety check\n"};
    return {200, text.text};
}

}  // namespace

Answer DefinitionService::newestDate(const Query& query) {
    const auto releases = releasesFor(query);
    if (releases->empty()) return noReleases();
    return {200, dateFor(releases->back().date, query)};
}

Answer DefinitionService::badDate(std::string_view text, std::string_view reason) {
    log("unreadable client date \"" + std::string(text) + "\": " + std::string(reason));
    return {400, "Unreadable date\n"};
}

Answer DefinitionService::signedStatement(std::string covers, const Answer& answer, std::string from, std::string to) {
    if (!signer_) return notFound();
    // No statement for an answer that is not a body to apply: it would vouch for an error text.
    if (answer.status != 200) return answer;
    const Statement statement{std::move(covers), std::move(from), std::move(to),
                              FormatUtc(std::time(nullptr) + static_cast<std::time_t>(options_.statementLifetime)),
                              Sha256Hex(answer.body)};
    try {
        return {200, signer_->sign(statement)};
    } catch (const std::exception& e) {
        log(std::string("statement not signed: ") + e.what());
        return {503, "The statement cannot be signed now; try again later\n"};
    }
}

DefinitionService::Difference DefinitionService::definitionsSince(const Query& query) {
    std::vector<ReleaseDate> readings;
    std::string dateText;
    // The ISO date decides when there is one; an empty "iso" only asks for ISO answers.
    if (!firstValue(query, "iso").empty()) {
        dateText = firstValue(query, "iso");
        const auto iso = calendar::ReadIsoDate(text::trim(dateText));
        if (!iso) return {badDate(dateText, "not YYYY-MM-DDThh:mm:ss"), {}, {}};
        readings.push_back(*iso);
    } else {
        dateText = firstValue(query, "date");
        ClientDateReadings read = ReadClientDate(dateText);
        if (read.dates.empty()) return {badDate(dateText, read.error), {}, {}};
        readings = std::move(read.dates);
    }
    const auto releases = releasesFor(query);
    if (releases->empty()) return {noReleases(), {}, {}};
    std::string reason;
    const Release* base = ClientBaseRelease(*releases, readings, reason);
    if (base == nullptr) return {badDate(dateText, reason), {}, {}};
    // The client's own date when it reads one way; an ambiguous one stands for the release it settled on.
    Difference update{{}, calendar::IsoDateText(readings.size() == 1 ? readings.front() : base->date),
                      calendar::IsoDateText(releases->back().date)};
    update.answer = base == &releases->back() ? Answer{200, WithClosingRecord("")}
                                              : served(*releases_.difference(*base, releases->back()));
    return update;
}

Answer DefinitionService::customFeed(const Query& query) {
    const auto releases = releasesFor(query);
    if (releases->empty()) return noReleases();
    return served(*releases_.fullText(releases->back()));
}

Answer DefinitionService::storedFile(std::string_view name, const Query& query) {
    const auto releases = releasesFor(query);
    if (releases->empty()) return notFound();
    for (std::size_t i = 0; i < DefinitionFileCount; ++i) {
        if (!text::equalsNoCase(name, update::UpdateFiles[i])) continue;
        const auto set = releases_.definitions(releases->back());
        if (!set) return {503, "The definitions cannot be read now; try again later\n"};
        std::string body;
        for (const std::string& line : set->files[i]) body += definitions::EncodeLine(line) + "\r\n";
        return {200, body, "application/octet-stream"};
    }
    return notFound();
}

Answer DefinitionService::collect(const Query& query) {
    const std::string prog = firstValue(query, "prog"), comp = firstValue(query, "comp");
    const std::string product = prog.empty() && comp.empty() ? std::string() : prog + "/" + comp;
    const std::string now = utcNow();
    bool added = false;
    for (const std::string& name : DecodeSubmittedNames(firstValue(query, "data"))) {
        const std::string shown = cp1252ToUtf8(name);
        SubmissionStore::Outcome outcome = SubmissionStore::Outcome::TooLong;
        try {
            outcome = submissions_.record(shown, product, now);
        } catch (const std::exception& e) {
            log(std::string("submission not stored: ") + e.what());
            return {503, "Submissions cannot be stored now\n"};
        }
        if (outcome == SubmissionStore::Outcome::TooLong) {
            log("submitted (too long, not stored): " + shown.substr(0, 64) + "...");
            continue;
        }
        const bool fresh = outcome == SubmissionStore::Outcome::New;
        log(std::string(fresh ? "submitted (new): " : "submitted (seen): ") + shown);
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
