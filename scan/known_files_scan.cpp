#include "scan/known_files_scan.h"

#include "definitions/records.h"
#include "platform/text.h"
#include "scan/company_name.h"
#include "scan/file_tests.h"

namespace sorvane::scan {

namespace {

void progress(ScanSession& session, std::string_view item) {
    auto& s = session.state;
    session.UpdateProgress(session.statusText(item),
                           percentOf(s.filesFoldersInspected, s.counts.file + s.counts.directory),
                           percentOf(s.filesFoldersInspected + s.counts.registry + s.counts.cookies + s.counts.exe,
                                     s.counts.total()));
}

// A listed file that is not at its usual place is looked for on the drives by a complete scan.
void rememberMissing(ScanSession& session, const definitions::FileDefinition& def) {
    auto name = LastPathComponent(def.name);
    if (name.empty()) return;
    auto& list = session.view.lvwFileNotFounds;
    list.add(name);
    list.setSubItem(list.count() - 1, 1, def.threat);
    list.setSubItem(list.count() - 1, 2, def.note);
}

}  // namespace

void ScanKnownFiles(ScanSession& session) {
    std::vector<std::string> lines;
    if (!session.readDefinitionLines(definitions::FileDefinitionFile, lines)) return;
    auto& state = session.state;
    const auto& macros = session.macros();
    for (const auto& line : lines) {
        if (state.stopRequested) return;
        auto def = definitions::ParseFileLine(line, macros);

        ++state.filesFoldersInspected;
        progress(session, def ? def->name : std::string());
        if (state.stopRequested) return;

        if (!def) {
            // Nothing to test.
        } else if (!FileExists(session.os.files, def->path)) {
            rememberMissing(session, *def);
        } else if (!session.isSafe(def->path)) {
            if (session.isExcluded(def->path)) {
                session.addExcluded(def->path);
            } else if (!IsMicrosoftCompany(CompanyNameOf(session.os.files, def->path))) {
                session.reportFile(def->path, def->threat, def->note, icon::File);
            }
        }
        session.host.yield();
    }
}

void ScanKnownFolders(ScanSession& session) {
    std::vector<std::string> lines;
    if (!session.readDefinitionLines(definitions::DirectoryDefinitionFile, lines)) return;
    auto& state = session.state;
    const auto& macros = session.macros();
    for (const auto& line : lines) {
        if (state.stopRequested) return;
        if (line.find('|') == std::string::npos) continue;
        auto def = definitions::ParseFolderLine(line, macros);

        ++state.filesFoldersInspected;
        progress(session, def ? def->label : std::string());
        if (state.stopRequested) return;

        if (def && FolderExists(session.os.files, def->path) && !session.isSafe(def->path)) {
            if (session.isFolderExcluded(def->path)) session.addExcluded(def->path);
            else session.reportFile(def->path, def->threat, def->note, icon::Folder);
        }
        session.host.yield();
    }
}

}  // namespace sorvane::scan
