// The simulator window: the input boxes for one multiplet, the graph box,
// the line-shape commands, View/Drawing/Colour menus, New/Restart/Exit and
// the examples. Handlers carry the program's own control and event names so
// that other windows (the frame, timers, later the experimental window) call
// them directly; each is a complete operation when called from outside.
//
// Control names. Single controls use their plain name as the Qt object name
// ("Text2", "Label13", "Picture1"). Members of a control array use the name,
// an underscore and the index: "Text6_0".."Text6_3", "Text1_0".."Text1_3",
// "TextH1_0".."TextH4_9", "Label4_0".."Label4_9", "Command1_0",
// "Command1_1", "Label6_0".."Label6_7". Menu entries are QActions named
// after their menu item ("mnuNew", "mnuSplitDia"), timers QTimers named
// "Timer2", "Timer4", "Timer5", "Timer7", "TimerLorentzian", "TimerLorGauss".
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/multiplet_analysis.h"
#include "analysis/simulation_fit.h"
#include "examples/example_sets.h"
#include "platform/background_work.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/graph_box_base.h"
#include "platform/graph_picture.h"
#include "render/spectrum_plot.h"
#include "render/wind_draw.h"
#include "simulator/multiplet.h"
#include "simulator/simulation_state.h"
#include "settings/settings_file.h"
#include "simulator/overlay_fit.h"
#include "simulator/simulator_session.h"

class QAction;
class QDialog;
class QListWidget;
class QGridLayout;
class QGroupBox;
class QImage;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QTimer;

namespace quble {

class Form3;
class FormulaImage;

// The graph box: the kept picture shown at its own size, one user unit per
// pixel; it takes the room the window leaves it (telling its owner through
// resized()) and carries the marking cursor over the picture.
class GraphBox : public GraphBoxBase {
    Q_OBJECT
public:
    explicit GraphBox(QWidget* parent);

    // The marking cursor: a vertical line over the kept picture at x (user
    // units), drawn on screen only.
    void SetCursorLine(bool visible, double x = 0, ColorRef colour = 0, int width = 1);
    bool CursorVisible() const { return cursorVisible_; }
    ColorRef CursorColour() const { return cursorColour_; }
    int CursorWidth() const { return cursorWidth_; }

protected:
    void paintEvent(QPaintEvent*) override;
    // The wheel means nothing on this graph: it goes on to the workspace,
    // which scrolls.
    void wheelEvent(QWheelEvent* e) override { QWidget::wheelEvent(e); }

private:
    bool cursorVisible_ = false;
    double cursorX_ = 0;
    ColorRef cursorColour_ = 0;
    int cursorWidth_ = 1;
};

// What the frame shows of the marking mode: its toggle button's caption
// and its three labels.
struct FrameMarking {
    bool on = false;
    bool label1Visible = false, label2Visible = false, label3Visible = false;
    std::string label1Text, label3Text;
    ColorRef label3Colour = 0;
};

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // Links to the frame window; each is optional (a lone window leaves them
    // empty). The frame owns the third "Go" button and the line-shape buttons.
    struct FrameLink {
        std::function<void(int)> highlightShapeButton;   // 0 Lorentzian, 1 Gaussian, 2 mixed
        std::function<void(bool)> enableGoButton;
        std::function<void()> showSimulatorPanel;
        std::function<void()> showExperimentalPanel;
        std::function<void()> exitProgram;               // default: quit the application
        // Opens a spectrum in the experimental window (with or without the
        // automatic reference adjustment); true when a new one was opened.
        std::function<bool(bool autoAdjustTMS)> openExperimental;
        // The experimental window hands its spectrum over ("Transfer Data to
        // Simulator") and the simulator comes back.
        std::function<void()> transferExperimental;
        std::function<void(const FrameMarking&)> showMarking;
        std::function<void(bool)> enableMarkButton;
        std::function<void()> showExperimentalWindow;    // the experimental window to the front
    };

    // dialogs may be null: the window then asks through the real Qt dialogs.
    explicit Form1(QWidget* parent = nullptr, Dialogs* dialogs = nullptr, bool runLoad = true);
    ~Form1() override;

    void SetFrameLink(FrameLink link);
    void SetDialogs(Dialogs* d);
    Dialogs& dialogs() { return *dialogs_; }

    // --- load, life cycle ---
    // The folder that holds the settings and the "Examples" tree. Chosen by
    // Form_Load unless set before it runs.
    void SetProgramFolder(std::filesystem::path folder) { programFolder_ = std::move(folder); }
    const std::filesystem::path& ProgramFolder() const { return programFolder_; }
    void Form_Load();
    void mnuNew_Click();
    void mnuRestart_Click();
    void mnuExit_Click();
    void mnuSimul_Click();
    void mnuExpSp_Click();
    void AutoStart();
    void OrigSet();

    // --- input boxes (keyAscii 13 is Enter; other keys change nothing) ---
    void Text2_KeyPress(int keyAscii = 13);
    void Text6_KeyPress(int index, int keyAscii = 13);
    void Text1_KeyPress(int index, int keyAscii = 13);
    void TextH1_KeyPress(int index, int keyAscii = 13);
    void TextH2_KeyPress(int index, int keyAscii = 13);
    void TextH3_KeyPress(int index, int keyAscii = 13);
    void TextH4_KeyPress(int index, int keyAscii = 13);
    void Text3_KeyPress(int keyAscii = 13);
    void Text4_KeyPress(int keyAscii = 13);
    void Text2_Change();
    void Text1_Change(int index);
    void Text6_Change(int index);
    void TextH_Change(int h, int index);   // TextH1_Change .. TextH4_Change
    void Text3_Change();
    void Text4_Change();

    // --- calculation and line shape ---
    void Command1_Click();
    void mnuLorentzian_Click();
    void mnuGaussian_Click();
    void mnuLorGauss_Click();
    void Slider4_Change(int value);
    void Timer2_Timer();
    void TimerLorentzian_Timer();
    void TimerLorGauss_Timer();
    void Timer7_Timer();
    void Timer4_Timer();
    void Timer5_Timer();

    // --- graph ---
    void CalcFirstPlot();
    void PlotFinal();
    void LinBlack();
    void Slider1_Change(int value);
    void Slider2_Change(int value);
    void Slider3_Change(int value);
    void Picture1_DblClick();
    void Label8_DblClick();
    void Label9_DblClick(int index);
    void Label6_Click(int index);

    // --- menus ---
    void mnuSplitDia_Click();
    void mnuJLabels_Click();
    void mnuHistogram_Click();
    void mnuPeakLabels_Click();
    void mnuGaussianIndPeak_Click();
    void mnuGaussianEnv_Click();
    void mnuViewExpSp_Click();
    void mnuLineWidth_Click(int width);              // mnuLineWidth1..3
    void mnuPointSize_Click(float radius);           // mnuPointSize1, 1_5, 2, 2_5
    void mnuLineEx_Click(int width);                 // mnuLineEx1..3
    void mnuLorGauEnvColor_Click();
    void mnuGaussianIndPeaks_Click();
    void mnuExpSpCol_Click();
    void mnuSplitDiagra_Click();
    void LoadExample(const ExampleSet& example);     // every mnuEx*_Click

    // The opening road: "Opening Options", the opening in the experimental
    // window, and back to the simulator by a one-shot timer.
    void mnuOpenExpSpec_Click();
    void TimerReturn_Timer();
    bool ShowOpeningOptions() const { return ShowOpeningOptions_; }
    void SetShowOpeningOptions(bool on) { ShowOpeningOptions_ = on; }
    // Told when the "don't show again" box changed the preference.
    std::function<void(bool)> onShowOpeningOptionsChanged;

    // --- comparison: marking and verification ---
    void mnuMarkPeaks_Click();
    void Picture1_MouseMove();          // at the graph box's last pointer position
    void Picture1_MouseDown(int button);  // 1 left, 2 right
    void Command3_Click();              // the marking panel's OK
    void mnuVerifyMatch_Click();
    void mnuMatchDetails_Click();
    const QStringList& List1() const { return list1_; }

    // The experimental window hands its calibrated copies over here
    // ("Transfer Data to Simulator"); they are kept and TransfAdjustExpData
    // runs.
    void ReceiveExperimentalData(std::int32_t nPontExp, std::vector<double> expXnmrHz,
                                 std::vector<std::int32_t> expYgraf);
    // Where the comparison attaches the received spectrum to the graph.
    void TransfAdjustExpData();
    std::int32_t NPontExp() const { return session_.NPontExp(); }
    const std::vector<double>& ExpXnmrHz() const { return session_.ExpXnmrHz(); }
    const std::vector<std::int32_t>& ExpYgraf() const { return session_.ExpYgraf(); }
    int ExperimentalTransfers() const { return transfers_; }

    // --- picture export and the formula picture ---
    // The clipboard the copies go to and pastes come from; null: the system
    // clipboard.
    void SetClipboard(Clipboard* c);
    Clipboard& clipboard() { return *clipboard_; }
    void mnuCopyMF_Click();        // colour metafile (with SVG and PNG) to the clipboard
    void mnuCopyBW_Click();        // the same in black and white
    void mnuCopy_Click();          // "Copy as Bitmap" (hidden): the graph box's image, by Timer3
    void Timer3_Timer();
    void mnuPaste_Click();         // paste a formula picture
    bool DropFormulaPicture(const std::string& path);  // a dropped picture file (app/window_drops.cpp)
    void mnuDelFormula_Click();    // remove the formula picture
    void mnuExportPicture_Click(); // "Export Picture...": EMF, SVG, PDF or PNG
    void mnuEdit_Show();           // the Edit menu's entries enabled for what can be done now
    // Shows a formula picture file (an example's); on any failure there is
    // no formula and both flags are cleared.
    void ExamplePictureAdd(const std::string& path);
    // The formula picture that lies beside a spectrum in folder, or none.
    void VerifFormula(const std::filesystem::path& folder);
    // The formula's flags, path and Image1 rectangle (user units).
    FormulaPicture Formula() const;
    FormulaImage* Image1() const { return image1_; }
    // The graph as the exports draw it (formula included).
    GraphPicture CurrentGraphPicture();
    ScreenMetrics Screen() const;

    // --- state, for the frame, the export and tests ---
    const SimulationState& sim() const { return sim_; }
    SimulationState& sim() { return sim_; }
    const PlotState& plot() const { return plot_; }
    PlotState& plot() { return plot_; }
    GraphBox* Picture1() const { return picture1_; }
    char DecSep() const { return decSep_; }
    bool Blinking() const { return blinking_; }
    bool HasGraph() const { return session_.HasGraph(); }
    int CalculationCount() const { return session_.CalculationCount(); }
    SimulatorSession& session() { return session_; }
    const std::string& LineShapeHandler() const { return lineShapeHandler_; }
    void SetLineShapeHandler(std::string name) { lineShapeHandler_ = std::move(name); }
    const QStringList& List2() const { return list2_; }
    std::string Label12Caption() const { return plot_.Label12.caption; }
    ColorRef SwatchColor(int index) const { return swatchColors_.at(index); }
    // The box for J value k (1..10) of hydrogen h (1..4).
    QLineEdit* JBox(int h, int k) const { return jBox_[h - 1][k - 1]; }
    QAction* Action(const QString& objectName) const;
    QTimer* Timer(const QString& objectName) const;
    // The branch-colour dialog; replaceable so tests can answer it.
    std::function<std::optional<std::string>()> chooseBranchColor;

    // --- preferences (settings file, options and background dialogs) ---
    std::filesystem::path SettingsFile() const;
    GraphSettings CurrentSettings() const;
    // Puts settings into the menus and the graph's options (the line shape
    // is left to its handler); redrawing is the caller's.
    void ApplySettings(const GraphSettings& s);
    void ReadIni();
    // Writes the whole set; a failure is told to the user.
    bool WriteIni(const GraphSettings& s);
    void SaveShowOpeningOptions(bool show);
    void mnuShowOptions_Click();
    void SpecBackground();
    // Apply and OK of the options dialog: settings in, the line shape's
    // command run, the graph redrawn.
    void ApplyOptions(const GraphSettings& s);
    void mnuOptions_Click();  // also mnuSetGraphOptions, mnuSetGraphOptions2
    bool ShowOpeningOptions_ = true;

    // --- analysis: the fit to the overlay, journal text, a sent multiplet ---
    void mnuFit_Click();        // "&Fit to Experimental..."
    void mnuUndoFit_Click();    // the boxes as before the last fit
    void mnuCopyText_Click();   // "Copy as &Text": one journal line per hydrogen
    void mnuPasteText_Click();  // "Paste Te&xt": journal lines into the boxes
    void mnuTextMHz_Click();    // the frequency the text's ppm use without an overlay
    // One hydrogen from the experimental window's analysis, then calculated.
    void ReceiveAnalysis(const analysis::MultipletAnalysis& a);
    // The overlaid spectrum's frequency (SFMeu), for the journal text.
    void SetOverlayMHz(double mhz);
    double TextMHz() const;
    const std::optional<analysis::FitResult>& LastFit() const { return lastFit_; }
    // Tests answer these instead of the dialog and the progress window.
    std::function<std::optional<OverlayFitChoice>(const OverlayFitChoice&)> runFitDialog;
    WorkRunner runWork;

signals:
    void calculationDone();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void BuildTimers();
    // The input controls in layouts sized for the window's font, so no
    // caption or value is cut at a big font or scale.
    void LayoutInputs();
    // The shift and J-count frames take the rows of nh hydrogens.
    void SetFrameRows(int nh);
    int FrameHeightFor(const QWidget* frame, int nh) const;
    // Where the graph starts: under the input area as tall as four
    // hydrogens make it, so it does not move as counts change.
    int GraphTop() const;
    void PlaceMarkingPanel();
    // The boxes' and labels' sizes for the current font.
    void SizeInputs();
    void ApplyJLayout(const JLayout& layout);
    void ApplyFocus(const FocusTarget& target, bool allowFocus);
    void JBox_KeyPress(int h, int index, int keyAscii);
    void SetTextQuiet(QLineEdit* box, const std::string& text);
    void RepairBox(QLineEdit* box);
    void ResetTitles();
    void StopBlinking();
    void PaintPrompt(bool yellow);
    void SetBack(QWidget* w, ColorRef c);
    void SetShapeTicks(LineShape shape);
    void SetShapeTicksRaw(const LineShapeTicks& t);
    void SetMixCaption(int value);
    void HighlightShape(int index);
    void EnableGoButtons(bool on);
    void ShowInputError(const InputError& e);
    void SyncViewMenu();
    void SyncSliders();
    // The graph box takes the room under the input frames, the column of
    // scale controls stays at its right edge.
    void LayOutGraphArea();
    // The geometry follows the box's new size and the graph is drawn again.
    void Picture1_Resize();
    QWidget* rightColumn_ = nullptr;
    QLayout* inputRow_ = nullptr;
    QLayout* inputOuter_ = nullptr;
    QGridLayout* leftGrid_ = nullptr;
    QGridLayout* rightGrid_ = nullptr;
    int inputRowHeight_ = 16;
    int frameRows_ = 1;
    void Redraw(bool recomputeCoordinates);
    bool IsActiveForm() const;
    void FocusAndSelect(QLineEdit* box, bool allowFocus = true);
    SimulationInput ReadBoxes() const;
    QLineEdit* NamedBox(const std::string& box, int index) const;
    std::optional<std::string> RunForm3();
    void DetachExperimental();
    void RunLineShapeHandler(const std::string& name);

    void BuildComparisonControls(QWidget* central);
    void BuildComparisonMenu();
    void SyncComparisonMenu();
    void ReturnToSimulatorLater(bool transfer);
    void ApplyMarking(const MarkingView& view, bool full);

    void BuildAnalysisMenu(QMenu* edit);
    void SetUpKeyboard();
    void SyncFitMenu();
    void ForgetFitUndo();
    // The boxes' texts only (layout unchanged), or the whole Enter sequence
    // (counts, then shifts and J boxes) followed by a calculation.
    void WriteBoxValues(const SimulationInput& in);
    void EnterBoxes(const SimulationInput& in);
    // Zooms the graph out, as far as the horizontal slider goes, until the
    // lines just entered all show: pasted hydrogens may lie far apart.
    void ShowAllLines();
    void ShowBoxStarts();

    void ArrangeExamples();
    void CopyPicture(bool bw);
    bool ShowFormula(std::vector<std::uint8_t> emf);

    SimulatorSession session_;
    SimulationState& sim_ = session_.sim;
    PlotState& plot_ = session_.plot;
    std::filesystem::path programFolder_;
    int transfers_ = 0;
    bool arrangementTold_ = false;
    FrameLink frame_;
    std::unique_ptr<Dialogs> ownDialogs_;
    Dialogs* dialogs_ = nullptr;
    Form3* form3_ = nullptr;
    std::unique_ptr<Clipboard> ownClipboard_;
    Clipboard* clipboard_ = nullptr;
    FormulaImage* image1_ = nullptr;
    bool FormulaShown_ = false;
    bool FormulaFromExample_ = false;
    std::string ExampleFormulaPath_;

    char decSep_ = '.';
    bool blinking_ = false;
    bool quiet_ = false;        // writing boxes without running their change handlers
    std::string lineShapeHandler_ = "mnuGaussian_Click";
    double mixPercent_ = 50.0;
    ColorRef savedTextBack_ = 0x00FFFFFF, savedLabelBack_ = 0x8000000F;
    ColorRef text2Back_ = 0x00FFFFFF, label13Back_ = 0x8000000F;
    QStringList list2_;
    QStringList list1_;                 // diagnostic lines of the last verification
    OpeningChoice openingChoice_;       // the last answer, used while the dialog is skipped
    bool transferOnReturn_ = false;
    std::array<ColorRef, 8> swatchColors_{};

    // Controls.
    QLabel* Label13 = nullptr;
    QLineEdit* Text2 = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QLabel*, 4> Label14{}, Label16{}, Label1{}, Label15{};
    std::array<QLineEdit*, 4> Text6{}, Text1{};
    QWidget* Picture4 = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<std::array<QLineEdit*, kMaxJ>, kMaxHydrogens> jBox_{};
    std::array<QLabel*, kMaxJ> Label4{};
    QWidget* jGrid_ = nullptr;
    QLabel *Label2 = nullptr, *Label3 = nullptr;
    QLineEdit *Text3 = nullptr, *Text4 = nullptr;
    std::array<QPushButton*, 2> Command1{};
    QGroupBox* Frame3 = nullptr;
    QSlider* Slider4 = nullptr;
    QSlider *Slider1w = nullptr, *Slider2w = nullptr, *Slider3w = nullptr;
    std::array<QLabel*, 8> Label6{};
    GraphBox* picture1_ = nullptr;

    // Menus and timers.
    QMenu* mnuPointSize = nullptr;
    QTimer *Timer2 = nullptr, *Timer4 = nullptr, *Timer5 = nullptr, *Timer7 = nullptr;
    QTimer *TimerLorentzian = nullptr, *TimerLorGauss = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* TimerReturn = nullptr;

    // Comparison controls.
    QGroupBox* Frame4 = nullptr;        // the marking panel
    QListWidget* List3 = nullptr;
    QPushButton* Command3 = nullptr;
    QDialog* matchDetails_ = nullptr;

    // Analysis.
    struct FitUndo {
        SimulationInput boxes;
        LineShapeTicks ticks;
        int slider4 = 50;
        std::string shapeHandler;
        int nh = 1;
        std::array<int, kMaxHydrogens + 1> nj{};
    };
    std::optional<FitUndo> undoFit_;
    std::optional<analysis::FitResult> lastFit_;
    double overlayMHz_ = 0.0;
    double textMHz_ = 0.0;   // set by the user; 400 until then
};

}  // namespace quble
