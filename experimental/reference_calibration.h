// Calibrating the Hz axis of an experimental spectrum against a reference
// peak: the automatic TMS search, the manual preparation and click, and the
// rules of the "Adjust Spectrum Data to Reference Peak" dialog as pure
// functions on text.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "experimental/bruker_spectrum.h"

namespace quble {

// A candidate is accepted as the reference only when its height above the
// median of the data is at least this many robust noise standard deviations.
// Ten is the usual limit for a signal one can quantify; a noise spike next
// to 0 ppm rarely reaches five.
constexpr double kReferencePeakMinSnr = 10.0;

// --- reference compounds --------------------------------------------------
constexpr int kRefCapacity = 10;
struct ReferenceTable {
    std::array<std::string, kRefCapacity> RefNames;
    std::array<float, kRefCapacity> RefShifts{};
    std::array<std::string, kRefCapacity> RefShiftTexts;
    int RefCount = 0;
};
// TMS 0.00, Chloroform-d 7.27, Benzene-d6 7.25, Dichloromethane-d2 5.28.
ReferenceTable MakeReferenceTable();

// --- searches -------------------------------------------------------------
// Point index where the reference is expected: the point nearest to the
// spectrometer's zero. That zero sits at SR = (SF - BF1) x 1e6 Hz on the
// provisional axis when both were read at this opening, else at 0 Hz.
// Not clamped to the data.
double ExpectedZeroIndex(const BrukerSpectrum& s);

// Robust level and spread of the data: the median and 1.4826 x the median
// absolute deviation. Large spectra are sampled at a fixed stride, enough
// for a stable estimate at a fraction of the cost.
struct NoiseEstimate {
    double median = 0.0;
    double sigma = 0.0;
};
NoiseEstimate EstimateNoise(const BrukerSpectrum& s);

// Automatic search; moves the axis when AutoAdjustTMS and a peak was
// accepted (the peak then reads exactly 0 Hz). Always refreshes ExpXnmrHz
// and ExpYgraf when ReadAcqus.
ReferenceOutcome FindAdjReference(BrukerSpectrum& s);

// Manual preparation: the range of points to show around the expected
// position of a reference at refShift ppm; nullopt when it does not fit
// inside the data (the view then stays as it was).
struct ShownRange {
    std::int64_t FirstShown = 0;
    std::int64_t LastShown = 0;
};
std::optional<ShownRange> FindAdjReferenceGeral(const BrukerSpectrum& s, float refShift);

// The user clicked the reference peak at cursorPoint: shift the whole axis
// so that the point reads refShift ppm exactly, and record the caption.
// Returns false (nothing changed) for a point outside 1..NPont.
bool CalibrateAtPoint(BrukerSpectrum& s, std::int64_t cursorPoint, float refShift, const std::string& refName);

// "Reference: " + name + " (" + shift in shortest form + " ppm)".
std::string ReferenceCaptionFor(const std::string& refName, float refShift);

// --- RefDialog rules ------------------------------------------------------
struct RefTextChange {
    bool autoEnabled = false;     // Option1 and Option2 enabled
    bool autoSelected = false;    // "Auto Adjustment" selected, else "Manual Adjustment"
    bool matched = false;         // a table row has this name
    std::string RefName;          // when matched
    std::string Text1;            // when matched: the row's shift text
    float RefShift = 0.0f;        // when matched
};
RefTextChange OnReferenceTextChange(const ReferenceTable& table, std::string_view comboText);

struct RefDialogOk {
    bool accepted = false;        // false: "Chemical Shift Missing", keep the dialog open
    std::string title;            // message when not accepted
    std::string text;
    std::string RefName;
    std::string Text1;            // shift text with "," rewritten as "."
    float RefShift = 0.0f;
    bool AutoAdjustTMS = false;
    std::string Text2;            // points text, "240" when out of 100..1000
    std::int32_t NPointsSearch = 240;
};
RefDialogOk OnReferenceDialogOk(std::string_view comboText, std::string_view text1, bool autoSelected,
                                std::string_view text2);

}  // namespace quble
