#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace sorvane::platform {

// Tells whether another copy of the program runs; the first copy holds a named lock
// for as long as it lives.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    virtual bool anotherInstanceRunning(std::string_view name) = 0;
    // Takes the lock of this name that every process of the machine shares, waiting up to
    // `timeoutMs` while another process holds it (error::Timeout then). A holder that ended
    // without releasing it leaves it free. Held until release().
    virtual Status acquire(std::string_view name, std::uint32_t timeoutMs) = 0;
    virtual void release(std::string_view name) = 0;
};

// Holds a shared named lock for the life of a scope.
class ScopedLock {
public:
    ScopedLock(InstanceLock& locks, std::string_view name, std::uint32_t timeoutMs)
        : locks_(locks), name_(name), status_(locks.acquire(name, timeoutMs)) {}
    ~ScopedLock() {
        if (status_.ok()) locks_.release(name_);
    }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;
    const Status& status() const { return status_; }

private:
    InstanceLock& locks_;
    std::string name_;
    Status status_;
};

// HTTP GET. `onChunk` receives the body piece by piece with the total length when the
// server announced one (0 otherwise); it returns false to cancel the transfer.
class Http {
public:
    virtual ~Http() = default;
    using ChunkHandler = std::function<bool(std::string_view chunk, std::uint64_t contentLength)>;
    virtual Status get(std::string_view url, const ChunkHandler& onChunk) = 0;
};

// System Restore.
class RestorePoints {
public:
    virtual ~RestorePoints() = default;
    virtual bool supported() = 0;
    // Opens a restore point for an application's changes; `sequence` identifies it for end().
    virtual Status begin(std::string_view description, std::int64_t& sequence) = 0;
    virtual Status end(std::int64_t sequence, bool cancel) = 0;
    // The description of the existing restore point with this sequence number; nothing when
    // the system cannot tell. Windows 8 and later hand back an earlier point's number instead
    // of making a new one when one was made recently: its description is then another's.
    virtual std::optional<std::string> description(std::int64_t /*sequence*/) { return std::nullopt; }
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual Status setText(std::string_view text) = 0;
    virtual std::string text() = 0;
};

// Process-level facts: where the program lives and what its environment says.
class Environment {
public:
    virtual ~Environment() = default;
    // Folder of the executable, without a trailing backslash.
    virtual std::string applicationFolder() = 0;
    // File name of the executable without folder and without extension ("Sorvane").
    virtual std::string executableBaseName() = 0;
    virtual std::string variable(std::string_view name) = 0;
    // The program's command-line arguments after the program name, as UTF-8.
    virtual std::vector<std::string> arguments() = 0;
};

}  // namespace sorvane::platform
