// The simulator window's input area: its controls sit in layouts whose sizes
// come from the window's font, so captions, names and values are shown whole
// at any font size, screen scale or locale, while the area stays as compact
// as the fixed layout it replaces.
#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

#include "simulator/form1_internal.h"
#include "simulator/form1_window.h"

namespace quble {

using namespace form1detail;

namespace {

// The width a line edit needs to show `sample` whole: the style's frame and
// the 2 px Qt keeps free at each side of the text, plus its text margins.
int BoxWidthFor(const QLineEdit* box, const QString& sample) {
    QStyleOptionFrame opt;
    opt.initFrom(box);
    opt.rect = QRect(0, 0, 100, 20);
    opt.lineWidth = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, box) : 0;
    const int frame = 100 - box->style()->subElementRect(QStyle::SE_LineEditContents, &opt, box).width();
    const QMargins m = box->textMargins();
    return box->fontMetrics().horizontalAdvance(sample) + frame + 4 + m.left() + m.right() + 1;
}

void FixBox(QLineEdit* box, const QString& sample, int height) {
    box->setFixedSize(BoxWidthFor(box, sample), height);
}

// A label at least as wide as `sample`; a longer text set later widens it.
void WidenLabel(QLabel* label, const QString& sample) {
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(sample) + 2);
    label->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

// Hidden rows and columns keep their room: the grid does not move as counts
// change.
void Retain(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}

QGridLayout* RowsLayout(QWidget* frame) {
    auto* g = new QGridLayout(frame);
    g->setContentsMargins(4, 0, 4, 2);
    g->setHorizontalSpacing(3);
    g->setVerticalSpacing(0);
    g->setSizeConstraint(QLayout::SetNoConstraint);
    return g;
}

}  // namespace

void Form1::SizeInputs() {
    const QFontMetrics fm = centralWidget()->fontMetrics();
    // Rows keep the 16 px pitch of the frames while the font fits in it.
    inputRowHeight_ = std::max(kRowStep, fm.height() + 3);
    const int rowH = inputRowHeight_;
    // Number of hydrogens: the question wraps into three lines.
    const int promptWidth = std::max(124, fm.horizontalAdvance("How many Hydrogens") + 8);
    // A label's height for a width is never less than its minimum: the old
    // fixed size goes first.
    Label13->setMinimumSize(0, 0);
    Label13->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    Label13->setFixedSize(promptWidth, std::max(42, Label13->heightForWidth(promptWidth)));
    FixBox(Text2, "00", std::max(20, rowH));
    for (int i = 0; i < kMaxHydrogens; ++i) {
        // Names have room for the examples' longer ones ("H3'b:").
        WidenLabel(Label14[i], "H3'b:");
        FixBox(Text6[i], "00000.00", rowH);
        WidenLabel(Label1[i], "For H3'b:");
        FixBox(Text1[i], "00", rowH);
        WidenLabel(Label15[i], "H3'b:");
        // J boxes as wide as a J like "8.95".
        for (QLineEdit* b : jBox_[i]) FixBox(b, "8.88", rowH + 1);
    }
    // The style's smallest push button is far wider than "Go" needs.
    const QSize go = Command1[0]->fontMetrics().size(Qt::TextShowMnemonic, Command1[0]->text());
    Command1[0]->setFixedSize(std::max(44, go.width() + 20), std::max(26, go.height() + 10));
    // A fit writes the width to a thousandth.
    for (QLineEdit* b : {Text3, Text4}) FixBox(b, "0.000", std::max(18, rowH));
    // Sizes cached for the old font are forgotten before the heights below
    // are read.
    for (QWidget* w : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2), Picture4, jGrid_,
                       static_cast<QWidget*>(Frame3)}) {
        if (w->layout()) w->layout()->invalidate();
    }
    // The column of four hydrogens' shifts and widths, and the J grid under
    // four hydrogens' counts, keep their room whatever the count.
    leftGrid_->setRowMinimumHeight(1, FrameHeightFor(Frame2, kMaxHydrogens) + 4 + Picture4->sizeHint().height());
    rightGrid_->setRowMinimumHeight(0, FrameHeightFor(Frame1, kMaxHydrogens));
}

void Form1::LayoutInputs() {
    QWidget* central = centralWidget();
    auto* countRow = new QHBoxLayout;
    countRow->setSpacing(4);
    countRow->addWidget(Label13);
    countRow->addWidget(Text2, 0, Qt::AlignVCenter);
    countRow->addStretch(1);

    // Shifts: name, value, unit.
    QGridLayout* shifts = RowsLayout(Frame2);
    for (int i = 0; i < kMaxHydrogens; ++i) {
        shifts->addWidget(Label14[i], i, 0);
        shifts->addWidget(Text6[i], i, 1);
        shifts->addWidget(Label16[i], i, 2);
        Label16[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    shifts->setRowStretch(kMaxHydrogens, 1);
    shifts->setColumnStretch(3, 1);

    // Resolution and width, under the shifts.
    auto* widths = new QGridLayout(Picture4);
    widths->setContentsMargins(0, 0, 0, 0);
    widths->setHorizontalSpacing(2);
    widths->setVerticalSpacing(2);
    widths->setSizeConstraint(QLayout::SetNoConstraint);
    QLabel* hz[2] = {Picture4->findChild<QLabel*>("Label18"), Picture4->findChild<QLabel*>("Label19")};
    QLabel* names[2] = {Label2, Label3};
    QLineEdit* boxes[2] = {Text3, Text4};
    for (int r = 0; r < 2; ++r) {
        names[r]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        hz[r]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        widths->addWidget(names[r], r, 0);
        widths->addWidget(boxes[r], r, 1);
        widths->addWidget(hz[r], r, 2);
    }
    widths->setColumnStretch(3, 1);
    Picture4->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // J counts.
    QGridLayout* counts = RowsLayout(Frame1);
    counts->setContentsMargins(8, 0, 4, 2);
    for (int i = 0; i < kMaxHydrogens; ++i) {
        counts->addWidget(Label1[i], i, 0);
        counts->addWidget(Text1[i], i, 1, Qt::AlignLeft);
    }
    counts->setRowStretch(kMaxHydrogens, 1);
    counts->setColumnStretch(1, 1);

    // J values: a column per coupling.
    auto* js = new QGridLayout(jGrid_);
    js->setContentsMargins(0, 0, 0, 0);
    js->setHorizontalSpacing(1);
    js->setVerticalSpacing(1);
    js->setSizeConstraint(QLayout::SetNoConstraint);
    for (int k = 0; k < kMaxJ; ++k) {
        Label4[k]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        Retain(Label4[k]);
        js->addWidget(Label4[k], 0, k + 1);
    }
    for (int h = 0; h < kMaxHydrogens; ++h) {
        Retain(Label15[h]);
        js->addWidget(Label15[h], h + 1, 0);
        for (int k = 0; k < kMaxJ; ++k) {
            Retain(jBox_[h][k]);
            js->addWidget(jBox_[h][k], h + 1, k + 1);
        }
    }
    jGrid_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // Line shape mixing: Gaussian at the left, Lorentzian at the right.
    auto* mix = new QHBoxLayout(Frame3);
    mix->setContentsMargins(6, 2, 6, 4);
    mix->setSpacing(4);
    mix->setSizeConstraint(QLayout::SetNoConstraint);
    Slider4->setFixedWidth(160);
    mix->addWidget(Frame3->findChild<QLabel*>("Label20"));
    mix->addWidget(Slider4);
    mix->addWidget(Frame3->findChild<QLabel*>("Label21"));
    Frame3->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    Retain(Frame3);

    Command1[0]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (QGroupBox* f : {Frame1, Frame2}) f->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    // Left column: the count, the shifts and, under them, the widths. The
    // column keeps the room of four hydrogens' shifts.
    auto* left = new QGridLayout;
    left->setSpacing(4);
    left->addLayout(countRow, 0, 0);
    auto* underCount = new QVBoxLayout;
    underCount->setSpacing(4);
    underCount->addWidget(Frame2, 0, Qt::AlignLeft);
    underCount->addWidget(Picture4, 0, Qt::AlignLeft);
    underCount->addStretch(1);
    left->addLayout(underCount, 1, 0);

    // Right part: the J counts with the mixing frame beside them, the J grid
    // under both and the Go button at its end. The grid stays where four
    // hydrogens' counts end.
    auto* right = new QGridLayout;
    right->setVerticalSpacing(2);
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    top->addWidget(Frame1, 0, Qt::AlignTop);
    top->addWidget(Frame3, 0, Qt::AlignTop);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(6);
    bottom->addWidget(jGrid_, 0, Qt::AlignTop);
    bottom->addWidget(Command1[0], 0, Qt::AlignBottom);
    bottom->addStretch(1);
    right->addLayout(top, 0, 0, Qt::AlignTop);
    right->addLayout(bottom, 1, 0, Qt::AlignTop);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addLayout(left);
    row->addLayout(right);
    row->addStretch(1);

    auto* outer = new QVBoxLayout(central);
    outer->setSizeConstraint(QLayout::SetNoConstraint);
    outer->setContentsMargins(4, 2, 4, 0);
    outer->addLayout(row);
    outer->addStretch(1);
    inputRow_ = row;
    inputOuter_ = outer;
    leftGrid_ = left;
    rightGrid_ = right;
    SizeInputs();
    SetFrameRows(1);
}

int Form1::FrameHeightFor(const QWidget* frame, int nh) const {
    const QMargins c = frame->contentsMargins();
    QMargins l;
    if (frame->layout()) l = frame->layout()->contentsMargins();
    const int rows = c.top() + c.bottom() + l.top() + l.bottom() + nh * inputRowHeight_;
    return std::max(FrameHeight(nh), rows);
}

void Form1::SetFrameRows(int nh) {
    frameRows_ = nh;
    for (QGroupBox* f : {Frame1, Frame2}) f->setFixedHeight(FrameHeightFor(f, nh));
    QWidget* central = centralWidget();
    if (!inputOuter_ || !central) return;
    inputOuter_->invalidate();
    inputOuter_->activate();
    // The window stays as wide as the input area and tall enough for the
    // smallest graph under it.
    const int width = std::max(kGraphWidth + kGraphColumn + 4, inputOuter_->minimumSize().width());
    central->setMinimumSize(width, GraphTop() + kGraphHeight + 4);
    LayOutGraphArea();
}

void Form1::PlaceMarkingPanel() {
    if (!Frame4 || !Frame3 || !jGrid_) return;
    // The marking panel keeps its corner beside the J grid, under the mixing
    // frame, and moves only where a big font makes the input area grow.
    int x = 584;
    for (QWidget* w : {static_cast<QWidget*>(jGrid_), static_cast<QWidget*>(Command1[0])}) {
        x = std::max(x, w->geometry().right() + 5);
    }
    Frame4->move(x, std::max(60, 2 + Frame3->sizeHint().height() + 4));
}

int Form1::GraphTop() const {
    if (!inputRow_) return kGraphTop;
    const int bottom = 2 + inputRow_->sizeHint().height();
    const int panel = Frame4 ? Frame4->geometry().bottom() + 1 : 0;
    return std::max({kGraphTop, bottom + 4, panel + 4});
}

}  // namespace quble
