// The inputs the Bruker opening's fuzzer found faults with, kept in
// tests/data/fuzz/bruker_open_fuzz and replayed through the fuzzer's own
// harness under the sanitizers; and the fuzzer's seeds (the real sets and
// the examples with every command), which must run clean as well.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/bruker_open_harness.h"

namespace fs = std::filesystem;

namespace {

class FuzzFolder {
public:
    FuzzFolder() : path_(fs::temp_directory_path() / ("quble_fuzz_replay_" + std::to_string(::getpid()))) {}
    ~FuzzFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string str() const { return path_.string(); }

private:
    fs::path path_;
};

void Replay(const std::string& input, const std::string& folder) {
    quble::fuzz::RunBrukerOpening(reinterpret_cast<const std::uint8_t*>(input.data()), input.size(), folder);
}

TEST(FuzzRegression, KeptBrukerInputsRunClean) {
    const fs::path kept = fs::path(QUBLE_TEST_DATA) / "fuzz" / "bruker_open_fuzz";
    FuzzFolder folder;
    int n = 0;
    for (const auto& e : fs::directory_iterator(kept)) {
        if (!e.is_regular_file() || e.path().filename() == "README.md") continue;
        SCOPED_TRACE(e.path().filename().string());
        std::ifstream f(e.path(), std::ios::binary);
        std::ostringstream s;
        s << f.rdbuf();
        Replay(s.str(), folder.str());
        ++n;
    }
    EXPECT_GT(n, 0) << "no kept inputs in " << kept;
}

TEST(FuzzRegression, SeedsOfRealSetsAndExamplesRunEveryCommandClean) {
    const auto seeds = quble::fuzz::BrukerSeeds(std::string(QUBLE_TEST_DATA) + "/realdata", 8192);
    ASSERT_EQ(seeds.size(), 11u);  // five real sets, six examples
    FuzzFolder folder;
    for (const std::string& seed : seeds) Replay(seed, folder.str());
}

}  // namespace
