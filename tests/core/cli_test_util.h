// Runs quble-cli as a program, the way a script would, and keeps its exit
// status and output.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace quble::test {

struct CliRun {
    int status = -1;
    std::string out;
};

// stderr goes with stdout when withStderr, else it is dropped; leak checks
// are off because the child's exit is not what a test looks at. Run in cwd
// where one is given, for paths relative to it.
inline CliRun RunCli(const std::string& args, bool withStderr = false, const std::string& cwd = {}) {
    CliRun r;
    const std::string cmd = (cwd.empty() ? "" : "cd '" + cwd + "' && ") + "QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 '" + std::string(QUBLE_CLI_PATH) +
                            "' " + args + (withStderr ? " 2>&1" : " 2>/dev/null");
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// The exit status of an export, for the tests that look at the files only.
inline int ExportStatus(const std::string& args) { return RunCli("export " + args).status; }

}  // namespace quble::test
