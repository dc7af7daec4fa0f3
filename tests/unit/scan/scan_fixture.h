#pragma once
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/cli.h"
#include "definitions/definition_files.h"
#include "definitions/exclusions.h"
#include "scan/scan_session.h"
#include "scan/results_page.h"
#include "scan/scan_window.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::scan::testing {

inline const std::string AppFolder = "C:\\Program Files\\Sorvane";

// A machine of fakes, a headless main window and a scan session over them.
class ScanFixture : public ::testing::Test {
protected:
    ScanFixture()
        : window(host),
          view(*ScanView::bind(window)),
          viewObserver(view, host),
          exclusions(fake.files, fake.locale, AppFolder + "\\ENoSignature.txt"),
          session(fake.platform(), host, viewObserver, exclusions, app(), {}, AppFolder) {
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat"})
            fake.files.addFile(AppFolder + "\\" + name, "");
        // As the window looks while a scan runs.
        view.cmdScan.setEnabled(false);
        view.cmdScanNow.setEnabled(false);
    }

    AppAccess app() {
        AppAccess access;
        access.message = [this](std::string_view key) {
            auto it = messages.find(std::string(key));
            return it == messages.end() ? std::string() : it->second;
        };
        access.readSetting = [this](std::string_view section, std::string_view key, std::string_view fallback) {
            auto it = settings.find(std::string(section) + "/" + std::string(key));
            return it == settings.end() ? std::string(fallback) : it->second;
        };
        access.writeSetting = [this](std::string_view section, std::string_view key, std::string_view value) {
            settings[std::string(section) + "/" + std::string(key)] = std::string(value);
        };
        access.productName = [] { return std::string("Sorvane"); };
        return access;
    }

    // Writes a definition file of clear lines, encoded as the program stores them.
    void definitions(std::string_view file, const std::vector<std::string>& lines) {
        std::string content;
        for (const auto& line : lines) content += sorvane::definitions::StoredDefinitionLine(fake.locale, line) + "\r\n";
        ASSERT_TRUE(fake.files.writeFile(AppFolder + "\\" + std::string(file), content).ok());
    }
    void exclude(std::string_view item) { ASSERT_TRUE(exclusions.AddExclusion(item).ok()); }
    // Runs a console command over the fakes, the program beside the definitions; its
    // output lands in `out` and `err`.
    int runCommand(const std::vector<std::string>& args) {
        std::istringstream in;
        out.str("");
        err.str("");
        cli::Console console{in, out, err};
        fake.environment.folder = AppFolder;
        return cli::dispatch(fake.platform(), args, console);
    }
    std::ostringstream out, err;

    std::vector<std::string> texts(const ui::ListView& list) const {
        std::vector<std::string> rows;
        for (const auto& row : list.items()) rows.push_back(row.text);
        return rows;
    }
    const ui::ListView& summary() const { return view.lvwSpywareFound; }
    const ui::ListView& detail() const { return view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved; }

    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    ScanWindow window;
    ScanView view;
    ScanViewObserver viewObserver;
    sorvane::definitions::ExclusionList exclusions;
    std::map<std::string, std::string> messages{
        {"MSG_COOKIES", "Inspecting Cookies"},       {"MSG_MEMORY", "Inspecting memory"},
        {"MSG_REGISTRY", "Scanning registry"},       {"MSG_SPYWARE", "Scanning known Spyware/Adware"},
        {"MSG_NOTSELECED", "Not Selected"},          {"MSG_SCAN_CANCELLED", "Scanning was cancelled."},
        {"MSG_COMPLETED", "Completed."},             {"MSG_SCAN_COMPLETED", "Scanning complete."},
        {"MSG_STOP", "Are you sure you want to stop the scan?"},
        {"MSG_MISSING", "Definition files are missing or they have been corrupted. Please run Live Update."},
        {"MSG_ERROR_STOPPED", "Could not be stopped.  You should try again after saving your work and closing any "
                              "open applications."},
        {"MSG_PAUSED", "[ProgramName] has been paused.  Click OK to resume."},
        {"MSG_DETECTED_MEMORY", "Detected in the memory :"},
        {"MSG_STOPPED_RUNNING", "Was stopped from running."},
        {"MSG_STOPPED_RUNNING9X", "And was stopped being from ruuning."}};
    std::map<std::string, std::string> settings;
    ScanSession session;
};

// A file with a version resource naming the company, in the UTF-16 form executables carry.
inline std::string versionResource(std::string_view company, std::size_t padding = 64) {
    auto wide = [](std::string_view s) {
        std::string out;
        for (char c : s) {
            out += c;
            out += '\0';
        }
        return out;
    };
    std::string bytes(padding, 'x');
    bytes += wide("StringFileInfo") + std::string(2, '\0');
    bytes += std::string(6, '\0') + wide("CompanyName") + std::string(4, '\0');
    bytes += wide(company) + std::string(4, '\0');
    bytes += std::string(6, '\0') + wide("FileDescription") + std::string(4, '\0') + wide("Tool") + std::string(4, '\0');
    return bytes;
}

}  // namespace sorvane::scan::testing
