#pragma once
#include <span>
#include <vector>

#include "scan/findings.h"

namespace sorvane::removal {

// The traces that go with the chosen removal rows, tied as checking those rows of the results
// list ties them (scan::TraceTies). In the results page's order: files and folders, then
// registry items, then cookies, each in the order found; each trace once.
std::vector<scan::Finding> TiedTraces(const scan::Findings& findings, std::span<const scan::Finding* const> chosen);

}  // namespace sorvane::removal
