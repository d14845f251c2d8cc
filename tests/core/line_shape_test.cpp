#include <gtest/gtest.h>

#include <cmath>

#include "simulation_test_util.h"

using namespace quble;
using namespace quble::test;

TEST(SampleCounts, FollowTheTallestLine) {
    // One line of intensity 1, half width 0.5: 316 clamped to 100, Gaussian 31.
    EXPECT_EQ(LorentzianCount(0.5f, 1.0f), 100);
    EXPECT_EQ(GaussianCount(1.0f / 2.35482f, 1.0f), 31);
    EXPECT_EQ(LorentzianCount(0.05f, 0.01f), 3);  // 20 * 0.05 * sqrt(9)

    auto s = Compute({{"2500", {"7"}}}, "0.1", "1", LineShape::Gaussian);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->NPeakPts, GaussianCount(s->GaussSigma, 0.5f));
}

TEST(SampleCounts, StayFiniteWhenNoLineIsTallerThanAThousandth) {
    // Ten distinct coupling constants and no merging: 1024 lines of 1/1024.
    HydrogenSpec h{"2500", {"20", "10.1", "5.2", "2.6", "1.33", "0.71", "0.37", "0.19", "0.11", "0.05"}};
    for (LineShape shape : {LineShape::Lorentzian, LineShape::Gaussian, LineShape::Mixed}) {
        auto s = Compute({h}, "0", "1", shape);
        ASSERT_TRUE(s);
        ASSERT_LE(s->MaxLineInt, 0.001f);
        EXPECT_GT(s->NPeakPts, 0);
        EXPECT_LE(s->NPeakPts, 100);
        // The profile reaches out to where the line is small next to its top.
        const int n = s->NPeakPts;
        EXPECT_LT(s->PeakShape[kMaxPeakPts + n], 0.05f);
        EXPECT_FLOAT_EQ(s->PeakShape[kMaxPeakPts], 1.0f);
        for (int i = 0; i < kEnvSamples; ++i) ASSERT_TRUE(std::isfinite(s->EnvYData[i]));
    }
    EXPECT_EQ(LorentzianCount(0.5f, 1.0f / 1024), 100);
    EXPECT_EQ(GaussianCount(1.0f / 2.35482f, 0.0005f), 31);
}

TEST(Profiles, HalfHeightAtTheHalfWidthForBothShapes) {
    for (LineShape shape : {LineShape::Lorentzian, LineShape::Gaussian}) {
        auto s = Compute({{"2500", {"7"}}}, "0.1", "1", shape);
        ASSERT_TRUE(s);
        // Sample k = 5 is 0.5 Hz from the line: half its height.
        EXPECT_FLOAT_EQ(s->PeakY(5, 1), 0.25f);
        EXPECT_FLOAT_EQ(s->PeakY(0, 1), 0.5f);
        EXPECT_FLOAT_EQ(s->PeakX(5, 1), s->AllPos[1] + 0.5f);
        EXPECT_FLOAT_EQ(s->PeakX(-3, 2), s->AllPos[2] - 0.3f);
    }
}

TEST(Envelope, GridAlwaysHasThreeHundredStepsBetweenOuterLines) {
    auto single = Compute({{"2500", {"0"}}}, "0.1", "1");  // J 0: one line
    ASSERT_TRUE(single);
    ASSERT_EQ(single->TotalLines, 1);
    EXPECT_FLOAT_EQ(single->EnvStep, 0.02f);
    EXPECT_NEAR(single->EnvX(-100), single->AllPos[1] - 7.0f, 1e-4);
    EXPECT_NEAR(single->EnvX(600), single->AllPos[1] + 7.0f, 1e-4);

    auto wide = Compute({{"2500", {"100"}}}, "0.1", "1");
    ASSERT_TRUE(wide);
    EXPECT_FLOAT_EQ(wide->EnvStep, 100.0f / 300.0f);
    EXPECT_FLOAT_EQ(wide->EnvX(100), -50.0f);  // sample 100 on the first line
    EXPECT_NEAR(wide->EnvX(400), 50.0f, 1e-4);  // sample 400 on the last
    EXPECT_NEAR(wide->EnvX(-100), -50.0f - 66.6667f, 1e-3);
    EXPECT_NEAR(wide->EnvX(600), 50.0f + 66.6667f, 1e-3);

    // Narrower than 6 Hz: a fixed 14 Hz window centred between the lines.
    auto narrow = Compute({{"2500", {"2"}}}, "0.1", "1");
    ASSERT_TRUE(narrow);
    EXPECT_FLOAT_EQ(narrow->EnvStep, 0.02f);
    EXPECT_NEAR(narrow->EnvX(250), 0.0f, 1e-5);
}

TEST(Envelope, IsThePlainSumOfTheLines) {
    for (LineShape shape : {LineShape::Lorentzian, LineShape::Gaussian}) {
        auto s = Compute({{"2500", {"7", "3"}}, {"2480", {"5"}}}, "0.1", "1.3", shape);
        ASSERT_TRUE(s);
        for (int i : {-100, 37, 250, 311, 600}) {
            double sum = 0.0;
            for (int l = 1; l <= s->TotalLines; ++l) {
                const double u = (s->EnvX(i) - s->AllPos[l]) / s->HalfWidth;
                sum += shape == LineShape::Lorentzian ? s->AllInt[l] / (1.0 + u * u)
                                                      : s->AllInt[l] * std::exp(std::log(0.5) * u * u);
            }
            EXPECT_NEAR(s->EnvY(i), sum, 1e-6 + 1e-5 * sum) << i;
        }
    }
}

TEST(Envelope, MixingAtTheEndsGivesThePureShapes) {
    HydrogenSpec h{"2500", {"7", "2"}};
    auto lor = Compute({h}, "0.1", "1", LineShape::Lorentzian);
    auto gau = Compute({h}, "0.1", "1", LineShape::Gaussian);
    auto mix100 = Compute({h}, "0.1", "1", LineShape::Mixed, 100);
    auto mix0 = Compute({h}, "0.1", "1", LineShape::Mixed, 0);
    auto mix30 = Compute({h}, "0.1", "1", LineShape::Mixed, 30);
    ASSERT_TRUE(lor && gau && mix100 && mix0 && mix30);
    EXPECT_EQ(mix100->NPeakPts, lor->NPeakPts);
    EXPECT_EQ(mix0->NPeakPts, lor->NPeakPts);  // the Lorentzian's count, even at 0
    for (int i = 0; i < kEnvSamples; ++i) {
        EXPECT_FLOAT_EQ(mix100->EnvYData[i], lor->EnvYData[i]);
        EXPECT_FLOAT_EQ(mix0->EnvYData[i], gau->EnvYData[i]);
        EXPECT_NEAR(mix30->EnvYData[i], 0.3 * lor->EnvYData[i] + 0.7 * gau->EnvYData[i], 1e-6);
    }
    for (int k = -lor->NPeakPts; k <= lor->NPeakPts; ++k) {
        EXPECT_FLOAT_EQ(mix100->PeakY(k, 1), lor->PeakY(k, 1));
    }
    // The Gaussian of a mixture is sampled as far as the Lorentzian: beyond
    // its own count it is still computed, not left at 0.
    EXPECT_GT(gau->NPeakPts, 0);
    EXPECT_DOUBLE_EQ(mix30->LorFraction, 0.3);
}

TEST(Extrema, DoubletHasTwoMaximaAndOneMinimum) {
    auto s = Compute({{"2500", {"10"}}}, "0.1", "1", LineShape::Lorentzian);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->NMultRelMax, 2);
    ASSERT_EQ(s->NMultRelMin, 1);
    EXPECT_EQ(s->SimMaxIndex[1], 100);
    EXPECT_EQ(s->SimMaxIndex[2], 400);
    EXPECT_EQ(s->SimMinIndex[1], 250);
    EXPECT_FLOAT_EQ(s->MaxEnv, std::max(s->EnvY(100), s->EnvY(400)));
    EXPECT_EQ(s->SimGapFlag[1], 0);
}

TEST(Extrema, FlatTopCountsOnceAtItsLastSample) {
    // A single line 200 Hz wide: near its top the samples are equal in
    // single precision.
    auto s = Compute({{"2500", {"0"}}}, "0.1", "200", LineShape::Lorentzian);
    ASSERT_TRUE(s);
    ASSERT_EQ(s->NMultRelMax, 1);
    const int top = s->SimMaxIndex[1];
    EXPECT_EQ(s->EnvY(top - 1), s->EnvY(top));  // it really is flat
    EXPECT_LT(s->EnvY(top + 1), s->EnvY(top));
    EXPECT_EQ(s->NMultRelMin, 0);  // equal neighbours are no minimum
}

TEST(Extrema, MoreThanFiftyMaximaAreAllKept) {
    // Six widely different couplings: 64 resolved lines, 64 maxima.
    auto s = Compute({{"2500", {"64", "32", "16", "8", "4", "2"}}}, "0.1", "0.3", LineShape::Lorentzian);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->TotalLines, 64);
    EXPECT_EQ(s->NMultRelMax, 64);
    EXPECT_EQ(static_cast<int>(s->SimMaxIndex.size()), 65);
    EXPECT_EQ(s->NMultRelMin, 63);
    EXPECT_EQ(static_cast<int>(s->SimMinIndex.size()), 64);
}

TEST(Extrema, NoShapeTickedKeepsThePreviousEnvelope) {
    SimulationState s;
    s.ticks = TicksFor(LineShape::Gaussian);
    SimulationInput in = MakeInput({{"2500", {"7"}}});
    ASSERT_FALSE(StartProcess(s, in));
    const auto env = s.EnvYData;
    s.ticks = {false, false, false};
    in.JText[0][0] = "3";
    ASSERT_FALSE(StartProcess(s, in));
    EXPECT_EQ(s.EnvYData, env);
    EXPECT_FLOAT_EQ(s.AllPos[1], -1.5f);  // the lines themselves are new
}
