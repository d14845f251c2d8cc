// The exact summed line shape at any offset, and the refinement of the
// envelope's grid extrema on it.
#pragma once

#include "simulator/simulation_state.h"

namespace quble {

// Height of the summed line shape of the current lines at offset x, for the
// shape the ticks select (the same formulas as the envelope samples).
double ExactEnvelopeAt(const SimulationState& s, double x);

// Fills SimMaxPos/SimMaxY and SimMinPos/SimMinY from the grid extrema in
// SimMaxIndex/SimMinIndex: each is moved to the true extremum of the exact
// sum between its grid neighbours.
void RefineExtrema(SimulationState& s);

}  // namespace quble
