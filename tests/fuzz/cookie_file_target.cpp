#include "tests/fuzz/cookie_file_target.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "definitions/records.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "scan/cookie_scan.h"
#include "tests/fakes/fake_file_system.h"

namespace sorvane::fuzz {
namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

void FuzzCookieFile(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    // A file name as Windows allows it: none of its reserved characters, no control codes.
    std::string name;
    for (const char c : input.substr(0, newline == std::string_view::npos ? input.size() : newline))
        if (static_cast<unsigned char>(c) >= 32 && std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos)
            name.push_back(c);
    const std::string_view content = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    const std::string hint = scan::CookieNamePart(name);
    require(hint.size() <= name.size());

    fakes::FakeFileSystem files;
    const std::string path = "C:\\Cookies\\" + name;
    files.addFile(path, content);
    const std::string host = scan::CookieHost(files, path);
    if (host != "False") {
        // A host is the hinted name and what follows it up to a slash, within the bytes read;
        // a file named without a hint gives the host line of its first record.
        require(hint.empty() || host.compare(0, hint.size(), hint) == 0);
        require(host.find_first_of("/,\r\n") == std::string::npos);
        require(content.substr(0, limits::MaxCookieFile).find(host) != std::string_view::npos);
    }
    if (const auto textHost = scan::CookieTextHost(content)) {
        require(!textHost->empty() && textHost->find_first_of("/\r\n *") == std::string::npos);
        require(content.find(*textHost + "/") != std::string_view::npos);
    }
    const auto list = definitions::CookiePatternList(text::lines(content));
    (void)scan::CookieBlocked(list, host);
    (void)scan::CookieBlocked(list, scan::CookieHostKey(host));
    (void)scan::CookieBlocked(list, hint);
}

}  // namespace sorvane::fuzz
