// quble-cli compare --1r PATH [--auto-tms] (--example NAME | --h ... --width W
// --resolution R --shape S [--lorentz-percent P]) --json
// Transfers a processed spectrum onto a simulated multiplet as the simulator
// window does right after opening it, pairs the peaks and verifies the match.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_settings.h"
#include "compare/compare_run.h"
#include "examples/example_sets.h"
#include "render/spectrum_plot.h"
#include "simulator/input_rules.h"

namespace {

int Usage(const std::string& why) {
    if (!why.empty()) std::fprintf(stderr, "quble-cli compare: %s\n", why.c_str());
    std::fputs(
        "usage: quble-cli compare --1r PATH/TO/1r [--auto-tms] (--example NAME | --h SHIFT:J1,... [--h ...]\n"
        "                         --width W --resolution R --shape S [--lorentz-percent P]) [--settings FILE] --json\n",
        stderr);
    return 2;
}

std::string Num(double v) { return quble::FormatNumber(v, '.'); }

std::string JsonString(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string OneLine(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

int RunCompareCommand(int argc, char** argv) {
    std::string path, example;
    bool autoTms = false, json = false;
    std::vector<std::string> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--1r") {
            if (i + 1 >= argc) return Usage("--1r needs the path of a 1r file");
            path = argv[++i];
        } else if (a == "--example") {
            if (i + 1 >= argc) return Usage("--example needs an example name (for example \"Example 1/H7\")");
            example = argv[++i];
        } else if (a == "--auto-tms") {
            autoTms = true;
        } else if (a == "--json") {
            json = true;
        } else {
            rest.emplace_back(a);
        }
    }
    if (!json) return Usage("--json is required");
    if (path.empty()) return Usage("--1r is required");

    // The settings file, read as the window reads it: a named file must
    // exist, damaged lines are told on stderr. Its line shape is the one
    // the examples that keep the start-up shape are compared in.
    CliSettings settings;
    std::string settingsError;
    if (!TakeSettingsArg(rest, &settings, &settingsError)) return Usage(settingsError);
    quble::PlotState checked;
    if (!ApplyCliSettings(settings, checked, "compare", &settingsError)) return Usage(settingsError);

    quble::CompareRequest req;
    if (!example.empty()) {
        if (!rest.empty()) return Usage("--example takes no simulation parameters, got \"" + rest.front() + "\"");
        const quble::ExampleSet* ex = quble::FindExample(example);
        if (!ex) {
            std::string names;
            for (const auto& e : quble::ExampleSets()) names += (names.empty() ? "" : ", ") + ("\"" + e.caption + "\"");
            return Usage("unknown example \"" + example + "\" (one of " + names + ")");
        }
        quble::FillFromExample(*ex, req);
        if (ex->shape == quble::ExampleShape::StartUp) req.shape = SettingsLineShape(settings);
    } else {
        SimulationArgs parsed;
        std::string error;
        if (!ParseSimulationArgs(rest, &parsed, &error)) return Usage(error);
        req.input = parsed.input;
        req.shape = parsed.shape;
        req.lorentzPercent = parsed.lorentzPercent;
    }
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    req.spectrumPath = ec ? path : whole.generic_string();
    req.autoTms = autoTms;

    const quble::CompareRun run = quble::RunCompare(req);
    if (run.stop == quble::CompareRun::Stop::Input) return Usage(run.text);
    if (run.stop != quble::CompareRun::Stop::None) {
        std::fprintf(stderr, "%s\n%s\n", run.title.c_str(), OneLine(run.text).c_str());
        return 1;
    }

    const quble::SimulationState& sim = *run.sim;
    const quble::ExperimentalOverlay& e = run.plot.exp;
    std::string o = "{\n  \"exp_scale\": " + Num(e.ExpScale) + ",\n  \"exp_peaks_hz\": [";
    for (int i = 1; i <= run.cmp.AutoPeakCount; ++i) {
        o += (i > 1 ? "," : "") + Num(e.ExpXnmrHz[run.cmp.AutoPeakIndex[i]]);
    }
    o += "],\n  \"slots\": [";
    for (int n = 1; n <= sim.NMultRelMax; ++n) {
        const bool hasSim = sim.SimGapFlag[n] != quble::kNoPeakInSlot;
        const bool hasExp = n <= e.ExpPeakCount && e.ExpGapFlag[n] != quble::kNoPeakInSlot && e.ExpPeakIndex[n] >= 1;
        o += n > 1 ? "," : "";
        o += "\n    {\"sim_hz\": " + (hasSim ? Num(quble::SimMaxHz(sim, n)) : std::string("null")) +
             ", \"exp_hz\": " + (hasExp ? Num(e.ExpXnmrHz[e.ExpPeakIndex[n]]) : std::string("null")) + "}";
    }
    o += "\n  ],\n  \"match_sum_min\": " + Num(run.match.MatchSumMin);
    o += ",\n  \"match\": " + std::string(run.match.match ? "true" : "false");
    o += ",\n  \"diagnostics\": [";
    for (std::size_t i = 0; i < run.match.List1.size(); ++i) o += (i ? ", " : "") + JsonString(run.match.List1[i]);
    o += "]\n}\n";
    std::fputs(o.c_str(), stdout);
    return 0;
}
