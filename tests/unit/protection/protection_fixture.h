#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/gui_features.h"
#include "definitions/definition_files.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::protection::testing {

inline constexpr const char* UserRoot = "Software\\VB and VBA Program Settings\\Sorvane\\";
inline const std::string Folder = "C:\\Program Files\\Sorvane";

// The GUI program as its entry point assembles it, on fakes and the headless host, whose
// virtual clock also drives the fake system clock.
struct Program {
    Program(fakes::FakePlatform& fake, ui::HeadlessHost& host)
        : app(fake.platform(), host), features(app), main(app), splash(app, main) {}
    app::Application app;
    app::GuiFeatures features;
    app::FrmMain main;
    app::FrmSplash splash;
};

class ProtectionFixture : public ::testing::Test {
protected:
    ProtectionFixture() {
        putUser("Settings", "Language", "English");
        putUser("Settings", "showHelp", "0");
        putUser("OptionAndSettings", "optScanAllSelectedHardDrive", "False");
        fake.registry.putString(platform::RootKey::LocalMachine, "SOFTWARE\\Talvenor\\Sorvane\\Settings", "FirstTime",
                                "Yes");
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat"})
            fake.files.addFile(Folder + "\\" + name, "");
    }

    // Starts the program; `tray` starts it in the tray, where every background timer runs.
    app::FrmMain& start(bool tray = true) {
        if (tray) putUser("Settings", "Minimized", "Yes");
        program.reset();
        host = std::make_unique<ui::HeadlessHost>();
        fake.locale.followClock([this] { return host ? host->now() : 0; });
        program = std::make_unique<Program>(fake, *host);
        program->splash.show();
        host->advance(2 * app::FrmSplash::Ticks);
        return program->main;
    }

    void putUser(std::string_view section, std::string_view key, std::string_view value) {
        fake.registry.putString(platform::RootKey::CurrentUser, std::string(UserRoot) + std::string(section), key,
                                value);
    }
    std::optional<std::string> user(std::string_view section, std::string_view key) {
        return fake.registry.stringValue(platform::RootKey::CurrentUser, std::string(UserRoot) + std::string(section),
                                         key);
    }
    void definitions(std::string_view file, const std::vector<std::string>& lines) {
        std::string content;
        for (const auto& line : lines) content += definitions::StoredDefinitionLine(fake.locale, line) + "\r\n";
        ASSERT_TRUE(fake.files.writeFile(Folder + "\\" + std::string(file), content).ok());
    }
    std::vector<std::string> summary() const {
        std::vector<std::string> rows;
        for (const auto& row : program->main.lvwSpywareFound.items()) rows.push_back(row.text);
        return rows;
    }
    ProtectionFeature& protection() { return program->features.protection; }

    fakes::FakePlatform fake;
    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<Program> program;
};

}  // namespace sorvane::protection::testing
