// The experimental spectrum window: one processed Bruker proton spectrum
// with its ppm axis; expand, narrow, widen, step, scroll, stretch and centre
// the view; calibrate against a reference peak; read points under the
// mouse; hand the spectrum to the simulator; save its intensities as text.
//
// Control names follow the simulator window's scheme: plain names for single
// controls ("Picture1", "Label10", "Command3", "ScrollBar1"), name_index for
// array members ("Command8_0", "Command8_1", "Command9_0", "Command9_1"),
// QActions named after their menu item ("mnuOpenFull", "mnuLine",
// "mnuAdjust", "mnuDeltaPPM", "mnuTransferData", "mnuSave", ...).
// The graph is drawn only through GrafMesmoWnd on a DrawingSurface.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "experimental/experimental_picture.h"
#include "experimental/experimental_plot.h"
#include "experimental/experimental_session.h"
#include "experimental/reference_calibration.h"
#include "analysis/multiplet_analysis.h"
#include "platform/background_work.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/formula_picture_controller.h"
#include "platform/graph_box_base.h"
#include "platform/graph_picture.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QVBoxLayout;

namespace quble {

class FormulaImage;
class MultipletWindow;

// The reference compounds, filled once by the frame window at start-up.
ReferenceTable& RefTable();

// The graph picture, its user units its pixels.
class ExpGraphBox : public GraphBoxBase {
    Q_OBJECT
public:
    explicit ExpGraphBox(QWidget* parent);
};

// "Adjust Spectrum Data to Reference Peak".
class RefDialog : public QDialog {
    Q_OBJECT
public:
    RefDialog(QWidget* parent, Dialogs& dialogs, const ReferenceTable& table);

    // Both the typed and the picked change of Combo1 land here.
    void Combo1_Change(const QString& text);
    void Combo1_KeyPress(int keyAscii);
    void OKButton_Click();
    void CancelButton_Click();

    // Results, valid after the dialog closed.
    bool RefCancelled = true;
    std::string RefName;
    float RefShift = 0.0f;
    bool AutoAdjustTMS = false;
    std::int32_t NPointsSearch = 240;

    QComboBox* Combo1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Dialogs& dialogs_;
    const ReferenceTable& table_;
};

class Form100 : public QMainWindow {
    Q_OBJECT
public:
    // Links to the frame and the simulator window; each may stay empty.
    struct FrameLink {
        std::function<void()> showSimulatorPanel;     // MDIForm1.Picture1 shown, Picture2 hidden
        std::function<void()> showExperimentalPanel;  // Picture2 shown, Picture1 hidden
        std::function<void()> showSimulator;          // the simulator window to the front
        std::function<void(bool)> showFrameExpand;    // MDIForm1.Command9
        // "&Transfer Data to Simulator": hands NPontExp, ExpXnmrHz, ExpYgraf over.
        std::function<void(std::int32_t, const std::vector<double>&, const std::vector<std::int32_t>&)> transfer;
        std::function<void()> exitProgram;            // default: quit the application
        std::function<void(bool)> enableFramePaste;   // MDIForm1.Command8, with "&Paste"
        // "Send to Simulator" of the analysis window: one hydrogen from the
        // multiplet, then the transfer.
        std::function<void(const analysis::MultipletAnalysis&)> sendAnalysis;
        std::function<void(const std::string&)> spectrumOpened;  // the 1r of a new spectrum
    };

    // dialogs may be null (real Qt dialogs). programFolder holds "Examples";
    // runLoad false leaves the window empty until Form_Load runs.
    Form100(QWidget* parent, Dialogs* dialogs, std::filesystem::path programFolder, bool runLoad = true);
    ~Form100() override;

    void SetFrameLink(FrameLink link) { frame_ = std::move(link); }
    const std::filesystem::path& ProgramFolder() const { return programFolder_; }
    static std::filesystem::path FirstExampleSpectrum(const std::filesystem::path& programFolder);

    // --- load and opening ---
    void Form_Load();
    void OpenFull();
    // The opening after the file was chosen: the new spectrum, or the
    // failure told and the old spectrum kept. A name other than "1r" is
    // returned untold (OpenFull asks about it).
    OpenResult OpenSpectrumFile(const std::string& path);
    void mnuOpenFull_Click() { OpenFull(); }
    // A 1r dropped on a window or chosen from the recent list (app/window_drops.cpp).
    void OpenDroppedSpectrum(const std::string& path);
    bool DropFormulaPicture(const std::string& path);
    void mnuOpenWRAqF_Click();
    void mnuExit_Click();
    void Label1_Click();   // "Little endian"
    void Label2_Click();   // "Big endian"
    void ReadInByteOrder(bool bigEndian);  // the data read again in that order
    void Label10_DblClick();

    // --- view ---
    void Grafico();
    void GrafMesmo();
    void Command2_Click();   // Line
    void Command5_Click();   // Points
    void Command6_Click();   // Medium Points
    void Command14_Click();  // Big Points
    void Command15_Click();  // Big Points + Line
    void SetStyle(ExpDrawStyle style);
    void Command3_Click();   // Full Spectrum
    void Command4_Click();   // Expand
    void Command12_Click();  // narrow
    void Command13_Click();  // widen
    void Command10_Click();  // stretch vertically
    void Command11_Click();  // shrink vertically
    // shift: 1 Shift, 2 Ctrl, 4 Alt, as the buttons' mouse events give it.
    void Command8_Click(int index, int shift = 0);   // step right
    void Command9_Click(int index, int shift = 0);   // step left
    void ScrollBar1_Change(int value);
    void mnuCrestThroughCenter_Click();

    // --- mouse on the graph (pixels; button 1 left, 2 right) ---
    void Picture1_MouseDown(int button, int shift, double x, double y);
    void Picture1_MouseMove(int buttons, int shift, double x, double y);
    void Picture1_MouseUp(int button, int shift, double x, double y);
    // The graph took a new size from the layout: scales made for it, same view.
    void Picture1_Resize(QSize size);
    void Image1_MouseDown(int button);
    // steps: wheel notches, positive away from the user (zoom in).
    void Picture1_Wheel(int steps, int shift, double x);
    void Form_MouseMove();   // over the rest of the window

    // --- calibration ---
    void mnuAdjust_Click();
    // The modal reference dialog; replaceable so tests can answer it. The
    // default shows RefDialog.
    using RefChoice = ExpRefChoice;
    std::function<RefChoice()> runRefDialog;

    // --- reading, transfer, saving ---
    void Command1_Click();
    void mnuDeltaPPM_Click() { Command1_Click(); }
    void mnuFreqHz_Click();
    void mnuTransferData_Click();
    void mnuSave_Click();
    void mnuSimul_Click();
    void mnuExpSp_Click();

    // --- multiplet analysis ---
    // "&Analyse Multiplet": the band (or the expanded view) analysed, the
    // result in its window. Tells why when there is nothing to analyse.
    void mnuAnalyse_Click();
    MultipletWindow* AnalysisWindow() const { return multiplet_; }
    // Drags the band across the shown points nearest two shifts, as the
    // mouse does; false when either lies outside the view.
    bool SelectBandPpm(double fromPpm, double toPpm);
    // Runs the analysis off the window's thread; tests replace it.
    WorkRunner runWork;

    // --- picture export and the formula picture ---
    // The clipboard the copies go to and pastes come from; null: the system
    // clipboard.
    void SetClipboard(Clipboard* c);
    Clipboard& clipboard() { return *clipboard_; }
    void mnuCopy_Click();           // the window's picture (EMF with SVG and PNG) to the clipboard
    void mnuPaste_Click();          // paste a formula picture
    void mnuDelFormula_Click();     // remove the formula picture
    void mnuExportPicture_Click();  // "Export Picture...": EMF, SVG, PDF or PNG
    void mnuEdit_Show();            // the Edit menu's entries enabled for what can be done now
    // CurPic2.emf in the program folder; false (the message told) when it
    // cannot be made. bytes, when given, receives the metafile.
    bool MakeCurPic2MF(std::vector<std::uint8_t>* bytes = nullptr);
    // Keeps a pasted picture as SvClipMFSF.emf; false when it cannot be kept.
    bool SaveClipFormulaSF(const std::vector<std::uint8_t>& emf, std::string* error = nullptr);
    // Shows a formula picture file; on any failure there is no formula.
    void ExamplePictureAdd(const std::string& path);
    // The formula picture beside the opened 1r: the first lower-case ".emf"
    // in name order, or none.
    void VerifFormula();
    ExpFormula Formula() const;
    FormulaImage* Image4() const { return image4_; }
    bool ExpFormulaShown() const { return formula_->Shown(); }
    bool ExpFormulaFromExample() const { return formula_->FromExample(); }
    const std::string& ExpExampleFormulaPath() const { return formula_->ExamplePath(); }
    // Where the strips and labels lie now, for the picture.
    ExpFrameLayout FrameLayout() const;
    // The window's picture as every export draws it (formula included).
    GraphPicture CurrentGraphPicture() const;
    ScreenMetrics Screen() const;

    // --- state, for the frame and tests ---
    ExperimentalSession& session() { return session_; }
    const ExperimentalSession& session() const { return session_; }
    const BrukerSpectrum& spectrum() const { return session_.spectrum(); }
    BrukerSpectrum& spectrum() { return session_.spectrum(); }
    const ExpView& view() const { return session_.view(); }
    ExpDrawStyle style() const { return session_.style(); }
    ExpGraphBox* Picture1() const { return picture1_; }
    QAction* Action(const QString& objectName) const;
    bool PickReference() const { return session_.PickReference(); }
    bool HandVisible() const { return session_.state().hand.visible; }
    bool CrossPointer() const { return session_.state().cross; }
    std::int64_t CursorPoint() const { return session_.CursorPoint(); }
    const std::string& RefName() const { return session_.RefName(); }
    float RefShift() const { return session_.RefShift(); }
    bool ScrollReady() const { return session_.ScrollReady(); }
    double SelStartX() const { return session_.SelStartX(); }
    double SelEndX() const { return session_.SelEndX(); }
    ColorRef CursorLineColor() const { return session_.state().line.color; }
    int CursorLineWidth() const { return session_.state().line.width; }
    ColorRef ByteOrderLabelColor(bool big) const {
        return big ? session_.state().bigEndianColor : session_.state().littleEndianColor;
    }
    int Redraws() const { return redraws_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    // Shows the session's state, then does what the command asked.
    void Apply(const ExpUpdate& u);
    void ShowState();
    void Tell(const std::vector<ExpMessage>& messages);
    RefChoice RunRefDialog();
    void CrestToggled();
    void FreqHzToggled();
    void HideToSimulator();
    void BuildAnalysisMenu(QMenu* data);
    void SetUpKeyboard();

    ExperimentalSession session_;
    FrameLink frame_;
    std::unique_ptr<Dialogs> ownDialogs_;
    Dialogs* dialogs_ = nullptr;
    std::filesystem::path programFolder_;
    std::string lastChosen_;      // the open dialog's file name field
    bool settingScroll_ = false;
    std::optional<bool> frameExpandShown_;
    int redraws_ = 0;

    // Controls.
    ExpGraphBox* picture1_ = nullptr;
    QWidget* Picture7 = nullptr;
    QWidget* Picture6 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr;
    QLabel *Label6 = nullptr, *Label8 = nullptr, *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr,
           *Label12 = nullptr;
    QFrame* Image1 = nullptr;   // selection band
    QFrame* Line2 = nullptr;    // cursor line
    QLabel* Image3 = nullptr;   // the reference hand
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr;
    QPushButton *Command5 = nullptr, *Command6 = nullptr, *Command10 = nullptr, *Command11 = nullptr;
    QPushButton *Command12 = nullptr, *Command13 = nullptr, *Command14 = nullptr, *Command15 = nullptr;
    QPushButton* Command8[2] = {nullptr, nullptr};
    QPushButton* Command9[2] = {nullptr, nullptr};
    QScrollBar* ScrollBar1 = nullptr;
    QListWidget *List3 = nullptr, *List4 = nullptr;

    // Picture export and the formula picture.
    std::unique_ptr<Clipboard> ownClipboard_;
    Clipboard* clipboard_ = nullptr;
    FormulaImage* image4_ = nullptr;
    std::unique_ptr<FormulaPictureController> formula_;
    MultipletWindow* multiplet_ = nullptr;
};

}  // namespace quble
