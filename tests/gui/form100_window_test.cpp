// The experimental window: opening real and written spectra, the refusals
// that keep the previous spectrum, the view commands, titles and byte order.
#include <QAction>
#include <QImage>

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

TEST_F(Form100Test, QuarterMillionPointsExpandScrollAndStep) {
    Synthetic s;
    s.y.resize(262144);
    for (std::size_t i = 0; i < s.y.size(); ++i) s.y[i] = static_cast<std::int32_t>((i * 7919) % 5000);
    Open(WriteSpectrum(folder, "big", s));
    ASSERT_EQ(form->spectrum().NPont, 262144);

    // Drag a band from 100 to 300 pixels and release: both Expand buttons.
    form->Picture1_MouseDown(1, 0, 100, 50);
    form->Picture1_MouseMove(1, 0, 300, 50);
    EXPECT_EQ(W<QWidget>("Image1")->width(), 200);
    form->Picture1_MouseUp(1, 0, 300, 50);
    EXPECT_TRUE(Button("Command4")->isVisible());
    form->Command4_Click();
    EXPECT_FALSE(Button("Command4")->isVisible());
    EXPECT_FALSE(W<QWidget>("Image1")->isVisible());
    const double ppp = 720.0 / 262143.0;
    EXPECT_EQ(form->view().FirstShown, std::llround(1 + 100 / ppp));
    EXPECT_TRUE(Scroll()->isVisible());
    EXPECT_TRUE(form->ScrollReady());
    const std::int64_t w = form->view().ShownWidth();
    EXPECT_EQ(Scroll()->maximum(), 262144 - 1 - w);
    EXPECT_EQ(Scroll()->value(), form->view().FirstShown - 1);

    // The bar moves the view to the last point, far beyond 16 bits.
    Scroll()->setValue(Scroll()->maximum());
    EXPECT_EQ(form->view().LastShown, 262144);
    EXPECT_EQ(form->view().ShownWidth(), w);
    form->Command8_Click(0);  // already at the end
    EXPECT_EQ(form->view().LastShown, 262144);

    // Shift gives 50 points, Ctrl and Alt nothing, plain 10.
    const std::int64_t first = form->view().FirstShown;
    form->Command9_Click(0, 1);
    EXPECT_EQ(form->view().FirstShown, first - 50);
    form->Command9_Click(0, 2);
    form->Command9_Click(0, 4);
    EXPECT_EQ(form->view().FirstShown, first - 50);
    form->Command9_Click(0, 0);
    EXPECT_EQ(form->view().FirstShown, first - 60);
    EXPECT_EQ(Scroll()->value(), first - 61);

    // The one-point buttons move on every second press.
    for (int i = 0; i < 10; ++i) form->Command8_Click(1);
    EXPECT_EQ(form->view().FirstShown, first - 55);

    form->Command3_Click();
    EXPECT_EQ(form->view().FirstShown, 1);
    EXPECT_EQ(form->view().LastShown, 262144);
    EXPECT_FALSE(Scroll()->isVisible());
}

TEST_F(Form100Test, NarrowWidenStretchAndBandRules) {
    Open(Gaba1H());
    const std::int64_t yOffset = form->view().YOffset;
    const double yMult = form->view().YMult;
    form->Command10_Click();
    EXPECT_DOUBLE_EQ(form->view().YMult, yMult * 1.5);
    form->Command11_Click();
    form->Command11_Click();
    EXPECT_DOUBLE_EQ(form->view().YMult, yMult / 1.5);
    EXPECT_EQ(form->view().YOffset, yOffset);

    form->Command12_Click();
    EXPECT_EQ(form->view().FirstShown, 3278);
    EXPECT_TRUE(Scroll()->isVisible());
    EXPECT_TRUE(Button("Command13")->isEnabled());
    form->Command13_Click();
    form->Command13_Click();
    EXPECT_EQ(form->view().FirstShown, 1);
    EXPECT_EQ(form->view().LastShown, 32768);
    EXPECT_FALSE(Scroll()->isVisible());
    EXPECT_FALSE(Button("Command13")->isEnabled());

    // A band dragged leftwards expands nothing; a right press hides it.
    form->Picture1_MouseDown(1, 0, 300, 50);
    form->Picture1_MouseMove(1, 0, 200, 50);
    form->Picture1_MouseUp(1, 0, 200, 50);
    form->Command4_Click();
    EXPECT_EQ(form->view().LastShown, 32768);
    form->Picture1_MouseDown(2, 0, 250, 50);
    EXPECT_FALSE(W<QWidget>("Image1")->isVisible());
    EXPECT_FALSE(Button("Command4")->isVisible());
    // A right press on the band expands it.
    form->Picture1_MouseDown(1, 0, 100, 50);
    form->Picture1_MouseUp(1, 0, 160, 50);
    form->Image1_MouseDown(2);
    EXPECT_GT(form->view().FirstShown, 1);
    EXPECT_LT(form->view().LastShown, 32768);
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
