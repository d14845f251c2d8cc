#include "experimental/multiplet_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quble {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

MultipletWindow::MultipletWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("frmMultiplet");
    setWindowTitle("Multiplet Analysis");
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    LabelCentre = label("LabelCentre");
    LabelMultiplicity = label("LabelMultiplicity");
    LabelJ = label("LabelJ");
    LabelJ->setWordWrap(true);
    LabelConfidence = label("LabelConfidence");
    LabelConfidence->setToolTip("Near 1 when the fit explains the points to the noise and every J is known to "
                                "better than 0.1 Hz; below 0.5 the region is not a first-order multiplet.");
    form->addRow("Centre:", LabelCentre);
    form->addRow("Multiplicity:", LabelMultiplicity);
    form->addRow("J:", LabelJ);
    form->addRow("Confidence:", LabelConfidence);
    column->addLayout(form);
    LabelNote = label("LabelNote");
    LabelNote->setWordWrap(true);
    column->addWidget(LabelNote);
    TextJournal = new QLineEdit(this);
    TextJournal->setObjectName("TextJournal");
    TextJournal->setReadOnly(true);
    TextJournal->setMinimumWidth(360);
    column->addWidget(TextJournal);

    auto* buttons = new QHBoxLayout;
    CommandCopy = new QPushButton("&Copy Text", this);
    CommandCopy->setObjectName("CommandCopy");
    CommandSend = new QPushButton("&Send to Simulator", this);
    CommandSend->setObjectName("CommandSend");
    CommandSend->setToolTip("Fill one hydrogen of the simulator with this multiplet and overlay the spectrum");
    CommandClose = new QPushButton("Close", this);
    CommandClose->setObjectName("CommandClose");
    buttons->addWidget(CommandCopy);
    buttons->addStretch();
    buttons->addWidget(CommandSend);
    buttons->addWidget(CommandClose);
    column->addLayout(buttons);

    connect(CommandCopy, &QPushButton::clicked, this, [this] {
        if (onCopyText) onCopyText(result_.text);
    });
    connect(CommandSend, &QPushButton::clicked, this, [this] {
        // The result is copied first: sending may open another analysis.
        const analysis::MultipletAnalysis a = result_;
        hide();
        if (onSendToSimulator) onSendToSimulator(a);
    });
    connect(CommandClose, &QPushButton::clicked, this, &QDialog::hide);
}

void MultipletWindow::Show(const analysis::MultipletAnalysis& a, char decSep) {
    result_ = a;
    const analysis::MultipletTexts t = analysis::DescribeAnalysis(a, decSep);
    LabelCentre->setText(Q(t.centre));
    LabelMultiplicity->setText(Q(t.multiplicity));
    LabelJ->setText(Q(t.couplings));
    LabelConfidence->setText(Q(t.confidence));
    LabelNote->setText(Q(t.note));
    LabelNote->setVisible(!t.note.empty());
    TextJournal->setText(Q(a.text));
    TextJournal->setCursorPosition(0);
    // Nothing first-order to put in the boxes.
    CommandSend->setEnabled(a.firstOrder);
    CommandCopy->setEnabled(!a.text.empty());
    adjustSize();
    show();
    raise();
    activateWindow();
}

}  // namespace quble
