#include "scan/cookie_store.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::scan {

namespace {

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// Busy and locked mean a writer holds the file; a hot journal that a read-only reader may not
// roll back means the browser was stopped in the middle of a write and will finish it itself.
bool heldByWriter(int code) {
    const int primary = code & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED || code == SQLITE_READONLY_ROLLBACK ||
           code == SQLITE_READONLY_RECOVERY || code == SQLITE_READONLY_CANTINIT;
}

// A store is outside input: its schema may not run anything beyond plain SQL on itself.
void harden(sqlite3* db) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

}  // namespace

std::string CookieStoreLocation(std::string_view storePath, std::string_view host) {
    return std::string(storePath) + "|" + std::string(host);
}

std::optional<std::pair<std::string, std::string>> SplitCookieStoreLocation(std::string_view location) {
    const auto bar = location.rfind('|');
    if (bar == std::string_view::npos || bar == 0 || bar + 1 == location.size()) return std::nullopt;
    return std::pair{std::string(location.substr(0, bar)), std::string(location.substr(bar + 1))};
}

std::string ReadOnlyStoreUri(std::string_view path) {
    std::string slashed = text::replaceAll(path, "\\", "/");
    // "C:/x" becomes "file:///C:/x"; a network path "//server/share" keeps its two slashes
    // after an empty authority.
    std::string uri = slashed.starts_with("/") ? "file://" : "file:///";
    static constexpr char hex[] = "0123456789ABCDEF";
    for (const unsigned char c : slashed) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            std::string_view("-._~/:").find(static_cast<char>(c)) != std::string_view::npos) {
            uri.push_back(static_cast<char>(c));
        } else {
            uri.push_back('%');
            uri.push_back(hex[c >> 4]);
            uri.push_back(hex[c & 0xF]);
        }
    }
    return uri + "?mode=ro";
}

StoreHosts ReadCookieStoreHosts(std::string_view path) {
    StoreHosts result;
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(ReadOnlyStoreUri(path).c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                                       nullptr);
    Database db(raw);
    if (opened != SQLITE_OK) {
        if (heldByWriter(opened)) result.access = StoreAccess::InUse;
        return result;
    }
    harden(db.get());
    // Chromium names its table "cookies" with the column host_key, Firefox "moz_cookies" with host.
    std::string_view query;
    for (const auto& [table, select] :
         {std::pair<std::string_view, std::string_view>{"cookies", "SELECT DISTINCT host_key FROM cookies"},
          {"moz_cookies", "SELECT DISTINCT host FROM moz_cookies"}}) {
        sqlite3_stmt* probe = nullptr;
        int code = sqlite3_prepare_v2(db.get(), "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1", -1,
                                      &probe, nullptr);
        Statement probing(probe);
        if (code == SQLITE_OK) code = sqlite3_bind_text(probe, 1, table.data(), static_cast<int>(table.size()),
                                                        SQLITE_STATIC);
        if (code == SQLITE_OK) code = sqlite3_step(probe);
        if (code == SQLITE_ROW) {
            query = select;
            break;
        }
        if (code != SQLITE_DONE) {
            if (heldByWriter(code) || heldByWriter(sqlite3_extended_errcode(db.get())))
                result.access = StoreAccess::InUse;
            return result;
        }
    }
    if (query.empty()) return result;

    sqlite3_stmt* raw_statement = nullptr;
    int code = sqlite3_prepare_v2(db.get(), query.data(), static_cast<int>(query.size()), &raw_statement, nullptr);
    Statement statement(raw_statement);
    std::set<std::string> hosts;
    std::size_t rows = 0;
    while (code == SQLITE_OK || code == SQLITE_ROW) {
        code = sqlite3_step(raw_statement);
        if (code != SQLITE_ROW) break;
        if (++rows > limits::MaxCookieRows) break;
        const auto* bytes = sqlite3_column_text(raw_statement, 0);
        if (!bytes) continue;
        std::string host = text::toLower(
            std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(sqlite3_column_bytes(raw_statement, 0))));
        while (!host.empty() && host.front() == '.') host.erase(0, 1);
        if (!host.empty()) hosts.insert(std::move(host));
    }
    if (code != SQLITE_DONE && code != SQLITE_ROW) {
        if (heldByWriter(code)) result.access = StoreAccess::InUse;
        return result;
    }
    result.access = StoreAccess::Read;
    result.hosts.assign(hosts.begin(), hosts.end());
    return result;
}

namespace {

struct WritableStore {
    Database db;
    std::string table;       // "cookies" or "moz_cookies"
    std::string hostColumn;  // "host_key" or "host"
};

int execute(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// Opens an existing store for writing and starts a write transaction; InUse when its browser
// holds it (a running browser keeps its store locked).
RowsOutcome openForWriting(std::string_view path, WritableStore& store) {
    sqlite3* raw = nullptr;
    std::string uri = ReadOnlyStoreUri(path);
    uri.replace(uri.size() - 2, 2, "rw");
    const int opened = sqlite3_open_v2(uri.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    store.db.reset(raw);
    if (opened != SQLITE_OK) return heldByWriter(opened) ? RowsOutcome::InUse : RowsOutcome::Failed;
    harden(raw);
    const int begun = execute(raw, "BEGIN IMMEDIATE");
    if (begun != SQLITE_OK) return heldByWriter(begun) ? RowsOutcome::InUse : RowsOutcome::Failed;
    for (const auto& [table, column] : {std::pair{"cookies", "host_key"}, std::pair{"moz_cookies", "host"}}) {
        sqlite3_stmt* probe = nullptr;
        sqlite3_prepare_v2(raw, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1", -1, &probe, nullptr);
        Statement probing(probe);
        sqlite3_bind_text(probe, 1, table, -1, SQLITE_STATIC);
        if (sqlite3_step(probe) == SQLITE_ROW) {
            store.table = table;
            store.hostColumn = column;
            return RowsOutcome::Done;
        }
    }
    return RowsOutcome::Failed;
}

nlohmann::json columnValue(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER: return sqlite3_column_int64(statement, column);
    case SQLITE_FLOAT: return {{"real", sqlite3_column_double(statement, column)}};
    case SQLITE_TEXT: {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    }
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
        return {{"blob", text::toHex({reinterpret_cast<const char*>(bytes), size})}};
    }
    default: return nullptr;
    }
}

bool bindValue(sqlite3_stmt* statement, int index, const nlohmann::json& value) {
    if (value.is_null()) return sqlite3_bind_null(statement, index) == SQLITE_OK;
    if (value.is_number_integer()) return sqlite3_bind_int64(statement, index, value.get<std::int64_t>()) == SQLITE_OK;
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        return sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) ==
               SQLITE_OK;
    }
    if (value.is_object() && value.size() == 1) {
        if (const auto real = value.find("real"); real != value.end() && real->is_number())
            return sqlite3_bind_double(statement, index, real->get<double>()) == SQLITE_OK;
        if (const auto blob = value.find("blob"); blob != value.end() && blob->is_string()) {
            const auto& text = blob->get_ref<const std::string&>();
            if (text.size() % 2 != 0) return false;
            std::string bytes;
            for (std::size_t i = 0; i < text.size(); i += 2) {
                const auto nibble = [](char c) {
                    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
                };
                const int high = nibble(text[i]), low = nibble(text[i + 1]);
                if (high < 0 || low < 0) return false;
                bytes.push_back(static_cast<char>(high * 16 + low));
            }
            return sqlite3_bind_blob64(statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT) == SQLITE_OK;
        }
    }
    return false;
}

// A name from the kept rows, quoted for SQL: only plain column names are accepted.
std::optional<std::string> quotedName(const nlohmann::json& name) {
    if (!name.is_string()) return std::nullopt;
    const auto& text = name.get_ref<const std::string&>();
    if (text.empty() || text.size() > 128) return std::nullopt;
    for (const char c : text)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return std::nullopt;
    return "\"" + text + "\"";
}

}  // namespace

RowsOutcome RemoveCookieRows(std::string_view storePath, std::string_view host,
                             const std::function<bool(const std::string& rows)>& keep) {
    WritableStore store;
    const auto opened = openForWriting(storePath, store);
    if (opened != RowsOutcome::Done) return opened;
    sqlite3* db = store.db.get();
    const std::string match = " FROM " + store.table + " WHERE lower(ltrim(" + store.hostColumn + ",'.')) = lower(?1)";
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, ("SELECT *" + match).c_str(), -1, &raw, nullptr) != SQLITE_OK) return RowsOutcome::Failed;
    Statement select(raw);
    sqlite3_bind_text(raw, 1, host.data(), static_cast<int>(host.size()), SQLITE_STATIC);
    nlohmann::json kept{{"table", store.table}, {"columns", nlohmann::json::array()}, {"rows", nlohmann::json::array()}};
    const int columns = sqlite3_column_count(raw);
    for (int c = 0; c < columns; ++c) kept["columns"].push_back(sqlite3_column_name(raw, c));
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(raw)) == SQLITE_ROW) {
        nlohmann::json row = nlohmann::json::array();
        for (int c = 0; c < columns; ++c) row.push_back(columnValue(raw, c));
        kept["rows"].push_back(std::move(row));
    }
    if (code != SQLITE_DONE) return heldByWriter(code) ? RowsOutcome::InUse : RowsOutcome::Failed;
    if (kept["rows"].empty()) return RowsOutcome::Nothing;
    // Nothing is deleted that is not kept first; the transaction ends without a change otherwise.
    if (!keep(kept.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace))) return RowsOutcome::NotKept;
    sqlite3_stmt* rawDelete = nullptr;
    if (sqlite3_prepare_v2(db, ("DELETE" + match).c_str(), -1, &rawDelete, nullptr) != SQLITE_OK)
        return RowsOutcome::Failed;
    Statement remove(rawDelete);
    sqlite3_bind_text(rawDelete, 1, host.data(), static_cast<int>(host.size()), SQLITE_STATIC);
    if (sqlite3_step(rawDelete) != SQLITE_DONE) return RowsOutcome::Failed;
    return execute(db, "COMMIT") == SQLITE_OK ? RowsOutcome::Done : RowsOutcome::Failed;
}

RowsOutcome RestoreCookieRows(std::string_view storePath, std::string_view rows) {
    const auto kept = nlohmann::json::parse(rows, nullptr, false);
    if (kept.is_discarded() || !kept.is_object() || !kept.contains("columns") || !kept.contains("rows") ||
        !kept["columns"].is_array() || !kept["rows"].is_array() || kept["columns"].empty())
        return RowsOutcome::Failed;
    WritableStore store;
    const auto opened = openForWriting(storePath, store);
    if (opened != RowsOutcome::Done) return opened;
    if (kept.value("table", std::string()) != store.table) return RowsOutcome::Failed;
    std::string names, places;
    for (const auto& column : kept["columns"]) {
        const auto quoted = quotedName(column);
        if (!quoted) return RowsOutcome::Failed;
        names += (names.empty() ? "" : ",") + *quoted;
        places += places.empty() ? "?" : ",?";
    }
    sqlite3_stmt* raw = nullptr;
    const std::string insert = "INSERT INTO " + store.table + "(" + names + ") VALUES(" + places + ")";
    if (sqlite3_prepare_v2(store.db.get(), insert.c_str(), -1, &raw, nullptr) != SQLITE_OK) return RowsOutcome::Failed;
    Statement statement(raw);
    for (const auto& row : kept["rows"]) {
        if (!row.is_array() || row.size() != kept["columns"].size()) return RowsOutcome::Failed;
        sqlite3_reset(raw);
        for (std::size_t c = 0; c < row.size(); ++c)
            if (!bindValue(raw, static_cast<int>(c + 1), row[c])) return RowsOutcome::Failed;
        const int code = sqlite3_step(raw);
        if ((code & 0xFF) == SQLITE_CONSTRAINT) return RowsOutcome::Clash;
        if (code != SQLITE_DONE) return heldByWriter(code) ? RowsOutcome::InUse : RowsOutcome::Failed;
    }
    return execute(store.db.get(), "COMMIT") == SQLITE_OK ? RowsOutcome::Done : RowsOutcome::Failed;
}

}  // namespace sorvane::scan
