#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "definitions/encoding.h"
#include "tests/unit/update/update_records.h"
#include "update/applier.h"

namespace sorvane::update {
namespace {

using definitions::DecodeText;
using definitions::EncodeLine;
using definitions::EncodeText;

constexpr std::size_t FileList = 0, ExeList = 1, RegistryList = 2, CookieList = 3, FolderList = 4, SafeList = 5;

using testing::record;

std::string join(const std::vector<std::string>& records) {
    std::string text;
    for (const auto& r : records) text += (text.empty() ? "" : "[BR]") + r;
    return text;
}

FileUpdate apply(std::size_t file, std::string_view clearOld, const std::vector<std::string>& records,
                 bool custom = false) {
    FileUpdate u = UpdateFileContent(file, EncodeText(clearOld), ParseUpdateText(join(records)), custom);
    u.content = DecodeText(u.content);
    return u;
}

TEST(UpdateText, SplitsRecordsTrimsAndDecodesTheSection) {
    const std::string text = "  " + record("FILE", "ADD", "a=b|c") + " [br]" + "[BR]  [Br]" +
                             EncodeLine("REG") + "|DEL" + "[BR]" + EncodeLine("DIR") + "[def]x";
    const auto records = ParseUpdateText(text);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].section, "FILE");
    EXPECT_EQ(records[0].action, "ADD");
    EXPECT_EQ(records[0].payload, EncodeLine("a") + "=" + EncodeLine("b") + "|" + EncodeLine("c"));
    EXPECT_EQ(records[1].section, "REG");
    EXPECT_EQ(records[1].action, "DEL");
    EXPECT_EQ(records[1].payload, "");
    // "[DEF]" must appear exactly: a lower-case one stays part of the header.
    EXPECT_EQ(records[2].action, "");
    EXPECT_EQ(records[2].payload, "");
}

TEST(UpdateFiles, SectionsReachTheirFiles) {
    EXPECT_TRUE(SectionAccepted(FileList, "EXE"));
    EXPECT_TRUE(SectionAccepted(FileList, "DLL"));
    EXPECT_FALSE(SectionAccepted(FileList, "file"));
    EXPECT_TRUE(SectionAccepted(ExeList, "EXE"));
    EXPECT_FALSE(SectionAccepted(ExeList, "FILE"));
    EXPECT_TRUE(SectionAccepted(SafeList, "SREG"));
    EXPECT_TRUE(SectionAccepted(SafeList, "xsx"));
    EXPECT_FALSE(SectionAccepted(SafeList, "REG"));
    EXPECT_FALSE(SectionAccepted(CookieList, "cook"));
}

TEST(ApplyUpdate, AdditionsAreWrittenInEachFilesForm) {
    const auto exe = record("EXE", "ADD", "bad.exe=Bad|[progfil]Bad");
    EXPECT_EQ(apply(FileList, "a=A|x|y\r\n", {exe}).content, "a=A|x|y\r\nbad.exe=Bad|[progfil]Bad\r\n");
    EXPECT_EQ(apply(ExeList, "", {exe}).content, "bad.exe=Bad|[progfil]Bad\r\n");
    EXPECT_EQ(apply(ExeList, "", {exe}).count() + apply(FileList, "", {exe}).count(), 2u);

    EXPECT_EQ(apply(RegistryList, "", {record("REG", "ADD", "NAME=THREAT|1^Software\\Bad|NOTE")}).content,
              "1^Software\\Bad^=THREAT|NOTE\r\n");
    // Missing fields leave their parts empty.
    EXPECT_EQ(apply(RegistryList, "", {record("REG", "ADD", "NAME")}).content, "^=|\r\n");
    EXPECT_EQ(apply(CookieList, "", {record("COOK", "ADD", "ads.example")}).content, "ads.example\r\n");
    EXPECT_EQ(apply(CookieList, "", {record("COOK", "ADD", "ads.example=ignored|x")}).content, "ads.example\r\n");
    EXPECT_EQ(apply(SafeList, "", {record("SDIR", "ADD", "x|[progfil]Good")}).content, "SDIR|x|[progfil]Good\r\n");
    EXPECT_EQ(apply(FolderList, "", {record("DIR", "ADD", "Bad=Bad|[appdata]Bad|n")}).content,
              "Bad=Bad|[appdata]Bad|n\r\n");
}

TEST(ApplyUpdate, UnknownSectionsAndActionsChangeNothing) {
    const FileUpdate u = apply(FileList, "a=1\r\n\r\n", {record("FILES", "ADD", "x"), record("FILE", "add", "y"),
                                                         record("FILE", "REMOVE", "a")});
    EXPECT_EQ(u.content, "a=1\r\n\r\n");
    EXPECT_EQ(u.count(), 0u);
}

TEST(ApplyUpdate, DeletionsDropEveryLineOfTheNameAndBlankLines) {
    // A stored line of one space (unencoded) counts as blank as well.
    const std::string stored = EncodeText("Bad.exe=1|a\r\n\r\nkeep=2\r\n") + " \r\n" + EncodeText("BAD.EXE=3|b\r\n");
    const FileUpdate u =
        UpdateFileContent(FileList, stored, ParseUpdateText(record("FILE", "DEL", "bad.exe")), false);
    EXPECT_EQ(DecodeText(u.content), "keep=2\r\n");
    EXPECT_EQ(u.count(), 1u);

    // Nothing matches: the file comes back without its blank lines and still counts.
    const FileUpdate none = apply(FileList, "a=1\r\n\r\nb=2", {record("FILE", "DEL", "zzz")});
    EXPECT_EQ(none.content, "a=1\r\nb=2\r\n");
    EXPECT_EQ(none.count(), 1u);

    // A registry value is named by its whole location.
    EXPECT_EQ(apply(RegistryList, "1^K^V=T|n\r\n1^K^W=T|n\r\n", {record("REG", "DEL", "1^K^V")}).content,
              "1^K^W=T|n\r\n");
    // Safety names carry their type.
    EXPECT_EQ(apply(SafeList, "SEXE|a.exe=A|\r\nSDLL|a.exe=A|\r\n", {record("SEXE", "DEL", "SEXE|a.exe")}).content,
              "SDLL|a.exe=A|\r\n");
}

TEST(ApplyUpdate, AnAdditionAfterADeletionOfItsNameWithdrawsIt) {
    // Deleted and then re-added: the old and the new line both stay.
    const FileUpdate readded =
        apply(FileList, "x.exe=Old|a\r\ny=1\r\n", {record("FILE", "DEL", "x.exe"), record("FILE", "ADD", "X.EXE=New|b")});
    EXPECT_EQ(readded.content, "x.exe=Old|a\r\ny=1\r\nX.EXE=New|b\r\n");
    EXPECT_EQ(readded.count(), 1u);
    // Added and then deleted: the deletion removes the fresh line too.
    const FileUpdate gone =
        apply(FileList, "x.exe=Old|a\r\ny=1\r\n", {record("FILE", "ADD", "x.exe=New|b"), record("FILE", "DEL", "x.exe")});
    EXPECT_EQ(gone.content, "y=1\r\n");
    EXPECT_EQ(gone.count(), 2u);
    // A whole registry key re-added by its location.
    EXPECT_EQ(apply(RegistryList, "1^K^=T|n\r\n", {record("REG", "DEL", "1^K^"), record("REG", "ADD", "T=T|1^K|m")})
                  .content,
              "1^K^=T|n\r\n1^K^=T|m\r\n");
    // A Safety entry re-added under its type.
    EXPECT_EQ(apply(SafeList, "SEXE|a=1|\r\n", {record("SEXE", "DEL", "SEXE|a"), record("SEXE", "ADD", "a=2|")}).content,
              "SEXE|a=1|\r\nSEXE|a=2|\r\n");
}

TEST(ApplyUpdate, CustomModeRebuildsFromAdditions) {
    const FileUpdate u = apply(FileList, "old=1\r\n", {record("FILE", "ADD", "new=2"), record("FILE", "DEL", "new")}, true);
    EXPECT_EQ(u.content, "new=2\r\n");
    EXPECT_EQ(u.count(), 1u);
    const FileUpdate empty = apply(CookieList, "old\r\n", {record("FILE", "ADD", "new=2")}, true);
    EXPECT_EQ(empty.content, "");
    EXPECT_FALSE(empty.deletionPass);
}

TEST(ApplyUpdate, AnOldFileWithoutAFinalLineEndKeepsItsLastLine) {
    EXPECT_EQ(apply(CookieList, "a.example", {record("COOK", "ADD", "b.example")}).content, "a.example\r\nb.example\r\n");
}

TEST(ApplyUpdate, DeletionProgressEveryHundredLines) {
    std::string old;
    for (int i = 0; i < 250; ++i) old += "n" + std::to_string(i) + "=x\r\n";
    std::vector<std::size_t> reports;
    const FileUpdate u = UpdateFileContent(FileList, EncodeText(old), ParseUpdateText(record("FILE", "DEL", "n7")),
                                           false, [&](std::size_t n) { reports.push_back(n); });
    EXPECT_EQ(reports, (std::vector<std::size_t>{100, 200}));
    EXPECT_EQ(DecodeText(u.content).find("n7=x"), std::string::npos);
    EXPECT_NE(DecodeText(u.content).find("n70=x"), std::string::npos);
}

TEST(UpdateText, TheClosingRecordMarksAWholeBodyAndChangesNothing) {
    const std::string body = record("COOK", "ADD", "a.example") + "[BR]|END[DEF]";
    EXPECT_TRUE(EndsWithClosingRecord(body));
    EXPECT_TRUE(EndsWithClosingRecord(body + "\r\n"));
    EXPECT_TRUE(EndsWithClosingRecord(record("COOK", "ADD", "a.example") + "[br]|END[DEF]"));
    EXPECT_TRUE(EndsWithClosingRecord("[BR]|END[DEF]"));  // nothing new, but whole
    EXPECT_TRUE(EndsWithClosingRecord("|END[DEF]"));
    // Cut anywhere before its last byte, or a record that only looks like it.
    EXPECT_FALSE(EndsWithClosingRecord(body.substr(0, body.size() - 1)));
    EXPECT_FALSE(EndsWithClosingRecord(record("COOK", "ADD", "a.example")));
    EXPECT_FALSE(EndsWithClosingRecord(""));
    EXPECT_FALSE(EndsWithClosingRecord(record("COOK", "ADD", "a.example") + "|END[DEF]"));
    EXPECT_FALSE(EndsWithClosingRecord(record("COOK", "ADD", "a.example") + "[BR]x|END[DEF]"));
    EXPECT_FALSE(EndsWithClosingRecord("[BR]|end[DEF]"));
    // Older programs skip it as an unknown action: no file takes it.
    const FileUpdate u = UpdateFileContent(CookieList, "", ParseUpdateText(body), false);
    EXPECT_EQ(DecodeText(u.content), "a.example\r\n");
    EXPECT_EQ(u.count(), 1u);
}

TEST(ApplyUpdate, ManyRecordsReportProgressAndEveryDeletionIsWithdrawnOrApplied) {
    // 3,000 names deleted; the even ones are added again and survive, the odd ones go.
    std::string old;
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        old += "n" + std::to_string(i) + "=x\r\n";
        text += record("FILE", "DEL", "N" + std::to_string(i)) + "[BR]";
    }
    for (int i = 0; i < 3000; i += 2) text += record("FILE", "ADD", "n" + std::to_string(i) + "=y") + "[bR]";
    std::size_t recordReports = 0;
    const FileUpdate u = UpdateFileContent(FileList, EncodeText(old), ParseUpdateText(text), false,
                                           [&](std::size_t n) { recordReports += n == 0 ? 1 : 0; });
    EXPECT_EQ(recordReports, 4u);  // 4,500 records
    const std::string clear = DecodeText(u.content);
    EXPECT_NE(clear.find("\r\nn2998=x\r\n"), std::string::npos);
    EXPECT_NE(clear.find("\r\nn2998=y\r\n"), std::string::npos);
    EXPECT_EQ(clear.find("n2999="), std::string::npos);
    EXPECT_EQ(std::count(clear.begin(), clear.end(), '\n'), 3000);
}

}  // namespace
}  // namespace sorvane::update
