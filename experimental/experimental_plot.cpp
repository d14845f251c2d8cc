#include "experimental/experimental_plot.h"

#include <algorithm>
#include <cmath>

#include "experimental/graph_reading.h"
#include "simulator/input_rules.h"

namespace quble {
namespace {

bool HasData(const BrukerSpectrum& s) {
    return s.NPont >= 2 && s.Ygraf.size() == static_cast<std::size_t>(s.NPont) + 1;
}

std::int64_t RoundToInt64(double x) { return static_cast<std::int64_t>(RoundHalfEven(x)); }

void SetScrollableView(ExpView& v, std::int64_t first, std::int64_t last) {
    v.FirstShown = first;
    v.LastShown = last;
    RecomputePixPerPoint(v);
}

}  // namespace

double PointX(const ExpView& v, std::int64_t i) {
    return RoundHalfEven(static_cast<double>(i - v.FirstShown) * v.PixPerPoint);
}

double PointY(const ExpView& v, std::int32_t intensity, double yShift) {
    return RoundHalfEven(yShift + static_cast<double>(v.YOffset) - static_cast<double>(intensity) * v.YMult);
}

void FullViewScaling(ExpView& v, const BrukerSpectrum& s, double width, double height) {
    v.width = width;
    v.height = height;
    v.PixPerPointFull = s.NPont >= 2 ? width / static_cast<double>(s.NPont - 1) : 0.0;
    if (s.YMax > s.YMin) {
        v.YMultFull = height * 0.83 / (static_cast<double>(s.YMax) - static_cast<double>(s.YMin));
        v.YOffset = RoundToInt64(static_cast<double>(s.YMax) * v.YMultFull + height * 0.05);
    } else {
        // Nothing to scale: a flat line at the row the smallest value takes.
        v.YMultFull = 0.0;
        v.YOffset = RoundToInt64(height * 0.88);
    }
    v.PixPerPoint = v.PixPerPointFull;
    v.YMult = v.YMultFull;
    v.FirstShown = 1;
    v.LastShown = s.NPont;
}

bool IsFullView(const ExpView& v, std::int32_t nPont) { return v.FirstShown <= 1 && v.LastShown >= nPont; }

std::int64_t ScrollMax(const ExpView& v, std::int32_t nPont) {
    return std::max<std::int64_t>(0, static_cast<std::int64_t>(nPont) - 1 - v.ShownWidth());
}

void ScrollTo(ExpView& v, std::int32_t nPont, std::int64_t value) {
    const std::int64_t w = v.ShownWidth();
    value = std::clamp<std::int64_t>(value, 0, ScrollMax(v, nPont));
    v.FirstShown = value + 1;
    v.LastShown = v.FirstShown + w;
}

void RecomputePixPerPoint(ExpView& v) {
    const std::int64_t w = v.ShownWidth();
    v.PixPerPoint = w > 0 ? v.width / static_cast<double>(w) : 0.0;
}

bool Expand(ExpView& v, std::int32_t nPont, double selStartX, double selEndX) {
    if (!(selStartX < selEndX) || !(v.PixPerPoint > 0.0)) return false;
    const std::int64_t oldFirst = v.FirstShown, oldLast = v.LastShown;
    const double f = static_cast<double>(v.FirstShown);
    std::int64_t first = RoundToInt64(f + selStartX / v.PixPerPoint);
    std::int64_t last = RoundToInt64(f + selEndX / v.PixPerPoint);
    if (last - first < kMinShownWidth) {
        first = oldFirst;
        last = oldLast;
    }
    if (last > nPont) last = nPont - 1;
    if (first < 1) first = 1;
    if (last - first < 1) {  // a band wholly beyond the data
        first = oldFirst;
        last = oldLast;
    }
    SetScrollableView(v, first, last);
    return true;
}

void Narrow(ExpView& v) {
    const double w = static_cast<double>(v.ShownWidth());
    const std::int64_t first = RoundToInt64(static_cast<double>(v.FirstShown) + w / 10.0);
    const std::int64_t last = RoundToInt64(static_cast<double>(v.LastShown) - w / 10.0);
    if (last - first < kMinShownWidth) return;
    SetScrollableView(v, first, last);
}

void Widen(ExpView& v, std::int32_t nPont) {
    const double w = static_cast<double>(v.ShownWidth());
    std::int64_t first = std::max<std::int64_t>(1, RoundToInt64(static_cast<double>(v.FirstShown) - w / 10.0));
    const std::int64_t last = std::min<std::int64_t>(nPont, RoundToInt64(static_cast<double>(v.LastShown) + w / 10.0));
    if (last == nPont) first = 1;
    SetScrollableView(v, first, last);
}

bool Step(ExpView& v, std::int32_t nPont, std::int64_t n) {
    if (n == 0) return false;
    if (v.FirstShown + n < 1 || v.LastShown + n > nPont) return false;
    v.FirstShown += n;
    v.LastShown += n;
    return true;
}

bool CenterOn(ExpView& v, std::int32_t nPont, std::int64_t point) {
    const double h = static_cast<double>(v.ShownWidth()) / 2.0;
    const std::int64_t first = RoundToInt64(static_cast<double>(point) - h);
    const std::int64_t last = RoundToInt64(static_cast<double>(point) + h);
    if (first < 1 || last > nPont) return false;
    SetScrollableView(v, first, last);
    return true;
}

void ShowRange(ExpView& v, std::int64_t first, std::int64_t last) { SetScrollableView(v, first, last); }

std::int64_t TenPointStepSize(int shiftState) {
    if (shiftState == 0) return 10;
    if (shiftState == 1) return 50;
    return 0;
}

std::int64_t OnePointStepper::Press(int sense) {
    if (!StepArmed) {
        StepArmed = true;
        StepSense = sense;
        return 0;
    }
    const std::int64_t move = StepSense == sense ? -sense : 0;
    StepArmed = false;
    StepSense = 0;
    return move;
}

// ------------------------------------------------------------------ axis

AxisLayout ComputeAxis(const ExpView& v, const BrukerSpectrum& s, double width, double yShift) {
    AxisLayout a;
    a.yA = yShift + static_cast<double>(v.YOffset) + 8.0;
    if (!s.ReadAcqus || !(s.SFMeu != 0.0) || !HasData(s) || s.XnmrHz.size() != s.Ygraf.size()) return a;
    if (v.FirstShown < 1 || v.LastShown > s.NPont || v.LastShown <= v.FirstShown) return a;
    const double d1 = s.XnmrHz[v.FirstShown] / s.SFMeu;
    const double span = d1 - s.XnmrHz[v.LastShown] / s.SFMeu;
    // Beyond a billion ppm no spectrometer records anything; the reader
    // refuses such parameters, and the integer positions below need the
    // bound to stay defined.
    constexpr double kMaxPpm = 1e9;
    if (!(span > 0.0) || !std::isfinite(span) || !std::isfinite(d1) || std::fabs(d1) > kMaxPpm || span > kMaxPpm) {
        return a;
    }
    a.d1 = d1;
    a.span = span;
    a.FdeltaST = static_cast<int>(std::floor(d1));
    a.Fdelta01ST = std::floor(10.0 * d1) / 10.0;
    a.Fdelta001ST = std::floor(100.0 * d1) / 100.0;
    a.Fdelta0001ST = std::floor(1000.0 * d1) / 1000.0;
    a.XMult = width / span;

    auto tickX = [&](double value) { return RoundHalfEven((d1 - value) * a.XMult); };

    // The work is bounded by the pixels, whatever the span: ticks closer
    // than kMinTickSpacing pixels cannot be told apart, so whole-ppm ticks
    // then step by 10, 100, ... ppm and no finer level is drawn.
    constexpr double kMinTickSpacing = 3.0;
    const double maxTicks = std::max(1.0, std::floor(std::max(width, 0.0) / kMinTickSpacing));
    double step0 = 1.0;
    while (std::floor(span / step0) > maxTicks) step0 *= 10.0;
    if (step0 != 1.0) {
        // Coarser ticks carry longer labels: step on until they do not run
        // into each other (about 5 pixels a character, as labels are placed).
        auto labelWidth = [&](double step) {
            const double widest = std::max(std::fabs(d1), std::fabs(d1 - span)) + step;
            return 5.0 * (std::floor(std::log10(std::max(widest, 1.0))) + 2.0) + 6.0;
        };
        while (a.XMult * step0 < labelWidth(step0) && step0 < kMaxPpm) step0 *= 10.0;
    }
    const double start0 = step0 == 1.0 ? static_cast<double>(a.FdeltaST) : std::floor(d1 / step0) * step0;

    // Level 0: whole ppm, every tick labelled.
    const std::int64_t n0 = static_cast<std::int64_t>(std::floor(span / step0));
    a.ticks.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n0, 200)) + 1);
    for (std::int64_t k = 0; k <= n0; ++k) {
        AxisTick t;
        t.level = 0;
        t.value = start0 - static_cast<double>(k) * step0;
        t.x = tickX(t.value);
        t.length = 9;
        t.labelled = true;
        t.label = std::to_string(static_cast<long long>(t.value));
        t.labelX = t.x - 2.5 * static_cast<double>(t.label.size());
        t.labelY = a.yA + 9.0;
        t.fontHeight = 12.0;
        a.ticks.push_back(std::move(t));
    }
    a.levelsDrawn = 1;
    if (step0 != 1.0) return a;
    std::int64_t m = n0 + 1;

    struct Level {
        double step, start, nudge;
        int length;
        double fontHeight;
        int decimals;
    };
    const Level levels[3] = {{0.1, a.Fdelta01ST, 0.0001, 6, 11.0, 1},
                             {0.01, a.Fdelta001ST, 0.00001, 3, 9.0, 2},
                             {0.001, a.Fdelta0001ST, 0.00001, 2, 8.0, 3}};
    double factor = 1.0;
    for (int li = 0; li < 3; ++li) {
        if (m > 14 || std::floor(factor * 10.0 * span) > maxTicks) break;
        const bool labels = m < 4;
        const Level& L = levels[li];
        factor *= 10.0;
        const std::int64_t n = static_cast<std::int64_t>(std::floor(factor * span));
        for (std::int64_t k = 1; k <= n; ++k) {
            AxisTick t;
            t.level = li + 1;
            t.value = L.start - static_cast<double>(k) / factor;
            t.x = tickX(t.value);
            t.length = L.length;
            t.fontHeight = L.fontHeight;
            if (labels) {
                const double val = std::floor((t.value + L.nudge) * factor) / factor;
                // Values a coarser level already labels are skipped.
                const double coarse = factor / 10.0 * val;
                const double frac = li == 0 ? val - std::floor(val) : coarse - std::floor(coarse + 0.00001);
                if (frac >= 0.05) {
                    t.labelled = true;
                    t.label = RoundedText(val, L.decimals);
                    t.labelX = t.x - 6.0;
                    t.labelY = a.yA + static_cast<double>(L.length);
                }
            }
            a.ticks.push_back(std::move(t));
        }
        a.levelsDrawn = li + 2;
        m = n + 1;
    }
    return a;
}

// --------------------------------------------------------------- drawing

void GrafMesmoWnd(DrawingSurface& dc, ExpView& v, const BrukerSpectrum& s, ExpDrawStyle style, double yShift) {
    const double width = dc.ScaleWidth();
    if (HasData(s) && v.FirstShown >= 1 && v.LastShown <= s.NPont && v.FirstShown <= v.LastShown) {
        dc.SetPen(Pen{0, 1.0});
        const std::int64_t first = v.FirstShown, last = v.LastShown;
        auto at = [&](std::int64_t i) { return PointF{PointX(v, i), PointY(v, s.Ygraf[i], yShift)}; };
        dc.MoveTo(at(first).x, at(first).y);
        const bool line = style == ExpDrawStyle::Line || style == ExpDrawStyle::BigPointsLine;
        if (line) {
            std::vector<PointF> pts;
            pts.reserve(static_cast<std::size_t>(last - first + 1));
            for (std::int64_t i = first; i <= last; ++i) pts.push_back(at(i));
            dc.Polyline(pts.data(), pts.size());
        } else if (style == ExpDrawStyle::Points) {
            PointF prev{-1e300, -1e300};
            for (std::int64_t i = first + 1; i <= last; ++i) {
                const PointF p = at(i);
                // Many points share a pixel in a wide view; one is enough.
                if (p.x == prev.x && p.y == prev.y) continue;
                dc.SetPixel(p.x, p.y, 0);
                prev = p;
            }
        } else if (style == ExpDrawStyle::MediumPoints) {
            PointF prev{-1e300, -1e300};
            for (std::int64_t i = first; i <= last; ++i) {
                const PointF p = at(i);
                if (p.x == prev.x && p.y == prev.y) continue;
                dc.Ellipse(p.x - 2, p.y - 2, p.x + 2, p.y + 2);
                prev = p;
            }
        }
        if (style == ExpDrawStyle::BigPoints || style == ExpDrawStyle::BigPointsLine) {
            PointF prev{-1e300, -1e300};
            for (std::int64_t i = first; i <= last; ++i) {
                const PointF p = at(i);
                if (p.x == prev.x && p.y == prev.y) continue;
                dc.Ellipse(p.x - 3, p.y - 3, p.x + 3, p.y + 3);
                prev = p;
            }
        }
    }

    if (!s.ReadAcqus) return;
    const AxisLayout a = ComputeAxis(v, s, width, yShift);
    if (a.levelsDrawn == 0) return;
    v.XMult = a.XMult;
    dc.SetPen(Pen{kAxisBlue, 1.0});
    dc.MoveTo(0, a.yA);
    dc.LineTo(width, a.yA);
    dc.SetPen(Pen{0, 1.0});
    dc.SetTextColor(0);
    Font font;
    font.face = kAxisFont;
    font.weight = 400;
    for (const AxisTick& t : a.ticks) {
        dc.MoveTo(t.x, a.yA);
        dc.LineTo(t.x, a.yA + t.length);
        if (!t.labelled) continue;
        font.height = t.fontHeight;
        // A label cut by the picture's edge reads as another number ("1"
        // for "11"): leave it out.
        const double w = dc.MeasureText(font, t.label).width;
        if (t.labelX < 0.0 || t.labelX + w > width) continue;
        dc.SetFont(font);
        dc.TextOut(t.labelX, t.labelY, t.label);
    }
}

}  // namespace quble
