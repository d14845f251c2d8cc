// quble-cli export onto a disk that is really full: a small memory file
// system mounted in a private namespace, filled to a few kilobytes. Every
// form either replaces the old file whole or leaves it untouched, says
// why, and exits non-zero.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "emf_test_util.h"

namespace quble::test {
namespace {

namespace fs = std::filesystem;

struct Shell {
    int rc = -1;
    std::string out;
};

Shell RunShell(const std::string& script) {
    Shell r;
    FILE* p = ::popen(("sh -c '" + script + "' 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.rc = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

bool CanMountPrivately() { return RunShell("unshare -r -m sh -c \"mount -t tmpfs tmpfs /mnt\"").rc == 0; }

TEST(CliExportFullDisk, EveryFormLeavesTheOldFileAndExitsNonZeroWithTheReason) {
    if (!CanMountPrivately()) GTEST_SKIP() << "no private mounts here (unshare -r -m)";
    const ScratchFolder scratch("cli_full_disk");
    const fs::path& dir = scratch.path();
    const std::string gaba = std::string(QUBLE_TEST_DATA) + "/realdata/gaba-1h-d2o/1H/pdata/1/1r";
    const std::string cli = QUBLE_CLI_PATH;
    for (const char* ext : {"pdf", "emf", "svg", "png"}) {
        SCOPED_TRACE(ext);
        const fs::path good = dir / (std::string("good.") + ext);
        const std::string env = "QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ";
        ASSERT_EQ(RunShell(env + cli + " export --1r " + gaba + " --out " + good.string()).rc, 0);
        const auto goodBytes = ReadAll(good);
        ASSERT_GT(goodBytes.size(), 8192u);
        // The old file is a copy of the good one; the disk keeps 8 KB free.
        const fs::path mnt = dir / ext;
        fs::create_directories(mnt);
        const std::string target = mnt.string() + "/old." + ext;
        const Shell r = RunShell(
            "unshare -r -m sh -c \"mount -t tmpfs -o size=1024k tmpfs " + mnt.string() + " && cp " + good.string() +
            " " + target + " && (dd if=/dev/zero of=" + mnt.string() + "/fill bs=4k 2>/dev/null; true) && truncate -s -8K " +
            mnt.string() + "/fill && " + env + cli + " export --1r " + gaba + " --out " + target +
            "; echo rc=\\$?; cmp -s " + good.string() + " " + target + " && echo old-file-intact; ls " + mnt.string() + "\"");
        EXPECT_NE(r.out.find("rc=1"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("No space left on device"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("old-file-intact"), std::string::npos) << r.out;
        // Only the old file and the filler: no temporary file left behind.
        EXPECT_NE(r.out.find("fill\nold." + std::string(ext) + "\n"), std::string::npos) << r.out;
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace quble::test
