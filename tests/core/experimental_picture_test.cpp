// The experimental window's picture without the window: CurPic2.emf's page,
// the graph below the title strip, the frame texts, the formula's place,
// long lines cut for office readers; and quble-cli export --1r.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>

#include "cli_test_util.h"
#include "emf_test_util.h"
#include "examples/generator/example_pictures.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/experimental_picture.h"
#include "platform/emf_bitmap.h"

namespace quble::test {
namespace {

namespace fs = std::filesystem;

std::string StrychninePath() { return std::string(QUBLE_TEST_DATA) + "/realdata/strychnine-cdcl3/10/pdata/1/1r"; }

// A little-endian spectrum of the given points with its procs and acqus.
std::string WriteSpectrum(const fs::path& root, const std::vector<std::int32_t>& y) {
    const fs::path proc = root / "1" / "pdata" / "1";
    fs::create_directories(proc);
    std::ofstream r(proc / "1r", std::ios::binary);
    r.write(reinterpret_cast<const char*>(y.data()), static_cast<std::streamsize>(y.size() * 4));
    r.close();
    std::ofstream(proc / "procs") << "##TITLE= test\n##$BYTORDP= 0\n##$SF= 400\n";
    std::ofstream(root / "1" / "acqus") << "##$NUC1= <1H>\n##$O1= 2000\n##$SFO1= 400\n##$SW_h= 4000\n##$TD= "
                                        << y.size() << "\n";
    return (proc / "1r").generic_string();
}

struct Opened {
    BrukerSpectrum s;
    ExpView v;
    ExpFrameLayout f;
};
Opened Open(const std::string& path) {
    Opened o;
    o.s.BigEndian = true;
    const OpenResult r = OpenFull(o.s, path);
    EXPECT_TRUE(r.ok()) << r.text;
    o.f = DefaultExpFrameLayout(o.s);
    FullViewScaling(o.v, o.s, o.f.graphWidth, o.f.graphHeight);
    return o;
}

TEST(CurPic2, PageMappingFrameTextsAndTheGraphBelowTheTitle) {
    const ScratchFolder scratch("curpic2_page");
    const fs::path& dir = scratch.path();
    Opened o = Open(StrychninePath());
    o.f.title = "Strychnine";
    ScreenMetrics screen;
    screen.HORZRES = 2560;
    screen.VERTRES = 1440;
    screen.HORZSIZE = 600;
    screen.VERTSIZE = 340;
    screen.LOGPIXELSX = screen.LOGPIXELSY = 120;
    std::vector<std::uint8_t> emf;
    std::string error;
    ASSERT_TRUE(MakeCurPic2MF(o.v, o.s, ExpDrawStyle::Line, o.f, ExpFormula{}, screen, dir.string(), &emf, &error))
        << error;
    EXPECT_EQ(ReadAll(dir / "CurPic2.emf"), emf);

    // W + 2 by H + 3 pixels of a 120 dpi screen, in 0.01 mm, halves to even.
    const double W = 720, H = 22 + 400 + 40;
    EXPECT_EQ(o.f.PictureWidth(), W + 2);
    EmfHeaderInfo h;
    ASSERT_TRUE(ParseEmfHeader(emf.data(), emf.size(), &h, nullptr));
    EXPECT_EQ(h.frame.right, std::nearbyint((W + 2) / 120 * 2540));
    EXPECT_EQ(h.frame.bottom, std::nearbyint((H + 3) / 120 * 2540));
    const auto recs = Records(emf, &error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(OfType(recs, emr::SETMAPMODE).size(), 1u);
    EXPECT_EQ(OfType(recs, emr::SETMAPMODE)[0].U(8), 8u);
    EXPECT_EQ(OfType(recs, emr::SETWINDOWEXTEX)[0].I(8), W + 2);
    EXPECT_EQ(OfType(recs, emr::SETWINDOWEXTEX)[0].I(12), H + 3);
    EXPECT_EQ(OfType(recs, emr::SETVIEWPORTEXTEX)[0].I(8), std::nearbyint((W + 2) / 120 * 25.4 * 2560 / 600));
    EXPECT_EQ(OfType(recs, emr::SETVIEWPORTEXTEX)[0].I(12), std::nearbyint((H + 3) / 120 * 25.4 * 1440 / 340));

    const std::set<std::string> texts = Texts(recs);
    EXPECT_TRUE(texts.count("Strychnine"));
    EXPECT_TRUE(texts.count("(ppm)"));
    EXPECT_TRUE(texts.count(o.s.ReferenceCaption));

    // The spectrum's first point sits where the window draws it, 22 pixels
    // lower; the last polyline is the frame's shadow.
    const auto lines = OfType(recs, emr::POLYLINE16);
    ASSERT_GE(lines.size(), 2u);
    const Rec& first = lines.front();
    const std::int16_t x0 = static_cast<std::int16_t>(first.U(28) & 0xFFFF);
    const std::int16_t y0 = static_cast<std::int16_t>(first.U(28) >> 16);
    EXPECT_EQ(x0, 0);
    EXPECT_EQ(y0, std::lround(PointY(o.v, o.s.Ygraf[1], 22.0)));
    const Rec& shadow = lines.back();
    ASSERT_EQ(shadow.U(24), 8u);
    EXPECT_EQ(static_cast<std::int16_t>(shadow.U(28 + 4 * 7) & 0xFFFF), W + 2);
    EXPECT_EQ(static_cast<std::int16_t>(shadow.U(28 + 4 * 7) >> 16), H + 3);
    fs::remove_all(dir);
}

TEST(CurPic2, FormulaMovesDownWithTheGraphAndNeedsTheAxis) {
    const ScratchFolder scratch("curpic2_formula");
    const fs::path& dir = scratch.path();
    const std::vector<std::uint32_t> px(30 * 60, 0xFF000000);
    const auto picture = EmfFromBitmap(30, 60, px.data(), 96.0);
    std::ofstream(dir / "SvClipMFSF.emf", std::ios::binary)
        .write(reinterpret_cast<const char*>(picture.data()), static_cast<std::streamsize>(picture.size()));
    Opened o = Open(StrychninePath());
    ExpFormula formula;
    formula.ExpFormulaShown = true;
    formula.Left = 100;
    formula.Top = 40;
    formula.Width = 100;
    formula.Height = 200;
    auto translation = [&](double titleHeight) {
        o.f.titleHeight = titleHeight;
        std::vector<std::uint8_t> emf;
        EXPECT_TRUE(MakeCurPic2MF(o.v, o.s, ExpDrawStyle::Line, o.f, formula, ScreenMetrics{}, dir.string(), &emf,
                                  nullptr));
        const auto recs = Records(emf);
        EXPECT_EQ(OfType(recs, emr::SAVEDC).size(), 1u);
        const auto xf = OfType(recs, emr::SETWORLDTRANSFORM);
        return xf.empty() ? std::pair<double, double>{NAN, NAN} : std::pair<double, double>{xf.front().F(24), xf.front().F(28)};
    };
    const auto low = translation(22), high = translation(0);
    EXPECT_FLOAT_EQ(low.first, high.first);
    EXPECT_FLOAT_EQ(low.second - high.second, 22.0f);

    // The pasted file is read at export time: without it the graph is still made.
    fs::remove(dir / "SvClipMFSF.emf");
    std::vector<std::uint8_t> emf;
    ASSERT_TRUE(MakeCurPic2MF(o.v, o.s, ExpDrawStyle::Line, o.f, formula, ScreenMetrics{}, dir.string(), &emf,
                              nullptr));
    EXPECT_TRUE(OfType(Records(emf), emr::SAVEDC).empty());

    // A spectrum without its axis carries no formula.
    formula.ExpFormulaFromExample = true;
    formula.ExpExampleFormulaPath = (dir / "example.emf").string();
    std::ofstream(formula.ExpExampleFormulaPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(picture.data()), static_cast<std::streamsize>(picture.size()));
    o.s.ReadAcqus = false;
    ASSERT_TRUE(MakeCurPic2MF(o.v, o.s, ExpDrawStyle::Line, o.f, formula, ScreenMetrics{}, dir.string(), &emf,
                              nullptr));
    EXPECT_TRUE(OfType(Records(emf), emr::SAVEDC).empty());
    o.s.ReadAcqus = true;
    ASSERT_TRUE(MakeCurPic2MF(o.v, o.s, ExpDrawStyle::Line, o.f, formula, ScreenMetrics{}, dir.string(), &emf,
                              nullptr));
    EXPECT_EQ(OfType(Records(emf), emr::SAVEDC).size(), 1u);
    fs::remove_all(dir);
}

TEST(CurPic2, LongLinesGoOutInJoinedPiecesAndAMissingFolderFails) {
    const ScratchFolder scratch("curpic2_long");
    const fs::path& dir = scratch.path();
    // A zigzag: no two neighbours share a pixel even in the expanded view.
    std::vector<std::int32_t> y(40000);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = (i % 2) ? 1000000 : 0;
    Opened o = Open(WriteSpectrum(dir / "zig", y));
    // Wide enough apart in x that no point repeats the one before.
    o.v.PixPerPoint = 1.0;
    o.v.LastShown = 40000;
    ExpFrameLayout f = o.f;
    f.graphWidth = 40000;
    std::vector<std::uint8_t> emf;
    ASSERT_TRUE(MakeCurPic2MF(o.v, o.s, ExpDrawStyle::Line, f, ExpFormula{}, ScreenMetrics{}, dir.string(), &emf,
                              nullptr));
    const auto recs = Records(emf);
    auto lines = OfType(recs, emr::POLYLINE);
    for (const Rec& r : OfType(recs, emr::POLYLINE16)) lines.push_back(r);
    std::size_t total = 0, pieces = 0;
    for (const Rec& r : lines) {
        if (r.U(24) == 8) continue;  // the shadow
        EXPECT_LE(r.U(24), 16384u);
        total += r.U(24);
        ++pieces;
    }
    EXPECT_EQ(pieces, 3u);
    EXPECT_EQ(total, 40000u + pieces - 1);  // each piece starts where the last ended

    std::string error;
    EXPECT_FALSE(MakeCurPic2MF(o.v, o.s, ExpDrawStyle::Line, o.f, ExpFormula{}, ScreenMetrics{},
                               (dir / "no such folder").string(), nullptr, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "no such folder"));
    fs::remove_all(dir);
}

// --- quble-cli export --1r ----------------------------------------------

TEST(CliExportExperimental, RealSpectrumCalibratedAndGeneratedExampleWithItsFormula) {
    const ScratchFolder scratch("cli_export_1r");
    const fs::path& dir = scratch.path();
    ASSERT_EQ(ExportStatus("--1r '" + StrychninePath() + "' --auto-tms --out '" + (dir / "s.emf").string() + "'"), 0);
    auto recs = Records(ReadAll(dir / "s.emf"));
    EXPECT_TRUE(Texts(recs).count("Reference: TMS (0.00 ppm)"));
    ASSERT_EQ(ExportStatus("--1r '" + StrychninePath() + "' --out '" + (dir / "s2.emf").string() + "'"), 0);
    EXPECT_TRUE(Texts(Records(ReadAll(dir / "s2.emf"))).count("Reference: None"));

    ASSERT_TRUE(examplegen::WriteExampleFiles(dir / "prog").ok);
    ASSERT_TRUE(ArrangeOnFirstRun(dir / "prog").has_value());
    const fs::path ex2 = dir / "prog" / "Examples" / "2_bqw75a (Example 2)" / "1r";
    ASSERT_EQ(ExportStatus("--1r '" + ex2.string() + "' --auto-tms --out '" + (dir / "e.emf").string() + "'"), 0);
    recs = Records(ReadAll(dir / "e.emf"));
    EXPECT_EQ(OfType(recs, emr::SAVEDC).size(), 1u);  // Ex2.emf beside it
    std::set<std::string> formulaTexts = Texts(Records(examplegen::ExamplePictureEmf(2)));
    for (const std::string& t : formulaTexts) EXPECT_TRUE(Texts(recs).count(t)) << t;

    ASSERT_EQ(ExportStatus("--1r '" + ex2.string() + "' --out '" + (dir / "e.png").string() + "' --dpi 150 --bw"), 0);
    const auto png = ReadAll(dir / "e.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(PngWidth(png), static_cast<std::uint32_t>(std::lround(722.0 / 96 * 150)));
    for (const char* name : {"e.svg", "e.pdf"}) {
        ASSERT_EQ(ExportStatus("--1r '" + ex2.string() + "' --out '" + (dir / name).string() + "'"), 0) << name;
        EXPECT_GT(fs::file_size(dir / name), 1000u) << name;
    }

    EXPECT_EQ(ExportStatus("--1r '" + (dir / "missing" / "1r").string() + "' --out '" + (dir / "m.emf").string() + "'"), 2);
    EXPECT_EQ(ExportStatus("--example mnuEx2 --auto-tms --out '" + (dir / "m.emf").string() + "'"), 2);
    EXPECT_EQ(ExportStatus("--1r '" + ex2.string() + "' --example mnuEx2 --out '" + (dir / "m.emf").string() + "'"), 2);
    EXPECT_FALSE(fs::exists(dir / "m.emf"));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quble::test
