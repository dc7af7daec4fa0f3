#include "tests/fakes/fake_services.h"

#include <algorithm>

#include "platform/text.h"

namespace sorvane::fakes {

using platform::Status;
namespace error = platform::error;

FakeVersionResources::FakeVersionResources() {
    platform::VersionInfo v;
    v.productName = "Sorvane";
    v.companyName = "Talvenor";
    v.fileDescription = "Sorvane";
    v.comments = "www.sorvane.example/";
    v.fileVersion = "3.00";
    v.productVersion = "3.00";
    v.legalCopyright = "Copyright (C) Talvenor";
    v.major = 3;
    info = v;
}

bool FakeInstanceLock::anotherInstanceRunning(std::string_view name) {
    // Kernel object names compare with case, as Windows does.
    const std::string key(name);
    if (othersRunning.count(key) != 0) return true;
    held.insert(key);
    return false;
}

Status FakeInstanceLock::acquire(std::string_view name, std::uint32_t /*timeoutMs*/) {
    if (othersHolding.count(std::string(name)) != 0) return Status::failure(error::Timeout);
    acquired.insert(std::string(name));
    ++acquisitions;
    return Status::success();
}

void FakeInstanceLock::release(std::string_view name) {
    if (auto it = acquired.find(std::string(name)); it != acquired.end()) acquired.erase(it);
}

Status FakeHttp::get(std::string_view url, const ChunkHandler& onChunk) {
    requests.emplace_back(url);
    auto it = responses.find(std::string(url));
    if (it == responses.end()) return Status::failure(error::CannotConnect);
    const Response& r = it->second;
    if (!r.status.ok()) return r.status;
    const std::uint64_t length = !r.announceLength ? 0 : r.announced != 0 ? r.announced : r.body.size();
    const std::size_t step = std::max<std::size_t>(chunkSize, 1);
    for (std::size_t pos = 0; pos < r.body.size(); pos += step) {
        if (!onChunk(std::string_view(r.body).substr(pos, step), length)) return Status::failure(error::OperationAborted);
    }
    return r.afterBody;
}

Status FakeRestorePoints::begin(std::string_view description, std::int64_t& sequence) {
    sequence = 0;
    if (!isSupported) return Status::failure(error::NotSupported);
    if (beginFailure != 0) {
        calls.push_back({true, std::string(description), 0, false});
        return Status::failure(beginFailure);
    }
    if (handBack) {
        sequence = *handBack;
    } else {
        sequence = nextSequence++;
        points[sequence] = std::string(description);
    }
    calls.push_back({true, std::string(description), sequence, false});
    return Status::success();
}

std::optional<std::string> FakeRestorePoints::description(std::int64_t sequence) {
    const auto point = points.find(sequence);
    if (!tellsDescriptions || point == points.end()) return std::nullopt;
    return point->second;
}

Status FakeRestorePoints::end(std::int64_t sequence, bool cancel) {
    calls.push_back({false, {}, sequence, cancel});
    if (!isSupported) return Status::failure(error::NotSupported);
    return endFailure == 0 ? Status::success() : Status::failure(endFailure);
}

Status FakeClipboard::setText(std::string_view value) {
    if (failure != 0) return Status::failure(failure);
    content = std::string(value);
    return Status::success();
}

std::string FakeEnvironment::variable(std::string_view name) {
    auto it = variables_.find(text::toUpper(name));
    return it == variables_.end() ? std::string() : it->second;
}

void FakeEnvironment::setVariable(std::string_view name, std::string value) {
    variables_[text::toUpper(name)] = std::move(value);
}

}  // namespace sorvane::fakes
