// quble-cli: the simulator, the Bruker reader, the comparison and the J
// analysis without a window.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli_commands.h"

namespace {

struct Command {
    const char* name;
    const char* description;
    int (*run)(int, char**);
};

constexpr Command kCommands[] = {
    {"simulate", "one calculation of the simulator, printed as JSON", RunSimulateCommand},
    {"read", "what the reader takes from a processed Bruker spectrum (1r)", RunReadCommand},
    {"export", "a graph as a picture file (.emf, .svg, .pdf or .png)", RunExportCommand},
    {"compare", "a spectrum transferred onto a simulation, its peaks paired and the match verified",
     RunCompareCommand},
    {"analyse", "the J analysis of a multiplet between two shifts", RunAnalyseCommand},
    {"fit", "the least-squares fit of a simulation to a spectrum", RunFitCommand},
    {"journal", "the journal text of a simulation", RunJournalCommand},
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("The simulator, the Bruker reader, the comparison and the J analysis without a window.",
                 "quble-cli");
    app.require_subcommand(1);
    app.footer("Run \"quble-cli COMMAND --help\" for the options of a command.");
    std::vector<CLI::App*> subs;
    for (const Command& c : kCommands) {
        // Each command parses its own arguments (and its --help), so
        // everything after its name is handed over untouched.
        CLI::App* sub = app.add_subcommand(c.name, c.description);
        sub->prefix_command();
        sub->set_help_flag();
        subs.push_back(sub);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "quble-cli: %s\n", e.what());
        std::cerr << app.help();
        return 2;
    }
    for (std::size_t i = 0; i < subs.size(); ++i) {
        if (!subs[i]->parsed()) continue;
        std::vector<std::string> rest = subs[i]->remaining();
        std::vector<char*> args;
        for (std::string& r : rest) args.push_back(r.data());
        args.push_back(nullptr);
        return kCommands[i].run(static_cast<int>(rest.size()), args.data());
    }
    return 2;
}
