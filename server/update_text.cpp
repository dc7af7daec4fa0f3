#include "server/update_text.h"

#include <map>
#include <set>

#include "definitions/encoding.h"
#include "platform/text.h"
#include "update/applier.h"

namespace sorvane::server {
namespace {

enum FileIndex : std::size_t { File = 0, Exe, Registry, Cookies, Directory, Safety };

// Names compare as the client compares them.
std::string lowerName(std::string_view line) { return update::ClearLineName(line); }

std::string nameOf(std::string_view line) { return std::string(line.substr(0, line.find('='))); }

std::string encodePayload(std::string_view clear) {
    std::string out;
    out.reserve(clear.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i <= clear.size(); ++i) {
        if (i < clear.size() && clear[i] != '|' && clear[i] != '=') continue;
        out += definitions::EncodeLine(clear.substr(start, i - start));
        if (i < clear.size()) out += clear[i];
        start = i + 1;
    }
    return out;
}

struct Record {
    std::string section;
    std::string clearPayload;
};

class Builder {
public:
    void add(std::string section, std::string payload) { adds_.push_back({std::move(section), std::move(payload)}); }
    void del(std::string section, std::string payload) { dels_.push_back({std::move(section), std::move(payload)}); }
    void warn(std::string text) { warnings_.push_back(std::move(text)); }
    // Sends `line` of `file` as an addition, or says why it cannot be sent.
    void addLine(std::size_t file, const std::string& line, std::multiset<std::string>& addedByExe);

    UpdateText finish() {
        UpdateText result;
        std::vector<std::string> records;
        for (const Record& r : dels_) records.push_back(UpdateRecord(r.section, "DEL", r.clearPayload));
        for (const Record& r : adds_) records.push_back(UpdateRecord(r.section, "ADD", r.clearPayload));
        result.text = text::join(records, "[BR]");
        result.warnings = std::move(warnings_);
        
        return result;
    }

private:
    std::vector<Record> dels_;
    std::vector<Record> adds_;
    std::vector<std::string> warnings_;
};

bool isBlankLine(std::string_view line) { return line.empty() || line == " "; }

std::vector<std::string> nonBlank(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        if (!isBlankLine(line)) out.push_back(line);
    }
    return out;
}

// An addition as the client's writer turns it into the given line; false when no record
// produces that line.
bool additionFor(std::size_t file, const std::string& line, std::string& section, std::string& payload) {
    switch (file) {
        case File: section = "FILE"; payload = line; return true;
        case Exe: section = "EXE"; payload = line; return true;
        case Directory: section = "DIR"; payload = line; return true;
        case Cookies:
            // The writer keeps the text before "=": a pattern with "=" cannot be sent.
            if (line.find('=') != std::string::npos) return false;
            section = "COOK";
            payload = line;
            return true;
        case Registry: {
            // Only a whole-key line HIVE^KEY^=THREAT|NOTE can be written: from THREAT=THREAT|HIVE^KEY|NOTE.
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos || equals == 0 || line[equals - 1] != '^') return false;
            const std::string location = line.substr(0, equals - 1);
            const std::string rest = line.substr(equals + 1);
            const std::size_t bar = rest.find('|');
            const std::string threat = rest.substr(0, bar);
            const std::string note = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
            if (location.find('|') != std::string::npos || note.find('|') != std::string::npos ||
                threat.find('=') != std::string::npos) {
                return false;
            }
            section = "REG";
            payload = threat + "=" + threat + "|" + location + "|" + note;
            return true;
        }
        case Safety: {
            const std::size_t bar = line.find('|');
            if (bar == std::string::npos) return false;
            section = line.substr(0, bar);
            if (section.find_first_of("sS") == std::string::npos) return false;
            payload = line.substr(bar + 1);
            return true;
        }
        default: return false;
    }
}

void Builder::addLine(std::size_t file, const std::string& line, std::multiset<std::string>& addedByExe) {
    std::string section, payload;
    if (!additionFor(file, line, section, payload)) {
        warn(std::string(ClearFileNames[file]) + ": \"" + line + "\" cannot be sent as an addition");
        return;
    }
    add(std::move(section), std::move(payload));
    if (file == Exe) addedByExe.insert(line);
}

std::string deletionSection(std::size_t file, const std::string& line) {
    switch (file) {
        case File: return "FILE";
        case Exe: return "EXE";
        case Registry: return "REG";
        case Cookies: return "COOK";
        case Directory: return "DIR";
        default: return line.substr(0, line.find('|'));
    }
}

}  // namespace

std::string UpdateRecord(std::string_view section, std::string_view action, std::string_view clearPayload) {
    std::string record = definitions::EncodeLine(section);
    record += '|';
    record += action;
    record += "[DEF]";
    record += encodePayload(clearPayload);
    return record;
}

UpdateText MakeUpdateText(const DefinitionSet& from, const DefinitionSet& to) {
    Builder builder;
    std::multiset<std::string> addedByExe;  // lines an "EXE" addition also appends to the file list
    std::set<std::string> deletedByExe;     // names an "EXE" deletion also removes from it
    std::map<std::string, std::vector<std::string>> exeAddedByName;

    for (std::size_t file : {Exe, File, Registry, Cookies, Directory, Safety}) {
        const std::vector<std::string> oldLines = nonBlank(from.files[file]);
        const std::vector<std::string> newLines = nonBlank(to.files[file]);
        std::map<std::string, std::multiset<std::string>> oldByName, newByName;
        for (const std::string& line : oldLines) oldByName[lowerName(line)].insert(line);
        for (const std::string& line : newLines) newByName[lowerName(line)].insert(line);
        const std::string fileName(ClearFileNames[file]);
        if (file == File) {
            // The process pass is done: its additions by name, so that each name finds its own at once.
            for (const std::string& line : addedByExe) exeAddedByName[lowerName(line)].push_back(line);
        }

        for (const auto& [name, lines] : oldByName) {
            auto wanted = newByName.find(name);
            if (wanted == newByName.end()) {
                if (file == File && deletedByExe.count(name) != 0) continue;
                builder.del(deletionSection(file, *lines.begin()), nameOf(*lines.begin()));
                if (file == Exe) deletedByExe.insert(name);
                continue;
            }
            for (const std::string& line : lines) {
                if (wanted->second.count(line) < lines.count(line)) {
                    builder.warn(fileName + ": \"" + line +
                                 "\" cannot be withdrawn while other lines of its name stay; it is kept");
                    break;
                }
            }
        }
        for (const auto& [name, lines] : newByName) {
            auto had = oldByName.find(name);
            if (file == File && deletedByExe.count(name) != 0 && had != oldByName.end()) {
                // The "EXE" deletion takes this name's lines from the file list too; adding them back
                // withdraws it there, but the lines already present would have to be sent again.
                bool anyNew = false;
                for (const std::string& line : lines) anyNew = anyNew || had->second.count(line) == 0;
                if (!anyNew) {
                    builder.warn(fileName + ": the lines named \"" + name +
                                 "\" are removed with the process definition of that name");
                }
            }
            std::multiset<std::string> present = had == oldByName.end() ? std::multiset<std::string>() : had->second;
            if (file == File) {
                // An "EXE" addition lands in the file list as well; the publisher need not send it twice.
                auto added = exeAddedByName.find(name);
                if (added != exeAddedByName.end()) present.insert(added->second.begin(), added->second.end());
            }
            for (const std::string& line : lines) {
                auto found = present.find(line);
                if (found != present.end()) {
                    present.erase(found);
                    continue;
                }
                builder.addLine(file, line, addedByExe);
            }
        }
    }
    UpdateText result = builder.finish();
    // The client's own applier is the judge: whatever it would not turn into `to` is reported.
    for (std::string& mismatch : CheckUpdateText(from, to, result.text)) result.warnings.push_back(std::move(mismatch));
    return result;
}

UpdateText MakeFullText(const DefinitionSet& set) {
    Builder builder;
    std::multiset<std::string> addedByExe;
    for (std::size_t file : {Exe, File, Registry, Cookies, Directory, Safety}) {
        for (const std::string& line : nonBlank(set.files[file])) {
            if (file == File) {
                auto found = addedByExe.find(line);
                if (found != addedByExe.end()) {
                    addedByExe.erase(found);
                    continue;
                }
            }
            builder.addLine(file, line, addedByExe);
        }
    }
    return builder.finish();
}

std::string WithClosingRecord(std::string_view text) {
    std::string sent(text);
    sent += ClosingRecord;
    return sent;
}

std::string DestructiveDifference(const DefinitionSet& from, const DefinitionSet& to, double maxDeletedShare) {
    for (std::size_t file = 0; file < DefinitionFileCount; ++file) {
        const std::vector<std::string> oldLines = nonBlank(from.files[file]);
        const std::vector<std::string> newLines = nonBlank(to.files[file]);
        if (oldLines.empty()) continue;
        const std::string fileName(ClearFileNames[file]);
        if (newLines.empty()) {
            return fileName + " would lose all of its " + std::to_string(oldLines.size()) + " lines";
        }
        std::multiset<std::string> kept(newLines.begin(), newLines.end());
        std::size_t deleted = 0;
        for (const std::string& line : oldLines) {
            auto found = kept.find(line);
            if (found == kept.end()) ++deleted;
            else kept.erase(found);
        }
        if (deleted >= MinRefusedDeletions &&
            static_cast<double>(deleted) > maxDeletedShare * static_cast<double>(oldLines.size())) {
            return fileName + " would lose " + std::to_string(deleted) + " of its " +
                   std::to_string(oldLines.size()) + " lines";
        }
    }
    return {};
}

std::vector<std::string> CheckUpdateText(const DefinitionSet& from, const DefinitionSet& to, std::string_view text) {
    const std::vector<update::UpdateRecord> records = update::ParseUpdateText(text);
    std::multiset<std::string> exeAdded;  // clear lines that "EXE" additions put into every list
    for (const update::UpdateRecord& r : records) {
        if (r.action == "ADD" && update::SectionAccepted(Exe, r.section)) {
            exeAdded.insert(definitions::DecodeLine(update::WrittenLine(Exe, r)));
        }
    }
    std::vector<std::string> mismatches;
    for (std::size_t file = 0; file < DefinitionFileCount; ++file) {
        std::string stored;
        for (const std::string& line : from.files[file]) stored += definitions::EncodeLine(line) + "\r\n";
        const update::FileUpdate updated = update::UpdateFileContent(file, stored, records, false);
        std::multiset<std::string> got, wanted;
        for (const std::string& line : text::lines(updated.content)) {
            if (!isBlankLine(line)) got.insert(definitions::DecodeLine(line));
        }
        for (const std::string& line : to.files[file]) {
            if (!isBlankLine(line)) wanted.insert(line);
        }
        if (file == File) {
            for (const std::string& line : exeAdded) {
                auto extra = got.find(line);
                if (extra != got.end() && got.count(line) > wanted.count(line)) got.erase(extra);
            }
        }
        for (const std::string& line : got) {
            if (got.count(line) > wanted.count(line)) {
                mismatches.push_back(std::string(ClearFileNames[file]) + ": a client would keep or gain \"" + line + "\"");
                break;
            }
        }
        for (const std::string& line : wanted) {
            if (wanted.count(line) > got.count(line)) {
                mismatches.push_back(std::string(ClearFileNames[file]) + ": a client would lack \"" + line + "\"");
                break;
            }
        }
    }
    return mismatches;
}

}  // namespace sorvane::server
