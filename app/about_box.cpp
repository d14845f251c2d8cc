#include "app/about_box.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace quble {

AboutBox::AboutBox(QWidget* parent, Dialogs& dialogs) : QDialog(parent), dialogs_(dialogs) {
    setObjectName("frmAbout");
    const QString title = QApplication::applicationName().isEmpty() ? "Quble" : QApplication::applicationName();
    setWindowTitle("About " + title);
    setFixedSize(440, 250);

    auto* icon = new QLabel(this);
    icon->setObjectName("picIcon");
    icon->setGeometry(16, 16, 40, 40);
    QPixmap pix(40, 40);
    pix.fill(Qt::white);
    {
        // A doublet of doublets: the program's subject in one glance.
        QPainter p(&pix);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::red, 2));
        const int xs[4] = {8, 16, 24, 32};
        for (int x : xs) p.drawLine(x, 36, x, 12);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(2, 37, 38, 37);
    }
    icon->setPixmap(pix);

    auto* lblTitle = new QLabel(title, this);
    lblTitle->setObjectName("lblTitle");
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblTitle->setGeometry(72, 12, 350, 30);

    auto* lblVersion = new QLabel(VersionText(), this);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setGeometry(72, 44, 350, 20);

    auto* lblDescription = new QLabel(DescriptionText(), this);
    lblDescription->setObjectName("lblDescription");
    lblDescription->setWordWrap(true);
    lblDescription->setGeometry(72, 70, 350, 90);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* lblDisclaimer = new QLabel(
        "Warning: the simulation is first order only; strongly coupled spin systems are not described.", this);
    lblDisclaimer->setObjectName("lblDisclaimer");
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setGeometry(16, 170, 280, 60);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setGeometry(320, 170, 104, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { cmdOK_Click(); });

    auto* sys = new QPushButton("&System Info...", this);
    sys->setObjectName("cmdSysInfo");
    sys->setGeometry(320, 206, 104, 28);
    connect(sys, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
}

QString AboutBox::VersionText() {
    return QString("Version %1.%2.%3").arg(QUBLE_VERSION_MAJOR).arg(QUBLE_VERSION_MINOR).arg(QUBLE_VERSION_PATCH);
}

QString AboutBox::DescriptionText() {
    return "This program can calculate and plot NMR first order multiplets starting from information about "
           "chemical shifts and coupling constants values. It can also plot the experimental spectrum on the same "
           "graph, thus providing a picture for visual comparing calculated and experimental curves.";
}

void AboutBox::cmdOK_Click() { accept(); }

void AboutBox::cmdSysInfo_Click() {
    // There is no system-information program to start on this platform.
    dialogs_.MessageBox(QApplication::applicationName().toStdString(), "System Information Is Unavailable At This Time",
                        MsgButtons::Ok, MsgIcon::None);
}

}  // namespace quble
