#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "definitions/encoding.h"
#include "tests/fakes/fake_platform.h"

namespace sorvane::definitions {
namespace {

class DefsCommand : public ::testing::Test {
protected:
    fakes::FakePlatform fake;
    std::istringstream in;
    std::ostringstream out, err;
    cli::Console console{in, out, err};

    int run(std::vector<std::string> args) {
        args.insert(args.begin(), "defs");
        return cli::dispatch(fake.platform(), args, console);
    }
};

TEST_F(DefsCommand, EncodeAndDecodeThroughStandardStreamsKeepEveryByte) {
    const std::string clear = "a.exe=Bad|[system]\r\n\r\nlast\xE9";
    in.str(clear);
    EXPECT_EQ(run({"encode", "-"}), cli::ExitClean);
    EXPECT_EQ(out.str(), EncodeText(clear));
    const auto stored = out.str();
    in.clear();
    in.str(stored);
    out.str("");
    EXPECT_EQ(run({"decode", "-"}), cli::ExitClean);
    EXPECT_EQ(out.str(), clear);
}

TEST_F(DefsCommand, StandardStreamsAreMadeBinaryBeforeTheyCarryDefinitionBytes) {
    int switched = 0;
    console.useBinaryStreams = [&] {
        ++switched;
        EXPECT_TRUE(out.str().empty()) << "switched before the first byte is written";
    };
    fake.files.addFile("C:\\d\\in.txt", "x=T|[drive]T\r\n\x1A\n");
    EXPECT_EQ(run({"encode", "C:\\d\\in.txt", "C:\\d\\out.dat"}), cli::ExitClean);
    EXPECT_EQ(switched, 0) << "file to file needs no stream";
    EXPECT_EQ(run({"encode", "C:\\d\\in.txt"}), cli::ExitClean);
    EXPECT_EQ(switched, 1);
    out.str("");
    EXPECT_EQ(run({"encode", "C:\\d\\in.txt", "-"}), cli::ExitClean);
    EXPECT_EQ(switched, 2);
    const std::string encoded = out.str();
    out.str("");
    in.str(encoded);
    EXPECT_EQ(run({"decode", "-", "C:\\d\\back.txt"}), cli::ExitClean);
    EXPECT_EQ(switched, 3) << "reading standard input";
    EXPECT_EQ(fake.files.content("C:\\d\\back.txt"), "x=T|[drive]T\r\n\x1A\n");
}

TEST_F(DefsCommand, FilesInAndOut) {
    fake.files.addFile("C:\\d\\FileDefinition.txt", "x=T|[drive]T\r\n");
    EXPECT_EQ(run({"encode", "C:\\d\\FileDefinition.txt", "C:\\d\\FileDefinition.dat"}), cli::ExitClean);
    EXPECT_EQ(fake.files.content("C:\\d\\FileDefinition.dat"), EncodeText("x=T|[drive]T\r\n"));
    EXPECT_EQ(run({"decode", "C:\\d\\FileDefinition.dat"}), cli::ExitClean);
    EXPECT_EQ(out.str(), "x=T|[drive]T\r\n");
    EXPECT_EQ(run({"decode", "C:\\d\\missing.dat"}), cli::ExitError);
    EXPECT_NE(err.str().find("cannot read"), std::string::npos);
}

TEST_F(DefsCommand, LintTellsTheKindFromTheNameAndCountsSkippedLines) {
    fake.files.addFile("C:\\d\\DirectoryDefinition.dat", EncodeText("x=T|[progfil]T\r\nno bar\r\n"));
    EXPECT_EQ(run({"lint", "C:\\d\\DirectoryDefinition.dat"}), cli::ExitFound);
    EXPECT_EQ(out.str(),
              "1: folder label=\"x\" threat=\"T\" note=\"\" path=\"C:\\Program Files\\T\"\n"
              "2: skipped: no \"|\" before the folder\n"
              "2 lines, 1 skipped\n");
    out.str("");
    fake.files.addFile("C:\\d\\notes.txt", "SDIR|w|[windir]\r\n");
    EXPECT_EQ(run({"lint", "--kind", "safe", "--clear", "C:\\d\\notes.txt"}), cli::ExitClean);
    EXPECT_EQ(out.str(), "1: safe entry=\"C:\\Windows\\\"\n1 lines, 0 skipped\n");
}

TEST_F(DefsCommand, UsageErrors) {
    EXPECT_EQ(run({}), cli::ExitError);
    EXPECT_EQ(run({"shuffle"}), cli::ExitError);
    EXPECT_EQ(run({"encode"}), cli::ExitError);
    EXPECT_EQ(run({"lint", "C:\\d\\notes.txt"}), cli::ExitError);
    EXPECT_NE(err.str().find("--kind"), std::string::npos);
    EXPECT_EQ(run({"lint", "--kind", "bogus", "x.dat"}), cli::ExitError);
    EXPECT_EQ(run({"lint", "C:\\d\\Safety.dat"}), cli::ExitError);
    EXPECT_NE(err.str().find("no file"), std::string::npos);
}

}  // namespace
}  // namespace sorvane::definitions
