// Feeds arbitrary bytes to the Bruker opening (see bruker_open_harness.h).
//
// With QUBLE_FUZZ_SEED_DIR set, the first run writes the real sets and the
// generated examples there, each as one input, to start the corpus from.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/bruker_open_harness.h"

namespace {
std::string& Folder() {
    static std::string folder;
    return folder;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Files are written for every input: memory-backed when there is such a folder.
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    Folder() = (base / ("quble_bruker_fuzz_" + std::to_string(::getpid()))).string();
    if (const char* dir = std::getenv("QUBLE_FUZZ_SEED_DIR")) {
        std::filesystem::create_directories(dir);
        int k = 0;
        for (const std::string& seed : quble::fuzz::BrukerSeeds(std::string(QUBLE_TEST_DATA) + "/realdata", 8192)) {
            std::ofstream(std::string(dir) + "/seed" + std::to_string(k++), std::ios::binary) << seed;
        }
    }
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(Folder(), ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quble::fuzz::RunBrukerOpening(data, size, Folder());
    return 0;
}
