#include "scan/known_files_scan.h"

#include <optional>

#include "definitions/records.h"
#include "platform/text.h"
#include "scan/company_name.h"
#include "scan/drive_list.h"
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
    auto& state = session.state;
    const auto& macros = session.macros();
    auto& listings = session.folderListings();
    listings.clear();
    // Only the drive sweep of a complete scan reads the list of files missing from their place.
    const bool sweep = CompleteScanChosen(session);
    std::vector<std::optional<definitions::FileDefinition>> defs;
    std::vector<std::string> paths;
    (void)session.forEachDefinitionBatch(definitions::FileDefinitionFile, [&](const auto& lines) {
        defs.clear();
        paths.clear();
        for (const auto& line : lines) {
            defs.push_back(definitions::ParseFileLine(line, macros));
            if (defs.back()) paths.push_back(defs.back()->path);
        }
        listings.plan(paths, {});
        for (const auto& def : defs) {
            if (state.stopRequested) return false;
            ++state.filesFoldersInspected;
            progress(session, def ? def->name : std::string());
            if (state.stopRequested) return false;

            if (!def) {
                // Nothing to test.
            } else if (!listings.fileExists(def->path)) {
                if (sweep) rememberMissing(session, *def);
            } else if (!session.isSafe(def->path)) {
                if (session.isExcluded(def->path)) {
                    session.addExcluded(def->path);
                } else if (!IsMicrosoftCompany(session.companyOf(def->path))) {
                    session.reportFile(def->path, def->threat, def->note, icon::File);
                }
            }
            session.host.yieldBetweenItems();
        }
        return true;
    });
}

void ScanKnownFolders(ScanSession& session) {
    auto& state = session.state;
    const auto& macros = session.macros();
    // The listings the files scan made stay good for the folders of the same scan.
    auto& listings = session.folderListings();
    std::vector<std::optional<definitions::FolderDefinition>> defs;
    std::vector<std::string> paths;
    (void)session.forEachDefinitionBatch(definitions::DirectoryDefinitionFile, [&](const auto& lines) {
        defs.clear();
        paths.clear();
        for (const auto& line : lines) {
            // A line without "|" is no folder definition: it is passed over uncounted.
            if (line.find('|') == std::string::npos) continue;
            defs.push_back(definitions::ParseFolderLine(line, macros));
            if (defs.back()) paths.push_back(defs.back()->path);
        }
        listings.plan({}, paths);
        for (const auto& def : defs) {
            if (state.stopRequested) return false;
            ++state.filesFoldersInspected;
            progress(session, def ? def->label : std::string());
            if (state.stopRequested) return false;

            if (def && listings.folderExists(def->path) && !session.isSafe(def->path)) {
                if (session.isFolderExcluded(def->path)) session.addExcluded(def->path);
                else session.reportFile(def->path, def->threat, def->note, icon::Folder);
            }
            session.host.yieldBetweenItems();
        }
        return true;
    });
    listings.clear();
}

}  // namespace sorvane::scan
