// The state of one first-order multiplet simulation: what the user typed
// (as numbers), the splitting trees, the merged stick lines, the sampled
// line shapes and the extrema of the envelope.
//
// Index conventions follow the program's long-standing numbering so that the
// procedures read like their descriptions: hydrogens, levels' branches, lines
// and extrema count from 1 (slot 0 unused); envelope samples run -100..600 and
// profile samples -100..100 through the accessors below.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace quble {

constexpr int kMaxHydrogens = 4;
constexpr int kMaxJ = 10;
constexpr int kMaxBranches = 1 << kMaxJ;        // 1024 nodes on the deepest level
constexpr int kEnvFirst = -100;
constexpr int kEnvLast = 600;
constexpr int kEnvSamples = kEnvLast - kEnvFirst + 1;  // 701
constexpr int kMaxPeakPts = 100;                 // profile half count
constexpr int kProfileSamples = 2 * kMaxPeakPts + 1;

// Colour number in 0x00BBGGRR form (system colours use 0x80000000 + index).
using ColorRef = std::uint32_t;  // same as in platform/drawing_surface.h
constexpr ColorRef kBlack = 0;

// The three ticks of the Line Shape menu. Mixed ticks all three.
struct LineShapeTicks {
    bool mnuLorentzian = false;
    bool mnuGaussian = true;
    bool mnuLorGauss = false;
};

enum class LineShape { Lorentzian, Gaussian, Mixed };

struct SimulationState {
    // --- parameters (values read from the input boxes) ---
    int NH = 1;                                        // 1..4
    std::array<int, kMaxHydrogens + 1> NJ{};           // 1..10 per hydrogen
    std::array<float, kMaxHydrogens + 1> Shift{};      // Hz
    std::array<std::array<float, kMaxJ + 1>, kMaxHydrogens + 1> JVal{};
    float AvChemShift = 0.0f;                          // (largest + smallest shift) / 2
    float Res = 0.5f;                                  // resolution, Hz
    float Width = 1.0f;                                // width at half height, Hz
    float HalfWidth = 0.5f;
    float GaussSigma = 1.0f / 2.35482f;
    int CurH = 1;
    bool Calculating = false;

    // --- splitting trees ---
    // Pos[h][level][branch]: offset (AvChemShift - frequency) of each node.
    using Tree = std::array<std::array<std::array<float, kMaxBranches + 1>, kMaxJ + 1>, kMaxHydrogens + 1>;
    using TreeColors = std::array<std::array<std::array<ColorRef, kMaxBranches + 1>, kMaxJ + 1>, kMaxHydrogens + 1>;
    Tree Pos{};
    TreeColors StemColor{};   // stem under a node
    TreeColors LinkColor{};   // slanted link from a node up to its parent

    // --- per-hydrogen lines after merging (1-based in both dimensions) ---
    std::array<int, kMaxHydrogens + 1> NLines{};
    std::vector<std::vector<float>> LinePos;   // [0..NH][0..2^maxNJ]
    std::vector<std::vector<float>> LineInt;

    // --- whole spectrum ---
    int TotalLines = 0;
    std::vector<float> AllPos;   // [0..TotalLines], filled from 1
    std::vector<float> AllInt;
    float MinPos = 0.0f, MaxPos = 0.0f;
    float HighLineHz = 0.0f, LowLineHz = 0.0f;
    float CentreHz = 0.0f;
    std::array<float, kMaxHydrogens + 1> SortedShift{};
    std::array<int, kMaxHydrogens + 1> Order{};   // hydrogens by decreasing shift
    int maxNJ = 0;

    // --- line shape ---
    LineShapeTicks ticks;
    int Slider4 = 50;             // Lorentzian percentage of the mixed shape
    double LorFraction = 0.5;
    float MaxLineInt = 0.0f;
    int NLorPts = 0;              // Lorentzian half count
    int NGauPts = 0;              // Gaussian half count
    int NPeakPts = 30;            // half count of the active shape
    bool shapeComputed = false;   // false until a calculation ran with a shape ticked

    // Individual profiles. Every sample of every line sits at a fixed
    // 0.1 Hz offset from its line, and every line has the same shape scaled by
    // its intensity, so one table of 201 unit-height samples stands for the
    // whole PeakX/PeakY array (up to 4096 lines x 201 samples).
    std::array<float, kProfileSamples> PeakShape{};
    float PeakX(int k, int i) const { return AllPos[i] + static_cast<float>(k) / 10.0f; }
    float PeakY(int k, int i) const { return AllInt[i] * PeakShape[k + kMaxPeakPts]; }

    // Envelope, samples s = -100..600.
    std::array<float, kEnvSamples> EnvXData{};
    std::array<float, kEnvSamples> EnvYData{};
    float EnvX(int s) const { return EnvXData[s - kEnvFirst]; }
    float EnvY(int s) const { return EnvYData[s - kEnvFirst]; }
    float EnvStep = 0.02f;
    float EnvOrigin = 0.0f;

    // Extrema of the envelope (1-based; index 0 unused). The lists grow with
    // the envelope instead of stopping at a fixed size.
    int NMultRelMax = 0;
    std::vector<int> SimMaxIndex{0};
    std::vector<int> SimGapFlag{0};
    int NMultRelMin = 0;
    std::vector<int> SimMinIndex{0};
    // The true extremum of the summed line shape near each grid extremum
    // (offset like EnvX, and height): the grid alone can put a narrow peak a
    // third of a hertz off and at a fraction of its height. Parallel to
    // SimMaxIndex / SimMinIndex.
    std::vector<float> SimMaxPos{0.0f}, SimMaxY{0.0f};
    std::vector<float> SimMinPos{0.0f}, SimMinY{0.0f};
    float MaxEnv = 0.0f;

    // --- experimental overlay (filled by the comparison code) ---
    bool ExpPresent = false;
};

// Which of the three shapes the ticks select, in the order the calculation
// tests them: mixed first, then Lorentzian, then Gaussian.
inline bool AnyShapeTicked(const LineShapeTicks& t) { return t.mnuLorGauss || t.mnuLorentzian || t.mnuGaussian; }
LineShapeTicks TicksFor(LineShape shape);

}  // namespace quble
