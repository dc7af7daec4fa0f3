#include "scan/known_files_scan.h"

#include "platform/text.h"
#include "scan/company_name.h"
#include "scan/file_tests.h"

namespace sorvane::scan {

namespace {

struct Parsed {
    std::string name;
    std::string threat;
    std::string folder;
    std::string note;
    bool hasFolder = false;
};

// NAME=THREAT|FOLDER|NOTE with the folder's placeholders and macros expanded.
Parsed parse(ScanSession& session, const std::string& line, const std::string& driveRoot) {
    Parsed p;
    std::string head = line;
    if (line.find('|') != std::string::npos) {
        auto pieces = text::split(line, "|");
        head = pieces[0];
        p.hasFolder = true;
        std::string folder = text::replaceAll(pieces[1], "[drive]", driveRoot);
        p.folder = CollapseBackslashes(session.defs.expandPathMacros(folder));
        if (pieces.size() > 2) p.note = pieces[2];
    }
    auto elements = text::split(head, "=");
    p.name = text::trim(elements[0]);
    if (elements.size() > 1) p.threat = elements[1];
    return p;
}

void progress(ScanSession& session, std::string_view item) {
    auto& s = session.state;
    session.UpdateProgress(session.statusText(item),
                           percentOf(s.filesFoldersInspected, s.counts.file + s.counts.directory),
                           percentOf(s.filesFoldersInspected + s.counts.registry + s.counts.cookies + s.counts.exe,
                                     s.counts.total()));
}

void rememberMissing(ScanSession& session, const Parsed& p) {
    // Only plain names can be looked for elsewhere on the drives.
    if (p.name.empty() || p.name.find('\\') != std::string::npos) return;
    auto& list = session.view.lvwFileNotFounds;
    list.add(p.name);
    list.setSubItem(list.count() - 1, 1, p.threat);
    list.setSubItem(list.count() - 1, 2, p.note);
}

}  // namespace

void ScanKnownFiles(ScanSession& session) {
    std::vector<std::string> lines;
    if (!session.readDefinitionLines(files::File, lines)) return;
    const std::string driveRoot = session.defs.driveRoot();
    auto& state = session.state;
    for (const auto& line : lines) {
        if (state.stopRequested) return;
        auto p = parse(session, line, driveRoot);
        std::string path = p.folder.empty() ? p.name : CollapseBackslashes(p.folder + "\\" + p.name);

        ++state.filesFoldersInspected;
        progress(session, p.name);
        if (state.stopRequested) return;

        if (!FileExists(session.os.files, path)) {
            rememberMissing(session, p);
        } else if (!session.defs.isSafe(path)) {
            if (session.defs.isExcluded(path)) {
                session.addExcluded(path);
            } else if (!IsMicrosoftCompany(CompanyNameOf(session.os.files, path))) {
                session.reportFile(path, p.threat, p.note, icon::File);
            }
        }
        session.host.yield();
    }
}

void ScanKnownFolders(ScanSession& session) {
    std::vector<std::string> lines;
    if (!session.readDefinitionLines(files::Directory, lines)) return;
    const std::string driveRoot = session.defs.driveRoot();
    auto& state = session.state;
    for (const auto& line : lines) {
        if (state.stopRequested) return;
        if (line.find('|') == std::string::npos) continue;
        auto p = parse(session, line, driveRoot);
        std::string label;
        for (char c : p.name)
            if (c != '\r' && c != '\n' && c != '\t') label.push_back(c);
        const std::string& path = p.folder;

        ++state.filesFoldersInspected;
        progress(session, label);
        if (state.stopRequested) return;

        if (FolderExists(session.os.files, path) && !session.defs.isSafe(path)) {
            if (session.defs.isFolderExcluded(path)) session.addExcluded(path);
            else session.reportFile(path, p.threat, p.note, icon::Folder);
        }
        session.host.yield();
    }
}

}  // namespace sorvane::scan
