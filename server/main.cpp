// sorvane-server: the reference definition server.
//
//   sorvane-server serve --releases DIR [--languages DIR] [--log FILE] [--port N]
//                        [--bind ADDRESS] [--port-file FILE]
//   sorvane-server diff OLD_FOLDER NEW_FOLDER
//
// "serve" listens on 127.0.0.1 and an ephemeral port unless told otherwise, prints
// "Listening on http://ADDRESS:PORT" on its first output line and logs every request
// (to FILE, or to standard error). "diff" prints the update text that turns the clear-text
// definitions of OLD_FOLDER into those of NEW_FOLDER; changes the update language cannot
// carry are listed on standard error and make the exit status 1.
#include <httplib.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/releases.h"
#include "server/server.h"
#include "server/update_text.h"

namespace {

using namespace sorvane::server;

constexpr const char* Usage =
    "usage: sorvane-server serve --releases DIR [--languages DIR] [--log FILE] [--port N] [--bind ADDRESS]"
    " [--port-file FILE]\n"
    "       sorvane-server diff OLD_FOLDER NEW_FOLDER\n";

httplib::Server* running = nullptr;

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
    std::string logPath, portFile, bind = "127.0.0.1";
    int port = 0;
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
        else {
            std::cerr << "sorvane-server: unknown option " << a << "\n" << Usage;
            return 2;
        }
    }
    if (options.releases.empty()) {
        std::cerr << "sorvane-server: --releases is required\n" << Usage;
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
    DefinitionService service(options, logPath.empty() ? std::cerr : logFile);

    httplib::Server http;
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
    if (!portFile.empty()) {
        const std::string temporary = portFile + ".tmp";
        {
            std::ofstream out(temporary, std::ios::trunc);
            out << bound << "\n";
        }
        std::rename(temporary.c_str(), portFile.c_str());
    }
    std::cout << "Listening on http://" << bind << ":" << bound << std::endl;
    running = &http;
    std::signal(SIGTERM, stopOnSignal);
    std::signal(SIGINT, stopOnSignal);
    const bool ok = http.listen_after_bind();
    running = nullptr;
    return ok ? 0 : 2;
}

int diff(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::cerr << Usage;
        return 2;
    }
    const UpdateText update = MakeUpdateText(LoadDefinitionSet(args[0]), LoadDefinitionSet(args[1]));
    std::cout << update.text;
    std::cout.flush();
    for (const std::string& warning : update.warnings) std::cerr << "warning: " << warning << "\n";
    return update.warnings.empty() ? 0 : 1;
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
    std::cerr << "sorvane-server: unknown command " << command << "\n" << Usage;
    return 2;
}
