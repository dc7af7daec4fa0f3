#pragma once
#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/logon_tasks.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "platform/signatures.h"
#include "platform/version_info.h"

namespace sorvane::platform {

// Every operating-system service the program uses, handed to it at start. Real ones
// come from platform/win32, fakes from the tests.
struct Platform {
    Registry& registry;
    FileSystem& files;
    Shell& shell;
    Processes& processes;
    VersionResources& versions;
    Locale& locale;
    InstanceLock& instance;
    Http& http;
    RestorePoints& restorePoints;
    Clipboard& clipboard;
    Environment& environment;
    Signatures& signatures;
    LogonTasks& logonTasks;
};

}  // namespace sorvane::platform
