#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/form.h"
#include "ui/host.h"

namespace sorvane::ui {

// A message box as it was shown, with the answer it got.
struct ShownMessage {
    std::string text;
    std::string title;
    std::uint32_t style = 0;
    Answer answer = Answer::Ok;
};

// A file-open dialog as it was shown.
struct FileRequest {
    std::string title;
    std::string filter;
};

struct TrayIcon {
    std::string toolTip;
    // The balloon notices the icon showed, title and text, in order.
    std::vector<std::pair<std::string, std::string>> balloons;
};

// A host that keeps state only. Timers run on a virtual clock that the caller advances;
// message boxes, modal forms and file dialogs are answered by scripts.
class HeadlessHost : public Host {
public:
    HeadlessHost() = default;
    HeadlessHost(const HeadlessHost&) = delete;
    HeadlessHost& operator=(const HeadlessHost&) = delete;

    // --- virtual clock ---
    std::uint64_t now() const { return now_; }
    // Moves the clock forward, ticking due timers in due order on the way.
    void advance(std::uint64_t ms);
    // When the timer is next due, if it is scheduled.
    std::optional<std::uint64_t> dueTime(const Timer& timer) const;
    std::size_t scheduledTimers() const { return schedule_.size(); }
    // The forms constructed on this host so far.
    std::size_t formsMade() const { return formsMade_; }
    void formMade(Form&) override { ++formsMade_; }

    // --- scripts ---
    // Runs at the end of every yield() and sleep(); a nested call while it runs is not made.
    std::function<void()> yieldHook;
    std::size_t yieldCount() const { return yields_; }
    // Of those, the yields between the items of long work (yieldBetweenItems).
    std::size_t itemYieldCount() const { return itemYields_; }
    // A waitUntil that nothing ends gives up after this much virtual time, so that a test
    // that never answers fails instead of hanging; the waits given up are counted.
    std::uint64_t waitLimitMs = 10 * 60 * 1000;
    std::size_t abandonedWaits() const { return abandonedWaits_; }
    std::size_t waits() const { return waits_; }

    // Virtual time a user takes to answer a message box or to close a modal form. The clock
    // moves on by it while the box or form is up, and the timers due meanwhile tick inside
    // it, as they do in the real nested loop (a 10 ms scheduler under the first-start
    // question, say). A box or form opened from inside one of those ticks counts too, up to
    // a few levels deep, where a real user would have long given up.
    std::uint32_t answerTimeMs = 1000;

    // Answers are taken from `decideAnswer` when it gives one, then from the queue,
    // then the default button of the style.
    std::function<std::optional<Answer>(const ShownMessage&)> decideAnswer;
    void queueAnswer(Answer answer) { answers_.push_back(answer); }
    std::size_t pendingAnswers() const { return answers_.size(); }
    const std::vector<ShownMessage>& messages() const { return messages_; }
    void clearMessages() { messages_.clear(); }
    // The answer a box of this style gets when nothing is scripted.
    static Answer defaultAnswer(std::uint32_t style);

    // Runs inside a modal show of the form with this name; the form is hidden afterwards
    // if the script left it visible. An empty script removes the form's script.
    void scriptModal(std::string formName, std::function<void(Form&)> script);
    // Names of the forms shown modally, in order.
    const std::vector<std::string>& modalShows() const { return modalShows_; }
    int modalDepth() const { return modalDepth_; }

    // Answers for chooseFile, in order; an empty queue or nullopt is a cancel.
    void queueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
    const std::vector<FileRequest>& fileRequests() const { return fileRequests_; }

    // --- observed state ---
    int frozenDepth(const Form& form) const;
    // Outermost freezes of the form's painting so far.
    std::size_t freezeCount(const Form& form) const;
    // A change of a control that a real host would have to draw, and whether its form's
    // painting was frozen then. Recorded only while `recordChanges` is on.
    struct SeenChange {
        std::string control;
        Change change;
        bool frozen;
    };
    bool recordChanges = false;
    const std::vector<SeenChange>& seenChanges() const { return seen_; }
    void clearChanges() { seen_.clear(); }
    const TrayIcon* tray(const Form& form) const;
    // The tray icon's mouse message, delivered as the win32 host delivers it.
    void trayMouse(Form& form, int message) { form.hostMouseMove({0, 0, message, 0, true}); }

    // --- Host ---
    void formChanged(Form& form, Change change) override;
    void controlChanged(Control& control, Change change, int item = -1) override;
    void show(Form& form, bool modal) override;
    void hide(Form& form) override;
    void destroy(Form& form) override;
    Answer messageBox(std::string_view text, std::string_view title, std::uint32_t style) override;
    void yield() override;
    void yieldBetweenItems() override;
    void sleep(std::uint32_t ms) override;
    // Sleeps in short steps of the virtual clock, each ending with the yield hook.
    void waitUntil(const std::function<bool()>& done) override;
    // Ticks timers on the virtual clock until quit() or until no timer is scheduled.
    void run() override;
    void quit() override { quitting_ = true; }
    bool quitting() const override { return quitting_; }
    void freezePainting(Form& form, bool frozen) override;
    void setBusyCursor(bool busy) override { busy_ = busy; }
    std::optional<std::string> chooseFile(Form& owner, std::string_view title, std::string_view filter) override;
    bool trayAdd(Form& owner, std::string_view toolTip) override;
    void traySetToolTip(Form& owner, std::string_view toolTip) override;
    void trayRemove(Form& owner) override;
    bool trayBalloon(Form& owner, std::string_view title, std::string_view text) override;
    void askRunningCopyToShow() override { ++runningCopyAsked; }
    // How often this program asked a running copy to show itself.
    int runningCopyAsked = 0;
    // This many adds of an icon fail first, as when the shell is not ready at logon.
    int failingTrayAdds = 0;
    std::size_t trayAddAttempts() const { return trayAddAttempts_; }
    ScreenArea screenArea() const override { return screen; }
    // What screenArea() answers.
    ScreenArea screen;
    bool setWindowRegion(Form& form, int width, int height) override;
    // The region last given to a form's window (width, height in pixels), if any.
    std::optional<std::pair<int, int>> windowRegion(const Form& form) const;

private:
    struct Slot {
        std::uint64_t due;
        std::uint64_t order;  // arming order breaks ties between timers due at once
    };
    void arm(Timer& timer);
    void disarm(const Timer* timer) { schedule_.erase(timer); }
    void armFormTimers(Form& form);
    // Ticks, one at a time, every timer due at or before `limit`.
    void runDue(std::uint64_t limit);
    void callYieldHook();
    // The user's time in front of a box or modal form: due timers tick meanwhile.
    void dwell();

    std::uint64_t now_ = 0;
    std::uint64_t armCount_ = 0;
    std::map<const Timer*, Slot> schedule_;
    bool inHook_ = false;
    std::size_t yields_ = 0;
    std::size_t itemYields_ = 0;
    std::size_t formsMade_ = 0;
    std::map<const Form*, std::size_t> freezes_;
    std::vector<SeenChange> seen_;
    std::size_t waits_ = 0;
    std::size_t abandonedWaits_ = 0;
    std::deque<Answer> answers_;
    std::vector<ShownMessage> messages_;
    std::map<std::string, std::function<void(Form&)>, std::less<>> modalScripts_;
    std::vector<std::string> modalShows_;
    int modalDepth_ = 0;
    int dwellDepth_ = 0;
    std::deque<std::optional<std::string>> files_;
    std::vector<FileRequest> fileRequests_;
    std::map<const Form*, int> frozen_;
    std::map<const Form*, TrayIcon> trays_;
    std::size_t trayAddAttempts_ = 0;
    bool busy_ = false;
    bool quitting_ = false;
    std::map<const Form*, std::pair<int, int>> regions_;
};

// Helpers for driving forms from tests as a user would. Each throws std::invalid_argument
// naming the control when the form has no such control.
Control& controlOf(const Form& form, std::string_view name, int index = -1);
// Clicks a control (menus, buttons, labels, check boxes and options follow their own rules).
void clickControl(const Form& form, std::string_view name, int index = -1);
const std::string& captionOf(const Form& form, std::string_view name, int index = -1);
// Ticks or clears a list row's check box as the user does, running ItemCheck.
void tickRow(const Form& form, std::string_view listName, std::size_t row, bool checked);

}  // namespace sorvane::ui
