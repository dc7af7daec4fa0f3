#include "update/applier.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "definitions/encoding.h"
#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::update {
namespace {

enum FileIndex : std::size_t { File = 0, Exe, Registry, Cookies, Directory, Safety };

// Lines of a deletion pass, and records gathered, between two progress reports.
constexpr std::size_t LinesBetweenReports = 100;
constexpr std::size_t RecordsBetweenReports = 1000;

// Lower case of a single-byte code: ASCII and the Latin-1 capitals of code page 1252.
char lowerSingleByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return static_cast<char>(u + 0x20);
    return c;
}

// The clear code of one stored byte.
char decoded(char c) {
    int code = static_cast<unsigned char>(c) - definitions::DefinitionKey;
    if (code < 0) code += 255;
    return static_cast<char>(static_cast<unsigned char>(code));
}

// The lower-cased clear code of every stored byte; `separatorsClear` keeps "|" and "=" as
// they are (a payload as sent). Lower-casing never makes or unmakes an "=".
using NameTable = std::array<char, 256>;
NameTable nameTable(bool separatorsClear) {
    NameTable table{};
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        table[static_cast<std::size_t>(code)] = separatorsClear && (c == '|' || c == '=') ? c : lowerSingleByte(decoded(c));
    }
    return table;
}

// Writes into `name` the lower-cased clear text of `line` before its first clear "=". The
// buffer is reused, so that naming many lines allocates nothing.
void lineName(std::string_view line, bool separatorsClear, std::string& name) {
    static const NameTable stored = nameTable(false), sent = nameTable(true);
    const NameTable& table = separatorsClear ? sent : stored;
    name.resize(line.size());
    char* out = name.data();
    for (char c : line) {
        const char clear = table[static_cast<unsigned char>(c)];
        if (clear == '=') break;
        *out++ = clear;
    }
    name.resize(static_cast<std::size_t>(out - name.data()));
}

// Appends a payload with its clear "|" and "=" in their encoded form, so that the text is fully
// encoded. Each is one byte either way.
void appendEncodedSeparators(std::string& out, std::string_view payload) {
    static const char bar = definitions::EncodeLine("|")[0];
    static const char equals = definitions::EncodeLine("=")[0];
    const std::size_t start = out.size();
    out.resize(start + payload.size());
    char* to = out.data() + start;
    for (char c : payload) *to++ = c == '|' ? bar : c == '=' ? equals : c;
}

bool isBlank(std::string_view line) { return line.empty() || line == " "; }

// The text with the spaces at both ends cut off.
std::string_view trimSpaces(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Where the next "[BR]" in any letter case starts, at or after `from`; npos without one.
std::size_t findRecordBreak(std::string_view text, std::size_t from) {
    for (std::size_t at = text.find('[', from); at != std::string_view::npos; at = text.find('[', at + 1)) {
        if (at + 4 <= text.size() && (text[at + 1] | 0x20) == 'b' && (text[at + 2] | 0x20) == 'r' && text[at + 3] == ']')
            return at;
    }
    return std::string_view::npos;
}

// A set of line names for the deletion pass, open addressing over one buffer of names: an
// update of many deletions tests every line of a file against it, and a node-based set spends
// most of that time on allocation and on misses of the processor's cache. A slot is 8 bytes
// (part of the name's hash and which name it holds), so that the table stays small.
class NameSet {
public:
    bool empty() const { return size_ == 0; }

    void insert(std::string_view name) {
        if ((used_ + 1) * 2 > slots_.size()) grow();
        const std::uint64_t hash = hashOf(name);
        Slot& slot = slots_[probe(name, hash)];
        if (slot.entry != Slot::Free && (slot.entry & Slot::Removed) == 0) return;
        if (slot.entry == Slot::Free) ++used_;
        slot = {tagOf(hash), static_cast<std::uint32_t>(entries_.size() + 1)};
        entries_.push_back({names_.size(), name.size()});
        names_ += name;
        ++size_;
    }

    void erase(std::string_view name) {
        if (size_ == 0) return;
        Slot& slot = slots_[probe(name, hashOf(name))];
        if (slot.entry == Slot::Free) return;
        slot.entry |= Slot::Removed;
        --size_;
    }

    bool contains(std::string_view name) const {
        return size_ != 0 && slots_[probe(name, hashOf(name))].entry != Slot::Free;
    }

private:
    struct Slot {
        static constexpr std::uint32_t Free = 0, Removed = 0x80000000u;
        std::uint32_t tag = 0;       // the high bits of the name's hash
        std::uint32_t entry = Free;  // 1 + the index of its name in entries_, Removed set once erased
    };
    struct Entry {
        std::size_t offset, length;
    };

    static std::uint64_t hashOf(std::string_view name) { return std::hash<std::string_view>{}(name); }
    static std::uint32_t tagOf(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

    // The slot of the present `name`, or else the free one its search ends at. A removed
    // name's slot stays taken, so that the names probed past it are still found.
    std::size_t probe(std::string_view name, std::uint64_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        const std::uint32_t tag = tagOf(hash);
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.entry == Slot::Free) return i;
            if (slot.tag != tag || (slot.entry & Slot::Removed) != 0) continue;
            const Entry& entry = entries_[slot.entry - 1];
            if (std::string_view(names_).substr(entry.offset, entry.length) == name) return i;
        }
    }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(std::max<std::size_t>(64, old.size() * 2), Slot{});
        used_ = 0;
        for (const Slot& slot : old) {
            if (slot.entry == Slot::Free || (slot.entry & Slot::Removed) != 0) continue;
            const Entry& entry = entries_[slot.entry - 1];
            const std::size_t mask = slots_.size() - 1;
            std::size_t i = hashOf(std::string_view(names_).substr(entry.offset, entry.length)) & mask;
            while (slots_[i].entry != Slot::Free) i = (i + 1) & mask;
            slots_[i] = slot;
            ++used_;
        }
    }

    std::vector<Slot> slots_;
    std::vector<Entry> entries_;
    std::string names_;
    std::size_t size_ = 0;  // names present
    std::size_t used_ = 0;  // slots present or removed
};

// Calls `each` with every line of `content`, split at CR LF, LF or CR; a final line end adds no empty line.
template <typename Each>
void forEachLine(std::string_view content, Each&& each) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\r' && content[i] != '\n') continue;
        each(content.substr(start, i - start));
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < content.size()) each(content.substr(start));
}

}  // namespace

std::vector<UpdateRecord> ParseUpdateText(std::string_view input) {
    std::vector<UpdateRecord> records;
    // Every record but the last ends at a "[BR]" and holds a "[DEF]": about one record a pair of "[".
    records.reserve(std::min<std::size_t>(static_cast<std::size_t>(std::count(input.begin(), input.end(), '[')) / 2 + 1,
                                          limits::MaxUpdateRecords));
    std::size_t start = 0;
    while (start <= input.size() && records.size() < limits::MaxUpdateRecords) {
        std::size_t end = findRecordBreak(input, start);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view record = trimSpaces(input.substr(start, end - start));
        start = end + 4;
        if (record.empty()) continue;
        const std::size_t def = record.find("[DEF]");
        const std::string_view header = record.substr(0, def);
        UpdateRecord& r = records.emplace_back();
        if (def != std::string_view::npos) r.payload = record.substr(def + 5);
        const std::size_t bar = header.find('|');
        r.section = definitions::DecodeLine(header.substr(0, bar));
        if (bar != std::string_view::npos) r.action = header.substr(bar + 1);
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

// The `index`-th piece of `s` split at "|"; empty past the last one.
std::string_view barPiece(std::string_view s, std::size_t index) {
    std::size_t start = 0;
    for (; index > 0; --index) {
        const std::size_t bar = s.find('|', start);
        if (bar == std::string_view::npos) return {};
        start = bar + 1;
    }
    return s.substr(start, s.find('|', start) - start);
}

void appendWrittenLineAsSent(std::string& out, std::size_t fileIndex, const UpdateRecord& record) {
    const std::string_view payload = record.payload;
    switch (fileIndex) {
        case Registry: {
            // NAME=THREAT|HIVE^KEY|NOTE becomes the whole-key record HIVE^KEY^=THREAT|NOTE.
            static const std::string keyEnd = definitions::EncodeLine("^=");
            static const std::string bar = definitions::EncodeLine("|");
            const std::string_view p0 = barPiece(payload, 0);
            const std::size_t equals = p0.find('=');
            appendEncodedSeparators(out, barPiece(payload, 1));
            out += keyEnd;
            if (equals != std::string_view::npos) appendEncodedSeparators(out, p0.substr(equals + 1));
            out += bar;
            appendEncodedSeparators(out, barPiece(payload, 2));
            return;
        }
        case Cookies:
            // A cookie pattern is the text before "=", kept as it came.
            out += payload.substr(0, payload.find('='));
            return;
        case Safety:
            out += definitions::EncodeLine(record.section);
            out += definitions::EncodeLine("|");
            appendEncodedSeparators(out, payload);
            return;
        default:
            appendEncodedSeparators(out, payload);
    }
}

// Appends the stored line an "ADD" record writes and returns where it starts in `out`.
std::size_t appendWrittenLine(std::string& out, std::size_t fileIndex, const UpdateRecord& record) {
    const std::size_t start = out.size();
    appendWrittenLineAsSent(out, fileIndex, record);
    // A line cannot hold a line end: one inside a record would split it into lines of its own.
    const auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
    if (std::find_if(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), lineEnd) != out.end()) {
        out.erase(std::remove_if(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), lineEnd), out.end());
    }
    return start;
}

}  // namespace

std::string WrittenLine(std::size_t fileIndex, const UpdateRecord& record) {
    std::string line;
    appendWrittenLine(line, fileIndex, record);
    return line;
}

std::string ClearLineName(std::string_view clear) {
    std::string name(clear.substr(0, clear.find('=')));
    for (char& c : name) c = lowerSingleByte(c);
    return name;
}

std::string StoredLineName(std::string_view stored) {
    std::string name;
    lineName(stored, false, name);
    return name;
}

std::string PayloadName(std::string_view payload) {
    std::string name;
    lineName(payload, true, name);
    return name;
}

FileUpdate UpdateFileContent(std::size_t fileIndex, std::string_view oldContent,
                             const std::vector<UpdateRecord>& records, bool customMode,
                             const DeletionProgress& progress) {
    FileUpdate result;
    std::string additions;
    // Names to delete; an addition withdraws its name. Looked up by hash, so that an update of
    // many deletions and additions stays linear in its size.
    NameSet deletions;
    std::string name;  // reused for every line's name
    std::size_t seen = 0;
    for (const UpdateRecord& record : records) {
        if (progress && ++seen % RecordsBetweenReports == 0) progress(0);
        if (!SectionAccepted(fileIndex, record.section)) continue;
        if (record.action == "ADD") {
            const std::size_t start = appendWrittenLine(additions, fileIndex, record);
            if (!deletions.empty()) {
                lineName(std::string_view(additions).substr(start), false, name);
                deletions.erase(name);
            }
            additions += "\r\n";
            ++result.added;
        } else if (record.action == "DEL") {
            lineName(record.payload, true, name);
            deletions.insert(name);
        }
    }

    if (customMode) {
        result.content = std::move(additions);
        return result;
    }
    if (deletions.empty()) {
        std::string content;
        content.reserve(oldContent.size() + 2 + additions.size());
        content += oldContent;
        // An old file without a final line end would glue the first addition to its last line.
        if (!content.empty() && !additions.empty() && content.back() != '\n' && content.back() != '\r') content += "\r\n";
        content += additions;
        result.content = std::move(content);
        return result;
    }

    // Every line of the old file and then every addition (which hold no line end of their own),
    // without the blank ones and those of a deleted name.
    result.deletionPass = true;
    std::string kept;
    kept.reserve(oldContent.size() + additions.size() + 2);
    std::size_t read = 0;
    const auto keep = [&](std::string_view line) {
        ++read;
        if (progress && read % LinesBetweenReports == 0) progress(read);
        if (isBlank(line)) return;
        lineName(line, false, name);
        if (deletions.contains(name)) return;
        kept += line;
        kept += "\r\n";
    };
    forEachLine(oldContent, keep);
    forEachLine(additions, keep);
    result.content = std::move(kept);
    return result;
}

}  // namespace sorvane::update
