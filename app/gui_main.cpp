// Sorvane.exe: the splash window starts everything; the main window's load is the
// start-up sequence, and its unload ends the message loop. Built for the GUI subsystem;
// the MinGW start-up code calls main() there as well.
#include "app/application.h"
#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/gui_features.h"
#include "platform/trace.h"
#include "platform/win32/com_security.h"
#include "platform/win32/library_search.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_trace.h"
#include "ui/win32/win32_host.h"

int main() {
    sorvane::platform::win32::LimitLibrarySearchToSystem32();
    sorvane::platform::win32::Win32Trace trace;
    const sorvane::platform::win32::ComForSystemRestore com;
    try {
        sorvane::platform::win32::Win32VersionResources versions;
        sorvane::platform::win32::Win32Platform system(versions);
        sorvane::ui::Win32Host host;
        sorvane::app::Application app(system.platform(), host);
        if (app.userSettings.readBool(sorvane::app::section::Options, "Trace", "False")) trace.logToFile(true);
        sorvane::app::GuiFeatures features(app);
        sorvane::app::FrmMain main(app);
        sorvane::app::FrmSplash splash(app, main);
        splash.show();
        if (!app.ended()) host.run();
        return 0;
    } catch (...) {
        // Nothing is shown: a failure at start leaves the program ended, as a second copy does.
        sorvane::platform::TraceCaughtException("Sorvane");
        return 1;
    }
}
