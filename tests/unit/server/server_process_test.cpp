// The reference server as a program: started, asked over HTTP on 127.0.0.1, stopped and
// started again.
#include <gtest/gtest.h>
#include <httplib.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "definitions/encoding.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class RunningServer {
public:
    explicit RunningServer(std::vector<std::string> args) {
        fs::remove(portFile_);
        args.insert(args.begin(), {SORVANE_SERVER_PROGRAM, "serve"});
        args.insert(args.end(), {"--port-file", portFile_.string()});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
        for (int i = 0; i < 200 && pid_ > 0 && port_ == 0; ++i) {
            std::ifstream(portFile_) >> port_;
            if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ~RunningServer() { stop(); }
    int stop() {
        int status = -1;
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, &status, 0);
            pid_ = -1;
        }
        return status;
    }
    httplib::Result get(const std::string& target) {
        httplib::Client client("127.0.0.1", port_);
        return client.Get(target);
    }
    int port() const { return port_; }

private:
    fs::path portFile_ = fs::temp_directory_path() / ("sorvane-server-port-" + std::to_string(::getpid()));
    pid_t pid_ = -1;
    int port_ = 0;
};

std::string percentEncoded(const std::string& bytes) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += '%';
        out += Hex[c >> 4];
        out += Hex[c & 0xF];
    }
    return out;
}

// The standard output of `command`; `status` gets its exit status.
std::string run(const std::string& command, int* status = nullptr) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
        const int result = ::pclose(pipe);
        if (status != nullptr) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    }
    return out;
}

void writeRelease(const fs::path& folder, const std::string& cookies) {
    fs::create_directories(folder);
    for (const char* name : {"FileDefinition.txt", "ExeDefinition.txt", "RegistryDefinition.txt", "BlockedCookies.txt",
                             "DirectoryDefinition.txt", "Safety.txt"}) {
        std::ofstream(folder / name, std::ios::binary) << (std::string(name) == "BlockedCookies.txt" ? cookies : "");
    }
    std::ofstream(folder / "RELEASE-COMPLETE");
}

TEST(ServerProgram, DiffPrintsWhatIsServedAndRefusesWhatTheServerRefuses) {
    const fs::path scratch = fs::temp_directory_path() / ("sorvane-server-diff-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    std::string many;
    for (int i = 0; i < 12; ++i) many += "site" + std::to_string(i) + ".example\r\n";
    writeRelease(scratch / "2006-03-16", many);
    writeRelease(scratch / "2024-05-14", many + "new.example\r\n");
    writeRelease(scratch / "other" / "2024-06-01", "");
    writeRelease(scratch / "other" / "2024-07-01", many);
    fs::remove(scratch / "other" / "2024-07-01" / "Safety.txt");
    const std::string diff = std::string(SORVANE_SERVER_PROGRAM) + " diff " + (scratch / "2006-03-16").string() + " ";
    int status = -1;
    const std::string printed = run(diff + (scratch / "2024-05-14").string(), &status);
    EXPECT_EQ(status, 0);
    {
        RunningServer server({"--releases", scratch.string()});
        const auto answer = server.get("/asp/getDefsNEW.asp?date=3/16/2006");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->body, printed);  // with its closing record
        EXPECT_EQ(printed.substr(printed.size() - 13), "[BR]|END[DEF]");
    }
    run(diff + (scratch / "other" / "2024-06-01").string() + " 2>/dev/null", &status);
    EXPECT_EQ(status, 3);  // empties the cookie list
    EXPECT_EQ(run(diff + (scratch / "other" / "2024-07-01").string() + " 2>/dev/null", &status), "");
    EXPECT_EQ(status, 2);  // a file missing is no empty file
    fs::remove_all(scratch);
}

TEST(ServerProgram, SubmissionsSurviveARestartAndAreListed) {
    const fs::path scratch = fs::temp_directory_path() / ("sorvane-server-program-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch / "releases");
    const std::string log = (scratch / "server.log").string();
    const std::string query = "/asp/getData.asp?prog=Sorvane&comp=Talvenor&data=";
    const std::string name = sorvane::definitions::EncodeLine("keeper.exe");
    {
        RunningServer server({"--releases", (scratch / "releases").string(), "--log", log});
        ASSERT_NE(server.port(), 0);
        auto health = server.get("/health");
        ASSERT_TRUE(health);
        EXPECT_EQ(health->status, 200);
        EXPECT_EQ(server.get(query + percentEncoded(name))->body, "Added");
        EXPECT_EQ(server.get(query + percentEncoded(name))->body, "Skipped");
        EXPECT_EQ(server.stop(), 0);
    }
    ASSERT_TRUE(fs::exists(scratch / "submissions.sqlite"));  // beside the log
    {
        RunningServer server({"--releases", (scratch / "releases").string(), "--log", log});
        ASSERT_NE(server.port(), 0);
        EXPECT_EQ(server.get(query + percentEncoded(name))->body, "Skipped");  // known from before
        server.stop();
    }
    const std::string listed = run(std::string(SORVANE_SERVER_PROGRAM) + " submissions --log " + log + " --top 5");
    std::istringstream lines(listed);
    std::string header, row;
    std::getline(lines, header);
    std::getline(lines, row);
    EXPECT_EQ(header, "count\tfirst seen\tlast seen\tproduct\tname");
    EXPECT_EQ(row.substr(0, 2), "3\t");
    EXPECT_NE(row.find("\tSorvane/Talvenor\tkeeper.exe"), std::string::npos) << row;
    fs::remove_all(scratch);
}

TEST(ServerProgram, SignsWithTheKeyGivenAtStartAndRefusesToStartWithAnUnusableOne) {
    const fs::path scratch = fs::temp_directory_path() / ("sorvane-server-signing-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    writeRelease(scratch / "releases" / "2006-03-16", "a.example\r\n");
    writeRelease(scratch / "releases" / "2024-05-14", "a.example\r\nb.example\r\n");
    const std::string releases = (scratch / "releases").string();
    {
        RunningServer server({"--releases", releases, "--signing-key", SORVANE_SOURCE_DIR "/cmake/dev-signing-key.pem",
                              "--statement-days", "2"});
        ASSERT_NE(server.port(), 0);
        auto statement = server.get("/asp/getDefsNEW.sig?iso=2006-03-16T00:00:00&prog=Sorvane");
        ASSERT_TRUE(statement);
        EXPECT_EQ(statement->status, 200);
        EXPECT_EQ(statement->body.rfind("for=/asp/getDefsNEW.asp\nfrom=2006-03-16T00:00:00\nto=2024-05-14T00:00:00\n", 0),
                  0u)
            << statement->body;
        EXPECT_NE(statement->body.find("\nsignature="), std::string::npos);
    }
    {
        RunningServer classic({"--releases", releases});
        ASSERT_NE(classic.port(), 0);
        EXPECT_EQ(classic.get("/asp/getDefsNEW.sig?iso=2006-03-16T00:00:00")->status, 404);
    }
    std::ofstream(scratch / "broken.pem") << "not a key\n";
    int status = 0;
    const std::string out = run(std::string(SORVANE_SERVER_PROGRAM) + " serve --releases " + releases +
                                    " --signing-key " + (scratch / "broken.pem").string() + " 2>&1",
                                &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out.find("is no PEM private key"), std::string::npos) << out;
    fs::remove_all(scratch);
}

}  // namespace
