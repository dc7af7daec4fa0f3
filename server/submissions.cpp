#include "server/submissions.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

#include "platform/text.h"

namespace sorvane::server {
namespace {

struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

void bindText(sqlite3_stmt* s, int index, std::string_view value) {
    sqlite3_bind_text(s, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

std::string columnText(sqlite3_stmt* s, int index) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, index));
    return text == nullptr ? std::string() : std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, index)));
}

}  // namespace

SubmissionStore::SubmissionStore(const std::string& file, std::size_t maxRows) : file_(file), maxRows_(maxRows) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string reason = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("cannot open the submissions database " + file + ": " + reason);
    }
    sqlite3_busy_timeout(db_, 5000);
    try {
        exec("PRAGMA journal_mode=WAL");
        exec("CREATE TABLE IF NOT EXISTS submissions ("
             " key TEXT NOT NULL, product TEXT NOT NULL, name TEXT NOT NULL, count INTEGER NOT NULL,"
             " first_seen TEXT NOT NULL, last_seen TEXT NOT NULL, PRIMARY KEY (key, product))");
        exec("CREATE INDEX IF NOT EXISTS submissions_last_seen ON submissions (last_seen)");
        rows_ = rows();
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

SubmissionStore::~SubmissionStore() { sqlite3_close(db_); }

void SubmissionStore::fail(const std::string& what) {
    throw std::runtime_error("submissions database " + file_ + ": " + what + ": " + sqlite3_errmsg(db_));
}

void SubmissionStore::exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(sql);
}

std::size_t SubmissionStore::rows() {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT COUNT(*) FROM submissions", -1, &raw, nullptr) != SQLITE_OK) fail("count");
    Statement s(raw);
    if (sqlite3_step(s.get()) != SQLITE_ROW) fail("count");
    return static_cast<std::size_t>(sqlite3_column_int64(s.get(), 0));
}

SubmissionStore::Outcome SubmissionStore::record(std::string_view name, std::string_view product,
                                                 std::string_view now) {
    if (name.size() > MaxNameLength) return Outcome::TooLong;
    const std::string key = text::toLower(name);
    std::lock_guard lock(mutex_);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, "UPDATE submissions SET count = count + 1, last_seen = ?3 WHERE key = ?1 AND product = ?2",
                           -1, &raw, nullptr) != SQLITE_OK) {
        fail("update");
    }
    Statement update(raw);
    bindText(update.get(), 1, key);
    bindText(update.get(), 2, product);
    bindText(update.get(), 3, now);
    if (sqlite3_step(update.get()) != SQLITE_DONE) fail("update");
    if (sqlite3_changes(db_) > 0) return Outcome::Seen;

    exec("BEGIN IMMEDIATE");
    try {
        if (rows_ >= maxRows_) {
            exec("DELETE FROM submissions WHERE rowid IN"
                 " (SELECT rowid FROM submissions ORDER BY last_seen, count LIMIT 1)");
            rows_ -= static_cast<std::size_t>(sqlite3_changes(db_));
        }
        if (sqlite3_prepare_v2(db_, "INSERT INTO submissions VALUES (?1, ?2, ?3, 1, ?4, ?4)", -1, &raw, nullptr) !=
            SQLITE_OK) {
            fail("insert");
        }
        Statement insert(raw);
        bindText(insert.get(), 1, key);
        bindText(insert.get(), 2, product);
        bindText(insert.get(), 3, name);
        bindText(insert.get(), 4, now);
        if (sqlite3_step(insert.get()) != SQLITE_DONE) fail("insert");
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    ++rows_;
    return Outcome::New;
}

std::vector<SubmissionStore::Row> SubmissionStore::top(std::size_t limit) {
    std::lock_guard lock(mutex_);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_,
                           "SELECT name, product, count, first_seen, last_seen FROM submissions"
                           " ORDER BY count DESC, last_seen DESC, key LIMIT ?1",
                           -1, &raw, nullptr) != SQLITE_OK) {
        fail("list");
    }
    Statement s(raw);
    sqlite3_bind_int64(s.get(), 1, static_cast<sqlite3_int64>(limit));
    std::vector<Row> result;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(s.get())) == SQLITE_ROW) {
        result.push_back({columnText(s.get(), 0), columnText(s.get(), 1), columnText(s.get(), 3),
                          columnText(s.get(), 4), sqlite3_column_int64(s.get(), 2)});
    }
    if (step != SQLITE_DONE) fail("list");
    return result;
}

}  // namespace sorvane::server
