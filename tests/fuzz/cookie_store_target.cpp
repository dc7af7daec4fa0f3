#include "tests/fuzz/cookie_store_target.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "scan/cookie_store.h"

namespace sorvane::fuzz {
namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// The database lives in a file of this process's own, as the reader opens files by path.
std::string storePath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("sorvane-fuzz-store-" + std::to_string(::getpid()))).string();
    return path;
}

}  // namespace

void FuzzCookieStore(const std::uint8_t* data, std::size_t size) {
    const std::string path = storePath();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::remove((path + suffix).c_str());
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    const auto reading = scan::ReadCookieStoreHosts(path);
    if (reading.access != scan::StoreAccess::Read) require(reading.hosts.empty());
    for (const auto& host : reading.hosts) require(!host.empty() && host.front() != '.');
    if (reading.access == scan::StoreAccess::Read && !reading.hosts.empty()) {
        const std::string host = reading.hosts.front();
        std::string kept;
        const auto removed = scan::RemoveCookieRows(path, host, [&](const std::string& rows) {
            kept = rows;
            return true;
        });
        if (removed == scan::RowsOutcome::Done) {
            // What is deleted was handed over first. (A store's own triggers may write the
            // host again, so its absence afterwards is no property of the reader.)
            require(!kept.empty());
            (void)scan::ReadCookieStoreHosts(path);
            (void)scan::RestoreCookieRows(path, kept);
        }
    }
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) std::remove((path + suffix).c_str());
}

}  // namespace sorvane::fuzz
