// quble-cli journal (--example NAME | --h SHIFT:J,... [--h ...]) --mhz F
// The simulation as a paper writes it, one line per hydrogen.
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/journal_text.h"
#include "app/cli/cli_boxes.h"

int RunJournalCommand(int argc, char** argv) {
    CLI::App app("The journal text of a simulation, one line per hydrogen.", "journal");
    BoxArgs boxes;
    double mhz = 400.0;
    AddBoxOptions(app, boxes);
    app.add_option("--mhz", mhz, "spectrometer frequency in MHz for the ppm shifts")
        ->required()
        ->check(CLI::Range(1.0, 10000.0));
    if (const int rc = ParseCli(app, argc, argv); rc >= 0) return rc;

    SimulationArgs parsed;
    std::string error;
    std::vector<quble::analysis::JournalHydrogen> hydrogens;
    if (!BoxesFromArgs(boxes, &parsed, &error) ||
        !quble::analysis::HydrogensFromInput(parsed.input, &hydrogens, &error)) {
        std::fprintf(stderr, "quble-cli journal: %s\n", error.c_str());
        return 2;
    }
    std::printf("%s\n", quble::analysis::JournalText(hydrogens, mhz).c_str());
    return 0;
}
