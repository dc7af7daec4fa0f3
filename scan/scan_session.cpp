#include "scan/scan_session.h"

#include <array>
#include <cmath>

#include "definitions/definition_files.h"
#include "platform/text.h"

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

ScanSession::ScanSession(platform::Platform& os_, ui::Host& host_, ScanView view_,
                         definitions::ExclusionList& exclusions_, AppAccess app_, ScanHooks hooks_,
                         std::string applicationFolder_)
    : os(os_), host(host_), view(view_), exclusions(exclusions_), app(std::move(app_)), hooks(std::move(hooks_)),
      applicationFolder(std::move(applicationFolder_)) {}

const definitions::PathMacros& ScanSession::macros() {
    if (!macros_) resolveMacros();
    return *macros_;
}

void ScanSession::resolveMacros() { macros_.emplace(os.shell); }

void ScanSession::loadSafeList() {
    (void)safeList.LoadSafeList(os.files, os.locale, definitionPath(definitions::SafetyFile), macros(),
                                [this] { return state.stopRequested; });
}

std::string ScanSession::definitionPath(std::string_view fileName) const {
    return definitions::DefinitionPath(applicationFolder, fileName);
}

bool ScanSession::readDefinitionLines(std::string_view fileName, std::vector<std::string>& lines) {
    lines.clear();
    auto outcome = definitions::forEachDefinitionLine(
        os.files, os.locale, definitionPath(fileName), {},
        [&](std::size_t, const std::string& line) { lines.push_back(line); });
    return outcome != definitions::ReadOutcome::Missing;
}

void ScanSession::countDefinitions() { state.counts = app::CountDefinitions(os.files, applicationFolder); }

std::string ScanSession::message(std::string_view key) const { return app.message ? app.message(key) : std::string(); }

std::string ScanSession::setting(std::string_view section, std::string_view key, std::string_view fallback) const {
    return app.readSetting ? app.readSetting(section, key, fallback) : std::string(fallback);
}

void ScanSession::freeze(bool frozen) { host.freezePainting(view.form, frozen); }

std::string ScanSession::statusText(std::string_view item) const {
    return state.phaseCaption + "\r\n" + std::string(item);
}

void ScanSession::UpdateProgress(std::string_view text, int phasePercent, int overallPercent) {
    if (++state.progressCalls < 100) return;
    state.progressCalls = 0;
    freeze(true);
    showCounters();
    view.lblStatus.setCaption(FilterStatusText(text));
    if (phasePercent >= 0) view.pb1.setValue(phasePercent);
    if (overallPercent >= 0) view.pb2.setValue(overallPercent);
    freeze(false);
}

void ScanSession::showCounters() {
    if (state.memoryPhaseOn) view.lblMemoryInspected.setCaption(std::to_string(state.memoryInspected));
    if (state.registryPhaseOn) view.lblRegistryInspected.setCaption(std::to_string(state.registryInspected));
    view.lblFilesFolderInspected.setCaption(std::to_string(state.filesFoldersInspected));
    view.lblSoftwareFound.setCaption(std::to_string(state.threatsFound));
    view.lblRemovePicSoftwareFound.setCaption(std::to_string(state.threatsFound));
}

void ScanSession::addSummary(std::string text, int smallIcon) { view.lvwSpywareFound.add(std::move(text), smallIcon); }

void ScanSession::addExcluded(std::string_view item) { addSummary("EXCLUDED: " + std::string(item), icon::Excluded); }

void ScanSession::addDetail(std::string text, int smallIcon, std::string location, std::string_view note) {
    auto& list = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    list.add(std::move(text), smallIcon);
    list.setSubItem(list.count() - 1, 1, std::move(location));
    // Only this line's note: a row never inherits another definition's note.
    list.setSubItem(list.count() - 1, 2, std::string(note));
}

void ScanSession::addTrace() {
    view.lbltracesFound.setCaption(std::to_string(tracesShown() + 1));
}

std::int32_t ScanSession::tracesShown() const {
    return static_cast<std::int32_t>(text::numericValue(view.lbltracesFound.caption()));
}

bool ScanSession::summaryHas(std::string_view prefix) const {
    return view.lvwSpywareFound.findTextStartingWith(prefix) >= 0;
}

void ScanSession::reportFile(const std::string& path, const std::string& threat, std::string_view note,
                             int smallIcon) {
    auto& work = view.lvwFilesToBeDeleted;
    work.add(path);
    work.setSubItem(work.count() - 1, 1, threat);
    addTrace();
    const std::string summary = threat + " - Found";
    if (summaryHas(summary)) return;
    addSummary(summary, smallIcon);
    addDetail(threat, smallIcon, path, note);
    ++state.threatsFound;
}

}  // namespace sorvane::scan
