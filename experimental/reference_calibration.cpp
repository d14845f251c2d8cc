#include "experimental/reference_calibration.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/number_text.h"

namespace quble {
namespace {

std::string Num(double v) { return FormatNumber(v, '.'); }

// The decimal number the user typed, as a double: a Single holding 7.27 is
// 7.2699999809..., and the axis must read 7.27.
double TypedValue(float f) { return LeadingNumber(FormatNumber(f, '.')); }

// Median of v (the upper middle for an even count); reorders v.
template <class T>
T MedianOf(std::vector<T>& v) {
    auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

}  // namespace

ReferenceTable MakeReferenceTable() {
    ReferenceTable t;
    const char* names[] = {"TMS", "Chloroform-d", "Benzene-d6", "Dichloromethane-d2"};
    const float shifts[] = {0.0f, 7.27f, 7.25f, 5.28f};
    const char* texts[] = {"0.00", "7.27", "7.25", "5.28"};
    for (int i = 0; i < 4; ++i) {
        t.RefNames[i] = names[i];
        t.RefShifts[i] = shifts[i];
        t.RefShiftTexts[i] = texts[i];
    }
    t.RefCount = 4;
    return t;
}

double ExpectedZeroIndex(const BrukerSpectrum& s) {
    if (!(s.HzPerPoint > 0.0) || !std::isfinite(s.HzPerPoint)) return std::nan("");
    // Spectrometers reference the spectrum themselves: its zero lies SR Hz
    // away from 0 on our provisional axis, often further than half the
    // search window (38 Hz is 200 points at 500 MHz).
    double sr = 0.0;
    if (s.SFRead && s.BF1Read) sr = (s.SF - s.BF1) * 1e6;
    return std::floor(static_cast<double>(s.NPont) / 2.0 + (s.O1 - sr) / s.HzPerPoint);
}

NoiseEstimate EstimateNoise(const BrukerSpectrum& s) {
    NoiseEstimate e;
    const std::int64_t n = s.NPont;
    if (n < 1 || s.Ygraf.size() != static_cast<std::size_t>(n) + 1) return e;
    constexpr std::int64_t kSamples = 8192;
    const std::int64_t stride = std::max<std::int64_t>(1, n / kSamples);
    std::vector<std::int64_t> v;
    v.reserve(static_cast<std::size_t>(n / stride + 1));
    for (std::int64_t i = 1; i <= n; i += stride) v.push_back(s.Ygraf[static_cast<std::size_t>(i)]);
    const std::int64_t median = MedianOf(v);
    for (auto& x : v) x = x >= median ? x - median : median - x;  // 64-bit: no overflow
    const std::int64_t mad = MedianOf(v);
    e.median = static_cast<double>(median);
    e.sigma = 1.4826 * static_cast<double>(mad);
    return e;
}

ReferenceOutcome FindAdjReference(BrukerSpectrum& s) {
    ReferenceOutcome out;
    if (!s.ReadAcqus) return out;
    out.searched = true;
    s.NTMS = 0;
    s.TMSHz = 0.0;

    const std::int64_t n = s.NPont;
    const bool dataOk = n >= 3 && s.Ygraf.size() == static_cast<std::size_t>(n) + 1 &&
                        s.XnmrHz.size() == static_cast<std::size_t>(n) + 1;
    const double c = ExpectedZeroIndex(s);
    std::int64_t bestIndex = 0;
    std::int32_t best = 0;  // a candidate must be above 0
    if (dataOk && std::isfinite(c)) {
        const double half = static_cast<double>(s.NPointsSearch) / 2.0;
        // Every candidate needs both neighbours, so the window stays within
        // points 2..NPont-1.
        const double lo = std::max(RoundHalfEven(c - half), 2.0);
        const double hi = std::min(RoundHalfEven(c + half), static_cast<double>(n - 1));
        if (lo <= hi) {
            const auto& y = s.Ygraf;
            for (auto i = static_cast<std::int64_t>(lo); i <= static_cast<std::int64_t>(hi); ++i) {
                if (y[i] > y[i - 1] && y[i] > y[i + 1]) {
                    ++out.candidates;
                    const std::string k = std::to_string(out.candidates);
                    const std::string is = std::to_string(i);
                    s.List4.push_back("TMSHzProv(" + k + ")=" +
                                      Num(s.FirstPointHz - static_cast<double>(i - 1) * s.HzPerPoint));
                    s.List4.push_back("XnmrHz(" + is + ")=" + Num(s.XnmrHz[i]));
                    s.List4.push_back("Ygraf(" + is + ")=" + std::to_string(y[i]));
                    if (y[i] > best) {
                        best = y[i];
                        bestIndex = i;
                    }
                }
            }
        }
    }
    s.List4.push_back("NumberOfPeaks=" + std::to_string(out.candidates));

    if (bestIndex > 0) {
        // The tallest local maximum near 0 ppm is not necessarily a
        // reference: without TMS it is a noise spike or the flank of
        // another signal. Only a peak that stands clearly out of the noise
        // is taken.
        const NoiseEstimate noise = EstimateNoise(s);
        out.noiseMedian = noise.median;
        out.noiseSigma = noise.sigma;
        if (static_cast<double>(best) > noise.median + kReferencePeakMinSnr * noise.sigma) {
            out.found = true;
            s.NTMS = static_cast<std::int32_t>(bestIndex);
            s.TMSHz = s.XnmrHz[bestIndex];
            out.NTMS = s.NTMS;
            out.TMSHz = s.TMSHz;
            s.List4.push_back("NTMS=" + std::to_string(s.NTMS));
            s.List4.push_back("TMSHz=" + Num(s.TMSHz));
            s.List4.push_back("Ygraf(NTMS)=" + std::to_string(best));
        }
    }
    if (!out.found) s.List4.push_back("NTMS=none");

    if (s.AutoAdjustTMS) {
        if (out.found) {
            s.XnmrHz.Shift(s.TMSHz);
            s.ReferenceCaption = "Reference: TMS (0.00 ppm)";
            out.adjusted = true;
        } else {
            out.message =
                "No reference peak was found near 0 ppm;\r\n"
                "the frequency axis was left as it was.";
        }
    }

    // The simulator's copies: the axis is a few numbers, the intensities
    // share their storage.
    s.ExpXnmrHz = s.XnmrHz;
    s.ExpYgraf = s.Ygraf;
    return out;
}

std::optional<ShownRange> FindAdjReferenceGeral(const BrukerSpectrum& s, float refShift) {
    if (!s.ReadAcqus) return std::nullopt;
    const std::int64_t n = s.NPont;
    if (n < 2 || s.XnmrHz.size() != static_cast<std::size_t>(n) + 1) return std::nullopt;
    const double c = ExpectedZeroIndex(s);
    if (!std::isfinite(c)) return std::nullopt;
    const double r = TypedValue(refShift) * s.SFO1;
    double p = std::floor(c - r / s.HzPerPoint);
    if (s.ReferenceCaption != "Reference: None") {
        // Already calibrated: go to where the axis now puts the reference.
        double bestDistance = 10000.0;
        for (std::int64_t i = 1; i <= n; ++i) {
            const double d = std::fabs(s.XnmrHz[i] - r);
            if (d < bestDistance) {
                bestDistance = d;
                p = static_cast<double>(i);
            }
        }
    }
    const double half = static_cast<double>(s.NPointsSearch) / 2.0;
    const double first = RoundHalfEven(p - half);
    const double last = RoundHalfEven(p + half);
    if (!(first >= 1.0) || !(last <= static_cast<double>(n))) return std::nullopt;
    return ShownRange{static_cast<std::int64_t>(first), static_cast<std::int64_t>(last)};
}

std::string ReferenceCaptionFor(const std::string& refName, float refShift) {
    return "Reference: " + refName + " (" + FormatNumber(refShift, '.') + " ppm)";
}

bool CalibrateAtPoint(BrukerSpectrum& s, std::int64_t cursorPoint, float refShift, const std::string& refName) {
    if (cursorPoint < 1 || cursorPoint > s.NPont || s.XnmrHz.size() != static_cast<std::size_t>(s.NPont) + 1) {
        return false;
    }
    const double target = TypedValue(refShift) * s.SFO1;
    const double shift = s.XnmrHz[cursorPoint] - target;
    // x - (x - t) can miss t by the last bit; the clicked point must read
    // exactly the typed shift.
    s.XnmrHz.ShiftAndSet(shift, cursorPoint, target);
    s.ReferenceCaption = ReferenceCaptionFor(refName, refShift);
    return true;
}

RefTextChange OnReferenceTextChange(const ReferenceTable& table, std::string_view comboText) {
    RefTextChange c;
    c.autoEnabled = comboText == "TMS";
    c.autoSelected = c.autoEnabled;
    for (int i = 0; i < table.RefCount && i < kRefCapacity; ++i) {
        if (table.RefNames[i] == comboText) {
            c.matched = true;
            c.RefName = table.RefNames[i];
            c.Text1 = table.RefShiftTexts[i];
            c.RefShift = table.RefShifts[i];
            break;
        }
    }
    return c;
}

RefDialogOk OnReferenceDialogOk(std::string_view comboText, std::string_view text1, bool autoSelected,
                                std::string_view text2) {
    RefDialogOk ok;
    if (text1.empty()) {
        ok.title = "Chemical Shift Missing";
        ok.text = "A chemical shift value for the reference\r\nis required; please type a value.";
        return ok;
    }
    ok.accepted = true;
    ok.RefName = std::string(comboText);
    ok.Text1 = std::string(text1);
    std::replace(ok.Text1.begin(), ok.Text1.end(), ',', '.');
    ok.RefShift = static_cast<float>(LeadingNumber(ok.Text1));
    ok.AutoAdjustTMS = autoSelected;
    ok.Text2 = std::string(text2);
    const double points = LeadingNumber(ok.Text2);
    if (ok.Text2.empty() || points < 100.0 || points > 1000.0) ok.Text2 = "240";
    ok.NPointsSearch = static_cast<std::int32_t>(RoundHalfEven(LeadingNumber(ok.Text2)));
    return ok;
}

}  // namespace quble
