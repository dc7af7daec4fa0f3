#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "scan/scan_session.h"

namespace sorvane::scan {

// Lists every registry definition's key or value that exists, is not safe and not excluded.
void ScanRegistry(ScanSession& session);

struct Hive {
    platform::RootKey root;
    std::string name;  // "HKEY_LOCAL_MACHINE" and so on
};
// The hive of a definition's hive code 0 to 5; nothing for any other text.
std::optional<Hive> HiveOfCode(std::string_view code);

// The root key written as the signed decimal number of its handle, as the work list holds it.
std::string RootKeyText(platform::RootKey root);

}  // namespace sorvane::scan
