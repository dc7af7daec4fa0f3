#pragma once
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/version_info.h"

namespace sorvane::fakes {

// The version resource of this build: "Sorvane" by "Talvenor", version 3.00.
class FakeVersionResources : public platform::VersionResources {
public:
    FakeVersionResources();
    std::optional<platform::VersionInfo> ownExecutable() override { return info; }
    std::optional<platform::VersionInfo> info;
};

// Names listed in `othersRunning` are held by another copy; any other name is taken by this one.
class FakeInstanceLock : public platform::InstanceLock {
public:
    bool anotherInstanceRunning(std::string_view name) override;
    // Names in `othersHolding` are held by another process for good: acquire() times out.
    platform::Status acquire(std::string_view name, std::uint32_t timeoutMs) override;
    void release(std::string_view name) override;
    bool holding(std::string_view name) const { return acquired.count(std::string(name)) != 0; }

    std::set<std::string> othersRunning;
    std::set<std::string> held;
    std::set<std::string> othersHolding;
    std::multiset<std::string> acquired;  // taken by acquire() and not yet released
    std::size_t acquisitions = 0;
};

// Scripted answers per URL, handed out in chunks of `chunkSize` bytes; requests are recorded.
class FakeHttp : public platform::Http {
public:
    struct Response {
        platform::Status status;
        std::string body;
        bool announceLength = true;
        // A failure after the body was handed out (a broken connection).
        platform::Status afterBody;
        // When not 0, the length announced in place of the body's own: more than the body is
        // a connection that closed early without an error, less is a server sending extra bytes.
        std::uint64_t announced = 0;
    };
    platform::Status get(std::string_view url, const ChunkHandler& onChunk) override;

    void respond(std::string url, std::string body) { responses[std::move(url)] = Response{{}, std::move(body), true, {}}; }
    // `body` under an announced length other than its own.
    void respondAnnouncing(std::string url, std::string body, std::uint64_t announced) {
        responses[std::move(url)] = Response{{}, std::move(body), true, {}, announced};
    }
    void fail(std::string url, std::uint32_t code) { responses[std::move(url)] = Response{platform::Status(code), {}, true, {}}; }

    std::map<std::string, Response> responses;  // an unknown URL cannot connect
    std::vector<std::string> requests;
    std::size_t chunkSize = 256;
};

// Restore points with increasing sequence numbers; begin and end can be made to fail.
class FakeRestorePoints : public platform::RestorePoints {
public:
    struct Call {
        bool begin;
        std::string description;
        std::int64_t sequence;
        bool cancel;
    };
    bool supported() override { return isSupported; }
    platform::Status begin(std::string_view description, std::int64_t& sequence) override;
    platform::Status end(std::int64_t sequence, bool cancel) override;
    std::optional<std::string> description(std::int64_t sequence) override;

    bool isSupported = true;
    std::uint32_t beginFailure = 0;
    std::uint32_t endFailure = 0;
    std::vector<Call> calls;
    std::int64_t nextSequence = 100;
    // As Windows 8 and later within a day of the last point: a begin answers with this
    // earlier point's number and makes none.
    std::optional<std::int64_t> handBack;
    // The points there are, by number; described to callers only when the system can tell.
    std::map<std::int64_t, std::string> points;
    bool tellsDescriptions = false;
};

class FakeClipboard : public platform::Clipboard {
public:
    platform::Status setText(std::string_view value) override;
    std::string text() override { return content; }
    std::string content;
    std::uint32_t failure = 0;
};

// The program installed as "C:\Program Files\Sorvane\Sorvane.exe"; variable names ignore case.
class FakeEnvironment : public platform::Environment {
public:
    std::string applicationFolder() override { return folder; }
    std::string executableBaseName() override { return baseName; }
    std::string variable(std::string_view name) override;
    std::vector<std::string> arguments() override { return args; }
    void setVariable(std::string_view name, std::string value);

    std::string folder = "C:\\Program Files\\Sorvane";
    std::string baseName = "Sorvane";
    std::vector<std::string> args;

private:
    std::map<std::string, std::string> variables_;  // by upper-case name
};

}  // namespace sorvane::fakes
