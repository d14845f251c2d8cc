#include "compare/peak_marking.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "simulator/input_rules.h"

namespace quble {

namespace {

double Round(double v, int decimals) {
    const double f = std::pow(10.0, decimals);
    return std::nearbyint(v * f) / f;  // half to even, as the program rounds
}

std::string ListHz(double hz) { return FormatNumber(Round(hz, 3), '.'); }

int PointCount(const ExperimentalOverlay& e) {
    return static_cast<int>(std::min(e.ExpXnmrHz.size(), e.ExpYgraf.size())) - 1;
}

// A strict local maximum whose neighbours both exist.
bool IsPeak(const ExperimentalOverlay& e, int t) {
    const int n = PointCount(e);
    if (t < 2 || t > n - 1) return false;
    return e.ExpYgraf[t] > e.ExpYgraf[t - 1] && e.ExpYgraf[t + 1] < e.ExpYgraf[t];
}

std::vector<std::string> MarkedTexts(const MarkingState& m, const ExperimentalOverlay& e) {
    std::vector<std::string> out;
    for (int i = 1; i <= m.MarkedCount; ++i) {
        const int t = m.MarkedPeaks[i];
        out.push_back(t >= 0 && t < static_cast<int>(e.ExpXnmrHz.size()) ? ListHz(e.ExpXnmrHz[t]) : std::string());
    }
    return out;
}

void CopyMarksToOverlay(const MarkingState& m, ExperimentalOverlay& e) {
    e.ExpPeakCount = m.MarkedCount;
    if (static_cast<int>(e.ExpPeakIndex.size()) < m.MarkedCount + 1) e.ExpPeakIndex.resize(m.MarkedCount + 1, -1);
    if (static_cast<int>(e.ExpGapFlag.size()) < m.MarkedCount + 1) e.ExpGapFlag.resize(m.MarkedCount + 1, 0);
    for (int i = 1; i <= m.MarkedCount; ++i) e.ExpPeakIndex[i] = m.MarkedPeaks[i];
}

}  // namespace

std::string CursorHzText(double hz, char decSep) {
    std::string t = FormatNumber(Round(hz, 2), '.');
    const auto dot = t.find('.');
    if (dot == std::string::npos) return t + decSep + "00";
    t[dot] = decSep;
    if (t.size() - dot - 1 == 1) t += '0';
    return t;
}

MarkingView ToggleMarking(MarkingState& m, SimulationState& sim, PlotState& plot) {
    MarkingView v;
    ExperimentalOverlay& e = plot.exp;
    if (!m.on) {
        m.on = true;
        v.toggleCaption = "End Mark";
        v.label1Visible = v.label2Visible = true;
        for (int i = 1; i <= sim.NMultRelMax && i < static_cast<int>(plot.LabelSide.size()); ++i) plot.LabelSide[i] = 0;
        m.SavedExpPeakCount = e.ExpPeakCount;
        m.MarkedPeaks.assign(static_cast<std::size_t>(std::max(sim.NMultRelMax, 0)) + 1, 0);
        m.MarkedCount = 0;
        if (sim.ExpPresent) {
            // The drawn peaks are the starting marks; pairing gaps mark nothing.
            for (int i = 1; i <= e.ExpPeakCount && i < static_cast<int>(e.ExpPeakIndex.size()); ++i) {
                if (i < static_cast<int>(e.ExpGapFlag.size()) && e.ExpGapFlag[i] == kNoPeakInSlot) continue;
                if (e.ExpPeakIndex[i] < 1) continue;
                if (m.MarkedCount + 1 >= static_cast<int>(m.MarkedPeaks.size())) m.MarkedPeaks.push_back(0);
                m.MarkedPeaks[++m.MarkedCount] = e.ExpPeakIndex[i];
            }
            // Listed as frequencies, as every later refill lists them: a list
            // of point indices that turns into hertz at the first click
            // reads as two different lists.
            v.markedList = MarkedTexts(m, e);
            v.listChanged = true;
        }
        m.okEnabled = m.MarkedCount == sim.NMultRelMax;
        v.okEnabled = m.okEnabled;
        return v;
    }
    m.on = false;
    m.cursorVisible = false;
    v.cursorVisible = false;
    v.toggleCaption = "Mark Experimental Peaks";
    e.ExpPeakCount = m.SavedExpPeakCount;
    v.redraw = true;
    v.hidePanel = true;
    v.okEnabled = m.okEnabled;
    return v;
}

MarkingView MarkingMouseMove(MarkingState& m, const SimulationState& sim, const PlotState& plot,
                             const CompareState& cmp, double x) {
    MarkingView v;
    v.toggleCaption = m.on ? "End Mark" : "Mark Experimental Peaks";
    v.okEnabled = m.okEnabled;
    if (!m.on) {
        m.cursorVisible = false;
        return v;
    }
    const ExperimentalOverlay& e = plot.exp;
    m.cursorVisible = true;
    v.cursorVisible = true;
    v.cursorX = x;
    v.crossPointer = true;
    v.label2Visible = true;
    auto hzAt = [&](double px) { return sim.AvChemShift + (plot.XCenter - px) / plot.HScale; };
    const double fc = Round(hzAt(x), 2);
    v.label1Text = CursorHzText(fc, plot.DecSep);
    v.label1Visible = true;
    m.cursorRed = false;
    if (!sim.ExpPresent) {
        v.cursorColor = 0;
        v.cursorWidth = 1;
        return v;
    }
    const int n = PointCount(e);
    const double hzPerPoint = cmp.HzPerPoint != 0.0 ? std::fabs(cmp.HzPerPoint) : 1.0;
    const int span = static_cast<int>(std::floor((hzAt(x - 1) - hzAt(x + 1)) / hzPerPoint));
    const int half = span / 2;

    // Nearest point of the plotted range; beyond its last point the
    // candidate stays at 2.
    m.CandidateIndex = 2;
    float best = 1000000.0f;
    const int first = std::max(e.PlotWindowFirst, 1), last = std::min(e.PlotWindowLast, n);
    for (int t = first; t <= last; ++t) {
        const float d = static_cast<float>(std::fabs(e.ExpXnmrHz[t] - fc));
        if (d < best) {
            best = d;
        } else {
            m.CandidateIndex = t - 1;
            break;
        }
    }
    const int c = m.CandidateIndex;
    if (IsPeak(e, c)) {
        m.cursorRed = true;
    } else if (half >= 1) {
        for (int t = c - half; t <= c + half; ++t) {
            if (IsPeak(e, t)) {
                m.CandidateIndex = t;
                m.cursorRed = true;
                break;
            }
        }
    }
    v.cursorColor = m.cursorRed ? kCursorRed : 0;
    v.cursorWidth = m.cursorRed ? 3 : 1;
    v.label3Color = v.cursorColor;
    if (m.CandidateIndex >= 1 && m.CandidateIndex <= n) {
        v.label3Text = CursorHzText(Round(e.ExpXnmrHz[m.CandidateIndex], 2), plot.DecSep);
    }
    v.label3Visible = true;
    v.label1Visible = false;
    return v;
}

MarkingView MarkingMouseDown(MarkingState& m, SimulationState& sim, PlotState& plot, bool right) {
    MarkingView v;
    v.okEnabled = m.okEnabled;
    v.cursorVisible = m.cursorVisible;
    if (right) {
        if (m.on && m.cursorVisible && !m.cursorRed) return ToggleMarking(m, sim, plot);
        return v;
    }
    if (!m.on || !m.cursorVisible) return v;
    if (m.cursorRed) {
        auto begin = m.MarkedPeaks.begin() + 1, end = m.MarkedPeaks.begin() + 1 + m.MarkedCount;
        auto it = std::find(begin, end, m.CandidateIndex);
        if (it != end) {
            std::copy(it + 1, end, it);
            --m.MarkedCount;
            m.okEnabled = false;
        } else if (m.MarkedCount < sim.NMultRelMax) {
            if (static_cast<int>(m.MarkedPeaks.size()) < m.MarkedCount + 2) m.MarkedPeaks.resize(m.MarkedCount + 2, 0);
            m.MarkedPeaks[++m.MarkedCount] = m.CandidateIndex;
            std::sort(m.MarkedPeaks.begin() + 1, m.MarkedPeaks.begin() + 1 + m.MarkedCount);
        } else {
            v.messageTitle = "Too many peaks!";
            v.messageText =
                "The number of peaks in the experimental spectrum\r\nmust be the same as in the simulated "
                "spectrum.\r\n\r\nPLEASE ERASE THE WRONG PEAK BEFORE MARKING THE NEW ONE!\r\n\r\n(To erase a "
                "marked peak, just click over it again)";
            return v;
        }
        v.markedList = MarkedTexts(m, plot.exp);
        v.listChanged = true;
        m.okEnabled = m.MarkedCount == sim.NMultRelMax;
        v.okEnabled = m.okEnabled;
    }
    CopyMarksToOverlay(m, plot.exp);
    v.redraw = true;
    return v;
}

MarkingView MarkingOk(MarkingState& m, SimulationState& sim, PlotState& plot) {
    CopyMarksToOverlay(m, plot.exp);
    // Marks replace the pairing: every slot now has an experimental peak.
    for (int i = 1; i <= m.MarkedCount && i < static_cast<int>(plot.exp.ExpGapFlag.size()); ++i) {
        plot.exp.ExpGapFlag[i] = 0;
    }
    if (m.on) {
        // Ending restores SavedExpPeakCount; keeping the marks drawn needs
        // the marked count there.
        m.SavedExpPeakCount = m.MarkedCount;
        MarkingView v = ToggleMarking(m, sim, plot);
        v.redraw = true;
        return v;
    }
    MarkingView v;
    v.redraw = true;
    return v;
}

}  // namespace quble
