#include "simulator/multiplet.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "simulator/extrema_refinement.h"
#include "simulator/input_rules.h"

namespace quble {

LineShapeTicks TicksFor(LineShape shape) {
    switch (shape) {
        case LineShape::Lorentzian: return {true, false, false};
        case LineShape::Gaussian: return {false, true, false};
        case LineShape::Mixed: return {true, true, true};
    }
    return {};
}

namespace {

// Frequencies beyond this are no NMR shift or coupling; refusing them keeps
// every tree position finite in single precision.
constexpr double kLargestHz = 1.0e7;

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string SeparatorHint(char decSep) {
    return std::string(" Use digits with \"") + decSep + "\" as the decimal separator, then press Enter.";
}

}  // namespace

std::optional<InputError> StartProcess(SimulationState& state, SimulationInput& input) {
    const char sep = input.DecSep;

    // The count box is read as the Enter handler reads it, so a count that was
    // typed but never confirmed can neither be 0 nor more than 4.
    const int nh = ParseCount(input.Text2, 1, kMaxHydrogens);

    // Read everything before touching the state: a box that is not a number
    // stops the calculation and nothing is computed from it.
    std::array<float, kMaxHydrogens + 1> shift{};
    std::array<int, kMaxHydrogens + 1> nj{};
    std::array<std::array<float, kMaxJ + 1>, kMaxHydrogens + 1> jval{};
    for (int h = 1; h <= nh; ++h) {
        const std::string& name = input.HydrogenName[h - 1];
        auto v = ParseLocaleNumber(input.Text6[h - 1], sep);
        if (!v) {
            return InputError{"Text6", h - 1,
                              "The chemical shift of " + name + " (" + Quote(input.Text6[h - 1]) +
                                  ") is not a number." + SeparatorHint(sep)};
        }
        if (std::fabs(*v) > kLargestHz) {
            return InputError{"Text6", h - 1,
                              "The chemical shift of " + name + " (" + Quote(input.Text6[h - 1]) +
                                  ") is too large: type a value in Hz."};
        }
        shift[h] = static_cast<float>(*v);
        nj[h] = ParseCount(input.Text1[h - 1], 1, kMaxJ);
        for (int k = 1; k <= nj[h]; ++k) {
            const std::string& jt = input.JText[h - 1][k - 1];
            const std::string box = "TextH" + std::to_string(h);
            auto j = ParseLocaleNumber(jt, sep);
            if (!j) {
                return InputError{box, k - 1,
                                  "J" + std::to_string(k) + " of " + name + " (" + Quote(jt) +
                                      ") is not a number." + SeparatorHint(sep)};
            }
            if (std::fabs(*j) > kLargestHz) {
                return InputError{box, k - 1,
                                  "J" + std::to_string(k) + " of " + name + " (" + Quote(jt) +
                                      ") is too large: type a value in Hz."};
            }
            jval[h][k] = static_cast<float>(*j);
        }
    }
    auto width = RepairWidth(input.Text4, sep);
    if (!width) {
        return InputError{"Text4", 0,
                          "The width at half height (" + Quote(input.Text4) + ") is not a number." +
                              SeparatorHint(sep)};
    }
    const double widthValue = *ParseLocaleNumber(*width, sep);
    if (widthValue > kLargestHz) {
        return InputError{"Text4", 0, "The width at half height (" + Quote(input.Text4) + ") is too large."};
    }
    auto res = RepairResolution(input.Text3, *width, sep);
    if (!res) {
        return InputError{"Text3", 0,
                          "The resolution (" + Quote(input.Text3) + ") is not a number." + SeparatorHint(sep)};
    }

    // Everything reads: write back what the boxes will show and compute.
    state.Calculating = true;
    input.Text4 = *width;
    input.Text3 = *res;
    for (int h = 1; h <= nh; ++h) {
        input.Text6[h - 1] = FormatNumber(shift[h], sep);
        input.Text1[h - 1] = std::to_string(nj[h]);
    }

    // Branch colours belong to the drawn tree: they survive a recalculation
    // that keeps the tree's shape and are reset when the shape changes.
    bool sameTree = state.NH == nh && state.TotalLines > 0;
    for (int h = 1; h <= nh && sameTree; ++h) sameTree = state.NJ[h] == nj[h];

    state.NH = nh;
    state.Shift = shift;
    state.NJ = nj;
    state.JVal = jval;
    float hi = shift[1], lo = shift[1];
    for (int h = 2; h <= nh; ++h) {
        hi = std::max(hi, shift[h]);
        lo = std::min(lo, shift[h]);
    }
    state.AvChemShift = (hi + lo) / 2.0f;

    state.Width = static_cast<float>(widthValue);
    state.Res = static_cast<float>(*ParseLocaleNumber(*res, sep));
    state.GaussSigma = static_cast<float>(widthValue / (2.0 * std::sqrt(-2.0 * std::log(0.5))));
    state.HalfWidth = static_cast<float>(widthValue / 2.0);

    // Hydrogens by decreasing shift; Order names the first hydrogen with each shift.
    state.maxNJ = 0;
    state.Order.fill(0);
    state.SortedShift.fill(0.0f);
    for (int h = 1; h <= nh; ++h) {
        state.SortedShift[h] = shift[h];
        state.maxNJ = std::max(state.maxNJ, nj[h]);
    }
    std::sort(state.SortedShift.begin() + 1, state.SortedShift.begin() + nh + 1, std::greater<float>());
    for (int i = 1; i <= nh; ++i) {
        for (int j = 1; j <= nh; ++j) {
            if (shift[j] == state.SortedShift[i]) {
                state.Order[i] = j;
                break;
            }
        }
    }

    const std::size_t lineSlots = (std::size_t{1} << state.maxNJ) + 1;
    state.LinePos.assign(nh + 1, std::vector<float>(lineSlots, 0.0f));
    state.LineInt.assign(nh + 1, std::vector<float>(lineSlots, 0.0f));
    state.TotalLines = 0;
    state.MinPos = 0.0f;
    state.MaxPos = 0.0f;
    for (int h = 1; h <= nh; ++h) {
        state.CurH = h;
        MainNova(state);
        if (!sameTree) {
            state.StemColor[h][0][1] = kBlack;
            for (int k = 1; k <= nj[h]; ++k) {
                for (int b = 1; b <= (1 << k); ++b) {
                    state.StemColor[h][k][b] = kBlack;
                    state.LinkColor[h][k][b] = kBlack;
                }
            }
        }
        state.TotalLines += state.NLines[h];
    }
    state.HighLineHz = state.AvChemShift - state.MinPos;
    state.LowLineHz = state.AvChemShift - state.MaxPos;
    state.AllPos.assign(state.TotalLines + 1, 0.0f);
    state.AllInt.assign(state.TotalLines + 1, 0.0f);
    FundLinFinal(state);
    state.Calculating = false;
    return std::nullopt;
}

void MainNova(SimulationState& s) {
    const int h = s.CurH;
    auto& pos = s.Pos[h];
    pos[0][1] = s.AvChemShift - s.Shift[h];
    s.CentreHz = s.AvChemShift;
    for (int k = 1; k <= s.NJ[h]; ++k) {
        const float halfJ = s.JVal[h][k] / 2.0f;
        const int half = 1 << (k - 1);
        for (int m = 1; m <= half; ++m) {
            // The left child (higher frequency) always takes the odd branch.
            pos[k][2 * m - 1] = pos[k - 1][m] - halfJ;
            pos[k][2 * m] = pos[k - 1][m] + halfJ;
        }
    }
    const int n = 1 << s.NJ[h];
    float* linePos = s.LinePos[h].data();
    float* lineInt = s.LineInt[h].data();
    const float each = 1.0f / static_cast<float>(n);
    for (int m = 1; m <= n; ++m) {
        linePos[m] = pos[s.NJ[h]][m];
        lineInt[m] = each;
    }
    std::sort(linePos + 1, linePos + n + 1);
    s.MinPos = std::min(s.MinPos, linePos[1]);
    s.MaxPos = std::max(s.MaxPos, linePos[n]);
    s.NLines[h] = MergeLines(linePos, lineInt, n, s.Res);
}

int MergeLines(float* pos, float* inten, int count, float res) {
    // One pass over maximal runs of consecutive gaps below res. This gives
    // the same lines as comparing each line with its merged predecessor: a
    // run ends at a gap >= res, and the run's mean lies left of its last line,
    // so the next line is at least res from the mean as well.
    int out = 0;
    int m = 1;
    while (m <= count) {
        int end = m;
        while (end < count && static_cast<float>(pos[end + 1] - pos[end]) < res) ++end;
        double sumPos = 0.0, sumInt = 0.0;
        for (int q = m; q <= end; ++q) {
            sumPos += pos[q];
            sumInt += inten[q];
        }
        ++out;
        if (end == m) {
            pos[out] = pos[m];
            inten[out] = inten[m];
        } else {
            pos[out] = static_cast<float>(sumPos / (end - m + 1));
            inten[out] = static_cast<float>(sumInt);
        }
        m = end + 1;
    }
    return out;
}

int LorentzianCount(float halfWidth, float maxLineInt) {
    // Samples reach out to where the tallest line has fallen to 0.001. When
    // no line is taller than that, the plot still scales the lines up to be
    // seen, so the samples then reach to 0.001 of the line's own height.
    const double ratio = maxLineInt > 0.001 ? maxLineInt / 0.001 : 1000.0;
    const double n = std::floor(20.0 * halfWidth * std::sqrt(ratio - 1.0));
    return static_cast<int>(std::clamp(n, 0.0, static_cast<double>(kMaxPeakPts)));
}

int GaussianCount(float gaussSigma, float maxLineInt) {
    const double ratio = maxLineInt > 0.001 ? 0.001 / maxLineInt : 0.001;
    const double n = std::floor(20.0 * gaussSigma * std::sqrt(-2.0 * std::log(ratio)));
    return static_cast<int>(std::clamp(n, 0.0, static_cast<double>(kMaxPeakPts)));
}

namespace {

void EnvelopeGrid(SimulationState& s) {
    const float first = s.AllPos[1];
    const float last = s.AllPos[s.TotalLines];
    if (s.TotalLines > 1) {
        s.EnvStep = (last - first) / 300.0f;
        const float centre = (last + first) / 2.0f;
        s.EnvOrigin = first;
        if (s.EnvStep < 0.02f) {
            s.EnvStep = 0.02f;
            s.EnvOrigin = centre - 150.0f * s.EnvStep;
        }
    } else {
        s.EnvStep = 0.02f;
        s.EnvOrigin = first - 150.0f * 0.02f;
    }
    for (int i = kEnvFirst; i <= kEnvLast; ++i) {
        s.EnvXData[i - kEnvFirst] = s.EnvOrigin + static_cast<float>(i - 100) * s.EnvStep;
    }
}

// The loops run line by line over all samples, which keeps the order of the
// additions of each sample (line 1 first) and lets the compiler vectorise
// over samples.
__attribute__((target_clones("avx2", "default")))
void LorentzianEnvelope(const float* __restrict x, const float* pos, const float* inten, int lines, float halfWidth,
                        float* __restrict env) {
    std::fill(env, env + kEnvSamples, 0.0f);
    const float inv = 1.0f / halfWidth;
    for (int i = 1; i <= lines; ++i) {
        const float p = pos[i], a = inten[i];
        for (int s = 0; s < kEnvSamples; ++s) {
            const float u = (x[s] - p) * inv;
            env[s] += a / (1.0f + u * u);
        }
    }
}

// A Gaussian term falls below the smallest single-precision number beyond
// about 12.3 half widths; samples further out add exactly nothing, so each
// line visits only the samples within that reach.
constexpr float kGaussReach = 12.5f;

__attribute__((target_clones("avx2", "default")))
void GaussianTerms(const float* __restrict x, int from, int to, float p, float a, float inv, float* __restrict env) {
    const float c = std::log(0.5f);
    for (int s = from; s <= to; ++s) {
        const float u = (x[s] - p) * inv;
        env[s] += a * std::exp(c * u * u);
    }
}

void GaussianEnvelope(const SimulationState& st, float* env) {
    std::fill(env, env + kEnvSamples, 0.0f);
    const float* x = st.EnvXData.data();
    const float inv = 1.0f / st.HalfWidth;
    const double reach = static_cast<double>(kGaussReach) * st.HalfWidth;
    for (int i = 1; i <= st.TotalLines; ++i) {
        const float p = st.AllPos[i];
        // Sample indices (0-based) covering p +- reach, one extra either side
        // for rounding of the grid.
        const double lo = std::floor((p - reach - x[0]) / st.EnvStep) - 1.0;
        const double hi = std::ceil((p + reach - x[0]) / st.EnvStep) + 1.0;
        if (hi < 0.0 || lo > kEnvSamples - 1) continue;
        const int from = static_cast<int>(std::max(lo, 0.0));
        const int to = static_cast<int>(std::min(hi, static_cast<double>(kEnvSamples - 1)));
        GaussianTerms(x, from, to, p, st.AllInt[i], inv, env);
    }
}

void FindExtrema(SimulationState& s) {
    auto y = [&](int i) { return s.EnvYData[i - kEnvFirst]; };
    s.NMultRelMax = 0;
    s.SimMaxIndex.assign(1, 0);
    s.SimGapFlag.assign(1, 0);
    bool rising = false;
    for (int i = -99; i <= kEnvLast; ++i) {
        if (y(i) < y(i - 1) && rising) {
            rising = false;
            ++s.NMultRelMax;
            s.SimMaxIndex.push_back(i - 1);
            s.SimGapFlag.push_back(0);
        } else if (y(i) > y(i - 1)) {
            rising = true;
        }
    }
    s.MaxEnv = 0.0f;
    for (int p = 1; p <= s.NMultRelMax; ++p) s.MaxEnv = std::max(s.MaxEnv, y(s.SimMaxIndex[p]));
    s.NMultRelMin = 0;
    s.SimMinIndex.assign(1, 0);
    for (int i = -98; i <= 599; ++i) {
        if (y(i) < y(i - 1) && y(i) < y(i + 1)) {
            ++s.NMultRelMin;
            s.SimMinIndex.push_back(i);
        }
    }
    RefineExtrema(s);
}

}  // namespace

void FundLinFinal(SimulationState& s) {
    // Gather all hydrogens' lines and sort them by position.
    int n = 0;
    for (int h = 1; h <= s.NH; ++h) {
        for (int m = 1; m <= s.NLines[h]; ++m) {
            ++n;
            s.AllPos[n] = s.LinePos[h][m];
            s.AllInt[n] = s.LineInt[h][m];
        }
    }
    {
        std::vector<int> idx(n);
        std::iota(idx.begin(), idx.end(), 1);
        std::stable_sort(idx.begin(), idx.end(), [&](int a, int b) { return s.AllPos[a] < s.AllPos[b]; });
        std::vector<float> p(n + 1), a(n + 1);
        for (int i = 0; i < n; ++i) {
            p[i + 1] = s.AllPos[idx[i]];
            a[i + 1] = s.AllInt[idx[i]];
        }
        s.AllPos.swap(p);
        s.AllInt.swap(a);
    }
    s.TotalLines = MergeLines(s.AllPos.data(), s.AllInt.data(), n, s.Res);
    s.AllPos.resize(s.TotalLines + 1);
    s.AllInt.resize(s.TotalLines + 1);

    s.MaxLineInt = 0.0f;
    for (int i = 1; i <= s.TotalLines; ++i) s.MaxLineInt = std::max(s.MaxLineInt, s.AllInt[i]);

    const LineShapeTicks& t = s.ticks;
    if (!AnyShapeTicked(t) || s.TotalLines == 0) return;

    std::array<float, kProfileSamples> lorShape{}, gauShape{};
    std::array<float, kEnvSamples> lorEnv{}, gauEnv{};
    if (t.mnuLorentzian) {
        s.NLorPts = LorentzianCount(s.HalfWidth, s.MaxLineInt);
        for (int k = -s.NLorPts; k <= s.NLorPts; ++k) {
            const double u = (k / 10.0) / s.HalfWidth;
            lorShape[k + kMaxPeakPts] = static_cast<float>(1.0 / (1.0 + u * u));
        }
        EnvelopeGrid(s);
        LorentzianEnvelope(s.EnvXData.data(), s.AllPos.data(), s.AllInt.data(), s.TotalLines, s.HalfWidth,
                           lorEnv.data());
    }
    if (t.mnuGaussian) {
        s.NGauPts = t.mnuLorGauss ? s.NLorPts : GaussianCount(s.GaussSigma, s.MaxLineInt);
        const double ln05 = std::log(0.5);
        for (int k = -s.NGauPts; k <= s.NGauPts; ++k) {
            const double u = (k / 10.0) / s.HalfWidth;
            gauShape[k + kMaxPeakPts] = static_cast<float>(std::exp(ln05 * u * u));
        }
        EnvelopeGrid(s);
        GaussianEnvelope(s, gauEnv.data());
    }

    s.PeakShape.fill(0.0f);
    if (t.mnuLorGauss) {
        const double f = s.LorFraction = s.Slider4 / 100.0;
        for (int k = -s.NLorPts; k <= s.NLorPts; ++k) {
            const int q = k + kMaxPeakPts;
            s.PeakShape[q] = static_cast<float>(f * lorShape[q] + (1.0 - f) * gauShape[q]);
        }
        for (int i = 0; i < kEnvSamples; ++i) s.EnvYData[i] = static_cast<float>(f * lorEnv[i] + (1.0 - f) * gauEnv[i]);
        s.NPeakPts = s.NLorPts;
    } else if (t.mnuLorentzian) {
        s.PeakShape = lorShape;
        s.EnvYData = lorEnv;
        s.NPeakPts = s.NLorPts;
    } else {
        s.PeakShape = gauShape;
        s.EnvYData = gauEnv;
        s.NPeakPts = s.NGauPts;
    }
    s.shapeComputed = true;
    FindExtrema(s);
}

}  // namespace quble
