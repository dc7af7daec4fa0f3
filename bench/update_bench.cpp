// The cost of applying an incremental update against the floor of reading and writing the six
// definition files once, on the real disk, each read whole in one read and written in one write.
// The update deletes N names and adds N records, spread over every section; the files hold N
// lines between them before it. Applying should stay linear in N: within twice the floor at
// 10,000 and at 100,000 records.
//
//   update_bench [--smoke] [N ...]     (default: 10000 100000)
//
// Prints one line per size. Exits 1 when a full-size run is above twice the floor; a smoke
// run (small N, for CI) only has to finish.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "definitions/encoding.h"
#include "update/applier.h"

namespace {

using namespace sorvane;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Sections in the order of update::UpdateFiles; each record of a section reaches its file.
constexpr const char* Sections[update::UpdateFileCount] = {"FILE", "EXE", "REG", "COOK", "DIR", "SFILE"};

std::string payloadFor(std::size_t file, std::size_t i, const char* tag) {
    const std::string name = "bench-" + std::string(tag) + std::to_string(i);
    switch (file) {
        case 2: return "X=" + name + "|2^Software\\" + name + "|note";  // becomes 2^Software\NAME^=NAME|note
        case 3: return name + ".example";
        default: return name + ".exe=Threat|[progfil]" + name;
    }
}

// The stored line an existing definition of this name has, so that a DEL finds it.
std::string storedLine(std::size_t file, std::size_t i) {
    const std::string name = "bench-old" + std::to_string(i);
    switch (file) {
        case 2: return definitions::EncodeLine("2^Software\\" + name + "^=" + name + "|note");
        case 3: return definitions::EncodeLine(name + ".example");
        case 5: return definitions::EncodeLine("SFILE|" + name + ".exe=Threat|[progfil]" + name);
        default: return definitions::EncodeLine(name + ".exe=Threat|[progfil]" + name);
    }
}

std::string record(std::size_t file, const char* action, const std::string& payload) {
    std::string encoded;
    for (char c : payload) encoded += (c == '|' || c == '=') ? std::string(1, c) : definitions::EncodeLine(std::string(1, c));
    return definitions::EncodeLine(Sections[file]) + "|" + action + "[DEF]" + encoded + "[BR]";
}

// DEL payloads name what the file holds: registry lines by their location, Safety lines by type.
std::string deletedName(std::size_t file, std::size_t i) {
    const std::string name = "bench-old" + std::to_string(i);
    switch (file) {
        case 2: return "2^Software\\" + name + "^";
        case 3: return name + ".example";
        case 5: return "SFILE|" + name + ".exe";
        default: return name + ".exe";
    }
}

// The whole file in one read, as a program that knows its size reads it: both sides of the
// comparison read this way, so the floor is what reading the files costs at best.
std::string readWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::string content(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    return content;
}

void writeWhole(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
}

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor seconds of this process, user and system: on a machine shared with other work they
// grow much less than the wall clock does.
double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Figures {
    double floor = 0;
    double apply = 0;
    double floorCpu = 0;
    double applyCpu = 0;
    std::size_t bytes = 0;
};

Figures measure(const fs::path& folder, std::size_t n) {
    // The files before the update: n lines between them, the (n / 6) names each file's DELs name.
    const std::size_t perFile = std::max<std::size_t>(n / update::UpdateFileCount, 1);
    std::size_t bytes = 0;
    for (std::size_t f = 0; f < update::UpdateFileCount; ++f) {
        std::string content;
        for (std::size_t i = 0; i < perFile; ++i) content += storedLine(f, i) + "\r\n";
        bytes += content.size();
        writeWhole(folder / std::string(update::UpdateFiles[f]), content);
    }
    std::string text;
    for (std::size_t f = 0; f < update::UpdateFileCount; ++f) {
        for (std::size_t i = 0; i < perFile; ++i) text += record(f, "DEL", deletedName(f, i));
        for (std::size_t i = 0; i < perFile; ++i) text += record(f, "ADD", payloadFor(f, i, "new"));
    }
    text += "|END[DEF]";

    Figures figures;
    figures.bytes = bytes;
    // Best of three for each, alternating, so that a busy machine weighs on both alike.
    figures.floor = figures.apply = figures.floorCpu = figures.applyCpu = 1e9;
    for (int round = 0; round < 3; ++round) {
        auto started = Clock::now();
        double cpu = processorSeconds();
        for (std::string_view name : update::UpdateFiles) {
            const fs::path path = folder / std::string(name);
            writeWhole(folder / (std::string(name) + ".copy"), readWhole(path));
        }
        figures.floor = std::min(figures.floor, seconds(started));
        figures.floorCpu = std::min(figures.floorCpu, processorSeconds() - cpu);

        started = Clock::now();
        cpu = processorSeconds();
        update::UpdateChanges changes(text, [](std::size_t) {});
        for (std::size_t f = 0; f < update::UpdateFileCount; ++f) {
            const std::string name(update::UpdateFiles[f]);
            const update::FileUpdate updated = changes.apply(f, readWhole(folder / name), false, [](std::size_t) {});
            writeWhole(folder / (name + ".new"), updated.content);
        }
        figures.apply = std::min(figures.apply, seconds(started));
        figures.applyCpu = std::min(figures.applyCpu, processorSeconds() - cpu);
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    std::vector<std::size_t> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--smoke") smoke = true;
        else sizes.push_back(static_cast<std::size_t>(std::strtoull(arg.c_str(), nullptr, 10)));
    }
    if (sizes.empty()) sizes = smoke ? std::vector<std::size_t>{1200} : std::vector<std::size_t>{10'000, 100'000};

    const fs::path folder =
        fs::temp_directory_path() / ("sorvane-update-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    fs::create_directories(folder);
    bool withinGoal = true;
    std::printf("%14s %12s %12s %12s %8s %14s %14s %8s\n", "DEL+ADD", "file bytes", "floor ms", "apply ms", "ratio",
                "floor cpu ms", "apply cpu ms", "ratio");
    for (std::size_t n : sizes) {
        const Figures f = measure(folder, n);
        const double ratio = f.apply / std::max(f.floor, 1e-9);
        std::printf("%14zu %12zu %12.3f %12.3f %8.2f %14.3f %14.3f %8.2f\n",
                    2 * (n / update::UpdateFileCount) * update::UpdateFileCount, f.bytes, f.floor * 1e3, f.apply * 1e3,
                    ratio, f.floorCpu * 1e3, f.applyCpu * 1e3, f.applyCpu / std::max(f.floorCpu, 1e-9));
        if (ratio > 2.0) withinGoal = false;
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return smoke || withinGoal ? 0 : 1;
}
