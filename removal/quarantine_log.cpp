#include "removal/quarantine_log.h"

#include "platform/text.h"
#include "platform/trace.h"

namespace sorvane::removal {

QuarantineLog::QuarantineLog(platform::FileSystem& files, platform::Locale& locale, std::string path)
    : files_(files), locale_(locale), path_(std::move(path)) {}

std::string QuarantineLog::timestamp() { return locale_.formatDateTime(locale_.now()); }

bool QuarantineLog::firstTime(std::string item) { return logged_.insert(text::toLower(item)).second; }

void QuarantineLog::logQuarantinedFile(std::string_view path, std::string_view name) {
    if (!enabled_ || !firstTime("file\n" + std::string(path))) return;
    std::string entry = timestamp();
    entry.append(" - File: ").append(name).append("\r\n");
    entry.append(" - Location: ").append(path).append("\r\n\r\n\r\n");
    append(entry);
}

void QuarantineLog::logRemovedRegistryEntry(std::string_view key, std::string_view value) {
    if (!enabled_ || !firstTime("key\n" + std::string(key) + "\n" + std::string(value))) return;
    std::string entry = timestamp();
    entry.append(" - Key: ").append(key).append("\r\n");
    entry.append("Value: ").append(value).append("\r\n\r\n\r\n");
    append(entry);
}

void QuarantineLog::append(const std::string& entry) {
    // One append per entry, so that an entry is never left half written; a log that
    // cannot be written loses the entry and removal goes on.
    platform::TraceFailure(files_.appendFile(path_, locale_.toAnsi(entry)), "writing the quarantine log");
}

}  // namespace sorvane::removal
