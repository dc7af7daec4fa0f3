#include <gtest/gtest.h>

#include <deque>

#include "definitions/ui/exclude_command.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"
#include "tests/fakes/fake_shell.h"
#include "ui/form.h"

namespace sorvane::definitions {
namespace {

// Answers message boxes from a script and remembers what they said.
class ScriptedHost : public ui::Host {
public:
    struct Box {
        std::string text, title;
        std::uint32_t style;
    };
    std::deque<ui::Answer> answers;
    std::vector<Box> boxes;

    ui::Answer messageBox(std::string_view text, std::string_view title, std::uint32_t style) override {
        boxes.push_back({std::string(text), std::string(title), style});
        if (answers.empty()) return ui::Answer::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void formChanged(ui::Form&, ui::Change) override {}
    void controlChanged(ui::Control&, ui::Change, int) override {}
    void show(ui::Form&, bool) override {}
    void hide(ui::Form&) override {}
    void destroy(ui::Form&) override {}
    void yield() override {}
    void sleep(std::uint32_t) override {}
    void run() override {}
    void quit() override {}
    bool quitting() const override { return false; }
    void freezePainting(ui::Form&, bool) override {}
    void setBusyCursor(bool) override {}
    std::optional<std::string> chooseFile(ui::Form&, std::string_view, std::string_view) override { return {}; }
    bool trayAdd(ui::Form&, std::string_view) override { return false; }
    void traySetToolTip(ui::Form&, std::string_view) override {}
    void trayRemove(ui::Form&) override {}
};

std::string catalogue(std::string_view key) { return "<" + std::string(key) + ">"; }

std::vector<std::string> startedCommands(const fakes::FakeShell& shell) {
    std::vector<std::string> out;
    for (const auto& [command, show] : shell.started) out.push_back(command);
    return out;
}

class ExcludeCommand : public ::testing::Test {
protected:
    ExcludeCommand() { fs.addFolder("C:\\app"); }

    ScriptedHost host;
    ui::Form form{host, "FrmMain"};
    ui::ListView& detail = form.add<ui::ListView>("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    ui::ListView& summary = form.add<ui::ListView>("lvwSpywareFound");
    ui::ListView& files = form.add<ui::ListView>("lvwFilesToBeDeleted");
    ui::ListView& registry = form.add<ui::ListView>("lvwRegistryToBeDeleted");
    ui::ListView& cookies = form.add<ui::ListView>("lvwCookiesToDelete");
    ui::Label& caption = form.add<ui::Label>("lblDeletingCaption");
    fakes::FakeFileSystem fs;
    fakes::FakeLocale locale;
    ExclusionList exclusions{fs, locale, "C:\\app\\ENoSignature.txt"};
    ExcludeTargets targets{detail, summary, files, registry, cookies, caption};

    void row(ui::ListView& list, std::string text, std::string location, bool checked) {
        list.add(std::move(text));
        list.setSubItem(list.count() - 1, 1, std::move(location));
        list.setChecked(list.count() - 1, checked);
    }
    static std::vector<std::string> texts(const ui::ListView& list) {
        std::vector<std::string> out;
        for (const auto& item : list.items()) out.push_back(item.text);
        return out;
    }
};

TEST_F(ExcludeCommand, NothingToExcludeSaysSorry) {
    files.add("C:\\x.exe");  // work lists alone do not count
    RunExcludeCommand(targets, exclusions, host, catalogue, "Sorvane");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "<MSG_SORRY>");
    EXPECT_EQ(host.boxes[0].title, "Sorvane");
    EXPECT_EQ(host.boxes[0].style, ui::mb::Information);
    EXPECT_FALSE(fs.exists(exclusions.path()));
}

TEST_F(ExcludeCommand, NoKeepsEverything) {
    row(detail, "BadBar", "C:\\bad.exe", true);
    host.answers = {ui::Answer::No};
    RunExcludeCommand(targets, exclusions, host, catalogue, "Sorvane");
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "<MSG_EXC_SURE1>\r\n\r\n<MSG_EXC_SURE2>\r\n\r\n<MSG_EXC_SURE3>");
    EXPECT_EQ(host.boxes[0].title, "<MSG_EXC_SURE4>");
    EXPECT_EQ(host.boxes[0].style, ui::mb::YesNo);
    EXPECT_EQ(detail.count(), 1u);
    EXPECT_FALSE(fs.exists(exclusions.path()));
}

TEST_F(ExcludeCommand, YesExcludesTickedRowsAndRemovesAdjacentTickedRowsEverywhere) {
    row(detail, "BadBar", "C:\\bad.exe", true);
    row(detail, "Cookie: ann@ads[1].txt", "C:\\Cookies\\ann@ads[1].txt", true);
    row(detail, "Keep", "C:\\keep.exe", false);
    row(detail, "Other", "HKEY_CURRENT_USER\\Software\\Other", true);
    for (auto* list : {&summary, &files, &registry, &cookies}) {
        row(*list, "t1", "", true);
        row(*list, "t2", "", true);
        row(*list, "keep", "", false);
        row(*list, "t3", "", true);
    }
    caption.setCaption("Deleting...");
    host.answers = {ui::Answer::Yes};
    RunExcludeCommand(targets, exclusions, host, catalogue, "Sorvane");

    EXPECT_EQ(fs.content(exclusions.path()),
              "C:\\bad.exe\r\nBadBar\r\nC:\\Cookies\\ann@ads[1].txt\r\nann@ads[1].txt\r\n"
              "HKEY_CURRENT_USER\\Software\\Other\r\nOther\r\n");
    EXPECT_TRUE(exclusions.IsExcluded("c:\\bad.exe"));
    EXPECT_FALSE(exclusions.IsExcluded("C:\\keep.exe"));
    EXPECT_EQ(texts(detail), std::vector<std::string>{"Keep"});
    for (auto* list : {&summary, &files, &registry, &cookies})
        EXPECT_EQ(texts(*list), std::vector<std::string>{"keep"}) << list->name();
    EXPECT_EQ(caption.caption(), "");
}

TEST_F(ExcludeCommand, AFolderTheAccountMayNotWriteExcludesForThisRunAndSaysSoOnce) {
    fs.addFolder("C:\\app");
    fs.protectFolder("C:\\app");
    row(detail, "BadBar", "C:\\bad.exe", true);
    row(detail, "Other", "C:\\other.exe", true);
    host.answers = {ui::Answer::Yes};
    RunExcludeCommand(targets, exclusions, host, catalogue, "Sorvane");
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, "<MSG_EXCLUSION_UNSAVED>\r\nC:\\app\\ENoSignature.txt: <MSG_ERR_DENIED>");
    EXPECT_EQ(host.boxes[1].title, "Sorvane");
    EXPECT_EQ(host.boxes[1].style, ui::mb::Exclamation);
    EXPECT_FALSE(fs.exists(exclusions.path()));
    EXPECT_TRUE(exclusions.IsExcluded("C:\\bad.exe"));
    EXPECT_TRUE(exclusions.IsExcluded("other"));
    EXPECT_TRUE(detail.empty());
}

TEST_F(ExcludeCommand, ViewExclusionsOpensNotepadOrSaysThereIsNone) {
    fakes::FakeShell shell;
    ViewExclusions(fs, shell, "C:\\app", host, catalogue);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "<MSG_EXCLUDE1>");
    EXPECT_EQ(host.boxes[0].title, "<MSG_EXCLUDE2>");
    EXPECT_TRUE(shell.started.empty());
    fs.addFile("C:\\app\\ENoSignature.txt", "x\r\n");
    ViewExclusions(fs, shell, "C:\\app", host, catalogue);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(startedCommands(shell), std::vector<std::string>{"notepad C:\\app\\ENoSignature.txt"});
}

}  // namespace
}  // namespace sorvane::definitions
