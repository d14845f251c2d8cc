// Synthetic proton spectra with known truth for the analysis tests: first
// order multiplets of Lorentzian or mixed lines on a 300-600 MHz axis of
// 32k-64k points over 12 ppm, with seeded noise, a sloping baseline and an
// optional roof effect, as arrays or written as a processed Bruker
// spectrum (1r, procs, acqus).
#pragma once

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "analysis/line_model.h"
#include "examples/generator/example_spectra.h"

namespace quble::testing {

struct SynthMultiplet {
    double shiftHz = 1000.0;
    std::vector<double> j;
    double widthHz = 1.0;          // full width at half height
    double lorentzFraction = 1.0;  // of the peak height
    double roof = 0.0;             // intensity tilt: each line times 1 + roof x offset / spread
    double area = 1.0;
};

struct SynthSpectrum {
    double mhz = 400.0;
    std::int32_t points = 32768;
    double swPpm = 12.0;
    double noiseFraction = 0.005;  // noise sd over the tallest point
    double slopePerHz = 0.0;       // baseline slope, in units of the tallest point per Hz
    double offset = 0.0;           // baseline offset, same units
    double top = 1e7;              // tallest point
    std::uint32_t seed = 1;
    std::vector<SynthMultiplet> multiplets;

    double Hz(std::int64_t i) const {  // point 1 is the highest frequency
        const double swh = swPpm * mhz;
        return swh / 2.0 + swPpm / 2.0 * mhz - static_cast<double>(i - 1) * swh / static_cast<double>(points - 1);
    }
};

struct SynthData {
    std::vector<double> hz;  // 1..n (slot 0 unused), falling
    std::vector<double> y;
};

inline double SynthModel(const SynthSpectrum& s, double f) {
    double v = 0.0;
    for (const auto& m : s.multiplets) {
        const auto lines = analysis::FirstOrderLines(analysis::GroupCouplings(m.j));
        double spread = 0.0;
        for (double j : m.j) spread += j / 2.0;
        for (const auto& l : lines) {
            const double tilt = spread > 0.0 ? 1.0 + m.roof * l.offsetHz / spread : 1.0;
            v += m.area * l.intensity * tilt * analysis::LineShapeAt(f - (m.shiftHz + l.offsetHz), m.widthHz / 2.0, m.lorentzFraction);
        }
    }
    return v;
}

inline SynthData Synthesize(const SynthSpectrum& s) {
    SynthData d;
    d.hz.resize(static_cast<std::size_t>(s.points) + 1, 0.0);
    d.y.resize(d.hz.size(), 0.0);
    double peak = 0.0;
    std::vector<double> clean(d.hz.size(), 0.0);
    for (std::int64_t i = 1; i <= s.points; ++i) {
        d.hz[static_cast<std::size_t>(i)] = s.Hz(i);
        // Only near a multiplet: the rest is baseline, which keeps 64k-point
        // spectra cheap.
        bool near = false;
        for (const auto& m : s.multiplets) near = near || std::abs(s.Hz(i) - m.shiftHz) < 400.0;
        if (near) clean[static_cast<std::size_t>(i)] = SynthModel(s, s.Hz(i));
        peak = std::max(peak, clean[static_cast<std::size_t>(i)]);
    }
    const double scale = peak > 0.0 ? s.top / peak : s.top;
    std::mt19937 rng(s.seed);
    std::normal_distribution<double> noise(0.0, s.noiseFraction * s.top);
    const double mid = s.Hz(s.points / 2);
    for (std::size_t i = 1; i < d.y.size(); ++i) {
        d.y[i] = std::nearbyint(clean[i] * scale + noise(rng) + s.top * (s.offset + s.slopePerHz * (d.hz[i] - mid)));
    }
    return d;
}

// A processed spectrum on disk: <folder>/pdata/1/1r, procs and <folder>/acqus.
inline std::filesystem::path WriteBruker(const SynthSpectrum& s, const std::filesystem::path& folder) {
    examplegen::SpectrumRecipe r;
    r.si = s.points;
    r.td = s.points;
    r.bf1 = s.mhz;
    r.swh = s.swPpm * s.mhz;
    r.o1 = s.swPpm / 2.0 * s.mhz;
    r.tmsProvisionalHz = 0.0;
    r.label = "synthetic";
    r.compound = "synthetic";
    r.dateText = "2026-01-01 00:00:00.000 +0000";
    const SynthData d = Synthesize(s);
    std::vector<std::int32_t> ints(d.y.begin() + 1, d.y.end());
    std::int32_t hi = ints[0], lo = ints[0];
    for (auto v : ints) {
        hi = std::max(hi, v);
        lo = std::min(lo, v);
    }
    const auto pdata = folder / "pdata" / "1";
    std::filesystem::create_directories(pdata);
    auto put = [](const std::filesystem::path& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    };
    put(pdata / "1r", examplegen::OneRBytes(r, ints));
    put(pdata / "procs", examplegen::ProcsText(r, hi, lo));
    put(folder / "acqus", examplegen::AcqusText(r));
    return pdata / "1r";
}

// The points within +-halfSpanHz of centreHz, in the spectrum's order.
inline void Cut(const SynthData& d, double fromHz, double toHz, std::vector<double>* hz, std::vector<double>* y) {
    hz->clear();
    y->clear();
    for (std::size_t i = 1; i < d.hz.size(); ++i) {
        if (d.hz[i] >= std::min(fromHz, toHz) && d.hz[i] <= std::max(fromHz, toHz)) {
            hz->push_back(d.hz[i]);
            y->push_back(d.y[i]);
        }
    }
}

}  // namespace quble::testing
