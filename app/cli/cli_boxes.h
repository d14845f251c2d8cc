// What the commands share: the simulator's boxes from an example or from
// --h/--width/--resolution/--shape, the opened spectrum, and parsing.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_json.h"
#include "experimental/bruker_spectrum.h"

struct BoxArgs {
    std::string example;
    std::vector<std::string> h;
    std::string width, resolution, shape, lorentzPercent;
};

// Adds --h, --width, --shape and --lorentz-percent (and --resolution when
// asked) to a command.
void AddHydrogenOptions(CLI::App& app, BoxArgs& args, bool withResolution);
// The same and --example.
void AddBoxOptions(CLI::App& app, BoxArgs& args, bool withResolution = false);

// The boxes and line shape the hydrogen options describe, checked as the
// simulator's input is before a calculation. Without shapeRequired a
// missing --shape is the window's start-up Gaussian.
bool SimulationFromArgs(const BoxArgs& args, bool shapeRequired, SimulationArgs* out, std::string* error);
// The boxes and shape they describe: an example, or the hydrogens given.
bool BoxesFromArgs(const BoxArgs& args, SimulationArgs* out, std::string* error);
// The examples' captions, quoted, for a message naming the choices.
std::string ExampleNames();
// Whether any of the hydrogen options was given.
bool AnyHydrogenOption(const BoxArgs& args);

// The reader finds procs and acqus from the folders of the path, so a path
// relative to the working folder is made whole first.
std::string WholePath(const std::string& path);
// Opens a 1r as read, analyse and fit do. False after printing the program's
// message on stderr; the outcome, with the reference search's, in *result.
bool OpenSpectrumForCli(const std::string& path, bool autoTms, quble::BrukerSpectrum& s,
                        quble::OpenResult* result = nullptr);

// Message lines are joined by CR LF for message boxes; a terminal wants
// them joined by `sep`.
std::string JoinMessageLines(const std::string& text, char sep);

// Parses argv with CLI11: --help prints to stdout (exit 0), a bad argument
// is named on stderr (exit 2). Returns -1 when the command should run.
int ParseCli(CLI::App& app, int argc, char** argv);
