#pragma once
#include <set>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/locale.h"

namespace sorvane::removal {

// The quarantine log: four-line entries appended as ANSI text with CR LF line ends.
// Entries are written only while logging is on, so that a removal run's second pass,
// which repeats the first, records nothing twice.
class QuarantineLog {
public:
    QuarantineLog(platform::FileSystem& files, platform::Locale& locale, std::string path);

    const std::string& path() const { return path_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }
    // A new run: each item is logged once in it, whichever pass removes it.
    void beginRun() { logged_.clear(); }

    // "<now> - File: <name>" then " - Location: <path>", then two empty lines.
    void logQuarantinedFile(std::string_view path, std::string_view name);
    // "<now> - Key: <key>" then "Value: <value>", then two empty lines.
    void logRemovedRegistryEntry(std::string_view key, std::string_view value);

    // The current date and time as the system writes them ("3/16/2006 9:05:07 PM").
    std::string timestamp();

private:
    void append(const std::string& entry);
    // False when this item was logged before in the run.
    bool firstTime(std::string item);

    platform::FileSystem& files_;
    platform::Locale& locale_;
    std::string path_;
    bool enabled_ = false;
    std::set<std::string> logged_;
};

}  // namespace sorvane::removal
