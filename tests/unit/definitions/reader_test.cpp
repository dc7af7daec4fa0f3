#include <gtest/gtest.h>

#include <random>

#include "definitions/definition_files.h"
#include "definitions/encoding.h"
#include "platform/limits.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"

namespace sorvane::definitions {
namespace {

class Reader : public ::testing::Test {
protected:
    Reader() { files.addFolder("C:\\app"); }

    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    const std::string path = "C:\\app\\FileDefinition.dat";
    std::vector<std::pair<std::size_t, std::string>> seen;
    std::vector<std::size_t> overlong;

    ReadOutcome read(const StopPredicate& stop = {}) {
        seen.clear();
        overlong.clear();
        return forEachDefinitionLine(
            files, locale, path, stop, [&](std::size_t n, const std::string& line) { seen.emplace_back(n, line); },
            [&](std::size_t n) { overlong.push_back(n); });
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const auto& [n, line] : seen) out.push_back(line);
        return out;
    }
};

TEST_F(Reader, DecodesEveryLineWhateverItsEnd) {
    files.addFile(path, EncodeText("one\r\n\r\ntwo\nthree\rfour"));
    EXPECT_EQ(read(), ReadOutcome::Finished);
    EXPECT_EQ(lines(), (std::vector<std::string>{"one", "", "two", "three", "four"}));
    EXPECT_EQ(seen.back().first, 5u);
    EXPECT_EQ(countDefinitionLines(files, path), 5u);
    files.addFile(path, EncodeText("one\r\n"));
    EXPECT_EQ(read(), ReadOutcome::Finished);
    EXPECT_EQ(lines(), (std::vector<std::string>{"one"}));
    files.addFile(path, "");
    EXPECT_EQ(read(), ReadOutcome::Finished);
    EXPECT_TRUE(seen.empty());
}

TEST_F(Reader, ConvertsFromAnsiAfterDecoding) {
    files.addFile(path, EncodeText("caf\xE9\r\n"));
    EXPECT_EQ(read(), ReadOutcome::Finished);
    EXPECT_EQ(lines(), (std::vector<std::string>{"caf\xC3\xA9"}));
}

TEST_F(Reader, LinesAcrossReadPiecesAndACrLfSplitBetweenThem) {
    // The first line ends exactly where the first piece of 64 KiB ends, with its CR.
    const std::string first(64 * 1024 - 1, 'a');
    std::string clear = first + "\r\n";
    for (int i = 0; i < 5000; ++i) clear += "line" + std::to_string(i) + "\r\n";
    files.addFile(path, EncodeText(clear));
    EXPECT_EQ(read(), ReadOutcome::Finished);
    ASSERT_EQ(seen.size(), 5001u);
    EXPECT_EQ(seen[0].second, first);
    EXPECT_EQ(seen[1].second, "line0");
    EXPECT_EQ(seen.back().second, "line4999");
    EXPECT_EQ(countDefinitionLines(files, path), 5001u);
}

TEST_F(Reader, OverlongLinesAreSkippedAndCounted) {
    const std::string huge(limits::MaxDefinitionLine + 1, 'x');
    const std::string hugeToo(limits::MaxDefinitionLine * 3, 'y');
    files.addFile(path, EncodeText("a\r\n" + huge + "\r\nb\r\n" + hugeToo));
    EXPECT_EQ(read(), ReadOutcome::Finished);
    EXPECT_EQ(lines(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(overlong, (std::vector<std::size_t>{2, 4}));
    EXPECT_EQ(countDefinitionLines(files, path), 4u);
    const std::string fits(limits::MaxDefinitionLine, 'z');
    files.addFile(path, EncodeText(fits));
    EXPECT_EQ(read(), ReadOutcome::Finished);
    EXPECT_EQ(lines(), (std::vector<std::string>{fits}));
}

// The count shown at start must be the number of lines a scan reads, whatever the bytes:
// line ends of every kind, empty lines, over-long lines, CR LF split across any read piece.
TEST_F(Reader, TheCountIsTheNumberOfLinesTheReaderSplits) {
    std::mt19937 random(26);
    auto linesRead = [&] {
        std::size_t n = 0;
        EXPECT_EQ(forEachPlainLine(files, locale, path, {}, [&](std::size_t, const std::string&) { ++n; },
                                   [&](std::size_t) { ++n; }),
                  ReadOutcome::Finished);
        return n;
    };
    const char pieces[] = {'\r', '\n', 'a', 'b'};
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const std::size_t size = random() % 64;
        for (std::size_t i = 0; i < size; ++i) bytes += pieces[random() % 4];
        files.addFile(path, bytes);
        EXPECT_EQ(countDefinitionLines(files, path), linesRead()) << "round " << round;
    }
    // Large files: a CR LF astride each boundary of the reader's and the counter's pieces
    // (64 KiB and 1 MiB), over-long lines, and no end after the last line.
    for (const std::size_t cut : {std::size_t{64 * 1024}, std::size_t{1024 * 1024}, std::size_t{2 * 1024 * 1024}}) {
        std::string bytes;
        while (bytes.size() < 3 * 1024 * 1024) {
            if (bytes.size() + 40 >= cut && bytes.size() < cut) {
                bytes.append(cut - 1 - bytes.size(), 'x');
                bytes += "\r\n";
            }
            switch (random() % 6) {
            case 0: bytes += "\r"; break;
            case 1: bytes += "\n\n"; break;
            case 2: bytes.append(limits::MaxDefinitionLine + random() % 3 - 1, 'y'); bytes += "\r\n"; break;
            default: bytes += "line" + std::to_string(random() % 1000) + "\r\n"; break;
            }
        }
        bytes += "last";
        files.addFile(path, bytes);
        EXPECT_EQ(countDefinitionLines(files, path), linesRead()) << "cut at " << cut;
    }
}

TEST_F(Reader, StopMissingAndFailedReads) {
    files.addFile(path, EncodeText("a\r\nb\r\nc\r\n"));
    int polls = 0;
    EXPECT_EQ(read([&] { return ++polls == 3; }), ReadOutcome::Stopped);
    EXPECT_EQ(lines(), (std::vector<std::string>{"a", "b"}));

    EXPECT_EQ(forEachDefinitionLine(files, locale, "C:\\none.dat", {}, {}), ReadOutcome::Missing);
    EXPECT_EQ(countDefinitionLines(files, "C:\\none.dat"), 0u);

    std::string big;
    for (int i = 0; i < 20000; ++i) big += "line\r\n";
    files.addFile(path, EncodeText(big));
    files.failReadsFrom(path, 64 * 1024);
    EXPECT_EQ(read(), ReadOutcome::Failed);
    EXPECT_FALSE(seen.empty());
    EXPECT_LT(seen.size(), 20000u);
}

TEST_F(Reader, PlainFilesAndTheWriter) {
    EXPECT_TRUE(appendDefinitionLine(files, locale, path, "caf\xC3\xA9=Bad|[system]").ok());
    EXPECT_TRUE(appendDefinitionLine(files, locale, path, "second").ok());
    EXPECT_EQ(files.content(path), EncodeLine("caf\xE9=Bad|[system]") + "\r\n" + EncodeLine("second") + "\r\n");
    EXPECT_EQ(read(), ReadOutcome::Finished);
    EXPECT_EQ(lines(), (std::vector<std::string>{"caf\xC3\xA9=Bad|[system]", "second"}));

    files.addFile("C:\\plain.txt", "x\r\ny");
    std::vector<std::string> plain;
    EXPECT_EQ(forEachPlainLine(files, locale, "C:\\plain.txt", {},
                               [&](std::size_t, const std::string& line) { plain.push_back(line); }),
              ReadOutcome::Finished);
    EXPECT_EQ(plain, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(platform::JoinPath("C:\\app", SafetyFile), "C:\\app\\Safety.dat");
}

}  // namespace
}  // namespace sorvane::definitions
