#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "definitions/encoding.h"
#include "server/releases.h"
#include "server/server.h"
#include "server/update_text.h"
#include "update/applier.h"

namespace sorvane::server {
namespace {

namespace fs = std::filesystem;
using definitions::EncodeLine;

constexpr std::size_t FileList = 0, ExeList = 1, RegistryList = 2, CookieList = 3, SafeList = 5;

DefinitionSet shipped() { return LoadDefinitionSet(fs::path(SORVANE_SOURCE_DIR) / "data" / "definitions"); }

TEST(ReleaseDates, FolderNamesAndClientTexts) {
    EXPECT_EQ(ParseFolderDate("2024-05-14"), (ReleaseDate{2024, 5, 14, 0, 0, 0}));
    EXPECT_EQ(ParseFolderDate("2024-05-14T09-30-05"), (ReleaseDate{2024, 5, 14, 9, 30, 5}));
    EXPECT_FALSE(ParseFolderDate("2024-13-01"));
    EXPECT_FALSE(ParseFolderDate("latest"));
    EXPECT_FALSE(ParseFolderDate("2024-05-14x"));

    EXPECT_EQ(ParseClientDate("3/16/2006"), (ReleaseDate{2006, 3, 16, 0, 0, 0}));
    EXPECT_EQ(ParseClientDate("3/16/2006 12:00:00 AM"), (ReleaseDate{2006, 3, 16, 0, 0, 0}));
    EXPECT_EQ(ParseClientDate(" 5/14/2024 1:02:03 pm "), (ReleaseDate{2024, 5, 14, 13, 2, 3}));
    EXPECT_EQ(ParseClientDate("5/14/2024 12:30:00 PM"), (ReleaseDate{2024, 5, 14, 12, 30, 0}));
    EXPECT_FALSE(ParseClientDate("5/14/2024 13:00:00 PM"));
    EXPECT_FALSE(ParseClientDate("2024-05-14"));
    EXPECT_EQ(FormatClientDate({2006, 3, 16, 0, 0, 0}), "3/16/2006 12:00:00 AM");
    EXPECT_EQ(FormatClientDate({2024, 12, 1, 23, 5, 9}), "12/1/2024 11:05:09 PM");
}

// What a client holding `from` gets after applying `text`, per file, decoded.
std::vector<std::string> clientLines(const DefinitionSet& from, const std::string& text, std::size_t file) {
    std::string stored;
    for (const auto& line : from.files[file]) stored += EncodeLine(line) + "\r\n";
    const auto updated = update::UpdateFileContent(file, stored, update::ParseUpdateText(text), false);
    std::vector<std::string> lines;
    std::istringstream in(definitions::DecodeText(updated.content));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

TEST(UpdateTexts, ARoundTripThroughTheClientsApplierGivesTheNewRelease) {
    const DefinitionSet from = shipped();
    DefinitionSet to = from;
    to.files[ExeList].push_back("newbad.exe=NewBad|[progfil]NewBad");
    to.files[FileList].push_back("newbad.dll=NewBad|[system]|added file");
    to.files[RegistryList].push_back("2^Software\\NewBad^=NewBad|whole key");
    to.files[CookieList].erase(to.files[CookieList].begin() + 1);  // doubleclick.net
    to.files[SafeList].push_back("SDIR|Good|[progfil]Good");

    const UpdateText update = MakeUpdateText(from, to);
    EXPECT_TRUE(update.warnings.empty()) << update.warnings.front();
    EXPECT_TRUE(CheckUpdateText(from, to, update.text).empty());
    // Deletions come before additions.
    EXPECT_LT(update.text.find("|DEL[DEF]"), update.text.find("|ADD[DEF]"));

    auto cookies = clientLines(from, update.text, CookieList);
    EXPECT_EQ(std::count(cookies.begin(), cookies.end(), "doubleclick.net"), 0);
    EXPECT_EQ(cookies.size(), from.files[CookieList].size() - 1);
    auto registry = clientLines(from, update.text, RegistryList);
    EXPECT_EQ(registry.back(), "2^Software\\NewBad^=NewBad|whole key");
    // The process definition lands in the file list once, with the added file beside it.
    auto files = clientLines(from, update.text, FileList);
    EXPECT_EQ(std::count(files.begin(), files.end(), "newbad.exe=NewBad|[progfil]NewBad"), 1);
    EXPECT_EQ(files.back(), "newbad.dll=NewBad|[system]|added file");
    EXPECT_EQ(clientLines(from, update.text, SafeList).back(), "SDIR|Good|[progfil]Good");

    EXPECT_EQ(MakeUpdateText(from, from).text, "");
}

TEST(UpdateTexts, ChangesTheLanguageCannotCarryAreReported) {
    const DefinitionSet from = shipped();
    DefinitionSet to = from;
    to.files[RegistryList].push_back("1^Software\\Bad^Value=Bad|a value");
    to.files[CookieList].push_back("a=b");
    EXPECT_EQ(MakeUpdateText(from, to).warnings.size(), 4u);  // two unsendable lines, each also missing

    // One of two lines of a name cannot go alone.
    DefinitionSet twin = from, oneLeft = from;
    twin.files[FileList] = {"x.dll=X|[system]|a", "x.dll=X|[windir]|b"};
    oneLeft.files[FileList] = {"x.dll=X|[system]|a"};
    EXPECT_FALSE(MakeUpdateText(twin, oneLeft).warnings.empty());
}

class ServiceTest : public ::testing::Test {
protected:
    ServiceTest() {
        fs::remove_all(root);
        write("releases/2006-03-16/BlockedCookies.txt", "a.example\r\nb.example\r\n");
        write("releases/2024-05-14/BlockedCookies.txt", "a.example\r\nc.example\r\n");
        write("releases/not-a-release/BlockedCookies.txt", "x\r\n");
        write("languages/30/Localization.xml", "<TRANSLATION_ITEMS>");
    }
    ~ServiceTest() override { fs::remove_all(root); }
    void write(const std::string& name, const std::string& content) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name, std::ios::binary) << content;
    }
    Answer get(std::string path, std::multimap<std::string, std::string> query = {}) {
        return service.get(path, query);
    }

    fs::path root = fs::temp_directory_path() / ("sorvane-server-test-" + std::to_string(::getpid()));
    std::ostringstream log;
    DefinitionService service{ServerOptions{root / "releases", root / "languages"}, log};
};

TEST_F(ServiceTest, DatesAndUpdatesFromTheReleaseAtOrBeforeTheClientsDate) {
    EXPECT_EQ(get("/asp/currentDateNEW.asp", {{"prog", "Sorvane"}}).body, "5/14/2024 12:00:00 AM");
    EXPECT_EQ(get("/asp/date.asp").body, "5/14/2024 12:00:00 AM");
    EXPECT_EQ(get("/definitions/customdate.html").body, "5/14/2024 12:00:00 AM");

    const std::string expected = UpdateRecord("COOK", "DEL", "b.example") + "[BR]" + UpdateRecord("COOK", "ADD", "c.example");
    EXPECT_EQ(get("/asp/getDefsNEW.asp", {{"date", "3/16/2006"}}).body, expected);
    EXPECT_EQ(get("/asp/getDefsNEW.asp", {{"date", "1/1/2001"}}).body, expected);  // older than every release
    EXPECT_EQ(get("/asp/getDefsNEW.asp", {{"date", "5/13/2024 11:59:59 PM"}}).body, expected);
    EXPECT_EQ(get("/asp/getDefsNEW.asp", {{"date", "5/14/2024"}}).body, "");
    EXPECT_EQ(get("/asp/getDefsNEW.asp", {{"date", "garbage"}}).status, 400);

    EXPECT_EQ(get("/definitions/custom.html").body,
              UpdateRecord("COOK", "ADD", "a.example") + "[BR]" + UpdateRecord("COOK", "ADD", "c.example"));
    EXPECT_EQ(get("/definitions/data/blockedcookies.dat").body, EncodeLine("a.example") + "\r\n" + EncodeLine("c.example") + "\r\n");
    EXPECT_EQ(get("/definitions/data/other.dat").status, 404);
    EXPECT_EQ(get("/definitions/version/R.HTM").body, "5/14/2024 12:00:00 AM");
}

TEST_F(ServiceTest, CollectionAnswersAddedOnceThenSkipped) {
    const std::string payload = EncodeLine("bad.exe") + "|" + EncodeLine("other.exe");
    EXPECT_EQ(get("/asp/getData.asp", {{"data", payload}}).body, "Added");
    EXPECT_EQ(get("/asp/getData.asp", {{"data", EncodeLine("BAD.exe") + "|"}}).body, "Skipped");
    EXPECT_NE(log.str().find("submitted (new): bad.exe"), std::string::npos);
    EXPECT_NE(log.str().find("submitted (seen): BAD.exe"), std::string::npos);
}

TEST_F(ServiceTest, SubmittedNamesArriveRawOrAsUtf8) {
    const std::string raw = EncodeLine("calc.exe");
    // The same bytes read as code page 1252 characters and sent as UTF-8.
    std::string utf8;
    for (unsigned char c : raw) {
        if (c < 0x80) utf8 += static_cast<char>(c);
        else if (c >= 0xA0) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    EXPECT_EQ(DecodeSubmittedNames(raw + "|"), std::vector<std::string>{"calc.exe"});
    EXPECT_EQ(DecodeSubmittedNames(utf8), std::vector<std::string>{"calc.exe"});
}

TEST_F(ServiceTest, LanguageFilesByProductNumber) {
    EXPECT_EQ(get("/Languages/30/Localization.xml").body, "<TRANSLATION_ITEMS>");
    EXPECT_EQ(get("/languages/30/localization.xml").status, 200);
    EXPECT_EQ(get("/Languages/31/Localization.xml").status, 404);
    EXPECT_EQ(get("/Languages/../Localization.xml").status, 404);
    EXPECT_EQ(get("/nothing").status, 404);
}

}  // namespace
}  // namespace sorvane::server
