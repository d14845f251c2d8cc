// The experimental window's pictures: the copy (CurPic2.emf with SVG and
// PNG on the clipboard), the formula picture (pasted, moved, sized,
// deleted, found beside an opened spectrum), and "Export Picture...".
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QSvgRenderer>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include "../core/emf_test_util.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/experimental_picture.h"
#include "form100_fixture.h"
#include "platform/clipboard.h"
#include "platform/emf_bitmap.h"
#include "platform/formula_image.h"
#include "render/wind_draw.h"

namespace quble::test {
namespace {

std::vector<std::uint8_t> PictureEmf(int w, int h) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h, 0xFF2050A0);
    return EmfFromBitmap(w, h, px.data(), 96.0);
}

QMimeData* EmfMime(const std::vector<std::uint8_t>& emf) {
    auto* d = new QMimeData;
    d->setData(kMimeEmf, QByteArray(reinterpret_cast<const char*>(emf.data()), static_cast<qsizetype>(emf.size())));
    return d;
}

std::vector<std::uint8_t> Bytes(const QByteArray& b) { return {b.begin(), b.end()}; }

// The picture's natural size comes from its frame in 0.01 mm, so a ratio
// of pixels is kept to a few hundredths.
void ExpectRect(const QRectF& got, const QRectF& want) {
    EXPECT_NEAR(got.left(), want.left(), 0.25);
    EXPECT_NEAR(got.top(), want.top(), 0.25);
    EXPECT_NEAR(got.width(), want.width(), 0.25);
    EXPECT_NEAR(got.height(), want.height(), 0.25);
}

// A formula picture is played in between a saved and a restored state; the
// graph itself saves none.
std::size_t EmbeddedPictures(const std::vector<std::uint8_t>& emf) {
    return OfType(Records(emf), emr::SAVEDC).size();
}

class Form100PictureTest : public Form100Test {
protected:
    void SetUp() override {
        Form100Test::SetUp();
        form->SetClipboard(&clip);
    }
    void Paste(QMimeData* d) {
        clip.SetMimeData(d);
        form->mnuPaste_Click();
    }
    std::vector<std::uint8_t> ClipEmf() const {
        const QMimeData* d = clip.MimeData();
        return d ? Bytes(d->data(kMimeEmf)) : std::vector<std::uint8_t>{};
    }
    fs::path CurPic2() const { return folder / kCurPic2File; }
    void Mouse(QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
        QWidget* w = form->Image4();
        QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    void OpenStrychnine() {
        Open(Strychnine());
        // More points than one office polyline may hold.
        ASSERT_GT(form->spectrum().NPont, 65535);
    }

    FakeClipboard clip;
};

TEST_F(Form100PictureTest, CopyPutsCurPic2OnTheClipboardWithSvgAndPng) {
    OpenStrychnine();
    form->mnuCopy_Click();
    const QMimeData* d = clip.MimeData();
    ASSERT_NE(d, nullptr);
    const auto emf = ClipEmf();
    ASSERT_FALSE(emf.empty());
    EXPECT_EQ(Bytes(d->data(kMimeEmfAlt)), emf);
    EXPECT_EQ(ReadAll(CurPic2()), emf);  // the clipboard's metafile is the file
    QSvgRenderer svg(d->data(kMimeSvg));
    EXPECT_TRUE(svg.isValid());
    const QImage png = QImage::fromData(d->data(kMimePng), "PNG");
    ASSERT_FALSE(png.isNull());

    // One picture in every form: the frame's size at the screen's dpi.
    const ExpFrameLayout f = form->FrameLayout();
    const ScreenMetrics s = form->Screen();
    EXPECT_EQ(f.graphWidth, 720);
    EXPECT_EQ(f.FrameHeight(), std::round(f.titleHeight + f.graphHeight + f.legendHeight));
    EXPECT_NEAR(png.width(), 2.0 * f.PictureWidth(), 1.0);
    EXPECT_NEAR(svg.defaultSize().width() / static_cast<double>(svg.defaultSize().height()), f.PictureWidth() / f.PictureHeight(), 0.01);

    EmfHeaderInfo h;
    ASSERT_TRUE(ParseEmfHeader(emf.data(), emf.size(), &h, nullptr));
    EXPECT_EQ(h.frame.left, 0);
    EXPECT_EQ(h.frame.top, 0);
    EXPECT_EQ(h.frame.right, std::lround(f.PictureWidth() / s.LOGPIXELSX * 2540));
    EXPECT_EQ(h.frame.bottom, std::lround(f.PictureHeight() / s.LOGPIXELSY * 2540));
    const auto recs = Records(emf);
    ASSERT_EQ(OfType(recs, emr::SETMAPMODE).size(), 1u);
    EXPECT_EQ(OfType(recs, emr::SETMAPMODE)[0].U(8), 8u);
    EXPECT_EQ(OfType(recs, emr::SETWINDOWEXTEX)[0].I(8), std::lround(f.PictureWidth()));
    EXPECT_EQ(OfType(recs, emr::SETWINDOWEXTEX)[0].I(12), std::lround(f.PictureHeight()));

    // The reference and the title are written into the frame.
    const std::set<std::string> texts = Texts(recs);
    EXPECT_TRUE(texts.count(form->spectrum().ReferenceCaption));
    EXPECT_TRUE(texts.count("(ppm)"));
    // Every piece of the 64k-point line stays within what office readers take.
    for (const Rec& r : OfType(recs, emr::POLYLINE16)) EXPECT_LE(r.U(24), 65535u);
}

TEST_F(Form100PictureTest, EachCopyDrawsTheViewAsItIsNow) {
    OpenStrychnine();
    form->mnuCopy_Click();
    const auto first = ReadAll(CurPic2());
    form->Command10_Click();  // stretch: a different picture
    form->mnuCopy_Click();
    EXPECT_NE(ReadAll(CurPic2()), first);
    EXPECT_EQ(ReadAll(CurPic2()), ClipEmf());
}

TEST_F(Form100PictureTest, CopyThatCannotBeWrittenKeepsTheOldFileAndLeavesNoTemporary) {
    OpenStrychnine();
    form->mnuCopy_Click();
    const auto before = ReadAll(CurPic2());
    ASSERT_FALSE(before.empty());
    dialogs.clear();
    form->Command10_Click();
    // The disk refuses everything beyond 1000 bytes; root passes any
    // permission check, not this one.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    form->mnuCopy_Click();
    setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_NE(LastMessage(), nullptr);
    // The program's text, then why, so the user can act on it.
    EXPECT_EQ(LastMessage()->text, MetafileFailedText("cannot write " + CurPic2().string() + ": File too large"));
    EXPECT_EQ(ReadAll(CurPic2()), before);
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(folder)) files += e.is_regular_file();
    EXPECT_EQ(files, 1u) << "a temporary file was left";
}

TEST_F(Form100PictureTest, PasteShowsTheLongerSide200At100And40AndKeepsTheFile) {
    OpenStrychnine();
    Paste(EmfMime(PictureEmf(50, 100)));
    ExpectRect(form->Image4()->UnitRect(), QRectF(100, 40, 100, 200));
    EXPECT_TRUE(form->Image4()->PictureVisible());
    EXPECT_TRUE(form->ExpFormulaShown());
    EXPECT_FALSE(form->ExpFormulaFromExample());
    EXPECT_EQ(ReadAll(folder / kSvClipMFSFFile), PictureEmf(50, 100));
    Paste(EmfMime(PictureEmf(64, 64)));
    ExpectRect(form->Image4()->UnitRect(), QRectF(100, 40, 200, 200));

    // The copy embeds it over the graph, moved below the title strip.
    form->mnuCopy_Click();
    const auto recs = Records(ClipEmf());
    ASSERT_EQ(OfType(recs, emr::STRETCHDIBITS).size(), 1u);
    EXPECT_EQ(EmbeddedPictures(ClipEmf()), 1u);
    EXPECT_TRUE(form->Action("mnuDelFormula")->isEnabled());

    // An SVG is kept as a metafile too.
    auto* d = new QMimeData;
    d->setData(kMimeSvg, "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='20'>"
                         "<rect width='40' height='20' fill='red'/></svg>");
    Paste(d);
    ExpectRect(form->Image4()->UnitRect(), QRectF(100, 40, 200, 100));
    std::vector<std::uint8_t> kept;
    EXPECT_TRUE(ReadFormulaFile(folder / kSvClipMFSFFile, &kept, nullptr));
}

TEST_F(Form100PictureTest, PasteWithoutAPictureSaysSoAndKeepsTheFormula) {
    OpenStrychnine();
    Paste(EmfMime(PictureEmf(30, 60)));
    const QRectF shown = form->Image4()->UnitRect();
    dialogs.clear();
    auto* text = new QMimeData;
    text->setText("CH3CH2OH");
    Paste(text);
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "No Picture!");
    EXPECT_EQ(LastMessage()->text, "There is no metafile picture in the clipboard!");
    EXPECT_EQ(LastMessage()->icon, MsgIcon::Critical);
    clip.Clear();
    form->mnuPaste_Click();
    EXPECT_EQ(Messages(), 2);
    EXPECT_TRUE(form->ExpFormulaShown());
    EXPECT_EQ(form->Image4()->UnitRect(), shown);
    EXPECT_EQ(ReadAll(folder / kSvClipMFSFFile), PictureEmf(30, 60));
}

TEST_F(Form100PictureTest, EditMenuEnablesPasteForAPictureAndTellsTheFrame) {
    OpenStrychnine();
    std::vector<bool> frameSaw;
    Form100::FrameLink link;
    link.enableFramePaste = [&](bool on) { frameSaw.push_back(on); };
    form->SetFrameLink(link);
    clip.Clear();
    form->mnuEdit_Show();
    EXPECT_FALSE(form->Action("mnuPaste")->isEnabled());
    EXPECT_FALSE(form->Action("mnuDelFormula")->isEnabled());
    clip.SetMimeData(EmfMime(PictureEmf(10, 10)));
    form->mnuEdit_Show();
    EXPECT_TRUE(form->Action("mnuPaste")->isEnabled());
    EXPECT_EQ(frameSaw, (std::vector<bool>{false, true}));
    form->mnuPaste_Click();
    form->mnuEdit_Show();
    EXPECT_TRUE(form->Action("mnuDelFormula")->isEnabled());
    EXPECT_TRUE(form->Action("mnuCopy")->isEnabled());
}

TEST_F(Form100PictureTest, CornerHandleSizesKeepingTheRatioAndTheCopyFollows) {
    OpenStrychnine();
    Paste(EmfMime(PictureEmf(40, 80)));
    auto* img = form->Image4();
    const QPoint mid(img->width() / 2, img->height() / 2);
    Mouse(QEvent::MouseMove, mid, Qt::NoButton);
    EXPECT_EQ(img->toolTip(), kMoveTip);
    Mouse(QEvent::MouseButtonPress, mid, Qt::LeftButton);
    Mouse(QEvent::MouseMove, mid + QPoint(50, 10), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, mid + QPoint(50, 10), Qt::NoButton);
    ExpectRect(img->UnitRect(), QRectF(150, 50, 100, 200));
    const double ratio = img->UnitRect().width() / img->UnitRect().height();

    const QPoint corner(img->width() - 2, img->height() - 2);
    Mouse(QEvent::MouseMove, corner, Qt::NoButton);
    EXPECT_EQ(img->CurrentPointer(), FormulaImage::Pointer::Size);
    EXPECT_EQ(img->toolTip(), kSizeTip);
    Mouse(QEvent::MouseButtonPress, corner, Qt::LeftButton);
    Mouse(QEvent::MouseMove, QPoint(corner.x() * 3 / 4, corner.y() * 2), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(corner.x() * 3 / 4, corner.y() * 2), Qt::NoButton);
    const QRectF sized = img->UnitRect();
    EXPECT_NEAR(sized.width() / sized.height(), ratio, 1e-9);
    EXPECT_NEAR(sized.height(), 150, 2);
    EXPECT_EQ(sized.topLeft(), QPointF(150, 50));
    form->Picture1_MouseMove(0, 0, 5, 5);
    EXPECT_FALSE(img->Shape1()->isVisible());

    // The copy plays the formula at the moved and sized place.
    const ExpFormula f = form->Formula();
    EXPECT_EQ(f.Left, 150);
    EXPECT_NEAR(f.Height, sized.height(), 1e-9);
}

TEST_F(Form100PictureTest, DeletedFormulaIsInNoExport) {
    OpenStrychnine();
    Paste(EmfMime(PictureEmf(20, 20)));
    form->mnuCopy_Click();
    EXPECT_EQ(EmbeddedPictures(ClipEmf()), 1u);
    form->mnuDelFormula_Click();
    EXPECT_FALSE(form->ExpFormulaShown());
    EXPECT_FALSE(form->Image4()->isVisible());
    form->mnuCopy_Click();
    EXPECT_EQ(EmbeddedPictures(ClipEmf()), 0u);
    const fs::path out = folder / "after.emf";
    dialogs.QueueFile(out.string());
    form->mnuExportPicture_Click();
    EXPECT_EQ(EmbeddedPictures(ReadAll(out)), 0u);
}

TEST_F(Form100PictureTest, ExportWritesTheFourFormsOfTheSamePicture) {
    OpenStrychnine();
    Paste(EmfMime(PictureEmf(20, 40)));
    const ExpFrameLayout f = form->FrameLayout();
    for (const char* name : {"g.emf", "g.svg", "g.pdf", "g.png"}) {
        dialogs.QueueFile((folder / name).string());
        if (std::string(name) == "g.png") dialogs.QueueInput("150");
        form->mnuExportPicture_Click();
        ASSERT_TRUE(fs::exists(folder / name)) << name;
    }
    const auto emf = ReadAll(folder / "g.emf");
    std::string error;
    Records(emf, &error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(EmbeddedPictures(emf), 1u);
    EXPECT_TRUE(QSvgRenderer(QString::fromStdString((folder / "g.svg").string())).isValid());
    QFile pdf(QString::fromStdString((folder / "g.pdf").string()));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    const QImage png(QString::fromStdString((folder / "g.png").string()));
    EXPECT_EQ(png.width(), std::lround(f.PictureWidth() / form->Screen().LOGPIXELSX * 150));
    EXPECT_EQ(Messages(), 0);

    // A name of another kind is refused and nothing is written.
    dialogs.QueueFile((folder / "g.bmp").string());
    form->mnuExportPicture_Click();
    EXPECT_EQ(Messages(), 1);
    EXPECT_FALSE(fs::exists(folder / "g.bmp"));
}

// --- the formula beside an opened spectrum ------------------------------

class VerifFormulaTest : public Form100PictureTest {
protected:
    // A small spectrum whose pdata folder holds the given files.
    void OpenWith(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& files) {
        Synthetic s;
        s.y = {0, 5, 100, 5, 0, 0, 3, 0, 1, 0};
        const std::string oneR = WriteSpectrum(folder, "v", s);
        for (const auto& [name, bytes] : files) {
            std::ofstream(fs::path(oneR).parent_path() / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        Open(oneR);
        ASSERT_EQ(form->spectrum().NPont, 10);
    }
};

TEST_F(VerifFormulaTest, FirstLowerCaseEmfInNameOrderOnly) {
    OpenWith({{"b.emf", PictureEmf(10, 30)}, {"a.emf", PictureEmf(30, 10)}, {"A.EMF", PictureEmf(5, 5)}});
    EXPECT_TRUE(form->ExpFormulaShown());
    EXPECT_TRUE(form->ExpFormulaFromExample());
    EXPECT_EQ(fs::path(form->ExpExampleFormulaPath()).filename(), "a.emf");
    ExpectRect(form->Image4()->UnitRect(), QRectF(100, 40, 200, 200.0 / 3));
}

TEST_F(VerifFormulaTest, UpperCaseEmfGivesNoFormulaAndRemovesTheOldOne) {
    OpenStrychnine();
    Paste(EmfMime(PictureEmf(10, 10)));
    OpenWith({{"X.EMF", PictureEmf(10, 10)}});
    EXPECT_FALSE(form->ExpFormulaShown());
    EXPECT_FALSE(form->Image4()->isVisible());
}

TEST_F(VerifFormulaTest, MalformedFirstFileGivesNoFormulaWithoutAMessage) {
    std::vector<std::uint8_t> junk(200, 0x41);
    auto truncated = PictureEmf(20, 20);
    truncated.resize(truncated.size() / 2);
    OpenWith({{"a.emf", junk}, {"b.emf", PictureEmf(20, 20)}});
    EXPECT_FALSE(form->ExpFormulaShown());
    EXPECT_EQ(Messages(), 0);
    OpenWith({{"a.emf", truncated}});
    EXPECT_FALSE(form->ExpFormulaShown());
    form->mnuCopy_Click();
    EXPECT_EQ(EmbeddedPictures(ClipEmf()), 0u);
}

// --- the examples -------------------------------------------------------

TEST(Form100ExamplePicture, LoadShowsEx1AndOpeningAnotherExampleShowsItsPicture) {
    QTemporaryDir temp;
    const fs::path folder = temp.path().toStdString();
    ASSERT_TRUE(examplegen::WriteExampleFiles(folder).ok);
    ASSERT_TRUE(ArrangeOnFirstRun(folder).has_value());
    ScriptedDialogs dialogs;
    FakeClipboard clip;
    Form100 form(nullptr, &dialogs, folder);
    form.SetClipboard(&clip);
    EXPECT_TRUE(form.ExpFormulaShown());
    EXPECT_TRUE(form.ExpFormulaFromExample());
    EXPECT_EQ(fs::path(form.ExpExampleFormulaPath()).filename(), "Ex1.emf");
    const QRectF r = form.Image4()->UnitRect();
    EXPECT_EQ(r.topLeft(), QPointF(100, 40));
    EXPECT_DOUBLE_EQ(std::max(r.width(), r.height()), 200);

    const fs::path ex3 = folder / "Examples" / "3_Alcohol RVALE-009 (Example 3)";
    dialogs.QueueFile((ex3 / "1r").string());
    form.OpenFull();
    EXPECT_EQ(fs::path(form.ExpExampleFormulaPath()), ex3 / "Ex3.emf");
    EXPECT_TRUE(form.ExpFormulaShown());
    form.mnuCopy_Click();
    EXPECT_EQ(EmbeddedPictures(ReadAll(folder / kCurPic2File)), 1u);
}

}  // namespace
}  // namespace quble::test
