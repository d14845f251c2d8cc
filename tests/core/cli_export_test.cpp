// quble-cli export: the simulator graph of given parameters or of an example
// as a picture file, and the example formula pictures the generator draws.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "cli_test_util.h"
#include "emf_test_util.h"
#include "examples/generator/example_pictures.h"

namespace quble::test {
namespace {

namespace fs = std::filesystem;

TEST(CliExport, ParametersAndExamplesToEveryForm) {
    const ScratchFolder scratch("cli_export");
    const fs::path& dir = scratch.path();
    ASSERT_EQ(ExportStatus("--h 2500:7,7 --h 2530:7 --width 1 --resolution 0.1 --shape gaussian --out '" +
                  (dir / "p.emf").string() + "'"),
              0);
    const auto emf = ReadAll(dir / "p.emf");
    EmfHeaderInfo h;
    ASSERT_TRUE(ParseEmfHeader(emf.data(), emf.size(), &h, nullptr));
    // The graph box (663 units) at 96 per inch: 175.42 mm wide.
    EXPECT_EQ(h.frame.right, 17542);
    const std::string title = JoinedTexts(Records(emf));
    EXPECT_NE(title.find("Spectrum Title"), std::string::npos);
    EXPECT_NE(title.find("|Gaussian Line Shape|"), std::string::npos);  // the caption the window shows
    ASSERT_EQ(ExportStatus("--h 2500:7 --shape mixed --lorentz-percent 30 --out '" + (dir / "m.emf").string() + "'"), 0);
    const std::string mixed = JoinedTexts(Records(ReadAll(dir / "m.emf")));
    EXPECT_NE(mixed.find("|70% Gaussian + 30% Lorentzian|"), std::string::npos);

    // An example brings its title and its formula picture.
    ASSERT_EQ(ExportStatus("--example 'Example 2' --out '" + (dir / "e.emf").string() + "'"), 0);
    const std::string texts = JoinedTexts(Records(ReadAll(dir / "e.emf")));
    EXPECT_NE(texts.find("bqw75a (Example 2)"), std::string::npos);
    EXPECT_NE(texts.find("|He|"), std::string::npos);  // the picture's hydrogen label
    EXPECT_NE(texts.find("|bqw75a|"), std::string::npos);  // the picture's own title

    // PNG at a chosen resolution: the same 6.9 inches, so 150 dpi is 1036 px.
    ASSERT_EQ(ExportStatus("--example mnuEx1 --out '" + (dir / "e.png").string() + "' --dpi 150 --bw"), 0);
    const auto png = ReadAll(dir / "e.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    EXPECT_EQ(PngWidth(png), 1036u);

    ASSERT_EQ(ExportStatus("--example \"Example 1/H5+H3'a\" --out '" + (dir / "e.svg").string() + "'"), 0);
    const auto svg = ReadAll(dir / "e.svg");
    EXPECT_NE(std::string(svg.begin(), svg.end()).find("<svg"), std::string::npos);
    ASSERT_EQ(ExportStatus("--example 'Example 5' --out '" + (dir / "e.pdf").string() + "'"), 0);
    const auto pdf = ReadAll(dir / "e.pdf");
    ASSERT_GT(pdf.size(), 5u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");

    // Refusals: nothing written, a usage error.
    EXPECT_EQ(ExportStatus("--example 'Example 9' --out '" + (dir / "x.emf").string() + "'"), 2);
    EXPECT_EQ(ExportStatus("--example mnuEx2 --out '" + (dir / "x.gif").string() + "'"), 2);
    EXPECT_EQ(ExportStatus("--example mnuEx2 --out '" + (dir / "x.svg").string() + "' --dpi 300"), 2);
    EXPECT_EQ(ExportStatus("--h 2500:7 --shape gaussian"), 2);
    EXPECT_FALSE(fs::exists(dir / "x.emf") || fs::exists(dir / "x.gif") || fs::exists(dir / "x.svg"));
    fs::remove_all(dir);
}

// A measured spectrum over the simulation, as after its transfer: the
// overlay and its legend row are in the picture, in the experimental colour.
TEST(CliExport, OverlayDrawsTheMeasuredSpectrumOverTheSimulation) {
    const ScratchFolder scratch("cli_export_overlay");
    const fs::path& dir = scratch.path();
    const std::string gaba = std::string(QUBLE_TEST_DATA) + "/realdata/gaba-1h-d2o/1H/pdata/1/1r";
    const std::string triplet = "--h 1152.596:7.5,7.5 --width 1 --resolution 0.1 --shape lorentzian ";
    auto texts = [](const fs::path& f) { return JoinedTexts(Records(ReadAll(f))); };
    ASSERT_EQ(ExportStatus(triplet + "--out '" + (dir / "plain.emf").string() + "'"), 0);
    ASSERT_EQ(ExportStatus(triplet + "--overlay '" + gaba + "' --auto-tms --out '" + (dir / "over.emf").string() + "'"), 0);
    EXPECT_EQ(texts(dir / "plain.emf").find("Experimental Spectrum"), std::string::npos);
    EXPECT_NE(texts(dir / "over.emf").find("|Experimental Spectrum|"), std::string::npos);
    // The overlay's points are blue pens or brushes: none in the plain graph.
    auto bluePens = [](const fs::path& f) {
        int n = 0;
        for (const Rec& r : Records(ReadAll(f))) {
            if (r.type == emr::CREATEPEN && r.U(24) == 0x00FF0000u) ++n;  // COLORREF of blue
            if (r.type == emr::CREATEBRUSHINDIRECT && r.U(16) == 0x00FF0000u) ++n;
        }
        return n;
    };
    EXPECT_EQ(bluePens(dir / "plain.emf"), 0);
    EXPECT_GT(bluePens(dir / "over.emf"), 0);

    // A refused spectrum writes nothing (exit 2, as for --1r); so does the
    // TMS option without a spectrum.
    EXPECT_EQ(ExportStatus(triplet + "--overlay '" + (dir / "none" / "1r").string() + "' --out '" + (dir / "x.emf").string() + "'"), 2);
    EXPECT_EQ(ExportStatus(triplet + "--auto-tms --out '" + (dir / "x.emf").string() + "'"), 2);
    EXPECT_FALSE(fs::exists(dir / "x.emf"));
    fs::remove_all(dir);
}

TEST(ExamplePictures, FiveSoundMetafilesEachWithItsTitleAndHydrogens) {
    const std::vector<std::vector<std::string>> hydrogens{
        {"H7", "H5", "H6", "H8", "H3'a", "H3'b"}, {"He"}, {"HA"}, {"HG"}, {"HG"}};
    for (int n = 1; n <= 5; ++n) {
        const auto emf = examplegen::ExamplePictureEmf(n);
        EmfHeaderInfo h;
        ASSERT_TRUE(ParseEmfHeader(emf.data(), emf.size(), &h, nullptr)) << n;
        std::string error;
        const auto recs = Records(emf, &error);
        EXPECT_TRUE(error.empty()) << error;
        EXPECT_EQ(recs.back().type, emr::EOF_);
        const std::set<std::string> texts = Texts(recs);
        EXPECT_TRUE(texts.count(examplegen::ExamplePictureTitle(n))) << n;
        for (const auto& hy : hydrogens[n - 1]) EXPECT_TRUE(texts.count(hy)) << n << " " << hy;
        EXPECT_GT(OfType(recs, emr::LINETO).size(), 5u) << n;
        EXPECT_EQ(examplegen::ExamplePictureEmf(n), emf);  // the same bytes every time
    }
    EXPECT_EQ(examplegen::ExamplePictureTitle(1), "15-Deoxygoyazensolide");
    EXPECT_EQ(examplegen::ExamplePictureTitle(4), "Mesylate RVALE-011");
    EXPECT_TRUE(examplegen::ExamplePictureEmf(0).empty());
    EXPECT_TRUE(examplegen::ExamplePictureEmf(6).empty());
}

}  // namespace
}  // namespace quble::test
