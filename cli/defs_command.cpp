#include <iterator>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli/commands_list.h"
#include "definitions/definition_files.h"
#include "definitions/encoding.h"
#include "definitions/path_macros.h"
#include "definitions/records.h"
#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::cli {
namespace {

namespace defs = sorvane::definitions;

enum class Kind { Process, Registry, File, Folder, Cookie, Safe };

constexpr std::string_view Usage =
    "Usage: SorvaneCmd defs encode FILE|- [OUT]\n"
    "       SorvaneCmd defs decode FILE|- [OUT]\n"
    "       SorvaneCmd defs lint [--kind exe|registry|file|folder|cookie|safe] [--clear] FILE\n";

std::optional<Kind> kindFromName(std::string_view name) {
    if (name == "exe") return Kind::Process;
    if (name == "registry") return Kind::Registry;
    if (name == "file") return Kind::File;
    if (name == "folder") return Kind::Folder;
    if (name == "cookie") return Kind::Cookie;
    if (name == "safe") return Kind::Safe;
    return std::nullopt;
}

// The record kind a definition file's name stands for.
std::optional<Kind> kindFromFileName(std::string_view path) {
    const auto slash = path.find_last_of("\\/");
    const auto name = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
    if (text::containsNoCase(name, "Registry")) return Kind::Registry;
    if (text::containsNoCase(name, "Directory")) return Kind::Folder;
    if (text::containsNoCase(name, "Exe")) return Kind::Process;
    if (text::containsNoCase(name, "Cookie")) return Kind::Cookie;
    if (text::containsNoCase(name, "Safety")) return Kind::Safe;
    if (text::containsNoCase(name, "File")) return Kind::File;
    return std::nullopt;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

// What a reader makes of one decoded line; false when it skips the line.
bool describe(Kind kind, const std::string& line, const defs::PathMacros& macros, std::ostream& out) {
    std::string why;
    switch (kind) {
        case Kind::Process:
            if (auto d = defs::ParseProcessLine(line, macros, &why)) {
                out << "process name=" << quoted(d->name) << " threat=" << quoted(d->threat)
                    << " folder=" << quoted(d->folder) << " path=" << quoted(d->path);
                return true;
            }
            break;
        case Kind::Registry:
            if (auto d = defs::ParseRegistryLine(line, macros, &why)) {
                out << "registry " << (d->value.empty() ? "key" : "value") << " hive=" << d->hive.name
                    << " key=" << quoted(d->key) << " value=" << quoted(d->value) << " threat=" << quoted(d->threat)
                    << " note=" << quoted(d->note) << " item=" << quoted(d->itemText());
                return true;
            }
            break;
        case Kind::File:
            if (auto d = defs::ParseFileLine(line, macros, &why)) {
                out << "file name=" << quoted(d->name) << " threat=" << quoted(d->threat)
                    << " note=" << quoted(d->note) << " path=" << quoted(d->path);
                if (d->folder.empty()) out << " (no folder: looked up in the current folder)";
                return true;
            }
            break;
        case Kind::Folder:
            if (auto d = defs::ParseFolderLine(line, macros, &why)) {
                out << "folder label=" << quoted(d->label) << " threat=" << quoted(d->threat)
                    << " note=" << quoted(d->note) << " path=" << quoted(d->path);
                return true;
            }
            break;
        case Kind::Cookie: {
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
        case Kind::Safe:
            if (auto entry = defs::SafeEntryText(line, macros, &why)) {
                out << "safe entry=" << quoted(*entry);
                return true;
            }
            break;
    }
    out << "skipped: " << why;
    return false;
}

int lint(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    std::optional<Kind> kind;
    bool clear = false;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--clear") {
            clear = true;
        } else if (args[i] == "--kind" && i + 1 < args.size()) {
            kind = kindFromName(args[++i]);
            if (!kind) {
                console.err << "SorvaneCmd defs lint: unknown kind '" << args[i] << "'\n" << Usage;
                return ExitError;
            }
        } else if (file.empty()) {
            file = args[i];
        } else {
            console.err << Usage;
            return ExitError;
        }
    }
    if (file.empty()) {
        console.err << Usage;
        return ExitError;
    }
    if (!kind) kind = kindFromFileName(file);
    if (!kind) {
        console.err << "SorvaneCmd defs lint: cannot tell the record kind of '" << file << "'; use --kind\n";
        return ExitError;
    }

    const defs::PathMacros macros(platform.shell);
    std::size_t lines = 0;
    std::size_t skipped = 0;
    const auto onLine = [&](std::size_t number, const std::string& line) {
        ++lines;
        console.out << number << ": ";
        if (!describe(*kind, line, macros, console.out)) ++skipped;
        console.out << "\n";
    };
    const auto onOverlong = [&](std::size_t number) {
        ++lines;
        ++skipped;
        console.out << number << ": skipped: longer than " << limits::MaxDefinitionLine << " bytes\n";
    };
    const auto outcome = clear ? defs::forEachPlainLine(platform.files, platform.locale, file, {}, onLine, onOverlong)
                               : defs::forEachDefinitionLine(platform.files, platform.locale, file, {}, onLine, onOverlong);
    if (outcome == defs::ReadOutcome::Missing) {
        console.err << "SorvaneCmd defs lint: no file '" << file << "'\n";
        return ExitError;
    }
    if (outcome == defs::ReadOutcome::Failed) {
        console.err << "SorvaneCmd defs lint: reading '" << file << "' failed after line " << lines << "\n";
        return ExitError;
    }
    console.out << lines << " lines, " << skipped << " skipped\n";
    return skipped == 0 ? ExitClean : ExitFound;
}

// encode / decode: the whole input shifted, line ends kept byte for byte.
int transform(platform::Platform& platform, std::span<const std::string> args, Console& console, bool encode) {
    if (args.empty() || args.size() > 2) {
        console.err << Usage;
        return ExitError;
    }
    std::string input;
    if (args[0] == "-") {
        input.assign(std::istreambuf_iterator<char>(console.in), std::istreambuf_iterator<char>());
    } else if (!platform.files.readFile(args[0], input).ok()) {
        console.err << "SorvaneCmd defs: cannot read '" << args[0] << "'\n";
        return ExitError;
    }
    const auto output = encode ? defs::EncodeText(input) : defs::DecodeText(input);
    if (args.size() == 2 && args[1] != "-") {
        if (!platform.files.writeFile(args[1], output).ok()) {
            console.err << "SorvaneCmd defs: cannot write '" << args[1] << "'\n";
            return ExitError;
        }
        return ExitClean;
    }
    console.out.write(output.data(), static_cast<std::streamsize>(output.size()));
    return console.out ? ExitClean : ExitError;
}

}  // namespace

int runDefs(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.empty()) {
        console.err << Usage;
        return ExitError;
    }
    const auto rest = args.subspan(1);
    if (args[0] == "encode") return transform(platform, rest, console, true);
    if (args[0] == "decode") return transform(platform, rest, console, false);
    if (args[0] == "lint") return lint(platform, rest, console);
    console.err << "SorvaneCmd defs: unknown action '" << args[0] << "'\n" << Usage;
    return ExitError;
}

}  // namespace sorvane::cli
