#include "definitions/toolkit.h"

#include <ostream>

#include "definitions/records.h"
#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::definitions {
namespace {

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

}  // namespace

std::optional<RecordKind> RecordKindFromName(std::string_view name) {
    if (name == "exe") return RecordKind::Process;
    if (name == "registry") return RecordKind::Registry;
    if (name == "file") return RecordKind::File;
    if (name == "folder") return RecordKind::Folder;
    if (name == "cookie") return RecordKind::Cookie;
    if (name == "safe") return RecordKind::Safe;
    return std::nullopt;
}

std::optional<RecordKind> RecordKindOfFile(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    const auto name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
    if (text::containsNoCase(name, "Registry")) return RecordKind::Registry;
    if (text::containsNoCase(name, "Directory")) return RecordKind::Folder;
    if (text::containsNoCase(name, "Exe")) return RecordKind::Process;
    if (text::containsNoCase(name, "Cookie")) return RecordKind::Cookie;
    if (text::containsNoCase(name, "Safety")) return RecordKind::Safe;
    if (text::containsNoCase(name, "File")) return RecordKind::File;
    return std::nullopt;
}

bool DescribeDefinitionLine(RecordKind kind, const std::string& line, const PathMacros& macros, std::ostream& out) {
    std::string why;
    switch (kind) {
        case RecordKind::Process:
            if (auto d = ParseProcessLine(line, macros, &why)) {
                out << "process name=" << quoted(d->name) << " threat=" << quoted(d->threat)
                    << " folder=" << quoted(d->folder) << " path=" << quoted(d->path);
                return true;
            }
            break;
        case RecordKind::Registry:
            if (auto d = ParseRegistryLine(line, macros, &why)) {
                out << "registry " << (d->value.empty() ? "key" : "value") << " hive=" << d->hive.name
                    << " key=" << quoted(d->key) << " value=" << quoted(d->value) << " threat=" << quoted(d->threat)
                    << " note=" << quoted(d->note) << " item=" << quoted(d->itemText());
                return true;
            }
            break;
        case RecordKind::File:
            if (auto d = ParseFileLine(line, macros, &why)) {
                out << "file name=" << quoted(d->name) << " threat=" << quoted(d->threat)
                    << " note=" << quoted(d->note) << " path=" << quoted(d->path);
                if (d->folder.empty()) out << " (no folder: looked up in the current folder)";
                return true;
            }
            break;
        case RecordKind::Folder:
            if (auto d = ParseFolderLine(line, macros, &why)) {
                out << "folder label=" << quoted(d->label) << " threat=" << quoted(d->threat)
                    << " note=" << quoted(d->note) << " path=" << quoted(d->path);
                return true;
            }
            break;
        case RecordKind::Cookie: {
            const auto patterns = text::split(line, "|");
            bool usable = false;
            out << "cookie";
            for (const auto& pattern : patterns) {
                out << " pattern=" << quoted(pattern);
                if (pattern.empty()) out << " (empty)";
                else if (pattern.rfind("*.", 0) == 0) out << " (never matches: a dot follows the star)";
                else usable = true;
            }
            if (!usable) why = "no usable host pattern";
            if (usable) return true;
            break;
        }
        case RecordKind::Safe:
            if (auto entry = SafeEntryText(line, macros, &why)) {
                out << "safe entry=" << quoted(*entry);
                return true;
            }
            break;
    }
    out << "skipped: " << why;
    return false;
}

LintSummary LintDefinitionFile(platform::FileSystem& fs, platform::Locale& locale, const PathMacros& macros,
                               std::string_view path, RecordKind kind, bool encoded, std::ostream& out) {
    LintSummary summary;
    const auto onLine = [&](std::size_t number, const std::string& line) {
        ++summary.lines;
        out << number << ": ";
        if (!DescribeDefinitionLine(kind, line, macros, out)) ++summary.skipped;
        out << "\n";
    };
    const auto onOverlong = [&](std::size_t number) {
        ++summary.lines;
        ++summary.skipped;
        out << number << ": skipped: longer than " << limits::MaxDefinitionLine << " bytes\n";
    };
    summary.outcome = encoded ? forEachDefinitionLine(fs, locale, path, {}, onLine, onOverlong)
                              : forEachPlainLine(fs, locale, path, {}, onLine, onOverlong);
    if (summary.outcome == ReadOutcome::Finished)
        out << summary.lines << " lines, " << summary.skipped << " skipped\n";
    return summary;
}

}  // namespace sorvane::definitions
