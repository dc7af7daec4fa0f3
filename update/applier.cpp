#include "update/applier.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>

#include "definitions/encoding.h"
#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::update {
namespace {

enum FileIndex : std::size_t { File = 0, Exe, Registry, Cookies, Directory, Safety };

// Lines of a deletion pass, and records gathered, between two progress reports.
constexpr std::size_t LinesBetweenReports = 100;
constexpr std::size_t RecordsBetweenReports = 1000;
// What a written line can have beyond its payload and section (the registry form's "^=" and
// "|", or Safety's "|"), with its CR LF.
constexpr std::size_t WrittenLineOverhead = 5;

// Lower case of a single-byte code: ASCII and the Latin-1 capitals of code page 1252.
char lowerSingleByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return static_cast<char>(u + 0x20);
    return c;
}

// Where the first byte `a` or `b` at or after `from` stands; the size of `text` without one.
// Tests eight bytes a step: the lines and names of a large update are many and long.
std::size_t findEither(std::string_view text, std::size_t from, char a, char b) {
    const char* at = text.data() + from;
    const char* const end = text.data() + text.size();
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
        const std::uint64_t allA = ones * static_cast<unsigned char>(a), allB = ones * static_cast<unsigned char>(b);
        for (; end - at >= 8; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, at, 8);
            const std::uint64_t isA = word ^ allA, isB = word ^ allB;
            // The lowest byte flagged is the first match; flags above it may be false.
            const std::uint64_t found = (((isA - ones) & ~isA) | ((isB - ones) & ~isB)) & highs;
            if (found != 0) return static_cast<std::size_t>(at - text.data()) + std::countr_zero(found) / 8;
        }
    }
    for (; at != end; ++at) {
        if (*at == a || *at == b) break;
    }
    return static_cast<std::size_t>(at - text.data());
}

std::size_t findLineEnd(std::string_view content, std::size_t from) { return findEither(content, from, '\r', '\n'); }

// The lower-cased clear code of one stored byte: the shift of definitions::DecodeLine, then
// lowerSingleByte. Written as arithmetic rather than a table look-up, so that the compiler can
// name a line sixteen bytes a step.
inline unsigned char clearLower(unsigned char stored) {
    const auto clear = static_cast<unsigned char>(stored >= definitions::DefinitionKey
                                                      ? stored - definitions::DefinitionKey
                                                      : stored + 255 - definitions::DefinitionKey);
    const bool capital = static_cast<unsigned char>(clear - 'A') < 26 ||
                         (static_cast<unsigned char>(clear - 0xC0) < 0x1F && clear != 0xD7);
    return static_cast<unsigned char>(clear + (capital ? 0x20 : 0));
}

// Names `length` bytes in place; `separatorsClear` keeps a clear "|" (a payload as sent).
template <bool SeparatorsClear>
void nameInPlace(char* at, std::size_t length) {
    auto* bytes = reinterpret_cast<unsigned char*>(at);
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = bytes[i];
        const unsigned char clear = clearLower(c);
        bytes[i] = SeparatorsClear && c == '|' ? c : clear;
    }
}

// Appends to `names` the lower-cased clear text of `line` before its first clear "=" and
// returns its length. Names are gathered in one buffer, so that naming many lines allocates
// next to nothing.
std::size_t appendLineName(std::string_view line, bool separatorsClear, std::string& names) {
    // The only stored byte whose clear code is "=", and in a payload as sent the clear one too.
    static const char storedEquals = definitions::EncodeLine("=")[0];
    const std::size_t length = findEither(line, 0, storedEquals, separatorsClear ? '=' : storedEquals);
    const std::size_t start = names.size();
    names.append(line.data(), length);
    if (separatorsClear) nameInPlace<true>(names.data() + start, length);
    else nameInPlace<false>(names.data() + start, length);
    return length;
}


// Appends a payload with its clear "|" and "=" in their encoded form, so that the text is fully
// encoded. Each is one byte either way.
void appendEncodedSeparators(std::string& out, std::string_view payload) {
    static const char bar = definitions::EncodeLine("|")[0];
    static const char equals = definitions::EncodeLine("=")[0];
    const std::size_t start = out.size();
    out += payload;
    char* const end = out.data() + out.size();  // taken first, as in appendLineName
    for (char* at = out.data() + start; at != end; ++at) *at = *at == '|' ? bar : *at == '=' ? equals : *at;
}

bool isBlank(std::string_view line) { return line.empty() || line == " "; }

// The text with the spaces at both ends cut off.
std::string_view trimSpaces(std::string_view s) {
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Where the next "[BR]" in any letter case starts, at or after `from` (npos without one), and
// in `def` where the first "[DEF]" before it starts (npos without one): one look at every "["
// finds both.
std::size_t findRecordBreak(std::string_view text, std::size_t from, std::size_t& def) {
    def = std::string_view::npos;
    for (std::size_t at = text.find('[', from); at != std::string_view::npos; at = text.find('[', at + 1)) {
        if (at + 4 <= text.size() && (text[at + 1] | 0x20) == 'b' && (text[at + 2] | 0x20) == 'r' && text[at + 3] == ']')
            return at;
        if (def == std::string_view::npos && text.substr(at, 5) == "[DEF]") def = at;
    }
    return std::string_view::npos;
}

// The hash of a name, eight bytes a step. Names are short and many: a general hash called out
// of line would cost as much as the rest of naming a line.
std::uint32_t nameHash(std::string_view name) {
    constexpr std::uint64_t multiplier = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = name.size() * multiplier;
    const char* at = name.data();
    std::size_t left = name.size();
    for (; left >= 8; left -= 8, at += 8) {
        std::uint64_t word;
        std::memcpy(&word, at, 8);
        hash = (hash ^ word) * multiplier;
        hash ^= hash >> 29;
    }
    // The last bytes by whole loads (overlapping bytes already taken): a load of bytes just stored
    // one by one would wait for them.
    const auto load = [](const char* from, std::size_t size) {
        std::uint64_t value = 0;
        std::memcpy(&value, from, size);
        return value;
    };
    std::uint64_t word = 0;
    if (name.size() >= 8) word = load(name.data() + name.size() - 8, 8);
    else if (left >= 4) word = load(at, 4) | load(at + left - 4, 4) << 32;
    else if (left > 0) word = load(at, 1) | load(at + left / 2, 1) << 8 | load(at + left - 1, 1) << 16;
    hash = (hash ^ word) * multiplier;
    hash ^= hash >> 32;
    hash *= 0xBF58476D1CE4E5B9u;
    return static_cast<std::uint32_t>(hash ^ (hash >> 31));
}

// A set of line names for the deletion pass, open addressing over names kept by the caller: an
// update of many deletions tests every line of a file against it, and a node-based set spends
// most of that time on allocation and on misses of the processor's cache. A slot holds the
// name's hash, so that a search reads no other name and the table grows without reading any,
// and where the name is, so that a match costs one more read. Callers that know the hashes of
// names to come fetch their slots ahead (prefetch), hiding the wait for memory.
class NameSet {
public:
    bool empty() const { return size_ == 0; }

    // Empties the set, with room for `names` insertions without growing; the slots it had are
    // reused when they are enough.
    void reset(std::size_t names) {
        std::size_t slots = 64;
        while (slots < names * 2) slots *= 2;
        slots_.assign(slots, Slot{});
        size_ = used_ = 0;
    }

    // The name must stay where it is while the set holds it.
    void insert(std::string_view name, std::uint32_t hash) {
        if ((used_ + 1) * 2 > slots_.size()) rehash(std::max<std::size_t>(64, slots_.size() * 2));
        Slot& slot = slots_[probe(name, hash)];
        if (slot.name != nullptr) return;
        slot = {name.data(), static_cast<std::uint32_t>(name.size()), hash};
        ++used_;
        ++size_;
    }

    void erase(std::string_view name, std::uint32_t hash) {
        if (size_ == 0) return;
        Slot& slot = slots_[probe(name, hash)];
        if (slot.name == nullptr) return;
        slot.name = removed();
        --size_;
    }

    bool contains(std::string_view name, std::uint32_t hash) const {
        return size_ != 0 && slots_[probe(name, hash)].name != nullptr;
    }

    void prefetch(std::uint32_t hash) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
    }

private:
    struct Slot {
        const char* name = nullptr;  // null while free; removed() once erased
        std::uint32_t length = 0;
        std::uint32_t hash = 0;
    };

    // Where an erased name's slot points: it stays taken, so that the names probed past it are still found.
    static const char* removed() {
        static const char mark = 0;
        return &mark;
    }

    // The slot of the present `name`, or else the free one its search ends at.
    std::size_t probe(std::string_view name, std::uint32_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.name == nullptr) return i;
            if (slot.hash == hash && slot.length == name.size() && slot.name != removed() &&
                std::memcmp(slot.name, name.data(), name.size()) == 0)
                return i;
        }
    }

    void rehash(std::size_t slots) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(slots, Slot{});
        used_ = 0;
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.name == nullptr || slot.name == removed()) continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].name != nullptr) i = (i + 1) & mask;
            slots_[i] = slot;
            ++used_;
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;  // names present
    std::size_t used_ = 0;  // slots present or removed
};

// Calls `each` with every line of `content`, split at CR LF, LF or CR; a final line end adds no empty line.
template <typename Each>
void forEachLine(std::string_view content, Each&& each) {
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t i = findLineEnd(content, start);
        each(content.substr(start, i - start));
        if (i == content.size()) return;
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        start = i + 1;
    }
}

// Calls `each(section as sent, action, payload)` for every record of an update text: split at
// "[BR]" (any letter case), each trimmed, empty ones skipped, the rest split at the first
// "[DEF]" and the header at its first "|"; missing parts are empty. At most
// limits::MaxUpdateRecords records.
template <typename Each>
void forEachRecord(std::string_view input, Each&& each) {
    std::size_t count = 0;
    std::size_t start = 0;
    while (start <= input.size() && count < limits::MaxUpdateRecords) {
        std::size_t def;
        std::size_t end = findRecordBreak(input, start, def);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view record = trimSpaces(input.substr(start, end - start));
        start = end + 4;
        if (record.empty()) continue;
        ++count;
        // Trimming takes only spaces, which no "[DEF]" holds: the first one stays in the record.
        if (def != std::string_view::npos) def -= static_cast<std::size_t>(record.data() - input.data());
        const std::string_view header = record.substr(0, def);
        const std::string_view payload = def == std::string_view::npos ? std::string_view() : record.substr(def + 5);
        const std::size_t bar = header.find('|');
        const std::string_view action = bar == std::string_view::npos ? std::string_view() : header.substr(bar + 1);
        each(header.substr(0, bar), action, payload);
    }
}

}  // namespace

std::vector<UpdateRecord> ParseUpdateText(std::string_view input) {
    std::vector<UpdateRecord> records;
    // Every record but the last ends at a "[BR]" and holds a "[DEF]": about one record a pair of "[".
    records.reserve(std::min<std::size_t>(static_cast<std::size_t>(std::count(input.begin(), input.end(), '[')) / 2 + 1,
                                          limits::MaxUpdateRecords));
    forEachRecord(input, [&](std::string_view section, std::string_view action, std::string_view payload) {
        records.push_back({definitions::DecodeLine(section), action, payload});
    });
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

void appendWrittenLineAsSent(std::string& out, std::size_t fileIndex, std::string_view section,
                             std::string_view payload) {
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
            out += definitions::EncodeLine(section);
            out += definitions::EncodeLine("|");
            appendEncodedSeparators(out, payload);
            return;
        default:
            appendEncodedSeparators(out, payload);
    }
}

// Appends the stored line an "ADD" record writes and returns where it starts in `out`.
std::size_t appendWrittenLine(std::string& out, std::size_t fileIndex, std::string_view section,
                              std::string_view payload) {
    const std::size_t start = out.size();
    appendWrittenLineAsSent(out, fileIndex, section, payload);
    // A line cannot hold a line end: one inside a record would split it into lines of its own.
    if (findLineEnd(out, start) != out.size()) {
        const auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
        out.erase(std::remove_if(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(), lineEnd), out.end());
    }
    return start;
}

}  // namespace

std::string WrittenLine(std::size_t fileIndex, const UpdateRecord& record) {
    std::string line;
    appendWrittenLine(line, fileIndex, record.section, record.payload);
    return line;
}

std::string ClearLineName(std::string_view clear) {
    std::string name(clear.substr(0, clear.find('=')));
    for (char& c : name) c = lowerSingleByte(c);
    return name;
}

std::string StoredLineName(std::string_view stored) {
    std::string name;
    appendLineName(stored, false, name);
    return name;
}

std::string PayloadName(std::string_view payload) {
    std::string name;
    appendLineName(payload, true, name);
    return name;
}

// What one file's records take from it: the names it loses, played in the order of its records
// (an addition withdraws an earlier deletion of its name), and the pass that drops their lines.
// Names are worked out before any is played, so that the slot of each name to come is fetched
// ahead of its use. Every buffer is sized once from what the records can write, and kept from
// one file to the next: the memory of a large update is taken from the system once.
class DeletionSet {
public:
    bool empty() const { return set_.empty(); }

    void reset(std::size_t records, std::size_t deletions, std::size_t linesBound, std::size_t deletedBytes) {
        changes_.clear();
        additions_.clear();
        names_.clear();
        changes_.reserve(records);
        additions_.reserve(linesBound);
        names_.reserve(linesBound + deletedBytes);
        set_.reset(deletions);
    }

    void add(std::size_t fileIndex, std::string_view section, std::string_view payload) {
        const std::size_t start = appendWrittenLine(additions_, fileIndex, section, payload);
        const std::string_view line = std::string_view(additions_).substr(start);
        Change& change = changes_.emplace_back();
        change.lineLength = line.size();
        nameChange(change, line, false);
        additions_ += "\r\n";
    }

    void remove(std::string_view payload) {
        Change& change = changes_.emplace_back();
        change.deletion = true;
        nameChange(change, payload, true);
    }

    // Plays the deletions and withdrawals in their order; names_ is complete, and the set points into it.
    void play() {
        std::size_t nameStart = 0;
        for (std::size_t i = 0; i < changes_.size(); ++i) {
            if (i + Lookahead < changes_.size()) set_.prefetch(changes_[i + Lookahead].hash);
            const Change& change = changes_[i];
            const std::string_view name = std::string_view(names_).substr(nameStart, change.nameLength);
            nameStart += change.nameLength;
            if (change.deletion) set_.insert(name, change.hash);
            else set_.erase(name, change.hash);
        }
    }

    // Appends to `kept` the lines of the old file that are neither blank nor of a deleted name,
    // each ended by CR LF; `count` is called for every line read. Lines are named some at a
    // time, so that their slots are fetched together before any is tested.
    template <typename Count>
    void keepOldLines(std::string_view oldContent, std::string& kept, Count&& count) {
        struct Named {
            std::string_view line;
            std::size_t nameStart, nameLength;
            std::uint32_t hash;
        };
        std::array<Named, LinesAtOnce> lines;
        std::size_t pending = 0;
        std::string& names = lineNames_;
        names.clear();
        const auto test = [&] {
            for (std::size_t i = 0; i < pending; ++i) {
                const Named& named = lines[i];
                if (set_.contains(std::string_view(names).substr(named.nameStart, named.nameLength), named.hash)) continue;
                keepLine(kept, named.line, oldContent);
            }
            pending = 0;
            names.clear();
        };
        forEachLine(oldContent, [&](std::string_view line) {
            count();
            if (isBlank(line)) return;
            Named& named = lines[pending++];
            named.line = line;
            named.nameStart = names.size();
            named.nameLength = appendLineName(line, false, names);
            named.hash = nameHash(std::string_view(names).substr(named.nameStart, named.nameLength));
            set_.prefetch(named.hash);
            if (pending == LinesAtOnce) test();
        });
        test();
    }

    // Appends the additions that are neither blank nor of a deleted name, each ended by CR LF.
    template <typename Count>
    void keepAdditions(std::string& kept, Count&& count) const {
        std::size_t nameStart = 0, lineStart = 0;
        for (std::size_t i = 0; i < changes_.size(); ++i) {
            if (i + Lookahead < changes_.size()) set_.prefetch(changes_[i + Lookahead].hash);
            const Change& change = changes_[i];
            const std::string_view name = std::string_view(names_).substr(nameStart, change.nameLength);
            nameStart += change.nameLength;
            if (change.deletion) continue;
            // The written line with the CR LF that follows it in additions_.
            const std::string_view line = std::string_view(additions_).substr(lineStart, change.lineLength + 2);
            lineStart += line.size();
            count();
            if (isBlank(line.substr(0, change.lineLength)) || set_.contains(name, change.hash)) continue;
            kept += line;
        }
    }

private:
    // Appends a line of `content` ended by CR LF: with the one that follows it there, in one copy.
    static void keepLine(std::string& kept, std::string_view line, std::string_view content) {
        const auto end = static_cast<std::size_t>(line.data() - content.data()) + line.size();
        if (content.substr(end, 2) == "\r\n") {
            kept.append(line.data(), line.size() + 2);
            return;
        }
        kept += line;
        kept += "\r\n";
    }

    // Names and written lines follow one another in the order of the changes.
    struct Change {
        std::size_t nameLength = 0;  // in names_
        std::size_t lineLength = 0;  // an addition's written line, in additions_
        std::uint32_t hash = 0;
        bool deletion = false;
    };
    // Names whose slots are fetched ahead of the one tested: enough to cover the wait for memory.
    static constexpr std::size_t Lookahead = 8;
    static constexpr std::size_t LinesAtOnce = 16;

    void nameChange(Change& change, std::string_view named, bool separatorsClear) {
        const std::size_t start = names_.size();
        change.nameLength = appendLineName(named, separatorsClear, names_);
        change.hash = nameHash(std::string_view(names_).substr(start, change.nameLength));
    }

    std::vector<Change> changes_;
    std::string additions_;  // the written lines, each ended by CR LF
    std::string names_;      // every change's name, one after another
    std::string lineNames_;  // the names of the old lines being tested
    NameSet set_;
};

FileUpdate UpdateFileContent(std::size_t fileIndex, std::string_view oldContent,
                             const std::vector<UpdateRecord>& records, bool customMode,
                             const DeletionProgress& progress) {
    return UpdateChanges(records, progress).apply(fileIndex, oldContent, customMode, progress);
}

UpdateChanges::UpdateChanges(std::string_view text, const DeletionProgress& progress) {
    // Every record but the last ends at a "[BR]" and holds a "[DEF]": about one record a pair of "[".
    records_.reserve(std::min<std::size_t>(static_cast<std::size_t>(std::count(text.begin(), text.end(), '[')) / 2 + 1,
                                           limits::MaxUpdateRecords));
    std::string section;
    std::string_view sectionSent;
    std::size_t seen = 0;
    forEachRecord(text, [&](std::string_view sent, std::string_view action, std::string_view payload) {
        ++seen;
        if (progress && seen % RecordsBetweenReports == 0) progress(0);
        const bool sameSection = seen > 1 && sent == sectionSent;
        if (!sameSection) {
            sectionSent = sent;
            section = definitions::DecodeLine(sent);
        }
        route(section, action, payload, sameSection);
    });
}

UpdateChanges::UpdateChanges(const std::vector<UpdateRecord>& records, const DeletionProgress& progress) {
    records_.reserve(records.size());
    std::size_t seen = 0;
    for (const UpdateRecord& record : records) {
        if (progress && ++seen % RecordsBetweenReports == 0) progress(0);
        route(record.section, record.action, record.payload, !sections_.empty() && record.section == sections_.back());
    }
}

void UpdateChanges::route(std::string_view section, std::string_view action, std::string_view payload,
                          bool sameSection) {
    if (!sameSection || sections_.empty()) {
        sections_.emplace_back(section);
        sectionFiles_ = 0;
        for (std::size_t i = 0; i < UpdateFileCount; ++i) {
            if (SectionAccepted(i, section)) sectionFiles_ = static_cast<std::uint8_t>(sectionFiles_ | 1u << i);
        }
    }
    const bool addition = action == "ADD";
    if (addition) ++additionRecords_;
    if (!addition && action != "DEL") return;
    const auto index = static_cast<std::uint32_t>(records_.size());  // at most limits::MaxUpdateRecords
    records_.push_back({payload, static_cast<std::uint32_t>(sections_.size() - 1), addition});
    for (std::size_t i = 0; i < UpdateFileCount; ++i) {
        if ((sectionFiles_ >> i & 1u) != 0) files_[i].push_back(index);
    }
}

UpdateChanges::~UpdateChanges() = default;
UpdateChanges::UpdateChanges(UpdateChanges&&) noexcept = default;
UpdateChanges& UpdateChanges::operator=(UpdateChanges&&) noexcept = default;

FileUpdate UpdateChanges::apply(std::size_t fileIndex, std::string_view oldContent, bool customMode,
                                const DeletionProgress& progress) {
    if (fileIndex >= UpdateFileCount) throw std::out_of_range("no such definition file");
    const std::vector<std::uint32_t>& taken = files_[fileIndex];
    const auto forEachTaken = [&](auto&& each) {
        for (std::uint32_t i : taken) each(records_[i]);
    };
    const auto section = [&](const Routed& r) -> std::string_view { return sections_[r.section]; };

    // Sized once from what the records can write, so that no buffer grows while it fills.
    FileUpdate result;
    std::size_t deletions = 0, linesBound = 0, deletedBytes = 0;
    forEachTaken([&](const Routed& r) {
        if (!r.addition) {
            ++deletions;
            deletedBytes += r.payload.size();
            return;
        }
        ++result.added;
        linesBound += r.payload.size() + section(r).size() + WrittenLineOverhead;
    });
    const auto appendAdditions = [&](std::string& out) {
        forEachTaken([&](const Routed& r) {
            if (!r.addition) return;
            appendWrittenLine(out, fileIndex, section(r), r.payload);
            out += "\r\n";
        });
    };
    if (customMode) {
        result.content.reserve(linesBound);
        appendAdditions(result.content);
        return result;
    }

    if (!deletionSet_) deletionSet_ = std::make_unique<DeletionSet>();
    DeletionSet& deleted = *deletionSet_;
    if (deletions == 0) {
        deleted.reset(0, 0, 0, 0);
    } else {
        deleted.reset(taken.size(), deletions, linesBound, deletedBytes);
        forEachTaken([&](const Routed& r) {
            if (r.addition) deleted.add(fileIndex, section(r), r.payload);
            else deleted.remove(r.payload);
        });
        deleted.play();
    }
    if (deleted.empty()) {
        std::string content;
        content.reserve(oldContent.size() + 2 + linesBound);
        content += oldContent;
        // An old file without a final line end would glue the first addition to its last line.
        if (!content.empty() && result.added != 0 && content.back() != '\n' && content.back() != '\r') content += "\r\n";
        appendAdditions(content);
        result.content = std::move(content);
        return result;
    }

    // Every line of the old file and then every addition, without the blank ones and those of a
    // deleted name.
    result.deletionPass = true;
    std::string kept;
    kept.reserve(oldContent.size() + linesBound + 2);
    std::size_t read = 0;
    const auto count = [&] {
        ++read;
        if (progress && read % LinesBetweenReports == 0) progress(read);
    };
    deleted.keepOldLines(oldContent, kept, count);
    deleted.keepAdditions(kept, count);
    result.content = std::move(kept);
    return result;
}

}  // namespace sorvane::update
