// What analyse, fit and journal share: the simulator's boxes from an example
// or from --h/--width/--shape, the opened spectrum, and JSON output.
#pragma once

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "app/cli/cli_commands.h"
#include "experimental/bruker_spectrum.h"

struct BoxArgs {
    std::string example;
    std::vector<std::string> h;
    std::string width, shape, lorentzPercent;
};

// Adds --example, --h, --width, --shape and --lorentz-percent to a command.
void AddBoxOptions(CLI::App& app, BoxArgs& args);
// The boxes and shape they describe: an example, or the hydrogens given.
bool BoxesFromArgs(const BoxArgs& args, SimulationArgs* out, std::string* error);

// Opens a 1r as read and compare do. False after printing the program's
// message on stderr.
bool OpenSpectrumForCli(const std::string& path, bool autoTms, quble::BrukerSpectrum& s);

// Parses argv with CLI11: --help prints to stdout (exit 0), a bad argument
// is named on stderr (exit 2). Returns -1 when the command should run.
int ParseCli(CLI::App& app, int argc, char** argv);

// Keys in the order they are set; bytes that are not UTF-8 become U+FFFD.
void PrintJson(const nlohmann::ordered_json& j);
