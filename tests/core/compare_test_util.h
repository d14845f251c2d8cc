// Synthetic experimental spectra for the comparison tests: a falling Hz axis
// and intensities from Lorentzian lines, put into an overlay as the transfer
// receives it.
#pragma once

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "compare/transfer.h"
#include "render/spectrum_plot.h"

namespace quble::test {

struct ExpLine {
    double hz;
    double height;
};

// Points 1..n, point 1 at firstHz, falling by step; Lorentzian lines of
// half width hw.
inline void FillOverlay(ExperimentalOverlay& o, CompareState& cmp, int n, double firstHz, double step,
                        const std::vector<ExpLine>& lines, double hw = 0.5, double base = 0.0) {
    o.ExpXnmrHz.assign(n + 1, 0.0);
    o.ExpYgraf.assign(n + 1, 0);
    for (int t = 1; t <= n; ++t) {
        const double hz = firstHz - (t - 1) * step;
        double y = base;
        for (const auto& l : lines) {
            const double u = (hz - l.hz) / hw;
            y += l.height / (1.0 + u * u);
        }
        o.ExpXnmrHz[t] = hz;
        o.ExpYgraf[t] = static_cast<std::int32_t>(std::lround(y));
    }
    cmp.HzPerPoint = step;
}

}  // namespace quble::test
