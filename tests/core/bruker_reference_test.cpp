// Reference calibration (automatic search, manual click, dialog rules) and
// reading the experimental graph.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "experimental/graph_reading.h"
#include "experimental/reference_calibration.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

const fs::path kReal = fs::path(QUBLE_TEST_DATA) / "realdata";

std::string RealPath(const char* name, const char* exp) { return (kReal / name / exp / "pdata" / "1" / "1r").string(); }

double JsonNumber(const std::string& name, const std::string& key, const std::string& after = "") {
    std::ifstream f(kReal / name / "reference.json");
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string json = ss.str();
    std::size_t from = after.empty() ? 0 : json.find("\"" + after + "\"");
    std::size_t p = json.find("\"" + key + "\":", from);
    EXPECT_NE(p, std::string::npos) << key;
    return p == std::string::npos ? 0.0 : std::stod(json.substr(p + key.size() + 3));
}

// A spectrum built in memory, little-endian, with an axis from O1 and SW_h.
BrukerSpectrum MakeSpectrum(const std::vector<std::int32_t>& y, double o1 = 0.0, double swh = 1000.0,
                            double sfo1 = 400.0) {
    BrukerSpectrum s;
    s.BigEndian = false;
    s.ReadAcqus = true;
    s.NPont = static_cast<std::int32_t>(y.size());
    std::vector<std::int32_t> words(1, 0);
    words.insert(words.end(), y.begin(), y.end());
    s.LittleEndianData = IntensityArray(std::move(words));
    for (auto v : y) s.LittleMax = std::max(s.LittleMax, v), s.LittleMin = std::min(s.LittleMin, v);
    s.O1 = o1;
    s.SWh = swh;
    s.SFO1 = sfo1;
    s.FirstPointHz = swh / 2 + o1;
    s.SFMeu = sfo1 - o1 / 1e6;
    LittleBig(s);
    return s;
}

// Gentle deterministic noise of amplitude about 100 around 1000.
std::vector<std::int32_t> Noise(std::size_t n) {
    std::vector<std::int32_t> y(n);
    std::uint32_t state = 12345;
    for (auto& v : y) {
        state = state * 1103515245u + 12345u;
        v = 1000 + static_cast<std::int32_t>((state >> 16) % 201) - 100;
    }
    return y;
}

struct RealReference {
    const char* name;
    const char* exp;
    bool found;
};
const RealReference kRealReferences[] = {
    {"strychnine-cdcl3", "10", true},   // TMS
    {"gaba-1h-d2o", "1H", true},        // DSS, 200 points from 0 Hz on the provisional axis
    {"complat-1h-cdcl3", "1", false},   // no TMS: only noise near 0 ppm
    {"comet-urine-be", "10", false},    // no SF: the TSP lies outside the window
};

}  // namespace

TEST(BrukerReference, RealSpectraFoundOrDeclined) {
    for (const RealReference& ref : kRealReferences) {
        SCOPED_TRACE(ref.name);
        BrukerSpectrum s;
        s.AutoAdjustTMS = true;
        OpenResult r = OpenFull(s, RealPath(ref.name, ref.exp));
        ASSERT_TRUE(r.ok()) << r.text;
        EXPECT_EQ(r.reference.found, ref.found);
        EXPECT_EQ(r.reference.adjusted, ref.found);
        if (ref.found) {
            const auto expected = static_cast<std::int32_t>(JsonNumber(ref.name, "index1", "tms"));
            EXPECT_EQ(s.NTMS, expected);
            EXPECT_EQ(s.XnmrHz[s.NTMS], 0.0);
            EXPECT_EQ(s.ExpXnmrHz[s.NTMS], 0.0);
            EXPECT_EQ(s.ReferenceCaption, "Reference: TMS (0.00 ppm)");
            EXPECT_TRUE(r.reference.message.empty());
            // The calibrated axis against the independent reader's numbers.
            EXPECT_NEAR(s.XnmrHz[1] / s.SFMeu, JsonNumber(ref.name, "referenced_formula_ppm_point1"), 1e-9);
            EXPECT_NEAR(s.XnmrHz[s.NPont] / s.SFMeu, JsonNumber(ref.name, "referenced_formula_ppm_pointN"), 1e-9);
        } else {
            EXPECT_EQ(s.NTMS, 0);
            EXPECT_EQ(s.XnmrHz[1], s.FirstPointHz);
            EXPECT_EQ(s.ReferenceCaption, "Reference: None");
            EXPECT_FALSE(r.reference.message.empty());
        }
    }
}

TEST(BrukerReference, SpectrometerZeroCentresTheSearch) {
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, RealPath("gaba-1h-d2o", "1H")).ok());
    ASSERT_TRUE(s.SFRead && s.BF1Read);
    const double sr = (s.SF - s.BF1) * 1e6;
    EXPECT_EQ(ExpectedZeroIndex(s), std::floor(s.NPont / 2.0 + (s.O1 - sr) / s.HzPerPoint));

    // Centred on 0 Hz of the provisional axis instead, the window of 241
    // points does not reach the DSS peak 200 points away.
    s.SFRead = false;
    EXPECT_EQ(ExpectedZeroIndex(s), std::floor(s.NPont / 2.0 + s.O1 / s.HzPerPoint));
    FindAdjReference(s);
    EXPECT_NE(s.NTMS, 30247);
}

TEST(BrukerReference, TallestClearPeakWinsFirstOfEqual) {
    // 0 Hz lies at point 500 of 1001 (O1 = 0).
    std::vector<std::int32_t> y = Noise(1001);
    y[479] = 50000;  // point 480
    y[519] = 50000;  // point 520, equally tall, lower frequency
    BrukerSpectrum s = MakeSpectrum(y);
    s.AutoAdjustTMS = true;
    ReferenceOutcome o = FindAdjReference(s);
    ASSERT_TRUE(o.found);
    EXPECT_EQ(s.NTMS, 480);
    EXPECT_EQ(s.XnmrHz[480], 0.0);
    EXPECT_DOUBLE_EQ(s.XnmrHz[481] - s.XnmrHz[480], -s.HzPerPoint);
}

TEST(BrukerReference, PeakMustStandClearOfNoise) {
    std::vector<std::int32_t> y = Noise(1001);
    y[499] = 1000 + 5 * 100;  // five noise amplitudes: not a reference
    BrukerSpectrum s = MakeSpectrum(y);
    s.AutoAdjustTMS = true;
    ReferenceOutcome o = FindAdjReference(s);
    EXPECT_GT(o.candidates, 0);
    EXPECT_GT(o.noiseSigma, 0.0);
    EXPECT_FALSE(o.found);
    EXPECT_EQ(s.NTMS, 0);
    EXPECT_EQ(s.XnmrHz[1], s.FirstPointHz);
    EXPECT_FALSE(o.message.empty());

    y[499] = 1000 + 20 * 100;
    s = MakeSpectrum(y);
    o = FindAdjReference(s);
    EXPECT_TRUE(o.found);
    EXPECT_EQ(s.NTMS, 500);
    EXPECT_FALSE(o.adjusted);  // found, but automatic adjustment was not asked for
    EXPECT_EQ(s.XnmrHz[1], s.FirstPointHz);
}

TEST(BrukerReference, SearchWindowBeyondTheDataFindsNothing) {
    std::vector<std::int32_t> y = Noise(300);
    y[149] = 90000;
    BrukerSpectrum s = MakeSpectrum(y, 1.0e6);  // 0 Hz far to the right of the data
    s.AutoAdjustTMS = true;
    ReferenceOutcome o = FindAdjReference(s);
    EXPECT_EQ(o.candidates, 0);
    EXPECT_FALSE(o.found);
}

TEST(BrukerReference, ManualCalibrationReadsTypedShift) {
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, RealPath("strychnine-cdcl3", "10")).ok());
    const auto before = s.XnmrHz;
    const std::int64_t p = 20000;
    ASSERT_TRUE(CalibrateAtPoint(s, p, 7.27f, "Chloroform-d"));
    auto reading = ReadingAt(s, p);
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->ppmText, "7.27 ppm");
    EXPECT_NEAR(s.XnmrHz[p] / s.SFO1, 7.27, 1e-13);
    EXPECT_EQ(s.ReferenceCaption, "Reference: Chloroform-d (7.27 ppm)");
    // The whole axis moved by one constant.
    const double shift = before[1] - s.XnmrHz[1];
    EXPECT_NEAR(before[s.NPont] - s.XnmrHz[s.NPont], shift, 1e-9);
    EXPECT_NEAR(before[p + 1] - s.XnmrHz[p + 1], shift, 1e-9);

    ASSERT_TRUE(CalibrateAtPoint(s, 99254, 0.0f, "TMS"));
    EXPECT_EQ(s.XnmrHz[99254], 0.0);
    EXPECT_EQ(s.ReferenceCaption, "Reference: TMS (0 ppm)");
    EXPECT_FALSE(CalibrateAtPoint(s, 0, 1.0f, "x"));
    EXPECT_FALSE(CalibrateAtPoint(s, s.NPont + 1, 1.0f, "x"));
}

TEST(BrukerReference, ManualPreparationView) {
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, RealPath("strychnine-cdcl3", "10")).ok());
    // CHCl3 at 7.27 ppm on the uncalibrated axis.
    auto range = FindAdjReferenceGeral(s, 7.27f);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->LastShown - range->FirstShown, s.NPointsSearch);
    const double centre = (range->FirstShown + range->LastShown) / 2.0;
    EXPECT_NEAR(s.XnmrHz[static_cast<std::size_t>(centre)] / s.SFO1, 7.27, 0.01);

    // After a calibration the view goes to where the axis now puts 7.27 ppm.
    ASSERT_TRUE(CalibrateAtPoint(s, 30000, 7.27f, "Chloroform-d"));
    range = FindAdjReferenceGeral(s, 7.27f);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->FirstShown, 30000 - 120);
    EXPECT_EQ(range->LastShown, 30000 + 120);

    // A window that does not fit inside the data leaves the view alone.
    ASSERT_TRUE(CalibrateAtPoint(s, 50, 7.27f, "Chloroform-d"));
    EXPECT_FALSE(FindAdjReferenceGeral(s, 7.27f));
}

TEST(BrukerReference, DialogReferenceTextRules) {
    const ReferenceTable t = MakeReferenceTable();
    ASSERT_EQ(t.RefCount, 4);
    EXPECT_EQ(t.RefNames[3], "Dichloromethane-d2");
    EXPECT_EQ(t.RefShiftTexts[0], "0.00");
    EXPECT_FLOAT_EQ(t.RefShifts[1], 7.27f);

    RefTextChange c = OnReferenceTextChange(t, "TMS");
    EXPECT_TRUE(c.autoEnabled && c.autoSelected && c.matched);
    EXPECT_EQ(c.Text1, "0.00");

    c = OnReferenceTextChange(t, "Benzene-d6");
    EXPECT_FALSE(c.autoEnabled || c.autoSelected);
    ASSERT_TRUE(c.matched);
    EXPECT_EQ(c.Text1, "7.25");
    EXPECT_FLOAT_EQ(c.RefShift, 7.25f);

    c = OnReferenceTextChange(t, "chloroform-d");  // case matters
    EXPECT_FALSE(c.autoSelected);
    EXPECT_FALSE(c.matched);
}

TEST(BrukerReference, DialogOkRules) {
    RefDialogOk ok = OnReferenceDialogOk("Chloroform-d", "", false, "240");
    EXPECT_FALSE(ok.accepted);
    EXPECT_EQ(ok.title, "Chemical Shift Missing");
    EXPECT_EQ(ok.text, "A chemical shift value for the reference\r\nis required; please type a value.");

    ok = OnReferenceDialogOk("chloroform-d", "7,27", false, "240");
    ASSERT_TRUE(ok.accepted);
    EXPECT_EQ(ok.RefName, "chloroform-d");
    EXPECT_EQ(ok.Text1, "7.27");
    EXPECT_FLOAT_EQ(ok.RefShift, 7.27f);
    EXPECT_FALSE(ok.AutoAdjustTMS);

    for (const char* text : {"50", "1500", "", "abc", "99.9"}) {
        ok = OnReferenceDialogOk("TMS", "0", true, text);
        EXPECT_EQ(ok.Text2, "240") << text;
        EXPECT_EQ(ok.NPointsSearch, 240) << text;
        EXPECT_TRUE(ok.AutoAdjustTMS);
    }
    for (const char* text : {"100", "1000"}) {
        ok = OnReferenceDialogOk("TMS", "0", true, text);
        EXPECT_EQ(ok.Text2, text);
        EXPECT_EQ(ok.NPointsSearch, std::stoi(text));
    }
    EXPECT_EQ(OnReferenceDialogOk("TMS", "0", true, "500.5").NPointsSearch, 500);  // half to even
}

TEST(BrukerGraphReading, NearestPointAndReadings) {
    EXPECT_EQ(NearestPoint(0.5, 1.0, 10), 10);   // q = 10.5 stays down
    EXPECT_EQ(NearestPoint(0.51, 1.0, 10), 11);  // q = 10.51
    EXPECT_EQ(NearestPoint(25.0, 2.5, 100), 110);
    EXPECT_EQ(NearestPoint(5.0, 0.0, 7), 7);     // no division by a zero scale

    std::vector<std::int32_t> y = {1, 5, 2, 3, 9};
    BrukerSpectrum s = MakeSpectrum(y, 0.0, 4.0, 400.0);  // 1 Hz per point, 2 .. -2 Hz
    EXPECT_FALSE(ReadingAt(s, 1));   // the reading starts at point 2
    EXPECT_FALSE(ReadingAt(s, 6));
    auto r = ReadingAt(s, 2);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->peak);
    EXPECT_EQ(r->pointText, "Point # 2");
    EXPECT_EQ(r->hzText, "1 Hz");
    EXPECT_EQ(r->ppmText, "0.0025 ppm");
    r = ReadingAt(s, 5);  // the last point has no right neighbour: never a peak
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->peak);
    EXPECT_FALSE(IsPeakPoint(s, 1));
    EXPECT_TRUE(IsTroughPoint(s, 3));
    EXPECT_TRUE(IsCrestOrTrough(s, 3));
    EXPECT_FALSE(IsCrestOrTrough(s, 5));

    EXPECT_EQ(RoundedText(1234.56750001, 3), "1234.568");
    EXPECT_EQ(RoundedText(0.125, 2), "0.12");  // a half to the even neighbour
    EXPECT_EQ(RoundedText(-7.0, 5), "-7");
}

TEST(BrukerGraphReading, SavedIntensityText) {
    BrukerSpectrum s = MakeSpectrum({5, -3, 0, 12});
    EXPECT_EQ(SaveYValuesText(s), " 5 \r\n-3 \r\n 0 \r\n 12 \r\n");
    // Calibration does not touch the intensities.
    CalibrateAtPoint(s, 2, 1.0f, "x");
    EXPECT_EQ(SaveYValuesText(s), " 5 \r\n-3 \r\n 0 \r\n 12 \r\n");
    // Forced to the order that was not read: that order's all-zero words.
    ForceByteOrder(s, true);
    EXPECT_EQ(SaveYValuesText(s), " 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
}
