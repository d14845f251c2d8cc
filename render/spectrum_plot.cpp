#include "render/spectrum_plot.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "render/plot_internal.h"
#include "core/number_text.h"

namespace quble {

namespace {

int RoundToInt(double v) { return static_cast<int>(RoundHalfEven(v)); }

// Where the captions sit on a fresh graph box. They are window furniture, so
// the window may move them; these places keep them clear of the legend
// (top left), the diagram roots and the spectrum.
void PlaceCaptions(PlotState& p) {
    p.Label8 = {"Spectrum Title", 250.0, 4.0, 0.0, 0.0, true};
    // The strip under the baseline stays free of every drawn element (the
    // legend and the formula picture take the top corners), so the program
    // title and the resolution, width and line-shape captions share it in one
    // row. Their writers add 26, 4, 8 and 12 to the tops.
    const double row = p.BaseY + 3.0;
    p.Label17 = {kProgramCaption, 4.0, row - 26.0, 0.0, 0.0, true};
    p.Label10 = {"", 140.0, row - 4.0, 0.0, 0.0, true};
    p.Label11 = {"", 285.0, row - 8.0, 0.0, 0.0, true};
    p.Label12 = {"", 460.0, row - 12.0, 0.0, 0.0, true};
    for (int i = 0; i < kMaxHydrogens; ++i) {
        std::string title = "H";
        title += std::to_string(i + 1);
        p.Label9[i] = {title, 0.0, p.TopY - 2.0, 0.0, 0.0, false};
    }
}

}  // namespace

Font LabelFont() { return Font{"Arial", 11.0, 400, false, 0}; }
Font HydrogenTitleFont() { return Font{"Arial", 11.0, 700, false, 0}; }
Font SpectrumTitleFont() { return Font{"Arial", 13.0, 700, false, 0}; }

int Slider1MinimumFor(double scaleWidth) {
    if (!(scaleWidth > 0)) return 30;
    return std::max(1, RoundToInt(30.0 * kPlotScaleWidth / scaleWidth));
}

void InitPlotGeometry(PlotState& p, double scaleHeight, double scaleWidth) {
    const double sh = scaleHeight;
    p.ScaleWidth = scaleWidth > 0 ? scaleWidth : kPlotScaleWidth;
    p.ScaleHeight = sh;
    p.XCenter = RoundToInt((p.ScaleWidth + 1.0) / 2.0);
    p.BaseY = static_cast<float>(sh - sh / 18.0);
    p.TopY = static_cast<float>(sh - p.BaseY);
    p.LevelStep = static_cast<float>((sh - p.TopY) / 20.0);
    p.SliderHUnits = static_cast<float>(9945.0 / p.ScaleWidth);
    p.SliderVUnits = static_cast<float>(5940.0 / sh);
    p.VScale = p.LevelStep;

    // The sliders are set up without reacting to their own changes.
    p.Slider1.react = p.Slider2.react = p.Slider3.react = false;
    p.Slider1.min = Slider1MinimumFor(p.ScaleWidth);
    p.Slider1.max = 2000;
    p.Slider1.value = 100;
    p.HScale = static_cast<float>(p.Slider1.value) / p.SliderHUnits;

    p.Slider2.min = 100;
    p.Slider2.max = RoundToInt(3.0 * p.LevelStep * p.SliderVUnits);
    p.Slider2.value = RoundToInt(static_cast<double>(p.LevelStep) * p.SliderVUnits);

    p.Slider3.min = 1;
    p.Slider3.max = RoundToInt(3.0 * p.VScale * p.SliderVUnits);
    p.Slider3.value = RoundToInt(p.Slider3.max - static_cast<double>(p.VScale) * p.SliderVUnits);
    p.Slider1.react = p.Slider2.react = p.Slider3.react = true;

    PlaceCaptions(p);
    if (p.ScaleWidth != kPlotScaleWidth) {
        const double fx = p.ScaleWidth / kPlotScaleWidth;
        for (GraphLabel* l : {&p.Label8, &p.Label10, &p.Label11, &p.Label12, &p.Label17}) l->left *= fx;
    }
}

void ResizePlotGeometry(PlotState& p, double scaleWidth, double scaleHeight) {
    if (!(scaleWidth > 0) || !(scaleHeight > 0) || !(p.ScaleWidth > 0) || !(p.ScaleHeight > 0)) return;
    if (scaleWidth == p.ScaleWidth && scaleHeight == p.ScaleHeight) return;
    const double fx = scaleWidth / p.ScaleWidth;
    const double fy = scaleHeight / p.ScaleHeight;
    const float oldBase = p.BaseY, oldTop = p.TopY;

    p.ScaleWidth = scaleWidth;
    p.ScaleHeight = scaleHeight;
    const double sh = scaleHeight;
    p.XCenter = RoundToInt((p.ScaleWidth + 1.0) / 2.0);
    p.BaseY = static_cast<float>(sh - sh / 18.0);
    p.TopY = static_cast<float>(sh - p.BaseY);
    p.SliderHUnits = static_cast<float>(9945.0 / p.ScaleWidth);
    p.SliderVUnits = static_cast<float>(5940.0 / sh);

    p.Slider1.min = Slider1MinimumFor(p.ScaleWidth);
    p.Slider1.value = std::clamp(p.Slider1.value, p.Slider1.min, std::max(p.Slider1.min, p.Slider1.max));
    p.HScale = static_cast<float>(p.Slider1.value) / p.SliderHUnits;

    // Both vertical scales are proportional to the height, so the slider
    // values (scale times units per picture unit) do not move; only the
    // lower end of the diagram slider follows the height.
    p.LevelStep = static_cast<float>(p.LevelStep * fy);
    p.VScale = static_cast<float>(p.VScale * fy);
    p.Slider2.min = std::min(RoundToInt(sh / 59.4), p.Slider2.max);
    p.Slider2.value = std::clamp(RoundToInt(static_cast<double>(p.LevelStep) * p.SliderVUnits), p.Slider2.min,
                                 std::max(p.Slider2.min, p.Slider2.max));
    p.Slider3.value =
        std::clamp(RoundToInt(p.Slider3.max - static_cast<double>(p.VScale) * p.SliderVUnits), p.Slider3.min,
                   std::max(p.Slider3.min, p.Slider3.max));

    for (GraphLabel* l : {&p.Label8, &p.Label10, &p.Label11, &p.Label12, &p.Label17}) l->left *= fx;
    for (GraphLabel* l : {&p.Label10, &p.Label11, &p.Label12, &p.Label17}) l->top += p.BaseY - oldBase;
    for (GraphLabel& l : p.Label9) l.top += p.TopY - oldTop;
}

void AjPlotSize(PlotState& p, const SimulationState& sim) {
    const double sh = p.ScaleHeight;
    p.LevelStep = static_cast<float>(0.99 * sh / ((1.5 * sim.maxNJ + 2.0) * 2.0));

    p.Slider2.react = false;
    p.Slider2.max = RoundToInt(2.0 * p.LevelStep * p.SliderVUnits);
    p.Slider2.min = RoundToInt(sh / 59.4);
    p.Slider2.value = RoundToInt(static_cast<double>(p.LevelStep) * p.SliderVUnits);

    const int total = std::max(sim.TotalLines, 0);
    p.LineX.assign(total + 1, 0.0f);
    p.LineH.assign(total + 1, 0.0f);

    float hmax = 0.0f;
    for (int i = 1; i <= total && i < static_cast<int>(sim.AllInt.size()); ++i) {
        hmax = std::max(hmax, p.VScale * sim.AllInt[i]);
    }
    for (int s = kEnvFirst; s <= kEnvLast; ++s) hmax = std::max(hmax, p.VScale * sim.EnvY(s));

    const float f = static_cast<float>((sh - p.TopY) / 2.0 - (sh + p.TopY - p.BaseY + sh / 10.0));
    // Without anything to show (no line, or a scale that has collapsed) the
    // scale is kept rather than turned into infinity or NaN.
    if (hmax > 0.0f && std::isfinite(hmax)) p.VScale = p.VScale * (f / hmax);

    p.Slider3.react = false;
    p.Slider3.max = RoundToInt(3.0 * p.VScale * p.SliderVUnits);
    p.Slider3.min = 1;
    p.Slider3.value = RoundToInt(p.Slider3.max - static_cast<double>(p.VScale) * p.SliderVUnits);
}

void CalcPictureCoordinates(PlotState& p, const SimulationState& sim) {
    const float xc = static_cast<float>(p.XCenter);
    for (int h = 1; h <= sim.NH; ++h) {
        p.XPix[h][0][1] = xc + p.HScale * sim.Pos[h][0][1];
        p.YLev[h][0] = p.LevelStep + p.TopY;
        for (int j = 1; j <= sim.NJ[h]; ++j) {
            p.YLev[h][j] = p.YLev[h][j - 1] + 1.5f * p.LevelStep;
            for (int b = 1; b <= (1 << j); ++b) p.XPix[h][j][b] = p.HScale * sim.Pos[h][j][b] + xc;
        }
    }
    const int total = std::max(sim.TotalLines, 0);
    if (static_cast<int>(p.LineX.size()) < total + 1) {
        p.LineX.assign(total + 1, 0.0f);
        p.LineH.assign(total + 1, 0.0f);
    }
    for (int i = 1; i <= total; ++i) {
        p.LineX[i] = p.HScale * sim.AllPos[i] + xc;
        p.LineH[i] = p.VScale * sim.AllInt[i];
    }
    for (int s = kEnvFirst; s <= kEnvLast; ++s) {
        p.EnvXPix[s - kEnvFirst] = p.HScale * sim.EnvX(s) + xc;
        p.EnvHPix[s - kEnvFirst] = p.VScale * sim.EnvY(s);
    }
}

void CalcFirstPlot(PlotState& p, const SimulationState& sim, DrawingSurface& surface) {
    CalcPictureCoordinates(p, sim);
    PlotFinal(p, sim, surface);
}

float PkXPix(const PlotState& p, const SimulationState& sim, int k, int m) {
    return p.HScale * sim.PeakX(k, m) + static_cast<float>(p.XCenter);
}

float PkHPix(const PlotState& p, const SimulationState& sim, int k, int m) { return p.VScale * sim.PeakY(k, m); }

namespace render_detail {

ColorRef Ink(const PlotState& p, ColorRef c) { return p.options.BWDrawing ? kBlack : c; }

void Segment(DrawingSurface& s, double x1, double y1, double x2, double y2) {
    s.MoveTo(x1, y1);
    s.LineTo(x2, y2);
}

}  // namespace render_detail

using render_detail::Ink;
using render_detail::Segment;

namespace {

void DrawSplittingDiagram(const PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const double step = p.LevelStep;
    for (int h = 1; h <= sim.NH; ++h) {
        const auto& x = p.XPix[h];
        const auto& y = p.YLev[h];
        s.SetPen({Ink(p, sim.StemColor[h][0][1]), 1.0});
        Segment(s, x[0][1], y[0], x[0][1], y[0] + step);
        for (int j = 1; j <= sim.NJ[h]; ++j) {
            for (int m = 1; m <= (1 << (j - 1)); ++m) {
                const double parentY = y[j - 1] + step;
                for (int c : {2 * m - 1, 2 * m}) {
                    s.SetPen({Ink(p, sim.StemColor[h][j][c]), 1.0});
                    Segment(s, x[j][c], y[j], x[j][c], y[j] + step);
                    s.SetPen({Ink(p, sim.LinkColor[h][j][c]), 1.0});
                    Segment(s, x[j][c], y[j], x[j - 1][m], parentY);
                }
            }
        }
    }
}

void DrawIndividualPeaks(PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const int n = std::clamp(sim.NPeakPts, 0, kMaxPeakPts);
    const std::size_t count = 2 * static_cast<std::size_t>(n) + 1;
    const float xc = static_cast<float>(p.XCenter);
    const double base = p.BaseY;
    s.SetPen({Ink(p, p.options.IndPeakColor), 1.0});
    p.scratch.resize(count);
    // The offsets of the samples from their line (Hz) and their unit heights
    // are the same for every line; rise[i] and fall[i] are the tallest unit
    // height up to sample i from the left and from the right.
    std::array<float, kProfileSamples> offset{}, shape{}, rise{}, fall{};
    for (int k = -n; k <= n; ++k) {
        offset[k + n] = static_cast<float>(k) / 10.0f;
        shape[k + n] = sim.PeakShape[k + kMaxPeakPts];
    }
    for (std::size_t i = 0; i < count; ++i) {
        rise[i] = i > 0 ? std::max(rise[i - 1], shape[i]) : shape[i];
        const std::size_t r = count - 1 - i;
        fall[r] = i > 0 ? std::max(fall[r + 1], shape[r]) : shape[r];
    }
    // On a raster, a tail that stays less than half a pixel row above the
    // baseline draws as one flat segment on it: only its ends are handed
    // over. That moves at most a few pixels of such a tail by one row, where
    // the aliased line would have stepped up for a rise it cannot show, and
    // spares mapping and rasterising thousands of baseline points per
    // redraw. Files keep every sample.
    const double flat = 0.45 * s.DevicePixelHeight();
    const int lines = std::min<int>(sim.TotalLines, static_cast<int>(std::min(sim.AllPos.size(), sim.AllInt.size())) - 1);
    for (int m = 1; m <= lines; ++m) {
        const float pos = sim.AllPos[m];
        const float inten = sim.AllInt[m];
        // Same arithmetic as PkXPix/PkHPix, without the accessor calls. The
        // samples run from left to right, so the first and the last bound
        // the peak; one wholly beside a picture that is cut there is not
        // computed at all.
        const float left = p.HScale * (pos + offset[0]) + xc;
        const float right = p.HScale * (pos + offset[count - 1]) + xc;
        if (!s.ColumnsShow(left, right)) continue;
        std::size_t first = 0, last = count - 1;  // the samples off the baseline
        const double height = static_cast<double>(p.VScale) * inten;
        if (flat > 0.0 && height > 0.0) {
            const float limit = static_cast<float>(flat / height);
            first = static_cast<std::size_t>(std::lower_bound(rise.begin(), rise.begin() + count, limit) - rise.begin());
            // fall is non-increasing: the last sample still at the limit.
            last = static_cast<std::size_t>(
                       std::lower_bound(fall.begin(), fall.begin() + count, limit, std::greater_equal<float>()) -
                       fall.begin()) -
                   1;
            if (last >= count) last = 0;  // no sample reaches it
        }
        PointF* out = p.scratch.data();
        std::size_t kept = 0;
        auto keep = [&](std::size_t i) {
            out[kept].x = p.HScale * (pos + offset[i]) + xc;
            out[kept].y = base - p.VScale * (inten * shape[i]);
            ++kept;
        };
        if (first > last) {  // the whole profile is flat
            keep(0);
            keep(count - 1);
        } else {
            if (first > 0) keep(0);
            if (first > 1) keep(first - 1);
            for (std::size_t i = first; i <= last; ++i) keep(i);
            if (last + 2 < count) keep(last + 1);
            if (last + 1 < count) keep(count - 1);
        }
        s.Polyline(out, kept);
    }
}

void DrawExperimentalOverlay(const PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const ExperimentalOverlay& e = p.exp;
    const int last = std::min<int>(e.PlotWindowLast, static_cast<int>(std::min(e.ExpXnmrHz.size(), e.ExpYgraf.size())) - 1);
    const int first = std::max(e.PlotWindowFirst, 0);
    if (first > last) return;
    const ColorRef c = Ink(p, p.options.ExpColor);
    auto px = [&](int i) {
        return static_cast<double>(p.XCenter) - (e.ExpXnmrHz[i] - sim.AvChemShift) * p.HScale;
    };
    auto py = [&](int i) {
        return static_cast<double>(p.BaseY) - static_cast<double>(p.VScale) * e.ExpYgraf[i] * e.ExpScale;
    };
    if (p.options.ExpAsPoints) {
        const double r = p.options.ExpPointRadius;
        s.SetPen({c, 1.0});
        // Dense spectra put hundreds of points on one screen pixel; a circle
        // within half a pixel of the last one drawn adds nothing a raster
        // can show, so screens skip it (files keep every point).
        const double near = 0.5 * s.DevicePixel();
        double lastX = 0.0, lastY = 0.0;
        bool any = false;
        for (int i = first; i <= last; ++i) {
            const double x = px(i), y = py(i);
            if (any && std::fabs(x - lastX) < near && std::fabs(y - lastY) < near) continue;
            s.Ellipse(x - r, y - r, x + r, y + r);
            lastX = x;
            lastY = y;
            any = true;
        }
        return;
    }
    s.SetPen({c, static_cast<double>(p.options.ExpLineWidth)});
    std::vector<PointF> pts;
    const double pixel = s.DevicePixel();
    if (pixel <= 0.0) {
        pts.reserve(static_cast<std::size_t>(last - first + 1));
        for (int i = first; i <= last; ++i) pts.push_back({px(i), py(i)});
        s.Polyline(pts.data(), pts.size());
        return;
    }
    // On a raster, the points of one pixel column draw as the span from
    // their lowest to their highest: the first, lowest, highest and last of
    // each column give the same picture from a few thousand points.
    auto flush = [&](int a, int b) {
        int lo = a, hi = a;
        for (int i = a + 1; i <= b; ++i) {
            if (py(i) < py(lo)) lo = i;
            if (py(i) > py(hi)) hi = i;
        }
        pts.push_back({px(a), py(a)});
        const int m1 = std::min(lo, hi), m2 = std::max(lo, hi);
        if (m1 != a) pts.push_back({px(m1), py(m1)});
        if (m2 != m1 && m2 != b) pts.push_back({px(m2), py(m2)});
        if (b != a) pts.push_back({px(b), py(b)});
    };
    int start = first;
    for (int i = first + 1; i <= last + 1; ++i) {
        if (i <= last && std::fabs(px(i) - px(start)) < pixel) continue;
        flush(start, i - 1);
        start = i;
    }
    s.Polyline(pts.data(), pts.size());
}

}  // namespace

void PlotFinal(PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const ViewTicks& v = p.view;
    const DrawOptions& o = p.options;

    // 1. A fresh picture on the graph's background.
    SpecBackground(p, s);

    // 2. Only the J labels of this picture are to be shown.
    for (auto& arr : p.LabelH)
        for (auto& l : arr) l.visible = false;

    // 3. Captions of the resolution and the width.
    p.Label10.caption = "Resolution = " + FormatNumber(sim.Res, p.DecSep) + " Hz  ";
    p.Label11.caption = "Width at half height = " + p.WidthText + " Hz  ";
    for (GraphLabel* l : {&p.Label10, &p.Label11, &p.Label12}) {
        const TextExtent e = s.MeasureText(LabelFont(), l->caption);
        l->width = e.width;
        l->height = e.height;
    }

    // 4. Hydrogen titles over the roots of their trees.
    for (int h = 1; h <= kMaxHydrogens; ++h) {
        GraphLabel& l = p.Label9[h - 1];
        l.visible = h <= sim.NH;
        if (!l.visible) continue;
        const TextExtent e = s.MeasureText(HydrogenTitleFont(), l.caption);
        l.width = e.width;
        l.height = e.height;
        l.left = p.XPix[h][0][1] - l.width / 2.0;
    }

    // 5. Splitting diagram, then its J labels.
    if (v.mnuSplitDia) {
        DrawSplittingDiagram(p, sim, s);
        if (v.mnuJLabels) AjJLabelsHz(p, sim, s);
    }

    // 6. Individual peaks.
    if (v.mnuGaussianIndPeak) DrawIndividualPeaks(p, sim, s);

    // 7. Baseline, always.
    s.SetPen({Ink(p, o.ForeColor), 1.0});
    Segment(s, 0.0, p.BaseY, p.ScaleWidth, p.BaseY);

    // 8. Histogram bars.
    if (v.mnuHistogram) {
        for (int i = 1; i <= sim.TotalLines && i < static_cast<int>(p.LineX.size()); ++i) {
            Segment(s, p.LineX[i], p.BaseY, p.LineX[i], p.BaseY - p.LineH[i]);
        }
    }

    // 9. Experimental spectrum, once the comparison code has attached one.
    if (v.mnuViewExpSp && sim.ExpPresent) DrawExperimentalOverlay(p, sim, s);

    // 10. Envelope.
    if (v.mnuGaussianEnv) {
        s.SetPen({Ink(p, o.EnvColor), static_cast<double>(o.EnvLineWidth)});
        p.scratch.resize(kEnvSamples);
        for (int i = 0; i < kEnvSamples; ++i) {
            p.scratch[i] = {p.EnvXPix[i], static_cast<double>(p.BaseY) - p.EnvHPix[i]};
        }
        s.Polyline(p.scratch.data(), p.scratch.size());
    }

    // 11. Peak labels.
    if (v.mnuPeakLabels && v.mnuPeakLabelsEnabled) DrawPeakLabels(p, sim, s);

    // 12. Legend, and the residual of a fit.
    Legenda(p, sim, s);
    DrawFitResidual(p, sim, s);
}

void LinBlack(SimulationState& sim) {
    for (int h = 1; h <= sim.NH; ++h) {
        sim.StemColor[h][0][1] = kBlack;
        for (int j = 1; j <= sim.NJ[h]; ++j) {
            for (int b = 1; b <= (1 << j); ++b) {
                sim.StemColor[h][j][b] = kBlack;
                sim.LinkColor[h][j][b] = kBlack;
            }
        }
    }
}

bool Slider1_Change(PlotState& p, int value) {
    p.Slider1.value = value;
    if (!p.Slider1.react) return false;
    p.HScale = static_cast<float>(value) / p.SliderHUnits;
    return true;
}

int Slider1ToShowAllLines(const PlotState& p, const SimulationState& sim) {
    const int now = p.Slider1.value;
    double reach = 0.0;
    for (int i = 1; i <= sim.TotalLines && i < static_cast<int>(sim.AllPos.size()); ++i)
        reach = std::max(reach, std::fabs(static_cast<double>(sim.AllPos[i])));
    reach += 3.0 * std::fabs(static_cast<double>(sim.Width));
    // The centre column to the nearer edge of the picture.
    const double room = std::min(static_cast<double>(p.XCenter), p.ScaleWidth - p.XCenter);
    if (!(reach > 0.0) || !std::isfinite(reach) || !(room > 0.0) || !(p.SliderHUnits > 0.0f)) return now;
    if (static_cast<double>(now) / p.SliderHUnits * reach <= room) return now;
    const int fits = static_cast<int>(std::floor(room / reach * p.SliderHUnits));
    return std::clamp(fits, p.Slider1.min, now);
}

bool Slider2_Change(PlotState& p, int value) {
    p.Slider2.value = value;
    if (!p.Slider2.react) return false;
    p.LevelStep = static_cast<float>(value) / p.SliderVUnits;
    return true;
}

bool Slider3_Change(PlotState& p, int value) {
    p.Slider3.value = value;
    if (!p.Slider3.react) return false;
    p.VScale = static_cast<float>(p.Slider3.max - value) / p.SliderVUnits;
    return true;
}

}  // namespace quble
