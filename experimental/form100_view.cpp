#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "experimental/form100_util.h"
#include "experimental/form100_window.h"
#include "platform/formula_image.h"

namespace quble {

using form100::Paint;
using form100::Q;

// -------------------------------------------------------------- RefDialog

RefDialog::RefDialog(QWidget* parent, Dialogs& dialogs, const ReferenceTable& table)
    : QDialog(parent), dialogs_(dialogs), table_(table) {
    setObjectName("RefDialog");
    setWindowTitle("Adjust Spectrum Data to Reference Peak");
    auto* grid = new QGridLayout(this);
    auto* l1 = new QLabel("Choose or Type Reference:", this);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName("Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    auto* l2 = new QLabel("Chemical Shift (ppm):", this);
    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    Option1 = new QRadioButton("Auto Adjustment", this);
    Option1->setObjectName("Option1");
    Option2 = new QRadioButton("Manual Adjustment", this);
    Option2->setObjectName("Option2");
    auto* l3 = new QLabel("Number of points to search when looking for reference peak", this);
    l3->setWordWrap(true);
    Text2 = new QLineEdit("240", this);
    Text2->setObjectName("Text2");
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    grid->addWidget(l1, 0, 0);
    grid->addWidget(Combo1, 1, 0);
    grid->addWidget(l2, 0, 1);
    grid->addWidget(Text1, 1, 1);
    grid->addWidget(Option1, 2, 0);
    grid->addWidget(Option2, 3, 0);
    grid->addWidget(l3, 4, 0);
    grid->addWidget(Text2, 4, 1);
    grid->addWidget(OKButton, 5, 0);
    grid->addWidget(CancelButton, 5, 1);

    connect(Combo1, &QComboBox::editTextChanged, this, [this](const QString& t) { Combo1_Change(t); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButton_Click(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButton_Click(); });
    Combo1->lineEdit()->installEventFilter(this);

    for (int i = 0; i < table_.RefCount && i < kRefCapacity; ++i) Combo1->addItem(Q(table_.RefNames[i]));
    const QString first = table_.RefCount > 0 ? Q(table_.RefNames[0]) : QString();
    Combo1->setEditText(first);
    Combo1_Change(first);  // setEditText does not signal when the text is unchanged
    if (table_.RefCount > 0) Text1->setText(Q(table_.RefShiftTexts[0]));
}

void RefDialog::Combo1_Change(const QString& text) {
    const RefTextChange c = OnReferenceTextChange(table_, text.toStdString());
    Option1->setEnabled(c.autoEnabled);
    Option2->setEnabled(c.autoEnabled);
    if (c.autoSelected) {
        Option1->setChecked(true);
    } else {
        Option2->setChecked(true);
    }
    if (c.matched) {
        RefName = c.RefName;
        Text1->setText(Q(c.Text1));
        RefShift = c.RefShift;
    }
}

void RefDialog::Combo1_KeyPress(int keyAscii) {
    if (keyAscii != 13) return;
    Text1->selectAll();
    Text1->setFocus(Qt::OtherFocusReason);
}

bool RefDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Combo1->lineEdit() && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            Combo1_KeyPress(13);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void RefDialog::OKButton_Click() {
    const RefDialogOk r = OnReferenceDialogOk(Combo1->currentText().toStdString(), Text1->text().toStdString(),
                                              Option1->isChecked(), Text2->text().toStdString());
    if (!r.accepted) {
        dialogs_.MessageBox(r.title, r.text, MsgButtons::Ok, MsgIcon::Critical);
        Paint(Text1, kExpYellow);
        QPalette pal = Text1->palette();
        pal.setColor(QPalette::Base, ToQColor(kExpYellow));
        Text1->setPalette(pal);
        Text1->setFocus(Qt::OtherFocusReason);
        return;
    }
    RefName = r.RefName;
    Text1->setText(Q(r.Text1));
    RefShift = r.RefShift;
    AutoAdjustTMS = r.AutoAdjustTMS;
    Text2->setText(Q(r.Text2));
    NPointsSearch = r.NPointsSearch;
    RefCancelled = false;
    accept();
}

void RefDialog::CancelButton_Click() {
    RefCancelled = true;
    reject();
}

// -------------------------------------------------------------------- view

void Form100::SetStyle(ExpDrawStyle style) { Apply(session_.SetStyle(style)); }

void Form100::Command2_Click() { SetStyle(ExpDrawStyle::Line), picture1_->setFocus(Qt::OtherFocusReason); }
void Form100::Command5_Click() { SetStyle(ExpDrawStyle::Points), picture1_->setFocus(Qt::OtherFocusReason); }
void Form100::Command6_Click() { SetStyle(ExpDrawStyle::MediumPoints), picture1_->setFocus(Qt::OtherFocusReason); }
void Form100::Command14_Click() { SetStyle(ExpDrawStyle::BigPoints), picture1_->setFocus(Qt::OtherFocusReason); }
void Form100::Command15_Click() {
    SetStyle(ExpDrawStyle::BigPointsLine), picture1_->setFocus(Qt::OtherFocusReason);
}

void Form100::Command3_Click() { Apply(session_.FullSpectrum()); }
void Form100::Command4_Click() { Apply(session_.Expand()); }
void Form100::Command12_Click() { Apply(session_.Narrow()); }
void Form100::Command13_Click() { Apply(session_.Widen()); }
void Form100::Command10_Click() { Apply(session_.Stretch()); }
void Form100::Command11_Click() { Apply(session_.Shrink()); }
void Form100::Command8_Click(int index, int shift) { Apply(session_.StepRight(index, shift)); }
void Form100::Command9_Click(int index, int shift) { Apply(session_.StepLeft(index, shift)); }

void Form100::ScrollBar1_Change(int value) {
    if (settingScroll_) return;
    Apply(session_.ScrollTo(value));
}

// Triggering a checkable action toggles its mark first, as the menu does.
void Form100::mnuCrestThroughCenter_Click() { Action("mnuCrestThroughCenter")->trigger(); }

void Form100::CrestToggled() { Apply(session_.SetCrest(Action("mnuCrestThroughCenter")->isChecked())); }

// ------------------------------------------------------------------- mouse

void Form100::Picture1_MouseDown(int button, int shift, double x, double y) {
    (void)shift, (void)y;
    Apply(session_.MouseDown(button, x));
}

void Form100::Picture1_MouseMove(int buttons, int shift, double x, double y) {
    (void)shift, (void)y;
    image4_->GraphMouseMove();
    Apply(session_.MouseMove(buttons, x));
}

void Form100::Picture1_MouseUp(int button, int shift, double x, double y) {
    (void)shift, (void)y;
    Apply(session_.MouseUp(button, x));
}

void Form100::Picture1_Resize(QSize size) { Apply(session_.Resize(size.width(), size.height())); }

void Form100::Image1_MouseDown(int button) { Apply(session_.BandMouseDown(button)); }

void Form100::Form_MouseMove() { Apply(session_.MouseOutsideGraph()); }

// ------------------------------------------------------------- calibration

Form100::RefChoice Form100::RunRefDialog() {
    RefDialog d(this, *dialogs_, RefTable());
    d.exec();
    RefChoice c;
    // Closed without OK or Cancel counts as Cancel.
    c.RefCancelled = d.result() != QDialog::Accepted || d.RefCancelled;
    c.RefName = d.RefName;
    c.RefShift = d.RefShift;
    c.AutoAdjustTMS = d.AutoAdjustTMS;
    c.NPointsSearch = d.NPointsSearch;
    return c;
}

void Form100::mnuAdjust_Click() {
    if (!session_.CanAdjust()) return;
    const RefChoice c = runRefDialog ? runRefDialog() : RunRefDialog();
    Apply(session_.AdjustReference(c));
}

// ----------------------------------------------------------------- reading

void Form100::Command1_Click() { Apply(session_.ToggleReading()); }

void Form100::mnuFreqHz_Click() { Action("mnuFreqHz")->trigger(); }

void Form100::FreqHzToggled() { Apply(session_.SetFrequencyReading(Action("mnuFreqHz")->isChecked())); }

}  // namespace quble
