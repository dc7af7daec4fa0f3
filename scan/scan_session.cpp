#include "scan/scan_session.h"

#include <array>
#include <cmath>

#include "definitions/definition_files.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "scan/company_name.h"

namespace sorvane::scan {

namespace {

// Words the status line never shows. The list repeats one word, as the classic table did,
// which only costs one more pass.
constexpr std::array<std::string_view, 42> FilteredWords{
    "fuck",     "shit",      "bitch",      "bastard",  "asshole",   "cunt",     "dickhead", "motherfucker",
    "bullshit", "wanker",    "twat",       "bollocks", "slut",      "whore",    "douchebag", "jackass",
    "dumbass",  "pissoff",   "goddamn",    "dipshit",  "shithead",  "arsehole", "bellend",  "tosser",
    "skank",    "dickwad",   "fuckwit",    "numbnuts", "cocksucker", "shitface", "retard",  "faggot",
    "nigger",   "spic",      "chink",      "kike",     "wetback",   "tranny",   "dyke",     "gook",
    "raghead",  "fuck"};

}  // namespace

std::string FilterStatusText(std::string_view text) {
    std::string out(text);
    for (auto word : FilteredWords) out = text::replaceAllNoCase(out, word, "");
    return out;
}

int percentOf(double part, double whole) {
    if (whole == 0) return -1;
    double value = std::round(part / whole * 100.0);
    // The classic figures are 16-bit; the bars clamp anything beyond their maximum.
    if (value > 32767) return 32767;
    if (value < -32768) return -32768;
    return static_cast<int>(value);
}

ScanSession::ScanSession(platform::Platform& os_, ui::Host& host_, ScanObserver& observer,
                         definitions::ExclusionList& exclusions_, AppAccess app_, ScanHooks hooks_,
                         std::string applicationFolder_)
    : os(os_), host(host_), exclusions(exclusions_), app(std::move(app_)), hooks(std::move(hooks_)),
      applicationFolder(std::move(applicationFolder_)), observer_(observer) {}

const definitions::PathMacros& ScanSession::macros() {
    if (!macros_) resolveMacros();
    return *macros_;
}

void ScanSession::resolveMacros() {
    macros_.emplace(os.shell);
    // A new scan or shield pass asks the registry's views anew too.
    registryViews_.reset();
}

void ScanSession::loadSafeList() {
    (void)safeList.LoadSafeList(os.files, os.locale, definitionPath(definitions::SafetyFile), macros(),
                                [this] { return state.stopRequested; });
}

std::string ScanSession::definitionPath(std::string_view fileName) const {
    return platform::JoinPath(applicationFolder, fileName);
}

bool ScanSession::readDefinitionLines(std::string_view fileName, std::vector<std::string>& lines) {
    lines.clear();
    auto outcome = definitions::forEachDefinitionLine(
        os.files, os.locale, definitionPath(fileName), {},
        [&](std::size_t, const std::string& line) { lines.push_back(line); });
    return outcome != definitions::ReadOutcome::Missing;
}

definitions::ReadOutcome ScanSession::forEachDefinitionLine(std::string_view fileName,
                                                           const definitions::StopPredicate& stop,
                                                           const std::function<void(const std::string&)>& onLine) {
    return definitions::forEachDefinitionLine(os.files, os.locale, definitionPath(fileName), stop,
                                              [&](std::size_t, const std::string& line) { onLine(line); });
}

bool ScanSession::forEachDefinitionBatch(std::string_view fileName,
                                         const std::function<bool(const std::vector<std::string>&)>& onBatch) {
    std::vector<std::string> batch;
    std::size_t bytes = 0;
    bool stopped = false;
    auto hand = [&] {
        if (!stopped && !batch.empty()) stopped = !onBatch(batch);
        batch.clear();
        bytes = 0;
    };
    const auto outcome = forEachDefinitionLine(fileName, [&] { return stopped; }, [&](const std::string& line) {
        bytes += line.size();
        batch.push_back(line);
        if (batch.size() >= limits::MaxLookaheadLines || bytes >= limits::MaxLookaheadBytes) hand();
    });
    hand();
    return outcome != definitions::ReadOutcome::Missing;
}

FolderListings& ScanSession::folderListings() {
    if (!folderListings_) folderListings_.emplace(os.files);
    return *folderListings_;
}

RegistryViews& ScanSession::registryViews() {
    if (!registryViews_) registryViews_.emplace(os.registry);
    return *registryViews_;
}

KeyListings& ScanSession::keyListings() {
    if (!keyListings_) keyListings_.emplace(os.registry);
    return *keyListings_;
}

std::string ScanSession::companyOf(std::string_view path) {
    if (!state.running) {
        // Outside a scan (the shields' passes) a file may change between two looks: the
        // answer holds while its size and last write time do.
        const auto entry = os.files.lookup(path);
        if (!entry) return CompanyNameOf(os.files, path);
        if (shieldCompanies_.size() >= limits::MaxRememberedCompanies) shieldCompanies_.clear();
        auto [known, fresh] = shieldCompanies_.try_emplace(text::toLower(path));
        if (fresh || known->second.size != entry->size || known->second.lastWriteTime != entry->lastWriteTime)
            known->second = KnownCompany{entry->size, entry->lastWriteTime, CompanyNameOf(os.files, path)};
        return known->second.company;
    }
    if (companies_.size() >= limits::MaxRememberedCompanies) companies_.clear();
    auto [it, fresh] = companies_.try_emplace(text::toLower(path));
    if (fresh) it->second = CompanyNameOf(os.files, path);
    return it->second;
}

void ScanSession::countDefinitions() {
    if (!progressBarsShown) {
        state.counts = {};
        return;
    }
    const bool counted = counted_.stamps[0].taken;
    const DefinitionCounts known = counted || !app.definitionCounts ? counted_ : app.definitionCounts();
    counted_ = app::RecountChangedDefinitions(os.files, applicationFolder, known);
    state.counts = counted_;
}

std::string ScanSession::message(std::string_view key) const { return app.message ? app.message(key) : std::string(); }

std::string ScanSession::setting(std::string_view section, std::string_view key, std::string_view fallback) const {
    return app.readSetting ? app.readSetting(section, key, fallback) : std::string(fallback);
}

std::string ScanSession::statusText(std::string_view item) const {
    return state.phaseCaption + "\r\n" + std::string(item);
}

void ScanSession::UpdateProgress(std::string_view text, int phasePercent, int overallPercent) {
    if (++state.progressCalls < 100) return;
    state.progressCalls = 0;
    observer().progressChanged({FilterStatusText(text), phasePercent, overallPercent, counters()});
}

ScanCounters ScanSession::counters() const {
    return {state.memoryInspected, state.registryInspected, state.filesFoldersInspected,
            state.threatsFound,    state.memoryPhaseOn,     state.registryPhaseOn};
}

void ScanSession::record(Finding finding) {
    observer().findingAdded(finding);
    findings.add(std::move(finding));
}

void ScanSession::recordExcluded(Finding finding, std::string_view item) {
    std::string text = "EXCLUDED: " + std::string(item);
    if (state.mode == ScanMode::ShieldPass && findings.excludedAlready(text)) return;
    finding.excluded = true;
    finding.summary = SummaryRow{std::move(text), icon::Excluded};
    record(std::move(finding));
}

void ScanSession::recordMissing(MissingFile file) {
    observer().fileMissing(file);
    missingFiles.add(std::move(file));
}

void ScanSession::reportFile(FindingKind kind, const std::string& path, const std::string& threat,
                             std::string_view note) {
    auto finding = Finding::at(kind, path);
    finding.threat = threat;
    finding.note = std::string(note);
    finding.trace = true;
    const std::string summary = threat + " - Found";
    if (!summaryHas(summary)) {
        const int shownAs = kind == FindingKind::Folder ? icon::Folder : icon::File;
        finding.summary = SummaryRow{summary, shownAs};
        finding.removal = RemovalRow{threat, path, std::string(note), shownAs};
        ++state.threatsFound;
    }
    record(std::move(finding));
}

}  // namespace sorvane::scan
