#include "simulator/simulator_picture.h"

#include <QImage>
#include <QPainter>
#include <QScreen>

#include <cmath>

#include "compare/transfer.h"
#include "examples/generator/example_pictures.h"
#include "experimental/bruker_spectrum.h"
#include "platform/emf_player.h"
#include "platform/formula_image.h"
#include "platform/qpainter_surface.h"
#include "render/wind_draw.h"

namespace quble {

namespace {
// The window's graph box, in pixels and user units.
constexpr int kBoxWidth = 663;
constexpr int kBoxHeight = 356;
// The window's default colour of the individual peaks (its second swatch).
constexpr ColorRef kDefaultIndPeakColor = 0x00C0C0C0;
}  // namespace

GraphPicture SimulatorGraphPicture(PlotState& plot, const SimulationState& sim, std::vector<std::uint8_t> formulaEmf,
                                   const QRectF& formulaRect, const ScreenMetrics& screen) {
    GraphPicture g;
    g.scaleWidth = plot.ScaleWidth;
    g.scaleHeight = plot.ScaleHeight;
    g.screen = screen;
    g.formulaEmf = std::move(formulaEmf);
    g.formulaRect = formulaRect;
    PlotState* p = &plot;
    const SimulationState* s = &sim;
    g.draw = [p, s](DrawingSurface& dc, bool bw, const std::function<void(DrawingSurface&)>& formula) {
        WindDraw(*p, *s, dc, bw, formula);
    };
    return g;
}

std::unique_ptr<SimulatorGraph> BuildSimulatorGraph(const SimulatorGraphRequest& r, std::string* error) {
    auto g = std::make_unique<SimulatorGraph>();
    SimulatorSession& session = *g->session;
    session.SetLineShape(r.shape);
    session.sim.Slider4 = r.lorentzPercent;
    session.sim.NPeakPts = 30;
    session.decSep = r.input.DecSep;
    PlotState& plot = session.plot;
    InitPlotGeometry(plot, kBoxHeight * kPlotScaleWidth / kBoxWidth);
    plot.options.IndPeakColor = kDefaultIndPeakColor;
    plot.Label8.caption = r.title;
    // The line-shape caption the window would show for this shape.
    plot.Label12.caption = SimulatorSession::ShapeCaption(r.shape, r.lorentzPercent);
    for (int i = 0; i < kMaxHydrogens; ++i) {
        plot.Label9[i].caption = i < static_cast<int>(r.hydrogenNames.size()) ? r.hydrogenNames[i]
                                                                               : "H" + std::to_string(i + 1);
    }
    SimulationInput in = r.input;
    if (CalcOutcome done = session.Calculate(in); done.error) {
        if (error) *error = done.error->message;
        return nullptr;
    }
    // Laid out on an image of the graph box, with the fonts the window uses;
    // this also sets the scales the transfer measures its windows with.
    auto layOut = [&] {
        QImage box(kBoxWidth, kBoxHeight, QImage::Format_RGB32);
        box.fill(Qt::white);
        QPainter p(&box);
        QPainterSurface s(p, QRectF(0, 0, kBoxWidth, kBoxHeight), plot.ScaleWidth, plot.ScaleHeight);
        session.Draw(s, true);
    };
    if (!r.overlayPath.empty()) {
        layOut();
        BrukerSpectrum spectrum;
        spectrum.AutoAdjustTMS = r.overlayAutoTms;
        const OpenResult opened = OpenFull(spectrum, r.overlayPath);
        if (!opened.ok()) {
            if (error) *error = opened.title + ": " + opened.text;
            return nullptr;
        }
        ExperimentalOverlay copy;
        CompareState unused;
        CopyExperimentalData(spectrum, copy, unused);
        const auto points = static_cast<std::int32_t>(copy.ExpXnmrHz.size()) - 1;
        session.ReceiveExperimental(points, std::move(copy.ExpXnmrHz), std::move(copy.ExpYgraf));
        if (std::optional<SessionMessage> refused = session.TransfAdjustExpData()) {
            if (error) *error = refused->title + ": " + refused->text;
            return nullptr;
        }
        // The window calculates again after the transfer: that pairs the peaks.
        in = r.input;
        if (CalcOutcome again = session.Calculate(in); again.error) {
            if (error) *error = again.error->message;
            return nullptr;
        }
    }
    layOut();
    if (!r.formulaEmf.empty()) {
        g->formulaRect = FormulaRectFor(r.formulaEmf);
        if (!g->formulaRect.isEmpty()) g->formulaEmf = r.formulaEmf;
    }
    return g;
}

SimulatorGraphRequest ExampleGraphRequest(const ExampleSet& ex) {
    SimulatorGraphRequest r;
    SimulationInput& in = r.input;
    in.DecSep = '.';
    in.Text2 = std::to_string(ex.hydrogens.size());
    for (std::size_t h = 0; h < ex.hydrogens.size() && h < static_cast<std::size_t>(kMaxHydrogens); ++h) {
        in.Text6[h] = ex.hydrogens[h].shift;
        in.Text1[h] = std::to_string(ex.hydrogens[h].j.size());
        for (std::size_t k = 0; k < ex.hydrogens[h].j.size() && k < static_cast<std::size_t>(kMaxJ); ++k) {
            in.JText[h][k] = ex.hydrogens[h].j[k];
        }
        r.hydrogenNames.push_back(ex.hydrogens[h].name);
    }
    in.Text4 = ex.width.empty() ? "1" : ex.width;
    in.Text3 = "0.1";
    // The start-up line shape is the window's default (Gaussian) without a
    // settings file; a mixed shape without its own ratio keeps the slider's
    // start value.
    switch (ex.shape) {
        case ExampleShape::StartUp: r.shape = LineShape::Gaussian; break;
        case ExampleShape::Lorentzian: r.shape = LineShape::Lorentzian; break;
        case ExampleShape::Mixed: r.shape = LineShape::Mixed; break;
        case ExampleShape::MixedWithRatio:
            r.shape = LineShape::Mixed;
            r.lorentzPercent = ex.mixPercent;
            break;
    }
    r.title = ex.title;
    // The picture's file name ends in "Ex<n>.emf".
    const auto slash = ex.picturePath.find_last_of('/');
    const std::string file = slash == std::string::npos ? ex.picturePath : ex.picturePath.substr(slash + 1);
    if (file.size() == 7 && file.starts_with("Ex")) r.formulaEmf = examplegen::ExamplePictureEmf(file[2] - '0');
    return r;
}

}  // namespace quble
