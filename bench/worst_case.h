// The worst case the simulator accepts: four hydrogens with ten distinct
// coupling constants each and resolution 0, so that nothing merges and the
// calculation and the graph carry 4096 lines.
#pragma once

#include "simulator/multiplet.h"

namespace quble::bench {

inline SimulationInput WorstCase() {
    SimulationInput in;
    in.Text2 = "4";
    const char* shifts[] = {"2500", "2440.5", "2391.25", "2330"};
    const char* j[] = {"12.1", "9.3", "7.7", "6.1", "4.9", "3.3", "2.7", "1.9", "1.1", "0.6"};
    for (int h = 0; h < 4; ++h) {
        in.Text6[h] = shifts[h];
        in.Text1[h] = "10";
        for (int k = 0; k < 10; ++k) in.JText[h][k] = j[k];
    }
    in.Text3 = "0";
    in.Text4 = "1";
    return in;
}

}  // namespace quble::bench
