// Builds input texts for a calculation the way the window's boxes hold them.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "simulator/multiplet.h"

namespace quble::test {

struct HydrogenSpec {
    std::string shift;
    std::vector<std::string> j;
};

inline SimulationInput MakeInput(const std::vector<HydrogenSpec>& hs, const std::string& res = "0.1",
                                 const std::string& width = "1", char sep = '.') {
    SimulationInput in;
    in.DecSep = sep;
    in.Text2 = std::to_string(hs.size());
    for (std::size_t h = 0; h < hs.size(); ++h) {
        in.Text6[h] = hs[h].shift;
        in.Text1[h] = std::to_string(hs[h].j.size());
        for (std::size_t k = 0; k < hs[h].j.size(); ++k) in.JText[h][k] = hs[h].j[k];
    }
    in.Text3 = res;
    in.Text4 = width;
    return in;
}

inline std::unique_ptr<SimulationState> Compute(const std::vector<HydrogenSpec>& hs, const std::string& res = "0.1",
                                                const std::string& width = "1",
                                                LineShape shape = LineShape::Gaussian, int slider = 50) {
    auto s = std::make_unique<SimulationState>();
    s->ticks = TicksFor(shape);
    s->Slider4 = slider;
    SimulationInput in = MakeInput(hs, res, width);
    auto err = StartProcess(*s, in);
    if (err) return nullptr;
    return s;
}

// Final lines as (frequency offset, intensity) pairs.
inline std::vector<std::pair<float, float>> Lines(const SimulationState& s) {
    std::vector<std::pair<float, float>> out;
    for (int i = 1; i <= s.TotalLines; ++i) out.emplace_back(s.AllPos[i], s.AllInt[i]);
    return out;
}

}  // namespace quble::test
