#include "platform/qt_dialogs.h"

#include "platform/opening_options_dialog.h"

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QString>

namespace quble {

MsgAnswer QtDialogs::MessageBox(const std::string& title, const std::string& text, MsgButtons buttons,
                                MsgIcon icon) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromStdString(title));
    // The texts are written with CR LF breaks; Qt wants plain line feeds.
    QString body = QString::fromStdString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(body);
    switch (icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return MsgAnswer::Ok;
        case QMessageBox::Yes: return MsgAnswer::Yes;
        case QMessageBox::No: return MsgAnswer::No;
        case QMessageBox::Cancel: return MsgAnswer::Cancel;
        default:
            // Closed by the window's close button: the mildest answer.
            if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
            return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
    }
}

std::optional<std::string> QtDialogs::InputBox(const std::string& prompt, const std::string& title,
                                               const std::string& defaultText) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent_, QString::fromStdString(title),
                                                 QString::fromStdString(prompt), QLineEdit::Normal,
                                                 QString::fromStdString(defaultText), &ok);
    if (!ok) return std::nullopt;
    return answer.toStdString();
}

std::optional<ColorRef> QtDialogs::ChooseColor(ColorRef initial) {
    const ColorRef c = ResolveColor(initial);
    const QColor chosen = QColorDialog::getColor(QColor(RedOf(c), GreenOf(c), BlueOf(c)), parent_);
    if (!chosen.isValid()) return std::nullopt;
    return Rgb(chosen.red(), chosen.green(), chosen.blue());
}

std::optional<std::string> QtDialogs::OpenFile(const std::string& title, const std::string& startPath,
                                               const std::string& filter) {
    const QString path = QFileDialog::getOpenFileName(parent_, QString::fromStdString(title),
                                                      QString::fromStdString(startPath), QString::fromStdString(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtDialogs::SaveFile(const std::string& title, const std::string& startPath,
                                               const std::string& filter) {
    const QString path = QFileDialog::getSaveFileName(parent_, QString::fromStdString(title),
                                                      QString::fromStdString(startPath), QString::fromStdString(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<OpeningChoice> QtDialogs::OpeningOptions(const OpeningChoice& current) {
    OpeningOptionsDialog dialog(current, parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.choice();
}

}  // namespace quble
