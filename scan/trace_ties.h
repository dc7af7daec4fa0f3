#pragma once
#include <string>
#include <unordered_set>

#include "scan/findings.h"

namespace sorvane::scan {

// Which traces go with the chosen removal rows: a cookie row its cookie; a file, folder or
// registry row every trace of its threat (a folder row also the trace of its folder, a
// registry row every registry trace of its key). A threat gets one removal row, of the kind of
// its first trace; the traces of other kinds found later are tied to it by the threat name, or
// choosing the row would leave them in place. The results page checks the work rows by it and
// a removal takes the traces by it.
class TraceTies {
public:
    // A chosen removal row: its icon, its text (the threat) and its location.
    void add(int rowIcon, const std::string& text, const std::string& location);
    void add(const RemovalRow& row) { add(row.icon, row.text, row.location); }
    bool empty() const { return cookiePaths_.empty() && folderPaths_.empty() && threats_.empty(); }

    bool tiesCookie(const std::string& path) const { return cookiePaths_.count(path) > 0; }
    bool tiesFile(const std::string& path, const std::string& threat) const {
        return folderPaths_.count(path) > 0 || threats_.count(threat) > 0;
    }
    bool tiesRegistry(const std::string& key, const std::string& threat) const {
        return registryKeys_.count(key) > 0 || threats_.count(threat) > 0;
    }
    // A trace of the scan; a running program has no work row (the scan stopped it).
    bool ties(const Finding& trace) const;

private:
    std::unordered_set<std::string> cookiePaths_, folderPaths_, threats_, registryKeys_;
};

}  // namespace sorvane::scan
