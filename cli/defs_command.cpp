#include <istream>
#include <iterator>
#include <ostream>

#include "cli/commands_list.h"
#include "definitions/encoding.h"
#include "definitions/toolkit.h"

namespace sorvane::cli {
namespace {

namespace defs = sorvane::definitions;

constexpr std::string_view Usage =
    "Usage: SorvaneCmd defs encode FILE|- [OUT]\n"
    "       SorvaneCmd defs decode FILE|- [OUT]\n"
    "       SorvaneCmd defs lint [--kind exe|registry|file|folder|cookie|safe] [--clear] FILE\n";

int usageError(Console& console) {
    console.err << Usage;
    return ExitError;
}

int lint(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    std::optional<defs::RecordKind> kind;
    bool clear = false;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--clear") {
            clear = true;
        } else if (args[i] == "--kind" && i + 1 < args.size()) {
            kind = defs::RecordKindFromName(args[++i]);
            if (!kind) return usageError(console);
        } else if (file.empty()) {
            file = args[i];
        } else {
            return usageError(console);
        }
    }
    if (file.empty()) return usageError(console);
    if (!kind) kind = defs::RecordKindOfFile(file);
    if (!kind) {
        console.err << "SorvaneCmd defs lint: cannot tell the record kind of '" << file << "'; use --kind\n";
        return ExitError;
    }
    const defs::PathMacros macros(platform.shell);
    const auto summary =
        defs::LintDefinitionFile(platform.files, platform.locale, macros, file, *kind, !clear, console.out);
    switch (summary.outcome) {
        case defs::ReadOutcome::Missing: console.err << "SorvaneCmd defs lint: no file '" << file << "'\n"; return ExitError;
        case defs::ReadOutcome::Failed:
            console.err << "SorvaneCmd defs lint: reading '" << file << "' failed after line " << summary.lines << "\n";
            return ExitError;
        default: return summary.skipped == 0 ? ExitClean : ExitFound;
    }
}

// encode / decode: the whole input shifted, line ends kept byte for byte.
int transform(platform::Platform& platform, std::span<const std::string> args, Console& console, bool encode) {
    if (args.empty() || args.size() > 2) return usageError(console);
    const bool toStandardOutput = args.size() == 1 || args[1] == "-";
    if ((args[0] == "-" || toStandardOutput) && console.useBinaryStreams) console.useBinaryStreams();
    std::string input;
    if (args[0] == "-") {
        input.assign(std::istreambuf_iterator<char>(console.in), std::istreambuf_iterator<char>());
    } else if (!platform.files.readFile(args[0], input).ok()) {
        console.err << "SorvaneCmd defs: cannot read '" << args[0] << "'\n";
        return ExitError;
    }
    const auto output = encode ? defs::EncodeText(input) : defs::DecodeText(input);
    if (!toStandardOutput) {
        if (platform.files.writeFile(args[1], output).ok()) return ExitClean;
        console.err << "SorvaneCmd defs: cannot write '" << args[1] << "'\n";
        return ExitError;
    }
    console.out.write(output.data(), static_cast<std::streamsize>(output.size()));
    return console.out ? ExitClean : ExitError;
}

}  // namespace

int runDefs(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    if (args.empty()) return usageError(console);
    const auto rest = args.subspan(1);
    if (args[0] == "encode") return transform(platform, rest, console, true);
    if (args[0] == "decode") return transform(platform, rest, console, false);
    if (args[0] == "lint") return lint(platform, rest, console);
    console.err << "SorvaneCmd defs: unknown action '" << args[0] << "'\n";
    return usageError(console);
}

}  // namespace sorvane::cli
