#pragma once
#include <memory>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/gui_features.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::app::testing {

inline const std::string ProgramFolder = "C:\\Program Files\\Sorvane";

// The GUI program as its entry point assembles it, on fakes and the headless host, after a
// first start (no question stands in front of the main window) and with empty definitions.
class GuiProgramTest : public ::testing::Test {
protected:
    GuiProgramTest() {
        put("Settings", "Language", "English");
        put("Settings", "showHelp", "0");
        fake.registry.putString(platform::RootKey::LocalMachine, "SOFTWARE\\Talvenor\\Sorvane\\Settings", "FirstTime",
                                "Yes");
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat"})
            fake.files.addFile(ProgramFolder + "\\" + name, "");
        fake.environment.folder = ProgramFolder;
    }
    // A per-user setting stored before the start.
    void put(std::string_view section, std::string_view key, std::string_view value) {
        fake.registry.putString(platform::RootKey::CurrentUser,
                                std::string("Software\\VB and VBA Program Settings\\Sorvane\\") + std::string(section),
                                key, value);
    }
    // A per-user setting as the program stored it.
    std::string stored(std::string_view section, std::string_view key) {
        return app->userSettings.read(section, key, "unset");
    }
    // The splash window's count, then the main window.
    FrmMain& start() {
        app = std::make_unique<Application>(fake.platform(), host);
        features = std::make_unique<GuiFeatures>(*app);
        main = std::make_unique<FrmMain>(*app);
        splash = std::make_unique<FrmSplash>(*app, *main);
        splash->show();
        host.advance(2 * FrmSplash::Ticks);
        return *main;
    }

    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    std::unique_ptr<Application> app;
    std::unique_ptr<GuiFeatures> features;
    std::unique_ptr<FrmMain> main;
    std::unique_ptr<FrmSplash> splash;
};

}  // namespace sorvane::app::testing
