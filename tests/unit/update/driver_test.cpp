#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "definitions/encoding.h"
#include "localization/branding.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"
#include "tests/unit/update/update_records.h"
#include "update/applier.h"
#include "update/apply_update.h"
#include "update/definitions_date.h"
#include "update/update_driver.h"

namespace sorvane::update {
namespace {

using definitions::DecodeText;
using definitions::EncodeLine;
using definitions::EncodeText;

const std::string Folder = "C:\\Program Files\\Sorvane";
const std::string Server = "http://www.definitions.sorvane.example";
const std::string Query = "prog=Sorvane&comp=Talvenor";
// The local date every request carries: the shipped one, until an update moves it on.
const std::string Iso = "&iso=2006-03-16T00:00:00";

using testing::record;

// Keeps every progress text the update shows, in order.
struct RecordingObserver final : UpdateObserver {
    std::vector<std::string> statuses;
    void statusChanged(const std::string& text) override { statuses.push_back(text); }
};

TEST(ServerDates, CleaningTrimsControlsAndCutsAfterAmOrPm) {
    EXPECT_EQ(CleanServerDate("  5/14/2024 3:00:00 PM PST\r\n", true), "5/14/2024 3:00:00 PM");
    EXPECT_EQ(CleanServerDate("\t5/14/2024\t9:00:00 am<br>", true), "5/14/20249:00:00 am");
    EXPECT_EQ(CleanServerDate("5/14/2024 9:00:00 AM then PM", true), "5/14/2024 9:00:00 AM then PM");
    EXPECT_EQ(CleanServerDate("5/14/2024 9:00:00 AMpm", true), "5/14/2024 9:00:00 AMpm");
    EXPECT_EQ(CleanServerDate(" 5/14/2024 9:00:00 AM x\r\n", false), "5/14/2024 9:00:00 AM x");
    EXPECT_EQ(CleanServerDate("\r\n", true), "");

    fakes::FakeLocale locale;
    EXPECT_EQ(ParseServerDate(locale, "5/14/2024 3:00:00 PM and more", true), (platform::DateTime{2024, 5, 14, 15, 0, 0}));
    EXPECT_FALSE(ParseServerDate(locale, "<html>error</html>", true));
    EXPECT_FALSE(ParseServerDate(locale, "", true));
}

TEST(ServerDates, IsoAndClassicAnswersAreReadWhateverTheSystemsFormat) {
    using platform::DateTime;
    fakes::FakeLocale locale;
    EXPECT_EQ(ParseServerDate(locale, " 2024-05-14T09:00:00\r\n", true), (DateTime{2024, 5, 14, 9, 0, 0}));
    EXPECT_EQ(ParseServerDate(locale, "5/14/2024 9:00:00 AM", true), (DateTime{2024, 5, 14, 9, 0, 0}));
}

// A system that writes dates in a form it cannot read back.
class WriteOnlyDates : public fakes::FakeLocale {
public:
    std::optional<platform::DateTime> parseDateTime(std::string_view) override { return std::nullopt; }
};

TEST(ServerDates, TheStoredDateIsAlwaysOneThatReadsBack) {
    const platform::DateTime date{2024, 5, 14, 9, 30, 0};
    fakes::FakeLocale readable;
    EXPECT_EQ(StoredDateText(readable, date), "5/14/2024 9:30:00 AM");
    WriteOnlyDates writeOnly;
    EXPECT_EQ(StoredDateText(writeOnly, date), "2024-05-14T09:30:00");
    fakes::FakeFileSystem files;
    files.addFile(Folder + "\\date.dat", writeOnly.toAnsi(StoredDateText(writeOnly, date)) + "\r\n");
    EXPECT_EQ(LocalDefinitionsDate(files, writeOnly, Folder), date);
}

TEST(ServerDates, TheNewDateIsBoundedByOursAndTheOneAnnouncedFirst) {
    using platform::DateTime;
    const DateTime local{2024, 1, 1, 0, 0, 0};
    const DateTime announced{2024, 5, 14, 9, 0, 0};
    EXPECT_EQ(BoundedNewDate(local, announced, {2024, 3, 1, 0, 0, 0}), (DateTime{2024, 3, 1, 0, 0, 0}));
    // A release published between the requests: its date is not stored, so it comes next time.
    EXPECT_EQ(BoundedNewDate(local, announced, {2024, 6, 1, 0, 0, 0}), announced);
    // A date far ahead would stop every later update; one far back would apply the history again.
    EXPECT_EQ(BoundedNewDate(local, announced, {2099, 12, 31, 23, 0, 0}), announced);
    EXPECT_EQ(BoundedNewDate(local, announced, {2006, 3, 16, 0, 0, 0}), local);
}

TEST(ServerDates, LocalDateDefaultsAndRendersMidnightWithoutTime) {
    fakes::FakePlatform fake;
    EXPECT_EQ(LocalDefinitionsDate(fake.files, fake.locale, Folder), ShippedDefinitionsDate);
    EXPECT_EQ(DefinitionsDateText(fake.locale, ShippedDefinitionsDate), "3/16/2006");
    fake.files.addFile(Folder + "\\date.dat", "not a date\r\n");
    EXPECT_EQ(LocalDefinitionsDate(fake.files, fake.locale, Folder), ShippedDefinitionsDate);
    fake.files.addFile(Folder + "\\date.dat", "5/14/2024 3:04:05 PM\r\n");
    EXPECT_EQ(LocalDefinitionsDate(fake.files, fake.locale, Folder), (platform::DateTime{2024, 5, 14, 15, 4, 5}));
    // Written before the system's date format changed: still read, in the forms that cannot be mistaken.
    fake.files.addFile(Folder + "\\date.dat", "2024-05-14T15:04:05\r\n");
    EXPECT_EQ(LocalDefinitionsDate(fake.files, fake.locale, Folder), (platform::DateTime{2024, 5, 14, 15, 4, 5}));
}

TEST(Addresses, ProductQueryAndWebsiteBase) {
    localization::Branding branding;
    branding.ProgramName = "Sorvane Pro Edition";
    branding.CompanyName = "Talvenor & Co";
    EXPECT_EQ(ServerDateAddress(branding, "2006-03-16T00:00:00"),
              Server + "/asp/currentDateNEW.asp?prog=Sorvane%20Pro%20Edition&comp=Talvenor%20&%20Co&iso=2006-03-16T00:00:00");
    EXPECT_EQ(DefinitionsSinceAddress(branding, "16.03.2006", "2006-03-16T00:00:00"),
              Server + "/asp/getDefsNEW.asp?prog=Sorvane%20Pro%20Edition&comp=Talvenor%20&%20Co&date=16.03.2006"
                       "&iso=2006-03-16T00:00:00");
    EXPECT_EQ(NewDateAddress(branding, "2024-05-14T09:00:00"),
              Server + "/asp/date.asp?prog=Sorvane%20Pro%20Edition&comp=Talvenor%20&%20Co&iso=2024-05-14T09:00:00");
    // A marker outside ASCII goes as its UTF-8 bytes, escaped; the "iso" value is what a server reads first.
    EXPECT_EQ(DefinitionsSinceAddress(branding, "2024. 5. 14. \xEC\x98\xA4\xEC\xA0\x84 9:30:00", "2024-05-14T09:30:00"),
              Server + "/asp/getDefsNEW.asp?prog=Sorvane%20Pro%20Edition&comp=Talvenor%20&%20Co"
                       "&date=2024. 5. 14. %EC%98%A4%EC%A0%84 9:30:00&iso=2024-05-14T09:30:00");
    EXPECT_EQ(WebsiteBase("HTTP://brightwall.example/path/x"), "http://www.brightwall.example/");
    EXPECT_EQ(WebsiteBase("www.sorvane.example/"), "http://www.sorvane.example/");
    EXPECT_EQ(WebsiteBase("[Website]"), std::string(VendorWebsite));
    const std::string list = FullDefinitionAddresses("www.sorvane.example/");
    EXPECT_EQ(list.substr(0, list.find("\r\n")), "http://www.sorvane.example/definitions/version/R.HTM");
    EXPECT_NE(list.find("http://www.sorvane.example/definitions/data/ExeDefinition.dat\r\n"), std::string::npos);
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 8);
}

class DriverTest : public ::testing::Test {
protected:
    DriverTest() {
        branding.ProgramName = "Sorvane";
        branding.CompanyName = "Talvenor";
        branding.Website = "www.sorvane.example/";
        for (auto name : UpdateFiles) files(std::string(name), "");
        files("FileDefinition.dat", "old.exe=Old|[progfil]Old|n\r\n");
        files("ExeDefinition.dat", "old.exe=Old|[progfil]Old\r\n");
        files("BlockedCookies.dat", "ads.example\r\nkeep.example\r\n");
    }
    void files(const std::string& name, const std::string& clear) { fake.files.addFile(path(name), EncodeText(clear)); }
    std::string path(const std::string& name) const { return Folder + "\\" + name; }
    std::string clear(const std::string& name) {
        std::string bytes;
        EXPECT_TRUE(fake.files.readFile(path(name), bytes).ok()) << name;
        return DecodeText(bytes);
    }
    std::string raw(const std::string& name) {
        std::string bytes;
        return fake.files.readFile(path(name), bytes).ok() ? bytes : "<missing>";
    }
    UpdateOutcome run() {
        UpdateSession session{fake.platform(), host, branding, Folder, recorder, UseCustomFeed, publicKey};
        return RunIncrementalUpdate(session);
    }
    void serveUpdate(const std::string& since, const std::string& text) {
        fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + Iso, "5/14/2024 9:00:00 AM\r\n");
        fake.http.respond(Server + "/asp/getDefsNEW.asp?" + Query + "&date=" + since + Iso, text);
        fake.http.respond(Server + "/asp/date.asp?" + Query + Iso, "5/14/2024 9:00:00 AM");
        // Asked again after the update, with the new date.
        fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + "&iso=2024-05-14T09:00:00", "5/14/2024 9:00:00 AM");
    }
    std::string snapshot() { return snapshotOf(fake.files); }
    // Every definition file and the date, as stored.
    static std::string snapshotOf(fakes::FakeFileSystem& fs) {
        std::string all;
        for (auto name : UpdateFiles) all += stored(fs, std::string(name)) + "|";
        return all + stored(fs, "date.dat");
    }
    static std::string stored(fakes::FakeFileSystem& fs, const std::string& name) {
        std::string bytes;
        return fs.readFile(Folder + "\\" + name, bytes).ok() ? bytes : "<missing>";
    }

    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    localization::Branding branding;
    RecordingObserver recorder;
    SilentUpdateObserver silent;
    // The checks of a build that carries no key, unless a test gives one.
    std::string publicKey;
};

TEST_F(DriverTest, AFirstUpdateAppliesTheTextAndStoresTheNewDate) {
    serveUpdate("3/16/2006", record("COOK", "DEL", "ads.example") + "[BR]" + record("EXE", "ADD", "new.exe=New|[progfil]New"));
    const UpdateOutcome outcome = run();
    ASSERT_EQ(outcome.result, UpdateResult::Updated) << outcome.detail;
    EXPECT_EQ(outcome.count, 3u);  // the addition in two files, one deletion pass
    EXPECT_EQ(outcome.newDate, "5/14/2024 9:00:00 AM");
    EXPECT_EQ(raw("date.dat"), "5/14/2024 9:00:00 AM\r\n");
    EXPECT_EQ(clear("BlockedCookies.dat"), "keep.example\r\n");
    EXPECT_EQ(clear("ExeDefinition.dat"), "old.exe=Old|[progfil]Old\r\nnew.exe=New|[progfil]New\r\n");
    EXPECT_EQ(clear("FileDefinition.dat"), "old.exe=Old|[progfil]Old|n\r\nnew.exe=New|[progfil]New\r\n");
    EXPECT_EQ(recorder.statuses.front(), "Connecting to the definition server, please wait.");
    EXPECT_NE(std::find(recorder.statuses.begin(), recorder.statuses.end(), "Applying new updates..."),
              recorder.statuses.end());
    // The requests, in order, with the exact paths and queries.
    EXPECT_EQ(fake.http.requests, (std::vector<std::string>{Server + "/asp/currentDateNEW.asp?" + Query + Iso,
                                                            Server + "/asp/getDefsNEW.asp?" + Query + "&date=3/16/2006" + Iso,
                                                            Server + "/asp/date.asp?" + Query + Iso}));
    EXPECT_FALSE(fake.files.lookup(path("update.pending")));
    EXPECT_FALSE(fake.files.lookup(path("temp.dat")));

    // The second run finds the server's date not later than its own.
    fake.http.requests.clear();
    EXPECT_EQ(run().result, UpdateResult::Current);
    EXPECT_EQ(fake.http.requests.size(), 1u);
}

TEST_F(DriverTest, TheOverrideRedirectsEveryRequest) {
    fake.environment.setVariable("SORVANE_SERVER_URL", "http://127.0.0.1:7000");
    fake.http.respond("http://127.0.0.1:7000/asp/currentDateNEW.asp?" + Query + Iso, "1/1/2001");
    EXPECT_EQ(run().result, UpdateResult::Current);
    EXPECT_EQ(fake.http.requests, std::vector<std::string>{"http://127.0.0.1:7000/asp/currentDateNEW.asp?" + Query + Iso});
}

TEST_F(DriverTest, FailuresLeaveEverythingAsItWas) {
    const std::string before = snapshot();
    // No server at all.
    EXPECT_EQ(run().result, UpdateResult::Unreachable);
    // An error page instead of a date.
    fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + Iso, "<html>Server Error</html>");
    EXPECT_EQ(run().result, UpdateResult::Unusable);
    // The update itself answers 404, or breaks off half-way.
    serveUpdate("3/16/2006", "");
    fake.http.fail(Server + "/asp/getDefsNEW.asp?" + Query + "&date=3/16/2006" + Iso, platform::error::HttpStatusBase + 404);
    EXPECT_EQ(run().result, UpdateResult::Unreachable);
    fake.http.responses[Server + "/asp/getDefsNEW.asp?" + Query + "&date=3/16/2006" + Iso] = {
        {}, record("COOK", "ADD", "half.example"), true, platform::Status(12030)};
    EXPECT_EQ(run().result, UpdateResult::Unreachable);
    // The update arrives, but its new date does not: nothing is applied, or the next run
    // would apply the same additions twice.
    serveUpdate("3/16/2006", record("COOK", "ADD", "new.example"));
    fake.http.respond(Server + "/asp/date.asp?" + Query + Iso, "garbage");
    EXPECT_EQ(run().result, UpdateResult::Unusable);
    fake.http.fail(Server + "/asp/date.asp?" + Query + Iso, platform::error::HttpStatusBase + 500);
    EXPECT_EQ(run().result, UpdateResult::Unreachable);
    EXPECT_EQ(snapshot(), before);

    // An update that changes nothing counts as current, and leaves the date alone.
    serveUpdate("3/16/2006", record("XYZ", "ADD", "x"));
    EXPECT_EQ(run().result, UpdateResult::Current);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(DriverTest, ABodyCutShortWithoutAnErrorAppliesNothing) {
    const std::string before = snapshot();
    // The connection closes after the first of two records, and the HTTP layer calls that
    // the end of the body: what arrived is a well-formed update, but not the one sent.
    const std::string first = record("COOK", "ADD", "first.example");
    const std::string whole = first + "[BR]" + record("COOK", "ADD", "second.example");
    serveUpdate("3/16/2006", "");
    fake.http.respondAnnouncing(Server + "/asp/getDefsNEW.asp?" + Query + "&date=3/16/2006" + Iso, first, whole.size());
    EXPECT_EQ(run().result, UpdateResult::Unreachable);
    EXPECT_EQ(snapshot(), before);

    // The new date cut after its day would store a date earlier than the server's.
    serveUpdate("3/16/2006", whole);
    fake.http.respondAnnouncing(Server + "/asp/date.asp?" + Query + Iso, "5/14/2024", 20);
    EXPECT_EQ(run().result, UpdateResult::Unreachable);
    EXPECT_EQ(snapshot(), before);

    // Whole, the same update goes in once.
    fake.http.respond(Server + "/asp/date.asp?" + Query + Iso, "5/14/2024 9:00:00 AM");
    ASSERT_EQ(run().result, UpdateResult::Updated);
    EXPECT_EQ(clear("BlockedCookies.dat"), "ads.example\r\nkeep.example\r\nfirst.example\r\nsecond.example\r\n");
}

// The window's status box and the console's lines follow the update step by step: the
// connection, each answer as it arrives, then the files as they are applied, one after another.
TEST_F(DriverTest, TheFrontEndHearsEachStepInTheOrderItHappens) {
    serveUpdate("3/16/2006", record("COOK", "DEL", "ads.example") + "[BR]" + record("EXE", "ADD", "new.exe=New|[progfil]New"));
    ASSERT_EQ(run().result, UpdateResult::Updated);
    const std::string applying = "Applying new updates...";
    EXPECT_EQ(recorder.statuses,
              (std::vector<std::string>{"Connecting to the definition server, please wait.",
                                        "Downloaded 22 bytes.",  // the server's date
                                        "Downloaded 64 bytes.",  // the update text
                                        applying, applying, applying, applying, applying, applying}));
}

TEST_F(DriverTest, CustomFeedRebuildsAllSixFiles) {
    fake.http.respond("http://www.sorvane.example/definitions/customdate.html", " 6/1/2024\r\n");
    fake.http.respond("http://www.sorvane.example/definitions/custom.html", record("COOK", "ADD", "only.example"));
    fake.http.respond(Server + "/asp/date.asp?" + Query + Iso, "6/1/2024 12:00:00 AM");
    UpdateSession session{fake.platform(), host, branding, Folder, silent, true, {}};
    const UpdateOutcome outcome = RunIncrementalUpdate(session);
    ASSERT_EQ(outcome.result, UpdateResult::Updated) << outcome.detail;
    EXPECT_EQ(outcome.count, 1u);
    EXPECT_EQ(clear("BlockedCookies.dat"), "only.example\r\n");
    EXPECT_EQ(raw("FileDefinition.dat"), "");
    EXPECT_EQ(raw("Safety.dat"), "");
    EXPECT_EQ(raw("date.dat"), "6/1/2024\r\n");

    // A feed without a single definition would leave the program with none: refused.
    fake.http.respond("http://www.sorvane.example/definitions/custom.html", "");
    fake.http.respond(Server + "/asp/date.asp?" + Query + "&iso=2024-06-01T00:00:00", "6/2/2024 12:00:00 AM");
    EXPECT_EQ(RunIncrementalUpdate(session).result, UpdateResult::Unusable);
    EXPECT_EQ(clear("BlockedCookies.dat"), "only.example\r\n");
}

TEST_F(DriverTest, AStaleStagingFileIsClearedFirst) {
    fake.files.addFile(path("temp.dat"), EncodeText("stale=1\r\n"));
    fake.files.addFile(path("BlockedCookies.dat.new"), "half written");
    serveUpdate("3/16/2006", record("COOK", "DEL", "ads.example"));
    ASSERT_EQ(run().result, UpdateResult::Updated);
    EXPECT_EQ(clear("BlockedCookies.dat"), "keep.example\r\n");
    EXPECT_FALSE(fake.files.lookup(path("temp.dat")));
    EXPECT_FALSE(fake.files.lookup(path("BlockedCookies.dat.new")));
}

TEST_F(DriverTest, AReplacementThatCannotBeFinishedStopsTheNextUpdateUntilItCan) {
    const std::string added = "new.exe=New|[progfil]New";
    const std::string fileDefinitions = "old.exe=Old|[progfil]Old|n\r\n" + added + "\r\n";
    const std::string exeDefinitions = "old.exe=Old|[progfil]Old\r\n" + added + "\r\n";
    fake.files.addFile(path("date.dat"), "3/16/2006\r\n");
    const fakes::FakeFileSystem initial = fake.files;
    // Another program holds a live file open, and the replacement stops there: at
    // ExeDefinition.dat with FileDefinition.dat already new; or at date.dat, the last,
    // with every definition file new and the date still the old one.
    for (const std::string held : {"ExeDefinition.dat", "date.dat"}) {
        SCOPED_TRACE(held);
        fake.files = initial;
        serveUpdate("3/16/2006", record("EXE", "ADD", added));
        fake.files.setInUse(path(held));
        const UpdateOutcome stuck = run();
        EXPECT_EQ(stuck.result, UpdateResult::LocalFailure);
        // Named as a local failure with the file and its cause, not as the network's.
        EXPECT_NE(stuck.detail.find(path(held) + ": it is in use by another program"), std::string::npos) << stuck.detail;
        ASSERT_TRUE(fake.files.lookup(path("update.pending")));
        ASSERT_EQ(clear("FileDefinition.dat"), fileDefinitions);
        ASSERT_EQ(raw("date.dat"), "3/16/2006\r\n");

        // Still held: the half-done replacement is neither built upon (the same additions
        // would go in a second time) nor called current, and the server is not even asked.
        fake.http.requests.clear();
        const UpdateOutcome blocked = run();
        EXPECT_EQ(blocked.result, UpdateResult::LocalFailure);
        EXPECT_NE(blocked.detail.find("an earlier update could not be finished: "), std::string::npos) << blocked.detail;
        EXPECT_TRUE(fake.http.requests.empty());
        EXPECT_TRUE(fake.files.lookup(path("update.pending")));
        EXPECT_EQ(clear("FileDefinition.dat"), fileDefinitions);

        // Released: the next run finishes the first update, whose date then makes it
        // current, and every file holds the addition once.
        fake.files.setInUse(path(held), false);
        EXPECT_EQ(run().result, UpdateResult::Current);
        EXPECT_FALSE(fake.files.lookup(path("update.pending")));
        EXPECT_EQ(clear("FileDefinition.dat"), fileDefinitions);
        EXPECT_EQ(clear("ExeDefinition.dat"), exeDefinitions);
        EXPECT_EQ(raw("date.dat"), "5/14/2024 9:00:00 AM\r\n");
    }
}

TEST_F(DriverTest, CommittingOverAnUnfinishedReplacementChangesNothing) {
    // A journal still waiting for ExeDefinition.dat, which another program holds open.
    fake.files.addFile(path("ExeDefinition.dat.new"), EncodeText("staged.exe=Staged|[progfil]Staged\r\n"));
    fake.files.addFile(path("update.pending"), "ExeDefinition.dat\r\n");
    fake.files.setInUse(path("ExeDefinition.dat"));
    const std::string before = snapshot();
    EXPECT_EQ(ApplyUpdate(fake.files, Folder, record("EXE", "ADD", "new.exe=New|[progfil]New"), false, silent), 0u);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(DecodeText(*fake.files.content(path("ExeDefinition.dat.new"))), "staged.exe=Staged|[progfil]Staged\r\n");
    EXPECT_EQ(*fake.files.content(path("update.pending")), "ExeDefinition.dat\r\n");
}

// The program folder as a crash leaves it: after `allowed` changes to the disk, every
// further change fails, as if the process had died there.
class DyingFileSystem : public platform::FileSystem {
public:
    DyingFileSystem(platform::FileSystem& inner, std::size_t allowed) : inner_(inner), left_(allowed) {}
    bool died() const { return died_; }

    std::optional<platform::DirectoryEntry> lookup(std::string_view p) override { return inner_.lookup(p); }
    platform::Status listFolder(std::string_view f, std::vector<platform::DirectoryEntry>& e) override {
        return inner_.listFolder(f, e);
    }
    platform::Status readFile(std::string_view p, std::string& b) override { return inner_.readFile(p, b); }
    platform::Status readRange(std::string_view p, std::uint64_t o, std::size_t c, std::string& b) override {
        return inner_.readRange(p, o, c, b);
    }
    platform::Status writeFile(std::string_view p, std::string_view b) override { return change([&] { return inner_.writeFile(p, b); }); }
    platform::Status appendFile(std::string_view p, std::string_view b) override { return change([&] { return inner_.appendFile(p, b); }); }
    platform::Status writeFileFlushed(std::string_view p, std::string_view b) override {
        return change([&] { return inner_.writeFileFlushed(p, b); });
    }
    platform::Status replaceFile(std::string_view f, std::string_view t) override { return change([&] { return inner_.replaceFile(f, t); }); }
    platform::Status copyFile(std::string_view f, std::string_view t, bool x) override {
        return change([&] { return inner_.copyFile(f, t, x); });
    }
    platform::Status moveFile(std::string_view f, std::string_view t) override { return change([&] { return inner_.moveFile(f, t); }); }
    platform::Status deleteFile(std::string_view p) override { return change([&] { return inner_.deleteFile(p); }); }
    platform::Status createFolder(std::string_view p) override { return change([&] { return inner_.createFolder(p); }); }
    platform::Status removeFolder(std::string_view p) override { return change([&] { return inner_.removeFolder(p); }); }
    platform::Status setAttributes(std::string_view p, std::uint32_t a) override {
        return change([&] { return inner_.setAttributes(p, a); });
    }
    std::vector<std::string> drives() override { return inner_.drives(); }
    platform::DriveType driveType(std::string_view r) override { return inner_.driveType(r); }
    bool driveReady(std::string_view r) override { return inner_.driveReady(r); }
    std::string currentFolder() override { return inner_.currentFolder(); }
    std::optional<platform::FileIdentity> identity(std::string_view p) override { return inner_.identity(p); }

private:
    template <class F>
    platform::Status change(F f) {
        if (left_ == 0) {
            died_ = true;
            return platform::Status::failure(platform::error::GenericFailure);
        }
        --left_;
        return f();
    }
    platform::FileSystem& inner_;
    std::size_t left_;
    bool died_ = false;
};

TEST_F(DriverTest, ACrashAtAnyPointLeavesTheDefinitionsWhollyOldOrWhollyNew) {
    serveUpdate("3/16/2006", record("COOK", "DEL", "ads.example") + "[BR]" + record("EXE", "ADD", "new.exe=New|[progfil]New") +
                                 "[BR]" + record("SEXE", "ADD", "good.exe=Good|"));
    const std::string before = snapshot();
    std::string after;
    {
        fakes::FakePlatform reference;
        reference.files = fake.files;
        reference.http = fake.http;
        UpdateSession session{reference.platform(), host, branding, Folder, silent, UseCustomFeed, {}};
        ASSERT_EQ(RunIncrementalUpdate(session).result, UpdateResult::Updated);
        after = snapshotOf(reference.files);
    }
    ASSERT_NE(before, after);

    bool survivedEveryPoint = false;
    for (std::size_t allowed = 0; !survivedEveryPoint; ++allowed) {
        fakes::FakePlatform crashed;
        crashed.files = fake.files;
        crashed.http = fake.http;
        DyingFileSystem dying(crashed.files, allowed);
        platform::Platform p = crashed.platform();
        platform::Platform withDying{p.registry, dying,         p.shell,     p.processes,  p.versions, p.locale,
                                     p.instance, p.http, p.restorePoints, p.clipboard, p.environment, p.signatures, p.logonTasks};
        UpdateSession session{withDying, host, branding, Folder, silent, UseCustomFeed, {}};
        (void)RunIncrementalUpdate(session);
        survivedEveryPoint = !dying.died();

        // The next start finishes or forgets what the crash left.
        EXPECT_TRUE(CompleteInterruptedUpdate(crashed.files, Folder).ok()) << allowed;
        const std::string state = snapshotOf(crashed.files);
        EXPECT_TRUE(state == before || state == after) << "a crash after " << allowed << " changes left a mixture";
        EXPECT_FALSE(crashed.files.lookup(path("update.pending"))) << allowed;
        ASSERT_LT(allowed, 100u);
    }
}

TEST_F(DriverTest, TheStoredDateIsNeverLaterThanTheOneAnnouncedFirst) {
    serveUpdate("3/16/2006", record("COOK", "ADD", "new.example"));
    // A release published between the requests, or a clock far ahead.
    fake.http.respond(Server + "/asp/date.asp?" + Query + Iso, "12/31/2099 11:00:00 PM");
    const UpdateOutcome outcome = run();
    ASSERT_EQ(outcome.result, UpdateResult::Updated) << outcome.detail;
    EXPECT_EQ(raw("date.dat"), "5/14/2024 9:00:00 AM\r\n");
    EXPECT_EQ(outcome.newDate, "5/14/2024 9:00:00 AM");
}

TEST_F(DriverTest, ServerDatesInIsoFormAreRead) {
    serveUpdate("3/16/2006", record("COOK", "ADD", "new.example"));
    fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + Iso, "2024-05-14T09:00:00");
    fake.http.respond(Server + "/asp/date.asp?" + Query + Iso, "2024-05-14T08:00:00");
    ASSERT_EQ(run().result, UpdateResult::Updated);
    EXPECT_EQ(raw("date.dat"), "5/14/2024 8:00:00 AM\r\n");
}

TEST_F(DriverTest, TheUpdateTextGoesToTheFilesAsBytesWhateverTheCodePage) {
    // Every encoded byte is above 0x7F: a code page without those characters (as a
    // double-byte one lacks most of them) would turn the text into question marks.
    fake.locale.setAnsiWithoutHighBytes(true);
    serveUpdate("3/16/2006", record("COOK", "DEL", "ads.example") + "[BR]" + record("EXE", "ADD", "n\xE9w.exe=New|[progfil]New"));
    ASSERT_EQ(run().result, UpdateResult::Updated);
    EXPECT_EQ(clear("BlockedCookies.dat"), "keep.example\r\n");
    EXPECT_EQ(clear("ExeDefinition.dat"), "old.exe=Old|[progfil]Old\r\nn\xE9w.exe=New|[progfil]New\r\n");
}

TEST_F(DriverTest, ABodyWithoutALengthIsAppliedOnlyWithItsClosingRecord) {
    const std::string before = snapshot();
    const std::string url = Server + "/asp/getDefsNEW.asp?" + Query + "&date=3/16/2006" + Iso;
    const std::string records = record("COOK", "ADD", "first.example") + "[BR]" + record("COOK", "ADD", "second.example");
    serveUpdate("3/16/2006", "");
    // Chunked, or ended by closing: cut after a whole record, it would look like a whole update.
    fake.http.responses[url] = {{}, records, false, {}};
    const UpdateOutcome cut = run();
    EXPECT_EQ(cut.result, UpdateResult::Unreachable);
    EXPECT_NE(cut.detail.find("cut off"), std::string::npos);
    EXPECT_EQ(snapshot(), before);

    fake.http.responses[url] = {{}, records + "[BR]|END[DEF]\r\n", false, {}};
    const UpdateOutcome whole = run();
    ASSERT_EQ(whole.result, UpdateResult::Updated) << whole.detail;
    EXPECT_EQ(whole.count, 2u);
    EXPECT_EQ(clear("BlockedCookies.dat"), "ads.example\r\nkeep.example\r\nfirst.example\r\nsecond.example\r\n");
}

TEST_F(DriverTest, AMissingDefinitionFileComesBackWholeEvenWhenNothingIsNewer) {
    ASSERT_TRUE(fake.files.deleteFile(path("DirectoryDefinition.dat")).ok());
    ASSERT_TRUE(fake.files.deleteFile(path("ExeDefinition.dat")).ok());
    fake.files.addFile(path("date.dat"), "5/14/2024 9:00:00 AM\r\n");
    const std::string current = Server + "/asp/currentDateNEW.asp?" + Query + "&iso=2024-05-14T09:00:00";
    fake.http.respond(current, "5/14/2024 9:00:00 AM");
    // The server cannot give one of them: nothing is written, and the next update tries again.
    fake.http.respond(Server + "/definitions/data/ExeDefinition.dat", EncodeText("whole.exe=Whole|[progfil]W\r\n"));
    const std::string before = snapshot();
    const UpdateOutcome failedOne = run();
    EXPECT_EQ(failedOne.result, UpdateResult::Unreachable);
    EXPECT_NE(failedOne.detail.find("DirectoryDefinition.dat"), std::string::npos);
    EXPECT_EQ(snapshot(), before);

    fake.http.respond(Server + "/definitions/data/DirectoryDefinition.dat", EncodeText("[progfil]Bad\r\n"));
    const UpdateOutcome restored = run();
    ASSERT_EQ(restored.result, UpdateResult::Updated) << restored.detail;
    EXPECT_EQ(restored.count, 2u);
    EXPECT_EQ(clear("ExeDefinition.dat"), "whole.exe=Whole|[progfil]W\r\n");
    EXPECT_EQ(clear("DirectoryDefinition.dat"), "[progfil]Bad\r\n");
    EXPECT_EQ(raw("date.dat"), "5/14/2024 9:00:00 AM\r\n");
    const auto flagged = std::count_if(restored.files.begin(), restored.files.end(), [](const AppliedFile& f) { return f.restored; });
    EXPECT_EQ(flagged, 2);
    EXPECT_EQ(run().result, UpdateResult::Current);
}

TEST_F(DriverTest, AMissingFileIsTakenWholeWhileTheOthersTakeTheDifference) {
    ASSERT_TRUE(fake.files.deleteFile(path("ExeDefinition.dat")).ok());
    fake.http.respond(Server + "/definitions/data/ExeDefinition.dat",
                      EncodeText("old.exe=Old|[progfil]Old\r\nnew.exe=New|[progfil]New\r\n"));
    serveUpdate("3/16/2006", record("EXE", "ADD", "new.exe=New|[progfil]New"));
    ASSERT_EQ(run().result, UpdateResult::Updated);
    // The whole file already holds the addition: it is not added a second time.
    EXPECT_EQ(clear("ExeDefinition.dat"), "old.exe=Old|[progfil]Old\r\nnew.exe=New|[progfil]New\r\n");
    EXPECT_EQ(clear("FileDefinition.dat"), "old.exe=Old|[progfil]Old|n\r\nnew.exe=New|[progfil]New\r\n");
}

TEST_F(DriverTest, FilesAreReplacedOnlyUnderTheSharedLock) {
    serveUpdate("3/16/2006", record("COOK", "DEL", "ads.example"));
    bool lockedWhileReplacing = false;
    fake.files.beforeDeleteOf(path("update.pending"),
                              [&] { lockedWhileReplacing = fake.instance.holding(DefinitionsLockName); });
    ASSERT_EQ(run().result, UpdateResult::Updated);
    EXPECT_TRUE(lockedWhileReplacing);
    EXPECT_TRUE(fake.instance.acquired.empty());

    // Another process keeps it (replacing the files itself): nothing here is touched, and the
    // user learns why, not that the connection failed.
    fake.files.addFile(path("BlockedCookies.dat.new"), "another process's staged file");
    fake.files.addFile(path("update.pending"), "BlockedCookies.dat\r\n");
    fake.instance.othersHolding.insert(std::string(DefinitionsLockName));
    const std::string before = snapshot();
    const UpdateOutcome blocked = run();
    EXPECT_EQ(blocked.result, UpdateResult::LocalFailure);
    EXPECT_NE(blocked.detail.find("another Sorvane program"), std::string::npos) << blocked.detail;
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(raw("BlockedCookies.dat.new"), "another process's staged file");
    EXPECT_TRUE(fake.files.lookup(path("update.pending")));
}

}  // namespace
}  // namespace sorvane::update
