// The simulator window's model: the simulation and plot state, what the
// Enter sequence has confirmed, the line shape and its caption, the titles
// and the experimental spectrum handed over for comparison. Each command
// answers with what the view must show, so the window only copies texts in
// and applies the answer; the command line builds its graphs through the
// same calculate-then-draw pipeline.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compare/peak_marking.h"
#include "compare/transfer.h"
#include "compare/verify_match.h"
#include "platform/drawing_surface.h"
#include "render/spectrum_plot.h"
#include "simulator/multiplet.h"
#include "simulator/simulation_state.h"

namespace quble {

// Where the focus goes after an Enter.
struct FocusTarget {
    enum class Kind { None, Shift, JCount, JBox, Calculate };
    Kind kind = Kind::None;
    int h = 0;      // hydrogen 1..4 (Shift, JCount, JBox)
    int k = 0;      // J index 1..10 (JBox)
};

// The J boxes a layout shows: hydrogen h has counts[h] boxes, the column
// headers run to the largest count.
struct JLayout {
    int NH = 1;
    std::array<int, kMaxHydrogens + 1> counts{0, 1, 1, 1, 1};
    int headerCount() const;
};

// The outcome of a calculation.
struct CalcOutcome {
    std::optional<InputError> error;   // the box to name; nothing changed
    JLayout layout;                    // the boxes the calculation used
};

// A message the view shows in a box.
struct SessionMessage {
    std::string title;
    std::string text;
    bool critical = false;
};

class SimulatorSession {
public:
    SimulationState sim;
    PlotState plot;

    // --- Enter sequence ---
    // The hydrogen count typed (leading number, half to even, 1..4); the
    // titles go back to their defaults and every J count to 0.
    int EnterHydrogenCount(const std::string& text);
    // The J count of hydrogen h typed (1..10); focus to the next count box or
    // to the first J box.
    FocusTarget EnterJCount(int h, const std::string& text);
    // Enter in a shift box: the next shift, or the count boxes.
    FocusTarget EnterShift(int h) const;
    // Enter in J box k of hydrogen h: the next J box, the next hydrogen's
    // first, or the calculation.
    FocusTarget EnterJ(int h, int k) const;
    int NH() const { return NH_; }
    int NJ(int h) const { return NJ_.at(h); }
    JLayout CurrentLayout() const;
    // Restart: one hydrogen with one J, as at load.
    void ResetSequence();

    // --- calculation and drawing ---
    // Reads every box (repaired texts are written back into input), pairs
    // the experimental peaks when a spectrum is attached, fits the scales.
    CalcOutcome Calculate(SimulationInput& input);
    // Lays out and draws the whole graph (and its captions) onto surface:
    // from the coordinates (view options, sliders) or only the drawing
    // (colours, titles). Nothing when there is no graph.
    void Draw(DrawingSurface& surface, bool recomputeCoordinates);
    bool HasGraph() const { return hasGraph_; }
    int CalculationCount() const { return calculations_; }
    // New: nothing to draw or copy until the next calculation.
    void ForgetGraph() { hasGraph_ = false; }

    // --- line shape ---
    void SetLineShape(LineShape shape);
    void SetMixing(int percent);       // 0..100 Lorentzian share, caption follows
    static std::string ShapeCaption(LineShape shape, int lorentzPercent);
    static std::string MixCaption(int lorentzPercent);

    // --- titles ---
    void ResetTitles();
    std::string HydrogenName(int h) const { return plot.Label9.at(h - 1).caption; }

    // --- branch colours: an example, New and Restart start from black ---
    void ResetBranchColours();

    // --- experimental spectrum handed over by the experimental window ---
    void ReceiveExperimental(std::int32_t nPontExp, std::vector<double> xnmrHz, std::vector<std::int32_t> ygraf);
    void DetachExperimental();
    std::int32_t NPontExp() const { return NPontExp_; }
    const std::vector<double>& ExpXnmrHz() const { return ExpXnmrHz_; }
    const std::vector<std::int32_t>& ExpYgraf() const { return ExpYgraf_; }

    // --- comparison ---
    // Attaches the spectrum handed over to the graph: plot and match windows,
    // scale and automatic peaks. A message when the spectrum cannot be
    // overlaid (then nothing is attached); on success the view recalculates.
    std::optional<SessionMessage> TransfAdjustExpData();
    bool MarkingOn() const { return marking_.on; }
    MarkingView ToggleMarking();                  // mnuMarkPeaks
    MarkingView MarkingMouseMove(double x);       // x in picture units
    MarkingView MarkingMouseDown(bool right);
    MarkingView MarkingOk();                      // the marking panel's OK
    MatchResult VerifyMatch() const;
    // The horizontal scale; true when the graph must be laid out again. The
    // overlay's plotted points follow the new range.
    bool Slider1(int value);
    const CompareState& comparison() const { return cmp_; }
    const MarkingState& marking() const { return marking_; }

    char decSep = '.';

private:
    int NH_ = 1;
    std::array<int, kMaxHydrogens + 1> NJ_{0, 1, 1, 1, 1};
    bool hasGraph_ = false;
    int calculations_ = 0;
    std::int32_t NPontExp_ = 0;
    std::vector<double> ExpXnmrHz_;          // 1..NPontExp, slot 0 unused
    std::vector<std::int32_t> ExpYgraf_;
    CompareState cmp_;
    MarkingState marking_;
};

}  // namespace quble
