#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "definitions/encoding.h"
#include "localization/branding.h"
#include "tests/fakes/fake_platform.h"
#include "tests/unit/update/update_records.h"
#include "ui/headless/headless_host.h"
#include "update/applier.h"
#include "update/signed_statement.h"
#include "update/update_driver.h"

namespace sorvane::update {
namespace {

using fakes::FakeSignatures;
using platform::DateTime;

// Any 64 bytes stand for a key with the fake; the build's own form is hex.
const std::string Key = std::string(128, 'a');
const std::string OtherKey = std::string(128, 'b');
const std::string Body = "the update text\r\n";
const DateTime Local{2006, 3, 16, 0, 0, 0};

std::string signedFor(const FakeSignatures::Statement& fields, const std::string& body = Body,
                      const std::string& key = Key) {
    return FakeSignatures::statement(key, fields, body);
}

const FakeSignatures::Statement Good{"/asp/getDefsNEW.asp", "2006-03-16T00:00:00", "2024-05-14T09:00:00"};

TEST(SignedStatements, AreReadOnlyInTheirOneForm) {
    const std::string text = signedFor(Good);
    const auto statement = ReadStatement(text);
    ASSERT_TRUE(statement);
    EXPECT_EQ(statement->covers, "/asp/getDefsNEW.asp");
    EXPECT_EQ(statement->to, "2024-05-14T09:00:00");
    EXPECT_EQ(statement->signature.size(), 64u);
    // The signed bytes are the five lines before the signature, each with its LF.
    EXPECT_EQ(statement->body, text.substr(0, text.find("signature=")));
    EXPECT_TRUE(ReadStatement(text.substr(0, text.size() - 1)));  // without the final LF

    const std::size_t signature = text.find("signature=");
    std::string crlf = text;
    crlf.insert(crlf.find('\n'), "\r");
    // The first two lines the other way round.
    const std::size_t second = text.find('\n') + 1, third = text.find('\n', second) + 1;
    const std::string swapped = text.substr(second, third - second) + text.substr(0, second) + text.substr(third);
    for (const std::string& wrong :
         {std::string(), std::string("<html>404 Not Found</html>"), text.substr(0, signature),  // no signature
          text + "extra=1\n", "\n" + text, crlf, swapped,
          text.substr(0, signature) + "signature=AAAA\n",                                 // too short
          text.substr(0, signature) + "signature=" + std::string(87, 'A') + "!\n"})        // not base64
        EXPECT_FALSE(ReadStatement(wrong)) << wrong;
}

TEST(SignedStatements, StandBesideTheAnswerTheyCover) {
    EXPECT_EQ(StatementAddress("http://s.example/asp/getDefsNEW.asp?prog=A&iso=2006-03-16T00:00:00"),
              "http://s.example/asp/getDefsNEW.sig?prog=A&iso=2006-03-16T00:00:00");
    EXPECT_EQ(StatementAddress("https://s.example/Languages/30/Localization.xml"),
              "https://s.example/Languages/30/Localization.sig");
    EXPECT_EQ(StatementAddress("http://s.example/a.b/feed?x=y.z"), "http://s.example/a.b/feed.sig?x=y.z");
    EXPECT_EQ(AddressPath("https://s.example:8443/Languages/30/Localization.xml?x=1"), "/Languages/30/Localization.xml");
    EXPECT_EQ(AddressPath("http://s.example"), "/");
}

class CheckTest : public ::testing::Test {
protected:
    StatementCheck check(const std::optional<std::string>& statement, const std::string& body = Body,
                         std::optional<DateTime> local = Local, const std::string& key = Key) {
        return CheckStatement(signatures, key, statement, body, {"/asp/getDefsNEW.asp", local, {}});
    }
    FakeSignatures signatures;
};

TEST_F(CheckTest, AGoodStatementGivesItsTargetDate) {
    const StatementCheck good = check(signedFor(Good));
    ASSERT_TRUE(good.ok());
    EXPECT_FALSE(good.current);
    EXPECT_EQ(good.to, (DateTime{2024, 5, 14, 9, 0, 0}));
    // Nothing newer, and signed so: current.
    const StatementCheck current = check(signedFor({"/ASP/getdefsnew.asp", "2006-03-16T00:00:00", "2006-03-16T00:00:00"}));
    ASSERT_TRUE(current.ok());
    EXPECT_TRUE(current.current);
}

TEST_F(CheckTest, EachWayOfTamperingHasItsRefusal) {
    EXPECT_EQ(check(std::nullopt).refusal, Refusal::Missing);
    EXPECT_EQ(check(std::string("<html>Not Found</html>")).refusal, Refusal::Missing);
    // One byte of the answer, or of the statement's signed lines, changed on the way.
    EXPECT_EQ(check(signedFor(Good), "the update text\r\r").refusal, Refusal::Changed);
    std::string statement = signedFor(Good);
    statement[statement.find("to=2024") + 6] = '5';
    EXPECT_EQ(check(statement).refusal, Refusal::Changed);
    // Signed by someone else, or the publisher's statement for another answer.
    EXPECT_EQ(check(signedFor(Good, Body, OtherKey)).refusal, Refusal::Changed);
    EXPECT_EQ(check(signedFor({"/Languages/30/Localization.xml", "2006-03-16T00:00:00", "2024-05-14T09:00:00"})).refusal,
              Refusal::Changed);
    // The difference from another date than ours, mixed into our answer.
    EXPECT_EQ(check(signedFor({"/asp/getDefsNEW.asp", "2005-01-01T00:00:00", "2024-05-14T09:00:00"})).refusal,
              Refusal::OtherStart);
    // An older update sent again, or one that would take us back.
    EXPECT_EQ(check(signedFor(Good), Body, DateTime{2024, 5, 14, 9, 0, 0}).refusal, Refusal::NotNewer);
    EXPECT_EQ(check(signedFor(Good), Body, DateTime{2024, 7, 1, 0, 0, 0}).refusal, Refusal::NotNewer);
    // Held back: the clock has reached the expiry.
    signatures.now = {2024, 6, 15, 0, 0, 0};
    EXPECT_EQ(check(signedFor(Good)).refusal, Refusal::Expired);
    EXPECT_EQ(check(signedFor({"/asp/getDefsNEW.asp", "2006-03-16T00:00:00", "2006-03-16T00:00:00"})).refusal,
              Refusal::Expired);
    signatures.now = {2024, 6, 14, 23, 59, 59};
    EXPECT_TRUE(check(signedFor(Good)).ok());
    // An expiry without its zone, or dates that are no dates, are not what the publisher writes.
    EXPECT_EQ(check(signedFor({"/asp/getDefsNEW.asp", "2006-03-16T00:00:00", "2024-05-14T09:00:00", "2024-06-15T00:00:00"}))
                  .refusal,
              Refusal::Changed);
    EXPECT_EQ(check(signedFor({"/asp/getDefsNEW.asp", "yesterday", "2024-05-14T09:00:00"})).refusal, Refusal::Changed);
    // A system that cannot check, and a build whose key is malformed, apply nothing.
    EXPECT_EQ(check(signedFor(Good), Body, Local, "abc").refusal, Refusal::Unverifiable);
    signatures.unavailable = true;
    EXPECT_EQ(check(signedFor(Good)).refusal, Refusal::Unverifiable);
}

TEST_F(CheckTest, ATranslationHasNoDatesToCompare) {
    const StatementCheck translation = CheckStatement(
        signatures, Key, signedFor({"/Languages/30/Localization.xml", "", "2024-05-01T10:00:00Z"}), Body,
        {"/Languages/30/Localization.xml", std::nullopt, std::nullopt});
    EXPECT_TRUE(translation.ok());
}

TEST(SignedStatements, EveryRefusalHasItsMessage) {
    for (Refusal r : {Refusal::Missing, Refusal::Changed, Refusal::OtherStart, Refusal::NotNewer, Refusal::Expired,
                      Refusal::Unverifiable}) {
        EXPECT_TRUE(RefusalMessageKey(r).starts_with("MSG_SIGNED_"));
        EXPECT_FALSE(RefusalText(r).empty());
    }
    EXPECT_NE(RefusalMessageKey(Refusal::Expired), RefusalMessageKey(Refusal::NotNewer));
}

// The live update in a build that carries a key.
class SignedDriverTest : public ::testing::Test {
protected:
    const std::string Server = "http://www.definitions.sorvane.example";
    const std::string Query = "prog=Sorvane&comp=Talvenor";
    const std::string Folder = "C:\\Program Files\\Sorvane";
    const std::string Since = Server + "/asp/getDefsNEW.asp?" + Query + "&date=3/16/2006&iso=2006-03-16T00:00:00";

    SignedDriverTest() {
        branding.ProgramName = "Sorvane";
        branding.CompanyName = "Talvenor";
        for (auto name : UpdateFiles) fake.files.addFile(Folder + "\\" + std::string(name), "");
        fake.files.addFile(Folder + "\\BlockedCookies.dat", definitions::EncodeText("ads.example\r\n"));
        fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + "&iso=2006-03-16T00:00:00", "2024-05-14T09:00:00");
    }
    void serve(const std::string& text, const FakeSignatures::Statement& fields) {
        fake.http.respond(Since, text);
        fake.http.respond(StatementAddress(Since), FakeSignatures::statement(Key, fields, text));
    }
    UpdateOutcome run() {
        UpdateSession session{fake.platform(), host, branding, Folder, silent, false, Key};
        return RunIncrementalUpdate(session);
    }
    std::string snapshot() {
        std::string all;
        for (auto name : UpdateFiles) all += fake.files.content(Folder + "\\" + std::string(name)).value_or("-") + "|";
        return all + fake.files.content(Folder + "\\date.dat").value_or("-");
    }
    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    localization::Branding branding;
    SilentUpdateObserver silent;
};

TEST_F(SignedDriverTest, AGoodUpdateIsAppliedWithTheDateItsStatementNames) {
    const std::string text = testing::record("COOK", "ADD", "new.example");
    serve(text, Good);
    const UpdateOutcome outcome = run();
    ASSERT_EQ(outcome.result, UpdateResult::Updated) << outcome.detail;
    EXPECT_EQ(*fake.files.content(Folder + "\\date.dat"), "5/14/2024 9:00:00 AM\r\n");
    EXPECT_EQ(definitions::DecodeText(*fake.files.content(Folder + "\\BlockedCookies.dat")), "ads.example\r\nnew.example\r\n");
    // The signed date stands: the unsigned date answer is not asked for.
    EXPECT_EQ(fake.http.requests, (std::vector<std::string>{Server + "/asp/currentDateNEW.asp?" + Query +
                                                                "&iso=2006-03-16T00:00:00",
                                                            Since, StatementAddress(Since)}));
}

TEST_F(SignedDriverTest, EveryRefusalAppliesNothing) {
    const std::string before = snapshot();
    const std::string text = testing::record("COOK", "DEL", "ads.example");
    struct Case {
        const char* what;
        std::function<void()> serveIt;
        Refusal refusal;
    };
    const std::vector<Case> cases = {
        {"missing", [&] { fake.http.respond(Since, text); fake.http.fail(StatementAddress(Since), platform::error::HttpStatusBase + 404); },
         Refusal::Missing},
        {"changed", [&] { serve(text, Good); fake.http.respond(Since, text + " "); }, Refusal::Changed},
        {"other start", [&] { serve(text, {"/asp/getDefsNEW.asp", "2005-01-01T00:00:00", "2024-05-14T09:00:00"}); },
         Refusal::OtherStart},
        {"older", [&] { serve(text, {"/asp/getDefsNEW.asp", "2006-03-16T00:00:00", "2005-01-01T00:00:00"}); },
         Refusal::NotNewer},
        {"expired", [&] { serve(text, {"/asp/getDefsNEW.asp", "2006-03-16T00:00:00", "2024-05-14T09:00:00", "2024-06-01T00:00:00Z"}); },
         Refusal::Expired},
    };
    for (const Case& c : cases) {
        c.serveIt();
        const UpdateOutcome outcome = run();
        EXPECT_EQ(outcome.result, UpdateResult::Refused) << c.what;
        EXPECT_EQ(outcome.refusal, c.refusal) << c.what;
        EXPECT_NE(outcome.detail.find("refused"), std::string::npos) << c.what;
        EXPECT_EQ(snapshot(), before) << c.what;
    }
    // A statement that cannot be fetched at all is the network's failure, not a refusal.
    fake.http.fail(StatementAddress(Since), platform::error::CannotConnect);
    EXPECT_EQ(run().result, UpdateResult::Unreachable);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SignedDriverTest, NothingNewerIsConfirmedBySignatureNotByTheDateAnswer) {
    // The date answer says "nothing newer"; only the signed statement may confirm it.
    fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + "&iso=2006-03-16T00:00:00", "2006-03-16T00:00:00");
    serve("", {"/asp/getDefsNEW.asp", "2006-03-16T00:00:00", "2006-03-16T00:00:00"});
    EXPECT_EQ(run().result, UpdateResult::Current);
    // A date answer held back while newer definitions exist: the update is fetched all the same.
    const std::string text = testing::record("COOK", "ADD", "new.example");
    serve(text, Good);
    EXPECT_EQ(run().result, UpdateResult::Updated);
    // A freeze: the statement that confirmed the old date has expired.
    const std::string after = snapshot();
    fake.http.respond(Server + "/asp/currentDateNEW.asp?" + Query + "&iso=2024-05-14T09:00:00", "2024-05-14T09:00:00");
    const std::string since = Server + "/asp/getDefsNEW.asp?" + Query + "&date=5/14/2024 9:00:00 AM&iso=2024-05-14T09:00:00";
    fake.http.respond(since, "");
    fake.http.respond(StatementAddress(since),
                      FakeSignatures::statement(Key, {"/asp/getDefsNEW.asp", "2024-05-14T09:00:00", "2024-05-14T09:00:00",
                                                      "2024-05-20T00:00:00Z"}, ""));
    const UpdateOutcome frozen = run();
    EXPECT_EQ(frozen.result, UpdateResult::Refused);
    EXPECT_EQ(frozen.refusal, Refusal::Expired);
    EXPECT_EQ(snapshot(), after);
}

TEST_F(SignedDriverTest, AMissingFileIsRecreatedOnlyFromAWholeFileItsPublisherSigned) {
    ASSERT_TRUE(fake.files.deleteFile(Folder + "\\FileDefinition.dat").ok());
    serve(testing::record("COOK", "ADD", "new.example"), Good);
    const std::string whole = Server + "/definitions/data/FileDefinition.dat";
    const std::string statement = Server + "/definitions/data/FileDefinition.sig";
    const std::string file = definitions::EncodeText("C:\\Windows\\spy.exe\r\n");
    const FakeSignatures::Statement release{"/definitions/data/FileDefinition.dat", "2024-05-14T09:00:00",
                                            "2024-05-14T09:00:00"};
    const std::string before = snapshot();
    struct Case {
        const char* what;
        std::function<void()> serveIt;
        Refusal refusal;
    };
    const std::vector<Case> cases = {
        {"missing", [&] { fake.http.respond(whole, file); fake.http.fail(statement, platform::error::HttpStatusBase + 404); },
         Refusal::Missing},
        {"changed", [&] { fake.http.respond(statement, FakeSignatures::statement(Key, release, file));
                          fake.http.respond(whole, file + definitions::EncodeText("C:\\x.exe\r\n")); },
         Refusal::Changed},
        {"another file's", [&] { fake.http.respond(whole, file);
                                 fake.http.respond(statement, FakeSignatures::statement(
                                     Key, {"/definitions/data/ExeDefinition.dat", release.from, release.to}, file)); },
         Refusal::Changed},
        {"expired", [&] { fake.http.respond(statement, FakeSignatures::statement(
                              Key, {release.covers, release.from, release.to, "2024-06-01T00:00:00Z"}, file)); },
         Refusal::Expired},
        // A genuine file of a release older than the definitions here, sent again.
        {"an older release's", [&] { fake.http.respond(statement, FakeSignatures::statement(
                                         Key, {release.covers, "2005-01-01T00:00:00", "2005-01-01T00:00:00"}, file)); },
         Refusal::NotNewer},
    };
    for (const Case& c : cases) {
        c.serveIt();
        const UpdateOutcome outcome = run();
        EXPECT_EQ(outcome.result, UpdateResult::Refused) << c.what;
        EXPECT_EQ(outcome.refusal, c.refusal) << c.what;
        EXPECT_EQ(snapshot(), before) << c.what;
    }
    fake.http.respond(statement, FakeSignatures::statement(Key, release, file));
    const UpdateOutcome outcome = run();
    ASSERT_EQ(outcome.result, UpdateResult::Updated) << outcome.detail;
    EXPECT_EQ(fake.files.content(Folder + "\\FileDefinition.dat"), file);
}

TEST_F(SignedDriverTest, TheFeedOfTheWebSiteMustBeSignedToo) {
    fake.http.respond("http://www.sorvane.example/definitions/customdate.html", "6/1/2024");
    fake.http.respond("http://www.sorvane.example/definitions/custom.html", testing::record("COOK", "ADD", "only.example"));
    fake.http.respond(Server + "/asp/date.asp?" + Query + "&iso=2006-03-16T00:00:00", "6/1/2024 12:00:00 AM");
    fake.http.fail("http://www.sorvane.example/definitions/custom.sig", platform::error::HttpStatusBase + 404);
    const std::string before = snapshot();
    UpdateSession session{fake.platform(), host, branding, Folder, silent, true, Key};
    EXPECT_EQ(RunIncrementalUpdate(session).refusal, Refusal::Missing);
    EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace sorvane::update
