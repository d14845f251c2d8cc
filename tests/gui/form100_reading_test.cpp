// The experimental window's reading, calibration, text export and transfer,
// the reference dialog, and the frame's experimental buttons.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QRadioButton>

#include "app/main_frame.h"
#include "examples/program_folder.h"
#include "experimental/graph_reading.h"
#include "simulator/form1_window.h"
#include "tests/gui/form100_fixture.h"

namespace quble::test {
namespace {

constexpr ColorRef kYellow = 65535;
constexpr ColorRef kBlue = 0xFF0000;
constexpr ColorRef kRed = 255;

Form100::RefChoice Choice(const std::string& name, float shift, bool autoAdjust) {
    Form100::RefChoice c;
    c.RefCancelled = false;
    c.RefName = name;
    c.RefShift = shift;
    c.AutoAdjustTMS = autoAdjust;
    return c;
}

TEST_F(Form100Test, ReadingShowsTheNearestPointAndSinglesOutPeaks) {
    Synthetic s;
    s.y = std::vector<std::int32_t>(100, 10);
    s.y[10] = 50;  // point 11 is a peak
    Open(WriteSpectrum(folder, "read", s));
    // Reading is off: a move hides the labels and draws no line.
    form->Picture1_MouseMove(0, 0, 100, 10);
    EXPECT_FALSE(W<QLabel>("Label8")->isVisible());

    form->Command1_Click();
    EXPECT_EQ(Button("Command1")->text(), "Don't Read Data From Graph");
    EXPECT_TRUE(form->Action("mnuDeltaPPM")->isChecked());
    const double ppp = form->view().PixPerPoint;
    form->Picture1_MouseMove(0, 0, 9.5 * ppp, 10);  // q = 10.5
    EXPECT_EQ(Text("Label8"), "Point # 10");
    EXPECT_EQ(form->CursorLineColor(), kBlue);
    EXPECT_FALSE(form->CrossPointer());
    form->Picture1_MouseMove(0, 0, 9.51 * ppp, 10);  // q = 10.51
    EXPECT_EQ(Text("Label8"), "Point # 11");
    EXPECT_TRUE(W<QLabel>("Label8")->isVisible());
    EXPECT_EQ(form->CursorLineColor(), kYellow);
    EXPECT_TRUE(form->CrossPointer());
    EXPECT_EQ(W<QLabel>("Label6")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    const double hz = form->spectrum().XnmrHz[11];
    EXPECT_EQ(Text("Label9"), QString::fromStdString(RoundedText(hz, 3) + " Hz"));
    EXPECT_EQ(Text("Label6"), QString::fromStdString(RoundedText(hz / 400.0, 5) + " ppm"));
    // A peak under the cross pointer does not start a band.
    form->Picture1_MouseDown(1, 0, 9.51 * ppp, 10);
    EXPECT_FALSE(W<QWidget>("Image1")->isVisible());

    // The last point has no right neighbour: read, never a peak.
    form->Picture1_MouseMove(0, 0, 99 * ppp, 10);
    EXPECT_EQ(Text("Label8"), "Point # 100");
    EXPECT_FALSE(form->CrossPointer());
    // Point 1 is never read: the labels keep the last reading.
    form->Picture1_MouseMove(0, 0, 0, 10);
    EXPECT_EQ(Text("Label8"), "Point # 100");

    form->Command1_Click();
    EXPECT_EQ(Button("Command1")->text(), "Read Data From Graph");
    EXPECT_FALSE(form->Action("mnuDeltaPPM")->isChecked());
    form->Picture1_MouseMove(0, 0, 50, 10);
    EXPECT_FALSE(W<QLabel>("Label8")->isVisible());
}

TEST_F(Form100Test, AutomaticCalibrationPutsTheReferencePeakAtZero) {
    Open(Strychnine());
    form->runRefDialog = [] { return Choice("TMS", 0.0f, true); };
    form->mnuAdjust_Click();
    const BrukerSpectrum& s = form->spectrum();
    ASSERT_GT(s.NTMS, 0);
    EXPECT_EQ(s.XnmrHz[s.NTMS], 0.0);
    EXPECT_EQ(Text("Label5"), "Reference: TMS (0.00 ppm)");
    EXPECT_FALSE(s.AutoAdjustTMS);
    EXPECT_EQ(s.ExpXnmrHz, s.XnmrHz);

    // A cancelled dialog changes nothing.
    const std::vector<double> axis = s.XnmrHz.ToVector();
    form->runRefDialog = [] { return Form100::RefChoice{}; };
    form->mnuAdjust_Click();
    EXPECT_EQ(form->spectrum().XnmrHz, axis);
}

TEST_F(Form100Test, ManualCalibrationReadsExactlyTheReferenceShift) {
    Open(Strychnine());
    form->runRefDialog = [] { return Choice("Chloroform-d", 7.27f, false); };
    dialogs.QueueMessageAnswer(MsgAnswer::Ok);
    form->mnuAdjust_Click();
    EXPECT_EQ(LastMessage()->title, "Find Reference");
    EXPECT_EQ(LastMessage()->buttons, MsgButtons::OkCancel);
    ASSERT_TRUE(form->PickReference());
    // The view shows the 241 points around where CHCl3 is expected.
    EXPECT_EQ(form->view().ShownWidth(), 240);
    EXPECT_TRUE(Scroll()->isVisible());

    // The tallest peak of the window.
    const BrukerSpectrum& s = form->spectrum();
    std::int64_t peak = 0;
    for (std::int64_t i = form->view().FirstShown + 1; i < form->view().LastShown; ++i) {
        if (IsPeakPoint(s, i) && (peak == 0 || s.Ygraf[i] > s.Ygraf[peak])) peak = i;
    }
    ASSERT_GT(peak, 0);
    // Off the peak: black thin line, no hand.
    form->Picture1_MouseMove(0, 0, XOf(peak) + 2 * form->view().PixPerPoint, 10);
    EXPECT_FALSE(form->HandVisible());
    form->Picture1_MouseMove(0, 0, XOf(peak), 10);
    EXPECT_TRUE(form->HandVisible());
    EXPECT_EQ(form->CursorLineColor(), kRed);
    EXPECT_EQ(form->CursorLineWidth(), 3);
    form->Picture1_MouseDown(1, 0, XOf(peak), 10);
    EXPECT_FALSE(form->PickReference());
    EXPECT_FALSE(form->HandVisible());
    EXPECT_EQ(Text("Label5"), "Reference: Chloroform-d (7.27 ppm)");
    // Reading is on now, and the clicked point reads the reference shift.
    EXPECT_EQ(Button("Command1")->text(), "Don't Read Data From Graph");
    form->Picture1_MouseMove(0, 0, XOf(peak), 10);
    EXPECT_EQ(Text("Label6"), "7.27 ppm");
    EXPECT_EQ(Text("Label8"), QString("Point # %1").arg(peak));

    // For looking at: the calibrated, expanded window with its reading.
    if (const QByteArray dir = qgetenv("QUBLE_SCREENSHOT_DIR"); !dir.isEmpty()) {
        form->grab().save(QString::fromLocal8Bit(dir) + "/form100-calibrated.png");
    }
}

TEST_F(Form100Test, RightButtonCancelsThePick) {
    Open(Strychnine());
    form->runRefDialog = [] { return Choice("Chloroform-d", 7.27f, false); };
    dialogs.QueueMessageAnswer(MsgAnswer::Ok);
    form->mnuAdjust_Click();
    ASSERT_TRUE(form->PickReference());
    const std::vector<double> axis = form->spectrum().XnmrHz.ToVector();
    form->Picture1_MouseDown(2, 0, 100, 10);
    EXPECT_FALSE(form->PickReference());
    EXPECT_EQ(form->spectrum().XnmrHz, axis);
    EXPECT_EQ(Text("Label5"), "Reference: None");
    EXPECT_EQ(Button("Command1")->text(), "Don't Read Data From Graph");

    // Answering Cancel to the instructions leaves picking off.
    form->mnuAdjust_Click();  // the queue is empty: Cancel
    EXPECT_FALSE(form->PickReference());
}

TEST_F(Form100Test, ReferenceDialogRules) {
    const ReferenceTable table = MakeReferenceTable();
    RefDialog d(nullptr, dialogs, table);
    EXPECT_EQ(d.windowTitle(), "Adjust Spectrum Data to Reference Peak");
    EXPECT_EQ(d.Combo1->count(), 4);
    EXPECT_EQ(d.Combo1->currentText(), "TMS");
    EXPECT_EQ(d.Text1->text(), "0.00");
    EXPECT_TRUE(d.Option1->isChecked());
    EXPECT_EQ(d.Text2->text(), "240");

    d.Combo1->setCurrentIndex(2);  // picked from the list
    EXPECT_EQ(d.Text1->text(), "7.25");
    EXPECT_FALSE(d.Option1->isEnabled());
    EXPECT_TRUE(d.Option2->isChecked());

    d.Combo1->setEditText("tms");  // typed: not the table's name
    EXPECT_EQ(d.Text1->text(), "7.25");
    EXPECT_TRUE(d.Option2->isChecked());

    d.Text1->clear();
    d.OKButton_Click();
    EXPECT_EQ(LastMessage()->title, "Chemical Shift Missing");
    EXPECT_EQ(LastMessage()->text, "A chemical shift value for the reference\r\nis required; please type a value.");
    EXPECT_TRUE(d.RefCancelled);
    EXPECT_EQ(d.Text1->palette().color(QPalette::Base), QColor(255, 255, 0));

    d.Text1->setText("7,27");
    d.Text2->setText("50");
    d.OKButton_Click();
    EXPECT_FALSE(d.RefCancelled);
    EXPECT_EQ(d.Text1->text(), "7.27");
    EXPECT_EQ(d.RefShift, 7.27f);
    EXPECT_EQ(d.RefName, "tms");
    EXPECT_FALSE(d.AutoAdjustTMS);
    EXPECT_EQ(d.Text2->text(), "240");
    EXPECT_EQ(d.NPointsSearch, 240);

    RefDialog e(nullptr, dialogs, table);
    e.Text2->setText("1000");
    e.OKButton_Click();
    EXPECT_TRUE(e.AutoAdjustTMS);
    EXPECT_EQ(e.NPointsSearch, 1000);
    RefDialog f(nullptr, dialogs, table);
    f.Text2->setText("1500");
    f.CancelButton_Click();
    EXPECT_TRUE(f.RefCancelled);
}

TEST_F(Form100Test, SavedIntensitiesAreExactText) {
    Synthetic s;
    s.y = {5, -3, 0, 12};
    s.bigEndian = true;
    Open(WriteSpectrum(folder, "four", s));
    ASSERT_EQ(form->spectrum().NPont, 4);
    const fs::path out = folder / "y.txt";
    dialogs.QueueFile(out.generic_string());
    form->mnuSave_Click();
    EXPECT_EQ(dialogs.asked().back().kind, ScriptedDialogs::Asked::Kind::SaveFile);
    const std::string& start = dialogs.asked().back().defaultText;
    EXPECT_EQ(start.substr(start.size() - 15), "/NMR Y Data.txt");
    QFile f(QString::fromStdString(out.string()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray(" 5 \r\n-3 \r\n 0 \r\n 12 \r\n"));
    f.close();
    // A cancelled dialog writes nothing.
    fs::remove(out);
    form->mnuSave_Click();
    EXPECT_FALSE(fs::exists(out));
    EXPECT_TRUE(form->Action("mnuSave")->isVisible());
}

// ---------------------------------------------------------------- frame

class FrameExperimentalTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = std::make_unique<MainFrame>(&dialogs);
        frame->show();
        frame->form1()->Timer2_Timer();
    }
    QPushButton* PanelButton(const char* panel, const QString& name) const {
        auto* p = frame->findChild<QWidget*>(panel, Qt::FindDirectChildrenOnly);
        if (!p) p = frame->centralWidget()->findChild<QWidget*>(panel, Qt::FindDirectChildrenOnly);
        EXPECT_NE(p, nullptr);
        auto* b = p ? p->findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly) : nullptr;
        EXPECT_NE(b, nullptr) << name.toStdString();
        return b;
    }
    ScriptedDialogs dialogs;
    std::unique_ptr<MainFrame> frame;
};

TEST_F(FrameExperimentalTest, ButtonsCreateOneWindowAndTransferReachesTheSimulator) {
    EXPECT_EQ(frame->form100(), nullptr);
    EXPECT_EQ(RefTable().RefCount, 4);
    EXPECT_TRUE(PanelButton("Picture2", "Command7")->isEnabled());
    EXPECT_EQ(PanelButton("Picture2", "Command7")->toolTip(), "Copy picture to clipboard");
    EXPECT_TRUE(PanelButton("Picture2", "Command8")->isHidden());
    EXPECT_FALSE(PanelButton("Picture2", "Command9")->isVisible());
    EXPECT_EQ(PanelButton("Picture2", "Command22")->toolTip(), "Open a new spectrum");
    EXPECT_EQ(PanelButton("Picture2", "Command10")->text(), "Full Spectrum");

    PanelButton("Picture2", "Command10")->click();
    ASSERT_NE(frame->form100(), nullptr);
    Form100* f = frame->form100();
    EXPECT_TRUE(frame->findChild<QWidget*>("Picture2")->isVisible());
    EXPECT_FALSE(frame->findChild<QWidget*>("Picture1", Qt::FindDirectChildrenOnly) &&
                 frame->findChild<QWidget*>("Picture1", Qt::FindDirectChildrenOnly)->isVisible());
    for (const char* b : {"Command11", "Command12", "Command13", "Command14", "Command15", "Command16", "Command17",
                          "Command18", "Command19"}) {
        PanelButton("Picture2", b)->click();
    }
    EXPECT_EQ(f->style(), ExpDrawStyle::BigPointsLine);
    EXPECT_EQ(frame->Form100Creations(), 1);

    // Open through the frame, select a band: the frame's Expand appears.
    dialogs.QueueFile(Gaba1H());
    PanelButton("Picture2", "Command22")->click();
    ASSERT_EQ(f->spectrum().NPont, 32768);
    f->Picture1_MouseDown(1, 0, 100, 10);
    f->Picture1_MouseUp(1, 0, 200, 10);
    EXPECT_TRUE(PanelButton("Picture2", "Command9")->isVisible());
    PanelButton("Picture2", "Command9")->click();
    EXPECT_FALSE(PanelButton("Picture2", "Command9")->isVisible());
    EXPECT_GT(f->view().FirstShown, 1);

    // Transfer: the calibrated copies reach the simulator's hook.
    f->runRefDialog = [] { return Choice("TMS", 0.0f, true); };
    f->mnuAdjust_Click();
    PanelButton("Picture2", "Command20")->click();
    Form1& sim = *frame->form1();
    EXPECT_EQ(sim.ExperimentalTransfers(), 1);
    EXPECT_EQ(sim.NPontExp(), 32768);
    EXPECT_EQ(sim.ExpXnmrHz(), f->spectrum().XnmrHz);
    EXPECT_EQ(sim.ExpYgraf(), f->spectrum().Ygraf);
    EXPECT_FALSE(frame->form100Window()->isVisible());

    // The simulator's Open commands come back to the same window.
    dialogs.QueueFile(Strychnine());
    frame->Toolbar1_ButtonClick("Open");
    EXPECT_EQ(f->spectrum().NPont, 131072);
    EXPECT_TRUE(frame->form100Window()->isVisible());
    dialogs.QueueFile(Complat());
    PanelButton("Picture1", "Command3")->click();
    EXPECT_EQ(f->spectrum().NPont, 65536);
    EXPECT_TRUE(sim.Action("mnuOpenExpSpec")->isEnabled());
    dialogs.QueueFile(std::nullopt);
    sim.Action("mnuOpenExpSpec")->trigger();
    EXPECT_EQ(frame->Form100Creations(), 1);
    EXPECT_EQ(frame->findChildren<Form100*>().size(), 1);

    // Window menus switch windows and panels.
    f->mnuSimul_Click();
    EXPECT_FALSE(frame->form100Window()->isVisible());
    EXPECT_TRUE(frame->form1Window()->isVisible());
    sim.mnuExpSp_Click();
    EXPECT_TRUE(frame->form100Window()->isVisible());
    EXPECT_TRUE(frame->findChild<QWidget*>("Picture2")->isVisible());
}

TEST(Form1LoadArrangement, SortsShippedFilesOnceAndTellsAFailureOnce) {
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    for (const std::string& n : RequiredShippedFiles()) std::ofstream(folder / n) << n;
    ScriptedDialogs dialogs;
    {
        Form1 f(nullptr, &dialogs, false);
        f.SetProgramFolder(folder);
        f.Form_Load();
        EXPECT_TRUE(fs::exists(folder / "Examples" / "1a_15-Deoxygoyazensolide (Example 1a)" / "1r"));
        EXPECT_FALSE(fs::exists(folder / "1r_1a"));
        EXPECT_TRUE(dialogs.asked().empty());
    }

    // "Examples" is taken by a file: the arrangement fails, is told once
    // (also across Restart), and every shipped file stays where it was.
    QTemporaryDir dir2;
    const fs::path bad = dir2.path().toStdString();
    for (const std::string& n : RequiredShippedFiles()) std::ofstream(bad / n) << n;
    std::ofstream(bad / "Examples") << "not a folder";
    ScriptedDialogs d2;
    Form1 g(nullptr, &d2, false);
    g.SetProgramFolder(bad);
    g.Form_Load();
    g.mnuRestart_Click();
    int told = 0;
    for (const auto& a : d2.asked()) told += a.title == "Examples";
    EXPECT_EQ(told, 1);
    for (const std::string& n : RequiredShippedFiles()) EXPECT_TRUE(fs::exists(bad / n)) << n;
}

}  // namespace
}  // namespace quble::test
