#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

// The names clients submit to the data-collection endpoint, kept in an SQLite database so
// that they outlast a restart: per name (letter case ignored) and product, how often, and
// when first and last. Bounded: names longer than MaxNameLength are not kept, and past
// `maxRows` the name seen longest ago makes room.
namespace sorvane::server {

class SubmissionStore {
public:
    static constexpr std::size_t MaxNameLength = 260;

    enum class Outcome { New, Seen, TooLong };
    struct Row {
        std::string name, product, firstSeen, lastSeen;
        std::int64_t count = 0;
    };

    // Opens or creates the database `file` (":memory:" keeps it for this run only).
    // Throws std::runtime_error naming the file and SQLite's reason.
    SubmissionStore(const std::string& file, std::size_t maxRows);
    ~SubmissionStore();
    SubmissionStore(const SubmissionStore&) = delete;
    SubmissionStore& operator=(const SubmissionStore&) = delete;

    // Counts one submission of `name` by `product` at `now` ("2024-05-14T09:30:00Z").
    Outcome record(std::string_view name, std::string_view product, std::string_view now);
    // The `limit` names submitted most often, most first.
    std::vector<Row> top(std::size_t limit);
    std::size_t rows();

private:
    void exec(const char* sql);
    [[noreturn]] void fail(const std::string& what);

    sqlite3* db_ = nullptr;
    std::string file_;
    std::size_t maxRows_;
    std::size_t rows_ = 0;
    std::mutex mutex_;
};

}  // namespace sorvane::server
