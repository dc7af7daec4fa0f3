#include "scan/drive_list.h"

#include <optional>
#include <unordered_set>

#include "platform/limits.h"
#include "platform/text.h"
#include "app/quarantine_folder.h"
#include "scan/company_name.h"

namespace sorvane::scan {

namespace {

namespace attr = platform::attribute;
constexpr std::uint32_t Temporary = 0x100;
constexpr std::uint32_t ReparsePoint = 0x400;
constexpr std::uint32_t PlainFileKinds =
    attr::ReadOnly | attr::Hidden | attr::System | attr::Archive | attr::Normal | Temporary;
// A drive holds hundreds of thousands of entries: the window runs, and the status shows the
// entry being looked at, every so many entries and at most so often, not at every entry.
constexpr std::size_t EntriesBetweenYields = 64;
constexpr std::uint64_t StatusIntervalMs = 50;

struct Sweep {
    ScanSession& session;
    std::unordered_set<std::string> reported;  // lower-cased paths met by the sweep
    std::string quarantine;                                // the program's own quarantine folder
    std::string root;
    std::size_t topDone = 0;
    std::size_t topCount = 1;
    std::size_t entriesSinceYield = 0;
    std::optional<std::uint64_t> statusShownAt;  // none until the drive's first entry is shown

    void showPercent() {
        int percent = static_cast<int>(topDone * 100 / (topCount ? topCount : 1));
        session.observer().driveSweepProgress(percent, " Scanning  " + root + "    [ " + std::to_string(percent) +
                                                           "% Completed. ]");
    }

    void showStatus(const std::string& folder, const platform::ListedEntry& entry) {
        // The clock is read only now and then: at every entry it would cost more than the entry.
        if (statusShownAt && entriesSinceYield != 0) return;
        const std::uint64_t now = session.os.locale.tickMs();
        if (statusShownAt && now - *statusShownAt < StatusIntervalMs) return;
        statusShownAt = now;
        session.observer().statusChanged(platform::JoinPath(folder, entry.name));
    }

    void file(const std::string& folder, const platform::ListedEntry& entry) {
        // Hidden and system files count as absent, as at the usual places.
        if (!(entry.attributes & PlainFileKinds) || (entry.attributes & (attr::Hidden | attr::System))) return;
        if (entry.name.find('.') == std::string_view::npos) return;
        const MissingFile* missing = session.missingFiles.find(entry.name);
        if (!missing) return;
        const std::string path = platform::JoinPath(folder, entry.name);
        // A file the scan listed already, at its usual place or earlier in the sweep.
        if (session.findings.fileTraced(path) || !reported.insert(text::toLower(path)).second) return;
        if (session.isSafe(path)) return;
        if (session.isExcluded(path)) {
            session.recordExcluded(Finding::at(FindingKind::File, path), path);
            return;
        }
        if (IsMicrosoftCompany(session.companyOf(path))) return;
        session.reportFile(FindingKind::File, path, missing->threat, missing->note);
    }

    // One entry of `folder` (which ends with a backslash); its sub-folders are added to
    // `folders`. False once stopped.
    bool entry(const std::string& folder, const platform::ListedEntry& entry, std::size_t depth,
               std::vector<std::string>& folders) {
        if (++entriesSinceYield >= EntriesBetweenYields) {
            entriesSinceYield = 0;
            session.host.yieldBetweenItems();
        }
        if (session.state.stopRequested) return false;
        if (entry.name == "." || entry.name == "..") return true;
        showStatus(folder, entry);
        if (entry.isFolder()) {
            // The quarantine holds the only copies of what was removed: reporting them
            // would offer the backups for removal.
            std::string sub = platform::JoinPath(folder, entry.name);
            if (!(entry.attributes & ReparsePoint) && !text::equalsNoCase(sub, quarantine))
                folders.push_back(std::move(sub) + "\\");
        } else {
            file(folder, entry);
            if (depth == 0) ++topDone;
        }
        if (depth == 0) showPercent();
        return true;
    }

    // Files of a folder first, then its sub-folders in the order found. False once stopped.
    bool walk(const std::string& folder, std::size_t depth) {
        if (depth > limits::MaxFolderDepth) return true;
        std::vector<std::string> folders;
        if (depth == 0) {
            // The drive's root is read whole first: its count of entries is the progress bar's whole.
            std::vector<platform::DirectoryEntry> entries;
            if (!session.os.files.listFolder(folder, entries).ok()) return true;
            topCount = entries.size();
            for (const auto& listed : entries)
                if (!entry(folder, platform::ListedEntry::of(listed), depth, folders)) return false;
        } else {
            // Below it, each entry is looked at as it is read: nothing of a folder is kept
            // but its sub-folders.
            bool going = true;
            const auto listed = session.os.files.visitFolder(
                folder, [&](const platform::ListedEntry& met) { return going = entry(folder, met, depth, folders); });
            if (!going) return false;
            if (!listed.ok()) return true;
        }
        for (const auto& sub : folders) {
            if (!walk(sub, depth + 1)) return false;
            if (depth == 0) {
                ++topDone;
                showPercent();
            }
        }
        return true;
    }
};

}  // namespace

bool DriveIsReady(platform::FileSystem& files, std::string_view root) { return files.driveReady(root); }

std::vector<std::string> SweepableDrives(platform::FileSystem& files) {
    std::vector<std::string> letters;
    for (const auto& root : files.drives()) {
        bool listed = false;
        switch (files.driveType(root)) {
        case platform::DriveType::Removable:
        case platform::DriveType::Remote:
        case platform::DriveType::CdRom: listed = true; break;
        case platform::DriveType::Fixed: listed = DriveIsReady(files, root); break;
        default: break;
        }
        if (listed && !root.empty()) letters.push_back(root.substr(0, 1));
    }
    return letters;
}

void FillDriveList(ui::ListView& drives, platform::FileSystem& files) {
    for (const auto& letter : SweepableDrives(files)) drives.add(letter);
}

namespace {
bool storedTick(const SettingReader& read, const std::string& letter) {
    return text::booleanValue(read("Drives", letter, "True"), true);
}
}  // namespace

void LoadDriveTicks(ui::ListView& drives, const SettingReader& read) {
    for (std::size_t i = 0; i < drives.count(); ++i) drives.setChecked(i, storedTick(read, drives.item(i).text));
}

std::vector<std::string> TickedDrives(const ui::ListView& drives) {
    std::vector<std::string> letters;
    for (const auto& row : drives.items())
        if (row.checked) letters.push_back(row.text);
    return letters;
}

std::vector<std::string> StoredDriveTicks(platform::FileSystem& files, const SettingReader& read) {
    std::vector<std::string> letters;
    for (auto& letter : SweepableDrives(files))
        if (storedTick(read, letter)) letters.push_back(std::move(letter));
    return letters;
}

void SaveDriveTicks(const ui::ListView& drives, const SettingWriter& write) {
    for (const auto& row : drives.items()) write("Drives", row.text, text::boolText(row.checked));
}

bool CompleteScanChosen(ScanSession& session) {
    if (session.choices.complete) return *session.choices.complete;
    return text::booleanValue(session.setting("OptionAndSettings", "optScanAllSelectedHardDrive", "True"), true);
}

void SweepDrives(ScanSession& session) {
    if (session.state.stopRequested || session.missingFiles.empty()) return;
    Sweep sweep{session, {}, app::QuarantineFolderOf(session.applicationFolder), {}, 0, 1, 0, {}};

    auto& observer = session.observer();
    for (const auto& letter : session.choices.drives) {
        std::string root = letter.substr(0, 1) + ":\\";
        if (!DriveIsReady(session.os.files, root)) continue;
        observer.driveSweepStarted();
        sweep.root = root;
        sweep.topDone = 0;
        sweep.topCount = 1;
        sweep.statusShownAt.reset();
        sweep.showPercent();
        if (!sweep.walk(root, 0)) break;
    }
    observer.driveSweepEnded();
}

}  // namespace sorvane::scan
