#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "scan/scan_session.h"

namespace sorvane::scan {

// Lists the cookies of blocked hosts in the user's cookie folder as tracking cookies.
void ScanCookies(ScanSession& session);

// The host a cookie file belongs to, read from its content; "False" when not found.
std::string CookieHost(platform::FileSystem& files, std::string_view path);
// The host of an Internet Explorer cookie text (name, value, host/path, ... "*"), from its
// first record; nothing when the text is not one.
std::optional<std::string> CookieTextHost(std::string_view content);
// What a host is compared by: without a leading dot, its last label or "www.".
std::string CookieHostKey(std::string_view host);
// The host hint in a cookie file's name: the text after "@" up to the counter.
std::string CookieNamePart(std::string_view path);
// True when a pattern of the list names the host.
bool CookieBlocked(const std::vector<std::string>& list, std::string_view host);

}  // namespace sorvane::scan
