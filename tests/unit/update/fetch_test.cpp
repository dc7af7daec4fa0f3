#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/limits.h"
#include "tests/fakes/fake_platform.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/headless/headless_host.h"
#include "update/fetch.h"

namespace sorvane::update {
namespace {

namespace error = platform::error;

TEST(ServerAddress, OverrideReplacesSchemeAndHostOnly) {
    EXPECT_EQ(ReplaceSchemeAndHost("http://www.sorvane.example/asp/date.asp", "http://127.0.0.1:8080"),
              "http://127.0.0.1:8080/asp/date.asp");
    EXPECT_EQ(ReplaceSchemeAndHost("http://www.sorvane.example/asp/getDefsNEW.asp?prog=A%20B&date=3/16/2006",
                                   "http://127.0.0.1:8080/"),
              "http://127.0.0.1:8080/asp/getDefsNEW.asp?prog=A%20B&date=3/16/2006");
    // A query straight after the host, a bare host, and an override without a scheme.
    EXPECT_EQ(ReplaceSchemeAndHost("http://a.example?x=1", "http://h:1"), "http://h:1/?x=1");
    EXPECT_EQ(ReplaceSchemeAndHost("https://a.example", "h:2"), "http://h:2/");
    EXPECT_EQ(ReplaceSchemeAndHost("http://a.example/p", ""), "http://a.example/p");
    EXPECT_EQ(ReplaceSchemeAndHost("http://a.example/p", "  "), "http://a.example/p");
}

TEST(ServerAddress, FollowsTheEnvironment) {
    fakes::FakeEnvironment env;
    EXPECT_EQ(ServerAddress(env, "http://www.sorvane.example/Languages/30/Localization.xml"),
              "http://www.sorvane.example/Languages/30/Localization.xml");
    env.setVariable("SORVANE_SERVER_URL", "http://127.0.0.1:4242");
    EXPECT_EQ(ServerAddress(env, "http://www.sorvane.example/Languages/30/Localization.xml"),
              "http://127.0.0.1:4242/Languages/30/Localization.xml");
}

class FetchTest : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    ui::HeadlessHost host;
};

TEST_F(FetchTest, ReadsChunksYieldingAndReportingProgress) {
    const std::string body(1000, 'x');
    fake.environment.setVariable("SORVANE_SERVER_URL", "http://127.0.0.1:9");
    fake.http.respond("http://127.0.0.1:9/asp/date.asp", body + "\xE9");
    std::vector<std::string> progress;
    const FetchResult result = Fetch(fake.platform(), host, "http://www.sorvane.example/asp/date.asp",
                                     [&](const std::string& text) { progress.push_back(text); });
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.text, body + "\xC3\xA9");  // from Windows-1252 to UTF-8
    ASSERT_EQ(fake.http.requests.size(), 1u);
    EXPECT_EQ(fake.http.requests[0], "http://127.0.0.1:9/asp/date.asp");
    EXPECT_EQ(progress, (std::vector<std::string>{"Downloaded 256 bytes.", "Downloaded 512 bytes.",
                                                  "Downloaded 768 bytes.", "Downloaded 1001 bytes."}));
    EXPECT_EQ(host.yieldCount(), 4u);
}

TEST_F(FetchTest, ProgressVariantWritesTheTextBox) {
    ui::Form form(host, "frmDownload");
    ui::TextBox& status = form.add<ui::TextBox>("txtStatus");
    fake.http.respond("http://s.example/a", std::string(300, 'y'));
    EXPECT_EQ(FetchTextWithProgress(fake.platform(), host, "http://s.example/a", status), std::string(300, 'y'));
    EXPECT_EQ(status.text(), "Downloaded 300 bytes.");
}

TEST_F(FetchTest, FailuresGiveEmptyText) {
    fake.http.fail("http://s.example/404", error::HttpStatusBase + 404);
    EXPECT_EQ(FetchText(fake.platform(), host, "http://s.example/404"), "");
    EXPECT_TRUE(Fetch(fake.platform(), host, "http://s.example/404").status.is(error::HttpStatusBase + 404));
    EXPECT_FALSE(Fetch(fake.platform(), host, "http://s.example/unknown").ok());

    // A connection that breaks after part of the body: nothing of it is handed on.
    fake.http.responses["http://s.example/broken"] = {{}, "partial", true, platform::Status(12030)};
    const FetchResult broken = Fetch(fake.platform(), host, "http://s.example/broken");
    EXPECT_FALSE(broken.ok());
    EXPECT_EQ(broken.text, "");
}

TEST_F(FetchTest, ABodyShorterThanAnnouncedIsACutOffDocument) {
    // The connection closed after 300 of 1000 announced bytes, and the HTTP layer saw a normal end.
    const std::string url = "http://s.example/cut";
    fake.http.respondAnnouncing(url, std::string(300, 'c'), 1000);
    const FetchResult cut = Fetch(fake.platform(), host, url);
    EXPECT_TRUE(cut.status.is(error::ConnectionAborted));
    EXPECT_EQ(cut.text, "");
    EXPECT_EQ(FetchText(fake.platform(), host, url), "");
    EXPECT_EQ(FetchBytes(fake.platform(), host, url), std::nullopt);
    ui::Form form(host, "frmDownload");
    ui::TextBox& status = form.add<ui::TextBox>("txtStatus");
    EXPECT_EQ(FetchTextWithProgress(fake.platform(), host, url, status), "");

    // One byte short is as cut off as most of it.
    fake.http.respondAnnouncing(url, std::string(1000, 'c'), 1001);
    EXPECT_FALSE(Fetch(fake.platform(), host, url).ok());
}

TEST_F(FetchTest, ABodyLongerThanAnnouncedIsRefusedAtTheFirstExtraByte) {
    const std::string url = "http://s.example/long";
    fake.http.respondAnnouncing(url, std::string(1000, 'l'), 600);
    const FetchResult result = Fetch(fake.platform(), host, url);
    EXPECT_TRUE(result.status.is(error::InvalidServerResponse));
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(FetchBytes(fake.platform(), host, url), std::nullopt);
}

TEST_F(FetchTest, WithoutAnAnnouncedLengthTheEndOfTheConnectionEndsTheBody) {
    const std::string url = "http://s.example/unannounced";
    fake.http.responses[url] = {{}, std::string(700, 'u'), false, {}};
    EXPECT_EQ(FetchText(fake.platform(), host, url), std::string(700, 'u'));
}

TEST_F(FetchTest, BytesComeAsTheServerSentThemWhateverTheCodePage) {
    // UTF-8 text, and a byte that is no character in most code pages.
    const std::string body = "<MSG_SURE>\xC3\x9C\x62\x65rsetzung \xE6\x97\xA5\x81</MSG_SURE>\r\n";
    fake.http.respond("http://s.example/Localization.xml", body);
    fake.locale.setAnsiWithoutHighBytes(true);
    EXPECT_EQ(FetchBytes(fake.platform(), host, "http://s.example/Localization.xml"), body);
    // The text form converts, and here it cannot keep the bytes.
    EXPECT_EQ(FetchText(fake.platform(), host, "http://s.example/Localization.xml"),
              "<MSG_SURE>" + std::string(2, '?') + "bersetzung " + std::string(4, '?') + "</MSG_SURE>\r\n");

    fake.http.respond("http://s.example/empty", "");
    EXPECT_EQ(FetchBytes(fake.platform(), host, "http://s.example/empty"), "");
    fake.http.fail("http://s.example/404", error::HttpStatusBase + 404);
    EXPECT_EQ(FetchBytes(fake.platform(), host, "http://s.example/404"), std::nullopt);
    fake.http.responses["http://s.example/broken"] = {{}, "partial", true, platform::Status(12030)};
    EXPECT_EQ(FetchBytes(fake.platform(), host, "http://s.example/broken"), std::nullopt);
}

// A server that never stops sending.
class EndlessHttp : public platform::Http {
public:
    platform::Status get(std::string_view, const ChunkHandler& onChunk) override {
        const std::string chunk(1024 * 1024, 'z');
        for (;;) {
            if (!onChunk(chunk, 0)) return platform::Status::failure(error::OperationAborted);
            handedOut += chunk.size();
        }
    }
    std::size_t handedOut = 0;
};

TEST(FetchLimits, AnEndlessBodyIsCutAtTheLimitAndFails) {
    fakes::FakePlatform fake;
    EndlessHttp endless;
    platform::Platform p = fake.platform();
    platform::Platform withEndless{p.registry, p.files,   p.shell,         p.processes, p.versions,   p.locale,
                                   p.instance, endless, p.restorePoints, p.clipboard, p.environment, p.signatures, p.logonTasks};
    ui::HeadlessHost host;
    const FetchResult result = Fetch(withEndless, host, "http://s.example/endless");
    EXPECT_TRUE(result.status.is(error::NotEnoughMemory));
    EXPECT_EQ(result.text, "");
    EXPECT_EQ(endless.handedOut, limits::MaxHttpBody);
}

TEST_F(FetchTest, ATransferBeyondTheTimeLimitIsCutAndFails) {
    fake.http.respond("http://s.example/slow", std::string(4000, 's'));
    // Every clock reading moves on by a tenth of the limit: the eleventh chunk is late.
    fake.locale.setTickStep(limits::MaxHttpTransferMs / 10);
    const FetchResult result = Fetch(fake.platform(), host, "http://s.example/slow");
    EXPECT_TRUE(result.status.is(error::Timeout));
    EXPECT_EQ(result.text, "");
}

}  // namespace
}  // namespace sorvane::update
