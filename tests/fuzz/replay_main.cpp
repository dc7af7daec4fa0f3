// Runs every kept input of one fuzz target through it once, without libFuzzer: the ordinary
// native build replays the seeds and the minimized crash inputs on every test run.
// Usage: fuzz_replay_<format> FOLDER...   (a folder that does not exist yet holds no inputs)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error))
            if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
            return 1;
        }
        std::fprintf(stderr, "%s\n", path.filename().string().c_str());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    // A target whose folders hold nothing tests nothing: that is a broken tree, not a pass.
    return inputs.empty() ? 1 : 0;
}
