// J labels beside the splitting diagram, the double-click colouring of its
// branches, and writing the window's captions into a surface.
#include <charconv>
#include <cmath>

#include "render/plot_internal.h"
#include "render/spectrum_plot.h"
#include "core/number_text.h"

namespace quble {

namespace {

constexpr ColorRef kWhite = 0x00FFFFFF;

enum JLabelArray { LabelH1 = 0, LabelH2 = 1, LabelH3 = 2, LabelH4 = 3 };

double RoundPos(double v) { return RoundHalfEven(v); }

// The hydrogen at place i of the shift order, or 0 when there is none.
int OrderedHydrogen(const SimulationState& sim, int i) {
    const int h = sim.Order[i];
    return h >= 1 && h <= sim.NH ? h : 0;
}

}  // namespace

int JLabelArrayFor(int nh, int i) {
    if (nh < 1 || nh > kMaxHydrogens || i < 1 || i > nh) return -1;
    if (i == 1) return LabelH1;   // leftmost multiplet
    if (i == nh) return LabelH2;  // rightmost multiplet
    return i == 2 ? LabelH3 : LabelH4;
}

void AjJLabelsHz(PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    const Font font = LabelFont();
    const double gap = p.ScaleWidth / 50.0;
    s.SetFont(font);
    s.SetTextColor(render_detail::Ink(p, p.options.ForeColor));
    for (int i = 1; i <= sim.NH; ++i) {
        const int arr = JLabelArrayFor(sim.NH, i);
        const int h = OrderedHydrogen(sim, i);
        if (arr < 0 || h == 0) continue;
        const double root = p.XPix[h][0][1];
        for (int k = 1; k <= sim.NJ[h]; ++k) {
            GraphLabel& l = p.LabelH[arr][k];
            char number[16];
            const auto end = std::to_chars(number, number + sizeof number, k).ptr;
            l.caption = "J";
            l.caption.append(number, end);
            l.caption += " = ";
            l.caption += p.JText[h - 1][k - 1];
            l.caption += " Hz";
            const TextExtent e = s.MeasureText(font, l.caption);
            l.width = e.width;
            l.height = e.height;
            l.top = p.YLev[h][k];
            switch (arr) {
                case LabelH1:
                    l.left = p.XPix[h][k][1] - gap - l.width;
                    if (l.left < 0.0) l.left = root - l.width / 2.0;
                    break;
                case LabelH2:
                    l.left = p.XPix[h][k][1 << k] + gap;
                    if (l.left + l.width > p.ScaleWidth) l.left = root - l.width / 2.0;
                    break;
                default:
                    l.left = (static_cast<double>(p.XPix[h][k][1]) + p.XPix[h][k][2]) / 2.0 - l.width / 2.0;
                    break;
            }
            // Filled, so the caption stays readable over the diagram's lines.
            s.Box(l.left, l.top, l.left + l.width, l.top + l.height, kWhite, true);
            s.MoveTo(l.left, l.top);
            s.TextOut(l.left, l.top, l.caption);
            l.visible = true;
        }
    }
}

void PrtLablsHzMF(const PlotState& p, const SimulationState& sim, DrawingSurface& s) {
    s.SetFont(LabelFont());
    s.SetTextColor(kBlack);
    for (int i = 1; i <= sim.NH; ++i) {
        const int arr = JLabelArrayFor(sim.NH, i);
        const int h = OrderedHydrogen(sim, i);
        if (arr < 0 || h == 0) continue;
        for (int k = 1; k <= sim.NJ[h]; ++k) {
            const GraphLabel& l = p.LabelH[arr][k];
            s.TextOut(RoundPos(l.left), RoundPos(l.top), l.caption);
        }
    }
}

void PrtLablsOtherMF(const PlotState& p, DrawingSurface& s) {
    s.SetFont(LabelFont());
    s.SetTextColor(kBlack);
    s.TextOut(RoundPos(p.Label10.left), RoundPos(p.Label10.top + 4.0), p.Label10.caption);
    s.TextOut(RoundPos(p.Label11.left), RoundPos(p.Label11.top + 8.0), p.Label11.caption);
    s.TextOut(RoundPos(p.Label12.left), RoundPos(p.Label12.top + 12.0), p.Label12.caption);
    s.TextOut(RoundPos(p.Label17.left), RoundPos(p.Label17.top + 26.0), kProgramCaption);

    s.SetFont(HydrogenTitleFont());
    for (const GraphLabel& l : p.Label9) {
        if (l.visible) s.TextOut(RoundPos(l.left), RoundPos(l.top), l.caption);
    }

    s.SetFont(SpectrumTitleFont());
    s.TextOut(RoundPos(p.Label8.left), RoundPos(p.Label8.top), p.Label8.caption);
}

std::optional<BranchHit> FindBranchAt(const PlotState& p, const SimulationState& sim, double x, double y) {
    const double tol = p.ScaleWidth / 330.0;
    for (int h = 1; h <= sim.NH; ++h) {
        for (int j = 1; j <= sim.NJ[h]; ++j) {
            const double top = p.YLev[h][j];
            if (y < top || y > top + p.LevelStep) continue;
            for (int b = 1; b <= (1 << j); ++b) {
                if (std::fabs(p.XPix[h][j][b] - x) <= tol) return BranchHit{h, j, b};
            }
        }
    }
    return std::nullopt;
}

void RecolourBranch(SimulationState& sim, int h, int j, int b, ColorRef colour) {
    if (h < 1 || h > kMaxHydrogens || j < 0 || j > sim.NJ[h] || b < 1 || b > (1 << j)) return;
    sim.StemColor[h][j][b] = colour;
    for (int level = j + 1; level <= sim.NJ[h]; ++level) {
        const int d = 1 << (level - j);
        for (int q = d * b; q >= d * (b - 1) + 1; --q) {
            sim.StemColor[h][level][q] = colour;
            sim.LinkColor[h][level][q] = colour;
        }
    }
}

}  // namespace quble
