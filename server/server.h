#pragma once
#include <filesystem>
#include <map>
#include <vector>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <string_view>

// The reference definition server's answers, apart from the HTTP transport, so that
// they can be tested without a socket.
namespace sorvane::server {

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
};

struct ServerOptions {
    std::filesystem::path releases;   // one sub-folder per release
    std::filesystem::path languages;  // "N/Localization.xml" per product number; empty: none served
};

class DefinitionService {
public:
    // `log` receives one line per request and per name submitted; it may be shared with
    // other threads only through this object.
    DefinitionService(ServerOptions options, std::ostream& log);

    // Answers a GET of `path` with its decoded query `query` (name to value).
    Answer get(std::string_view path, const std::multimap<std::string, std::string>& query);
    // Writes one log line (under the log's lock).
    void log(std::string_view line);

private:
    Answer newestDate();
    Answer definitionsSince(std::string_view clientDate);
    Answer customFeed();
    Answer storedFile(std::string_view name);
    Answer collect(std::string_view payload);
    Answer languageFile(std::string_view product);

    ServerOptions options_;
    std::ostream& log_;
    std::mutex mutex_;
    std::set<std::string> seenNames_;
};

// The payload of the data-collection endpoint as it arrived (percent-escapes already
// undone): its encoded names, decoded. Names sent as UTF-8 of the ANSI characters are
// brought back to the single-byte form first.
std::vector<std::string> DecodeSubmittedNames(std::string_view payload);

}  // namespace sorvane::server
