// Time per definition line (seconds, shown with SI prefixes) of each scanner over generated definition sets, against the
// in-memory fakes (so the figures are the engine's own cost, not the system's).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "definitions/definition_files.h"
#include "definitions/exclusions.h"
#include "scan/cookie_scan.h"
#include "scan/known_files_scan.h"
#include "scan/registry_scan.h"
#include "scan/scan_window.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace {

using namespace sorvane;
const std::string AppFolder = "C:\\Program Files\\Sorvane";

struct World {
    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    scan::ScanWindow window{host};
    scan::ScanView view{*scan::ScanView::bind(window)};
    scan::ScanViewObserver observer{view, host};
    definitions::ExclusionList exclusions{fake.files, fake.locale, AppFolder + "\\ENoSignature.txt"};
    scan::ScanSession session{fake.platform(), host, observer, exclusions, {}, {}, AppFolder};

    World() {
        fake.files.addFolder(AppFolder);
        view.cmdScan.setEnabled(false);
        view.cmdScanNow.setEnabled(false);
    }
    void write(std::string_view file, const std::vector<std::string>& lines) {
        std::string content;
        content.reserve(lines.size() * 48);
        for (const auto& line : lines) content += definitions::StoredDefinitionLine(fake.locale, line) + "\r\n";
        (void)fake.files.writeFile(AppFolder + "\\" + std::string(file), content);
    }
    void reset() {
        for (auto* list : {&view.lvwSpywareFound, &view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved,
                           &view.lvwFilesToBeDeleted, &view.lvwRegistryToBeDeleted,
                           &view.lvwCookiesToDelete, &view.lvwFileNotFounds})
            list->clear();
        view.lbltracesFound.setCaption("0");
        session.findings.clear();
        session.missingFiles.clear();
        session.state = {};
        session.countDefinitions();
    }
};

// Runs the scanner afresh each iteration and records the time per definition line.
void measure(benchmark::State& state, World& world, void (*scanner)(scan::ScanSession&), int lines,
             const char* counter = "per_line") {
    for (auto _ : state) {
        world.reset();
        scanner(world.session);
    }
    state.counters[counter] = benchmark::Counter(
        static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One line in ten names something that exists; threats repeat every hundred lines.
void BM_RegistryScan(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    World world;
    std::vector<std::string> defs;
    for (int i = 0; i < lines; ++i) {
        // Few siblings per key: the fake registry looks its sub-keys up one by one.
        const std::string key = "Software\\B" + std::to_string(i % 100) + "\\K" + std::to_string(i / 100);
        if (i % 10 == 0) world.fake.registry.putString(platform::RootKey::CurrentUser, key, "v", "x");
        defs.push_back("1^" + key + "^" + (i % 2 ? "v" : "") + "=Threat" + std::to_string(i % 100) + "|note");
    }
    world.write(definitions::RegistryDefinitionFile, defs);
    measure(state, world, &scan::ScanRegistry, lines);
}

// As the Wine benchmark's value set: every line a value of its own key, none of them there.
void BM_RegistryValueLines(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    World world;
    world.fake.registry.putString(platform::RootKey::CurrentUser, "Software\\Present", "v", "x");
    std::vector<std::string> defs;
    for (int i = 0; i < lines; ++i)
        defs.push_back("1^Software\\SorvaneBenchValue" + std::to_string(i) + "^Value" + std::to_string(i) +
                       "=BenchThreat");
    world.write(definitions::RegistryDefinitionFile, defs);
    measure(state, world, &scan::ScanRegistry, lines);
}

void BM_FileScan(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    World world;
    std::vector<std::string> defs;
    for (int i = 0; i < lines; ++i) {
        const std::string name = "file" + std::to_string(i) + ".dll";
        if (i % 10 == 0) world.fake.files.addFile("C:\\Program Files\\Bench\\" + name, "plain");
        defs.push_back(name + "=Threat" + std::to_string(i % 100) + "|[progfil]Bench|note");
    }
    world.write(definitions::FileDefinitionFile, defs);
    measure(state, world, &scan::ScanKnownFiles, lines);
}

void BM_FolderScan(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    World world;
    std::vector<std::string> defs;
    for (int i = 0; i < lines; ++i) {
        const std::string name = "Folder" + std::to_string(i);
        if (i % 10 == 0) world.fake.files.addFolder("C:\\Program Files\\" + name);
        defs.push_back(name + "=Threat" + std::to_string(i % 100) + "|[progfil]" + name + "|note");
    }
    world.write(definitions::DirectoryDefinitionFile, defs);
    measure(state, world, &scan::ScanKnownFolders, lines);
}

// The hosts against a folder of 500 cookies, one in five of a listed host.
void BM_CookieScan(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    World world;
    std::vector<std::string> defs;
    for (int i = 0; i < lines; ++i) defs.push_back("host" + std::to_string(i) + ".example");
    world.write(definitions::BlockedCookiesFile, defs);
    const auto folder = world.fake.shell.specialFolder(platform::csidl::Cookies);
    const int cookies = 500;
    for (int i = 0; i < cookies; ++i) {
        const std::string host = (i % 5 == 0 ? "host" : "other") + std::to_string(i);
        world.fake.files.addFile(folder + "\\user@" + host + "[1].txt", "id\n1\n" + host + ".example/\n");
    }
    measure(state, world, &scan::ScanCookies, lines, "per_host");
}

BENCHMARK(BM_RegistryScan)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RegistryValueLines)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FileScan)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FolderScan)->Arg(10'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CookieScan)->Arg(10'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
