#pragma once
#include <optional>
#include <string_view>

namespace sorvane::cli {

// "--quick" or "--complete": the scan scope asked for on the command line. Answers whether
// the argument was one of them; `complete` keeps the last one given.
inline bool ParseScanScope(std::string_view arg, std::optional<bool>& complete) {
    if (arg == "--quick") complete = false;
    else if (arg == "--complete") complete = true;
    else return false;
    return true;
}

}  // namespace sorvane::cli
