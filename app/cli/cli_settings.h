#pragma once

#include <CLI/CLI.hpp>

#include <filesystem>
#include <string>
#include <vector>

#include "render/spectrum_plot.h"
#include "simulator/multiplet.h"

struct CliSettings {
    std::filesystem::path file;
    bool named = false;  // given with --settings
};

struct SettingsOption {
    std::string path;
    CLI::Option* option = nullptr;
};
// Adds --settings FILE to a command.
void AddSettingsOption(CLI::App& app, SettingsOption& out);
// The file --settings names; without it, the program folder's file.
bool SettingsFromOption(const SettingsOption& given, CliSettings* out, std::string* error);
// Applies the file's display settings to the graph. A named file that is
// missing is an error; damaged lines are reported on stderr and keep their
// defaults, as in the window.
bool ApplyCliSettings(const CliSettings& cli, quble::PlotState& plot, const char* command, std::string* error);

// The line shape the file chooses (lines 8 to 10): the window starts in it,
// and the examples that keep the start-up shape are drawn in it. Gaussian
// when the file is missing or those lines cannot be read, as in the window.
quble::LineShape SettingsLineShape(const CliSettings& cli);
