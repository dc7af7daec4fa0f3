#include <gtest/gtest.h>

#include "ui/headless/headless_host.h"

using namespace sorvane::ui;

namespace {

struct TimerForm : Form {
    explicit TimerForm(Host& host) : Form(host, "frmTimers") {
        fast = &add<Timer>("tmrFast");
        slow = &add<Timer>("tmrSlow");
        fast->onTimer = [this] { log.push_back("fast@" + std::to_string(clock())); };
        slow->onTimer = [this] { log.push_back("slow@" + std::to_string(clock())); };
    }
    std::uint64_t clock() const { return static_cast<HeadlessHost&>(host()).now(); }
    Timer* fast;
    Timer* slow;
    std::vector<std::string> log;
};

TEST(HeadlessTimers, DisabledOrZeroIntervalNeverTicks) {
    HeadlessHost host;
    TimerForm form(host);
    form.load();
    form.fast->setInterval(10);
    host.advance(1000);
    EXPECT_TRUE(form.log.empty()) << "a timer starts disabled";

    form.slow->setOn(true);
    host.advance(1000);
    EXPECT_TRUE(form.log.empty()) << "interval 0 never ticks";
    EXPECT_EQ(host.scheduledTimers(), 0U);

    form.fast->setOn(true);
    form.fast->setOn(false);
    host.advance(1000);
    EXPECT_TRUE(form.log.empty());
}

TEST(HeadlessTimers, TwoTimersTickInDueOrderAndReArm) {
    HeadlessHost host;
    TimerForm form(host);
    form.fast->setInterval(30);
    form.slow->setInterval(50);
    form.fast->setOn(true);  // before load: armed when the form loads
    form.load();
    form.slow->setOn(true);
    host.advance(100);
    EXPECT_EQ(form.log, (std::vector<std::string>{"fast@30", "slow@50", "fast@60", "fast@90", "slow@100"}));
    EXPECT_EQ(host.now(), 100U);
    EXPECT_EQ(host.dueTime(*form.fast), 120U);
}

TEST(HeadlessTimers, IntervalChangeRestartsTheCountdown) {
    HeadlessHost host;
    TimerForm form(host);
    form.load();
    form.fast->setInterval(100);
    form.fast->setOn(true);
    host.advance(70);
    form.fast->setInterval(50);
    host.advance(40);
    EXPECT_TRUE(form.log.empty()) << "due at 120, not at 100";
    host.advance(10);
    EXPECT_EQ(form.log, std::vector<std::string>{"fast@120"});
}

TEST(HeadlessTimers, TimerDisabledOrRetimedInsideItsOwnTick) {
    HeadlessHost host;
    TimerForm form(host);
    form.load();
    form.fast->setInterval(10);
    form.fast->onTimer = [&] {
        form.log.push_back("once@" + std::to_string(host.now()));
        form.fast->setOn(false);
    };
    form.fast->setOn(true);
    form.slow->setInterval(25);
    int slowTicks = 0;
    form.slow->onTimer = [&] {
        if (++slowTicks == 1) form.slow->setInterval(100);
    };
    form.slow->setOn(true);
    host.advance(200);
    EXPECT_EQ(form.log, std::vector<std::string>{"once@10"});
    EXPECT_EQ(slowTicks, 2) << "ticks at 25 and 125";
}

TEST(HeadlessTimers, UnloadStopsTimersAndYieldRunsOnlyDueOnes) {
    HeadlessHost host;
    TimerForm form(host);
    form.load();
    form.fast->setInterval(10);
    form.fast->setOn(true);
    host.yield();
    EXPECT_TRUE(form.log.empty()) << "yield does not move the clock";
    form.unload();
    host.advance(100);
    EXPECT_TRUE(form.log.empty());
    EXPECT_EQ(host.scheduledTimers(), 0U);
}

TEST(HeadlessTimers, RunEndsOnQuitOrWhenNothingIsScheduled) {
    HeadlessHost host;
    TimerForm form(host);
    form.load();
    host.run();
    EXPECT_FALSE(host.quitting());

    form.fast->setInterval(1000);
    int ticks = 0;
    form.fast->onTimer = [&] {
        if (++ticks == 3) host.quit();
    };
    form.fast->setOn(true);
    host.run();
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(host.quitting());
    EXPECT_EQ(host.now(), 3000U);
}

TEST(HeadlessTimers, DroppingALoadedFormForgetsItsTimers) {
    HeadlessHost host;
    {
        TimerForm form(host);
        form.load();
        form.fast->setInterval(10);
        form.fast->setOn(true);
        EXPECT_EQ(host.scheduledTimers(), 1U);
    }
    EXPECT_EQ(host.scheduledTimers(), 0U);
    host.advance(100);
}

}  // namespace

namespace {

TEST(HeadlessTimers, DueTimersTickWhileABoxOrAModalFormIsUp) {
    HeadlessHost host;
    TimerForm form(host);
    form.load();
    form.fast->setInterval(10);
    form.fast->setOn(true);
    std::size_t ticksAtAnswer = 0;
    host.decideAnswer = [&](const ShownMessage&) -> std::optional<Answer> {
        ticksAtAnswer = form.log.size();
        return std::nullopt;
    };
    EXPECT_EQ(host.messageBox("Update now?", "Sorvane", mb::YesNo), Answer::Yes);
    EXPECT_EQ(ticksAtAnswer, 100u) << "a second in front of the box: the 10 ms timer ticked under it";
    EXPECT_EQ(host.now(), 1000u);

    TimerForm dialog(host);
    std::size_t ticksInScript = 0;
    host.scriptModal("frmTimers", [&](Form&) { ticksInScript = form.log.size(); });
    dialog.show(true);
    EXPECT_EQ(ticksInScript, 200u);

    host.answerTimeMs = 0;
    host.messageBox("Quick", "Sorvane", mb::OkOnly);
    EXPECT_EQ(form.log.size(), 200u) << "an instant answer leaves the clock where it was";
}

TEST(HeadlessTimers, ABoxOpenedByATickUnderABoxIsBoundedAndListedInOrder) {
    HeadlessHost host;
    TimerForm form(host);
    form.load();
    form.slow->setInterval(400);
    form.slow->onTimer = [&] { host.messageBox("tick " + std::to_string(host.now()), "Sorvane", mb::OkOnly); };
    form.slow->setOn(true);
    host.messageBox("outer", "Sorvane", mb::OkOnly);
    ASSERT_GE(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[0].text, "outer") << "listed in the order shown";
    EXPECT_LT(host.messages().size(), 64u) << "re-entrant boxes stop a few levels deep";
}

}  // namespace
