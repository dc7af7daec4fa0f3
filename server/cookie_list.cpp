#include "server/cookie_list.h"

#include <algorithm>
#include <unordered_set>

#include "platform/text.h"

namespace sorvane::server {

namespace {

// A name with at least two labels of letters, digits and hyphens, not an address.
bool isHostName(std::string_view host) {
    if (host.size() < 3 || host.size() > 253 || host.front() == '.' || host.back() == '.') return false;
    if (host.find('.') == std::string_view::npos || host.find("..") != std::string_view::npos) return false;
    const bool allowed = std::all_of(host.begin(), host.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
    });
    if (!allowed) return false;
    // Dotted numbers are an address, not a host.
    return !std::all_of(host.begin(), host.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

bool isLocalName(std::string_view host) {
    return host == "localhost.localdomain" || host == "local" || host == "broadcasthost" || host == "ip6-localhost" ||
           host == "ip6-loopback";
}

std::vector<std::string> hostsOfLine(std::string_view line, TrackerListForm form) {
    std::vector<std::string> hosts;
    if (form == TrackerListForm::Hosts) {
        if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        std::vector<std::string> words;
        std::string word;
        for (const char c : std::string(line) + " ") {
            if (c == ' ' || c == '\t' || c == '\r') {
                if (!word.empty()) words.push_back(std::move(word));
                word.clear();
            } else {
                word.push_back(c);
            }
        }
        // The first word is the address the names are sent to; a line of one word is a bare name.
        for (std::size_t i = words.size() > 1 ? 1 : 0; i < words.size(); ++i) hosts.push_back(words[i]);
        return hosts;
    }
    std::string rule = text::trim(std::string(line));
    if (!rule.empty() && rule.back() == '\r') rule.pop_back();
    if (!rule.starts_with("||")) return hosts;  // comments, exceptions, element hiding, paths
    const auto caret = rule.find('^');
    if (caret == std::string::npos) return hosts;
    const std::string rest = rule.substr(caret + 1);
    // "||host^" alone, or with options that keep it a block of the whole host.
    if (!rest.empty() && !(rest.front() == '$' && rest.find("domain=") == std::string::npos && rest.find('~') == std::string::npos))
        return hosts;
    hosts.push_back(rule.substr(2, caret - 2));
    return hosts;
}

}  // namespace

std::vector<std::string> BlockedCookieLines(std::string_view list, TrackerListForm form) {
    std::vector<std::string> lines;
    std::unordered_set<std::string> seen;
    for (const auto& line : text::lines(list)) {
        for (auto host : hostsOfLine(line, form)) {
            host = text::toLower(host);
            if (host.starts_with("www.")) host.erase(0, 4);
            if (!isHostName(host) || isLocalName(host)) continue;
            if (seen.insert(host).second) lines.push_back(std::move(host));
        }
    }
    return lines;
}

}  // namespace sorvane::server
