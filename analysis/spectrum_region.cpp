#include "analysis/spectrum_region.h"

#include <algorithm>
#include <cmath>

#include "experimental/bruker_spectrum.h"

namespace quble::analysis {

template <class Values>
double SpectrumNoiseSd(const Values& values, std::int64_t points) {
    if (points < 16) return 0.0;
    std::vector<double> d;
    d.reserve(static_cast<std::size_t>(points));
    for (std::int64_t i = 2; i <= points; ++i)
        d.push_back(static_cast<double>(values[static_cast<std::size_t>(i)]) -
                    static_cast<double>(values[static_cast<std::size_t>(i - 1)]));
    auto median = [](std::vector<double>& v) {
        const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
        std::nth_element(v.begin(), mid, v.end());
        return *mid;
    };
    const double med = median(d);
    for (double& v : d) v = std::abs(v - med);
    // A normal deviate's MAD is 0.6745 sigma; a difference of two has sqrt 2 sigma.
    return median(d) / 0.6745 / std::sqrt(2.0);
}

template double SpectrumNoiseSd(const IntensityArray&, std::int64_t);
template double SpectrumNoiseSd(const std::vector<double>&, std::int64_t);

namespace {

template <class Axis, class Values>
bool Extract(const Axis& axis, const Values& values, std::int64_t points, double mhz, double fromPpm, double toPpm,
             SpectrumRegion* out, std::string* error) {
    if (!(mhz > 0.0) || !std::isfinite(mhz)) {
        *error = "the spectrum has no spectrometer frequency";
        return false;
    }
    if (!std::isfinite(fromPpm) || !std::isfinite(toPpm)) {
        *error = "the range is not a number";
        return false;
    }
    if (points <= 0) {
        *error = "no spectrum is open";
        return false;
    }
    const double hiHz = std::max(fromPpm, toPpm) * mhz;
    const double loHz = std::min(fromPpm, toPpm) * mhz;
    SpectrumRegion r;
    r.mhz = mhz;
    for (std::int64_t i = 1; i <= points; ++i) {
        const double f = axis[i];
        if (f > hiHz) continue;
        if (f < loHz) break;
        r.hz.push_back(f);
        r.y.push_back(static_cast<double>(values[static_cast<std::size_t>(i)]));
    }
    if (r.hz.size() < 8) {
        *error = "the range holds too few points";
        return false;
    }
    r.noiseSd = SpectrumNoiseSd(values, points);
    *out = std::move(r);
    return true;
}

}  // namespace

bool RegionFromSpectrum(const BrukerSpectrum& s, double fromPpm, double toPpm, SpectrumRegion* out,
                        std::string* error) {
    // The axis shown, calibrated as the user left it: the transfer copies
    // are taken from it and can be older.
    const HzAxis& axis = s.XnmrHz;
    const IntensityArray& y = s.Ygraf;
    if (axis.empty() || y.size() != axis.size()) {
        *error = "no spectrum is open";
        return false;
    }
    return Extract(axis, y, axis.points(), s.SFMeu, fromPpm, toPpm, out, error);
}

bool RegionFromArrays(const std::vector<double>& hz1, const std::vector<double>& y1, double mhz, double fromPpm,
                      double toPpm, SpectrumRegion* out, std::string* error) {
    if (hz1.size() != y1.size() || hz1.size() < 2) {
        *error = "no spectrum is open";
        return false;
    }
    return Extract(hz1, y1, static_cast<std::int64_t>(hz1.size()) - 1, mhz, fromPpm, toPpm, out, error);
}

}  // namespace quble::analysis
