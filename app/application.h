#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "app/definition_files.h"
#include "app/main_window_hooks.h"
#include "app/settings.h"
#include "localization/branding.h"
#include "localization/language_switch.h"
#include "localization/messages.h"
#include "platform/platform.h"
#include "ui/form.h"
#include "ui/host.h"

namespace sorvane::app {

// Name of the lock that tells a second copy of the program that one already runs.
inline constexpr std::string_view InstanceLockName = "Sorvane.MainWindow.Instance";

// Everything process-wide the windows share: the platform services, the host, the
// branding, the message catalogue, the settings stores and the subsystems' hooks.
// One per process, handed to every window; there are no hidden globals.
class Application {
public:
    Application(platform::Platform& platform, ui::Host& host);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    platform::Platform& platform;
    ui::Host& host;
    localization::Branding branding;
    localization::Languages messages;
    UserSettings userSettings;
    MachineSettings machineSettings;
    MainWindowHooks hooks;

    // Current language name (the "Language" setting once it has been applied).
    std::string languageName = "English";
    std::int32_t DefinitionCount = 0;
    DefinitionCounts definitionCounts;
    std::string ScanStartTime;
    std::string ScanEndTime;

    // Fills the branding values and switches from the executable's version resource.
    void InitBranding();
    // A catalogue text as the user sees it: as getMessages gives it, with the branding
    // placeholders ("[ProgramName]", "[Company]", ...) filled in. Every text shown goes
    // through here, captions and message boxes alike.
    std::string message(std::string_view key) const;
    // The same text; the name captions set from code used.
    std::string brandedMessage(std::string_view key) const { return message(key); }

    // The catalogue's translation side, on the translation file beside the executable.
    localization::LanguageContext languageContext();
    // Applies the stored "Language" setting to the catalogue without a window, as the console does.
    void applyStoredLanguage();
    // Every registered secondary window, in name order.
    std::vector<ui::Form*> registeredWindows() const;

    std::string applicationFolder() const { return platform.environment.applicationFolder(); }
    std::string appPath(std::string_view name) const { return platform::JoinPath(applicationFolder(), name); }

    // Secondary windows, by name, so that the main window's unload can close them in order.
    void registerWindow(ui::Form& form);
    ui::Form* window(std::string_view name) const;

    // Ends the application: no further window is shown and the message loop stops.
    void end();
    bool ended() const { return ended_; }

private:
    std::map<std::string, ui::Form*, std::less<>> windows_;
    bool ended_ = false;
};

}  // namespace sorvane::app
