// The experimental window: opening real and written spectra, the refusals
// that keep the previous spectrum, the view commands, titles and byte order.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "tests/gui/form100_fixture.h"

namespace quble::test {
namespace {

constexpr ColorRef kFace = 0x8000000F;
constexpr ColorRef kYellow = 65535;

TEST_F(Form100Test, StartsEmptyWithoutExamplesAndWithTheFirstExampleWhenPresent) {
    EXPECT_EQ(form->windowTitle(), "Experimental Spectrum");
    EXPECT_EQ(form->spectrum().NPont, 0);
    EXPECT_EQ(Messages(), 0);
    EXPECT_EQ(form->ByteOrderLabelColor(true), kYellow);
    EXPECT_EQ(form->spectrum().NPointsSearch, 240);

    // A program folder with the first example in place opens it at load.
    const fs::path ex = folder / "Examples" / "1a_15-Deoxygoyazensolide (Example 1a)";
    fs::create_directories(ex);
    const fs::path src = fs::path(Gaba1H()).parent_path();
    fs::copy_file(src / "1r", ex / "1r");
    fs::copy_file(src / "procs", ex / "procs");
    fs::copy_file(src.parent_path().parent_path() / "acqus", ex / "acqus");
    Form100 loaded(nullptr, &dialogs, folder);
    EXPECT_EQ(loaded.spectrum().NPont, 32768);
    EXPECT_EQ(loaded.findChild<QLabel*>("Label10")->text(), "1a_15-Deoxygoyazensolide (Example 1a)");
    EXPECT_EQ(loaded.findChild<QLabel*>("Label5")->text(), "Reference: None");
    EXPECT_EQ(Messages(), 0);
    // The open dialog starts from that example.
    dialogs.QueueFile(std::nullopt);
    loaded.OpenFull();
    EXPECT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Kind::OpenFile);
    EXPECT_EQ(dialogs.asked().back().defaultText, (ex / "1r").generic_string());
}

TEST_F(Form100Test, OpensEachRealProtonSet) {
    struct Case {
        std::string path, title;
        std::int32_t points;
        bool big;
    };
    const std::vector<Case> cases{{Strychnine(), "10", 131072, false},
                                  {Gaba1H(), "1H", 32768, false},
                                  {Complat(), "complat-1h-cdcl3", 65536, false},
                                  {Comet(), "10", 32768, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        // Zoom in first: an opening always returns to the full view.
        if (form->spectrum().NPont > 0) form->Command12_Click();
        Open(c.path);
        const BrukerSpectrum& s = form->spectrum();
        EXPECT_EQ(s.NPont, c.points);
        EXPECT_EQ(s.BigEndian, c.big);
        EXPECT_EQ(Text("Label10"), QString::fromStdString(c.title));
        EXPECT_EQ(Text("Label3"), QString("File Size: %1 Bytes").arg(4 * c.points));
        EXPECT_EQ(form->ByteOrderLabelColor(true), c.big ? kYellow : kFace);
        EXPECT_EQ(form->ByteOrderLabelColor(false), c.big ? kFace : kYellow);
        EXPECT_EQ(form->view().FirstShown, 1);
        EXPECT_EQ(form->view().LastShown, c.points);
        EXPECT_FALSE(Scroll()->isVisible());
        EXPECT_FALSE(Button("Command13")->isEnabled());
        EXPECT_EQ(Messages(), 0);
    }
    // The picture holds the drawn spectrum: dark pixels and the blue axis.
    const QImage& img = form->Picture1()->picture();
    const int axisRow = static_cast<int>(form->view().YOffset + 8);
    EXPECT_EQ(img.pixelColor(300, axisRow), QColor(0, 0, 255));
}

TEST_F(Form100Test, CarbonAndMissingAcqusAreRefusedAndThePreviousSpectrumStays) {
    Open(Strychnine());
    const BrukerSpectrum before = form->spectrum();
    // The intensities are compared by value, whatever storage they share.
    const std::vector<std::int32_t> beforeY = before.Ygraf.ToVector();
    const int redraws = form->Redraws();

    Open(Gaba13C());
    ASSERT_NE(LastMessage(), nullptr);
    EXPECT_EQ(LastMessage()->title, "Only 1H NMR files!");
    EXPECT_EQ(LastMessage()->text, "This program can only open 1H NMR\r\nspectra; the selected file cannot be\r\nopened. Sorry.");
    EXPECT_EQ(LastMessage()->icon, MsgIcon::Critical);
    EXPECT_TRUE(form->spectrum().OpenCancelled);
    EXPECT_EQ(form->spectrum().NPont, before.NPont);
    EXPECT_EQ(form->spectrum().XnmrHz, before.XnmrHz);
    EXPECT_EQ(form->spectrum().Nucleus, before.Nucleus);
    EXPECT_EQ(Text("Label10"), "10");
    EXPECT_EQ(form->Redraws(), redraws);

    // A big-endian procs with no acqus anywhere: the byte order stays little.
    Synthetic s;
    s.y.assign(64, 7);
    s.bigEndian = true;
    s.acqus = false;
    Open(WriteSpectrum(folder, "noacqus", s));
    EXPECT_EQ(LastMessage()->title, "Error!");
    EXPECT_EQ(LastMessage()->text, "Cannot open, unable to find file acqus!");
    EXPECT_FALSE(form->spectrum().BigEndian);
    EXPECT_EQ(form->ByteOrderLabelColor(false), kYellow);
    EXPECT_EQ(form->spectrum().SFO1, before.SFO1);
    EXPECT_EQ(form->spectrum().Ygraf, beforeY);

    // An empty 1r cannot be a spectrum: told, and nothing changes.
    Synthetic empty;
    const std::string emptyPath = WriteSpectrum(folder, "empty", empty);
    Open(emptyPath);
    EXPECT_EQ(LastMessage()->icon, MsgIcon::Critical);
    EXPECT_EQ(form->spectrum().NPont, before.NPont);
}

TEST_F(Form100Test, FileTypeUnsupportedAsksAgainUntilTheUserGivesUp) {
    const std::string procs = (fs::path(Gaba1H()).parent_path() / "procs").generic_string();
    dialogs.QueueFile(procs);
    dialogs.QueueMessageAnswer(MsgAnswer::Yes);
    dialogs.QueueFile(Gaba1H());
    form->OpenFull();
    ASSERT_EQ(dialogs.asked().size(), 3u);
    EXPECT_EQ(dialogs.asked()[1].title, "File type unsupported");
    EXPECT_EQ(dialogs.asked()[1].buttons, MsgButtons::YesNo);
    EXPECT_NE(dialogs.asked()[1].text.find("named '1r'"), std::string::npos);
    EXPECT_EQ(form->spectrum().NPont, 32768);
    EXPECT_FALSE(form->spectrum().OpenCancelled);
    // The second dialog starts at the file chosen before.
    EXPECT_EQ(dialogs.asked()[2].defaultText, procs);

    dialogs.clear();
    dialogs.QueueFile((fs::path(Gaba1H()).parent_path() / "1R").generic_string());
    dialogs.QueueMessageAnswer(MsgAnswer::No);
    form->OpenFull();
    EXPECT_EQ(dialogs.asked().size(), 2u);
    EXPECT_TRUE(form->spectrum().OpenCancelled);
    EXPECT_EQ(form->spectrum().NPont, 32768);

    // Cancelling the dialog ends everything without a word.
    dialogs.clear();
    form->OpenFull();
    EXPECT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(form->spectrum().NPont, 32768);
}

// The view commands' rules live in the session's tests; here real mouse and
// button events must reach them and the widgets must show what they return.
TEST_F(Form100Test, RealEventsDragExpandScrollStepAndReturnToFullView) {
    Synthetic s;
    s.y.resize(262144);
    for (std::size_t i = 0; i < s.y.size(); ++i) s.y[i] = static_cast<std::int32_t>((i * 7919) % 5000);
    Open(WriteSpectrum(folder, "big", s));
    ASSERT_EQ(form->spectrum().NPont, 262144);
    QWidget* graph = form->Picture1();
    QWidget* band = W<QWidget>("Image1");

    QTest::mousePress(graph, Qt::LeftButton, {}, QPoint(100, 50));
    QMouseEvent drag(QEvent::MouseMove, QPointF(300, 50), graph->mapToGlobal(QPointF(300, 50)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(graph, &drag);
    EXPECT_TRUE(band->isVisible());
    EXPECT_EQ(band->geometry(), QRect(100, 0, 200, graph->height()));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, QPoint(300, 50));
    EXPECT_TRUE(Button("Command4")->isVisible());

    // A right press on the band expands it.
    QTest::mousePress(band, Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_FALSE(band->isVisible());
    EXPECT_FALSE(Button("Command4")->isVisible());
    EXPECT_TRUE(graph->toolTip().isEmpty());
    EXPECT_TRUE(Scroll()->isVisible());
    EXPECT_TRUE(Button("Command13")->isEnabled());
    EXPECT_EQ(Scroll()->maximum(), 262144 - 1 - form->view().ShownWidth());
    EXPECT_EQ(Scroll()->value(), form->view().FirstShown - 1);

    // Dragging the bar to its end shows the last point, far beyond 16 bits.
    const int redraws = form->Redraws();
    Scroll()->setValue(Scroll()->maximum());
    EXPECT_EQ(form->view().LastShown, 262144);
    EXPECT_GT(form->Redraws(), redraws);

    // A Shift-click on "<<" moves 50 points and the bar follows.
    const std::int64_t first = form->view().FirstShown;
    QTest::mouseClick(Button("Command9_0"), Qt::LeftButton, Qt::ShiftModifier);
    QTest::keyRelease(form.get(), Qt::Key_Shift);
    EXPECT_EQ(form->view().FirstShown, first - 50);
    EXPECT_EQ(Scroll()->value(), first - 51);

    QTest::mouseClick(Button("Command3"), Qt::LeftButton);
    EXPECT_EQ(form->view().FirstShown, 1);
    EXPECT_FALSE(Scroll()->isVisible());
    EXPECT_FALSE(Button("Command13")->isEnabled());
}

TEST_F(Form100Test, StylesTitleByteOrderAndFlatData) {
    Open(Gaba1H());
    form->Command14_Click();
    EXPECT_EQ(form->style(), ExpDrawStyle::BigPoints);
    EXPECT_TRUE(form->Action("mnuBigPoints")->isChecked());
    EXPECT_FALSE(form->Action("mnuLine")->isChecked());
    form->Action("mnuMediumPoints")->trigger();
    EXPECT_EQ(form->style(), ExpDrawStyle::MediumPoints);
    EXPECT_FALSE(form->Action("mnuBigPoints")->isChecked());

    dialogs.QueueInput("GABA in D2O");
    form->Label10_DblClick();
    EXPECT_EQ(Text("Label10"), "GABA in D2O");
    EXPECT_EQ(dialogs.asked().back().title, "Spectrum Title");
    EXPECT_EQ(dialogs.asked().back().text, "Enter the title for this spectrum");
    EXPECT_EQ(dialogs.asked().back().defaultText, "1H");
    dialogs.QueueInput("");
    form->Label10_DblClick();
    form->Label10_DblClick();  // cancelled
    EXPECT_EQ(Text("Label10"), "GABA in D2O");

    // Forcing big endian on data read little endian: all zero, drawn flat.
    form->Label2_Click();
    EXPECT_EQ(form->ByteOrderLabelColor(true), kYellow);
    EXPECT_EQ(form->ByteOrderLabelColor(false), kFace);
    EXPECT_TRUE(form->spectrum().BigEndian);
    for (std::int32_t i = 1; i <= form->spectrum().NPont; i += 997) ASSERT_EQ(form->spectrum().Ygraf[i], 0);
    form->Label1_Click();
    EXPECT_NE(form->spectrum().YMax, 0);

    // An all-zero file: a flat line, no division by zero.
    Synthetic zero;
    zero.y.assign(1024, 0);
    Open(WriteSpectrum(folder, "zero", zero));
    EXPECT_EQ(form->view().YMultFull, 0.0);
    form->Command1_Click();
    form->Picture1_MouseMove(0, 0, 360, 100);
    const QImage& img = form->Picture1()->picture();
    EXPECT_LT(qGray(img.pixel(360, static_cast<int>(form->view().YOffset))), 64);
    EXPECT_EQ(img.pixelColor(360, static_cast<int>(form->view().YOffset) - 20), QColor(255, 255, 255));
}

TEST_F(Form100Test, CentreOnCrestKeepsTheWidthAndStaysInsideTheData) {
    Synthetic s;
    s.y.resize(2000);
    for (std::size_t i = 0; i < s.y.size(); ++i) s.y[i] = (i % 40 == 20) ? 900 : static_cast<std::int32_t>(i % 3);
    Open(WriteSpectrum(folder, "crest", s));
    form->Picture1_MouseDown(1, 0, 360, 10);
    form->Picture1_MouseUp(1, 0, 540, 10);
    form->Command4_Click();
    const std::int64_t w = form->view().ShownWidth();
    form->mnuCrestThroughCenter_Click();
    EXPECT_TRUE(form->Action("mnuCrestThroughCenter")->isChecked());
    // Point 1001 (0-based 1000, i % 40 == 0) is plain; 1021 is a crest.
    std::int64_t crest = 0;
    for (std::int64_t i = form->view().FirstShown + 1; i < form->view().LastShown; ++i) {
        if (form->spectrum().Ygraf[i] == 900) {
            crest = i;
            break;
        }
    }
    ASSERT_GT(crest, 0);
    form->Picture1_MouseMove(0, 0, XOf(crest), 10);
    EXPECT_TRUE(form->CrossPointer());
    EXPECT_EQ(form->CursorLineColor(), kYellow);
    form->Picture1_MouseDown(2, 0, XOf(crest), 10);
    EXPECT_EQ(form->view().ShownWidth(), w);
    EXPECT_EQ(form->view().FirstShown + w / 2, crest);
    EXPECT_FALSE(form->Action("mnuCrestThroughCenter")->isChecked());
    EXPECT_FALSE(form->CrossPointer());
}

}  // namespace
}  // namespace quble::test
