// quble-cli simulate: one calculation of the simulator, printed as JSON.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/cli_boxes.h"
#include "core/number_text.h"
#include "simulator/multiplet.h"

namespace {

using quble::SimulationInput;
using quble::SimulationState;

int Fail(const std::string& message) {
    std::fprintf(stderr, "quble-cli simulate: %s\n", message.c_str());
    return 2;
}

std::string Num(float v) { return quble::FormatNumber(v, '.'); }

nlohmann::ordered_json FloatArray(const std::vector<float>& values) {
    nlohmann::ordered_json a = nlohmann::ordered_json::array();
    for (float v : values) a.push_back(FloatAsShortestDouble(v));
    return a;
}

}  // namespace

int RunSimulateCommand(int argc, char** argv) {
    CLI::App app("One calculation of the simulator: its lines, envelope and extrema.", "simulate");
    BoxArgs boxes;
    bool json = false;
    AddHydrogenOptions(app, boxes, true);
    app.add_flag("--json", json, "print the result as JSON");
    if (const int rc = ParseCli(app, argc, argv); rc >= 0) return rc;

    SimulationArgs parsed;
    std::string error;
    if (!SimulationFromArgs(boxes, true, &parsed, &error)) return Fail(error);
    SimulationInput input = parsed.input;

    auto state = std::make_unique<SimulationState>();
    state->ticks = quble::TicksFor(parsed.shape);
    state->Slider4 = parsed.lorentzPercent;
    if (auto bad = quble::StartProcess(*state, input)) return Fail(bad->message);

    const SimulationState& s = *state;
    if (!json) {
        std::printf("%-14s %s\n", "frequency/Hz", "intensity");
        for (int i = 1; i <= s.TotalLines; ++i) {
            std::printf("%-14s %s\n", Num(s.CentreHz - s.AllPos[i]).c_str(), Num(s.AllInt[i]).c_str());
        }
        return 0;
    }
    std::vector<float> envHz, envY, maxima, minima;
    for (int i = quble::kEnvFirst; i <= quble::kEnvLast; ++i) {
        envHz.push_back(s.CentreHz - s.EnvX(i));
        envY.push_back(s.EnvY(i));
    }
    for (int p = 1; p <= s.NMultRelMax; ++p) maxima.push_back(s.CentreHz - s.SimMaxPos[p]);
    for (int p = 1; p <= s.NMultRelMin; ++p) minima.push_back(s.CentreHz - s.SimMinPos[p]);

    nlohmann::ordered_json o;
    o["width"] = FloatAsShortestDouble(s.Width);
    o["resolution"] = FloatAsShortestDouble(s.Res);
    o["centre_hz"] = FloatAsShortestDouble(s.CentreHz);
    o["lines"] = nlohmann::ordered_json::array();
    for (int i = 1; i <= s.TotalLines; ++i) {
        o["lines"].push_back({{"hz", FloatAsShortestDouble(s.CentreHz - s.AllPos[i])},
                              {"intensity", FloatAsShortestDouble(s.AllInt[i])}});
    }
    o["envelope"] = {{"hz", FloatArray(envHz)}, {"y", FloatArray(envY)}};
    o["maxima_hz"] = FloatArray(maxima);
    o["minima_hz"] = FloatArray(minima);
    o["n_peak_pts"] = s.NPeakPts;
    // On one line without blanks, as the command has always printed it.
    PrintJson(o, -1);
    return 0;
}
