// The experimental window's logic without the window: view commands, the
// mouse modes and what each command asks the window to show and tell.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "experimental/experimental_session.h"
#include "experimental/graph_reading.h"

namespace quble {
namespace {

namespace fs = std::filesystem;
using Mode = ExperimentalSession::Mode;

class ExperimentalSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("quble-session-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
    }
    void TearDown() override { fs::remove_all(root); }

    // root/name/1/pdata/1/{1r,procs} and root/name/1/acqus, little endian.
    std::string Write(const std::string& name, const std::vector<std::int32_t>& y, const std::string& nucleus = "<1H>") {
        const fs::path exp = root / name / "1";
        const fs::path proc = exp / "pdata" / "1";
        fs::create_directories(proc);
        std::ofstream r(proc / "1r", std::ios::binary);
        for (std::int32_t v : y) {
            const auto u = static_cast<std::uint32_t>(v);
            for (int k = 0; k < 4; ++k) r.put(static_cast<char>((u >> (8 * k)) & 0xFF));
        }
        std::ofstream(proc / "procs") << "##TITLE= test\n##$BYTORDP= 0\n##$SF= 400\n";
        std::ofstream(exp / "acqus") << "##$NUC1= " << nucleus << "\n##$O1= 2000\n##$SFO1= 400\n##$SW_h= 4000\n##$TD= "
                                     << y.size() << "\n";
        return (proc / "1r").generic_string();
    }

    // A flat spectrum with a peak at point 11 (of 100).
    std::string OnePeak() {
        std::vector<std::int32_t> y(100, 10);
        y[10] = 50;
        return Write("peak", y);
    }

    double XOf(double q) const { return (q - s.view().FirstShown) * s.view().PixPerPoint; }

    fs::path root;
    ExperimentalSession s;
};

TEST_F(ExperimentalSessionTest, OpeningTellsEachFailureOnceAndKeepsTheOldSpectrum) {
    ExpUpdate u = s.Open(OnePeak());
    EXPECT_TRUE(u.opened);
    EXPECT_TRUE(u.redraw);
    EXPECT_TRUE(u.messages.empty());
    EXPECT_EQ(s.spectrum().NPont, 100);
    EXPECT_EQ(s.state().fileSizeText, "File Size: 400 Bytes");
    EXPECT_FALSE(s.state().scroll.visible);

    const std::string carbon = Write("carbon", std::vector<std::int32_t>(64, 1), "<13C>");
    OpenResult r;
    u = s.Open(carbon, &r);
    EXPECT_FALSE(u.opened);
    ASSERT_EQ(u.messages.size(), 1u);
    EXPECT_EQ(u.messages[0].title, r.title);
    EXPECT_EQ(u.messages[0].text, r.text);
    EXPECT_EQ(u.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(s.spectrum().NPont, 100);

    // A file not named 1r is the window's question, not a failure to tell.
    const fs::path other = root / "peak" / "1" / "pdata" / "1" / "procs";
    u = s.Open(other.generic_string(), &r);
    EXPECT_EQ(r.status, OpenStatus::FileTypeUnsupported);
    EXPECT_TRUE(u.messages.empty());

    // A missing file is told too, with a text even when the reader gives none.
    u = s.Open((root / "none" / "1r").generic_string(), &r);
    ASSERT_EQ(u.messages.size(), 1u);
    EXPECT_FALSE(u.messages[0].title.empty());
    EXPECT_FALSE(u.messages[0].text.empty());
}

TEST_F(ExperimentalSessionTest, LoadWithoutTheExampleStartsEmptyBigEndian) {
    const ExpUpdate u = s.Load(root / "missing" / "1r");
    EXPECT_FALSE(u.opened);
    EXPECT_TRUE(u.messages.empty());
    EXPECT_TRUE(s.spectrum().BigEndian);
    EXPECT_EQ(s.state().bigEndianColor, kExpYellow);
    EXPECT_EQ(s.state().littleEndianColor, kExpButtonFace);
    // Nothing open: the byte order only changes the labels, the view stays.
    EXPECT_FALSE(s.ReadInByteOrder(false).redraw);
    EXPECT_EQ(s.state().littleEndianColor, kExpYellow);
    // And nothing can be calibrated, centred or stepped.
    EXPECT_FALSE(s.CanAdjust());
    EXPECT_FALSE(s.StepRight(0, 0).redraw);
    EXPECT_FALSE(s.PrepareTransfer());
}

TEST_F(ExperimentalSessionTest, BandExpandsNarrowWidensAndTheScrollBarFollows) {
    std::vector<std::int32_t> y(262144);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = static_cast<std::int32_t>((i * 7919) % 5000);
    s.Open(Write("big", y));

    // A drag from 100 to 300 pixels: a band, then both Expand buttons.
    s.MouseDown(1, 100);
    EXPECT_EQ(s.mode(), Mode::Selecting);
    s.MouseMove(1, 300);
    EXPECT_EQ(s.state().band.width, 200);
    s.MouseMove(1, 800);  // beyond the graph: the band stays
    EXPECT_EQ(s.state().band.width, 200);
    s.MouseUp(1, 300);
    EXPECT_EQ(s.mode(), Mode::Idle);
    EXPECT_TRUE(s.state().expandVisible);

    const ExpUpdate u = s.BandMouseDown(2);
    EXPECT_TRUE(u.redraw);
    EXPECT_TRUE(u.focusGraph);
    EXPECT_FALSE(s.state().expandVisible);
    EXPECT_FALSE(s.state().band.visible);
    EXPECT_FALSE(s.state().graphTip);
    EXPECT_FALSE(s.state().bandTip);
    const double ppp = 720.0 / 262143.0;
    EXPECT_EQ(s.view().FirstShown, std::llround(1 + 100 / ppp));
    const std::int64_t w = s.view().ShownWidth();
    EXPECT_TRUE(s.ScrollReady());
    EXPECT_TRUE(s.state().widenEnabled);
    EXPECT_EQ(s.state().scroll.max, 262144 - 1 - w);
    EXPECT_EQ(s.state().scroll.value, s.view().FirstShown - 1);

    // The bar reaches the last point, far beyond 16 bits.
    s.ScrollTo(s.state().scroll.max);
    EXPECT_EQ(s.view().LastShown, 262144);
    EXPECT_EQ(s.view().ShownWidth(), w);
    EXPECT_FALSE(s.StepRight(0, 0).redraw);  // already at the end

    // Shift gives 50 points, Ctrl and Alt nothing, plain 10; the bar follows.
    const std::int64_t first = s.view().FirstShown;
    s.StepLeft(0, 1);
    EXPECT_EQ(s.view().FirstShown, first - 50);
    EXPECT_FALSE(s.StepLeft(0, 2).redraw);
    EXPECT_FALSE(s.StepLeft(0, 4).redraw);
    s.StepLeft(0, 0);
    EXPECT_EQ(s.view().FirstShown, first - 60);
    EXPECT_EQ(s.state().scroll.value, first - 61);
    // The one-point buttons move on every second press.
    for (int i = 0; i < 10; ++i) s.StepRight(1, 0);
    EXPECT_EQ(s.view().FirstShown, first - 55);

    // Widening back to everything is the full view again.
    for (int i = 0; i < 100 && s.state().scroll.visible; ++i) s.Widen();
    EXPECT_EQ(s.view().FirstShown, 1);
    EXPECT_EQ(s.view().LastShown, 262144);
    EXPECT_FALSE(s.state().widenEnabled);
    s.Narrow();
    EXPECT_TRUE(s.state().scroll.visible);
    s.FullSpectrum();
    EXPECT_FALSE(s.state().scroll.visible);
    EXPECT_EQ(s.view().LastShown, 262144);
    // A scroll event while the bar is hidden moves nothing.
    EXPECT_FALSE(s.ScrollTo(5).redraw);
    EXPECT_EQ(s.view().FirstShown, 1);
}

TEST_F(ExperimentalSessionTest, LeftwardBandRightPressAndStretchKeepTheZeroRow) {
    s.Open(OnePeak());
    s.MouseDown(1, 300);
    s.MouseMove(1, 200);
    EXPECT_EQ(s.state().band.width, 0);  // the band grows only rightwards
    s.MouseUp(1, 200);
    EXPECT_FALSE(s.Expand().redraw);
    EXPECT_EQ(s.view().LastShown, 100);
    s.MouseDown(2, 250);
    EXPECT_FALSE(s.state().band.visible);
    EXPECT_FALSE(s.state().expandVisible);

    const std::int64_t yOffset = s.view().YOffset;
    const double yMult = s.view().YMult;
    s.Stretch();
    s.Shrink();
    s.Shrink();
    EXPECT_DOUBLE_EQ(s.view().YMult, yMult / 1.5);
    EXPECT_EQ(s.view().YOffset, yOffset);
}

TEST_F(ExperimentalSessionTest, ReadingSurvivesADragAndAPeakBlocksTheBand) {
    s.Open(OnePeak());
    s.MouseMove(0, XOf(10.5));
    EXPECT_FALSE(s.state().readout.visible);
    EXPECT_FALSE(s.state().line.visible);

    s.ToggleReading();
    EXPECT_EQ(s.mode(), Mode::Reading);
    EXPECT_STREQ(s.state().ReadCaption(), kReadOffCaption);
    s.MouseMove(0, XOf(10.5));  // q = 10.5 stays at point 10
    EXPECT_EQ(s.state().readout.pointText, "Point # 10");
    EXPECT_EQ(s.state().line.color, kExpBlue);
    EXPECT_FALSE(s.state().graphTip);
    s.MouseMove(0, XOf(10.51));
    EXPECT_EQ(s.state().readout.pointText, "Point # 11");
    EXPECT_TRUE(s.state().readout.peak);
    EXPECT_TRUE(s.state().cross);
    EXPECT_EQ(s.state().line.color, kExpYellow);
    // The cross pointer starts no band.
    s.MouseDown(1, XOf(10.51));
    EXPECT_EQ(s.mode(), Mode::Reading);
    EXPECT_FALSE(s.state().band.visible);

    // Away from the peak a drag selects, and reading goes on afterwards.
    s.MouseMove(0, XOf(40));
    s.MouseDown(1, XOf(40));
    EXPECT_EQ(s.mode(), Mode::Selecting);
    EXPECT_TRUE(s.state().reading);
    s.MouseUp(1, XOf(60));
    EXPECT_EQ(s.mode(), Mode::Reading);
    s.MouseMove(0, XOf(30));
    EXPECT_EQ(s.state().readout.pointText, "Point # 30");

    // Leaving the graph hides line and labels; switching off clears the cross.
    s.MouseOutsideGraph();
    EXPECT_FALSE(s.state().line.visible);
    EXPECT_FALSE(s.state().readout.visible);
    s.MouseMove(0, XOf(11));
    s.ToggleReading();
    EXPECT_FALSE(s.state().cross);
    EXPECT_STREQ(s.state().ReadCaption(), kReadOnCaption);
    // Unticking the frequency reading hides what the reading showed.
    s.SetFrequencyReading(true);
    s.MouseMove(0, XOf(20));
    EXPECT_TRUE(s.state().readout.visible);
    s.SetFrequencyReading(false);
    EXPECT_FALSE(s.state().reading);
    EXPECT_FALSE(s.state().line.visible);
    EXPECT_FALSE(s.state().readout.visible);
}

TEST_F(ExperimentalSessionTest, ManualPickShowsTheHandCalibratesAndTurnsReadingOn) {
    s.Open(OnePeak());
    ExpRefChoice c;
    c.RefCancelled = false;
    c.RefName = "Chloroform-d";
    c.RefShift = 7.27f;
    EXPECT_FALSE(s.AdjustReference(ExpRefChoice{}).askFindReference);  // cancelled
    const ExpUpdate u = s.AdjustReference(c);
    ASSERT_TRUE(u.askFindReference);
    EXPECT_EQ(s.mode(), Mode::Idle);  // nothing yet: the user may still cancel the box
    s.StartPick();
    EXPECT_TRUE(s.PickReference());

    s.MouseMove(0, XOf(20));
    EXPECT_TRUE(s.state().line.visible);
    EXPECT_EQ(s.state().line.color, kExpBlack);
    EXPECT_FALSE(s.state().hand.visible);
    // A left press off the peak starts a band, and the pick goes on after it.
    s.MouseDown(1, XOf(20));
    s.MouseUp(1, XOf(30));
    EXPECT_TRUE(s.PickReference());
    // Leaving the graph keeps the pick's line.
    s.MouseOutsideGraph();
    EXPECT_TRUE(s.state().line.visible);

    s.MouseMove(0, XOf(11));
    EXPECT_TRUE(s.state().hand.visible);
    EXPECT_EQ(s.state().line.color, kExpRed);
    EXPECT_EQ(s.state().line.width, 3);
    const double top = static_cast<double>(s.view().YOffset) - 50.0 * s.view().YMult + 15.0;
    EXPECT_EQ(s.state().hand.top, std::lround(top));

    const ExpUpdate done = s.MouseDown(1, XOf(11));
    EXPECT_TRUE(done.redraw);
    EXPECT_FALSE(s.PickReference());
    EXPECT_FALSE(s.state().hand.visible);
    EXPECT_EQ(s.state().line.color, kExpBlue);
    EXPECT_EQ(s.mode(), Mode::Reading);
    EXPECT_EQ(s.state().referenceCaption, s.spectrum().ReferenceCaption);
    EXPECT_NE(s.state().referenceCaption, "Reference: None");
    s.MouseMove(0, XOf(11));
    EXPECT_EQ(s.state().readout.ppmText, "7.27 ppm");
}

TEST_F(ExperimentalSessionTest, RightButtonCancelsThePickAndANewOpeningEndsIt) {
    const std::string path = OnePeak();
    s.Open(path);
    ExpRefChoice c;
    c.RefCancelled = false;
    c.RefShift = 7.0f;
    s.AdjustReference(c);
    s.StartPick();
    s.MouseMove(0, XOf(11));
    s.MouseDown(2, XOf(11));
    EXPECT_FALSE(s.PickReference());
    EXPECT_FALSE(s.state().hand.visible);
    EXPECT_EQ(s.state().line.color, kExpBlue);
    EXPECT_EQ(s.state().line.width, 1);
    EXPECT_EQ(s.mode(), Mode::Reading);
    EXPECT_EQ(s.spectrum().ReferenceCaption, "Reference: None");

    s.ToggleReading();
    s.StartPick();
    s.Open(path);
    EXPECT_FALSE(s.PickReference());
    EXPECT_EQ(s.mode(), Mode::Idle);
}

TEST_F(ExperimentalSessionTest, CrestModeCentresOnTheRightPressAndEnds) {
    std::vector<std::int32_t> y(1000);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = 50 * std::abs(static_cast<std::int32_t>(i % 40) - 20);  // strict crests and troughs
    s.Open(Write("wave", y));
    s.Narrow();
    s.Narrow();
    const std::int64_t width = s.view().ShownWidth();
    s.SetCrest(true);
    EXPECT_EQ(s.mode(), Mode::Crest);
    // Find a crest right of the middle by moving over it.
    double crestX = -1;
    for (double x = 360; x < 720 && crestX < 0; x += 0.5) {
        s.MouseMove(0, x);
        if (s.state().cross) crestX = x;
    }
    ASSERT_GE(crestX, 0);
    EXPECT_EQ(s.state().line.color, kExpYellow);
    const std::int64_t point = s.CursorPoint();
    EXPECT_TRUE(IsCrestOrTrough(s.spectrum(), point));
    s.MouseDown(2, crestX);
    EXPECT_EQ(s.mode(), Mode::Idle);
    EXPECT_FALSE(s.state().crest);
    EXPECT_FALSE(s.state().cross);
    EXPECT_FALSE(s.state().line.visible);
    // Half widths round to even: the width may change by one point.
    EXPECT_LE(std::llabs(s.view().ShownWidth() - width), 1);
    EXPECT_LE(std::llabs((s.view().FirstShown + s.view().LastShown) / 2 - point), 1);
    EXPECT_TRUE(s.state().scroll.visible);
}

TEST_F(ExperimentalSessionTest, TransferCopiesTheCalibratedAxis) {
    s.Open(OnePeak());
    s.spectrum().XnmrHz.Shift(12.5);
    ASSERT_TRUE(s.PrepareTransfer());
    EXPECT_EQ(s.spectrum().NPontExp, 100);
    EXPECT_DOUBLE_EQ(s.spectrum().ExpXnmrHz[5], s.spectrum().XnmrHz[5]);
    EXPECT_TRUE(s.spectrum().ExpYgraf == s.spectrum().Ygraf);
}

}  // namespace
}  // namespace quble

namespace quble {
namespace {

class ExperimentalWheelTest : public ExperimentalSessionTest {};

TEST_F(ExperimentalWheelTest, WheelZoomsAboutThePointerScrollsWithShiftAndBandsAnalyseTheirPoints) {
    std::vector<std::int32_t> y(2000, 10);
    ASSERT_TRUE(s.Open(Write("wide", y)).messages.empty());
    ASSERT_TRUE(IsFullView(s.view(), s.spectrum().NPont));
    double from = 0, to = 0;
    EXPECT_FALSE(s.AnalysisRange(&from, &to));  // the whole spectrum is no multiplet

    // In, about point 500: it stays under the pointer.
    const double x = XOf(500);
    const std::int64_t before = s.view().ShownWidth();
    EXPECT_TRUE(s.Wheel(x, 2, false).redraw);
    EXPECT_NEAR(static_cast<double>(s.view().ShownWidth()), before * 0.64, 2.0);
    EXPECT_NEAR(s.view().FirstShown + x / s.view().PixPerPoint, 500.0, 1.0);
    EXPECT_TRUE(s.state().scroll.visible);
    // The expanded view is the range to analyse, highest shift first.
    ASSERT_TRUE(s.AnalysisRange(&from, &to));
    EXPECT_DOUBLE_EQ(from, s.spectrum().XnmrHz[s.view().FirstShown] / s.spectrum().SFMeu);
    EXPECT_DOUBLE_EQ(to, s.spectrum().XnmrHz[s.view().LastShown] / s.spectrum().SFMeu);
    EXPECT_GT(from, to);
    // A frequency maps to the pixel of the nearest shown point; outside the
    // view it has none.
    const auto& hzAt = s.spectrum().XnmrHz;
    const std::int64_t q = s.view().FirstShown + 37;
    EXPECT_EQ(s.PixelOfHz(hzAt[q]), XOf(static_cast<double>(q)));
    EXPECT_EQ(s.PixelOfHz(0.7 * hzAt[q] + 0.3 * hzAt[q + 1]), XOf(static_cast<double>(q)));
    EXPECT_EQ(s.PixelOfHz(0.3 * hzAt[q] + 0.7 * hzAt[q + 1]), XOf(static_cast<double>(q + 1)));
    EXPECT_EQ(s.PixelOfHz(hzAt[s.view().LastShown]), XOf(static_cast<double>(s.view().LastShown)));
    EXPECT_FALSE(s.PixelOfHz(hzAt[s.view().FirstShown - 1]));
    EXPECT_FALSE(s.PixelOfHz(hzAt[s.view().LastShown + 1]));

    // Shift+wheel moves a tenth of the width per notch, the width kept.
    const std::int64_t first = s.view().FirstShown, width = s.view().ShownWidth();
    s.Wheel(x, 1, true);
    EXPECT_EQ(s.view().FirstShown, first + (width + 5) / 10);
    EXPECT_EQ(s.view().ShownWidth(), width);
    EXPECT_EQ(s.state().scroll.value, s.view().FirstShown - 1);

    // Far in stops at the narrowest view; far out is the whole spectrum.
    s.Wheel(x, 60, false);
    EXPECT_EQ(s.view().ShownWidth(), kMinShownWidth);
    s.Wheel(x, -80, false);
    EXPECT_TRUE(IsFullView(s.view(), s.spectrum().NPont));
    EXPECT_FALSE(s.state().scroll.visible);
    EXPECT_FALSE(s.Wheel(x, 1, true).redraw);  // nothing to scroll in the full view
}

}  // namespace
}  // namespace quble
