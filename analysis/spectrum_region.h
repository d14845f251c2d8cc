// The points of an opened spectrum between two shifts, as the analysis and
// the fit take them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quble {
struct BrukerSpectrum;
}

namespace quble::analysis {

struct SpectrumRegion {
    std::vector<double> hz;   // falling with the index, like the spectrum's axis
    std::vector<double> y;
    double mhz = 0.0;         // Hz per ppm of the axis
    // The noise of the whole spectrum (standard deviation, intensity units),
    // 0 when unknown. A region is often all multiplet, and noise judged from
    // its own points then takes the lines' slopes for noise.
    double noiseSd = 0.0;
};

// A robust noise estimate of a spectrum's points (slot 0 unused, points
// 1..n): the median absolute deviation of neighbour differences, which a
// spectrum's mostly empty baseline dominates; 0 below 16 points.
template <class Values>
double SpectrumNoiseSd(const Values& values, std::int64_t points);

// The points whose ppm lies between fromPpm and toPpm (either order) on the
// axis the experimental window shows (XnmrHz with its calibration), ppm being
// Hz / SFMeu. False with the reason when the spectrum has no axis or the
// range holds fewer than 8 points.
bool RegionFromSpectrum(const BrukerSpectrum& s, double fromPpm, double toPpm, SpectrumRegion* out,
                        std::string* error);

// The same for whole arrays (slot 0 unused, points 1..n), for callers that
// hold the axis and intensities themselves.
bool RegionFromArrays(const std::vector<double>& hz1, const std::vector<double>& y1, double mhz, double fromPpm,
                      double toPpm, SpectrumRegion* out, std::string* error);

}  // namespace quble::analysis
