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

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
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

// Debian's nginx in the foreground on 127.0.0.1, with its own prefix, configuration, pid and
// logs under `folder`, serving `root` through the configuration the README gives.
class Nginx {
public:
    static std::string program() {
        for (const char* candidate : {"/usr/sbin/nginx", "/usr/bin/nginx", "/usr/local/sbin/nginx"}) {
            if (::access(candidate, X_OK) == 0) return candidate;
        }
        return {};
    }
    Nginx(const fs::path& folder, const fs::path& root) {
        port_ = freePort();
        const std::string prefix = folder.string();
        std::ofstream(folder / "nginx.conf")
            << "daemon off;\nmaster_process off;\npid " << prefix << "/nginx.pid;\nerror_log " << prefix
            << "/error.log;\nevents {}\nhttp {\n  access_log off;\n"
            << "  client_body_temp_path " << prefix << "/body;\n  proxy_temp_path " << prefix << "/proxy;\n"
            << "  fastcgi_temp_path " << prefix << "/fastcgi;\n  uwsgi_temp_path " << prefix << "/uwsgi;\n"
            << "  scgi_temp_path " << prefix << "/scgi;\n"
            << "  include " SORVANE_SOURCE_DIR "/server/nginx/sorvane-maps.conf;\n"
            << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << root.string() << ";\n"
            << "    include " SORVANE_SOURCE_DIR "/server/nginx/sorvane-locations.conf;\n  }\n}\n";
        std::vector<std::string> args{program(), "-p", prefix, "-c", prefix + "/nginx.conf", "-e", prefix + "/error.log"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
        for (int i = 0; i < 200 && pid_ > 0; ++i) {
            if (httplib::Client("127.0.0.1", port_).Get("/health")) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        port_ = 0;
    }
    ~Nginx() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    httplib::Result get(const std::string& target) { return httplib::Client("127.0.0.1", port_).Get(target); }
    int port() const { return port_; }

private:
    // A port nothing listens on now: nginx cannot be told to take any free one and say which.
    static int freePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port = ntohs(address.sin_port);
        }
        ::close(fd);
        return port;
    }
    pid_t pid_ = -1;
    int port_ = 0;
};

// A statement without its expiry and signature, which differ with every signing.
std::string vouchedFor(const std::string& statement) {
    std::string kept;
    std::istringstream lines(statement);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("expires=", 0) != 0 && line.rfind("signature=", 0) != 0) kept += line + "\n";
    }
    return kept;
}

TEST(ServerProgram, APublishedTreeServedByNginxAnswersAsTheServerDoes) {
    if (Nginx::program().empty()) GTEST_SKIP() << "nginx is not installed (Debian package nginx): the published tree is not tried";
    const fs::path scratch = fs::temp_directory_path() / ("sorvane-publish-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    writeRelease(scratch / "releases" / "2006-03-16", "a.example\r\nb.example\r\n");
    writeRelease(scratch / "releases" / "2010-01-02T03-04-05", "a.example\r\n");
    writeRelease(scratch / "releases" / "2024-05-14", "a.example\r\nc.example\r\nd.example\r\n");
    fs::create_directories(scratch / "languages" / "30");
    std::ofstream(scratch / "languages" / "30" / "Localization.xml", std::ios::binary) << "<TRANSLATION_ITEMS>\xE4</TRANSLATION_ITEMS>";
    fs::create_directories(scratch / "nginx");
    const std::string key = SORVANE_SOURCE_DIR "/cmake/dev-signing-key.pem";
    const std::vector<std::string> common{"--releases", (scratch / "releases").string(), "--languages",
                                          (scratch / "languages").string(), "--signing-key", key};
    int status = -1;
    const std::string published = run(std::string(SORVANE_SERVER_PROGRAM) + " publish --languages " +
                                          (scratch / "languages").string() + " --signing-key " + key + " " +
                                          (scratch / "releases").string() + " " + (scratch / "out").string(),
                                      &status);
    ASSERT_EQ(status, 0) << published;
    // Six of them are the whole definition files' statements.
    EXPECT_EQ(published, "24 files published in " + (scratch / "out").string() + "\n");

    RunningServer server(common);
    Nginx nginx(scratch / "nginx", scratch / "out");
    ASSERT_NE(server.port(), 0);
    ASSERT_NE(nginx.port(), 0) << "nginx did not start; see " << (scratch / "nginx" / "error.log");
    const char* sameBytes[] = {
        "/health", "/asp/currentDateNEW.asp?prog=Sorvane&comp=Talvenor", "/asp/date.asp", "/asp/date.asp?iso=",
        "/asp/currentDateNEW.asp?prog=Sorvane&iso", "/definitions/customdate.html?iso=1", "/definitions/version/R.HTM",
        "/definitions/version/C.HTM?iso=", "/definitions/custom.html", "/definitions/data/BlockedCookies.dat",
        "/definitions/data/FileDefinition.dat", "/Languages/30/Localization.xml",
        "/asp/getDefsNEW.asp?prog=Sorvane&comp=Talvenor&iso=2006-03-16T00:00:00",
        "/asp/getDefsNEW.asp?iso=2006-03-16T00%3A00%3A00", "/asp/getDefsNEW.asp?iso=2006-03-16",
        "/asp/getDefsNEW.asp?iso=2010-01-02T03:04:05", "/asp/getDefsNEW.asp?iso=2024-05-14T00:00:00&date=x",
        "/definitions/data/Other.dat", "/Languages/31/Localization.xml"};
    for (const char* target : sameBytes) {
        auto expected = server.get(target);
        auto got = nginx.get(target);
        ASSERT_TRUE(expected && got) << target;
        EXPECT_EQ(got->status, expected->status) << target;
        if (expected->status != 200) continue;
        EXPECT_EQ(got->body, expected->body) << target;
        EXPECT_EQ(got->get_header_value("Content-Type"), expected->get_header_value("Content-Type")) << target;
    }
    for (const char* target : {"/asp/getDefsNEW.sig?iso=2006-03-16T00:00:00", "/asp/getDefsNEW.sig?iso=2010-01-02T03%3A04%3A05",
                               "/asp/getDefsNEW.sig?iso=2024-05-14T00:00:00", "/Languages/30/Localization.sig",
                               "/definitions/data/FileDefinition.sig"}) {
        auto expected = server.get(target);
        auto got = nginx.get(target);
        ASSERT_TRUE(expected && got) << target;
        EXPECT_EQ(got->status, 200) << target;
        EXPECT_EQ(vouchedFor(got->body), vouchedFor(expected->body)) << target;
        EXPECT_NE(got->body.find("\nsignature="), std::string::npos) << target;
    }
    // A date that is no release's: the reference server computes it, a static tree has none.
    EXPECT_EQ(nginx.get("/asp/getDefsNEW.asp?iso=2008-01-01T00:00:00")->status, 404);
    EXPECT_EQ(nginx.get("/asp/getDefsNEW.asp?date=3/16/2006")->status, 404);
    EXPECT_EQ(nginx.get("/updates/2006-03-16T00-00-00.txt")->status, 404);
    fs::remove_all(scratch);
}

TEST(ServerProgram, ServesHttpsWithTheCertificateGivenAndRefusesAMismatchedPair) {
    const fs::path scratch = fs::temp_directory_path() / ("sorvane-server-tls-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    writeRelease(scratch / "releases" / "2024-05-14", "a.example\r\n");
    const std::string cert = (scratch / "cert.pem").string(), key = (scratch / "key.pem").string();
    const std::string other = (scratch / "other.pem").string();
    // A self-signed certificate for 127.0.0.1, and a key that is not its own.
    const std::string made = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=127.0.0.1"
                             " -addext subjectAltName=IP:127.0.0.1 -keyout " + key + " -out " + cert +
                             " 2>/dev/null && openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out " + other +
                             " 2>/dev/null";
    ASSERT_EQ(std::system(made.c_str()), 0);
    const std::string releases = (scratch / "releases").string();
    {
        RunningServer server({"--releases", releases, "--tls-cert", cert, "--tls-key", key});
        ASSERT_NE(server.port(), 0);
        httplib::SSLClient client("127.0.0.1", server.port());
        client.set_ca_cert_path(cert.c_str());
        client.enable_server_certificate_verification(true);
        auto date = client.Get("/asp/date.asp?iso=");
        ASSERT_TRUE(date) << httplib::to_string(date.error());
        EXPECT_EQ(date->status, 200);
        EXPECT_EQ(date->body, "2024-05-14T00:00:00");
        EXPECT_FALSE(server.get("/health"));  // plain HTTP is not answered on the TLS port

        // A client that trusts another authority refuses the server.
        httplib::SSLClient stranger("127.0.0.1", server.port());
        stranger.set_ca_cert_path(other.c_str());
        stranger.enable_server_certificate_verification(true);
        EXPECT_FALSE(stranger.Get("/health"));
    }
    int status = 0;
    std::string out = run(std::string(SORVANE_SERVER_PROGRAM) + " serve --releases " + releases + " --tls-cert " + cert +
                              " --tls-key " + other + " 2>&1",
                          &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out.find("cannot use the certificate " + cert + " with the key " + other), std::string::npos) << out;
    out = run(std::string(SORVANE_SERVER_PROGRAM) + " serve --releases " + releases + " --tls-cert " + cert + " 2>&1",
              &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out.find("--tls-cert and --tls-key go together"), std::string::npos) << out;
    fs::remove_all(scratch);
}

}  // namespace
