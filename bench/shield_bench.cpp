// The cost of one memory-shield pass against the bare process enumeration it needs, with
// the real API (run it under Wine):
//   shield_bench.exe [PASSES] [PROCESSES] [DEFINITIONS]      defaults 30, 80, 300
// It starts PROCESSES idle programs (ended again at the end), writes DEFINITIONS listed
// programs that none of them matches into a scratch program folder, and times, per round,
// the enumeration alone (every process id with its name and first-module path, each process
// opened once), the same with every path read a second time (as a listing of names followed
// by a walk over the paths does), and one whole shield pass. Prints the medians and ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/gui_features.h"
#include "definitions/definition_files.h"
#include "localization/messages.h"
#include "platform/win32/handles.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "processes/process_list.h"
#include "ui/headless/headless_host.h"

using namespace sorvane;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

// The program folder of the benchmark: a scratch folder in the temp folder.
class ScratchEnvironment final : public platform::Environment {
public:
    explicit ScratchEnvironment(platform::Environment& real) : real_(real) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = narrow(temp) + "sorvane_shield_bench_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(widen(path_).c_str(), nullptr);
    }
    ~ScratchEnvironment() override {
        for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "BlockedCookies.dat",
                                 "DirectoryDefinition.dat", "ExeDefinition.dat", "ENoSignature.txt"})
            DeleteFileW(widen(path_ + "\\" + name).c_str());
        RemoveDirectoryW(widen(path_).c_str());
    }
    std::string applicationFolder() override { return path_; }
    std::string executableBaseName() override { return "Sorvane"; }
    std::string variable(std::string_view name) override { return real_.variable(name); }
    std::vector<std::string> arguments() override { return {}; }

private:
    platform::Environment& real_;
    std::string path_;
};

// Keeps the measured reads from being optimised away.
std::size_t benchSink = 0;

double nowMs() {
    LARGE_INTEGER frequency{}, counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::string ownFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text = path;
    return narrow(text.substr(0, text.rfind(L'\\')));
}

int run(int passes, int processCount, int definitionCount) {
    platform::win32::Win32VersionResources versions;
    platform::win32::Win32Platform system(versions);
    platform::Platform& real = system.platform();
    ScratchEnvironment environment(real.environment);
    platform::Platform services{real.registry,  real.files,    real.shell,         real.processes,
                                real.versions,  real.locale,   real.instance,      real.http,
                                real.restorePoints, real.clipboard, environment, real.signatures, real.logonTasks};
    const std::string folder = environment.applicationFolder();
    std::string exe;
    for (int i = 0; i < definitionCount; ++i)
        exe += definitions::StoredDefinitionLine(services.locale, "listed" + std::to_string(i) + ".exe=Listed" +
                                                                      std::to_string(i) + "|[windir]") +
               "\r\n";
    for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "BlockedCookies.dat",
                             "DirectoryDefinition.dat"})
        (void)services.files.writeFile(folder + "\\" + name, "");
    (void)services.files.writeFile(folder + "\\ExeDefinition.dat", exe);

    // The idle programs, ended again below.
    std::vector<platform::win32::UniqueHandle> children;
    const std::wstring idle = widen(ownFolder() + "\\shield_idle_process.exe");
    for (int i = 0; i < processCount; ++i) {
        std::wstring command = L"\"" + idle + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                            &startup, &info))
            break;
        CloseHandle(info.hThread);
        children.emplace_back(info.hProcess);
    }
    Sleep(2000);

    ui::HeadlessHost host;
    app::Application application(services, host);
    application.branding.ProgramName = "Sorvane";
    localization::LoadDefaultMessages(application.messages);
    app::GuiFeatures features(application);
    app::FrmMain main(application);
    auto& shield = features.protection.memory;

    std::size_t listed = 0;
    std::vector<double> bare, pass, pathsTwice;
    shield.tmrMemoryInspected_Timer(main);  // the first pass resolves the folder macros once
    for (int round = 0; round < passes; ++round) {
        const double t0 = nowMs();
        const auto list = processes::ListProcesses(services.processes, "", true);
        for (const auto& process : list.processes) benchSink += process.modulePath.size();
        const double t1 = nowMs();
        shield.tmrMemoryInspected_Timer(main);
        const double t2 = nowMs();
        const auto again = processes::ListProcesses(services.processes, "", true);
        for (const auto& process : again.processes) benchSink += services.processes.firstModulePath(process.id).size();
        const double t3 = nowMs();
        listed = list.processes.size();
        bare.push_back(t1 - t0);
        pass.push_back(t2 - t1);
        pathsTwice.push_back(t3 - t2);
    }
    for (auto& child : children) TerminateProcess(child.get(), 0);
    if (benchSink == 0) std::printf("(no process paths could be read)\n");

    const double bareMs = median(bare), passMs = median(pass);
    std::printf("processes listed: %zu (idle programs started: %zu), definitions: %d, rounds: %d\n", listed,
                children.size(), definitionCount, passes);
    std::printf("bare enumeration (ids, names, first-module paths): median %.2f ms\n", bareMs);
    std::printf("memory-shield pass:                                median %.2f ms\n", passMs);
    std::printf("enumeration with every path read twice:            median %.2f ms\n", median(pathsTwice));
    std::printf("pass / enumeration: %.2f\n", bareMs > 0 ? passMs / bareMs : 0.0);
    std::printf("share of a core at one pass per 15 s: %.3f%%\n", passMs / 15000.0 * 100.0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int passes = argc > 1 ? std::max(1, _wtoi(argv[1])) : 30;
    const int processes = argc > 2 ? std::max(0, _wtoi(argv[2])) : 80;
    const int definitions = argc > 3 ? std::max(1, _wtoi(argv[3])) : 300;
    return run(passes, processes, definitions);
}
