#include "scan/cookie_scan.h"

#include <algorithm>
#include <cmath>

#include "definitions/records.h"
#include "platform/limits.h"
#include "platform/shell.h"
#include "platform/text.h"
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
    if (hint.empty() || !files.lookup(path)) return result;
    std::string content;
    if (!files.readRange(path, 0, limits::MaxCookieFile, content).ok()) return result;
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

void ScanCookies(ScanSession& session) {
    auto folder = session.os.shell.specialFolder(platform::csidl::Cookies);
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    if (text::trim(folder).empty()) return;

    std::vector<std::string> lines;
    session.readDefinitionLines(definitions::BlockedCookiesFile, lines);
    const auto list = definitions::CookiePatternList(lines);
    const auto patternCount = static_cast<double>(lines.size());

    std::vector<platform::DirectoryEntry> entries;
    if (!session.os.files.listFolder(folder, entries).ok()) return;
    std::vector<platform::DirectoryEntry> cookies;
    for (auto& entry : entries)
        if (!entry.isFolder()) cookies.push_back(std::move(entry));
    const auto fileCount = static_cast<double>(cookies.size());

    auto& state = session.state;
    // The phase figure is the inspected count over the number of files, as a plain ratio.
    auto phaseFigure = [&] {
        return static_cast<int>(std::clamp(std::round(state.memoryInspected / fileCount), -32768.0, 32767.0));
    };
    // One file; false when the scan was ended meanwhile and the phase stops.
    auto inspect = [&](std::size_t i) {
        const auto& name = cookies[i].name;
        const std::string path = platform::JoinPath(folder, name);
        ++state.cookieCounter;
        session.UpdateProgress(session.statusText(name), phaseFigure(), -1);

        std::string host = CookieHost(session.os.files, path);
        if (host.find('.') != std::string::npos) host = dropLastLabel(host);
        if (host.compare(0, 4, "www.") == 0) host.erase(0, 4);

        const bool blocked = CookieBlocked(list, host);
        state.memoryInspected = static_cast<std::int32_t>(std::lround(patternCount / fileCount * double(i + 1)));
        session.UpdateProgress(session.statusText(list.empty() ? std::string() : list.front()), phaseFigure(), -1);
        if (!blocked) return true;

        if (session.isExcluded(path)) {
            session.addExcluded(path);
            return true;
        }
        session.addSummary("Cookie Found: " + name, icon::Cookie);
        // The scan was ended meanwhile (the window is idle again): leave it at the summary.
        if (session.view.cmdScanNow.enabled()) return false;
        session.view.lvwCookiesToDelete.add(path);
        session.addTrace();
        session.addDetail("Cookie: " + name, icon::Cookie, path, "Tracking Cookie");
        ++state.threatsFound;
        return true;
    };
    // Every file gives the window its turn, so that Stop, Pause and painting work
    // throughout the phase, blocked cookies or none.
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        if (state.stopRequested) return;
        if (!inspect(i)) return;
        session.host.yieldBetweenItems();
    }
}

}  // namespace sorvane::scan
