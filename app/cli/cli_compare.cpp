// quble-cli compare --1r PATH [--auto-tms] (--example NAME | --h ... --width W
// --resolution R --shape S [--lorentz-percent P]) --json
// Transfers a processed spectrum onto a simulated multiplet as the simulator
// window does right after opening it, pairs the peaks and verifies the match.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cli/cli_boxes.h"
#include "app/cli/cli_settings.h"
#include "compare/compare_run.h"
#include "examples/example_sets.h"
#include "render/spectrum_plot.h"
#include "simulator/input_rules.h"

namespace {

int Fail(const std::string& why) {
    std::fprintf(stderr, "quble-cli compare: %s\n", why.c_str());
    return 2;
}

}  // namespace

int RunCompareCommand(int argc, char** argv) {
    CLI::App app("Transfers a processed spectrum onto a simulated multiplet, pairs the peaks and verifies the match.",
                 "compare");
    std::string path;
    bool autoTms = false, json = false;
    BoxArgs boxes;
    app.add_option("--1r", path, "the processed spectrum (.../pdata/1/1r)")->required();
    app.add_flag("--auto-tms", autoTms, "calibrate the axis to TMS first");
    AddBoxOptions(app, boxes, true);
    SettingsOption settingsOption;
    AddSettingsOption(app, settingsOption);
    app.add_flag("--json", json, "print the result as JSON (required)")->required();
    if (const int rc = ParseCli(app, argc, argv); rc >= 0) return rc;

    // The settings file, read as the window reads it: a named file must
    // exist, damaged lines are told on stderr. Its line shape is the one
    // the examples that keep the start-up shape are compared in.
    CliSettings settings;
    std::string error;
    if (!SettingsFromOption(settingsOption, &settings, &error)) return Fail(error);
    quble::PlotState checked;
    if (!ApplyCliSettings(settings, checked, "compare", &error)) return Fail(error);

    quble::CompareRequest req;
    if (!boxes.example.empty()) {
        if (AnyHydrogenOption(boxes)) return Fail("--example takes no simulation parameters");
        const quble::ExampleSet* ex = quble::FindExample(boxes.example);
        if (!ex) return Fail("unknown example \"" + boxes.example + "\" (one of " + ExampleNames() + ")");
        quble::FillFromExample(*ex, req);
        if (ex->shape == quble::ExampleShape::StartUp) req.shape = SettingsLineShape(settings);
    } else {
        SimulationArgs parsed;
        if (!SimulationFromArgs(boxes, true, &parsed, &error)) return Fail(error);
        req.input = parsed.input;
        req.shape = parsed.shape;
        req.lorentzPercent = parsed.lorentzPercent;
    }
    req.spectrumPath = WholePath(path);
    req.autoTms = autoTms;

    const quble::CompareRun run = quble::RunCompare(req);
    if (run.stop == quble::CompareRun::Stop::Input) return Fail(run.text);
    if (run.stop != quble::CompareRun::Stop::None) {
        std::fprintf(stderr, "%s\n%s\n", run.title.c_str(), JoinMessageLines(run.text, '\n').c_str());
        return 1;
    }

    const quble::SimulationState& sim = *run.sim;
    const quble::ExperimentalOverlay& e = run.plot.exp;
    nlohmann::ordered_json o;
    o["exp_scale"] = static_cast<double>(e.ExpScale);
    o["exp_peaks_hz"] = nlohmann::ordered_json::array();
    for (int i = 1; i <= run.cmp.AutoPeakCount; ++i) o["exp_peaks_hz"].push_back(e.ExpXnmrHz[run.cmp.AutoPeakIndex[i]]);
    o["slots"] = nlohmann::ordered_json::array();
    for (int n = 1; n <= sim.NMultRelMax; ++n) {
        const bool hasSim = sim.SimGapFlag[n] != quble::kNoPeakInSlot;
        const bool hasExp = n <= e.ExpPeakCount && e.ExpGapFlag[n] != quble::kNoPeakInSlot && e.ExpPeakIndex[n] >= 1;
        nlohmann::ordered_json slot;
        slot["sim_hz"] = hasSim ? nlohmann::ordered_json(static_cast<double>(quble::SimMaxHz(sim, n))) : nullptr;
        slot["exp_hz"] = hasExp ? nlohmann::ordered_json(e.ExpXnmrHz[e.ExpPeakIndex[n]]) : nullptr;
        o["slots"].push_back(slot);
    }
    o["match_sum_min"] = static_cast<double>(run.match.MatchSumMin);
    o["match"] = run.match.match;
    o["diagnostics"] = run.match.List1;
    PrintJson(o);
    return 0;
}
