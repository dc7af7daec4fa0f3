#pragma once
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/limits.h"
#include "platform/services.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {

// A named mutex held until this object goes, normally at process end.
class Win32InstanceLock final : public InstanceLock {
public:
    Win32InstanceLock();
    ~Win32InstanceLock() override;
    bool anotherInstanceRunning(std::string_view name) override;
    Status acquire(std::string_view name, std::uint32_t timeoutMs) override;
    void release(std::string_view name) override;

private:
    std::vector<void*> held_;  // mutex handles
    std::vector<std::pair<std::string, void*>> acquired_;  // taken by acquire(), by name
};

// HTTP GET through WinINet, always from the server (no cache), in chunks of `chunkSize` bytes.
// Connecting and each read give up after the time-outs (milliseconds).
class Win32Http final : public Http {
public:
    explicit Win32Http(std::size_t chunkSize = 256, std::uint32_t connectTimeoutMs = limits::HttpConnectTimeoutMs,
                       std::uint32_t receiveTimeoutMs = limits::HttpReceiveTimeoutMs)
        : chunkSize_(chunkSize == 0 ? 256 : chunkSize),
          connectTimeoutMs_(connectTimeoutMs),
          receiveTimeoutMs_(receiveTimeoutMs) {}
    Status get(std::string_view url, const ChunkHandler& onChunk) override;
    // The User-Agent every request names: the product and its version, never a browser's.
    void setUserAgent(std::string_view agent) { userAgent_ = widen(agent); }

private:
    std::wstring userAgent_;  // empty: this build's product name and version
    std::size_t chunkSize_;
    std::uint32_t connectTimeoutMs_;
    std::uint32_t receiveTimeoutMs_;
};

// System Restore through SRSetRestorePointA of "srclient.dll", loaded on first use.
class Win32RestorePoints final : public RestorePoints {
public:
    Win32RestorePoints();
    ~Win32RestorePoints() override;
    bool supported() override;
    Status begin(std::string_view description, std::int64_t& sequence) override;
    Status end(std::int64_t sequence, bool cancel) override;
    // Through WMI's SystemRestore class (win32_wmi.cpp).
    std::optional<std::string> description(std::int64_t sequence) override;

private:
    struct Library;
    Library& library();
    std::unique_ptr<Library> library_;
};

class Win32Clipboard final : public Clipboard {
public:
    Status setText(std::string_view text) override;
    std::string text() override;
};

class Win32Environment final : public Environment {
public:
    std::string applicationFolder() override;
    std::string executableBaseName() override;
    std::string variable(std::string_view name) override;
    std::vector<std::string> arguments() override;
};

}  // namespace sorvane::platform::win32
