// quble-cli: the simulator and the Bruker reader without a window.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/cli/cli_commands.h"

namespace {
void PrintUsage(std::FILE* out) {
    std::fputs(
        "usage:\n"
        "  quble-cli simulate --h SHIFT:J1,J2,... [--h SHIFT:J1,...] --width W --resolution R\n"
        "                     --shape lorentzian|gaussian|mixed [--lorentz-percent P] --json\n"
        "  quble-cli read PATH/TO/1r [--auto-tms] --json\n"
        "  quble-cli export (--h SHIFT:J1,... --width W --resolution R --shape S [--lorentz-percent P]\n"
        "                    | --example NAME | --1r PATH/TO/1r [--auto-tms])\n"
        "                   --out FILE.emf|.svg|.pdf|.png [--dpi N] [--bw] [--settings QUBLE.ini]\n"
        "  quble-cli compare --1r PATH/TO/1r [--auto-tms] (--example NAME | --h SHIFT:J1,... --width W\n"
        "                    --resolution R --shape S [--lorentz-percent P]) --json\n"
        "  quble-cli analyse --1r PATH/TO/1r [--auto-tms] --from PPM --to PPM [--json]\n"
        "  quble-cli fit --1r PATH/TO/1r [--auto-tms] (--example NAME | --h SHIFT:J1,... [--width W --shape S\n"
        "                [--lorentz-percent P]]) [--from PPM --to PPM] [--json]\n"
        "  quble-cli journal (--example NAME | --h SHIFT:J1,...) --mhz F\n"
        "  quble-cli COMMAND --help\n",
        out);
}
// The usage lines of one command (it and its continuation lines).
bool PrintCommandUsage(const char* command) {
    static const char* const kUsage[] = {
        "usage: quble-cli simulate --h SHIFT:J1,J2,... [--h SHIFT:J1,...] --width W --resolution R\n"
        "                          --shape lorentzian|gaussian|mixed [--lorentz-percent P] --json\n",
        "usage: quble-cli read PATH/TO/1r [--auto-tms] --json\n",
        "usage: quble-cli export (--h SHIFT:J1,... --width W --resolution R --shape S [--lorentz-percent P]\n"
        "                         | --example NAME [--overlay PATH/TO/1r [--auto-tms]] | --1r PATH/TO/1r [--auto-tms])\n"
        "                        --out FILE.emf|.svg|.pdf|.png [--dpi N] [--bw] [--settings QUBLE.ini]\n",
        "usage: quble-cli compare --1r PATH/TO/1r [--auto-tms] (--example NAME | --h SHIFT:J1,... [--h ...]\n"
        "                         --width W --resolution R --shape S [--lorentz-percent P]) [--settings FILE] --json\n",
    };
    static const char* const kNames[] = {"simulate", "read", "export", "compare"};
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        if (std::strcmp(command, kNames[i]) == 0) {
            std::fputs(kUsage[i], stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc >= 3 && (std::strcmp(argv[2], "--help") == 0 || std::strcmp(argv[2], "-h") == 0) &&
        PrintCommandUsage(argv[1])) {
        return 0;
    }
    if (std::strcmp(argv[1], "simulate") == 0) return RunSimulateCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "read") == 0) return RunReadCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "export") == 0) return RunExportCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "compare") == 0) return RunCompareCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "analyse") == 0) return RunAnalyseCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "fit") == 0) return RunFitCommand(argc - 2, argv + 2);
    if (std::strcmp(argv[1], "journal") == 0) return RunJournalCommand(argc - 2, argv + 2);
    std::fprintf(stderr, "quble-cli: unknown command \"%s\"\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
