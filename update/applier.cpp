#include "update/applier.h"

#include <algorithm>
#include <unordered_set>

#include "definitions/encoding.h"
#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::update {
namespace {

enum FileIndex : std::size_t { File = 0, Exe, Registry, Cookies, Directory, Safety };

// Lines of a deletion pass, and records gathered, between two progress reports.
constexpr std::size_t LinesBetweenReports = 100;
constexpr std::size_t RecordsBetweenReports = 1000;

// Lower case of single-byte text: ASCII and the Latin-1 capitals of code page 1252.
std::string lowerSingleByte(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) c = static_cast<char>(u + 0x20);
    }
    return out;
}

// A payload's clear "|" and "=" in their encoded form, so that the text is fully encoded.
std::string encodeSeparators(std::string_view payload) {
    static const std::string bar = definitions::EncodeLine("|");
    static const std::string equals = definitions::EncodeLine("=");
    std::string out;
    out.reserve(payload.size());
    for (char c : payload) {
        if (c == '|') out += bar;
        else if (c == '=') out += equals;
        else out += c;
    }
    return out;
}

bool isBlank(std::string_view line) { return line.empty() || line == " "; }

}  // namespace

std::vector<UpdateRecord> ParseUpdateText(std::string_view input) {
    std::vector<UpdateRecord> records;
    // Lower-cased once: a case-blind search from every record's start would lower-case the
    // rest of the text each time, quadratic in the size of the update.
    const std::string lowered = text::toLower(input);
    std::size_t start = 0;
    while (start <= input.size() && records.size() < limits::MaxUpdateRecords) {
        std::size_t end = lowered.find("[br]", start);
        if (end == std::string_view::npos) end = input.size();
        const std::string record = text::trim(input.substr(start, end - start));
        start = end + 4;
        if (record.empty()) continue;
        const std::size_t def = record.find("[DEF]");
        const std::string header = record.substr(0, def);
        UpdateRecord r;
        if (def != std::string::npos) r.payload = record.substr(def + 5);
        const std::size_t bar = header.find('|');
        r.section = definitions::DecodeLine(header.substr(0, bar));
        if (bar != std::string::npos) r.action = header.substr(bar + 1);
        records.push_back(std::move(r));
    }
    return records;
}

bool EndsWithClosingRecord(std::string_view input) {
    std::size_t end = input.size();
    while (end > 0 && (input[end - 1] == ' ' || input[end - 1] == '\r' || input[end - 1] == '\n')) --end;
    const std::string_view tail = ClosingRecord.substr(4);  // "|END[DEF]": "[BR]" is matched in any letter case
    if (end < tail.size() || input.substr(end - tail.size(), tail.size()) != tail) return false;
    const std::size_t record = end - tail.size();
    return record == 0 || (record >= 4 && text::equalsNoCase(input.substr(record - 4, 4), "[BR]"));
}

bool SectionAccepted(std::size_t fileIndex, std::string_view section) {
    switch (fileIndex) {
        case File: return section == "FILE" || section == "EXE" || section == "DLL";
        case Exe: return section == "EXE";
        case Registry: return section == "REG";
        case Cookies: return section == "COOK";
        case Directory: return section == "DIR";
        case Safety: return section.find_first_of("sS") != std::string_view::npos;
        default: return false;
    }
}

namespace {

std::string writtenLineAsSent(std::size_t fileIndex, const UpdateRecord& record) {
    const std::string& payload = record.payload;
    switch (fileIndex) {
        case Registry: {
            // NAME=THREAT|HIVE^KEY|NOTE becomes the whole-key record HIVE^KEY^=THREAT|NOTE.
            const std::vector<std::string> parts = text::split(payload, "|");
            const std::string& p0 = parts[0];
            const std::string p1 = parts.size() > 1 ? parts[1] : std::string();
            const std::string p2 = parts.size() > 2 ? parts[2] : std::string();
            const std::size_t equals = p0.find('=');
            const std::string q1 = equals == std::string::npos ? std::string() : p0.substr(equals + 1);
            return encodeSeparators(p1) + definitions::EncodeLine("^=") + encodeSeparators(q1) +
                   definitions::EncodeLine("|") + encodeSeparators(p2);
        }
        case Cookies:
            // A cookie pattern is the text before "=", kept as it came.
            return payload.substr(0, payload.find('='));
        case Safety:
            return definitions::EncodeLine(record.section) + definitions::EncodeLine("|") + encodeSeparators(payload);
        default:
            return encodeSeparators(payload);
    }
}

}  // namespace

std::string WrittenLine(std::size_t fileIndex, const UpdateRecord& record) {
    // A line cannot hold a line end: one inside a record would split it into lines of its own.
    std::string line = writtenLineAsSent(fileIndex, record);
    std::erase_if(line, [](char c) { return c == '\r' || c == '\n'; });
    return line;
}

std::string ClearLineName(std::string_view clear) { return lowerSingleByte(clear.substr(0, clear.find('='))); }

std::string StoredLineName(std::string_view stored) { return ClearLineName(definitions::DecodeLine(stored)); }

std::string PayloadName(std::string_view payload) { return StoredLineName(encodeSeparators(payload)); }

FileUpdate UpdateFileContent(std::size_t fileIndex, std::string_view oldContent,
                             const std::vector<UpdateRecord>& records, bool customMode,
                             const DeletionProgress& progress) {
    FileUpdate result;
    std::string additions;
    // Names to delete; an addition withdraws its name. Looked up by hash, so that an update of
    // many deletions and additions stays linear in its size.
    std::unordered_set<std::string> deletions;
    std::size_t seen = 0;
    for (const UpdateRecord& record : records) {
        if (progress && ++seen % RecordsBetweenReports == 0) progress(0);
        if (!SectionAccepted(fileIndex, record.section)) continue;
        if (record.action == "ADD") {
            const std::string line = WrittenLine(fileIndex, record);
            additions += line;
            additions += "\r\n";
            ++result.added;
            if (!deletions.empty()) deletions.erase(StoredLineName(line));
        } else if (record.action == "DEL") {
            deletions.insert(PayloadName(record.payload));
        }
    }

    if (customMode) {
        result.content = std::move(additions);
        return result;
    }
    std::string content(oldContent);
    // An old file without a final line end would glue the first addition to its last line.
    if (!content.empty() && !additions.empty() && content.back() != '\n' && content.back() != '\r') content += "\r\n";
    content += additions;
    if (deletions.empty()) {
        result.content = std::move(content);
        return result;
    }

    result.deletionPass = true;
    const std::unordered_set<std::string>& names = deletions;
    std::string kept;
    kept.reserve(content.size());
    std::size_t read = 0;
    for (const std::string& line : text::lines(content)) {
        ++read;
        if (progress && read % LinesBetweenReports == 0) progress(read);
        if (isBlank(line) || names.count(StoredLineName(line)) != 0) continue;
        kept += line;
        kept += "\r\n";
    }
    result.content = std::move(kept);
    return result;
}

}  // namespace sorvane::update
