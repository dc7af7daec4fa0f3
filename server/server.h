#pragma once
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "server/release_store.h"
#include "server/statement.h"
#include "server/submissions.h"

// The reference definition server's answers, apart from the HTTP transport, so that
// they can be tested without a socket.
namespace sorvane::server {

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
};

struct ServerOptions {
    std::filesystem::path releases;   // one sub-folder per release, or PROG/COMP/ folders of them
    std::filesystem::path languages;  // "N/Localization.xml" per product number; empty: none served
    double maxDeletedShare = 0.5;     // a difference deleting more of a file is refused
    std::string submissions = ":memory:";  // the SQLite database of submitted names
    std::size_t maxSubmissions = 100000;
    std::filesystem::path signingKey{};  // PEM, ECDSA P-256; empty: no statements are served
    long long statementLifetime = 14 * 24 * 3600;  // seconds a statement stays valid
};

class DefinitionService {
public:
    // `log` receives one line per request and per name submitted; it may be shared with
    // other threads only through this object. Throws std::runtime_error when the
    // submissions database or the signing key cannot be opened.
    DefinitionService(ServerOptions options, std::ostream& log);

    // Answers a GET of `path` with its decoded query `query` (name to value).
    Answer get(std::string_view path, const std::multimap<std::string, std::string>& query);
    // Writes one log line (under the log's lock), its control characters escaped.
    void log(std::string_view line);
    // The releases a request with `query` (its "prog" and "comp") is answered from, oldest first.
    std::shared_ptr<const std::vector<Release>> releasesFor(const std::multimap<std::string, std::string>& query);

private:
    using Query = std::multimap<std::string, std::string>;
    Answer newestDate(const Query& query);
    // An update answer and the dates its statement names.
    struct Difference {
        Answer answer;
        std::string from, to;
    };
    Difference definitionsSince(const Query& query);
    Answer signedStatement(std::string covers, const Answer& answer, std::string from, std::string to);
    Answer customFeed(const Query& query);
    Answer storedFile(std::string_view name, const Query& query);
    Answer collect(const Query& query);
    Answer languageFile(std::string_view product);
    Answer badDate(std::string_view text, std::string_view reason);

    ServerOptions options_;
    std::ostream& log_;
    std::mutex mutex_;
    ReleaseStore releases_;
    SubmissionStore submissions_;
    std::unique_ptr<StatementSigner> signer_;
};

// A log line with every control character (C0, DEL, C1 in UTF-8) and the backslash written
// as an escape ("\x0a", "\\"), so that no submitted byte can end a line or forge one.
std::string EscapeLogText(std::string_view text);

// The release a client's date readings stand for: the same base release for every reading,
// or else the one reading that is a release's own date (clients keep the date the server
// gave them). Readings later than the newest release are impossible and dropped. Nothing,
// with `reason`, when the readings lead to different releases and none is preferred.
const Release* ClientBaseRelease(const std::vector<Release>& releases, const std::vector<ReleaseDate>& readings,
                                 std::string& reason);

// The payload of the data-collection endpoint as it arrived (percent-escapes already
// undone): its encoded names, decoded. Names sent as UTF-8 of the ANSI characters are
// brought back to the single-byte form first.
std::vector<std::string> DecodeSubmittedNames(std::string_view payload);

}  // namespace sorvane::server
