#include <gtest/gtest.h>

#include "ui/headless/headless_host.h"

using namespace sorvane::ui;

namespace {

TEST(HeadlessMessageBox, ScriptedAnswersThenDefaultsAndEveryBoxRecorded) {
    HeadlessHost host;
    host.queueAnswer(Answer::No);
    EXPECT_EQ(host.messageBox("Remove?", "Sorvane", mb::YesNo | mb::Question), Answer::No);
    EXPECT_EQ(host.messageBox("Remove?", "Sorvane", mb::YesNo), Answer::Yes);
    EXPECT_EQ(host.messageBox("Done", "Sorvane", mb::OkOnly | mb::Information), Answer::Ok);
    EXPECT_EQ(host.messageBox("Go on?", "Sorvane", mb::OkCancel), Answer::Ok);
    EXPECT_EQ(host.messageBox("Again?", "Sorvane", mb::RetryCancel), Answer::Retry);
    EXPECT_EQ(host.messageBox("Which?", "Sorvane", mb::YesNoCancel | mb::DefaultButton3), Answer::Cancel);
    EXPECT_EQ(host.messageBox("Which?", "Sorvane", mb::AbortRetryIgnore | mb::DefaultButton2), Answer::Retry);

    ASSERT_EQ(host.messages().size(), 7U);
    EXPECT_EQ(host.messages()[0].text, "Remove?");
    EXPECT_EQ(host.messages()[0].title, "Sorvane");
    EXPECT_EQ(host.messages()[0].style, mb::YesNo | mb::Question);
    EXPECT_EQ(host.messages()[0].answer, Answer::No);
    EXPECT_EQ(host.messages()[1].answer, Answer::Yes);
}

TEST(HeadlessMessageBox, DecisionCallbackComesBeforeTheQueue) {
    HeadlessHost host;
    host.decideAnswer = [](const ShownMessage& box) -> std::optional<Answer> {
        if (box.text.find("Update") != std::string::npos) return Answer::Cancel;
        return std::nullopt;
    };
    host.queueAnswer(Answer::No);
    EXPECT_EQ(host.messageBox("Update now?", "t", mb::OkCancel), Answer::Cancel);
    EXPECT_EQ(host.pendingAnswers(), 1U);
    EXPECT_EQ(host.messageBox("Quit?", "t", mb::YesNo), Answer::No);
    EXPECT_EQ(host.pendingAnswers(), 0U);
}

struct DialogForm : Form {
    explicit DialogForm(Host& host) : Form(host, "frmAsk") { add<CommandButton>("cmdOK").onClick = [this] {
        chosen = true;
        hide();
    }; }
    bool chosen = false;
};

TEST(HeadlessModal, ScriptRunsInsideTheShowAndTheFormEndsHidden) {
    HeadlessHost host;
    DialogForm dialog(host);
    bool sawLoadedAndVisible = false;
    host.scriptModal("frmAsk", [&](Form& form) {
        sawLoadedAndVisible = form.loaded() && form.visible() && host.modalDepth() == 1;
        clickControl(form, "cmdOK");
    });
    dialog.show(true);
    EXPECT_TRUE(sawLoadedAndVisible);
    EXPECT_TRUE(dialog.chosen);
    EXPECT_FALSE(dialog.visible());
    EXPECT_EQ(host.modalDepth(), 0);

    // Without a script the show returns at once with the form hidden, never hanging.
    DialogForm other(host);
    host.scriptModal("frmAsk", nullptr);
    other.show(true);
    EXPECT_FALSE(other.visible());
    EXPECT_TRUE(other.loaded());
    EXPECT_EQ(host.modalShows(), (std::vector<std::string>{"frmAsk", "frmAsk"}));

    other.show(false);
    EXPECT_TRUE(other.visible()) << "a modeless show stays up";
}

TEST(HeadlessYield, HookRunsOncePerYieldAndNeverReentrantly) {
    HeadlessHost host;
    int hookCalls = 0;
    int depth = 0;
    int deepest = 0;
    host.yieldHook = [&] {
        ++hookCalls;
        deepest = std::max(deepest, ++depth);
        host.yield();  // a handler that yields from inside the hook
        host.sleep(5);
        --depth;
    };
    host.yield();
    host.yield();
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(host.yieldCount(), 4U);
    EXPECT_EQ(host.now(), 10U);
}

TEST(HeadlessYield, StopPressedFromTheHookEndsALongLoop) {
    HeadlessHost host;
    Form form(host, "FrmMain");
    auto& stop = form.add<CommandButton>("cmdStop");
    form.load();
    bool stopRequested = false;
    stop.onClick = [&] { stopRequested = true; };
    host.yieldHook = [&] {
        if (host.yieldCount() == 3) clickControl(form, "cmdStop");
    };
    int items = 0;
    while (!stopRequested && items < 100) {
        ++items;
        host.yield();
    }
    EXPECT_EQ(items, 3);
}

TEST(HeadlessServices, FilesTrayAndPaintingFreezes) {
    HeadlessHost host;
    Form form(host, "FrmMain");
    form.load();
    host.queueFile("C:\\a.exe");
    EXPECT_EQ(host.chooseFile(form, "Pick", "*.exe"), "C:\\a.exe");
    EXPECT_EQ(host.chooseFile(form, "Pick", "*.exe"), std::nullopt);
    ASSERT_EQ(host.fileRequests().size(), 2U);
    EXPECT_EQ(host.fileRequests()[0].filter, "*.exe");

    EXPECT_EQ(host.tray(form), nullptr);
    host.traySetToolTip(form, "ignored");
    EXPECT_EQ(host.tray(form), nullptr) << "no tip without an icon";
    EXPECT_TRUE(host.trayAdd(form, "Sorvane"));
    host.traySetToolTip(form, "Scanning");
    ASSERT_NE(host.tray(form), nullptr);
    EXPECT_EQ(host.tray(form)->toolTip, "Scanning");
    host.trayRemove(form);
    EXPECT_EQ(host.tray(form), nullptr);

    host.freezePainting(form, true);
    host.freezePainting(form, true);
    host.freezePainting(form, false);
    EXPECT_EQ(host.frozenDepth(form), 1);
    host.freezePainting(form, false);
    host.freezePainting(form, false);
    EXPECT_EQ(host.frozenDepth(form), 0) << "an extra release does not go below zero";
}

}  // namespace
