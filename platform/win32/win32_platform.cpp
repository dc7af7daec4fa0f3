#include "platform/win32/win32_platform.h"

#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_logon_tasks.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_signatures.h"

namespace sorvane::platform::win32 {

struct Win32Platform::Services {
    explicit Services(VersionResources& versions)
        : bundle{registry, files, shell, processes, versions, locale, instance, http, restorePoints, clipboard,
                 environment, signatures, logonTasks} {
        // The product's own name and version as its version resource gives them.
        if (const auto own = versions.ownExecutable(); own && !own->productName.empty() && !own->productVersion.empty())
            http.setUserAgent(own->productName + "/" + own->productVersion);
    }
    Win32Registry registry;
    Win32FileSystem files;
    Win32Shell shell;
    Win32Processes processes;
    Win32Locale locale;
    Win32InstanceLock instance;
    Win32Http http;
    Win32RestorePoints restorePoints;
    Win32Clipboard clipboard;
    Win32Environment environment;
    Win32Signatures signatures;
    Win32LogonTasks logonTasks;
    Platform bundle;
};

Win32Platform::Win32Platform(VersionResources& versions) : services_(std::make_unique<Services>(versions)) {}
Win32Platform::~Win32Platform() = default;

Platform& Win32Platform::platform() { return services_->bundle; }

}  // namespace sorvane::platform::win32
