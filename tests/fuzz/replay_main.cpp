// Runs the fuzz target once over every file given (folders: every file in them), so that the
// corpus is replayed by the ordinary build and test run, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> Files;
    for (int I = 1; I < argc; ++I) {
        if (fs::is_directory(argv[I])) {
            for (const auto& Entry : fs::recursive_directory_iterator(argv[I])) {
                if (Entry.is_regular_file()) Files.push_back(Entry.path());
            }
        } else {
            Files.emplace_back(argv[I]);
        }
    }
    for (const auto& File : Files) {
        std::ifstream In(File, std::ios::binary);
        if (!In) {
            std::fprintf(stderr, "%s: cannot read\n", File.c_str());
            return 1;
        }
        const std::string Data((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(Data.data()), Data.size());
    }
    std::printf("%zu passed, 0 failed\n", Files.size());
    return 0;
}
