#include "platform/opening_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quble {

OpeningOptionsDialog::OpeningOptionsDialog(const OpeningChoice& current, QWidget* parent)
    : QDialog(parent), initial_(current) {
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(QStringLiteral("Opening Options"));
    auto* layout = new QVBoxLayout(this);
    Option1 = new QRadioButton(
        QStringLiteral("Open with auto adjustment to TMS peak and transfer relevant data to compare with the "
                       "simulated spectrum."),
        this);
    Option2 = new QRadioButton(QStringLiteral("Same as above, but without adjustment to TMS peak."), this);
    Option3 = new QRadioButton(QStringLiteral("Just open the experimental spectrum."), this);
    Check1 = new QCheckBox(
        QStringLiteral("Don't show this dialog again (you can recover it from the \"options\" menu)"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2->setObjectName(QStringLiteral("Option2"));
    Option3->setObjectName(QStringLiteral("Option3"));
    Check1->setObjectName(QStringLiteral("Check1"));
    for (QWidget* w : {static_cast<QWidget*>(Option1), static_cast<QWidget*>(Option2),
                       static_cast<QWidget*>(Option3)}) {
        layout->addWidget(w);
    }
    layout->addSpacing(8);
    layout->addWidget(Check1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    cancel->setObjectName(QStringLiteral("CancelButton"));
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    switch (current.OpeningMode) {
        case 2: Option2->setChecked(true); break;
        case 3: Option3->setChecked(true); break;
        default: Option1->setChecked(true); break;
    }
    Check1->setChecked(current.dontShowAgain);
    // Only a click by the user counts, not the initial tick above.
    connect(Check1, &QCheckBox::clicked, this, [this] { checkClicked_ = true; });
}

OpeningChoice OpeningOptionsDialog::choice() const {
    OpeningChoice c = initial_;
    if (Option1->isChecked()) {
        c.OpeningMode = 1;
        c.AutoAdjustTMS = true;
    } else if (Option2->isChecked()) {
        c.OpeningMode = 2;
        c.AutoAdjustTMS = false;
    } else {
        c.OpeningMode = 3;
    }
    c.dontShowAgain = Check1->isChecked();
    c.checkClicked = checkClicked_;
    return c;
}

}  // namespace quble
