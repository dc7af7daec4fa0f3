#pragma once
#include "cli/cli.h"
#include "ui/headless/headless_host.h"

namespace sorvane::cli {

int runScan(platform::Platform& platform, std::span<const std::string> args, Console& console);
// The scan command on the host given, which it runs and which hears of everything it makes.
int runScanOn(ui::HeadlessHost& host, platform::Platform& platform, std::span<const std::string> args, Console& console);
int runVersion(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runDefs(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runUpdate(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runRemove(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runQuarantine(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runReport(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runSubmit(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runExclude(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runLanguage(platform::Platform& platform, std::span<const std::string> args, Console& console);
int runStartup(platform::Platform& platform, std::span<const std::string> args, Console& console);

}  // namespace sorvane::cli
