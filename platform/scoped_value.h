#pragma once
#include <utility>

namespace sorvane::platform {

// Gives a variable another value for the length of a scope and puts the one before back on
// every way out, a return or an exception: the program's one scope guard.
template <class T>
class ScopedValue {
public:
    ScopedValue(T& target, T during) : target_(target), before_(std::exchange(target, std::move(during))) {}
    ~ScopedValue() { target_ = std::move(before_); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& target_;
    T before_;
};

// A flag that is on while a scope runs: how a handler that waits on the user (or runs a scan)
// tells a tick that arrives inside it not to start again.
class ScopedFlag : public ScopedValue<bool> {
public:
    explicit ScopedFlag(bool& flag) : ScopedValue(flag, true) {}
};

}  // namespace sorvane::platform
