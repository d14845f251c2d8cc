// The "Opening Options" dialog shown before an experimental spectrum is
// opened from the simulator window.
#pragma once

#include <QDialog>

#include "platform/dialogs.h"

class QCheckBox;
class QRadioButton;

namespace quble {

class OpeningOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OpeningOptionsDialog(const OpeningChoice& current, QWidget* parent = nullptr);

    // The choice as OK applies it: mode and adjustment from the option
    // buttons (the third keeps the adjustment as it was), the tick, and
    // whether the box was clicked while the dialog was open.
    OpeningChoice choice() const;

    QRadioButton* Option1;
    QRadioButton* Option2;
    QRadioButton* Option3;
    QCheckBox* Check1;

private:
    OpeningChoice initial_;
    bool checkClicked_ = false;
};

}  // namespace quble
