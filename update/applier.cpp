#include "update/applier.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The stored form of a clear byte, as definitions::EncodeLine gives it: c + K, wrapped by 255.
// Worked out when compiling, so that no other file's start-up code can see it unset.
constexpr char storedByte(char clear) {
    const int code = static_cast<unsigned char>(clear) + definitions::DefinitionKey;
    return static_cast<char>(code > 255 ? code - 255 : code);
}
// The only stored byte whose clear code is "=" (a name ends there), and the stored "|".
constexpr char StoredEquals = storedByte('=');
constexpr char StoredBar = storedByte('|');

// Lower case of a single-byte code: ASCII and the Latin-1 capitals of code page 1252.
char lowerSingleByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) return static_cast<char>(u + 0x20);
    return c;
}

// Sixteen bytes of text tested or named at a time: an update's text, lines and names are many
// and long, and a step a byte (or a library call a search) cost more than the rest of the work.
// A bit of a Mask stands for each byte, the first byte in the lowest bit.
using Mask = std::uint32_t;
constexpr std::size_t BlockSize = 16;

#if defined(__SSE2__)
struct Block {
    __m128i bytes;
};

// The sixteen bytes at `at`, those at or past `limit` (the end of the buffer) read as zeros.
inline Block loadBlock(const char* at, const char* limit) {
    if (limit - at >= static_cast<std::ptrdiff_t>(BlockSize)) return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(at))};
    alignas(16) char tail[BlockSize] = {};
    if (limit > at) std::memcpy(tail, at, static_cast<std::size_t>(limit - at));
    return {_mm_load_si128(reinterpret_cast<const __m128i*>(tail))};
}

inline Mask equalMask(Block block, char c) {
    return static_cast<Mask>(_mm_movemask_epi8(_mm_cmpeq_epi8(block.bytes, _mm_set1_epi8(c))));
}

// The lower-cased clear code of every byte (the shift of definitions::DecodeLine, then
// lowerSingleByte), as arithmetic on all sixteen at once; `keepBar` keeps a "|" as it
// is (the clear separator of a payload as sent).
inline void storeClearLower(Block block, bool keepBar, char* out) {
    const __m128i stored = block.bytes;
    const __m128i key = _mm_set1_epi8(static_cast<char>(definitions::DefinitionKey));
    const __m128i shifted = _mm_cmpeq_epi8(_mm_max_epu8(stored, key), stored);  // stored >= key
    const __m128i clear = _mm_or_si128(
        _mm_and_si128(shifted, _mm_sub_epi8(stored, key)),
        _mm_andnot_si128(shifted, _mm_add_epi8(stored, _mm_set1_epi8(static_cast<char>(255 - definitions::DefinitionKey)))));
    // x < n for unsigned bytes: min(x, n - 1) == x.
    const auto below = [](__m128i x, char n) { return _mm_cmpeq_epi8(_mm_min_epu8(x, _mm_set1_epi8(static_cast<char>(n - 1))), x); };
    const __m128i ascii = below(_mm_sub_epi8(clear, _mm_set1_epi8('A')), 26);
    const __m128i latin = _mm_andnot_si128(_mm_cmpeq_epi8(clear, _mm_set1_epi8(static_cast<char>(0xD7))),
                                           below(_mm_sub_epi8(clear, _mm_set1_epi8(static_cast<char>(0xC0))), 0x1F));
    __m128i lower = _mm_add_epi8(clear, _mm_and_si128(_mm_or_si128(ascii, latin), _mm_set1_epi8(0x20)));
    if (keepBar) {
        const __m128i bar = _mm_cmpeq_epi8(stored, _mm_set1_epi8('|'));
        lower = _mm_or_si128(_mm_and_si128(bar, stored), _mm_andnot_si128(bar, lower));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lower);
}

// The block with its clear "|" and "=" encoded.
inline void storeSeparatorsEncoded(Block block, char* out) {
    const __m128i bar = _mm_cmpeq_epi8(block.bytes, _mm_set1_epi8('|'));
    const __m128i equals = _mm_cmpeq_epi8(block.bytes, _mm_set1_epi8('='));
    const __m128i kept = _mm_andnot_si128(_mm_or_si128(bar, equals), block.bytes);
    const __m128i encoded = _mm_or_si128(_mm_and_si128(bar, _mm_set1_epi8(StoredBar)),
                                         _mm_and_si128(equals, _mm_set1_epi8(StoredEquals)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(kept, encoded));
}
#else
struct Block {
    std::array<char, BlockSize> bytes{};
};

// The lower-cased clear code of one stored byte: the shift of definitions::DecodeLine, then
// lowerSingleByte.
inline unsigned char clearLower(unsigned char stored) {
    const auto clear = static_cast<unsigned char>(stored >= definitions::DefinitionKey
                                                      ? stored - definitions::DefinitionKey
                                                      : stored + 255 - definitions::DefinitionKey);
    return static_cast<unsigned char>(lowerSingleByte(static_cast<char>(clear)));
}

inline Block loadBlock(const char* at, const char* limit) {
    Block block;
    if (limit > at) std::memcpy(block.bytes.data(), at, std::min<std::size_t>(BlockSize, static_cast<std::size_t>(limit - at)));
    return block;
}

inline Mask equalMask(Block block, char c) {
    Mask mask = 0;
    for (std::size_t i = 0; i < BlockSize; ++i) mask |= static_cast<Mask>(block.bytes[i] == c) << i;
    return mask;
}

inline void storeClearLower(Block block, bool keepBar, char* out) {
    for (std::size_t i = 0; i < BlockSize; ++i) {
        const char c = block.bytes[i];
        out[i] = keepBar && c == '|' ? c : static_cast<char>(clearLower(static_cast<unsigned char>(c)));
    }
}

inline void storeSeparatorsEncoded(Block block, char* out) {
    for (std::size_t i = 0; i < BlockSize; ++i) {
        const char c = block.bytes[i];
        out[i] = c == '|' ? StoredBar : c == '=' ? StoredEquals : c;
    }
}
#endif

// The places of a byte `a` or `b` in a text, one after another: the block read last is kept, so
// that a text is read once however close together the places are.
class ByteFinder {
public:
    ByteFinder(std::string_view text, char a, char b) : text_(text), a_(a), b_(b) {}

    // Where the first one at or after `from` stands; the size of the text without one. Calls
    // ask for places in order.
    std::size_t next(std::size_t from) {
        for (;;) {
            if (from >= blockStart_ && from - blockStart_ < BlockSize) {
                if (const Mask found = mask_ & (~Mask{0} << (from - blockStart_)); found != 0)
                    return std::min(blockStart_ + std::countr_zero(found), text_.size());
                from = blockStart_ + BlockSize;
            }
            if (from >= text_.size()) return text_.size();
            // Bytes past the end read as zeros and may match: a match there is none (min above).
            const Block block = loadBlock(text_.data() + from, text_.data() + text_.size());
            blockStart_ = from;
            mask_ = equalMask(block, a_) | equalMask(block, b_);
        }
    }

private:
    std::string_view text_;
    char a_, b_;
    std::size_t blockStart_ = std::numeric_limits<std::size_t>::max() - BlockSize;
    Mask mask_ = 0;
};

// Where the first byte `a` or `b` at or after `from` stands; the size of `text` without one.
std::size_t findEither(std::string_view text, std::size_t from, char a, char b) {
    return ByteFinder(text, a, b).next(from);
}

std::size_t findLineEnd(std::string_view content, std::size_t from) { return findEither(content, from, '\r', '\n'); }

// How the bytes of a name are read: `keepBar`, a clear "|" stays as it is and a clear "=" ends
// it as a stored one does (a payload as sent); `clearEquals`, a clear "=" ends it; `lineEnds`, a
// CR or LF ends it (their caller tells this end from the others).
struct NameRules {
    bool keepBar = false;
    bool clearEquals = false;
    bool lineEnds = false;
};
constexpr NameRules StoredLine{};
constexpr NameRules PayloadAsSent{true, true, false};

// Writes the lower-cased clear name that starts at `at` to `out`, and returns its length: the
// bytes before the first stored "=" (or another end of `Rules`), at most `length`. Reads whole
// blocks up to `limit` (at least at + length) and writes whole blocks, at least eight bytes past
// the name's end: `out` must have room for the name and two blocks more. A name is then hashed
// and compared eight bytes a step, each step inside one block written (a load of parts of two
// stores in flight would wait for both).
template <NameRules Rules>
std::size_t nameAt(const char* at, std::size_t length, const char* limit, char* out) {
    for (std::size_t done = 0;; done += BlockSize) {
        if (done >= length) {
            std::memset(out + done, 0, BlockSize);
            return length;
        }
        const Block block = loadBlock(at + done, limit);
        storeClearLower(block, Rules.keepBar, out + done);
        Mask end = equalMask(block, StoredEquals);
        if constexpr (Rules.keepBar || Rules.clearEquals) end |= equalMask(block, '=');
        if constexpr (Rules.lineEnds) end |= equalMask(block, '\r') | equalMask(block, '\n');
        if (end != 0) {
            std::memset(out + done + BlockSize, 0, BlockSize);
            return std::min(done + std::countr_zero(end), length);
        }
    }
}

// The hash of a name that has a block of readable bytes after it: eight bytes a step, the
// last ones masked. Names are short and many: a general hash would cost as much as the rest of
// naming a line.
std::uint32_t nameHash(const char* name, std::size_t length) {
    constexpr std::uint64_t multiplier = 0x9E3779B97F4A7C15u;
    std::uint64_t hash = length * multiplier;
    for (std::size_t done = 0; done < length; done += 8) {
        std::uint64_t word;
        std::memcpy(&word, name + done, 8);
        if (const std::size_t left = length - done; left < 8) word &= ~std::uint64_t{0} >> (64 - 8 * left);
        hash = (hash ^ word) * multiplier;
        hash ^= hash >> 29;
    }
    hash *= 0xBF58476D1CE4E5B9u;
    return static_cast<std::uint32_t>(hash ^ (hash >> 31));
}

// Names written one after another by nameAt, each followed by eight bytes written: names are
// hashed and compared eight bytes a step, the bytes past their end masked. Its memory is kept
// when it is emptied: the names of one file after another reuse it.
class NameBuffer {
public:
    void clear() { size_ = 0; }
    // Room for `bytes` more name bytes.
    void reserve(std::size_t bytes) {
        if (size_ + bytes + 2 * BlockSize <= capacity_) return;
        const std::size_t capacity = std::max(capacity_ * 2, size_ + bytes + 2 * BlockSize);
        auto bytesNew = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_ != 0) std::memcpy(bytesNew.get(), bytes_.get(), size_);
        bytes_ = std::move(bytesNew);
        capacity_ = capacity;
    }
    // Adds `prefix` (a name already) and the name of `length` bytes at `at` (readable up to
    // `limit`); room must have been reserved.
    template <NameRules Rules>
    std::string_view add(const char* at, std::size_t length, const char* limit, std::string_view prefix = {}) {
        char* const out = bytes_.get() + size_;
        if (!prefix.empty()) std::memcpy(out, prefix.data(), prefix.size());
        const std::size_t named = prefix.size() + nameAt<Rules>(at, length, limit, out + prefix.size());
        size_ += named;
        return {out, named};
    }
    // Adds a byte, already named, to the end of the last name (nameAt wrote a block past it).
    std::string_view extend(std::string_view last, char named) {
        bytes_[size_++] = named;
        return {last.data(), last.size() + 1};
    }
    // Takes back the last name added.
    void drop(std::string_view last) { size_ -= last.size(); }
    std::string_view at(std::size_t offset, std::size_t length) const { return {bytes_.get() + offset, length}; }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0, capacity_ = 0;
};

// Writes a payload with its clear "|" and "=" in their encoded form, so that the text is fully
// encoded (each is one byte either way), and returns its end; `lineEnd` is set when the payload
// holds a line end. Writes whole blocks: `out` has a block to spare after the payload.
char* writeEncodedSeparators(char* out, std::string_view payload, bool& lineEnd) {
    const std::size_t size = payload.size();
    if (size == 0) return out;
    const char* const end = payload.data() + size;
    Mask lineEnds = 0;
    // Whole blocks read from the payload, the last one over the end of the one before when the
    // payload is longer than a block: encoding twice changes nothing.
    for (std::size_t done = 0;; done = std::min(done + BlockSize, size - BlockSize)) {
        const Block block = loadBlock(payload.data() + done, end);
        lineEnds |= equalMask(block, '\r') | equalMask(block, '\n');
        storeSeparatorsEncoded(block, out + done);
        if (done + BlockSize >= size) break;
    }
    if (lineEnds != 0) lineEnd = true;
    return out + size;
}

bool isBlank(std::string_view line) { return line.empty() || line == " "; }

// The text with the spaces at both ends cut off.
std::string_view trimSpaces(std::string_view s) {
    if (s.empty() || (s.front() != ' ' && s.back() != ' ')) return s;
    const std::size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Where the next "[BR]" in any letter case starts, at or after `from` (npos without one), and
// in `def` where the first "[DEF]" before it starts (npos without one): one look at every "["
// (found by `brackets`) finds both.
[[gnu::always_inline]] inline std::size_t findRecordBreak(std::string_view text, std::size_t from, std::size_t& def,
                                                          ByteFinder& brackets) {
    def = std::string_view::npos;
    for (std::size_t at = brackets.next(from); at < text.size(); at = brackets.next(at + 1)) {
        const std::size_t left = text.size() - at;
        if (left >= 4 && (text[at + 1] | 0x20) == 'b' && (text[at + 2] | 0x20) == 'r' && text[at + 3] == ']') return at;
        if (def == std::string_view::npos && left >= 5 && text[at + 1] == 'D' && text[at + 2] == 'E' &&
            text[at + 3] == 'F' && text[at + 4] == ']')
            def = at;
    }
    return std::string_view::npos;
}
// A set of line names for the deletion pass, open addressing over names kept by the caller in
// NameBuffers: an
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

    // Whether two names of `length` bytes are the same, eight bytes a step: a name is followed by
    // readable bytes up to a multiple of eight (see NameBuffer), which are masked off.
    static bool sameName(const char* a, const char* b, std::size_t length) {
        for (std::size_t done = 0; done < length; done += 8) {
            std::uint64_t x, y;
            std::memcpy(&x, a + done, 8);
            std::memcpy(&y, b + done, 8);
            std::uint64_t differ = x ^ y;
            if (const std::size_t left = length - done; left < 8) differ &= ~std::uint64_t{0} >> (64 - 8 * left);
            if (differ != 0) return false;
        }
        return true;
    }

    // The slot of the present `name`, or else the free one its search ends at.
    std::size_t probe(std::string_view name, std::uint32_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.name == nullptr) return i;
            if (slot.hash == hash && slot.length == name.size() && slot.name != removed() &&
                sameName(slot.name, name.data(), name.size()))
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
    ByteFinder lineEnds(content, '\r', '\n');
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t i = lineEnds.next(start);
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
    ByteFinder brackets(input, '[', '[');
    std::size_t count = 0;
    std::size_t start = 0;
    while (start <= input.size() && count < limits::MaxUpdateRecords) {
        std::size_t def;
        std::size_t end = findRecordBreak(input, start, def, brackets);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view record = trimSpaces(input.substr(start, end - start));
        start = end + 4;
        if (record.empty()) continue;
        ++count;
        // Trimming takes only spaces, which no "[DEF]" holds: the first one stays in the record.
        if (def != std::string_view::npos) def -= static_cast<std::size_t>(record.data() - input.data());
        const std::string_view header = record.substr(0, def);
        const std::string_view payload = def == std::string_view::npos ? std::string_view() : record.substr(def + 5);
        // Headers are a few bytes: a plain search costs less than a library call.
        const std::size_t bar = static_cast<std::size_t>(std::find(header.begin(), header.end(), '|') - header.begin());
        const std::string_view action = bar == header.size() ? std::string_view() : header.substr(bar + 1);
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

// The room a written line takes beyond its payload and section, with a block to spare for
// writeEncodedSeparators.
constexpr std::size_t WrittenLineRoom = WrittenLineOverhead + BlockSize;

// Writes the stored line an "ADD" record writes and returns its end; `out` has room for the
// payload, the section and WrittenLineRoom.
char* writeLine(char* out, std::size_t fileIndex, std::string_view section, std::string_view payload) {
    char* const start = out;
    bool lineEnd = false;
    switch (fileIndex) {
        case Registry: {
            // NAME=THREAT|HIVE^KEY|NOTE becomes the whole-key record HIVE^KEY^=THREAT|NOTE.
            static const std::string keyEnd = definitions::EncodeLine("^=");
            const std::string_view p0 = barPiece(payload, 0);
            const std::size_t equals = p0.find('=');
            out = writeEncodedSeparators(out, barPiece(payload, 1), lineEnd);
            out = std::copy(keyEnd.begin(), keyEnd.end(), out);
            if (equals != std::string_view::npos) out = writeEncodedSeparators(out, p0.substr(equals + 1), lineEnd);
            *out++ = StoredBar;
            out = writeEncodedSeparators(out, barPiece(payload, 2), lineEnd);
            break;
        }
        case Cookies: {
            // A cookie pattern is the text before "=", kept as it came.
            const std::string_view pattern = payload.substr(0, payload.find('='));
            out = std::copy(pattern.begin(), pattern.end(), out);
            lineEnd = true;  // not looked at yet
            break;
        }
        case Safety: {
            const std::string stored = definitions::EncodeLine(section);
            out = std::copy(stored.begin(), stored.end(), out);
            *out++ = StoredBar;
            out = writeEncodedSeparators(out, payload, lineEnd);
            lineEnd = true;  // the section not looked at yet
            break;
        }
        default:
            out = writeEncodedSeparators(out, payload, lineEnd);
    }
    // A line cannot hold a line end: one inside a record would split it into lines of its own.
    const auto size = static_cast<std::size_t>(out - start);
    if (lineEnd && findLineEnd({start, size}, 0) != size)
        out = std::remove_if(start, out, [](char c) { return c == '\r' || c == '\n'; });
    return out;
}

// Appends the stored line an "ADD" record writes.
void appendWrittenLine(std::string& out, std::size_t fileIndex, std::string_view section, std::string_view payload) {
    const std::size_t start = out.size();
    out.resize(start + payload.size() + section.size() + WrittenLineRoom);
    char* const end = writeLine(out.data() + start, fileIndex, section, payload);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

template <NameRules Rules>
std::string nameOf(std::string_view text) {
    NameBuffer buffer;
    buffer.reserve(text.size());
    return std::string(buffer.add<Rules>(text.data(), text.size(), text.data() + text.size()));
}

// An addition's stored line is named, in most files, as a part of its payload is with these
// rules, unless a line end (dropped from the line) comes before the name's end.
constexpr NameRules AdditionPayload{true, true, true};
constexpr NameRules CookiePayload{false, true, true};  // the pattern is kept as it came

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

std::string StoredLineName(std::string_view stored) { return nameOf<StoredLine>(stored); }

std::string PayloadName(std::string_view payload) { return nameOf<PayloadAsSent>(payload); }

// What one file's records take from it: the names it loses, played in the order of its records
// (an addition withdraws an earlier deletion of its name), and the pass that drops their lines.
// Names are worked out before any is played, so that the slot of each name to come is fetched
// ahead of its use. Every buffer is kept from one file to the next: the memory of a large update
// is taken from the system once.
class DeletionSet {
public:
    bool empty() const { return set_.empty(); }

    // Starts a file of `records` records, which name at most `nameBytes` bytes between them.
    void reset(std::size_t records, std::size_t deletions, std::size_t nameBytes) {
        changes_.clear();
        changes_.reserve(records);
        // Reserved whole before the first name: the set points into it.
        names_.clear();
        names_.reserve(nameBytes);
        set_.reset(deletions);
    }

    // Records by their index in the caller's list, in order. A deletion is named from its
    // payload as sent, readable up to `limit`.
    void remove(std::uint32_t record, std::string_view payload, const char* limit) {
        push(record, true, names_.add<PayloadAsSent>(payload.data(), payload.size(), limit));
    }

    // An addition named from a part of its payload as its stored line would be: after `prefix`
    // (a name already), and with `wholeSuffix` (named) when the name takes all of the part. False,
    // and nothing added, when a line end in the part named makes them differ.
    template <NameRules Rules>
    bool addNamedByPayload(std::uint32_t record, std::string_view part, const char* limit, std::string_view prefix = {},
                           char wholeSuffix = 0) {
        std::string_view name = names_.add<Rules>(part.data(), part.size(), limit, prefix);
        const std::size_t partNamed = name.size() - prefix.size();
        if (partNamed < part.size() && (part[partNamed] == '\r' || part[partNamed] == '\n')) {
            names_.drop(name);
            return false;
        }
        if (wholeSuffix != 0 && partNamed == part.size()) name = names_.extend(name, wholeSuffix);
        push(record, false, name);
        return true;
    }

    // An addition named from the stored line it writes.
    void add(std::uint32_t record, std::string_view line) {
        push(record, false, names_.add<StoredLine>(line.data(), line.size(), line.data() + line.size()));
    }

    // Plays the deletions and withdrawals in their order; names_ is complete, and the set points into it.
    void play() {
        std::size_t nameStart = 0;
        for (std::size_t i = 0; i < changes_.size(); ++i) {
            if (i + Lookahead < changes_.size()) set_.prefetch(changes_[i + Lookahead].hash);
            const Change& change = changes_[i];
            const std::string_view name = names_.at(nameStart, change.nameLength);
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
            std::size_t nameStart;
            std::uint32_t nameLength, hash;
        };
        std::array<Named, LinesAtOnce> lines;
        std::size_t pending = 0;
        NameBuffer& names = lineNames_;
        names.clear();
        const char* const limit = oldContent.data() + oldContent.size();
        // Kept lines that follow one another, each ended by CR LF, are copied together: most of a
        // file stays as it was.
        const char* spanStart = nullptr;
        const char* spanEnd = nullptr;
        const auto flush = [&] {
            if (spanStart != spanEnd) kept.append(spanStart, static_cast<std::size_t>(spanEnd - spanStart));
            spanStart = spanEnd = nullptr;
        };
        const auto keep = [&](std::string_view line) {
            const char* const end = line.data() + line.size();
            if (limit - end >= 2 && end[0] == '\r' && end[1] == '\n') {
                if (line.data() != spanEnd) {
                    flush();
                    spanStart = line.data();
                }
                spanEnd = end + 2;
                return;
            }
            flush();
            kept += line;
            kept += "\r\n";
        };
        const auto test = [&] {
            for (std::size_t i = 0; i < pending; ++i) {
                const Named& named = lines[i];
                if (!set_.contains(names.at(named.nameStart, named.nameLength), named.hash)) keep(named.line);
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
            names.reserve(line.size());
            const std::string_view name = names.add<StoredLine>(line.data(), line.size(), limit);
            named.nameLength = static_cast<std::uint32_t>(name.size());
            named.hash = nameHash(name.data(), name.size());
            set_.prefetch(named.hash);
            if (pending == LinesAtOnce) test();
        });
        test();
        flush();
    }

    // Calls `write(record, out)` for every addition in its order, which writes its stored line at
    // `out` and returns its end, and keeps it, ended by CR LF, unless it is blank or of a deleted
    // name. The lines take at most `bound` bytes and a block to spare.
    template <typename Write, typename Count>
    void keepAdditions(std::string& kept, std::size_t bound, Write&& write, Count&& count) const {
        const std::size_t start = kept.size();
        kept.resize(start + bound + BlockSize);
        char* out = kept.data() + start;
        std::size_t nameStart = 0;
        for (std::size_t i = 0; i < changes_.size(); ++i) {
            if (i + Lookahead < changes_.size()) set_.prefetch(changes_[i + Lookahead].hash);
            const Change& change = changes_[i];
            const std::string_view name = names_.at(nameStart, change.nameLength);
            nameStart += change.nameLength;
            if (change.deletion) continue;
            count();
            char* const end = write(change.record, out);
            if (isBlank({out, static_cast<std::size_t>(end - out)}) || set_.contains(name, change.hash)) continue;
            out = end;
            *out++ = '\r';
            *out++ = '\n';
        }
        kept.resize(static_cast<std::size_t>(out - kept.data()));
    }

    // Names follow one another in names_ in the order of the changes.
    struct Change {
        std::uint32_t record = 0;
        std::uint32_t nameLength = 0;
        std::uint32_t hash = 0;
        bool deletion = false;
    };
    void push(std::uint32_t record, bool deletion, std::string_view name) {
        changes_.push_back({record, static_cast<std::uint32_t>(name.size()), nameHash(name.data(), name.size()), deletion});
    }

    // Names whose slots are fetched ahead of the one tested: enough to cover the wait for memory.
    static constexpr std::size_t Lookahead = 16;
    static constexpr std::size_t LinesAtOnce = 32;

    std::vector<Change> changes_;
    NameBuffer names_;      // every change's name, one after another
    NameBuffer lineNames_;  // the names of the old lines being tested
    NameSet set_;
};

FileUpdate UpdateFileContent(std::size_t fileIndex, std::string_view oldContent,
                             const std::vector<UpdateRecord>& records, bool customMode,
                             const DeletionProgress& progress) {
    return UpdateChanges(records, progress).apply(fileIndex, oldContent, customMode, progress);
}

UpdateChanges::UpdateChanges(std::string_view text, const DeletionProgress& progress)
    : textEnd_(text.data() + text.size()) {
    // A record takes five bytes at least (one and "[BR]"); reserved room not written is never touched.
    records_.reserve(std::min<std::size_t>(text.size() / 5 + 1, limits::MaxUpdateRecords));
    std::string_view sectionSent;
    std::size_t seen = 0;
    forEachRecord(text, [&](std::string_view sent, std::string_view action, std::string_view payload) {
        ++seen;
        if (progress && seen % RecordsBetweenReports == 0) progress(0);
        if (seen == 1 || sent.size() != sectionSent.size() || !std::equal(sent.begin(), sent.end(), sectionSent.begin())) {
            sectionSent = sent;
            beginRun(definitions::DecodeLine(sent));
        }
        route(action, payload);
    });
    endRun();
}

UpdateChanges::UpdateChanges(const std::vector<UpdateRecord>& records, const DeletionProgress& progress) {
    records_.reserve(records.size());
    std::size_t seen = 0;
    for (const UpdateRecord& record : records) {
        if (progress && ++seen % RecordsBetweenReports == 0) progress(0);
        if (runs_.empty() || record.section != runs_.back().section) beginRun(record.section);
        route(record.action, record.payload);
    }
    endRun();
}

void UpdateChanges::beginRun(std::string_view section) {
    endRun();
    Run& run = runs_.emplace_back();
    run.first = run.end = records_.size();
    run.section = section;
    for (std::size_t i = 0; i < UpdateFileCount; ++i) {
        if (SectionAccepted(i, section)) run.files = static_cast<std::uint8_t>(run.files | 1u << i);
    }
}

void UpdateChanges::endRun() {
    if (runs_.empty()) return;
    Run& run = runs_.back();
    run.end = records_.size();
    // A run of unknown actions, or one no file takes, holds nothing to keep.
    if (run.end == run.first || run.files == 0) {
        records_.resize(run.first);
        runs_.pop_back();
    }
}

void UpdateChanges::route(std::string_view action, std::string_view payload) {
    const bool addition = action == "ADD";
    if (addition) ++additionRecords_;
    if (!addition && action != "DEL") return;
    // Lengths are kept in 32 bits: a text is at most limits::MaxHttpBody bytes.
    if (payload.size() > std::numeric_limits<std::uint32_t>::max() / 2) throw std::length_error("update record too long");
    Run& run = runs_.back();
    records_.push_back({payload.data(), static_cast<std::uint32_t>(payload.size()),
                        static_cast<std::uint32_t>(runs_.size() - 1) & 0x7FFFFFFFu, static_cast<std::uint32_t>(addition)});
    if (addition) {
        ++run.additions;
        run.additionBytes += payload.size() + run.section.size() + WrittenLineOverhead;
    } else {
        ++run.deletions;
        run.deletionBytes += payload.size();
    }
}

UpdateChanges::~UpdateChanges() = default;
UpdateChanges::UpdateChanges(UpdateChanges&&) noexcept = default;
UpdateChanges& UpdateChanges::operator=(UpdateChanges&&) noexcept = default;

FileUpdate UpdateChanges::apply(std::size_t fileIndex, std::string_view oldContent, bool customMode,
                                const DeletionProgress& progress) {
    if (fileIndex >= UpdateFileCount) throw std::out_of_range("no such definition file");
    // The records of this file, in order, with their indices in records_.
    const auto forEachTaken = [&](auto&& each) {
        for (const Run& run : runs_) {
            if ((run.files >> fileIndex & 1u) == 0) continue;
            for (std::size_t i = run.first; i < run.end; ++i) each(static_cast<std::uint32_t>(i), run, records_[i]);
        }
    };
    const auto payloadOf = [](const Routed& r) { return std::string_view(r.payload, r.length); };
    const auto writeRecordLine = [&](std::uint32_t record, char* out) {
        const Routed& r = records_[record];
        return writeLine(out, fileIndex, runs_[r.run].section, payloadOf(r));
    };

    // Sized once from what the records can write, so that no buffer grows while it fills.
    FileUpdate result;
    std::size_t records = 0, deletions = 0, linesBound = 0, deletedBytes = 0;
    for (const Run& run : runs_) {
        if ((run.files >> fileIndex & 1u) == 0) continue;
        records += run.end - run.first;
        result.added += run.additions;
        deletions += run.deletions;
        linesBound += run.additionBytes;
        deletedBytes += run.deletionBytes;
    }
    const auto appendAdditions = [&](std::string& content) {
        const std::size_t start = content.size();
        content.resize(start + linesBound + BlockSize);
        char* out = content.data() + start;
        forEachTaken([&](std::uint32_t i, const Run&, const Routed& r) {
            if (!r.addition) return;
            out = writeRecordLine(i, out);
            *out++ = '\r';
            *out++ = '\n';
        });
        content.resize(static_cast<std::size_t>(out - content.data()));
    };
    if (customMode) {
        appendAdditions(result.content);
        return result;
    }

    if (!deletionSet_) deletionSet_ = std::make_unique<DeletionSet>();
    DeletionSet& deleted = *deletionSet_;
    if (deletions == 0) {
        deleted.reset(0, 0, 0);
    } else {
        deleted.reset(records, deletions, linesBound + deletedBytes);
        std::string line, safetyPrefix;
        const Run* prefixRun = nullptr;
        // An addition named without writing its line, where the line is named as a part of the payload is.
        const auto namedByPayload = [&](std::uint32_t i, const Run& run, std::string_view payload, const char* limit) {
            switch (fileIndex) {
                case Registry:
                    // HIVE^KEY^=...: the key's name, or all of it and the "^" when no "=" comes first.
                    return deleted.addNamedByPayload<AdditionPayload>(i, barPiece(payload, 1), limit, {}, '^');
                case Cookies: return deleted.addNamedByPayload<CookiePayload>(i, payload, limit);
                case Safety:
                    // SECTION|PAYLOAD: the section's name and "|" come first, unless the stored
                    // section holds a name's end or a line end itself.
                    if (prefixRun != &run) {
                        prefixRun = &run;
                        const std::string stored = definitions::EncodeLine(run.section);
                        safetyPrefix.clear();
                        if (stored.find_first_of(std::string{StoredEquals, '\r', '\n'}) == std::string::npos)
                            safetyPrefix = StoredLineName(stored) + '|';
                    }
                    return !safetyPrefix.empty() &&
                           deleted.addNamedByPayload<AdditionPayload>(i, payload, limit, safetyPrefix);
                default: return deleted.addNamedByPayload<AdditionPayload>(i, payload, limit);
            }
        };
        forEachTaken([&](std::uint32_t i, const Run& run, const Routed& r) {
            const std::string_view payload = payloadOf(r);
            const char* const limit = textEnd_ != nullptr ? textEnd_ : payload.data() + payload.size();
            if (!r.addition) {
                deleted.remove(i, payload, limit);
            } else if (!namedByPayload(i, run, payload, limit)) {
                line.clear();
                appendWrittenLine(line, fileIndex, run.section, payload);
                deleted.add(i, line);
            }
        });
        deleted.play();
    }
    if (deleted.empty()) {
        std::string content;
        content.reserve(oldContent.size() + 2 + linesBound + BlockSize);
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
    kept.reserve(oldContent.size() + linesBound + 2 + BlockSize);
    std::size_t read = 0;
    const auto count = [&] {
        ++read;
        if (progress && read % LinesBetweenReports == 0) progress(read);
    };
    deleted.keepOldLines(oldContent, kept, count);
    deleted.keepAdditions(kept, linesBound, writeRecordLine, count);
    result.content = std::move(kept);
    return result;
}

}  // namespace sorvane::update
