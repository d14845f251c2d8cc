// The About box: program title, version, what the program does.
#pragma once

#include <QDialog>

#include "platform/dialogs.h"

class QLabel;
class QPushButton;

namespace quble {

// Object names: "frmAbout", "lblTitle", "lblVersion", "lblDescription",
// "lblDisclaimer", "picIcon", "cmdOK", "cmdSysInfo".
class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(QWidget* parent, Dialogs& dialogs);

    static QString VersionText();       // "Version 2.0.0"
    static QString DescriptionText();

    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    Dialogs& dialogs_;
};

}  // namespace quble
