#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

namespace sorvane::scan {

// How a browser's cookie database could be read.
enum class StoreAccess {
    Read,        // every host was read
    InUse,       // the browser holds it locked (or left a write unfinished): close the browser
    Unreadable,  // missing, not a cookie database, or damaged
};

struct StoreHosts {
    StoreAccess access = StoreAccess::Unreadable;
    // The distinct hosts of its cookies, lower case, without the leading dot of a domain cookie.
    std::vector<std::string> hosts;
};

// Reads the hosts of a Chromium ("cookies") or Firefox ("moz_cookies") cookie database,
// read-only and without taking a lock a running browser would notice; `path` is the file's
// path as the system spells it, UTF-8.
StoreHosts ReadCookieStoreHosts(std::string_view path);

// The location of one host's cookies in a store, as the results lists keep it: the store's
// path and the host after a "|" (which no Windows path holds).
std::string CookieStoreLocation(std::string_view storePath, std::string_view host);
// The store path and host of such a location; nothing for the path of a cookie file.
std::optional<std::pair<std::string, std::string>> SplitCookieStoreLocation(std::string_view location);

// The "file:" address SQLite opens a path by, read-only.
std::string ReadOnlyStoreUri(std::string_view path);

}  // namespace sorvane::scan

namespace sorvane::scan {

// What became of one host's rows in a store.
enum class RowsOutcome {
    Done,      // removal: kept by the caller, then deleted in one transaction; restore: all put back
    InUse,     // the browser holds the store: nothing was changed
    Nothing,   // no row of the host is there (any more)
    NotKept,   // the caller could not keep them: nothing was deleted
    Failed,    // the store could not be opened or written; nothing was deleted
    Clash,     // restore: a row of the same key is there again; nothing was added
};

// Deletes every cookie of `host` (leading dots and letter case aside) from a store, in one
// transaction, after `keep` has stored the rows (every column, as typed values, as one JSON
// text) and answered true.
RowsOutcome RemoveCookieRows(std::string_view storePath, std::string_view host,
                             const std::function<bool(const std::string& rows)>& keep);
// Puts rows kept by RemoveCookieRows back into the store, all of them or none.
RowsOutcome RestoreCookieRows(std::string_view storePath, std::string_view rows);

}  // namespace sorvane::scan
