// The fit of many-coupled hydrogens through their own stretches of the
// region. With ten couplings (1024 lines) a hydrogen's lines blend, and a
// wrong start width lets the couplings make up for it: from a start a fifth
// too wide the whole fit crawls along that valley for hundreds of steps and
// often ends in a wrong minimum. Hydrogens whose lines lie apart are first
// fitted one by one on their own points, with the line shape held at a few
// trial shapes; the best of those is released there, and the whole region is
// fitted from what the hydrogens found. A hydrogen's own points cost a
// fraction of the region's, so the trials are cheap.
#pragma once

#include <optional>
#include <span>

#include "analysis/simulation_fit.h"

namespace quble::analysis {

// The fit as simulation_fit.h describes it, without the stretches.
FitResult FitWithTies(std::span<const double> hz, std::span<const double> y, const FitInput& in);

// From this many lines in one hydrogen the stretches pay (eight couplings).
inline constexpr std::size_t kBlocksFromLines = 256;

struct BlockStart {
    FitInput start;           // in, with the hydrogens' shifts and couplings and the shape found
    int iterations = 0, evaluations = 0;
    bool cancelled = false;
};

// Nothing when the fit does not qualify: no hydrogen of kBlocksFromLines
// lines, a shape held or separate widths, or hydrogens whose stretches
// (their lines' span and five widths each side) reach another's lines.
std::optional<BlockStart> StartFromBlocks(std::span<const double> hz, std::span<const double> y, const FitInput& in);

}  // namespace quble::analysis
