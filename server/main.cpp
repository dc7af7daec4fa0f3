// sorvane-server: the reference definition server.
//
//   sorvane-server serve --releases DIR [--languages DIR] [--log FILE] [--port N]
//                        [--bind ADDRESS] [--port-file FILE] [--db FILE]
//                        [--max-deleted-percent P] [--max-submissions N]
//                        [--signing-key PEM] [--statement-days D]
//                        [--tls-cert PEM --tls-key PEM]
//   sorvane-server diff [--max-deleted-percent P] OLD_FOLDER NEW_FOLDER
//   sorvane-server submissions (--db FILE | --log FILE) [--top N]
//   sorvane-server publish [--languages DIR] [--signing-key PEM] [--statement-days D]
//                          [--max-deleted-percent P] RELEASES OUT
//
// "serve" listens on 127.0.0.1 and an ephemeral port unless told otherwise, prints
// "Listening on http://ADDRESS:PORT" on its first output line and logs every request
// (to FILE, or to standard error). Submitted names go to the SQLite database --db, or
// "submissions.sqlite" beside the log, or memory when there is neither. "diff" prints the
// update text that turns the clear-text definitions of OLD_FOLDER into those of NEW_FOLDER,
// as the server sends it; changes the update language cannot carry are listed on standard
// error and make the exit status 1, a difference the server would refuse makes it 3.
// "submissions" lists the names submitted most often. With --signing-key, every update, whole
// definition file and translation answer has a signed statement beside it (server/statement.h), valid for
// --statement-days days (14 unless told). "publish" writes every answer for the newest
// release as static files for a web server (server/publish.h, server/nginx/).
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/publish.h"
#include "server/releases.h"
#include "server/cookie_list.h"
#include "server/server.h"
#include "server/update_text.h"

namespace {

using namespace sorvane::server;

constexpr const char* Usage =
    "usage: sorvane-server serve --releases DIR [--languages DIR] [--log FILE] [--port N] [--bind ADDRESS]"
    " [--port-file FILE] [--db FILE] [--max-deleted-percent P] [--max-submissions N]"
    " [--signing-key PEM] [--statement-days D] [--tls-cert PEM --tls-key PEM]\n"
    "       sorvane-server diff [--max-deleted-percent P] OLD_FOLDER NEW_FOLDER\n"
    "       sorvane-server submissions (--db FILE | --log FILE) [--top N]\n"
    "       sorvane-server publish [--languages DIR] [--signing-key PEM] [--statement-days D]"
    " [--max-deleted-percent P] RELEASES OUT\n"
    "       sorvane-server cookies-from hosts|adblock FILE   (BlockedCookies lines on standard output)\n";

// A whole number or decimal within [low, high]; false otherwise.
bool readNumberOption(const std::string& text, double low, double high, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && value >= low && value <= high;
}

// The options "serve" and "publish" share, which shape the answers: false when `name` is
// none of them or its value is unusable.
bool readAnswerOption(const std::string& name, const std::string& value, ServerOptions& options) {
    double number = 0;
    if (name == "--signing-key") options.signingKey = value;
    else if (name == "--statement-days" && readNumberOption(value, 1.0 / 24, 3650, number)) {
        options.statementLifetime = static_cast<long long>(number * 24 * 3600);
    } else if (name == "--max-deleted-percent" && readNumberOption(value, 0, 100, number)) {
        options.maxDeletedShare = number / 100;
    } else {
        return false;
    }
    return true;
}

// The database kept beside a log file.
std::string databaseBesideLog(const std::string& logPath) {
    return (std::filesystem::path(logPath).parent_path() / "submissions.sqlite").string();
}

httplib::Server* running = nullptr;

// Hundreds of clients connect at once, and the HTTP library listens with a backlog of 5
// (fixed when Debian built it): the connections it drops wait a second or three for their
// retry. Listening again on the same socket raises the backlog (the kernel caps it).
void widenBacklog(int port) {
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        int listening = 0;
        socklen_t size = sizeof listening;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) continue;
        if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || listening == 0) continue;
        const int bound = address.ss_family == AF_INET ? ntohs(reinterpret_cast<sockaddr_in*>(&address)->sin_port)
                          : address.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&address)->sin6_port)
                                                           : -1;
        if (bound == port) ::listen(fd, 1024);
    }
}

void stopOnSignal(int) {
    if (running != nullptr) running->stop();
}

std::multimap<std::string, std::string> decodedQuery(const std::string& target) {
    std::multimap<std::string, std::string> query;
    const std::size_t mark = target.find('?');
    if (mark == std::string::npos) return query;
    // The raw target, not the parsed parameters: a "+" in an encoded name is no space.
    std::size_t start = mark + 1;
    while (start <= target.size()) {
        std::size_t end = target.find('&', start);
        if (end == std::string::npos) end = target.size();
        const std::string pair = target.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        const std::string key = httplib::detail::decode_url(pair.substr(0, equals), false);
        const std::string value =
            equals == std::string::npos ? std::string() : httplib::detail::decode_url(pair.substr(equals + 1), false);
        if (!key.empty()) query.emplace(key, value);
        start = end + 1;
    }
    return query;
}

int serve(const std::vector<std::string>& args) {
    ServerOptions options;
    std::string logPath, portFile, database, bind = "127.0.0.1", tlsCert, tlsKey;
    int port = 0;
    double number = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size()) {
            std::cerr << "sorvane-server: " << a << " needs a value\n" << Usage;
            return 2;
        }
        const std::string& value = args[++i];
        if (a == "--releases") options.releases = value;
        else if (a == "--languages") options.languages = value;
        else if (a == "--log") logPath = value;
        else if (a == "--port") port = std::atoi(value.c_str());
        else if (a == "--bind") bind = value;
        else if (a == "--port-file") portFile = value;
        else if (a == "--db") database = value;
        else if (a == "--tls-cert") tlsCert = value;
        else if (a == "--tls-key") tlsKey = value;
        else if (readAnswerOption(a, value, options)) continue;
        else if (a == "--max-submissions" && readNumberOption(value, 1, 1e9, number)) {
            options.maxSubmissions = static_cast<std::size_t>(number);
        } else {
            std::cerr << "sorvane-server: unknown option or unusable value " << a << " " << value << "\n" << Usage;
            return 2;
        }
    }
    if (options.releases.empty()) {
        std::cerr << "sorvane-server: --releases is required\n" << Usage;
        return 2;
    }
    if (tlsCert.empty() != tlsKey.empty()) {
        std::cerr << "sorvane-server: --tls-cert and --tls-key go together\n" << Usage;
        return 2;
    }
    std::ofstream logFile;
    if (!logPath.empty()) {
        logFile.open(logPath, std::ios::app);
        if (!logFile) {
            std::cerr << "sorvane-server: cannot open the log " << logPath << "\n";
            return 2;
        }
    }
    if (database.empty() && !logPath.empty()) database = databaseBesideLog(logPath);
    if (!database.empty()) options.submissions = database;
    else std::cerr << "sorvane-server: submitted names are kept in memory only (no --db or --log)\n";
    std::unique_ptr<DefinitionService> created;
    try {
        created = std::make_unique<DefinitionService>(options, logPath.empty() ? std::cerr : logFile);
    } catch (const std::exception& e) {
        std::cerr << "sorvane-server: " << e.what() << "\n";
        return 2;
    }
    DefinitionService& service = *created;

    // HTTPS with the certificate (and its chain) and key given; plain HTTP without them.
    const bool tls = !tlsCert.empty();
    std::unique_ptr<httplib::Server> server;
    if (tls) server = std::make_unique<httplib::SSLServer>(tlsCert.c_str(), tlsKey.c_str());
    else server = std::make_unique<httplib::Server>();
    if (!server->is_valid()) {
        std::cerr << "sorvane-server: cannot use the certificate " << tlsCert << " with the key " << tlsKey
                  << " (unreadable, not PEM, or not a pair)\n";
        return 2;
    }
    httplib::Server& http = *server;
    // Answers come from memory; more threads than the library's 8 keep slow readers from queueing the rest.
    http.new_task_queue = [] { return new httplib::ThreadPool(32); };
    http.Get(R"(/.*)", [&](const httplib::Request& request, httplib::Response& response) {
        const Answer answer = service.get(request.path, decodedQuery(request.target));
        response.status = answer.status;
        response.set_content(answer.body, answer.contentType.c_str());
    });
    http.set_logger([&](const httplib::Request& request, const httplib::Response& response) {
        service.log(request.remote_addr + " " + request.method + " " + request.target + " " +
                    std::to_string(response.status) + " " + std::to_string(response.body.size()));
    });

    const int bound = port == 0 ? http.bind_to_any_port(bind) : (http.bind_to_port(bind, port) ? port : -1);
    if (bound <= 0) {
        std::cerr << "sorvane-server: cannot listen on " << bind << ":" << port << "\n";
        return 2;
    }
    widenBacklog(bound);
    if (!portFile.empty()) {
        const std::string temporary = portFile + ".tmp";
        {
            std::ofstream out(temporary, std::ios::trunc);
            out << bound << "\n";
        }
        std::rename(temporary.c_str(), portFile.c_str());
    }
    std::cout << "Listening on " << (tls ? "https://" : "http://") << bind << ":" << bound << std::endl;
    running = &http;
    std::signal(SIGTERM, stopOnSignal);
    std::signal(SIGINT, stopOnSignal);
    const bool ok = http.listen_after_bind();
    running = nullptr;
    return ok ? 0 : 2;
}

int diff(std::vector<std::string> args) {
    double percent = ServerOptions{}.maxDeletedShare * 100;  // the server's own default
    if (args.size() == 4 && args[0] == "--max-deleted-percent" && readNumberOption(args[1], 0, 100, percent)) {
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.size() != 2) {
        std::cerr << Usage;
        return 2;
    }
    std::string error;
    const auto from = ReadDefinitionSet(args[0], &error);
    const auto to = from ? ReadDefinitionSet(args[1], &error) : std::nullopt;
    if (!from || !to) {
        std::cerr << "sorvane-server: " << error << "\n";
        return 2;
    }
    const std::string refusal = DestructiveDifference(*from, *to, percent / 100);
    if (!refusal.empty()) {
        std::cerr << "refused: " << refusal << "\n";
        return 3;
    }
    const UpdateText update = MakeUpdateText(*from, *to);
    std::cout << WithClosingRecord(update.text);
    std::cout.flush();
    for (const std::string& warning : update.warnings) std::cerr << "warning: " << warning << "\n";
    return update.warnings.empty() ? 0 : 1;
}

int submissions(const std::vector<std::string>& args) {
    std::string database;
    double top = 20;
    bool usable = args.size() % 2 == 0;
    for (std::size_t i = 0; usable && i + 1 < args.size(); i += 2) {
        if (args[i] == "--db") database = args[i + 1];
        else if (args[i] == "--log") database = databaseBesideLog(args[i + 1]);
        else usable = args[i] == "--top" && readNumberOption(args[i + 1], 1, 1e9, top);
    }
    if (!usable || database.empty()) {
        std::cerr << Usage;
        return 2;
    }
    if (!std::filesystem::exists(database)) {
        std::cerr << "sorvane-server: no submissions database " << database << "\n";
        return 2;
    }
    try {
        SubmissionStore store(database, static_cast<std::size_t>(-1));
        std::cout << "count\tfirst seen\tlast seen\tproduct\tname\n";
        for (const SubmissionStore::Row& row : store.top(static_cast<std::size_t>(top))) {
            std::cout << row.count << '\t' << row.firstSeen << '\t' << row.lastSeen << '\t' << EscapeLogText(row.product)
                      << '\t' << EscapeLogText(row.name) << '\n';
        }
    } catch (const std::exception& e) {
        std::cerr << "sorvane-server: " << e.what() << "\n";
        return 2;
    }
    return 0;
}

int publish(const std::vector<std::string>& args) {
    ServerOptions options;
    std::size_t i = 0;
    for (; i + 2 < args.size(); i += 2) {
        if (args[i] == "--languages") options.languages = args[i + 1];
        else if (!readAnswerOption(args[i], args[i + 1], options)) break;
    }
    if (args.size() != i + 2) {
        std::cerr << Usage;
        return 2;
    }
    options.releases = args[i];
    try {
        const PublishResult result = PublishStatic(options, args[i + 1], std::cerr);
        if (!result.error.empty()) {
            std::cerr << "sorvane-server: " << result.error << "\n";
            return 2;
        }
        std::cout << result.files << " files published in " << args[i + 1] << "\n";
    } catch (const std::exception& e) {
        std::cerr << "sorvane-server: " << e.what() << "\n";
        return 2;
    }
    return 0;
}

// A tracker list as "BlockedCookies" lines, for a publisher to keep the list current.
int cookiesFrom(const std::vector<std::string>& args) {
    if (args.size() != 2 || (args[0] != "hosts" && args[0] != "adblock")) {
        std::cerr << Usage;
        return 2;
    }
    std::ifstream in(args[1], std::ios::binary);
    if (!in.is_open()) {
        std::cerr << "sorvane-server: cannot read " << args[1] << "\n";
        return 2;
    }
    const std::string list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto form = args[0] == "hosts" ? TrackerListForm::Hosts : TrackerListForm::Adblock;
    for (const auto& line : BlockedCookieLines(list, form)) std::cout << line << "\r\n";
    return std::cout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << Usage;
        return 2;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "serve") return serve(args);
    if (command == "diff") return diff(args);
    if (command == "submissions") return submissions(args);
    if (command == "publish") return publish(args);
    if (command == "cookies-from") return cookiesFrom(args);
    std::cerr << "sorvane-server: unknown command " << command << "\n" << Usage;
    return 2;
}
