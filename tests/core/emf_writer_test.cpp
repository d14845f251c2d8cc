// The graph as an enhanced metafile: page set-up, the records WindDraw
// writes and their order, black-and-white copies, the embedded formula, and
// writing the file safely.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "emf_test_util.h"
#include "platform/emf_surface.h"
#include "platform/ttf_metrics.h"
#include "render/wind_draw.h"
#include "render_test_util.h"

using namespace quble;
using namespace quble::test;
namespace fs = std::filesystem;

namespace {

// A two-hydrogen graph, drawn once on the recorder as the window would.
struct Graph {
    Drawn d{Hs{{"2500", {"7", "3"}}, {"2460", {"6.5"}}}};
    PictureExport ex;
    ScratchFolder scratch;
    const fs::path& folder = scratch.path();

    explicit Graph(const std::string& name) : scratch(name) {
        d.Draw();
        ex.ProgramFolder = folder.string();
    }

    std::vector<std::uint8_t> Export(bool bw) {
        ex.BWExport = bw;
        std::vector<std::uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(MakeCurPicMF(d.plot, *d.sim, ex, &bytes, &error)) << error;
        return bytes;
    }
};

// A small picture standing in for a pasted formula: its own mapping, a pen
// and a font it never deletes, and a save/restore pair of its own.
std::vector<std::uint8_t> FormulaEmf() {
    EmfPageSetup s;
    s.scaleWidth = 100;
    s.scaleHeight = 50;
    s.frame = {0, 0, 2646, 1323};  // 100 x 50 pixels at 96 per inch
    EmfSurface f(s);
    f.SetMapMode(8);
    f.SetWindowExtEx(100, 50);
    f.SetViewportExtEx(100, 50);
    f.SetPen({Rgb(0, 128, 0), 0});
    f.MoveTo(0, 0);
    f.LineTo(100, 50);
    f.SetFont(Font{"Arial", 12, 400, false, 0});
    f.TextOut(10, 10, "OH");
    // Without its closing deletions, as some programs leave their objects.
    std::vector<std::uint8_t> out;
    std::uint32_t n = 0;
    for (const Rec& r : Records(f.Finish())) {
        if (r.type == emr::DELETEOBJECT) continue;
        out.insert(out.end(), r.bytes.begin(), r.bytes.end());
        ++n;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(out.size());
    std::memcpy(out.data() + 48, &size, 4);
    std::memcpy(out.data() + 52, &n, 4);
    return out;
}

}  // namespace

TEST(EmfPage, FrameInHundredthsOfMillimetreAndMappingFromTheScreen) {
    Graph g("page");
    // A laptop screen: 1366 x 768 pixels on 344 x 194 mm, 96 pixels per inch.
    g.ex.screen = ScreenMetrics{1366, 768, 344, 194, 96, 96};
    const auto bytes = g.Export(false);
    ASSERT_EQ(ReadAll(g.folder / kCurPicFile), bytes);

    EmfHeaderInfo h;
    std::string error;
    ASSERT_TRUE(ParseEmfHeader(bytes.data(), bytes.size(), &h, &error)) << error;
    EXPECT_EQ(h.frame.left, 0);
    EXPECT_EQ(h.frame.top, 0);
    EXPECT_EQ(h.frame.right, std::lround(663.0 / 96 * 2540));
    EXPECT_EQ(h.frame.bottom, std::lround(kTestSH / 96 * 2540));
    EXPECT_EQ(h.nBytes, bytes.size());
    EXPECT_EQ(h.deviceW, 1366);
    EXPECT_EQ(h.deviceMmH, 194);

    const auto recs = Records(bytes, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(h.nRecords, recs.size());
    EXPECT_EQ(recs.back().type, emr::EOF_);
    ASSERT_GE(recs.size(), 4u);
    EXPECT_EQ(recs[1].type, emr::SETMAPMODE);
    EXPECT_EQ(recs[1].U(8), 8u);  // MM_ANISOTROPIC
    EXPECT_EQ(recs[2].type, emr::SETWINDOWEXTEX);
    EXPECT_EQ(recs[2].I(8), 663);
    EXPECT_EQ(recs[2].I(12), 500);
    EXPECT_EQ(recs[3].type, emr::SETVIEWPORTEXTEX);
    EXPECT_EQ(recs[3].I(8), std::lround(663.0 / 96 * 25.4 * 1366 / 344));
    EXPECT_EQ(recs[3].I(12), std::lround(500.0 / 96 * 25.4 * 768 / 194));

    // Every handle used fits the header's handle count.
    for (const Rec& r : recs) {
        if (r.type == emr::CREATEPEN || r.type == emr::EXTCREATEFONTINDIRECTW || r.type == emr::SELECTOBJECT) {
            if ((r.U(8) & kStockObjectFlag) == 0) {
                EXPECT_LT(r.U(8), h.nHandles);
            }
        }
    }
    // The bounds hold the frame line at (1, 1)-(662, 499), in device pixels.
    // The envelope runs past both sides; the bounds stop at the picture.
    EXPECT_EQ(h.bounds.left, 0);
    EXPECT_GE(h.bounds.right, std::lround(662.0 * recs[3].I(8) / 663) - 1);
    EXPECT_LT(h.bounds.right, recs[3].I(8));
    EXPECT_LT(h.bounds.bottom, recs[3].I(12));
}

TEST(EmfWindDraw, RecordsFollowTheDrawingOrder) {
    Graph g("order");
    // The same drawing on the recorder gives the expected order.
    RecordingSurface rec(kPlotScaleWidth, kTestSH);
    WindDraw(g.d.plot, *g.d.sim, rec, false);
    const auto recs = Records(g.Export(false));

    std::vector<std::string> wantTexts;
    // An empty caption draws nothing and leaves no record.
    for (const DrawCall& c : OfKind(rec.Calls(), DrawCall::Kind::TextOut)) {
        if (!c.text.empty()) wantTexts.push_back(c.text);
    }
    std::vector<std::string> gotTexts;
    for (const Rec& r : OfType(recs, emr::EXTTEXTOUTW)) gotTexts.push_back(r.Text());
    EXPECT_EQ(gotTexts, wantTexts);
    ASSERT_GE(gotTexts.size(), 3u);
    EXPECT_EQ(gotTexts.front(), "J1 = 7 Hz");
    EXPECT_EQ(gotTexts.back(), "(1234)");

    // Pens: each change of pen on the recorder is one created pen, same
    // colour and width.
    std::vector<std::pair<std::uint32_t, int>> wantPens;
    Pen last{0xFFFFFFFF, -1};
    for (const DrawCall& c : OfKind(rec.Calls(), DrawCall::Kind::SetPen)) {
        if (c.pen == last) continue;
        last = c.pen;
        wantPens.push_back({ResolveColor(c.pen.color), static_cast<int>(std::lround(c.pen.width))});
    }
    std::vector<std::pair<std::uint32_t, int>> gotPens;
    for (const Rec& r : OfType(recs, emr::CREATEPEN)) gotPens.push_back({r.U(24), r.I(16)});
    // The background comes first: its fill and grid in both lists, the
    // fill's own pen only in the metafile. The drawing proper starts with
    // the diagram's thinnest pen.
    ASSERT_FALSE(wantPens.empty());
    EXPECT_EQ(wantPens.front(), (std::pair<std::uint32_t, int>{0xFFFFDF, 1}));  // fine grid lines
    auto dropBackground = [](std::vector<std::pair<std::uint32_t, int>>& v) {
        v.erase(v.begin(), std::find_if(v.begin(), v.end(), [](const auto& p) { return p.second == 0; }));
    };
    dropBackground(wantPens);
    dropBackground(gotPens);
    // Box outlines create pens of their own; WindDraw draws none.
    EXPECT_EQ(gotPens, wantPens);
    ASSERT_FALSE(gotPens.empty());
    EXPECT_EQ(gotPens.front().second, 0);  // the diagram's thinnest pen

    // The frame: a black pen of width 2, then a move to (1, 1) and four lines.
    auto it = std::find_if(recs.begin(), recs.end(),
                           [](const Rec& r) { return r.type == emr::CREATEPEN && r.I(16) == 2; });
    ASSERT_NE(it, recs.end());
    EXPECT_EQ(it->U(24), 0u);
    auto move = std::find_if(it, recs.end(), [](const Rec& r) { return r.type == emr::MOVETOEX; });
    ASSERT_NE(move, recs.end());
    EXPECT_EQ(move->I(8), 1);
    EXPECT_EQ(move->I(12), 1);
    const int want[4][2] = {{1, 499}, {662, 499}, {662, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
        ++move;
        ASSERT_EQ(move->type, emr::LINETO);
        EXPECT_EQ(move->I(8), want[i][0]);
        EXPECT_EQ(move->I(12), want[i][1]);
    }

    // Fonts as the label writers ask for them: Arial, character height,
    // weights, underline and the upward peak labels.
    bool upward = false, bold13 = false;
    for (const Rec& r : OfType(recs, emr::EXTCREATEFONTINDIRECTW)) {
        EXPECT_LT(r.I(12), 0);
        EXPECT_EQ(r.bytes[40], 'A');
        if (r.I(20) == 900 && r.I(24) == 900 && r.I(12) == -11) upward = true;
        if (r.I(12) == -13 && r.I(28) == 700) bold13 = true;
    }
    EXPECT_TRUE(upward);
    EXPECT_TRUE(bold13);
    // Text is drawn without a background box.
    ASSERT_FALSE(OfType(recs, emr::SETBKMODE).empty());
    EXPECT_EQ(OfType(recs, emr::SETBKMODE)[0].U(8), 1u);
    // Every object created is deleted again by the end.
    std::set<std::uint32_t> live;
    for (const Rec& r : recs) {
        if (r.type == emr::CREATEPEN || r.type == emr::EXTCREATEFONTINDIRECTW || r.type == emr::CREATEBRUSHINDIRECT)
            live.insert(r.U(8));
        if (r.type == emr::DELETEOBJECT) live.erase(r.U(8));
    }
    EXPECT_TRUE(live.empty());
}

TEST(EmfWindDraw, TextAdvancesComeFromTheFontAndKeepTheTextWidth) {
    Graph g("dx");
    const auto recs = Records(g.Export(false));
    const TtfMetrics* arial = ArialMetrics(400);
    ASSERT_NE(arial, nullptr) << "Liberation Sans is not installed";
    bool seen = false;
    for (const Rec& r : OfType(recs, emr::EXTTEXTOUTW)) {
        if (r.Text() != "Simulated Spectrum") continue;
        seen = true;
        const auto dx = r.Dx();
        ASSERT_EQ(dx.size(), r.Text().size());
        double exact = 0;
        for (char c : r.Text()) exact += 10.0 * arial->Advance(static_cast<unsigned char>(c)) / arial->UnitsPerEm();
        std::uint32_t sum = 0;
        for (auto d : dx) sum += d;
        EXPECT_EQ(sum, static_cast<std::uint32_t>(std::lround(exact)));
        // 'S' is wider than 'i' in a proportional face.
        EXPECT_GT(dx[0], dx[1]);
    }
    EXPECT_TRUE(seen);
}

TEST(EmfWindDraw, BlackAndWhiteCopyThenColourAgain) {
    Graph g("bw");
    // A coloured branch as well as the coloured curves.
    RecolourBranch(*g.d.sim, 1, 1, 1, Rgb(0, 192, 0));
    // The grid keeps greys of its own in black and white (tested with the
    // background); everything else is black.
    g.d.plot.options.Grid = false;
    g.d.Draw();

    const auto colour1 = Records(g.Export(false));
    const auto bw = Records(g.Export(true));
    const auto colour2 = Records(g.Export(false));

    EXPECT_EQ(PenColours(bw), std::set<std::uint32_t>{0});
    EXPECT_EQ(TextColours(bw), std::set<std::uint32_t>{0});
    EXPECT_FALSE(g.d.plot.options.BWDrawing);

    for (const auto* recs : {&colour1, &colour2}) {
        const auto pens = PenColours(*recs);
        EXPECT_TRUE(pens.count(Rgb(255, 0, 0)));   // envelope
        EXPECT_TRUE(pens.count(Rgb(0, 192, 0)));   // the recoloured branch
        EXPECT_TRUE(TextColours(*recs).count(Rgb(255, 0, 0)));  // peak labels
    }
    EXPECT_EQ(PenColours(colour1), PenColours(colour2));
}

TEST(EmfWindDraw, DiagramLinesKeepEverySegmentWhateverTheNumberOfColours) {
    Drawn d{Hs{{"2500", {"9", "7", "5", "3", "2"}}}};
    // 2 + 4 + 8 + 16 + 32 = 62 branches, coloured with 62 different colours.
    int n = 0;
    for (int j = 1; j <= 5; ++j)
        for (int b = 1; b <= (1 << j); ++b) {
            ++n;
            d.sim->StemColor[1][j][b] = Rgb(n, 0, 0);
            d.sim->LinkColor[1][j][b] = Rgb(0, n, 0);
        }
    const auto groups = DiagramLines(d.plot, *d.sim, false);
    std::size_t segments = 0;
    std::set<ColorRef> colours;
    for (const auto& g : groups) {
        segments += g.segments.size();
        EXPECT_TRUE(colours.insert(g.colour).second) << "one group per colour";
    }
    EXPECT_EQ(segments, 1u + 2u * 62u);  // root stem, a stem and a link per branch
    EXPECT_EQ(groups.size(), 1u + 62u + 62u);

    // The stem of branch (1, 3, 5) is in its colour's group, where the tree has it.
    auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.colour == Rgb(11, 0, 0); });
    ASSERT_NE(it, groups.end());
    ASSERT_EQ(it->segments.size(), 1u);
    EXPECT_FLOAT_EQ(it->segments[0].x1, d.plot.XPix[1][3][5]);
    EXPECT_FLOAT_EQ(it->segments[0].y2, d.plot.YLev[1][3] + d.plot.LevelStep);

    const auto bw = DiagramLines(d.plot, *d.sim, true);
    ASSERT_EQ(bw.size(), 1u);
    EXPECT_EQ(bw[0].colour, 0u);
    EXPECT_EQ(bw[0].segments.size(), segments);
}

TEST(EmfFormula, EmbeddedWithItsFrameMappedAndStateRestored) {
    Graph g("formula");
    const auto formula = FormulaEmf();
    std::string error;
    ASSERT_TRUE(SaveClipMF(formula, g.ex.ProgramFolder, kSvClipMFFile, &error)) << error;
    g.ex.formula = FormulaPicture{true, false, "", 448, 24, 200, 100};
    const auto recs = Records(g.Export(false));

    const auto save = std::find_if(recs.begin(), recs.end(), [](const Rec& r) { return r.type == emr::SAVEDC; });
    ASSERT_NE(save, recs.end());
    // Everything of ours comes before the formula.
    std::uint32_t ourMax = 0;
    for (auto it = recs.begin(); it != save; ++it)
        if (it->type == emr::CREATEPEN || it->type == emr::EXTCREATEFONTINDIRECTW) ourMax = std::max(ourMax, it->U(8));
    ASSERT_EQ((save + 1)->type, emr::SETWORLDTRANSFORM);
    // The formula's mapping records are folded into the transform, which
    // takes its frame (0,0)-(100,50) pixels onto (448,24)-(648,124).
    auto last = std::find_if(std::make_reverse_iterator(std::find_if(save, recs.end(), [](const Rec& r) {
                                 return r.type == emr::CREATEPEN;
                             })),
                             std::make_reverse_iterator(save), [](const Rec& r) {
                                 return r.type == emr::SETWORLDTRANSFORM;
                             });
    ASSERT_NE(last, std::make_reverse_iterator(save));
    const Rec& x = *last;
    const double fw = 2646 / 100.0 * 1920 / 508, fh = 1323 / 100.0 * 1080 / 286;
    EXPECT_NEAR(x.F(8) * 100 + x.F(24), 448 + 200 * 100 / fw, 0.05);
    EXPECT_NEAR(x.F(20) * 50 + x.F(28), 24 + 100 * 50 / fh, 0.05);
    EXPECT_NEAR(x.F(24), 448, 0.01);
    EXPECT_NEAR(x.F(28), 24, 0.01);
    for (auto it = save; it != recs.end(); ++it) {
        EXPECT_NE(it->type, emr::SETMAPMODE);
        EXPECT_NE(it->type, emr::SETWINDOWEXTEX);
    }

    // The formula's pen and font are renumbered past ours; after the restore
    // they are deleted and nothing of the formula's remains selected.
    auto restore = std::find_if(save, recs.end(), [](const Rec& r) { return r.type == emr::RESTOREDC; });
    ASSERT_NE(restore, recs.end());
    EXPECT_EQ(restore->I(8), -1);
    std::set<std::uint32_t> created;
    for (auto it = save; it != restore; ++it) {
        if (it->type == emr::CREATEPEN || it->type == emr::EXTCREATEFONTINDIRECTW) {
            EXPECT_GT(it->U(8), ourMax);
            created.insert(it->U(8));
        }
        if (it->type == emr::EXTTEXTOUTW) {
            EXPECT_EQ(it->Text(), "OH");
        }
    }
    EXPECT_EQ(created.size(), 2u);
    std::set<std::uint32_t> deletedAfter;
    for (auto it = restore; it != recs.end(); ++it) {
        if (it->type == emr::DELETEOBJECT) deletedAfter.insert(it->U(8));
        EXPECT_NE(it->type, emr::SETWORLDTRANSFORM);
    }
    for (auto ih : created) EXPECT_TRUE(deletedAfter.count(ih)) << ih;
    EmfHeaderInfo h;
    const auto bytes = ReadAll(g.folder / kCurPicFile);
    ASSERT_TRUE(ParseEmfHeader(bytes.data(), bytes.size(), &h, nullptr));
    EXPECT_GT(h.nHandles, *created.rbegin());

    // Deleted formula: no trace of it in the next export.
    g.ex.formula.FormulaShown = false;
    EXPECT_TRUE(OfType(Records(g.Export(false)), emr::SAVEDC).empty());
}

TEST(EmfFormula, UnreadablePicturesAreRefusedWithoutWritingAnything) {
    EmfPageSetup s;
    s.scaleWidth = 663;
    s.scaleHeight = 500;
    s.frame = {0, 0, 17542, 13229};
    EmfSurface dc(s);
    const std::uint32_t before = dc.RecordCount();
    std::string error;

    auto formula = FormulaEmf();
    auto lying = formula;
    // A record claiming to run past the end.
    const auto recs = Records(formula);
    std::size_t off = recs[0].bytes.size();
    const std::uint32_t big = 0x7FFFFFF0;
    std::memcpy(lying.data() + off + 4, &big, 4);
    EXPECT_FALSE(dc.EmbedMetafile(lying, 0, 0, 10, 10, &error));
    EXPECT_FALSE(error.empty());

    auto badHandle = formula;
    off = 0;
    for (const Rec& r : recs) {
        if (r.type == emr::CREATEPEN) {
            const std::uint32_t ih = 0x12345;
            std::memcpy(badHandle.data() + off + 8, &ih, 4);
            break;
        }
        off += r.bytes.size();
    }
    EXPECT_FALSE(dc.EmbedMetafile(badHandle, 0, 0, 10, 10, &error));
    EXPECT_FALSE(dc.EmbedMetafile({1, 2, 3}, 0, 0, 10, 10, &error));
    EXPECT_EQ(dc.RecordCount(), before);
    EXPECT_FALSE(SaveClipMF(lying, "/tmp", "never_written.emf", &error));
    EXPECT_FALSE(fs::exists("/tmp/never_written.emf"));
}

TEST(EmfFile, WrittenAtomicallyAndOldFileKeptOnFailure) {
    const ScratchFolder scratch("atomic");
    const fs::path& dir = scratch.path();
    const fs::path file = dir / kCurPicFile;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(file.string(), {1, 2, 3}, &error)) << error;
    ASSERT_TRUE(WriteFileAtomically(file.string(), {4, 5}, &error)) << error;
    EXPECT_EQ(ReadAll(file), (std::vector<std::uint8_t>{4, 5}));

    // A folder in the file's place cannot be replaced: error, and nothing
    // left behind.
    const fs::path blocked = dir / "blocked.emf";
    fs::create_directory(blocked);
    fs::path inside = blocked / "keep";
    { std::ofstream(inside) << "x"; }
    EXPECT_FALSE(WriteFileAtomically(blocked.string(), {9}, &error));
    EXPECT_NE(error.find("blocked.emf"), std::string::npos);
    EXPECT_TRUE(fs::exists(inside));
    // A folder that does not exist.
    EXPECT_FALSE(WriteFileAtomically((dir / "none" / "x.emf").string(), {9}, &error));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
    EXPECT_EQ(entries, 2);  // CurPic.emf and the folder

    // The export reports the failure; the window shows its message then.
    Graph g("atomicexport");
    g.ex.ProgramFolder = (dir / "missing").string();
    EXPECT_FALSE(MakeCurPicMF(g.d.plot, *g.d.sim, g.ex, nullptr, &error));
    EXPECT_STREQ(kMetafileFailedMessage, "NECA DE PITIBIRIBA");
    fs::remove_all(dir);
}

TEST(TtfMetrics, ArialWidthsAndDamagedFonts) {
    const TtfMetrics* regular = ArialMetrics(400);
    const TtfMetrics* bold = ArialMetrics(700);
    ASSERT_NE(regular, nullptr);
    ASSERT_NE(bold, nullptr);
    // Arial's published advances (2048 units per em).
    EXPECT_EQ(regular->UnitsPerEm(), 2048);
    EXPECT_EQ(regular->Advance(U'W'), 1933);
    EXPECT_EQ(regular->Advance(U'i'), 455);
    EXPECT_EQ(regular->Advance(U' '), 569);
    EXPECT_EQ(regular->Advance(U'0'), 1139);
    EXPECT_EQ(bold->Advance(U'b'), 1251);  // bold is wider here, not everywhere
    EXPECT_EQ(regular->Advance(U'b'), 1139);
    EXPECT_EQ(regular->Ascent() + regular->Descent(), 1854 + 434);

    std::ifstream in("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", std::ios::binary);
    std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(data.size(), 1000u);
    TtfMetrics m;
    std::string error;
    for (std::size_t cut : {std::size_t{0}, std::size_t{11}, std::size_t{100}, data.size() / 2}) {
        std::vector<std::uint8_t> part(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_FALSE(m.Parse(part, &error)) << cut;
    }
    // A table directory entry pointing far beyond the file.
    auto moved = data;
    moved[12 + 8] = 0x7F;
    EXPECT_FALSE(m.Parse(moved, &error));
    EXPECT_TRUE(m.Parse(data, &error)) << error;

    EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xFF"), (std::u32string{U'a', U'\u00E9', 0xFFFD}));
    EXPECT_EQ(DecodeUtf8("\xE2\x82"), (std::u32string{0xFFFD, 0xFFFD}));
}
