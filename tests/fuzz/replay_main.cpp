// Replays a fuzz target's corpus as an ordinary test: every file in the directories given
// goes through the target once. Built with any compiler, without the fuzzing engine.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<std::filesystem::path> files;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], error)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
        if (error) {
            std::fprintf(stderr, "cannot read %s: %s\n", argv[i], error.message().c_str());
            return 1;
        }
        std::sort(files.begin(), files.end());  // the same order every run
        for (const auto& path : files) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
