#pragma once
#include "platform/platform.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"
#include "tests/fakes/fake_logon_tasks.h"
#include "tests/fakes/fake_processes.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_services.h"
#include "tests/fakes/fake_shell.h"
#include "tests/fakes/fake_signatures.h"

namespace sorvane::fakes {

// One fake of every operating-system service, bundled the way the program receives them.
class FakePlatform {
public:
    FakePlatform()
        : platform_{registry, files, shell, processes, versions, locale, instance, http, restorePoints, clipboard,
                    environment, signatures, logonTasks} {}
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    platform::Platform& platform() { return platform_; }

    FakeRegistry registry;
    FakeFileSystem files;
    FakeShell shell;
    FakeProcesses processes;
    FakeVersionResources versions;
    FakeLocale locale;
    FakeInstanceLock instance;
    FakeHttp http;
    FakeRestorePoints restorePoints;
    FakeClipboard clipboard;
    FakeEnvironment environment;
    FakeSignatures signatures;
    FakeLogonTasks logonTasks;

private:
    platform::Platform platform_;
};

}  // namespace sorvane::fakes
