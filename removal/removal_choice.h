#pragma once
#include <span>
#include <vector>

#include "scan/findings.h"

namespace sorvane::removal {

// The traces that go with the chosen removal rows, as checking a row of the results list ties
// them: a cookie row its cookie; a file, folder or registry row every trace of its threat (a
// folder row also the trace of its folder, a registry row every registry trace of its key).
// In the results page's order: files and folders, then registry items, then cookies, each
// in the order found; each trace once.
std::vector<scan::Finding> TiedTraces(const scan::Findings& findings, std::span<const scan::Finding* const> chosen);

}  // namespace sorvane::removal
