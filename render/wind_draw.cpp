#include "render/wind_draw.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>

#include "core/number_text.h"
#include "platform/file_read.h"

namespace quble {

namespace {

// GDI's calls take whole logical units; the program rounded halves to even.
double R(double v) { return RoundHalfEven(v); }

void Line(DrawingSurface& dc, double x1, double y1, double x2, double y2) {
    dc.MoveTo(R(x1), R(y1));
    dc.LineTo(R(x2), R(y2));
}

ColorRef Ink(bool bw, ColorRef c) { return bw ? kBlack : c; }

template <class T>
T At(const std::vector<T>& v, int i, T missing) {
    return i >= 0 && i < static_cast<int>(v.size()) ? v[i] : missing;
}

// Formula pictures are small; a FIFO or a huge file named like one is not
// waited for or read.
constexpr std::int64_t kMaxFormulaBytes = std::int64_t{64} * 1024 * 1024;

bool ReadFile(const std::string& path, std::vector<std::uint8_t>* out) {
    return ReadRegularFile(path, out, kMaxFormulaBytes, nullptr);
}

}  // namespace

std::vector<DiagramColourGroup> DiagramLines(const PlotState& p, const SimulationState& sim, bool bw) {
    std::vector<DiagramColourGroup> groups;
    std::map<ColorRef, std::size_t> index;
    auto add = [&](ColorRef c, double x1, double y1, double x2, double y2) {
        c = Ink(bw, c);
        auto [it, fresh] = index.try_emplace(c, groups.size());
        if (fresh) groups.push_back({c, {}});
        groups[it->second].segments.push_back({x1, y1, x2, y2});
    };
    const double step = p.LevelStep;
    for (int h = 1; h <= sim.NH && h <= kMaxHydrogens; ++h) {
        const auto& x = p.XPix[h];
        const auto& y = p.YLev[h];
        add(sim.StemColor[h][0][1], x[0][1], y[0], x[0][1], y[0] + step);
        for (int j = 1; j <= sim.NJ[h] && j <= kMaxJ; ++j) {
            const double parentY = y[j - 1] + step;
            for (int m = 1; m <= (1 << (j - 1)); ++m) {
                for (int c : {2 * m - 1, 2 * m}) {
                    add(sim.StemColor[h][j][c], x[j][c], y[j], x[j][c], y[j] + step);
                    add(sim.LinkColor[h][j][c], x[j][c], y[j], x[j - 1][m], parentY);
                }
            }
        }
    }
    return groups;
}

void WindDraw(PlotState& p, const SimulationState& sim, DrawingSurface& dc, bool bwExport,
              const std::function<void(DrawingSurface&)>& formula) {
    const ViewTicks& v = p.view;
    const DrawOptions& o = p.options;
    const double sw = p.ScaleWidth, sh = p.ScaleHeight;
    const bool bw = bwExport;
    // The label writers read this to draw in black.
    p.options.BWDrawing = bw;
    const bool expShown = v.mnuViewExpSp && sim.ExpPresent;

    // The background and grid as the screen has them.
    SpecBackground(p, dc, true);

    // 1-2. Splitting diagram by colour, then the J labels.
    if (v.mnuSplitDia) {
        for (const DiagramColourGroup& g : DiagramLines(p, sim, bw)) {
            dc.SetPen({g.colour, 0.0});
            for (const auto& s : g.segments) Line(dc, s.x1, s.y1, s.x2, s.y2);
        }
        if (v.mnuJLabels) PrtLablsHzMF(p, sim, dc);
    }

    // 3. Individual peaks.
    if (v.mnuGaussianIndPeak) {
        const int n = std::clamp(sim.NPeakPts, 0, kMaxPeakPts);
        dc.SetPen({Ink(bw, o.IndPeakColor), 0.0});
        std::vector<PointF> pts(2 * static_cast<std::size_t>(n) + 1);
        for (int m = 1; m <= sim.TotalLines; ++m) {
            for (int k = -n; k <= n; ++k) {
                pts[k + n] = {R(PkXPix(p, sim, k, m)), R(p.BaseY - PkHPix(p, sim, k, m))};
            }
            dc.Polyline(pts.data(), pts.size());
        }
    }

    // 4. Frame and the line under the titles.
    dc.SetPen({kBlack, 2.0});
    const PointF frame[] = {{1, 1}, {1, R(sh - 1)}, {R(sw - 1), R(sh - 1)}, {R(sw - 1), 1}, {1, 1}};
    dc.MoveTo(frame[0].x, frame[0].y);
    for (int i = 1; i < 5; ++i) dc.LineTo(frame[i].x, frame[i].y);
    Line(dc, 1, p.TopY, sw - 1, p.TopY);

    // 5. Baseline and histogram.
    dc.SetPen({kBlack, 0.0});
    Line(dc, 0, p.BaseY, sw, p.BaseY);
    if (v.mnuHistogram) {
        for (int i = 1; i <= sim.TotalLines && i < static_cast<int>(p.LineX.size()); ++i) {
            Line(dc, p.LineX[i], p.BaseY, p.LineX[i], p.BaseY - p.LineH[i]);
        }
    }

    // 6. Experimental spectrum.
    if (expShown) {
        const ExperimentalOverlay& e = p.exp;
        const int last =
            std::min<int>(e.PlotWindowLast, static_cast<int>(std::min(e.ExpXnmrHz.size(), e.ExpYgraf.size())) - 1);
        const int first = std::max(e.PlotWindowFirst, 0);
        auto px = [&](int i) { return p.XCenter - (e.ExpXnmrHz[i] - sim.AvChemShift) * p.HScale; };
        auto py = [&](int i) { return p.BaseY - static_cast<double>(p.VScale) * e.ExpYgraf[i] * e.ExpScale; };
        if (o.ExpAsPoints) {
            dc.SetPen({Ink(bw, o.ExpColor), 0.0});
            const double r = 1.8 * o.ExpPointRadius;
            for (int i = first; i <= last; ++i) dc.Ellipse(R(px(i) - r), R(py(i) - r), R(px(i) + r), R(py(i) + r));
        } else if (first <= last) {
            dc.SetPen({Ink(bw, o.ExpColor), static_cast<double>(o.ExpLineWidth)});
            std::vector<PointF> pts;
            for (int i = first; i <= last; ++i) pts.push_back({R(px(i)), R(py(i))});
            dc.Polyline(pts.data(), pts.size());
        }
    }

    // 7. Envelope, samples -100 .. 600.
    if (v.mnuGaussianEnv) {
        dc.SetPen({Ink(bw, o.EnvColor), static_cast<double>(o.EnvLineWidth)});
        std::vector<PointF> pts(kEnvSamples);
        for (int i = 0; i < kEnvSamples; ++i) pts[i] = {R(p.EnvXPix[i]), R(p.BaseY - p.EnvHPix[i])};
        dc.Polyline(pts.data(), pts.size());
    }

    // 8. Peak ticks and labels.
    if (v.mnuPeakLabels && v.mnuPeakLabelsEnabled) {
        dc.SetPen({Ink(bw, o.PeakLabelColor), 0.0});
        if (v.mnuGaussianEnv) {
            for (int i = 1; i <= sim.NMultRelMax; ++i) {
                const int k = At(sim.SimMaxIndex, i, kEnvFirst - 1);
                if (k < kEnvFirst || k > kEnvLast) continue;
                const double top = p.BaseY - p.EnvHPixAt(k);
                Line(dc, p.EnvXPixAt(k), top - sh / 33.0, p.EnvXPixAt(k), top - sh / 198.0);
            }
        }
        if (expShown) {
            const ExperimentalOverlay& e = p.exp;
            dc.SetPen({Ink(bw, o.ExpColor), 0.0});
            for (int j = 1; j <= e.ExpPeakCount; ++j) {
                const float x = At(e.ExpLabelX, j, std::numeric_limits<float>::quiet_NaN());
                const float y = At(e.ExpLabelY, j, std::numeric_limits<float>::quiet_NaN());
                if (std::isnan(x) || std::isnan(y) || At(e.ExpGapFlag, j, 0) == kNoPeakInSlot) continue;
                Line(dc, x, y - e.ExpTickLen, x, y);
            }
        }
        PrtPeakLabels(p, sim, dc);
    }

    // 9. Captions, legend, formula.
    PrtLablsOtherMF(p, dc);
    Legenda(p, sim, dc);
    DrawFitResidual(p, sim, dc);
    if (formula) formula(dc);

    // 10.
    p.options.BWDrawing = false;
}

bool Formula(EmfSurface& dc, const PictureExport& ex, std::string* error) {
    const FormulaPicture& f = ex.formula;
    const std::string path =
        f.FormulaFromExample ? f.ExampleFormulaPath : ProgramFile(ex.ProgramFolder, kSvClipMFFile);
    std::vector<std::uint8_t> data;
    if (!ReadFile(path, &data)) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    const double l = R(f.Left), t = R(f.Top), r = R(f.Left + f.Width), b = R(f.Top + f.Height);
    return dc.EmbedMetafile(data, l, t, r, b, error);
}

CurPicPage CurPicPageFor(double scaleWidth, double scaleHeight, const ScreenMetrics& s) {
    CurPicPage page;
    // The picture size in inches, one scale unit taken as one pixel.
    const double wi = scaleWidth / s.LOGPIXELSX;
    const double hi = scaleHeight / s.LOGPIXELSY;
    page.setup.scaleWidth = scaleWidth;
    page.setup.scaleHeight = scaleHeight;
    page.setup.screen = s;
    page.setup.frame = {0, 0, static_cast<std::int32_t>(R(wi * 2540)), static_cast<std::int32_t>(R(hi * 2540))};
    page.windowExtX = static_cast<std::int32_t>(R(wi * s.LOGPIXELSX));
    page.windowExtY = static_cast<std::int32_t>(R(hi * s.LOGPIXELSY));
    page.viewportExtX = static_cast<std::int32_t>(R(wi * 25.4 * s.HORZRES / s.HORZSIZE));
    page.viewportExtY = static_cast<std::int32_t>(R(hi * 25.4 * s.VERTRES / s.VERTSIZE));
    return page;
}

bool MakeCurPicMF(PlotState& plot, const SimulationState& sim, const PictureExport& ex,
                  std::vector<std::uint8_t>* bytes, std::string* error) {
    const ScreenMetrics& s = ex.screen;
    if (s.LOGPIXELSX <= 0 || s.LOGPIXELSY <= 0 || s.HORZSIZE <= 0 || s.VERTSIZE <= 0 || plot.ScaleWidth <= 0 ||
        plot.ScaleHeight <= 0) {
        if (error) *error = "the screen or the graph has no size";
        return false;
    }
    const CurPicPage page = CurPicPageFor(plot.ScaleWidth, plot.ScaleHeight, s);
    EmfSurface dc(page.setup);
    dc.SetMapMode(8);  // MM_ANISOTROPIC
    dc.SetWindowExtEx(page.windowExtX, page.windowExtY);
    dc.SetViewportExtEx(page.viewportExtX, page.viewportExtY);
    WindDraw(plot, sim, dc, ex.BWExport, [&](DrawingSurface&) {
        // A formula that cannot be read is left out of the picture; the
        // graph itself is still exported.
        if (ex.formula.FormulaShown) Formula(dc, ex, nullptr);
    });
    const std::vector<std::uint8_t>& data = dc.Finish();
    if (bytes) *bytes = data;
    return WriteFileAtomically(ProgramFile(ex.ProgramFolder, kCurPicFile), data, error);
}

}  // namespace quble
