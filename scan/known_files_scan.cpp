#include "scan/known_files_scan.h"

#include <optional>
#include <vector>

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
    session.recordMissing({std::move(name), def.threat, def.note});
}

// A line parsed with the native folders and, where it names a folder that a 64-bit system has
// twice, with the 32-bit programs' one: each place is tested, and a hit reported where it is.
template <typename Definition, typename Parse>
void parseInBoth(std::vector<std::vector<Definition>>& defs, std::vector<std::string>& paths,
                 const definitions::PathMacros& macros, const std::string& line, const Parse& parse) {
    auto& places = defs.emplace_back();
    if (auto def = parse(line, macros)) places.push_back(std::move(*def));
    if (places.empty() || !macros.x86() || !definitions::PathMacros::NamesTwinFolder(line)) {
        for (const auto& place : places) paths.push_back(place.path);
        return;
    }
    if (auto twin = parse(line, *macros.x86()); twin && !text::equalsNoCase(twin->path, places.front().path))
        places.push_back(std::move(*twin));
    for (const auto& place : places) paths.push_back(place.path);
}

}  // namespace

void ScanKnownFiles(ScanSession& session) {
    auto& state = session.state;
    const auto& macros = session.macros();
    auto& listings = session.folderListings();
    listings.clear();
    // Only the drive sweep of a complete scan reads the list of files missing from their place.
    const bool sweep = CompleteScanChosen(session);
    std::vector<std::vector<definitions::FileDefinition>> defs;
    std::vector<std::string> paths;
    const auto parse = [](const std::string& line, const definitions::PathMacros& m) {
        return definitions::ParseFileLine(line, m);
    };
    (void)session.forEachDefinitionBatch(definitions::FileDefinitionFile, [&](const auto& lines) {
        defs.clear();
        paths.clear();
        for (const auto& line : lines) parseInBoth(defs, paths, macros, line, parse);
        listings.plan(paths, {});
        for (const auto& places : defs) {
            if (state.stopRequested) return false;
            ++state.filesFoldersInspected;
            progress(session, places.empty() ? std::string() : places.front().name);
            if (state.stopRequested) return false;

            bool anywhere = false;
            for (const auto& def : places) {
                if (!listings.fileExists(def.path)) continue;
                anywhere = true;
                if (session.isSafe(def.path)) continue;
                if (session.isExcluded(def.path)) {
                    session.recordExcluded(Finding::at(FindingKind::File, def.path), def.path);
                } else if (!IsMicrosoftCompany(session.companyOf(def.path))) {
                    session.reportFile(FindingKind::File, def.path, def.threat, def.note);
                }
            }
            if (!places.empty() && !anywhere && sweep) rememberMissing(session, places.front());
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
    std::vector<std::vector<definitions::FolderDefinition>> defs;
    std::vector<std::string> paths;
    const auto parse = [](const std::string& line, const definitions::PathMacros& m) {
        return definitions::ParseFolderLine(line, m);
    };
    (void)session.forEachDefinitionBatch(definitions::DirectoryDefinitionFile, [&](const auto& lines) {
        defs.clear();
        paths.clear();
        for (const auto& line : lines) {
            // A line without "|" is no folder definition: it is passed over uncounted.
            if (line.find('|') == std::string::npos) continue;
            parseInBoth(defs, paths, macros, line, parse);
        }
        listings.plan({}, paths);
        for (const auto& places : defs) {
            if (state.stopRequested) return false;
            ++state.filesFoldersInspected;
            progress(session, places.empty() ? std::string() : places.front().label);
            if (state.stopRequested) return false;

            for (const auto& def : places) {
                if (!listings.folderExists(def.path) || session.isSafe(def.path)) continue;
                if (session.isFolderExcluded(def.path))
                    session.recordExcluded(Finding::at(FindingKind::Folder, def.path), def.path);
                else session.reportFile(FindingKind::Folder, def.path, def.threat, def.note);
            }
            session.host.yieldBetweenItems();
        }
        return true;
    });
    listings.clear();
}

}  // namespace sorvane::scan
