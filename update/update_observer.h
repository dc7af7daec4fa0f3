#pragma once
#include <string>

namespace sorvane::update {

// What a front end learns while the live update runs. The main window shows it in the status
// window's text box; the console prints it on standard error. The outcome is the run's result,
// which both read once it has returned.
class UpdateObserver {
public:
    virtual ~UpdateObserver() = default;
    // A progress text, in the order the update reaches it: the connection, the bytes received
    // ("Downloaded N bytes."), the files being applied.
    virtual void statusChanged(const std::string& text) = 0;
};

// A front end that reads only the outcome: every step passes unseen.
class SilentUpdateObserver : public UpdateObserver {
public:
    void statusChanged(const std::string&) override {}
};

}  // namespace sorvane::update
