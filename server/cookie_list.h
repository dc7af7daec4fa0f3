#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::server {

// The forms a public tracker list comes in.
enum class TrackerListForm {
    Hosts,    // "0.0.0.0 host" or "127.0.0.1 host host2", "#" comments
    Adblock,  // "||host^" network rules, "!" comments; other rules are not host blocks
};

// The "BlockedCookies" lines for the hosts of a tracker list: lower case, without "www."
// (which the cookie rule leaves out of every comparison), in the order first met, each once.
// Comments, addresses, local names and rules that block less than a whole host are skipped.
std::vector<std::string> BlockedCookieLines(std::string_view list, TrackerListForm form);

}  // namespace sorvane::server
