// A load test of the reference definition server: CLIENTS clients on 127.0.0.1 ask, each in
// turn, for the newest date, the update since the release they hold, and the new date, the
// way a Sorvane client updates. Rounds of 1x, 2x and 4x the requests show whether the cost
// of a request stays flat as the rate grows; every update text is checked against one
// computed here, afresh, for the same pair of releases.
//
//   server_load SERVER_PROGRAM [CLIENTS] [REQUESTS_PER_CLIENT] [FILE_NAMES] [PROCESS_ADDITIONS]
//
// Exit status 0 when every answer was right, 1 otherwise (it never judges the times).
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "server/releases.h"
#include "server/update_text.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* FileNames[] = {"FileDefinition.txt",  "ExeDefinition.txt",       "RegistryDefinition.txt",
                                     "BlockedCookies.txt",  "DirectoryDefinition.txt", "Safety.txt"};

void writeRelease(const fs::path& folder, std::size_t files, std::size_t processes, std::size_t shift) {
    fs::create_directories(folder);
    for (const char* name : FileNames) {
        std::ofstream out(folder / name, std::ios::binary);
        const std::string file(name);
        if (file == "FileDefinition.txt") {
            for (std::size_t i = shift; i < files + shift; ++i) out << "file" << i << ".dll=Threat" << i % 97 << "|[system]|load\r\n";
        } else if (file == "ExeDefinition.txt") {
            for (std::size_t i = 0; i < processes * (shift != 0 ? 1 : 0); ++i) {
                out << "proc" << i << ".exe=Proc" << i % 89 << "|[progfil]Proc" << i << "\r\n";
            }
            out << "base.exe=Base|[progfil]Base\r\n";
        } else if (file == "BlockedCookies.txt") {
            out << "ads.example\r\ntrack.example\r\n";
        } else if (file == "Safety.txt") {
            out << "SFILE|good.dll|[system]\r\n";
        } else if (file == "RegistryDefinition.txt") {
            out << "2^Software\\Base^=Base|whole key\r\n";
        } else {
            out << "Base=Base|[progfil]Base\r\n";
        }
    }
    std::ofstream(folder / "RELEASE-COMPLETE");
}

struct Round {
    double seconds = 0;
    std::size_t requests = 0, failures = 0;
    std::vector<double> latencies;  // milliseconds
};

Round runRound(int port, std::size_t clients, std::size_t perClient, const std::string& expected) {
    Round round;
    std::atomic<std::size_t> failures{0};
    std::vector<std::vector<double>> latencies(clients);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (std::size_t c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            for (std::size_t r = 0; r < perClient; ++r) {
                // Half the clients are classic (their own date form), half send the ISO date.
                const bool iso = c % 2 == 0;
                const std::string targets[] = {
                    std::string("/asp/currentDateNEW.asp?prog=Sorvane&comp=Talvenor") + (iso ? "&iso=2006-03-16T00:00:00" : ""),
                    iso ? "/asp/getDefsNEW.asp?prog=Sorvane&comp=Talvenor&date=16.03.2006&iso=2006-03-16T00:00:00"
                        : "/asp/getDefsNEW.asp?prog=Sorvane&comp=Talvenor&date=3/16/2006",
                    "/asp/date.asp"};
                for (const std::string& target : targets) {
                    httplib::Client client("127.0.0.1", port);
                    client.set_read_timeout(60, 0);
                    const auto before = Clock::now();
                    const auto answer = client.Get(target);
                    latencies[c].push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
                    const bool update = target.find("getDefsNEW") != std::string::npos;
                    if (!answer || answer->status != 200 || (update && answer->body != expected)) ++failures;
                }
            }
        });
    }
    for (std::thread& t : threads) t.join();
    round.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (auto& list : latencies) round.latencies.insert(round.latencies.end(), list.begin(), list.end());
    std::sort(round.latencies.begin(), round.latencies.end());
    round.requests = round.latencies.size();
    round.failures = failures;
    return round;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: server_load SERVER_PROGRAM [CLIENTS] [REQUESTS_PER_CLIENT] [FILE_NAMES] [PROCESS_ADDITIONS]\n";
        return 2;
    }
    const std::string program = argv[1];
    const std::size_t clients = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 300;
    const std::size_t perClient = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 5;
    const std::size_t files = argc > 4 ? std::strtoul(argv[4], nullptr, 10) : 20000;
    const std::size_t processes = argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 5000;

    const fs::path scratch = fs::temp_directory_path() / ("sorvane-server-load-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    // The newer release renames a tenth of the file names and adds the process definitions.
    writeRelease(scratch / "releases" / "2006-03-16", files, 0, 0);
    writeRelease(scratch / "releases" / "2024-05-14", files, processes, files / 10);
    const auto from = sorvane::server::ReadDefinitionSet(scratch / "releases" / "2006-03-16");
    const auto to = sorvane::server::ReadDefinitionSet(scratch / "releases" / "2024-05-14");
    if (!from || !to) return 1;
    const auto computing = Clock::now();
    const std::string expected = sorvane::server::WithClosingRecord(sorvane::server::MakeUpdateText(*from, *to).text);
    // What every update request cost while the server computed the text for each one.
    const double computeMs = std::chrono::duration<double, std::milli>(Clock::now() - computing).count();

    const fs::path portFile = scratch / "port";
    std::vector<std::string> args = {program, "serve", "--releases", (scratch / "releases").string(),
                                     "--log", (scratch / "server.log").string(), "--port-file", portFile.string()};
    std::vector<char*> argvServer;
    for (std::string& a : args) argvServer.push_back(a.data());
    argvServer.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argvServer.data(), environ) != 0) {
        std::cerr << "cannot start " << program << "\n";
        return 1;
    }
    int port = 0;
    for (int i = 0; i < 400 && port == 0; ++i) {
        std::ifstream(portFile) >> port;
        if (port == 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    int status = 1;
    if (port != 0) {
        std::printf("%zu file names, %zu process additions: update text of %zu bytes, computed in %.1f ms\n", files,
                    processes, expected.size(), computeMs);
        // The first request computes the text; every later one is served from the cache.
        const auto first = Clock::now();
        httplib::Client warm("127.0.0.1", port);
        warm.set_read_timeout(600, 0);
        if (!warm.Get("/asp/getDefsNEW.asp?date=3/16/2006")) std::fprintf(stderr, "the first update request failed\n");
        std::printf("first update request (computes the text): %.1f ms\n",
                    std::chrono::duration<double, std::milli>(Clock::now() - first).count());
        std::printf("%8s %9s %10s %12s %9s %9s %8s\n", "clients", "requests", "seconds", "requests/s", "p50 ms",
                    "p99 ms", "failed");
        std::size_t failed = 0;
        for (std::size_t scale : {1, 2, 4}) {
            const Round r = runRound(port, clients, perClient * scale, expected);
            failed += r.failures;
            std::printf("%8zu %9zu %10.2f %12.0f %9.2f %9.2f %8zu\n", clients, r.requests, r.seconds,
                        static_cast<double>(r.requests) / r.seconds, r.latencies[r.latencies.size() / 2],
                        r.latencies[r.latencies.size() * 99 / 100], r.failures);
        }
        status = failed == 0 && !expected.empty() ? 0 : 1;
    } else {
        std::cerr << "the server did not start\n";
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    fs::remove_all(scratch);
    return status;
}
