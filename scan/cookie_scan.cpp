#include "scan/cookie_scan.h"

#include <algorithm>
#include <cmath>

#include "definitions/records.h"
#include "platform/limits.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "scan/browser_profiles.h"
#include "scan/cookie_store.h"
#include "scan/file_tests.h"

namespace sorvane::scan {

namespace {

// Every label but the last, joined again.
std::string dropLastLabel(std::string_view name) {
    auto dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

}  // namespace

std::string CookieNamePart(std::string_view path) {
    auto at = path.find('@');
    if (at == std::string_view::npos) return {};
    std::string_view rest = path.substr(at + 1);
    auto cut = rest.find('(');
    if (cut == std::string_view::npos) cut = rest.find('[');
    if (cut == std::string_view::npos) cut = rest.rfind('.');
    return std::string(rest.substr(0, cut));
}

std::string CookieHost(platform::FileSystem& files, std::string_view path) {
    std::string result = "False";
    const std::string hint = CookieNamePart(path);
    if (!files.lookup(path)) return result;
    std::string content;
    if (!files.readRange(path, 0, limits::MaxCookieFile, content).ok()) return result;
    // Since 2011 the files have random names: the host is the third line of the first record.
    if (hint.empty()) return CookieTextHost(content).value_or(result);
    std::size_t start = 0;
    while (start <= content.size()) {
        auto end = content.find_first_of(",\r\n", start);
        if (end == std::string::npos) end = content.size();
        std::string_view field(content.data() + start, end - start);
        auto pos = field.find(hint);
        if (pos != std::string_view::npos) {
            auto from = field.substr(pos);
            auto slash = from.find('/');
            if (slash != std::string_view::npos) return std::string(from.substr(0, slash));
        }
        start = end + 1;
    }
    return result;
}

std::optional<std::string> CookieTextHost(std::string_view content) {
    // A record is name, value, host/path, flags, four time numbers and "*", a line each.
    std::size_t start = 0;
    for (int line = 0; line < 3; ++line) {
        const auto end = content.find('\n', start);
        if (end == std::string_view::npos) return std::nullopt;
        if (line < 2) {
            start = end + 1;
            continue;
        }
        std::string_view field = content.substr(start, end - start);
        if (!field.empty() && field.back() == '\r') field.remove_suffix(1);
        const auto slash = field.find('/');
        if (slash == std::string_view::npos || slash == 0) return std::nullopt;
        const auto host = field.substr(0, slash);
        // A host name holds no blank, control code, star or comma.
        if (std::any_of(host.begin(), host.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '*' || c == ','; }))
            return std::nullopt;
        return std::string(host);
    }
    return std::nullopt;
}

std::string CookieHostKey(std::string_view host) {
    while (!host.empty() && host.front() == '.') host.remove_prefix(1);
    std::string key = host.find('.') != std::string_view::npos ? dropLastLabel(host) : std::string(host);
    if (key.compare(0, 4, "www.") == 0) key.erase(0, 4);
    return key;
}

bool CookieBlocked(const std::vector<std::string>& list, std::string_view host) {
    for (const auto& entry : list) {
        if (entry.find(host) == std::string::npos) continue;
        std::string pattern = entry.find('.') != std::string::npos ? dropLastLabel(entry) : entry;
        auto star = pattern.find('*');
        if (star != std::string::npos) pattern.erase(star, 1);
        if (text::equalsNoCase(pattern, host)) return true;
    }
    return false;
}

namespace {

// One blocked cookie (a file, or one host's cookies in a browser's store) as rows of the
// lists; false when the scan was ended meanwhile and the phase stops.
bool reportCookie(ScanSession& session, const std::string& location, const std::string& shown) {
    auto finding = Finding::at(FindingKind::Cookie, location);
    if (session.isExcluded(location)) {
        session.recordExcluded(std::move(finding), location);
        return true;
    }
    finding.summary = SummaryRow{"Cookie Found: " + shown, icon::Cookie};
    // The scan was ended meanwhile: leave it at the summary.
    if (session.state.ended) {
        session.record(std::move(finding));
        return false;
    }
    finding.threat = "Cookie: " + shown;
    finding.note = "Tracking Cookie";
    finding.trace = true;
    finding.removal = RemovalRow{finding.threat, location, finding.note, icon::Cookie};
    session.record(std::move(finding));
    ++session.state.threatsFound;
    return true;
}

// The files of one Internet Explorer cookie folder; false when the phase stops.
bool scanCookieFolder(ScanSession& session, const std::string& folder, const std::vector<std::string>& list,
                      double patternCount) {
    std::vector<platform::DirectoryEntry> entries;
    if (!session.os.files.listFolder(folder, entries).ok()) return true;
    std::vector<platform::DirectoryEntry> cookies;
    for (auto& entry : entries)
        if (!entry.isFolder()) cookies.push_back(std::move(entry));
    const auto fileCount = static_cast<double>(cookies.size());

    auto& state = session.state;
    // The phase figure is the inspected count over the number of files, as a plain ratio.
    auto phaseFigure = [&] {
        return static_cast<int>(std::clamp(std::round(state.memoryInspected / fileCount), -32768.0, 32767.0));
    };
    // Every file gives the window its turn, so that Stop, Pause and painting work
    // throughout the phase, blocked cookies or none.
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (state.stopRequested) return false;
        const auto& name = cookies[i].name;
        const std::string path = platform::JoinPath(folder, name);
        ++state.cookieCounter;
        session.UpdateProgress(session.statusText(name), phaseFigure(), -1);

        const bool blocked = CookieBlocked(list, CookieHostKey(CookieHost(session.os.files, path)));
        state.memoryInspected = static_cast<std::int32_t>(std::lround(patternCount / fileCount * double(i + 1)));
        session.UpdateProgress(session.statusText(list.empty() ? std::string() : list.front()), phaseFigure(), -1);
        if (blocked && !reportCookie(session, path, name)) return false;
        session.host.yieldBetweenItems();
    }
    return true;
}

// The cookie databases of the current browsers; a store its browser holds is named with
// what the user can do about it.
void scanCookieStores(ScanSession& session, const std::vector<std::string>& list) {
    auto& shell = session.os.shell;
    const auto stores = FindCookieStores(session.os.files, shell.specialFolder(platform::csidl::LocalAppData),
                                         shell.specialFolder(platform::csidl::AppData));
    for (const auto& store : stores) {
        if (session.state.stopRequested) return;
        ++session.state.cookieCounter;
        session.UpdateProgress(session.statusText(store.path), -1, -1);
        const auto reading = ReadCookieStoreHosts(store.path);
        if (reading.access == StoreAccess::InUse) {
            std::string inUse = text::replaceAll(session.message("MSG_COOKIES_IN_USE"), "[Browser]", store.browser) +
                                " (" + store.profile + ")";
            auto finding = Finding::at(FindingKind::Cookie, store.path);
            finding.refusal = inUse;
            finding.summary = SummaryRow{std::move(inUse), icon::None};
            session.record(std::move(finding));
        }
        for (const auto& host : reading.hosts) {
            if (!CookieBlocked(list, CookieHostKey(host))) continue;
            const std::string shown = host + " (" + store.browser + ", " + store.profile + ")";
            if (!reportCookie(session, CookieStoreLocation(store.path, host), shown)) return;
        }
        session.host.yieldBetweenItems();
    }
}

}  // namespace

void ScanCookies(ScanSession& session) {
    std::vector<std::string> lines;
    session.readDefinitionLines(definitions::BlockedCookiesFile, lines);
    const auto list = definitions::CookiePatternList(lines);
    const auto patternCount = static_cast<double>(lines.size());

    auto folder = session.os.shell.specialFolder(platform::csidl::Cookies);
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (!text::trim(folder).empty()) {
        // Protected Mode kept the cookies of sites opened in it apart, in "Low".
        for (const auto& where : {folder, platform::JoinPath(folder, "Low")})
            if (!scanCookieFolder(session, where, list, patternCount)) return;
    }
    scanCookieStores(session, list);
}

}  // namespace sorvane::scan
