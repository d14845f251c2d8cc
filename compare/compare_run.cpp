#include "compare/compare_run.h"

#include "experimental/bruker_spectrum.h"

namespace quble {

void FillFromExample(const ExampleSet& ex, CompareRequest& r) {
    SimulationInput& in = r.input;
    in = SimulationInput{};
    in.DecSep = '.';
    in.Text2 = std::to_string(ex.hydrogens.size());
    for (std::size_t h = 0; h < ex.hydrogens.size() && h < static_cast<std::size_t>(kMaxHydrogens); ++h) {
        in.Text6[h] = ex.hydrogens[h].shift;
        in.Text1[h] = std::to_string(ex.hydrogens[h].j.size());
        for (std::size_t k = 0; k < ex.hydrogens[h].j.size() && k < static_cast<std::size_t>(kMaxJ); ++k) {
            in.JText[h][k] = ex.hydrogens[h].j[k];
        }
        in.HydrogenName[h] = ex.hydrogens[h].name;
    }
    in.Text4 = ex.width.empty() ? "1" : ex.width;
    in.Text3 = "0.1";
    r.lorentzPercent = 50;
    switch (ex.shape) {
        case ExampleShape::StartUp: r.shape = LineShape::Gaussian; break;
        case ExampleShape::Lorentzian: r.shape = LineShape::Lorentzian; break;
        case ExampleShape::Mixed: r.shape = LineShape::Mixed; break;
        case ExampleShape::MixedWithRatio:
            r.shape = LineShape::Mixed;
            r.lorentzPercent = ex.mixPercent;
            break;
    }
}

std::optional<InputError> Recalculate(SimulationState& sim, PlotState& plot, const CompareState& cmp,
                                      SimulationInput& input) {
    if (auto e = StartProcess(sim, input)) return e;
    AfterCalculation(sim, plot, cmp);
    AjPlotSize(plot, sim);
    CalcPictureCoordinates(plot, sim);
    return std::nullopt;
}

CompareRun RunCompare(const CompareRequest& req) {
    CompareRun run;
    SimulationState& sim = *run.sim;
    InitPlotGeometry(run.plot, kLoadTimePlotHeight);
    sim.ticks = TicksFor(req.shape);
    sim.Slider4 = req.lorentzPercent;
    SimulationInput input = req.input;
    if (auto e = Recalculate(sim, run.plot, run.cmp, input)) {
        run.stop = CompareRun::Stop::Input;
        run.title = "Input";
        run.text = e->message;
        return run;
    }

    BrukerSpectrum s;
    s.AutoAdjustTMS = req.autoTms;
    const OpenResult opened = OpenFull(s, req.spectrumPath);
    if (!opened.ok()) {
        run.stop = CompareRun::Stop::Open;
        run.title = opened.title;
        run.text = opened.text;
        return run;
    }
    CopyExperimentalData(s, run.plot.exp, run.cmp);
    const TransferResult t = TransfAdjustExpData(sim, run.plot, run.cmp);
    if (!t.ok()) {
        run.stop = CompareRun::Stop::Transfer;
        run.title = t.title;
        run.text = t.text;
        return run;
    }
    Recalculate(sim, run.plot, run.cmp, input);
    run.match = VerifyMatch(sim, run.plot.exp, run.cmp, input.DecSep);
    return run;
}

}  // namespace quble
