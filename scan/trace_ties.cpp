#include "scan/trace_ties.h"

namespace sorvane::scan {

void TraceTies::add(int rowIcon, const std::string& text, const std::string& location) {
    switch (rowIcon) {
    case icon::Cookie: cookiePaths_.insert(location); break;
    case icon::Registry: registryKeys_.insert(text); threats_.insert(text); break;
    case icon::File: threats_.insert(text); break;
    case icon::Folder: folderPaths_.insert(location); threats_.insert(text); break;
    default: break;
    }
}

bool TraceTies::ties(const Finding& trace) const {
    switch (trace.kind) {
    case FindingKind::Cookie: return tiesCookie(trace.path);
    case FindingKind::File:
    case FindingKind::Folder: return tiesFile(trace.path, trace.threat);
    case FindingKind::RegistryKey:
    case FindingKind::RegistryValue: return tiesRegistry(trace.registry.key, trace.threat);
    case FindingKind::Process: return false;
    }
    return false;
}

}  // namespace sorvane::scan
