#include "tests/fuzz/definition_line_target.h"

#include <cstdlib>
#include <sstream>
#include <string>

#include "definitions/encoding.h"
#include "definitions/exclusions.h"
#include "definitions/records.h"
#include "definitions/safe_list.h"
#include "definitions/toolkit.h"
#include "platform/text.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"
#include "tests/fakes/fake_shell.h"

namespace sorvane::fuzz {
namespace {

namespace defs = sorvane::definitions;

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

void FuzzDefinitionLine(const std::uint8_t* data, std::size_t size) {
    static fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    static const defs::PathMacros macros(shell);
    const std::string input(reinterpret_cast<const char*>(data), size);

    const auto decoded = defs::DecodeLine(input);
    const auto encoded = defs::EncodeLine(decoded);
    require(decoded.size() == input.size() && encoded.size() == input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        // The encoder never writes code 0 (it reads back as 255's stand-in), so every
        // other stored code survives decoding and encoding again.
        if (input[i] != '\0') require(encoded[i] == input[i]);
    }
    require(defs::DecodeText(defs::EncodeText(decoded)).size() == decoded.size());

    (void)defs::HiveFromCode(decoded);
    (void)defs::ParseProcessLine(decoded, macros);
    if (auto r = defs::ParseRegistryLine(decoded, macros)) (void)r->itemText();
    (void)defs::ParseFileLine(decoded, macros);
    (void)defs::ParseFolderLine(decoded, macros);
    (void)defs::CookiePatternList(text::lines(decoded));
    std::vector<std::string> entries;
    for (const auto& line : text::lines(decoded))
        if (auto entry = defs::SafeEntryText(line, macros)) entries.push_back(*entry);
    defs::SafeList safe;
    safe.assign(entries);
    (void)safe.IsSafe(decoded);

    // The same bytes as whole files: streamed, linted and loaded as exclusions.
    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    files.addFile("C:\\x\\RegistryDefinition.dat", input);
    files.addFile("C:\\x\\ENoSignature.txt", decoded);
    std::ostringstream sink;
    for (auto kind : {defs::RecordKind::Process, defs::RecordKind::Registry, defs::RecordKind::File,
                      defs::RecordKind::Folder, defs::RecordKind::Cookie, defs::RecordKind::Safe})
        (void)defs::LintDefinitionFile(files, locale, macros, "C:\\x\\RegistryDefinition.dat", kind, true, sink);
    defs::ExclusionList exclusions(files, locale, "C:\\x\\ENoSignature.txt");
    exclusions.LoadExclusions();
    (void)exclusions.IsExcluded(decoded);
    (void)exclusions.IsFolderExcluded(decoded);
}

}  // namespace sorvane::fuzz
