// quble-cli fit --1r PATH [--auto-tms] (--example NAME | --h SHIFT:J,... [--h ...]
// [--width W --shape S --lorentz-percent P]) [--from PPM --to PPM] [--json]
// The least-squares fit of a simulation to a processed spectrum, started
// from the boxes.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "analysis/journal_text.h"
#include "analysis/simulation_fit.h"
#include "analysis/spectrum_region.h"
#include "app/cli/cli_boxes.h"
#include "core/number_text.h"
#include "simulator/multiplet.h"
#include "simulator/simulation_state.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "quble-cli fit: %s\n", message.c_str());
    return 2;
}

// Widths either side of the multiplet's extent that the fit still sees, so
// that the tails of the outer lines and the baseline take part.
constexpr double kTailWidths = 3.0;

}  // namespace

int RunFitCommand(int argc, char** argv) {
    CLI::App app("The least-squares fit of a simulation to a processed spectrum.", "fit");
    std::string path;
    bool autoTms = false, json = false;
    double fromPpm = 0.0, toPpm = 0.0;
    BoxArgs boxes;
    app.add_option("--1r", path, "the processed spectrum (.../pdata/1/1r)")->required();
    app.add_flag("--auto-tms", autoTms, "calibrate the axis to TMS first");
    AddBoxOptions(app, boxes);
    CLI::Option* from = app.add_option("--from", fromPpm, "one end of the range, ppm");
    CLI::Option* to = app.add_option("--to", toPpm, "the other end of the range, ppm");
    from->needs(to);
    to->needs(from);
    app.add_flag("--json", json, "print the result as JSON");
    if (const int rc = ParseCli(app, argc, argv); rc >= 0) return rc;

    SimulationArgs parsed;
    std::string error;
    if (!BoxesFromArgs(boxes, &parsed, &error)) return Fail(error);
    // One calculation of the boxes: it checks them as the window does and
    // gives the multiplet's extent and width.
    auto sim = std::make_unique<quble::SimulationState>();
    sim->ticks = quble::TicksFor(parsed.shape);
    sim->Slider4 = parsed.lorentzPercent;
    quble::SimulationInput input = parsed.input;
    if (auto bad = quble::StartProcess(*sim, input)) return Fail(bad->message);
    std::vector<quble::analysis::JournalHydrogen> hydrogens;
    if (!quble::analysis::HydrogensFromInput(parsed.input, &hydrogens, &error)) return Fail(error);

    quble::BrukerSpectrum s;
    if (!OpenSpectrumForCli(path, autoTms, s)) return 1;
    if (from->count() == 0) {
        // The transfer's extent (1 Hz beyond the outer lines) and the tails.
        const double margin = 1.0 + kTailWidths * static_cast<double>(sim->Width);
        fromPpm = (static_cast<double>(sim->HighLineHz) + margin) / s.SFMeu;
        toPpm = (static_cast<double>(sim->LowLineHz) - margin) / s.SFMeu;
    }
    quble::analysis::SpectrumRegion region;
    if (!quble::analysis::RegionFromSpectrum(s, fromPpm, toPpm, &region, &error)) return Fail(error);

    quble::analysis::FitInput in;
    for (const auto& h : hydrogens) in.hydrogens.push_back({h.shiftHz, h.jHz, false, {}});
    in.widthHz = sim->Width;
    in.lorentzFraction = parsed.shape == quble::LineShape::Lorentzian ? 1.0
                         : parsed.shape == quble::LineShape::Gaussian ? 0.0
                                                                      : parsed.lorentzPercent / 100.0;
    const quble::analysis::FitResult r = quble::analysis::FitSimulation(region.hz, region.y, in);
    if (!r.ok) {
        std::fprintf(stderr, "quble-cli fit: %s\n", r.error.c_str());
        return 1;
    }
    if (!json) {
        for (std::size_t i = 0; i < r.hydrogens.size(); ++i) {
            std::string js;
            for (double j : r.hydrogens[i].jHz) js += (js.empty() ? "" : ", ") + quble::FormatNumber(j, '.');
            std::printf("H%zu  %s Hz  J = %s Hz\n", i + 1, quble::FormatNumber(r.hydrogens[i].shiftHz, '.').c_str(),
                        js.c_str());
        }
        std::printf("width %s Hz  Lorentzian %s %%  RMS %s  R2 %s\n", quble::FormatNumber(r.widthHz, '.').c_str(),
                    quble::FormatNumber(100.0 * r.lorentzFraction, '.').c_str(),
                    quble::FormatNumber(r.rms, '.').c_str(), quble::FormatNumber(r.r2, '.').c_str());
        return 0;
    }
    nlohmann::ordered_json o;
    o["hydrogens"] = nlohmann::ordered_json::array();
    for (const auto& h : r.hydrogens) {
        nlohmann::ordered_json one;
        one["shift_hz"] = h.shiftHz;
        one["j_hz"] = h.jHz;
        one["shift_sd_hz"] = h.shiftSdHz;
        one["j_sd_hz"] = h.jSdHz;
        o["hydrogens"].push_back(one);
    }
    o["width"] = r.widthHz;
    o["lorentz_percent"] = 100.0 * r.lorentzFraction;
    o["rms"] = r.rms;
    o["r2"] = r.r2;
    o["iterations"] = r.iterations;
    PrintJson(o);
    return 0;
}
