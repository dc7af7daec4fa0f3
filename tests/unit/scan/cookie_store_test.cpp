#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

#include "scan/browser_profiles.h"
#include "scan/cookie_scan.h"
#include "scan/cookie_store.h"
#include "tests/fakes/fake_file_system.h"

namespace sorvane::scan {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

const std::string Local = "C:\\Users\\User\\AppData\\Local";
const std::string Roaming = "C:\\Users\\User\\AppData\\Roaming";

std::vector<std::string> described(const std::vector<CookieStore>& stores) {
    std::vector<std::string> out;
    for (const auto& store : stores) out.push_back(store.browser + "|" + store.profile + "|" + store.path);
    return out;
}

TEST(BrowserProfilesTest, ChromiumProfilesComeFromLocalStateAndFromTheUsualFolders) {
    fakes::FakeFileSystem files;
    const std::string chrome = Local + "\\Google\\Chrome\\User Data";
    // A profile listed with its shown name, one found only by its folder, one listed whose
    // folder holds the older store, and one whose listed name tries to leave the folder.
    files.addFile(chrome + "\\Local State",
                  R"({"profile":{"info_cache":{"Default":{"name":"Person 1"},"Work":{"name":"Office"},)"
                  R"("..\\..\\Evil":{"name":"x"},"Profile 3":{}}}})");
    files.addFile(chrome + "\\Default\\Network\\Cookies", "db");
    files.addFile(chrome + "\\Default\\Cookies", "older copy left behind");
    files.addFile(chrome + "\\Work\\Cookies", "db");
    files.addFile(chrome + "\\Profile 3\\Network\\Cookies", "db");
    files.addFile(chrome + "\\Profile 7\\Network\\Cookies", "db");
    files.addFile(chrome + "\\System Profile\\Network\\Cookies", "db");
    files.addFile(Local + "\\Evil\\Cookies", "db");
    files.addFile(Local + "\\Microsoft\\Edge\\User Data\\Default\\Network\\Cookies", "db");
    // Opera's own folder is its profile.
    files.addFile(Roaming + "\\Opera Software\\Opera Stable\\Network\\Cookies", "db");

    EXPECT_THAT(described(FindCookieStores(files, Local, Roaming)),
                ElementsAre("Chrome|Person 1|" + chrome + "\\Default\\Network\\Cookies",
                            "Chrome|Profile 3|" + chrome + "\\Profile 3\\Network\\Cookies",
                            "Chrome|Office|" + chrome + "\\Work\\Cookies",
                            "Chrome|Profile 7|" + chrome + "\\Profile 7\\Network\\Cookies",
                            "Edge|Default|" + Local + "\\Microsoft\\Edge\\User Data\\Default\\Network\\Cookies",
                            "Opera|Default|" + Roaming + "\\Opera Software\\Opera Stable\\Network\\Cookies"));
}

TEST(BrowserProfilesTest, DamagedOrMissingProfileListsLeaveTheFolderProbe) {
    fakes::FakeFileSystem files;
    const std::string brave = Local + "\\BraveSoftware\\Brave-Browser\\User Data";
    files.addFile(brave + "\\Local State", "{\"profile\": [not json");
    files.addFile(brave + "\\Default\\Network\\Cookies", "db");
    files.addFile(Local + "\\Vivaldi\\User Data\\Profile 1\\Network\\Cookies", "db");
    EXPECT_THAT(described(FindCookieStores(files, Local, Roaming)),
                ElementsAre("Brave|Default|" + brave + "\\Default\\Network\\Cookies",
                            "Vivaldi|Profile 1|" + Local + "\\Vivaldi\\User Data\\Profile 1\\Network\\Cookies"));
    EXPECT_TRUE(FindCookieStores(files, "", "").empty());
    EXPECT_TRUE(ChromiumProfilesOf("[]").empty());
    EXPECT_TRUE(ChromiumProfilesOf(R"({"profile":{"info_cache":7}})").empty());
}

TEST(BrowserProfilesTest, FirefoxProfilesAreRelativeOrAbsolute) {
    fakes::FakeFileSystem files;
    const std::string firefox = Roaming + "\\Mozilla\\Firefox";
    files.addFile(firefox + "\\profiles.ini",
                  "[Install308046B0AF4A39CB]\r\nDefault=Profiles/abc.default-release\r\n\r\n"
                  "[Profile1]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/abc.default-release\r\n\r\n"
                  "[Profile0]\r\nName=Elsewhere\r\nIsRelative=0\r\nPath=D:\\Firefox\\mine\r\n"
                  "[Profile2]\r\nName=Escape\r\nIsRelative=1\r\nPath=../../../Other\r\n"
                  "[Profile3]\r\nName=NoStore\r\nIsRelative=1\r\nPath=Profiles/empty\r\n");
    files.addFile(firefox + "\\Profiles\\abc.default-release\\cookies.sqlite", "db");
    files.addDrive("D:\\", platform::DriveType::Fixed);
    files.addFile("D:\\Firefox\\mine\\cookies.sqlite", "db");
    files.addFile("C:\\Users\\User\\Other\\cookies.sqlite", "db");
    files.addFolder(firefox + "\\Profiles\\empty");
    EXPECT_THAT(described(FindCookieStores(files, Local, Roaming)),
                ElementsAre("Firefox|default-release|" + firefox + "\\Profiles\\abc.default-release\\cookies.sqlite",
                            "Firefox|Elsewhere|D:\\Firefox\\mine\\cookies.sqlite"));
}

TEST(CookieMatchingTest, StoreHostsAndCookieFilesMeetTheSameRule) {
    // A domain cookie's leading dot, the last label and "www." are not compared.
    EXPECT_EQ(CookieHostKey(".doubleclick.net"), "doubleclick");
    EXPECT_EQ(CookieHostKey("www.tracker.com"), "tracker");
    EXPECT_EQ(CookieHostKey("ads.star.org"), "ads.star");
    EXPECT_EQ(CookieHostKey("False"), "False");
    const std::vector<std::string> list{"doubleclick.net", "*ads.star.org", "*.dotted.com"};
    EXPECT_TRUE(CookieBlocked(list, CookieHostKey(".doubleclick.net")));
    EXPECT_TRUE(CookieBlocked(list, CookieHostKey("doubleclick.com")));
    EXPECT_FALSE(CookieBlocked(list, CookieHostKey("stats.doubleclick.net")));
    EXPECT_TRUE(CookieBlocked(list, CookieHostKey("ads.star.org")));
    EXPECT_FALSE(CookieBlocked(list, CookieHostKey("sub.dotted.com")));
}

TEST(CookieMatchingTest, RandomNamedCookieFilesGiveTheHostOfTheirFirstRecord) {
    EXPECT_EQ(CookieTextHost("id\n42\nads.tracker.com/\n1536\n1\n2\n3\n4\n*\nb\n1\nother.org/\n"), "ads.tracker.com");
    EXPECT_EQ(CookieTextHost("id\r\n42\r\nwww.site.com/path/\r\n"), "www.site.com");
    EXPECT_EQ(CookieTextHost("only\ntwo\n"), std::nullopt);
    EXPECT_EQ(CookieTextHost("a\nb\nno slash here\n"), std::nullopt);
    EXPECT_EQ(CookieTextHost("a\nb\n/starts/with/slash\n"), std::nullopt);
    fakes::FakeFileSystem files;
    files.addFile("C:\\c\\0A1B2C3D.txt", "id\n42\ntracker.com/\n");
    EXPECT_EQ(CookieHost(files, "C:\\c\\0A1B2C3D.txt"), "tracker.com");
    files.addFile("C:\\c\\Z9Y8.txt", "not a cookie");
    EXPECT_EQ(CookieHost(files, "C:\\c\\Z9Y8.txt"), "False");
}

TEST(CookieStoreLocationTest, TheStoreAndTheHostTravelTogether) {
    const auto location = CookieStoreLocation("C:\\u\\Default\\Network\\Cookies", "doubleclick.net");
    EXPECT_THAT(SplitCookieStoreLocation(location),
                ::testing::Optional(Pair("C:\\u\\Default\\Network\\Cookies", "doubleclick.net")));
    EXPECT_EQ(SplitCookieStoreLocation("C:\\cookies\\user@site[1].txt"), std::nullopt);
    EXPECT_EQ(ReadOnlyStoreUri("C:\\Users\\A B\\100%#?\\Cookies"), "file:///C:/Users/A%20B/100%25%23%3F/Cookies?mode=ro");
    EXPECT_EQ(ReadOnlyStoreUri("/tmp/x"), "file:///tmp/x?mode=ro");
}

// Real databases with the browsers' own tables, in a folder of this test's own.
class CookieStoreFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("sorvane-cookie-store-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string database(const std::string& name, const std::string& sql) {
        const auto path = (folder / name).string();
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        sqlite3_close(db);
        return path;
    }

    std::filesystem::path folder;
};

TEST_F(CookieStoreFileTest, ChromiumAndFirefoxHostsAreReadDistinctWithoutTheirDot) {
    const auto chromium = database(
        "Cookies",
        "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL,"
        " name TEXT NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL);"
        "INSERT INTO cookies VALUES(1,'.doubleclick.net','','IDE','',x'00ff','/');"
        "INSERT INTO cookies VALUES(2,'doubleclick.net','','id','',x'01','/');"
        "INSERT INTO cookies VALUES(3,'.Example.ORG','','s','',x'','/');");
    const auto firefox = database("cookies.sqlite",
                                  "CREATE TABLE moz_cookies(id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '',"
                                  " name TEXT, value TEXT, host TEXT, path TEXT);"
                                  "INSERT INTO moz_cookies(name,value,host,path) VALUES('a','1','.tracker.com','/');");
    auto reading = ReadCookieStoreHosts(chromium);
    EXPECT_EQ(reading.access, StoreAccess::Read);
    EXPECT_THAT(reading.hosts, ElementsAre("doubleclick.net", "example.org"));
    reading = ReadCookieStoreHosts(firefox);
    EXPECT_EQ(reading.access, StoreAccess::Read);
    EXPECT_THAT(reading.hosts, ElementsAre("tracker.com"));
}

TEST_F(CookieStoreFileTest, OtherFilesAreUnreadableAndAHeldStoreIsInUse) {
    const auto other = database("other.db", "CREATE TABLE t(x);");
    EXPECT_EQ(ReadCookieStoreHosts(other).access, StoreAccess::Unreadable);
    EXPECT_EQ(ReadCookieStoreHosts((folder / "missing").string()).access, StoreAccess::Unreadable);
    std::filesystem::path junk = folder / "junk";
    { std::FILE* f = std::fopen(junk.c_str(), "wb"); std::fputs("not a database at all, not at all", f); std::fclose(f); }
    EXPECT_EQ(ReadCookieStoreHosts(junk.string()).access, StoreAccess::Unreadable);

    const auto held = database("held", "CREATE TABLE cookies(host_key TEXT, name TEXT, path TEXT);"
                                       "INSERT INTO cookies VALUES('.t.com','a','/');");
    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(held.c_str(), &browser), SQLITE_OK);
    // As a running Chromium holds it: exclusive locking, a write under way.
    ASSERT_EQ(sqlite3_exec(browser, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; INSERT INTO cookies VALUES('x','b','/');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    const auto reading = ReadCookieStoreHosts(held);
    EXPECT_EQ(reading.access, StoreAccess::InUse);
    EXPECT_TRUE(reading.hosts.empty());
    sqlite3_exec(browser, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(browser);
    EXPECT_EQ(ReadCookieStoreHosts(held).access, StoreAccess::Read);
}


TEST_F(CookieStoreFileTest, RowsAreDeletedOnlyOnceKeptAndComeBackWithTheirTypes) {
    const auto path = database("Cookies",
                               "CREATE TABLE cookies(host_key TEXT NOT NULL, name TEXT NOT NULL, path TEXT NOT NULL,"
                               " value BLOB, expires REAL, n INTEGER, UNIQUE(host_key, name, path));"
                               "INSERT INTO cookies VALUES('.Tracker.com','a','/',x'00ff10',1.5,NULL);"
                               "INSERT INTO cookies VALUES('tracker.com','b','/','text',2,-7);"
                               "INSERT INTO cookies VALUES('sub.tracker.com','c','/','x',0,0);"
                               "INSERT INTO cookies VALUES('.keep.org','d','/','x',0,0);");
    auto everything = [&] {
        std::string out;
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(
            db, "SELECT host_key||'|'||name||'|'||quote(value)||'|'||quote(expires)||'|'||quote(n) FROM cookies ORDER BY 1",
            [](void* text, int, char** values, char**) {
                *static_cast<std::string*>(text) += std::string(values[0]) + "\n";
                return 0;
            },
            &out, nullptr);
        sqlite3_close(db);
        return out;
    };
    const std::string before = everything();
    // Rows that could not be kept are not deleted.
    EXPECT_EQ(RemoveCookieRows(path, "tracker.com", [](const std::string&) { return false; }), RowsOutcome::NotKept);
    EXPECT_EQ(everything(), before);

    std::string kept;
    EXPECT_EQ(RemoveCookieRows(path, "tracker.com", [&](const std::string& rows) {
                  kept = rows;
                  return true;
              }),
              RowsOutcome::Done);
    EXPECT_EQ(everything(), ".keep.org|d|'x'|0.0|0\nsub.tracker.com|c|'x'|0.0|0\n");
    EXPECT_EQ(RemoveCookieRows(path, "tracker.com", [](const std::string&) { return true; }), RowsOutcome::Nothing);

    EXPECT_EQ(RestoreCookieRows(path, kept), RowsOutcome::Done);
    EXPECT_EQ(everything(), before);
    // Back already: the store's own key refuses a second copy, and nothing is added.
    EXPECT_EQ(RestoreCookieRows(path, kept), RowsOutcome::Clash);
    EXPECT_EQ(everything(), before);
    // Kept text that names other columns or no table of the store is not written.
    EXPECT_EQ(RestoreCookieRows(path, R"({"table":"cookies","columns":["x\"; DROP"],"rows":[[1]]})"),
              RowsOutcome::Failed);
    EXPECT_EQ(RestoreCookieRows(path, "not json"), RowsOutcome::Failed);
    EXPECT_EQ(everything(), before);

    sqlite3* browser = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &browser), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(browser, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM cookies WHERE 0;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(RemoveCookieRows(path, "tracker.com", [](const std::string&) { return true; }), RowsOutcome::InUse);
    sqlite3_exec(browser, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(browser);
    EXPECT_EQ(everything(), before);
}

}  // namespace
}  // namespace sorvane::scan
