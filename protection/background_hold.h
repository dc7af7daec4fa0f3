#pragma once
#include <functional>
#include <utility>

namespace sorvane::protection {

// Held while a shield pass or check runs, including any wait on the user's answer: the
// background ticks that arrive meanwhile are let go. The shields hold their timers this way
// rather than switching them off and on again, because a timer switched back on starts its
// interval anew: the home-page check every five seconds would then restart the ten-second
// memory-shield timer before it ever came due.
class BackgroundHold {
public:
    class Guard {
    public:
        explicit Guard(BackgroundHold& hold) : hold_(hold) { hold_.held_ = true; }
        ~Guard() { hold_.release(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        BackgroundHold& hold_;
    };

    bool held() const { return held_; }
    // Holds until the returned guard goes out of scope.
    [[nodiscard]] Guard hold() { return Guard(*this); }
    // Runs `action` once when the hold now in force ends, in place of any action given before.
    void whenReleased(std::function<void()> action) { released_ = std::move(action); }

private:
    void release() {
        held_ = false;
        auto action = std::exchange(released_, nullptr);
        if (action) action();
    }

    bool held_ = false;
    std::function<void()> released_;
};

}  // namespace sorvane::protection
