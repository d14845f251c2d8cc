#include "experimental/experimental_session.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "core/number_text.h"
#include "experimental/graph_reading.h"
#include "experimental/reference_calibration.h"

namespace quble {

const char* const kFindReferenceText =
    "Left click over the desired reference peak,\r\nwhen the line is red and the hand is visible.\r\n\r\n"
    "To cancel the operation after closing this box,\r\nuse the right mouse button.";

namespace {
int Px(double v) { return static_cast<int>(std::lround(v)); }
}  // namespace

ExperimentalSession::ExperimentalSession(double graphWidth, double graphHeight)
    : width_(graphWidth), height_(graphHeight) {}

// ------------------------------------------------------------------ helpers

void ExperimentalSession::PaintByteOrder() {
    state_.littleEndianColor = spec_.BigEndian ? kExpButtonFace : kExpYellow;
    state_.bigEndianColor = spec_.BigEndian ? kExpYellow : kExpButtonFace;
}

void ExperimentalSession::TellReference(ExpUpdate& u, const ReferenceOutcome& o) {
    if (!o.message.empty()) u.messages.push_back({"Reference", o.message, MsgButtons::Ok, MsgIcon::Information});
}

void ExperimentalSession::TellFailure(ExpUpdate& u, const OpenResult& r) {
    // A reader that forgot its words must not make the failure silent.
    u.messages.push_back({r.title.empty() ? std::string("Error!") : r.title,
                          r.text.empty() ? std::string("The spectrum could not be opened.") : r.text, MsgButtons::Ok,
                          MsgIcon::Critical});
}

void ExperimentalSession::UpdateScroll() {
    state_.scroll.max = ScrollMax(view_, spec_.NPont);
    state_.scroll.page = std::max<std::int64_t>(1, view_.ShownWidth());
    state_.scroll.value = view_.FirstShown - 1;
}

void ExperimentalSession::EnterFullView() {
    state_.scroll.visible = false;
    state_.widenEnabled = false;
}

void ExperimentalSession::ShowScroll() {
    UpdateScroll();
    state_.scroll.visible = true;
    state_.widenEnabled = true;
}

void ExperimentalSession::SetLine(double x, ColorRef color, int width) {
    state_.line = {true, x, color, width};
}

// ------------------------------------------------------------------ opening

void ExperimentalSession::AfterOpening(ExpUpdate& u) {
    ++openings_;
    // A pick in progress belongs to the old spectrum.
    if (mode_ == Mode::PickingReference) mode_ = Mode::Idle;
    if (mode_ == Mode::Selecting && resume_ == Mode::PickingReference) resume_ = Mode::Idle;
    state_.hand.visible = false;
    state_.line.visible = false;
    state_.cross = false;
    state_.band.visible = false;
    state_.expandVisible = false;
    if (spec_.ReadAcqus) state_.title = spec_.Title;
    state_.fileSizeText = "File Size: " + std::to_string(spec_.FileSizeBytes) + " Bytes";
    state_.referenceCaption = spec_.ReferenceCaption;
    PaintByteOrder();
    state_.narrowWidenVisible = true;
    EnterFullView();
    FullViewScaling(view_, spec_, width_, height_);
    u.redraw = true;
    u.opened = true;
}

ExpUpdate ExperimentalSession::Load(const std::filesystem::path& firstExample) {
    ExpUpdate u;
    spec_.BigEndian = true;
    PaintByteOrder();
    spec_.NPointsSearch = 240;
    spec_.SpectrumPath = firstExample.generic_string();
    spec_.ReadAcqus = true;
    std::error_code ec;
    if (std::filesystem::is_regular_file(firstExample, ec)) {
        const OpenResult r = OpenNMRFile(spec_);
        if (r.ok()) {
            AfterOpening(u);
            TellReference(u, r.reference);
            return u;
        }
        TellFailure(u, r);
    }
    // Without the example the window starts empty; the user opens a file.
    state_.title.clear();
    EnterFullView();
    FullViewScaling(view_, spec_, width_, height_);
    u.redraw = true;
    return u;
}

ExpUpdate ExperimentalSession::Open(const std::string& path, OpenResult* result) {
    ExpUpdate u;
    const OpenResult r = quble::OpenFull(spec_, path);
    if (result) *result = r;
    if (r.ok()) {
        AfterOpening(u);
        TellReference(u, r.reference);
    } else if (r.status != OpenStatus::FileTypeUnsupported) {
        TellFailure(u, r);
    }
    return u;
}

ExpUpdate ExperimentalSession::OpenWithoutAcqus(const std::string& path) {
    ExpUpdate u;
    const OpenResult r = quble::OpenWithoutAcqus(spec_, path);
    if (!r.ok()) {
        TellFailure(u, r);
        return u;
    }
    AfterOpening(u);
    TellReference(u, r.reference);
    // Without a real axis there is nothing sound to expand or zoom to.
    state_.narrowWidenVisible = false;
    return u;
}

ExpUpdate ExperimentalSession::ReadInByteOrder(bool bigEndian) {
    ExpUpdate u;
    if (spec_.NPont < 1) {
        spec_.BigEndian = bigEndian;
        PaintByteOrder();
        return u;
    }
    const ReferenceOutcome o = ForceByteOrder(spec_, bigEndian);
    // The axis was rebuilt from the acquisition values: any calibration is gone.
    if (!o.adjusted) spec_.ReferenceCaption = "Reference: None";
    state_.referenceCaption = spec_.ReferenceCaption;
    PaintByteOrder();
    FullViewScaling(view_, spec_, width_, height_);
    u.redraw = true;
    // The reference search ran again; what it has to say is told as after
    // an opening.
    TellReference(u, o);
    return u;
}

ExpUpdate ExperimentalSession::SetTitle(const std::string& title) {
    spec_.Title = title;
    state_.title = title;
    return {};
}

ExpUpdate ExperimentalSession::Resize(double graphWidth, double graphHeight) {
    ExpUpdate u;
    if (!(graphWidth > 0.0) || !(graphHeight > 0.0) || (graphWidth == width_ && graphHeight == height_)) return u;
    const double sx = width_ > 0.0 ? graphWidth / width_ : 1.0;
    width_ = graphWidth;
    height_ = graphHeight;
    u.redraw = true;
    if (spec_.NPont < 2) {
        view_.width = graphWidth;
        view_.height = graphHeight;
        return u;
    }
    const std::int64_t first = view_.FirstShown, last = view_.LastShown;
    const double stretch = view_.YMultFull > 0.0 ? view_.YMult / view_.YMultFull : 1.0;
    FullViewScaling(view_, spec_, graphWidth, graphHeight);
    view_.FirstShown = first;
    view_.LastShown = last;
    RecomputePixPerPoint(view_);
    view_.YMult = view_.YMultFull * stretch;
    // Pixel positions are linear in the width for a fixed range of points,
    // so scaling them keeps each over the same point.
    selStartX_ *= sx;
    selEndX_ *= sx;
    if (state_.band.visible) {
        const int left = Px(state_.band.left * sx);
        state_.band.width = Px((state_.band.left + state_.band.width) * sx) - left;
        state_.band.left = left;
    }
    state_.line.x *= sx;
    if (state_.hand.visible && cursorPoint_ >= 1 && cursorPoint_ <= spec_.NPont) {
        const double top = static_cast<double>(view_.YOffset) -
                           static_cast<double>(spec_.Ygraf[static_cast<std::size_t>(cursorPoint_)]) * view_.YMult +
                           15.0;
        state_.hand.left = Px(state_.line.x - 12.0);
        state_.hand.top = Px(top);
    }
    return u;
}

// --------------------------------------------------------------------- view

ExpUpdate ExperimentalSession::Rescale() {
    FullViewScaling(view_, spec_, width_, height_);
    ExpUpdate u;
    u.redraw = true;
    return u;
}

void ExperimentalSession::Draw(DrawingSurface& dc) {
    dc.Clear(0x00FFFFFF);
    GrafMesmoWnd(dc, view_, spec_, state_.style, 0.0);
}

ExpUpdate ExperimentalSession::SetStyle(ExpDrawStyle style) {
    state_.style = style;
    ExpUpdate u;
    u.redraw = true;
    return u;
}

ExpUpdate ExperimentalSession::FullSpectrum() {
    ExpUpdate u;
    if (spec_.NPont < 2) return u;
    view_.PixPerPoint = view_.PixPerPointFull;
    view_.FirstShown = 1;
    view_.LastShown = spec_.NPont;
    view_.YMult = view_.YMultFull;
    EnterFullView();
    u.redraw = u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::Expand() {
    ExpUpdate u;
    if (!(selStartX_ < selEndX_) || spec_.NPont < 2) return u;
    quble::Expand(view_, spec_.NPont, selStartX_, selEndX_);
    state_.expandVisible = false;
    state_.band.visible = false;
    state_.graphTip = state_.bandTip = false;
    state_.narrowWidenVisible = true;
    ShowScroll();
    u.redraw = u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::Narrow() {
    ExpUpdate u;
    if (spec_.NPont < 2) return u;
    quble::Narrow(view_);
    ShowScroll();
    u.redraw = u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::Widen() {
    ExpUpdate u;
    if (spec_.NPont < 2) return u;
    quble::Widen(view_, spec_.NPont);
    if (IsFullView(view_, spec_.NPont)) {
        EnterFullView();
    } else {
        ShowScroll();
    }
    u.redraw = u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::Stretch() {
    view_.YMult *= 1.5;
    ExpUpdate u;
    u.redraw = u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::Shrink() {
    view_.YMult /= 1.5;
    ExpUpdate u;
    u.redraw = u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::StepRight(int index, int shift) {
    ExpUpdate u;
    if (spec_.NPont < 2 || view_.LastShown >= spec_.NPont) return u;
    bool moved = false;
    if (index == 0) {
        moved = Step(view_, spec_.NPont, TenPointStepSize(shift));
    } else if (index == 1) {
        moved = Step(view_, spec_.NPont, stepper_.Press(-1));
    }
    if (moved) {
        if (state_.scroll.visible) UpdateScroll();
        u.redraw = true;
    }
    u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::StepLeft(int index, int shift) {
    ExpUpdate u;
    if (spec_.NPont < 2 || view_.FirstShown <= 1) return u;
    bool moved = false;
    if (index == 0) {
        moved = Step(view_, spec_.NPont, -TenPointStepSize(shift));
    } else if (index == 1) {
        moved = Step(view_, spec_.NPont, stepper_.Press(1));
    }
    if (moved) {
        if (state_.scroll.visible) UpdateScroll();
        u.redraw = true;
    }
    u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::ScrollTo(std::int64_t value) {
    ExpUpdate u;
    if (!state_.scroll.visible || spec_.NPont < 2) return u;
    quble::ScrollTo(view_, spec_.NPont, value);
    state_.scroll.value = view_.FirstShown - 1;
    u.redraw = true;
    return u;
}

ExpUpdate ExperimentalSession::Wheel(double x, int steps, bool scroll) {
    ExpUpdate u;
    if (spec_.NPont < 2 || steps == 0 || !(view_.PixPerPoint > 0.0) || mode_ == Mode::Selecting) return u;
    const double shown = static_cast<double>(view_.ShownWidth());
    if (scroll) {
        if (IsFullView(view_, spec_.NPont)) return u;
        const std::int64_t by = static_cast<std::int64_t>(RoundHalfEven(shown / 10.0 * steps));
        quble::ScrollTo(view_, spec_.NPont, view_.FirstShown - 1 + (by == 0 ? (steps > 0 ? 1 : -1) : by));
        UpdateScroll();
        u.redraw = true;
        return u;
    }
    x = std::clamp(x, 0.0, width_);
    const double under = static_cast<double>(view_.FirstShown) + x / view_.PixPerPoint;
    double wanted = shown * std::pow(0.8, steps);
    const double all = static_cast<double>(spec_.NPont - 1);
    if (wanted >= all) {
        // Out to the whole spectrum: the full view with its own scaling.
        const bool was = IsFullView(view_, spec_.NPont);
        if (!was) {
            u = FullSpectrum();
            state_.band.visible = false;
            state_.expandVisible = false;
        }
        return u;
    }
    wanted = std::max(wanted, static_cast<double>(kMinShownWidth));
    const double share = width_ > 0.0 ? x / width_ : 0.5;
    std::int64_t first = static_cast<std::int64_t>(RoundHalfEven(under - share * wanted));
    std::int64_t last = first + static_cast<std::int64_t>(RoundHalfEven(wanted));
    if (first < 1) {
        last += 1 - first;
        first = 1;
    }
    if (last > spec_.NPont) {
        first -= last - spec_.NPont;
        last = spec_.NPont;
    }
    first = std::max<std::int64_t>(first, 1);
    if (first == view_.FirstShown && last == view_.LastShown) return u;
    ShowRange(view_, first, last);
    // A band drawn over the old view no longer marks the same points.
    state_.band.visible = false;
    state_.expandVisible = false;
    state_.narrowWidenVisible = true;
    ShowScroll();
    u.redraw = true;
    return u;
}

// -------------------------------------------------------------------- mouse

ExpUpdate ExperimentalSession::MouseDown(int button, double x) {
    ExpUpdate u;
    if (button == 1) {
        if (Under() == Mode::PickingReference && state_.hand.visible) return CalibrateAtCursor();
        if (state_.hand.visible || state_.cross) return u;
        selStartX_ = x;
        if (mode_ != Mode::Selecting) resume_ = mode_;
        mode_ = Mode::Selecting;
        state_.band = {true, Px(x), 0};
        return u;
    }
    if (button == 2) {
        if (Under() == Mode::PickingReference) return CancelPick();
        if (state_.cross && !state_.hand.visible) {
            if (spec_.NPont >= 2 && CenterOn(view_, spec_.NPont, cursorPoint_)) {
                ShowScroll();
                u.redraw = true;
            }
            // Centring ends the crest mode; a reading goes on.
            if (mode_ == Mode::Crest) mode_ = Mode::Idle;
            if (mode_ == Mode::Selecting && resume_ == Mode::Crest) resume_ = Mode::Idle;
            state_.crest = false;
            state_.cross = false;
            state_.line.visible = false;
            return u;
        }
        state_.band.visible = false;
        state_.expandVisible = false;
    }
    return u;
}

ExpUpdate ExperimentalSession::MouseMove(int buttons, double x) {
    ExpUpdate u;
    if (buttons == 0) {
        if (spec_.NPont < 2) return u;
        const std::int64_t cp = NearestPoint(x, view_.PixPerPoint, view_.FirstShown);
        switch (Under()) {
            case Mode::PickingReference:
                SetLine(x, state_.line.color, state_.line.width);
                if (cp > spec_.NPont || cp < 2) return u;
                cursorPoint_ = cp;
                if (IsPeakPoint(spec_, cp)) {
                    SetLine(x, kExpRed, 3);
                    state_.cross = true;
                    const double top = static_cast<double>(view_.YOffset) -
                                       static_cast<double>(spec_.Ygraf[static_cast<std::size_t>(cp)]) * view_.YMult +
                                       15.0;
                    state_.hand = {true, Px(x - 12.0), Px(top)};
                } else {
                    SetLine(x, kExpBlack, 1);
                    state_.cross = false;
                    state_.hand.visible = false;
                }
                return u;
            case Mode::Crest: {
                cursorPoint_ = cp;
                const bool mark = IsCrestOrTrough(spec_, cp);
                SetLine(x, mark ? kExpYellow : kExpBlue, 1);
                state_.cross = mark;
                return u;
            }
            case Mode::Reading: {
                state_.graphTip = false;
                SetLine(x, state_.line.color, 1);
                cursorPoint_ = cp;
                const std::optional<GraphReading> r = ReadingAt(spec_, cp);
                if (!r) return u;
                SetLine(x, r->peak ? kExpYellow : kExpBlue, 1);
                state_.cross = r->peak;
                state_.readout = {true, r->peak, r->pointText, r->hzText, r->ppmText};
                return u;
            }
            default:
                state_.readout.visible = false;
                return u;
        }
    }
    if ((buttons & 1) && mode_ == Mode::Selecting && x >= selStartX_ && x <= width_) {
        state_.band = {true, Px(selStartX_), Px(x - selStartX_)};
    }
    return u;
}

ExpUpdate ExperimentalSession::MouseUp(int button, double x) {
    ExpUpdate u;
    if (button != 1 || mode_ != Mode::Selecting) return u;
    mode_ = resume_;
    selEndX_ = x;
    state_.expandVisible = true;
    return u;
}

std::optional<double> ExperimentalSession::PixelOfHz(double hz) const {
    std::int64_t lo = view_.FirstShown, hi = view_.LastShown;
    if (lo < 1 || hi < lo || hi >= static_cast<std::int64_t>(spec_.XnmrHz.size()) || !std::isfinite(hz)) return std::nullopt;
    // The axis falls with the point number.
    if (hz > spec_.XnmrHz[lo] || hz < spec_.XnmrHz[hi]) return std::nullopt;
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        (spec_.XnmrHz[mid] >= hz ? lo : hi) = mid;
    }
    const std::int64_t nearest = spec_.XnmrHz[lo] - hz <= hz - spec_.XnmrHz[hi] ? lo : hi;
    return static_cast<double>(nearest - view_.FirstShown) * view_.PixPerPoint;
}

bool ExperimentalSession::AnalysisRange(double* fromPpm, double* toPpm) const {
    if (spec_.NPont < 2 || spec_.XnmrHz.empty() || !(spec_.SFMeu > 0.0) || !(view_.PixPerPoint > 0.0)) return false;
    std::int64_t first = view_.FirstShown, last = view_.LastShown;
    const bool band = state_.band.visible && mode_ != Mode::Selecting && selStartX_ < selEndX_;
    if (band) {
        const double f = static_cast<double>(view_.FirstShown);
        first = static_cast<std::int64_t>(RoundHalfEven(f + selStartX_ / view_.PixPerPoint));
        last = static_cast<std::int64_t>(RoundHalfEven(f + std::min(selEndX_, width_) / view_.PixPerPoint));
    } else if (IsFullView(view_, spec_.NPont)) {
        return false;
    }
    first = std::clamp<std::int64_t>(first, 1, spec_.NPont);
    last = std::clamp<std::int64_t>(last, 1, spec_.NPont);
    if (last - first < 1) return false;
    // The axis falls with the point number.
    *fromPpm = spec_.XnmrHz[first] / spec_.SFMeu;
    *toPpm = spec_.XnmrHz[last] / spec_.SFMeu;
    return true;
}

ExpUpdate ExperimentalSession::BandMouseDown(int button) {
    if (button == 1) {
        state_.band.visible = false;
        if (mode_ == Mode::Selecting) mode_ = resume_;
        return {};
    }
    if (button == 2) return Expand();
    return {};
}

ExpUpdate ExperimentalSession::MouseOutsideGraph() {
    if (Under() != Mode::PickingReference) {
        state_.line.visible = false;
        state_.readout.visible = false;
    }
    return {};
}

// -------------------------------------------------------------------- modes

ExpUpdate ExperimentalSession::ToggleReading() {
    ExpUpdate u;
    u.focusGraph = true;
    const Mode under = Under();
    Mode next;
    if (under == Mode::PickingReference) {
        // Reading waits for the pick; asking for it ends the pick the way
        // the right button does, which turns reading on.
        ExpUpdate c = CancelPick();
        c.focusGraph = true;
        return c;
    }
    if (under == Mode::Reading) {
        next = Mode::Idle;
        state_.cross = false;
    } else {
        next = Mode::Reading;
        state_.crest = false;
    }
    if (mode_ == Mode::Selecting) {
        resume_ = next;
    } else {
        mode_ = next;
    }
    state_.reading = next == Mode::Reading;
    return u;
}

ExpUpdate ExperimentalSession::SetFrequencyReading(bool on) {
    if (on != state_.reading) ToggleReading();
    if (!on) {
        state_.line.visible = false;
        state_.readout.visible = false;
    }
    return {};
}

ExpUpdate ExperimentalSession::SetCrest(bool on) {
    if (Under() == Mode::PickingReference) {
        state_.crest = false;
        return {};
    }
    const Mode next = on ? Mode::Crest : Mode::Idle;
    if (mode_ == Mode::Selecting) {
        resume_ = next;
    } else {
        mode_ = next;
    }
    state_.crest = on;
    state_.reading = false;
    if (on) {
        state_.readout.visible = false;
    } else {
        state_.line.visible = false;
    }
    return {};
}

// -------------------------------------------------------------- calibration

ExpUpdate ExperimentalSession::AdjustReference(const ExpRefChoice& c) {
    ExpUpdate u;
    if (!CanAdjust() || c.RefCancelled) return u;
    refName_ = c.RefName;
    refShift_ = c.RefShift;
    spec_.NPointsSearch = c.NPointsSearch;
    spec_.AutoAdjustTMS = c.AutoAdjustTMS;
    if (spec_.AutoAdjustTMS) {
        const ReferenceOutcome o = FindAdjReference(spec_);
        spec_.AutoAdjustTMS = false;
        state_.referenceCaption = spec_.ReferenceCaption;
        u.redraw = true;
        TellReference(u, o);
        return u;
    }
    if (const std::optional<ShownRange> range = FindAdjReferenceGeral(spec_, refShift_)) {
        ShowRange(view_, range->FirstShown, range->LastShown);
        ShowScroll();
        state_.narrowWidenVisible = true;
        u.redraw = true;
    }
    u.askFindReference = true;
    return u;
}

ExpUpdate ExperimentalSession::StartPick() {
    if (mode_ == Mode::Selecting) {
        resume_ = Mode::PickingReference;
    } else {
        mode_ = Mode::PickingReference;
    }
    state_.reading = false;
    state_.crest = false;
    return {};
}

ExpUpdate ExperimentalSession::CalibrateAtCursor() {
    ExpUpdate u;
    state_.hand.visible = false;
    SetLine(std::lround(state_.line.x), kExpBlue, 1);
    CalibrateAtPoint(spec_, cursorPoint_, refShift_, refName_);
    state_.cross = false;
    state_.referenceCaption = spec_.ReferenceCaption;
    mode_ = Mode::Reading;
    state_.reading = true;
    u.redraw = u.focusGraph = true;
    return u;
}

ExpUpdate ExperimentalSession::CancelPick() {
    ExpUpdate u;
    state_.hand.visible = false;
    if (state_.line.visible) {
        SetLine(std::lround(state_.line.x), kExpBlue, 1);
    } else {
        state_.line.color = kExpBlue;
        state_.line.width = 1;
    }
    state_.cross = false;
    if (mode_ == Mode::Selecting) {
        resume_ = Mode::Reading;
    } else {
        mode_ = Mode::Reading;
    }
    state_.reading = true;
    u.focusGraph = true;
    return u;
}

// ----------------------------------------------------------------- transfer

bool ExperimentalSession::PrepareTransfer() {
    if (spec_.NPont < 1) return false;
    // The copies carry any manual calibration over.
    spec_.ExpXnmrHz = spec_.XnmrHz;
    spec_.ExpYgraf = spec_.Ygraf;
    spec_.NPontExp = spec_.NPont;
    return true;
}

}  // namespace quble
