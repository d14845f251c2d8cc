#include "platform/help_qt.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

#include "examples/program_folder.h"
#include "platform/help_paths.h"

namespace quble {

bool OpenUserGuide(QString* error) {
    const std::filesystem::path exeDir = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path guide = FindUserGuideFor(exeDir);
    if (guide.empty()) {
        if (error) *error = QString::fromStdString(UserGuideMissingText(InstalledDataFolders(exeDir)));
        return false;
    }
    const QString file = QString::fromStdString(guide.string());
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file))) {
        if (error) {
            *error = QStringLiteral("The user guide \"%1\" could not be opened: no program to show web pages "
                                    "was found (xdg-open opens them on most desktops).")
                         .arg(file);
        }
        return false;
    }
    if (error) error->clear();
    return true;
}

}  // namespace quble
