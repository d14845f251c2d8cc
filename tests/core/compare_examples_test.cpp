// The comparison over the shipped example spectra and a real spectrum, on
// the same road the command line takes: each example's own parameters match
// its spectrum, foreign parameters do not.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <unistd.h>
#include <string>

#include "compare/compare_run.h"
#include "examples/example_sets.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/bruker_spectrum.h"

namespace quble {
namespace {

namespace fs = std::filesystem;

// The example tree as the first start arranges it, made once.
const fs::path& ExampleTree() {
    static const fs::path root = [] {
        const fs::path dir = fs::temp_directory_path() / ("quble_compare_examples_" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        EXPECT_TRUE(examplegen::WriteExampleFiles(dir).ok);
        EXPECT_TRUE(ArrangeOnFirstRun(dir).has_value());
        return dir;
    }();
    return root;
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
            EXPECT_TRUE(run.match.match) << caption << " over " << r.label << ": " << run.match.MatchSumMin;
            EXPECT_GT(paired, 0) << caption;
            ++compared;
        }
    }
    EXPECT_GE(compared, 9);
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
// at 2.30 ppm.
TEST(CompareRealData, GabaTripletMatchesAndAWideDoubletDoesNot) {
    const std::string path = std::string(QUBLE_TEST_DATA) + "/realdata/gaba-1h-d2o/1H/pdata/1/1r";
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, path).ok());
    const std::string shift = std::to_string(2.30 * s.SFO1);

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

    const CompareRun doublet = run({"15"});
    ASSERT_EQ(doublet.stop, CompareRun::Stop::None) << doublet.text;
    std::cout << "GABA doublet J 15 at " << shift << " Hz: MatchSumMin " << doublet.match.MatchSumMin << "\n";
    EXPECT_FALSE(doublet.match.match) << doublet.match.MatchSumMin;
}

}  // namespace
}  // namespace quble
