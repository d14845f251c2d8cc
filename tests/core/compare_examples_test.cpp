// The comparison over the shipped example spectra and a real spectrum, on
// the same road the command line takes: each example's own parameters match
// its spectrum, foreign parameters do not.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <string>

#include "compare/compare_run.h"
#include "examples/example_sets.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/bruker_spectrum.h"
#include "tests/core/scratch_folder.h"

namespace quble {
namespace {

namespace fs = std::filesystem;

// The example tree as the first start arranges it, made once and removed
// when the test program ends.
const fs::path& ExampleTree() {
    static const test::ScratchFolder tree("compare_examples");
    static const bool arranged = [] {
        EXPECT_TRUE(examplegen::WriteExampleFiles(tree.path()).ok);
        EXPECT_TRUE(ArrangeOnFirstRun(tree.path()).has_value());
        return true;
    }();
    (void)arranged;
    return tree.path();
}

std::string SpectrumOf(const std::string& suffix) {
    for (const auto& f : ExampleFolders()) {
        if (f.suffix == suffix) return (ExampleTree() / kExamplesFolder / f.name / "1r").generic_string();
    }
    return {};
}

CompareRun CompareExample(const std::string& caption, const std::string& suffix) {
    CompareRequest req;
    const ExampleSet* ex = FindExample(caption);
    EXPECT_NE(ex, nullptr) << caption;
    if (ex) FillFromExample(*ex, req);
    req.spectrumPath = SpectrumOf(suffix);
    req.autoTms = true;
    return RunCompare(req);
}

TEST(CompareExamples, EveryExampleMatchesItsOwnSpectrumAndPairsItsPeaks) {
    int compared = 0;
    // Example 1b is a second recording of Example 1's compound with broader
    // lines: its couplings near the line width blur, so not every one of
    // Example 1's multiplets can score as it does over 1a.
    int unmatchedOver1b = 0;
    for (const auto& r : examplegen::ExampleRecipes()) {
        std::set<std::string> captions;
        for (const auto& m : r.lines) {
            if (!m.exampleCaption.empty()) captions.insert(m.exampleCaption);
        }
        for (const std::string& caption : captions) {
            const CompareRun run = CompareExample(caption, r.suffix);
            ASSERT_EQ(run.stop, CompareRun::Stop::None) << caption << " over " << r.label << ": " << run.text;
            int paired = 0;
            for (int n = 1; n <= run.sim->NMultRelMax; ++n) {
                if (run.sim->SimGapFlag[n] == 0 && run.plot.exp.ExpGapFlag[n] == 0) ++paired;
            }
            std::cout << caption << " over " << r.label << ": MatchSumMin " << run.match.MatchSumMin << ", "
                      << paired << " of " << run.sim->NMultRelMax << " slots paired\n";
            if (r.suffix == "1b") {
                unmatchedOver1b += run.match.match ? 0 : 1;
            } else {
                EXPECT_TRUE(run.match.match) << caption << " over " << r.label << ": " << run.match.MatchSumMin;
            }
            EXPECT_GT(paired, 0) << caption;
            ++compared;
        }
    }
    EXPECT_GE(compared, 9);
    EXPECT_LE(unmatchedOver1b, 2);
}

TEST(CompareExamples, ForeignParametersDoNotMatch) {
    const CompareRun run = CompareExample("Example 2", "1a");
    std::cout << "Example 2 over Example 1a: stop " << static_cast<int>(run.stop) << ", MatchSumMin "
              << run.match.MatchSumMin << "\n";
    // Either the spectrum has nothing there, or what is there does not match.
    if (run.stop == CompareRun::Stop::None) {
        EXPECT_FALSE(run.match.match);
        EXPECT_TRUE(run.match.showNoMatch);
    } else {
        EXPECT_EQ(run.stop, CompareRun::Stop::Transfer);
    }
}

// GABA in D2O: the CH2 next to the carboxylate, a triplet (J about 7.5 Hz)
// near 2.30 ppm. The simulation is put at the triplet's measured centre (its
// tallest point), since 2.30 ppm itself lies 2 Hz off it.
TEST(CompareRealData, GabaTripletMatchesBetterThanAWideDoublet) {
    const std::string path = std::string(QUBLE_TEST_DATA) + "/realdata/gaba-1h-d2o/1H/pdata/1/1r";
    BrukerSpectrum s;
    s.AutoAdjustTMS = true;
    ASSERT_TRUE(OpenFull(s, path).ok());
    ExperimentalOverlay o;
    CompareState cmp;
    CopyExperimentalData(s, o, cmp);
    int top = 0;
    for (int t = 1; t < static_cast<int>(o.ExpXnmrHz.size()); ++t) {
        const double ppm = o.ExpXnmrHz[t] / s.SFO1;
        if (ppm > 2.27 && ppm < 2.33 && (top == 0 || o.ExpYgraf[t] > o.ExpYgraf[top])) top = t;
    }
    ASSERT_GT(top, 0);
    const std::string shift = std::to_string(o.ExpXnmrHz[top]);

    auto run = [&](const std::vector<std::string>& j) {
        CompareRequest req;
        req.input.DecSep = '.';
        req.input.Text2 = "1";
        req.input.Text6[0] = shift;
        req.input.Text1[0] = std::to_string(j.size());
        for (std::size_t k = 0; k < j.size(); ++k) req.input.JText[0][k] = j[k];
        req.input.Text4 = "1";
        req.input.Text3 = "0.1";
        req.shape = LineShape::Lorentzian;
        req.spectrumPath = path;
        req.autoTms = true;
        return RunCompare(req);
    };
    const CompareRun triplet = run({"7.5", "7.5"});
    ASSERT_EQ(triplet.stop, CompareRun::Stop::None) << triplet.text;
    std::cout << "GABA triplet J 7.5 at " << shift << " Hz: MatchSumMin " << triplet.match.MatchSumMin << "\n";
    EXPECT_TRUE(triplet.match.match) << triplet.match.MatchSumMin;
    int paired = 0;
    for (int n = 1; n <= triplet.sim->NMultRelMax; ++n) {
        if (triplet.sim->SimGapFlag[n] == 0 && triplet.plot.exp.ExpGapFlag[n] == 0) ++paired;
    }
    EXPECT_EQ(paired, 3);

    // A doublet of 15 Hz puts its two lines on the triplet's outer ones, so
    // the score alone cannot refuse it; it must score worse.
    const CompareRun doublet = run({"15"});
    ASSERT_EQ(doublet.stop, CompareRun::Stop::None) << doublet.text;
    std::cout << "GABA doublet J 15 at " << shift << " Hz: MatchSumMin " << doublet.match.MatchSumMin << "\n";
    EXPECT_GT(doublet.match.MatchSumMin, triplet.match.MatchSumMin);
}

}  // namespace
}  // namespace quble
