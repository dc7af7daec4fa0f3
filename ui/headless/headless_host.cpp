#include "ui/headless/headless_host.h"

#include <algorithm>
#include <stdexcept>

#include "platform/scoped_value.h"

namespace sorvane::ui {

void HeadlessHost::arm(Timer& timer) {
    if (!timer.form().loaded() || !timer.enabled() || timer.interval() == 0) {
        disarm(&timer);
        return;
    }
    schedule_[&timer] = Slot{now_ + timer.interval(), ++armCount_};
}

void HeadlessHost::armFormTimers(Form& form) {
    for (const auto& control : form.controls())
        if (auto* timer = dynamic_cast<Timer*>(control.get())) arm(*timer);
}

std::optional<std::uint64_t> HeadlessHost::dueTime(const Timer& timer) const {
    auto it = schedule_.find(&timer);
    if (it == schedule_.end()) return std::nullopt;
    return it->second.due;
}

void HeadlessHost::runDue(std::uint64_t limit) {
    for (;;) {
        auto next = schedule_.end();
        for (auto it = schedule_.begin(); it != schedule_.end(); ++it) {
            if (it->second.due > limit) continue;
            if (next == schedule_.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order))
                next = it;
        }
        if (next == schedule_.end()) return;
        auto* timer = const_cast<Timer*>(next->first);
        now_ = std::max(now_, next->second.due);
        // Re-armed before the tick, so that the handler may disable or re-time its own timer.
        next->second = Slot{now_ + timer->interval(), ++armCount_};
        timer->tick();
    }
}

void HeadlessHost::advance(std::uint64_t ms) {
    const std::uint64_t target = now_ + ms;
    runDue(target);
    now_ = std::max(now_, target);
}

void HeadlessHost::callYieldHook() {
    if (!yieldHook || inHook_) return;
    platform::ScopedFlag guard(inHook_);
    yieldHook();
}

void HeadlessHost::dwell() {
    constexpr int MaxDwellDepth = 4;
    if (answerTimeMs == 0 || dwellDepth_ >= MaxDwellDepth) return;
    ++dwellDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{dwellDepth_};
    advance(answerTimeMs);
}

void HeadlessHost::yield() {
    ++yields_;
    runDue(now_);
    callYieldHook();
}

void HeadlessHost::yieldBetweenItems() {
    ++itemYields_;
    yield();
}

void HeadlessHost::sleep(std::uint32_t ms) {
    advance(ms);
    callYieldHook();
}

void HeadlessHost::waitUntil(const std::function<bool()>& done) {
    ++waits_;
    const std::uint64_t deadline = now_ + waitLimitMs;
    while (!done() && !quitting_) {
        if (now_ >= deadline) {
            ++abandonedWaits_;
            return;
        }
        sleep(10);
    }
}

void HeadlessHost::run() {
    while (!quitting_ && !schedule_.empty()) {
        std::uint64_t next = UINT64_MAX;
        for (const auto& [timer, slot] : schedule_) next = std::min(next, slot.due);
        runDue(std::max(next, now_));
    }
}

void HeadlessHost::formChanged(Form& form, Change change) {
    if (change == Change::Created) armFormTimers(form);
}

void HeadlessHost::controlChanged(Control& control, Change change, int /*item*/) {
    if (recordChanges && change != Change::Timer)
        seen_.push_back({control.name(), change, frozenDepth(control.form()) > 0});
    if (change != Change::Timer && change != Change::Created) return;
    if (auto* timer = dynamic_cast<Timer*>(&control)) arm(*timer);
}

void HeadlessHost::scriptModal(std::string formName, std::function<void(Form&)> script) {
    if (script) modalScripts_[std::move(formName)] = std::move(script);
    else modalScripts_.erase(formName);
}

void HeadlessHost::show(Form& form, bool modal) {
    if (!modal) return;
    modalShows_.push_back(form.name());
    ++modalDepth_;
    struct Depth {
        int& depth;
        ~Depth() { --depth; }
    } depth{modalDepth_};
    dwell();
    auto it = modalScripts_.find(form.name());
    if (form.loaded() && form.visible() && it != modalScripts_.end()) {
        // A copy: the script may replace itself.
        auto script = it->second;
        script(form);
    }
    // Nobody is left to close the window: close it so that the caller carries on.
    if (form.loaded() && form.visible()) form.hide();
}

void HeadlessHost::hide(Form& /*form*/) {}

void HeadlessHost::destroy(Form& form) {
    for (auto it = schedule_.begin(); it != schedule_.end();) {
        if (&it->first->form() == &form) it = schedule_.erase(it);
        else ++it;
    }
    frozen_.erase(&form);
    trays_.erase(&form);
}

Answer HeadlessHost::defaultAnswer(std::uint32_t style) {
    static constexpr Answer first[] = {Answer::Ok,  Answer::Ok, Answer::Abort,
                                       Answer::Yes, Answer::Yes, Answer::Retry};
    static constexpr Answer second[] = {Answer::Ok, Answer::Cancel, Answer::Retry,
                                        Answer::No, Answer::No,     Answer::Cancel};
    static constexpr Answer third[] = {Answer::Ok, Answer::Cancel, Answer::Ignore,
                                       Answer::Cancel, Answer::No, Answer::Cancel};
    const std::uint32_t set = mb::buttons(style);
    if (set > mb::RetryCancel) return Answer::Ok;
    if ((style & mb::DefaultButton3) != 0 && (set == mb::AbortRetryIgnore || set == mb::YesNoCancel))
        return third[set];
    if ((style & mb::DefaultButton2) != 0) return second[set];
    return first[set];
}

Answer HeadlessHost::messageBox(std::string_view text, std::string_view title, std::uint32_t style) {
    ShownMessage shown{std::string(text), std::string(title), style, defaultAnswer(style)};
    // Listed in the order shown: a box opened by a timer meanwhile comes after this one.
    const std::size_t index = messages_.size();
    messages_.push_back(shown);
    dwell();
    std::optional<Answer> answer;
    if (decideAnswer) answer = decideAnswer(shown);
    if (!answer && !answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    if (answer) shown.answer = *answer;
    if (index < messages_.size()) messages_[index].answer = shown.answer;
    return shown.answer;
}

void HeadlessHost::freezePainting(Form& form, bool frozen) {
    int& depth = frozen_[&form];
    if (frozen && depth == 0) ++freezes_[&form];
    depth = frozen ? depth + 1 : std::max(0, depth - 1);
}

std::size_t HeadlessHost::freezeCount(const Form& form) const {
    auto it = freezes_.find(&form);
    return it == freezes_.end() ? 0 : it->second;
}

int HeadlessHost::frozenDepth(const Form& form) const {
    auto it = frozen_.find(&form);
    return it == frozen_.end() ? 0 : it->second;
}

std::optional<std::string> HeadlessHost::chooseFile(Form& /*owner*/, std::string_view title, std::string_view filter) {
    fileRequests_.push_back({std::string(title), std::string(filter)});
    if (files_.empty()) return std::nullopt;
    auto answer = std::move(files_.front());
    files_.pop_front();
    return answer;
}

bool HeadlessHost::trayAdd(Form& owner, std::string_view toolTip) {
    ++trayAddAttempts_;
    if (failingTrayAdds > 0) {
        --failingTrayAdds;
        return false;
    }
    trays_[&owner] = TrayIcon{std::string(toolTip), {}};
    return true;
}

bool HeadlessHost::trayBalloon(Form& owner, std::string_view title, std::string_view text) {
    auto it = trays_.find(&owner);
    if (it == trays_.end()) return false;
    it->second.balloons.emplace_back(std::string(title), std::string(text));
    return true;
}

void HeadlessHost::traySetToolTip(Form& owner, std::string_view toolTip) {
    auto it = trays_.find(&owner);
    if (it != trays_.end()) it->second.toolTip = std::string(toolTip);
}

void HeadlessHost::trayRemove(Form& owner) { trays_.erase(&owner); }

const TrayIcon* HeadlessHost::tray(const Form& form) const {
    auto it = trays_.find(&form);
    return it == trays_.end() ? nullptr : &it->second;
}

Control& controlOf(const Form& form, std::string_view name, int index) {
    Control* control = form.find(name, index);
    if (control == nullptr) {
        std::string what = form.name() + " has no control " + std::string(name);
        if (index >= 0) what += "(" + std::to_string(index) + ")";
        throw std::invalid_argument(what);
    }
    return *control;
}

void clickControl(const Form& form, std::string_view name, int index) { controlOf(form, name, index).click(); }

const std::string& captionOf(const Form& form, std::string_view name, int index) {
    return controlOf(form, name, index).caption();
}

void tickRow(const Form& form, std::string_view listName, std::size_t row, bool checked) {
    auto* list = dynamic_cast<ListView*>(&controlOf(form, listName));
    if (list == nullptr) throw std::invalid_argument(std::string(listName) + " is no list view");
    list->userCheck(row, checked);
}

bool HeadlessHost::setWindowRegion(Form& form, int width, int height) {
    regions_[&form] = {width, height};
    return true;
}

std::optional<std::pair<int, int>> HeadlessHost::windowRegion(const Form& form) const {
    const auto found = regions_.find(&form);
    if (found == regions_.end()) return std::nullopt;
    return found->second;
}

}  // namespace sorvane::ui
