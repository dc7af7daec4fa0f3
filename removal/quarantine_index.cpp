#include "removal/quarantine_index.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::removal {
namespace {

using nlohmann::json;

constexpr int IndexVersion = 1;
constexpr std::array<std::string_view, 7> KindNames = {"file", "folder", "cookie", "link", "value", "key", "cookie-rows"};
constexpr std::array<std::string_view, 4> StateNames = {"kept", "removed", "resisted", "restored"};

template <class Enum, std::size_t N>
std::optional<Enum> enumNamed(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == name) return static_cast<Enum>(i);
    return std::nullopt;
}

std::optional<std::string> bytesOfHex(std::string_view hex) {
    if (hex.size() / 2 > limits::MaxRegistryValueData) return std::nullopt;
    return text::fromHex(hex);
}

bool isSha256(std::string_view text) {
    return text.empty() || (text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
                                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                            }));
}

// Readers of one field each: absent fields take their default, a field of the wrong type
// makes the whole index unreadable.
bool readText(const json& object, const char* name, std::string& out) {
    const auto it = object.find(name);
    if (it == object.end()) return true;
    if (!it->is_string()) return false;
    out = it->get<std::string>();
    return true;
}

bool readNumber(const json& object, const char* name, std::uint64_t& out) {
    const auto it = object.find(name);
    if (it == object.end()) return true;
    if (!it->is_number_unsigned()) return false;
    out = it->get<std::uint64_t>();
    return true;
}

json valueJson(const ExportedValue& value) {
    return json{{"name", value.name}, {"type", value.type}, {"data", text::toHex(value.data)}};
}

std::optional<ExportedValue> valueOf(const json& object) {
    if (!object.is_object()) return std::nullopt;
    ExportedValue value;
    std::string hex;
    std::uint64_t type = 0;
    if (!readText(object, "name", value.name) || !readNumber(object, "type", type) || !readText(object, "data", hex) ||
        type > UINT32_MAX)
        return std::nullopt;
    auto data = bytesOfHex(hex);
    if (!data) return std::nullopt;
    value.type = static_cast<std::uint32_t>(type);
    value.data = std::move(*data);
    return value;
}

json keyJson(const ExportedKey& key) {
    json values = json::array();
    for (const auto& value : key.values) values.push_back(valueJson(value));
    json keys = json::array();
    for (const auto& sub : key.keys) keys.push_back(keyJson(sub));
    return json{{"name", key.name}, {"values", std::move(values)}, {"keys", std::move(keys)}};
}

std::optional<ExportedKey> keyOf(const json& object, std::size_t depth) {
    if (!object.is_object() || depth > limits::MaxRegistryDepth) return std::nullopt;
    ExportedKey key;
    if (!readText(object, "name", key.name)) return std::nullopt;
    if (const auto values = object.find("values"); values != object.end()) {
        if (!values->is_array()) return std::nullopt;
        for (const auto& item : *values) {
            auto value = valueOf(item);
            if (!value) return std::nullopt;
            key.values.push_back(std::move(*value));
        }
    }
    if (const auto keys = object.find("keys"); keys != object.end()) {
        if (!keys->is_array()) return std::nullopt;
        for (const auto& item : *keys) {
            auto sub = keyOf(item, depth + 1);
            if (!sub) return std::nullopt;
            key.keys.push_back(std::move(*sub));
        }
    }
    return key;
}

json entryJson(const IndexEntry& entry) {
    json object{{"id", entry.id},
                {"date", entry.date},
                {"threat", entry.threat},
                {"kind", KindName(entry.kind)},
                {"original", entry.original},
                {"state", StateName(entry.state)}};
    if (!entry.kept.empty()) object["kept"] = entry.kept;
    if (entry.kind == EntryKind::File || entry.kind == EntryKind::Cookie || entry.kind == EntryKind::CookieRows) {
        object["size"] = entry.size;
        object["sha256"] = entry.sha256;
    }
    if (entry.kind == EntryKind::Folder) {
        json files = json::array();
        for (const auto& file : entry.files)
            files.push_back(json{{"path", file.path}, {"size", file.size}, {"sha256", file.sha256}});
        object["files"] = std::move(files);
    }
    if (entry.kind == EntryKind::RegistryValue || entry.kind == EntryKind::RegistryKey) {
        json registry{{"root", entry.root}, {"key", entry.key}};
        if (entry.value) registry["value"] = valueJson(*entry.value);
        if (entry.tree) registry["tree"] = keyJson(*entry.tree);
        object["registry"] = std::move(registry);
    }
    return object;
}

std::optional<IndexEntry> entryOf(const json& object) {
    if (!object.is_object()) return std::nullopt;
    IndexEntry entry;
    std::string kind, state;
    if (!readNumber(object, "id", entry.id) || !readText(object, "date", entry.date) ||
        !readText(object, "threat", entry.threat) || !readText(object, "kind", kind) ||
        !readText(object, "original", entry.original) || !readText(object, "kept", entry.kept) ||
        !readNumber(object, "size", entry.size) || !readText(object, "sha256", entry.sha256) ||
        !readText(object, "state", state))
        return std::nullopt;
    const auto kindValue = enumNamed<EntryKind>(KindNames, kind);
    const auto stateValue = enumNamed<EntryState>(StateNames, state);
    if (entry.id == 0 || !kindValue || !stateValue || !isSha256(entry.sha256)) return std::nullopt;
    entry.kind = *kindValue;
    entry.state = *stateValue;
    // Only the fields of its kind mean anything for an entry; the others are not kept.
    const bool keptFile =
        entry.kind == EntryKind::File || entry.kind == EntryKind::Cookie || entry.kind == EntryKind::CookieRows;
    const bool registryItem = entry.kind == EntryKind::RegistryValue || entry.kind == EntryKind::RegistryKey;
    if (!keptFile) {
        entry.size = 0;
        entry.sha256.clear();
    }
    // A kept name is a name inside the quarantine folder, never a way out of it.
    if (entry.kept.find_first_of("\\/:") != std::string::npos || entry.kept == "." || entry.kept == "..")
        return std::nullopt;
    if (const auto files = object.find("files"); files != object.end() && entry.kind == EntryKind::Folder) {
        if (!files->is_array()) return std::nullopt;
        for (const auto& item : *files) {
            if (!item.is_object()) return std::nullopt;
            KeptFile file;
            if (!readText(item, "path", file.path) || !readNumber(item, "size", file.size) ||
                !readText(item, "sha256", file.sha256) || !isSha256(file.sha256))
                return std::nullopt;
            entry.files.push_back(std::move(file));
        }
    }
    if (const auto registry = object.find("registry"); registry != object.end() && registryItem) {
        if (!registry->is_object() || !readText(*registry, "root", entry.root) ||
            !readText(*registry, "key", entry.key))
            return std::nullopt;
        if (const auto value = registry->find("value"); value != registry->end()) {
            entry.value = valueOf(*value);
            if (!entry.value) return std::nullopt;
        }
        if (const auto tree = registry->find("tree"); tree != registry->end()) {
            entry.tree = keyOf(*tree, 0);
            if (!entry.tree) return std::nullopt;
        }
    }
    return entry;
}

// Civil date to a day number (days since 1970-01-01), valid for the proleptic Gregorian calendar.
std::int64_t dayNumber(const platform::DateTime& value) {
    std::int64_t year = value.year;
    const std::int64_t month = value.month;
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + value.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::string_view KindName(EntryKind kind) { return KindNames[static_cast<std::size_t>(kind)]; }
std::string_view StateName(EntryState state) { return StateNames[static_cast<std::size_t>(state)]; }

std::optional<std::vector<IndexEntry>> ParseQuarantineIndex(std::string_view text) {
    if (text.size() > limits::MaxQuarantineIndex) return std::nullopt;
    const json document = json::parse(text.begin(), text.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object()) return std::nullopt;
    const auto entries = document.find("entries");
    if (entries == document.end() || !entries->is_array()) return std::nullopt;
    std::vector<IndexEntry> out;
    for (const auto& item : *entries) {
        auto entry = entryOf(item);
        if (!entry) return std::nullopt;
        // Two entries under one id would make "restore ID" ambiguous.
        if (std::any_of(out.begin(), out.end(), [&](const IndexEntry& e) { return e.id == entry->id; }))
            return std::nullopt;
        out.push_back(std::move(*entry));
    }
    return out;
}

std::string SerializeQuarantineIndex(const std::vector<IndexEntry>& entries) {
    json list = json::array();
    for (const auto& entry : entries) list.push_back(entryJson(entry));
    const json document{{"version", IndexVersion}, {"entries", std::move(list)}};
    // Invalid UTF-8 in a name is kept readable rather than making the whole index unwritable.
    return document.dump(1, '\t', false, json::error_handler_t::replace) + "\n";
}

std::string IndexDate(const platform::DateTime& value) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", value.year, value.month, value.day, value.hour,
                  value.minute, value.second);
    return text;
}

std::optional<platform::DateTime> ParseIndexDate(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':')
        return std::nullopt;
    auto number = [&](std::size_t at, std::size_t length, int& out) {
        out = 0;
        for (std::size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            out = out * 10 + (text[i] - '0');
        }
        return true;
    };
    platform::DateTime value;
    if (!number(0, 4, value.year) || !number(5, 2, value.month) || !number(8, 2, value.day) ||
        !number(11, 2, value.hour) || !number(14, 2, value.minute) || !number(17, 2, value.second))
        return std::nullopt;
    if (value.month < 1 || value.month > 12 || value.day < 1 || value.day > 31 || value.hour > 23 ||
        value.minute > 59 || value.second > 59)
        return std::nullopt;
    return value;
}

std::int64_t DaysBetween(const platform::DateTime& from, const platform::DateTime& to) {
    return dayNumber(to) - dayNumber(from);
}

QuarantineIndex::QuarantineIndex(platform::FileSystem& files, std::string folder)
    : files_(files), folder_(std::move(folder)), path_(folder_ + "\\index.json") {}

QuarantineIndex::Loaded QuarantineIndex::read() {
    entries_.clear();
    if (!files_.lookup(path_)) return Loaded::Absent;
    std::string text;
    if (!files_.readFile(path_, text).ok()) return Loaded::Unreadable;
    auto parsed = ParseQuarantineIndex(text);
    if (!parsed) return Loaded::Unreadable;
    entries_ = std::move(*parsed);
    return Loaded::Read;
}

bool QuarantineIndex::loadForReading() { return read() != Loaded::Unreadable; }

bool QuarantineIndex::load() {
    if (read() != Loaded::Unreadable) return true;
    // Kept for whoever wants to look at it; the next free name, never over an older one.
    for (int n = 1; n < 1000; ++n) {
        const std::string aside = folder_ + "\\index (unreadable " + std::to_string(n) + ").json";
        if (files_.lookup(aside)) continue;
        (void)files_.moveFile(path_, aside);
        break;
    }
    return false;
}

bool QuarantineIndex::save() {
    const std::string beside = path_ + ".new";
    if (!files_.writeFileFlushed(beside, SerializeQuarantineIndex(entries_)).ok()) return false;
    if (files_.replaceFile(beside, path_).ok()) return true;
    (void)files_.deleteFile(beside);
    return false;
}

IndexEntry* QuarantineIndex::find(std::uint64_t id) {
    for (auto& entry : entries_)
        if (entry.id == id) return &entry;
    return nullptr;
}

std::optional<std::uint64_t> QuarantineIndex::add(IndexEntry entry) {
    std::uint64_t next = 1;
    for (const auto& existing : entries_) next = std::max(next, existing.id + 1);
    entry.id = next;
    entries_.push_back(std::move(entry));
    if (save()) return next;
    entries_.pop_back();
    return std::nullopt;
}

void QuarantineIndex::setState(std::uint64_t id, EntryState state) {
    IndexEntry* entry = find(id);
    if (!entry || entry->state == state) return;
    entry->state = state;
    (void)save();
}

bool QuarantineIndex::remove(std::uint64_t id) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [id](const IndexEntry& e) { return e.id == id; });
    if (it == entries_.end()) return false;
    entries_.erase(it);
    return save();
}

}  // namespace sorvane::removal
