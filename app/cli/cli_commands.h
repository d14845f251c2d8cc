// Subcommands of quble-cli. Each takes the arguments after its own name and
// returns the process exit status.
#pragma once

#include <string>
#include <vector>

#include "simulator/multiplet.h"
#include "simulator/simulation_state.h"

int RunSimulateCommand(int argc, char** argv);
int RunReadCommand(int argc, char** argv);
int RunExportCommand(int argc, char** argv);
int RunCompareCommand(int argc, char** argv);
int RunAnalyseCommand(int argc, char** argv);
int RunFitCommand(int argc, char** argv);
int RunJournalCommand(int argc, char** argv);

// The simulator's boxes and line shape a command was given.
struct SimulationArgs {
    quble::SimulationInput input;
    quble::LineShape shape = quble::LineShape::Gaussian;
    int lorentzPercent = 50;
};
