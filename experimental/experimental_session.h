// What the experimental window knows and does, without the window: the
// opened spectrum, the view over it, the drawing style, the one-point
// stepper and the mouse mode. Every command changes this state and returns
// what the window must do besides showing state(): redraw, give the graph
// the focus, tell the user something. The window copies control text in,
// calls a command, and shows state() again.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "experimental/experimental_plot.h"
#include "platform/dialogs.h"
#include "platform/drawing_surface.h"

namespace quble {

inline constexpr const char* kReadOnCaption = "Read Data From Graph";
inline constexpr const char* kReadOffCaption = "Don't Read Data From Graph";
inline constexpr ColorRef kExpButtonFace = 0x8000000F;
inline constexpr ColorRef kExpYellow = 65535;
inline constexpr ColorRef kExpRed = 255;
inline constexpr ColorRef kExpBlue = 0xFF0000;
inline constexpr ColorRef kExpBlack = 0;

// Everything the window shows that depends on the session.
struct ExpViewState {
    struct CursorLine {
        bool visible = false;
        double x = 0.0;          // pixels; the line is `width` wide, centred on round(x)
        ColorRef color = kExpBlue;
        int width = 1;
    } line;
    struct Hand {                // the reference hand (Image3), its top-left corner
        bool visible = false;
        int left = 0, top = 0;
    } hand;
    bool cross = false;          // the graph's pointer is a cross
    struct Readout {             // Label4, Label8, Label9, Label6
        bool visible = false;
        bool peak = false;       // texts red, else black
        std::string pointText, hzText, ppmText;
    } readout;
    struct Band {                // the selection band (Image1)
        bool visible = false;
        int left = 0, width = 0;
    } band;
    struct Scroll {              // ScrollBar1
        bool visible = false;
        std::int64_t max = 0, page = 1, value = 0;
    } scroll;
    bool expandVisible = false;      // Command4 and the frame's Expand
    bool narrowWidenVisible = true;  // Command12, Command13
    bool widenEnabled = false;       // Command13
    bool graphTip = true;            // Picture1's tooltip
    bool bandTip = true;             // Image1's tooltip
    bool reading = false;            // Command1's caption, the reading ticks
    bool crest = false;              // "On Crest or Through" ticked
    ExpDrawStyle style = ExpDrawStyle::Line;
    std::string title;               // Label10
    std::string referenceCaption = "Reference: None";  // Label5
    std::string fileSizeText;        // Label3
    ColorRef littleEndianColor = kExpButtonFace, bigEndianColor = kExpYellow;  // Label1, Label2

    const char* ReadCaption() const { return reading ? kReadOffCaption : kReadOnCaption; }
};

struct ExpMessage {
    std::string title, text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    friend bool operator==(const ExpMessage&, const ExpMessage&) = default;
};

// What a command asks of the window on top of showing state().
struct ExpUpdate {
    bool redraw = false;                 // GrafMesmo
    bool focusGraph = false;
    bool opened = false;                 // a new spectrum: its lists and formula picture follow
    std::vector<ExpMessage> messages;    // to tell, in order
    bool askFindReference = false;       // ask kFindReferenceText; StartPick() on OK
};

inline constexpr const char* kFindReferenceTitle = "Find Reference";
extern const char* const kFindReferenceText;

// The reference dialog's answer.
struct ExpRefChoice {
    bool RefCancelled = true;
    std::string RefName;
    float RefShift = 0.0f;
    bool AutoAdjustTMS = false;
    std::int32_t NPointsSearch = 240;
};

class ExperimentalSession {
public:
    enum class Mode { Idle, Selecting, PickingReference, Crest, Reading };

    explicit ExperimentalSession(double graphWidth = 720, double graphHeight = 400);

    const BrukerSpectrum& spectrum() const { return spec_; }
    // Spectra opened so far: the simulator tells an opening from a refusal or
    // a cancel by whether this moved.
    int OpeningCount() const { return openings_; }
    BrukerSpectrum& spectrum() { return spec_; }
    const ExpView& view() const { return view_; }
    ExpDrawStyle style() const { return state_.style; }
    OnePointStepper& stepper() { return stepper_; }
    const ExpViewState& state() const { return state_; }
    Mode mode() const { return mode_; }
    bool PickReference() const { return mode_ == Mode::PickingReference || Under() == Mode::PickingReference; }
    bool ScrollReady() const { return state_.scroll.visible; }
    std::int64_t CursorPoint() const { return cursorPoint_; }
    double SelStartX() const { return selStartX_; }
    double SelEndX() const { return selEndX_; }
    const std::string& RefName() const { return refName_; }
    float RefShift() const { return refShift_; }
    double GraphWidth() const { return width_; }
    double GraphHeight() const { return height_; }

    // --- opening ---
    // The window's start: big endian, the first example when it is there.
    // An example that fails to open is told; without one the view is empty.
    ExpUpdate Load(const std::filesystem::path& firstExample);
    // "&Open" on the chosen file. FileTypeUnsupported comes back untold in
    // result (the window asks and tries again); every other failure is in
    // messages once, and the old spectrum stays.
    ExpUpdate Open(const std::string& path, OpenResult* result = nullptr);
    ExpUpdate OpenWithoutAcqus(const std::string& path);
    // The data read again in the other byte order.
    ExpUpdate ReadInByteOrder(bool bigEndian);
    ExpUpdate SetTitle(const std::string& title);
    // Grafico: the full view scaled to the graph again, then drawn.
    ExpUpdate Rescale();
    // The graph has a new size (pixels). The same points stay in view, the
    // scales are made again for the new box (a stretch or shrink kept), and
    // the band, the cursor line and the hand move with the data under them.
    ExpUpdate Resize(double graphWidth, double graphHeight);
    // GrafMesmo's drawing: the cleared graph with the spectrum and its axis.
    void Draw(DrawingSurface& dc);

    // --- view ---
    ExpUpdate SetStyle(ExpDrawStyle style);
    ExpUpdate FullSpectrum();
    ExpUpdate Expand();
    ExpUpdate Narrow();
    ExpUpdate Widen();
    ExpUpdate Stretch();
    ExpUpdate Shrink();
    // index 0: ten points (Shift: 50), 1: one point every second press.
    ExpUpdate StepRight(int index, int shift);
    ExpUpdate StepLeft(int index, int shift);
    ExpUpdate ScrollTo(std::int64_t value);
    // The mouse wheel over pixel x: each step in narrows the view by a fifth
    // about the point under the pointer (which stays under it), each step out
    // widens it back up to the whole spectrum. With scroll true the view
    // moves by a tenth of its width per step instead (positive: to the
    // right, toward lower shifts).
    ExpUpdate Wheel(double x, int steps, bool scroll);

    // --- mouse (pixels; button 1 left, 2 right) ---
    ExpUpdate MouseDown(int button, double x);
    ExpUpdate MouseMove(int buttons, double x);
    ExpUpdate MouseUp(int button, double x);
    ExpUpdate BandMouseDown(int button);
    ExpUpdate MouseOutsideGraph();

    // --- modes ---
    ExpUpdate ToggleReading();               // Command1, mnuDeltaPPM
    ExpUpdate SetFrequencyReading(bool on);  // mnuFreqHz ticked or not
    ExpUpdate SetCrest(bool on);             // mnuCrestThroughCenter ticked or not

    // --- calibration ---
    bool CanAdjust() const { return spec_.NPont >= 2 && spec_.ReadAcqus; }
    ExpUpdate AdjustReference(const ExpRefChoice& choice);
    ExpUpdate StartPick();

    // --- multiplet analysis ---
    // The shifts under the selection band or, without one, those of the view
    // when it is not the whole spectrum: highest first. False when neither.
    bool AnalysisRange(double* fromPpm, double* toPpm) const;
    // The pixel of the shown point nearest a frequency; none when the
    // frequency lies outside the view.
    std::optional<double> PixelOfHz(double hz) const;

    // --- transfer ---
    // Copies the (calibrated) axis and intensities for the simulator; false
    // when nothing is open.
    bool PrepareTransfer();

private:
    int openings_ = 0;
    Mode Under() const { return mode_ == Mode::Selecting ? resume_ : mode_; }
    void AfterOpening(ExpUpdate& u);
    void UpdateScroll();
    void EnterFullView();
    void ShowScroll();
    void SetLine(double x, ColorRef color, int width);
    ExpUpdate CalibrateAtCursor();
    ExpUpdate CancelPick();
    void PaintByteOrder();
    static void TellReference(ExpUpdate& u, const ReferenceOutcome& o);
    static void TellFailure(ExpUpdate& u, const OpenResult& r);

    double width_, height_;
    BrukerSpectrum spec_;
    ExpView view_;
    OnePointStepper stepper_;
    ExpViewState state_;
    Mode mode_ = Mode::Idle;
    Mode resume_ = Mode::Idle;    // what a drag returns to
    double selStartX_ = 0.0, selEndX_ = 0.0;
    std::int64_t cursorPoint_ = 0;
    std::string refName_;
    float refShift_ = 0.0f;
};

}  // namespace quble
