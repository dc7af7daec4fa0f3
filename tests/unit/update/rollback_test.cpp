#include <gtest/gtest.h>

#include <string>

#include "definitions/encoding.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/unit/update/update_records.h"
#include "update/apply_update.h"
#include "update/applier.h"

namespace sorvane::update {
namespace {

const std::string Folder = "C:\\Program Files\\Sorvane";

class RollbackTest : public ::testing::Test {
protected:
    RollbackTest() {
        for (auto name : UpdateFiles) files.addFile(path(std::string(name)), "");
        files.addFile(path("BlockedCookies.dat"), definitions::EncodeText("ads.example\r\nkeep.example\r\n"));
        files.addFile(path("date.dat"), "3/16/2006\r\n");
    }
    static std::string path(const std::string& name) { return Folder + "\\" + name; }
    // Every file of a generation, as stored.
    std::string state() {
        std::string all;
        for (auto name : UpdateFiles) all += files.content(path(std::string(name))).value_or("<missing>") + "|";
        return all + files.content(path("date.dat")).value_or("<missing>");
    }
    bool applied(const std::string& text, const std::string& date) {
        const PreparedUpdate prepared = PrepareUpdate(files, Folder, text, false, silent);
        return prepared.readable && CommitUpdate(files, Folder, prepared, date).ok();
    }
    fakes::FakeFileSystem files;
    SilentUpdateObserver silent;
};

TEST_F(RollbackTest, BringsBackTheFilesBeforeTheUpdateOnceThenTheNextUpdateMovesOn) {
    EXPECT_EQ(RollBackDefinitions(files, Folder).result, RollbackResult::NoGeneration);
    const std::string before = state();
    ASSERT_TRUE(applied(testing::record("COOK", "DEL", "ads.example") + "[BR]" + testing::record("EXE", "ADD", "n.exe=N|x"),
                        "5/14/2024"));
    const std::string updated = state();
    ASSERT_NE(updated, before);
    // The previous generation: all seven files as they were, the untouched ones included.
    EXPECT_EQ(files.content(path("Safety.dat.previous")), "");
    EXPECT_EQ(files.content(path("date.dat.previous")), "3/16/2006\r\n");

    EXPECT_EQ(RollBackDefinitions(files, Folder).result, RollbackResult::RolledBack);
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(files.exists(path("update.pending")));
    EXPECT_FALSE(files.exists(path("date.dat.previous")));
    // Used up: a second step back has nothing to go to.
    EXPECT_EQ(RollBackDefinitions(files, Folder).result, RollbackResult::NoGeneration);
    EXPECT_EQ(state(), before);

    ASSERT_TRUE(applied(testing::record("COOK", "DEL", "ads.example") + "[BR]" + testing::record("EXE", "ADD", "n.exe=N|x"),
                        "5/14/2024"));
    EXPECT_EQ(state(), updated);
    EXPECT_EQ(files.content(path("BlockedCookies.dat.previous")), definitions::EncodeText("ads.example\r\nkeep.example\r\n"));
}

TEST_F(RollbackTest, HalfAGenerationIsNone) {
    ASSERT_TRUE(applied(testing::record("COOK", "ADD", "new.example"), "5/14/2024"));
    const std::string updated = state();
    ASSERT_TRUE(files.deleteFile(path("RegistryDefinition.dat.previous")).ok());
    EXPECT_EQ(RollBackDefinitions(files, Folder).result, RollbackResult::NoGeneration);
    EXPECT_EQ(state(), updated);
}

TEST_F(RollbackTest, ARollbackCutShortIsFinishedWhollyByTheNextRun) {
    const std::string before = state();
    ASSERT_TRUE(applied(testing::record("COOK", "ADD", "new.example"), "5/14/2024"));
    // One live file held open: the journal is written, that file cannot be replaced yet.
    files.setInUse(path("DirectoryDefinition.dat"));
    const RollbackOutcome cut = RollBackDefinitions(files, Folder);
    EXPECT_EQ(cut.result, RollbackResult::Failed);
    EXPECT_EQ(cut.failure.file, path("DirectoryDefinition.dat"));
    EXPECT_TRUE(files.exists(path("update.pending")));
    files.setInUse(path("DirectoryDefinition.dat"), false);
    ASSERT_TRUE(CompleteInterruptedUpdate(files, Folder).ok());
    EXPECT_EQ(state(), before);
}

TEST_F(RollbackTest, AMissingFileIsKeptEmptyWhichReadsTheSame) {
    ASSERT_TRUE(files.deleteFile(path("date.dat")).ok());
    ASSERT_TRUE(applied(testing::record("COOK", "ADD", "new.example"), "5/14/2024"));
    EXPECT_EQ(files.content(path("date.dat.previous")), "");
    EXPECT_EQ(RollBackDefinitions(files, Folder).result, RollbackResult::RolledBack);
    EXPECT_EQ(files.content(path("date.dat")), "");
}

}  // namespace
}  // namespace sorvane::update
