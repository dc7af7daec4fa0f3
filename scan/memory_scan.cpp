#include "scan/memory_scan.h"

#include <cctype>
#include <utility>

#include "definitions/records.h"
#include "localization/messages.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "processes/process_stop.h"
#include "scan/company_name.h"
#include "scan/file_tests.h"
#include "processes/process_list.h"

namespace sorvane::scan {

namespace {

std::string& win9xDefinitions() {
    static std::string text;
    return text;
}

// The exit code a running process reports; the 9x stop ends the process with it.
constexpr std::uint32_t StillActive = 259;

// A scan stops what it finds; the shield's pass asks the user first.
bool scanMode(ScanSession& session) { return session.state.mode != ScanMode::ShieldPass; }

// A listed program the scan found running, and whether it stopped it.
void recordStoppedProcess(ScanSession& session, const std::string& path, const std::string& name, bool stopped,
                          bool win9x) {
    auto finding = Finding::at(FindingKind::Process, path);
    finding.summary = SummaryRow{StoppedProcessText(session, name, stopped, win9x), icon::File};
    session.record(std::move(finding));
}

void progress(ScanSession& session, std::string_view item) {
    auto& s = session.state;
    session.UpdateProgress(session.statusText(item), percentOf(s.memoryInspected, s.counts.exe),
                           percentOf(s.memoryInspected + s.counts.cookies, s.counts.total()));
}

std::string readNtDefinitionText(ScanSession& session, std::string& lastName);

// The NT definition text: "|" and every listed executable's full path, upper-cased, each followed by "|".
std::string ntDefinitionText(ScanSession& session, std::string& lastName) {
    // A scan counts and shows every line: it reads the file itself. The shield reads it again
    // only when its size or write time moved (a write time of 0 tells nothing: read at every pass).
    if (scanMode(session)) return readNtDefinitionText(session, lastName);
    const std::string path = session.definitionPath(definitions::ExeDefinitionFile);
    const auto entry = session.os.files.lookup(path);
    auto& kept = session.shieldDefinitionText;
    const bool known = entry && entry->lastWriteTime != 0 && kept.path == path && kept.size == entry->size &&
                       kept.lastWriteTime == entry->lastWriteTime;
    if (known) {
        lastName = kept.lastName;
        return kept.text;
    }
    std::string text = readNtDefinitionText(session, lastName);
    if (entry && entry->lastWriteTime != 0 && !text.empty())
        kept = {path, entry->size, entry->lastWriteTime, text, lastName};
    else
        kept = {};
    return text;
}

std::string readNtDefinitionText(ScanSession& session, std::string& lastName) {
    const auto& macros = session.macros();
    std::string text = "|";
    const auto outcome = session.forEachDefinitionLine(
        definitions::ExeDefinitionFile, [&] { return session.state.stopRequested; }, [&](const std::string& line) {
            if (auto def = definitions::ParseProcessLine(line, macros)) {
                lastName = def->name;
                text += def->path + "|";
                // A program listed in a folder that a 64-bit system has twice runs from either.
                if (macros.x86() && definitions::PathMacros::NamesTwinFolder(def->folder))
                    if (auto twin = definitions::ParseProcessLine(line, *macros.x86()); twin && twin->path != def->path)
                        text += twin->path + "|";
            }
            if (scanMode(session)) {
                ++session.state.memoryInspected;
                progress(session, lastName);
            }
            // Every line lets events in, but a look at the queue at most every few
            // milliseconds: a shield pass over thousands of lines stays cheap.
            session.host.yieldBetweenItems();
        });
    if (outcome == definitions::ReadOutcome::Missing || outcome == definitions::ReadOutcome::Stopped) return {};
    return text::toUpper(text);
}

// "\SystemRoot\System32\X.EXE" and the like become the real system folder's path, and
// "\SystemRoot\SysWOW64\X.EXE" the real 32-bit programs' one; the last of the two names decides.
std::string withSystemFolder(ScanSession& session, std::string path) {
    auto pos = std::string::npos;
    int folder = platform::csidl::System;
    for (const auto& [name, csidl] : {std::pair{std::string_view("SYSTEM32\\"), platform::csidl::System},
                                      std::pair{std::string_view("SYSWOW64\\"), platform::csidl::SystemX86}}) {
        for (auto at = text::findNoCase(path, name); at != std::string::npos; at = text::findNoCase(path, name, at + 1)) {
            if (pos != std::string::npos && at < pos) continue;
            pos = at;
            folder = csidl;
        }
    }
    if (pos == std::string::npos) return path;
    auto system = session.os.shell.specialFolder(folder);
    if (system.empty()) return path;
    return text::toUpper(platform::JoinPath(system, path.substr(pos + 9)));
}

void shieldAlert(ScanSession& session, ShieldAlerts& alerts, const std::string& company, const std::string& name,
                 const std::string& path, std::uint32_t id) {
    MemoryAlert alert;
    alert.companyLine =
        text::trim(company).empty() ? session.message("MSG_NOCOMPANY") + " " + name : text::toUpper(company);
    alert.fileLine = text::toUpper(name);
    alert.path = path;
    alert.processId = id;
    alerts.memoryAlert(alert);
}

// `alerts`: the shield's in a shield pass (the session's mode then says so too); none in a scan.
void scanNt(ScanSession& session, ShieldAlerts* alerts) {
    // A scan opens every process; the shield, every few seconds, only those started since its last pass.
    auto list = scanMode(session) ? processes::ListProcesses(session.os.processes, "", true)
                                  : session.shieldProcesses.list(session.os.processes);
    session.state.runningPrograms = static_cast<std::int32_t>(list.processes.size());
    session.observer().runningProgramsCounted(session.state.runningPrograms);
    std::string lastName;
    const std::string definitions = ntDefinitionText(session, lastName);

    for (const auto& process : list.processes) {
        ++session.state.memoryInspected;
        if (scanMode(session)) progress(session, lastName);
        if (session.state.stopRequested) return;

        // The path the listing read: the process is opened once, not again for its path.
        if (process.modulePath.empty()) continue;
        const std::string path = withSystemFolder(session, text::toUpper(text::trim(process.modulePath)));
        const std::string name = LastPathComponent(path);

        if (definitions.find("|" + path + "|") != std::string::npos) {
            // The listing may be old by now (an earlier alert can wait for minutes): a process
            // that has ended since, or whose id now runs another program, is not reported.
            if (session.os.processes.firstModulePath(process.id) != process.modulePath) continue;
            const std::string company = session.companyOf(path);
            if (IsMicrosoftCompany(company)) {
                // Microsoft's own programs are never stopped.
            } else if (session.isExcluded(name)) {
                session.recordExcluded(Finding::at(FindingKind::Process, path), name);
            } else if (!text::equalsNoCase(name, CompanionProgram)) {
                if (alerts == nullptr) {
                    bool stopped = processes::StopMatchedProcess(session.os.processes, session.host, process.id, name);
                    recordStoppedProcess(session, path, name, stopped, false);
                } else {
                    shieldAlert(session, *alerts, company, name, path, process.id);
                }
                ++session.state.threatsFound;
            }
        }
        // A scan shows every process; a shield pass only keeps the window answering.
        if (scanMode(session)) session.host.yield();
        else session.host.yieldBetweenItems();
    }
}

bool terminate9x(ScanSession& session, std::uint32_t id) {
    return session.os.processes.terminate(id, StillActive).ok();
}

void scan9x(ScanSession& session) {
    auto& definitions = win9xDefinitions();
    if (!definitions.empty()) {
        session.state.memoryInspected += static_cast<std::int32_t>(text::lines(definitions).size());
    } else {
        const auto outcome = session.forEachDefinitionLine(
            definitions::ExeDefinitionFile, [&] { return session.state.stopRequested; },
            [&](const std::string& line) {
                definitions += line + "\r\n";
                ++session.state.memoryInspected;
                if (scanMode(session)) progress(session, line);
                session.host.yieldBetweenItems();
            });
        if (outcome == definitions::ReadOutcome::Missing) return;
        if (outcome == definitions::ReadOutcome::Stopped) definitions.clear();
    }
    const std::string upper = text::toUpper(definitions);

    std::vector<platform::ProcessEntry> snapshot;
    if (!session.os.processes.snapshot(snapshot).ok()) return;
    for (const auto& entry : snapshot) {
        session.observer().runningProgramsCounted(++session.state.runningPrograms);
        std::string path = entry.path.substr(0, entry.path.find('\0'));
        const std::string name = text::toUpper(text::trim(LastPathComponent(path)));
        if (name.empty()) continue;

        // Only the first occurrence counts, and it must end its line.
        auto at = upper.find(name);
        bool match = false;
        if (at != std::string::npos) {
            auto end = upper.find("\r\n", at);
            match = text::trim(upper.substr(at, end == std::string::npos ? std::string::npos : end - at)) == name;
        }
        if (match && !IsMicrosoftCompany(session.companyOf(path))) {
            if (session.isExcluded(name)) {
                session.recordExcluded(Finding::at(FindingKind::Process, path), name);
            } else if (scanMode(session)) {
                bool stopped = terminate9x(session, entry.id);
                recordStoppedProcess(session, path, name, stopped, true);
                ++session.state.threatsFound;
            } else {
                auto question = session.message("MSG_FOUND1") + name + session.message("MSG_FOUND2") + name +
                                session.message("MSG_FOUND3");
                auto title = (session.app.productName ? session.app.productName() : std::string()) + "  - Alert";
                if (session.host.messageBox(question, title, ui::mb::YesNo | ui::mb::Question) == ui::Answer::Yes) {
                    (void)terminate9x(session, entry.id);
                    ++session.state.threatsFound;
                } else {
                    platform::TraceFailure(session.os.files.appendFile(session.definitionPath(definitions::ExclusionFile),
                                                                       text::trim(name) + "\r\n"),
                                           "adding an exclusion");
                }
            }
        }
        session.host.yield();
    }
}

}  // namespace

void ForgetWin9xDefinitions() { win9xDefinitions().clear(); }

std::string StoppedProcessText(ScanSession& session, std::string_view name, bool stopped, bool win9x) {
    const std::string text = session.message("MSG_DETECTED_MEMORY") + " " + std::string(name) + " ";
    // The catalogue capitalises its texts; these continue the sentence.
    if (stopped)
        return text + localization::lowerFirst(session.message(win9x ? "MSG_STOPPED_RUNNING9X" : "MSG_STOPPED_RUNNING"));
    return text + localization::lowerFirst(session.message("MSG_ERROR_STOPPED"));
}

namespace {

void scanMemory(ScanSession& session, ShieldAlerts* alerts) {
    switch (session.os.processes.version().platformId) {
    case 2: scanNt(session, alerts); break;
    case 1: scan9x(session); break;
    default: break;
    }
}

}  // namespace

void ScanMemory(ScanSession& session) {
    // The mode an earlier shield pass left is not this scan's: a scan stops what it finds.
    if (session.state.mode == ScanMode::ShieldPass) session.state.mode = ScanMode::UserScan;
    scanMemory(session, nullptr);
}

void ShieldMemoryPass(ScanSession& session, ShieldAlerts& alerts) {
    session.state.mode = ScanMode::ShieldPass;
    scanMemory(session, &alerts);
}

}  // namespace sorvane::scan
