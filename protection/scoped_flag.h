#pragma once

namespace sorvane::protection {

// Sets a flag for a scope and clears it on every way out: how a handler that waits on the
// user (or runs a scan) tells a tick that arrives inside it not to start again.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
};

}  // namespace sorvane::protection
