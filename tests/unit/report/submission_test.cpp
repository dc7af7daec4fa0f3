#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "definitions/definition_files.h"
#include "definitions/encoding.h"
#include "report/data_submission.h"
#include "tests/unit/app/gui_program.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::report {
namespace {

const std::string& Folder = app::testing::ProgramFolder;
const std::string Url(CollectionUrl);

TEST(SubmissionPayloadTest, SkipsTheEightSystemNamesExactlyAndKeepsDuplicatesInOrder) {
    fakes::FakeLocale locale;
    const std::vector<std::string> eight{"System",       "System Idle Process", "winlogon.exe", "services.exe",
                                         "svchost.exe",  "explorer.exe",        "firefox.exe",  "iexplore.exe"};
    EXPECT_EQ(ProcessPayload(eight, locale), "");
    auto names = eight;
    names.insert(names.begin() + 3, {"a.exe", "SVCHOST.EXE", "a.exe"});
    EXPECT_EQ(ProcessPayload(names, locale), definitions::EncodeLine("a.exe") + "|" +
                                                 definitions::EncodeLine("SVCHOST.EXE") + "|" +
                                                 definitions::EncodeLine("a.exe"));
    EXPECT_EQ(FilePayload("", locale), "|");
    EXPECT_EQ(definitions::DecodeLine(FilePayload("x.dll", locale).substr(0, 5)), "x.dll");
}

TEST(SubmissionPayloadTest, EscapesEveryByteOutsideTheUnreservedSetButTheSeparators) {
    EXPECT_EQ(CollectionAddress(std::string("aZ9-._~|#&%+? /\x7f\x80\xff", 18)),
              Url + "aZ9-._~|%23%26%25%2B%3F%20%2F%7F%80%FF");
    // A high code wraps round to a low one, which is escaped too.
    fakes::FakeLocale locale;
    EXPECT_EQ(CollectionAddress(FilePayload("\xc3\xbe", locale)), Url + "%7B|");  // thorn, 254, shifts to 123
}

class SubmissionTest : public app::testing::GuiProgramTest {
protected:
    std::string stored(std::string_view key) { return GuiProgramTest::stored(app::section::Options, key); }
};

TEST_F(SubmissionTest, TheResultsPageWithNothingFoundReportsTheLoadedExecutablesOnlyWhenChosen) {
    fake.processes.wmiNames = {"System", "tool #1 & co.exe", "explorer.exe"};
    auto& window = start();
    ASSERT_TRUE(window.visible());
    fake.http.requests.clear();  // the banner strip's page, fetched at load
    window.cmdResults.click();
    const std::string expected = CollectionAddress(definitions::EncodeLine("tool #1 & co.exe"));
    ASSERT_EQ(fake.http.requests, (std::vector<std::string>{expected}));
    EXPECT_EQ(expected.find(' '), std::string::npos);

    // Only the eight skipped names running: nothing is sent.
    fake.processes.wmiNames = {"System", "svchost.exe"};
    window.cmdResults.click();
    // A failed query sends nothing either.
    fake.processes.wmiNames = {"a.exe"};
    fake.processes.wmiFails = true;
    window.cmdResults.click();
    EXPECT_EQ(fake.http.requests.size(), 1u);
    EXPECT_EQ(fake.processes.wmiQueries, 3);

    fake.processes.wmiFails = false;
    window.chkSendData.setValue(0);
    window.cmdResults.click();
    EXPECT_EQ(fake.processes.wmiQueries, 3);
}

TEST_F(SubmissionTest, SubmitSendsTheNameShowsTheOutcomeAndClearsTheBox) {
    auto& window = start();
    fake.http.requests.clear();  // the banner strip's page, fetched at load
    fake.http.respond(CollectionAddress(FilePayload("bad.exe", fake.locale)), "<html>ADDED</html>");
    window.txtFilename.setText("bad.exe");
    window.cmdSubmit.click();
    EXPECT_EQ(window.lblSubmitResult.caption(), "Results: bad.exe Submitted.  Thank you!");
    EXPECT_EQ(window.txtFilename.text(), "");

    // Enter in the box submits; the empty name goes out as "|" and, unanswered, shows the problem.
    int key = 'x';
    window.txtFilename.keyPress(key);
    EXPECT_EQ(key, 'x');
    EXPECT_EQ(fake.http.requests.size(), 1u);
    key = 13;
    window.txtFilename.keyPress(key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(fake.http.requests.back(), Url + "|");
    EXPECT_EQ(window.lblSubmitResult.caption(),
              "Results: There was a problem submitting .  Please make sure you are connected to the internet, or "
              "try again later.");

    fake.http.respond(Url + "|", "Skipped");
    window.cmdSubmit.click();
    EXPECT_EQ(window.lblSubmitResult.caption(), "Results:  Submitted.  Thank you!");
}

TEST_F(SubmissionTest, BrowsePutsTheChosenFileNameInTheBoxAndACancelLeavesIt) {
    auto& window = start();
    host.queueFile("C:\\Program Files\\Odd\\odd tool.exe");
    window.browseButton.click();
    EXPECT_EQ(window.txtFilename.text(), "odd tool.exe");
    host.queueFile("plain.exe");
    window.browseButton.click();
    EXPECT_EQ(window.txtFilename.text(), "plain.exe");
    host.queueFile(std::nullopt);
    window.browseButton.click();
    EXPECT_EQ(window.txtFilename.text(), "plain.exe");
    EXPECT_EQ(host.fileRequests().size(), 3u);
}

TEST_F(SubmissionTest, UncheckingTheCollectionAsksAndNoKeepsItOn) {
    auto& window = start();
    auto& box = window.chkSendData;
    ASSERT_TRUE(box.checked());
    host.queueAnswer(ui::Answer::No);
    box.click();
    box.mouseUp({1, 0, 0, 0});
    EXPECT_TRUE(box.checked());
    EXPECT_EQ(stored("chkSendData"), "1");
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].title, "Really turn off anonymous data collection?");
    EXPECT_EQ(host.messages()[0].text.find("By sending anonymous data"), 0u);
    EXPECT_NE(host.messages()[0].text.find("quickly.\r\n\r\nNo personal information"), std::string::npos);
    EXPECT_NE(host.messages()[0].text.find("memory.\r\n\r\nDo you really want"), std::string::npos);

    host.queueAnswer(ui::Answer::Yes);
    box.click();
    box.mouseUp({1, 0, 0, 0});
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(stored("chkSendData"), "0");

    box.click();
    box.mouseUp({1, 0, 0, 0});
    EXPECT_EQ(stored("chkSendData"), "1");
    EXPECT_EQ(host.messages().size(), 2u);
}

TEST_F(SubmissionTest, TheSpaceBarStoresTheCollectionSettingAsAClickDoes) {
    auto& window = start();
    auto& box = window.chkSendData;
    ASSERT_TRUE(box.checked());
    host.queueAnswer(ui::Answer::Yes);
    box.click();
    box.keyUp(ui::key::Space);
    EXPECT_FALSE(box.checked());
    EXPECT_EQ(stored("chkSendData"), "0");
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].title, "Really turn off anonymous data collection?");

    box.click();
    box.keyUp(ui::key::Space);
    EXPECT_EQ(stored("chkSendData"), "1");
    // Other keys toggle nothing and store nothing.
    box.setValue(0);
    box.keyUp('A');
    EXPECT_EQ(stored("chkSendData"), "1");
    EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(SubmissionTest, TheConsoleSubmitPrintsTheOutcomeAndItsExitCodeFollowsTheAnswer) {
    std::istringstream in;
    std::ostringstream out, err;
    cli::Console console{in, out, err};
    auto submit = [&](std::vector<std::string> args) {
        out.str("");
        return cli::dispatch(fake.platform(), args, console);
    };
    EXPECT_EQ(submit({"submit", "odd#name.exe"}), cli::ExitError);
    EXPECT_NE(out.str().find("There was a problem submitting odd#name.exe."), std::string::npos) << out.str();
    fake.http.respond(CollectionAddress(FilePayload("odd#name.exe", fake.locale)), "Added");
    EXPECT_EQ(submit({"submit", "odd#name.exe"}), cli::ExitClean);
    EXPECT_EQ(out.str(), "Results: odd#name.exe Submitted.  Thank you!\n");
    EXPECT_EQ(submit({"submit"}), cli::ExitError);
}

TEST_F(SubmissionTest, AConsoleRemovalReportsTheLoadedExecutablesOnlyWhenItsCommandLineAsks) {
    auto plant = [this] {
        fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
        ASSERT_TRUE(fake.files
                        .writeFile(Folder + "\\FileDefinition.dat",
                                   definitions::StoredDefinitionLine(fake.locale, "bad.exe=BadBar|[progfil]Bad") + "\r\n")
                        .ok());
    };
    plant();
    fake.processes.wmiNames = {"mine.exe", "svchost.exe"};
    std::istringstream in;
    std::ostringstream out, err;
    cli::Console console{in, out, err};
    const std::string sentLine = "Sent the names of the running programs to the collection server.";

    // The stored choice is on, but a plain removal sends nothing and asks for no process list.
    put("OptionAndSettings", "chkSendData", "1");
    ASSERT_EQ(cli::dispatch(fake.platform(), std::vector<std::string>{"remove", "--yes"}, console), cli::ExitClean)
        << err.str();
    EXPECT_TRUE(fake.http.requests.empty());
    EXPECT_EQ(fake.processes.wmiQueries, 0);
    EXPECT_EQ(out.str().find(sentLine), std::string::npos);

    plant();
    const std::vector<std::string> asked{"remove", "--yes", "--send-data"};
    ASSERT_EQ(cli::dispatch(fake.platform(), asked, console), cli::ExitClean) << err.str();
    EXPECT_EQ(fake.http.requests, (std::vector<std::string>{CollectionAddress(definitions::EncodeLine("mine.exe"))}));
    EXPECT_NE(out.str().find(sentLine), std::string::npos) << out.str();

    // Asked for on the command line, it goes out even with the window's choice off.
    put("OptionAndSettings", "chkSendData", "0");
    plant();
    ASSERT_EQ(cli::dispatch(fake.platform(), asked, console), cli::ExitClean) << err.str();
    EXPECT_EQ(fake.http.requests.size(), 2u);

    // The help says what the option sends.
    out.str("");
    (void)cli::dispatch(fake.platform(), std::vector<std::string>{"--help"}, console);
    EXPECT_NE(out.str().find("--send-data also sends the names of the running programs"), std::string::npos)
        << out.str() << err.str();
}

TEST_F(SubmissionTest, ATypedPathSendsOnlyTheFileName) {
    EXPECT_EQ(SubmittedFileName("C:\\Users\\jane.doe\\Downloads\\bad.exe"), "bad.exe");
    EXPECT_EQ(SubmittedFileName("/home/jane/bad.exe"), "bad.exe");
    EXPECT_EQ(SubmittedFileName("D:bad.exe"), "bad.exe");
    EXPECT_EQ(SubmittedFileName("bad.exe"), "bad.exe");

    auto& window = start();
    fake.http.requests.clear();
    fake.http.respond(CollectionAddress(FilePayload("bad.exe", fake.locale)), "Added");
    window.txtFilename.setText("C:\\Users\\jane.doe\\Downloads\\bad.exe");
    window.cmdSubmit.click();
    ASSERT_EQ(fake.http.requests.size(), 1u);
    EXPECT_EQ(fake.http.requests[0], CollectionAddress(FilePayload("bad.exe", fake.locale)));
    EXPECT_EQ(window.lblSubmitResult.caption(), "Results: bad.exe Submitted.  Thank you!");

    std::istringstream in;
    std::ostringstream out, err;
    cli::Console console{in, out, err};
    EXPECT_EQ(cli::dispatch(fake.platform(), std::vector<std::string>{"submit", "C:\\Users\\jane.doe\\bad.exe"}, console),
              cli::ExitClean);
    EXPECT_EQ(fake.http.requests.back(), CollectionAddress(FilePayload("bad.exe", fake.locale)));
    EXPECT_EQ(out.str().find("jane.doe"), std::string::npos);
}

}  // namespace
}  // namespace sorvane::report
