// The simulator window's picture export: clipboard copies in colour and
// black and white, the pasted formula picture (shown, moved, sized,
// deleted, embedded), example pictures, and "Export Picture...".
#include <QApplication>
#include <QMouseEvent>
#include <QSvgRenderer>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "../core/emf_test_util.h"
#include "examples/example_sets.h"
#include "examples/generator/example_spectra.h"
#include "platform/clipboard.h"
#include "platform/emf_bitmap.h"
#include "platform/emf_player.h"
#include "platform/formula_image.h"
#include "platform/graph_picture.h"
#include "platform/scripted_dialogs.h"
#include "simulator/form1_window.h"

namespace quble::test {
namespace {

namespace fs = std::filesystem;

// A plain picture of w x h pixels (at 96 dpi) as a metafile.
std::vector<std::uint8_t> PictureEmf(int w, int h, std::uint32_t argb = 0xFF3060C0) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h, argb);
    return EmfFromBitmap(w, h, px.data(), 96.0);
}

QMimeData* EmfMime(const std::vector<std::uint8_t>& emf, const char* type = kMimeEmf) {
    auto* d = new QMimeData;
    d->setData(type, QByteArray(reinterpret_cast<const char*>(emf.data()), static_cast<qsizetype>(emf.size())));
    return d;
}

std::vector<std::uint8_t> Bytes(const QByteArray& b) { return {b.begin(), b.end()}; }

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch.emplace("pic_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        folder = scratch->path();
        form = std::make_unique<Form1>(nullptr, &dialogs, false);
        // An arranged program folder without example files: nothing is
        // seeded into it, so the pictures are the graph's alone.
        fs::create_directory(folder / "Examples");
        form->SetProgramFolder(folder);
        form->SetClipboard(&clip);
        form->show();
        form->Form_Load();
        form->Timer2_Timer();
        ASSERT_TRUE(form->HasGraph());
    }
    void TearDown() override {
        form.reset();
        scratch.reset();
    }

    std::vector<std::uint8_t> ClipEmf() const {
        const QMimeData* d = clip.MimeData();
        return d ? Bytes(d->data(kMimeEmf)) : std::vector<std::uint8_t>{};
    }
    void Paste(QMimeData* d) {
        clip.SetMimeData(d);
        form->mnuPaste_Click();
    }
    // Mouse events as Qt delivers them to the formula image.
    void Mouse(QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
        QWidget* w = form->Image1();
        QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    std::optional<ScratchFolder> scratch;
    fs::path folder;
    ScriptedDialogs dialogs;
    FakeClipboard clip;
    std::unique_ptr<Form1> form;
};

TEST_F(PictureTest, CopyPutsTheMetafileUnderBothNamesWithSvgAndPngOfTheSameGraph) {
    form->mnuCopyMF_Click();
    const QMimeData* d = clip.MimeData();
    ASSERT_NE(d, nullptr);
    const auto emf = ClipEmf();
    EXPECT_EQ(emf, ReadAll(folder / "CurPic.emf"));
    EXPECT_EQ(Bytes(d->data(kMimeEmfAlt)), emf);
    std::string error;
    EXPECT_GT(Records(emf, &error).size(), 20u);
    EXPECT_TRUE(error.empty()) << error;

    QSvgRenderer svg(d->data(kMimeSvg));
    ASSERT_TRUE(svg.isValid());
    QImage png;
    ASSERT_TRUE(png.loadFromData(d->data(kMimePng), "PNG"));
    // One picture size in every form: the graph box at the screen's density.
    const QSizeF natural = FormulaNaturalSize(emf);
    EXPECT_NEAR(svg.defaultSize().width() / static_cast<double>(svg.defaultSize().height()),
                natural.width() / natural.height(), 0.01);
    EXPECT_NEAR(png.width() / static_cast<double>(png.height()), natural.width() / natural.height(), 0.01);
    // The title is in the drawing, not only in the window.
    EXPECT_TRUE(d->data(kMimeSvg).contains("15-Deoxygoyazensolide"));
    EXPECT_TRUE(d->hasImage());

    // The hidden bitmap copy: the graph box's own image, after its timer.
    form->mnuCopy_Click();
    EXPECT_EQ(clip.MimeData(), nullptr);
    form->Timer3_Timer();
    ASSERT_NE(clip.MimeData(), nullptr);
    EXPECT_EQ(qvariant_cast<QImage>(clip.MimeData()->imageData()).size(), form->Picture1()->picture().size());
}

TEST_F(PictureTest, BlackAndWhiteCopyIsAllBlackAndTheNextCopyHasColourAgain) {
    form->mnuCopyBW_Click();
    const auto bw = Records(ClipEmf());
    // Black ink; only the background grid keeps greys, so it does not bury
    // the spectrum.
    const std::set<std::uint32_t> pens = PenColours(bw);
    EXPECT_TRUE(pens.count(0));
    for (std::uint32_t c : pens) EXPECT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c)) << std::hex << c;
    EXPECT_EQ(TextColours(bw), std::set<std::uint32_t>{0});
    QImage png;
    ASSERT_TRUE(png.loadFromData(clip.MimeData()->data(kMimePng), "PNG"));
    // The PNG of the black-and-white copy has no red envelope either.
    int red = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) {
            const QColor c = png.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
    EXPECT_EQ(red, 0);

    form->mnuCopyMF_Click();
    const auto colour = Records(ClipEmf());
    EXPECT_TRUE(PenColours(colour).count(Rgb(255, 0, 0)));
    EXPECT_TRUE(TextColours(colour).count(Rgb(255, 0, 0)));
}

TEST_F(PictureTest, CopyIntoAFolderThatRefusesFilesKeepsThePreviousPicture) {
    form->mnuCopyMF_Click();
    const auto before = ReadAll(folder / "CurPic.emf");
    ASSERT_FALSE(before.empty());
    clip.Clear();
    form->mnuCopyBW_Click();  // the next copy would differ
    if (std::system(("chattr +i '" + folder.string() + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "cannot make the folder refuse files here";
    }
    struct Undo {
        fs::path f;
        ~Undo() { (void)std::system(("chattr -i '" + f.string() + "'").c_str()); }
    } undo{folder};
    const auto listing = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
        return names;
    };
    const auto namesBefore = listing();
    const auto clipBefore = ClipEmf();
    dialogs.clear();
    form->mnuCopyMF_Click();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    // The program's text first, then why.
    EXPECT_EQ(dialogs.asked()[0].text.rfind("NECA DE PITIBIRIBA\r\ncannot ", 0), 0u) << dialogs.asked()[0].text;
    EXPECT_NE(ReadAll(folder / "CurPic.emf"), std::vector<std::uint8_t>{});
    EXPECT_EQ(listing(), namesBefore);  // no temporary file left behind
    EXPECT_EQ(ClipEmf(), clipBefore);   // the clipboard keeps what it had
}

TEST_F(PictureTest, PastedPicturesTakeTwoHundredUnitsOnTheLongerSide) {
    const auto tall = PictureEmf(48, 96);  // a frame of 12.7 x 25.4 mm exactly
    Paste(EmfMime(tall));
    FormulaPicture f = form->Formula();
    EXPECT_TRUE(f.FormulaShown);
    EXPECT_FALSE(f.FormulaFromExample);
    EXPECT_DOUBLE_EQ(f.Left, 448);
    EXPECT_DOUBLE_EQ(f.Top, 24);
    EXPECT_NEAR(f.Width, 100, 1e-9);
    EXPECT_NEAR(f.Height, 200, 1e-9);
    EXPECT_EQ(ReadAll(folder / "SvClipMF.emf"), tall);
    EXPECT_TRUE(form->Image1()->PictureVisible());

    Paste(EmfMime(PictureEmf(60, 60), kMimeWindowsEmf));  // 15.88 mm square
    f = form->Formula();
    EXPECT_NEAR(f.Width, 200, 1e-9);
    EXPECT_NEAR(f.Height, 200, 1e-9);

    // A PNG is taken too and kept as a metafile holding the bitmap.
    QImage wide(300, 100, QImage::Format_RGB32);
    wide.fill(Qt::darkGreen);
    auto* d = new QMimeData;
    d->setImageData(wide);
    Paste(d);
    f = form->Formula();
    EXPECT_NEAR(f.Width, 200, 0.5);
    EXPECT_NEAR(f.Height, 66.7, 0.5);
    const auto saved = ReadAll(folder / "SvClipMF.emf");
    EXPECT_EQ(OfType(Records(saved), emr::STRETCHDIBITS).size(), 1u);

    // Nothing usable: the message, and the formula stays as it was.
    dialogs.clear();
    auto* text = new QMimeData;
    text->setText("C6H6");
    Paste(text);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "No Picture!");
    EXPECT_EQ(dialogs.asked()[0].text, "There is no metafile picture in the clipboard!");
    EXPECT_EQ(dialogs.asked()[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(form->Formula().FormulaShown);
    EXPECT_EQ(ReadAll(folder / "SvClipMF.emf"), saved);

    // A damaged metafile is no picture either.
    dialogs.clear();
    auto broken = PictureEmf(10, 10);
    broken.resize(60);
    Paste(EmfMime(broken));
    EXPECT_EQ(dialogs.asked().size(), 1u);
}

TEST_F(PictureTest, DraggingMovesAndTheCornerHandleSizesKeepingTheRatio) {
    Paste(EmfMime(PictureEmf(48, 96)));
    FormulaImage* img = form->Image1();
    const QRectF start = img->UnitRect();

    // Over the middle: the move pointer and its tip.
    const QPoint mid(img->width() / 2, img->height() / 2);
    Mouse(QEvent::MouseMove, mid, Qt::NoButton);
    EXPECT_EQ(img->CurrentPointer(), FormulaImage::Pointer::Move);
    EXPECT_EQ(img->toolTip(), "Left Button to Move");
    EXPECT_TRUE(img->Shape1()->isVisible());
    EXPECT_TRUE(img->Bordered());
    Mouse(QEvent::MouseButtonPress, mid, Qt::LeftButton);
    EXPECT_FALSE(img->PictureVisible());
    EXPECT_TRUE(img->Image2()->isVisible());
    Mouse(QEvent::MouseMove, mid + QPoint(-30, 20), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, mid + QPoint(-30, 20), Qt::NoButton);
    const QRectF moved = img->UnitRect();
    const double ux = form->Picture1()->ScaleWidth() / form->Picture1()->width();
    EXPECT_NEAR(moved.left(), start.left() - 30 * ux, 1e-6);
    EXPECT_NEAR(moved.top(), start.top() + 20 * ux, 0.2);
    EXPECT_EQ(moved.size(), start.size());
    EXPECT_TRUE(img->PictureVisible());
    EXPECT_FALSE(img->Image2()->isVisible());

    // Over the handle: the size pointer. Dragging more in x than in y
    // still keeps the ratio, following the smaller of the two.
    const QPoint corner(img->width() - 2, img->height() - 2);
    Mouse(QEvent::MouseMove, corner, Qt::NoButton);
    EXPECT_EQ(img->CurrentPointer(), FormulaImage::Pointer::Size);
    EXPECT_EQ(img->toolTip(), "Left Button to Size");
    Mouse(QEvent::MouseButtonPress, corner, Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(corner.x() * 2, corner.y() * 3 / 2), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(corner.x() * 2, corner.y() * 3 / 2), Qt::NoButton);
    QRectF sized = img->UnitRect();
    EXPECT_NEAR(sized.height() / moved.height(), 1.5, 0.01);
    EXPECT_NEAR(sized.width() / sized.height(), 0.5, 1e-9);
    EXPECT_EQ(sized.topLeft(), moved.topLeft());
    // And smaller again, the other way round.
    const QPoint c2(img->width() - 2, img->height() - 2);
    Mouse(QEvent::MouseMove, c2, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, c2, Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(c2.x() / 2, c2.y() * 3 / 4), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(c2.x() / 2, c2.y() * 3 / 4), Qt::NoButton);
    EXPECT_NEAR(img->UnitRect().height() / sized.height(), 0.5, 0.02);
    EXPECT_NEAR(img->UnitRect().width() / img->UnitRect().height(), 0.5, 1e-9);

    // Moving over the graph elsewhere drops the handle and the border.
    form->Picture1()->onMouseMove();
    EXPECT_FALSE(img->Shape1()->isVisible());
    EXPECT_FALSE(img->Bordered());

    // The export places the formula where the image now is.
    form->mnuCopyMF_Click();
    const auto recs = Records(ClipEmf());
    ASSERT_EQ(OfType(recs, emr::STRETCHDIBITS).size(), 1u);
}

TEST_F(PictureTest, FormulaIsEmbeddedWithTheStateRestoredAndGoneAfterDelete) {
    Paste(EmfMime(PictureEmf(50, 50)));
    form->mnuCopyMF_Click();
    auto recs = Records(ClipEmf());
    ASSERT_EQ(OfType(recs, emr::SAVEDC).size(), 1u);
    ASSERT_EQ(OfType(recs, emr::RESTOREDC).size(), 1u);
    std::size_t save = 0, restore = 0, blt = 0;
    for (std::size_t i = 0; i < recs.size(); ++i) {
        if (recs[i].type == emr::SAVEDC) save = i;
        if (recs[i].type == emr::RESTOREDC) restore = i;
        if (recs[i].type == emr::STRETCHDIBITS) blt = i;
    }
    EXPECT_LT(save, blt);
    EXPECT_LT(blt, restore);
    EXPECT_EQ(recs[restore].I(8), -1);

    form->mnuDelFormula_Click();
    EXPECT_FALSE(form->Formula().FormulaShown);
    EXPECT_FALSE(form->Image1()->isVisible());
    form->mnuCopyMF_Click();
    recs = Records(ClipEmf());
    EXPECT_TRUE(OfType(recs, emr::SAVEDC).empty());
    EXPECT_TRUE(OfType(recs, emr::STRETCHDIBITS).empty());
}

TEST_F(PictureTest, FormulaBesideASpectrumIsTheFirstLowerCaseEmf) {
    const fs::path spectrumDir = folder / "spectrum";
    fs::create_directories(spectrumDir);
    const auto a = PictureEmf(10, 30), b = PictureEmf(30, 10);
    std::ofstream(spectrumDir / "1r") << "x";
    std::ofstream(spectrumDir / "A.EMF", std::ios::binary).write(reinterpret_cast<const char*>(a.data()), a.size());
    std::ofstream(spectrumDir / "b.emf", std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    std::ofstream(spectrumDir / "c.emf", std::ios::binary).write(reinterpret_cast<const char*>(a.data()), a.size());
    form->VerifFormula(spectrumDir);
    FormulaPicture f = form->Formula();
    EXPECT_TRUE(f.FormulaShown && f.FormulaFromExample);
    EXPECT_EQ(fs::path(f.ExampleFormulaPath).filename(), "b.emf");
    EXPECT_NEAR(f.Width, 200, 1e-9);

    EXPECT_FALSE(IsFormulaFileName("x.EMF"));
    EXPECT_FALSE(IsFormulaFileName("emf"));
    EXPECT_TRUE(IsFormulaFileName(".emf"));  // four characters: compared whole
    EXPECT_TRUE(IsFormulaFileName("a.emf"));

    // Only an upper-case picture: none, and the earlier one is gone.
    fs::remove(spectrumDir / "b.emf");
    fs::remove(spectrumDir / "c.emf");
    form->VerifFormula(spectrumDir);
    EXPECT_FALSE(form->Formula().FormulaShown);
    EXPECT_FALSE(form->Image1()->isVisible());

    // A malformed or missing picture: no formula, both flags cleared.
    std::ofstream(spectrumDir / "bad.emf") << "not a metafile";
    form->VerifFormula(spectrumDir);
    EXPECT_FALSE(form->Formula().FormulaShown);
    EXPECT_FALSE(form->Formula().FormulaFromExample);
    form->ExamplePictureAdd((folder / "missing.emf").string());
    EXPECT_FALSE(form->Formula().FormulaShown);
}

TEST_F(PictureTest, ExportPictureWritesTheFourFormsWithTheFormula) {
    Paste(EmfMime(PictureEmf(40, 40, 0xFF00C000)));
    const GraphPicture g = form->CurrentGraphPicture();
    auto exportTo = [&](const std::string& name, std::optional<std::string> dpi = std::nullopt) {
        dialogs.QueueFile((folder / name).string());
        if (dpi) dialogs.QueueInput(dpi);
        form->mnuExportPicture_Click();
        return ReadAll(folder / name);
    };
    const auto emf = exportTo("g.emf");
    EmfHeaderInfo h;
    ASSERT_TRUE(ParseEmfHeader(emf.data(), emf.size(), &h, nullptr));
    EXPECT_EQ(OfType(Records(emf), emr::STRETCHDIBITS).size(), 1u);

    const auto svg = exportTo("g.svg");
    QSvgRenderer r(QByteArray(reinterpret_cast<const char*>(svg.data()), static_cast<qsizetype>(svg.size())));
    EXPECT_TRUE(r.isValid());

    const auto pdf = exportTo("g.pdf");
    ASSERT_GT(pdf.size(), 100u);
    EXPECT_EQ(std::string(pdf.begin(), pdf.begin() + 5), "%PDF-");

    for (int dpi : {96, 300}) {
        const auto png = exportTo("g" + std::to_string(dpi) + ".png", std::to_string(dpi));
        QImage img;
        ASSERT_TRUE(img.loadFromData(png.data(), static_cast<int>(png.size()), "PNG"));
        EXPECT_EQ(img.size(), GraphPixelSize(g, dpi));
        EXPECT_NEAR(img.dotsPerMeterX() * 0.0254, dpi, 0.5);
        // The green formula is in the picture, at its place.
        const QRectF fr = form->Image1()->UnitRect();
        const double k = img.width() / g.scaleWidth;
        const QColor c = img.pixelColor(static_cast<int>(fr.center().x() * k), static_cast<int>(fr.center().y() * k));
        EXPECT_EQ(c, QColor(0, 192, 0)) << dpi;
    }
    EXPECT_EQ(GraphPixelSize(g, 300).width(), static_cast<int>(std::lround(g.scaleWidth / g.screen.LOGPIXELSX * 300)));

    // A refused resolution and an unknown extension write nothing.
    dialogs.clear();
    exportTo("bad.png", "5");
    EXPECT_FALSE(fs::exists(folder / "bad.png"));
    exportTo("g.bmp");
    EXPECT_FALSE(fs::exists(folder / "g.bmp"));
    // Two file choosers, the resolution question and two warnings.
    EXPECT_EQ(dialogs.asked().size(), 5u);
}

TEST_F(PictureTest, EveryExampleShowsItsOwnPicture) {
    // A program folder with the generated files, arranged at load.
    form.reset();
    fs::remove(folder / "Examples");
    ASSERT_TRUE(examplegen::WriteExampleFiles(folder).ok);
    form = std::make_unique<Form1>(nullptr, &dialogs, false);
    form->SetProgramFolder(folder);
    form->SetClipboard(&clip);
    form->show();
    form->Form_Load();
    ASSERT_TRUE(fs::exists(folder / "Examples"));
    // The start-up example already has its formula.
    EXPECT_TRUE(form->Formula().FormulaShown);
    for (const ExampleSet& ex : ExampleSets()) {
        form->mnuDelFormula_Click();
        form->LoadExample(ex);
        const FormulaPicture f = form->Formula();
        EXPECT_TRUE(f.FormulaShown && f.FormulaFromExample) << ex.caption;
        EXPECT_EQ(fs::path(f.ExampleFormulaPath), folder / ex.picturePath) << ex.caption;
        const std::string file = fs::path(f.ExampleFormulaPath).filename().string();
        if (ex.caption.starts_with("Example 1")) {
            EXPECT_EQ(file, "Ex1.emf") << ex.caption;
        }
        EXPECT_NEAR(std::max(f.Width, f.Height), 200, 1e-9);
    }
    // A missing picture: the example loads, without a formula.
    fs::remove(folder / ExampleSets().back().picturePath);
    form->LoadExample(ExampleSets().back());
    EXPECT_FALSE(form->Formula().FormulaShown);
    EXPECT_FALSE(form->Formula().FormulaFromExample);
}

TEST_F(PictureTest, EditMenuOffersWhatCanBeDone) {
    form->mnuEdit_Show();
    EXPECT_TRUE(form->Action("mnuCopyMF")->isEnabled());
    EXPECT_FALSE(form->Action("mnuPaste")->isEnabled());
    EXPECT_FALSE(form->Action("mnuDelFormula")->isEnabled());
    EXPECT_FALSE(form->Action("mnuCopy")->isVisible());
    clip.SetMimeData(EmfMime(PictureEmf(5, 5)));
    form->mnuEdit_Show();
    EXPECT_TRUE(form->Action("mnuPaste")->isEnabled());
    form->mnuPaste_Click();
    form->mnuEdit_Show();
    EXPECT_TRUE(form->Action("mnuDelFormula")->isEnabled());
}

}  // namespace
}  // namespace quble::test
