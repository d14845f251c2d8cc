// The frame's part in the desktop: the user guide on F1, files dropped on
// the windows, the recent spectra of the experimental window's File menu,
// and the window places remembered from one run to the next.
#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <algorithm>
#include <filesystem>

#include "app/main_frame.h"
#include "experimental/form100_window.h"
#include "platform/drop_paths.h"
#include "simulator/form1_window.h"

namespace quble {

namespace {

constexpr const char* kFramePlace = "MDIForm1";
constexpr const char* kRecentTitle = "Recent Spectra";

ScreenRect ToScreenRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }
QRect ToQRect(const ScreenRect& r) { return {r.x, r.y, r.width, r.height}; }

// A maximized child fills the workspace whatever its contents need; in a
// small workspace its rows would then be laid over each other (the step
// buttons over the ppm numbers). Holding it at its contents' minimum while
// maximized makes the workspace scroll instead. Restored, it is free again
// and KeepInWorkspace looks after it.
class WholeWhenMaximized : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        if (t == QEvent::WindowStateChange || t == QEvent::LayoutRequest || t == QEvent::Show) {
            if (auto* w = qobject_cast<QMdiSubWindow*>(watched)) {
                const QSize least = w->isMaximized() ? w->minimumSizeHint() : QSize(0, 0);
                if (w->minimumSize() != least) w->setMinimumSize(least);
            }
        }
        return false;
    }
};

// The screen's free area the rectangle lies most on, or the primary one's.
QRect AvailableFor(const QRect& r) {
    QRect best;
    int bestArea = 0;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect a = s->availableGeometry();
        const QRect common = a.intersected(r);
        const int area = common.width() * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = a;
        }
    }
    if (bestArea > 0) return best;
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->availableGeometry() : QRect();
}

}  // namespace

// ---------------------------------------------------------------- help

void MainFrame::mnuUserGuide_Click() {
    QString error;
    if (guideOpener_ && guideOpener_(&error)) return;
    if (error.isEmpty()) error = "The user guide could not be opened.";
    dialogs_->MessageBox("User Guide", error.toStdString(), MsgButtons::Ok, MsgIcon::Warning);
}

// ---------------------------------------------------------------- drops

void MainFrame::HandleDrop(const DropTarget& target, QWidget* onto) {
    switch (target.kind) {
        case DropKind::None:
            return;
        case DropKind::Spectrum: {
            // As the experimental window's Open: that window to the front,
            // then the opening with its own checks and messages.
            ShowExperimental();
            form100_->OpenDroppedSpectrum(target.path.generic_string());
            return;
        }
        case DropKind::Picture:
            if (onto == form1_) {
                form1_->DropFormulaPicture(target.path.string());
            } else if (form100_ && onto == form100_) {
                form100_->DropFormulaPicture(target.path.string());
            }
            return;
    }
}

// ---------------------------------------------------------------- recent spectra

void MainFrame::AddRecentMenu() {
    if (!form100_ || recentMenu_) return;
    QMenu* file = form100_->menuBar()->findChild<QMenu*>("mnuFile");
    if (!file) return;
    recentMenu_ = new QMenu(kRecentTitle, file);
    recentMenu_->setObjectName("mnuRecent");
    // Right after "&Open", where the eye looks for it.
    QAction* open = form100_->findChild<QAction*>("mnuOpenFull");
    const QList<QAction*> all = file->actions();
    const qsizetype at = open ? all.indexOf(open) : -1;
    QAction* before = at >= 0 && at + 1 < all.size() ? all[at + 1] : nullptr;
    file->insertMenu(before, recentMenu_)->setObjectName("mnuRecentMenu");
    FillRecentMenu();
}

void MainFrame::FillRecentMenu() {
    if (!recentMenu_) return;
    recentMenu_->clear();
    int n = 0;
    for (const std::string& path : state_.recentSpectra) {
        ++n;
        const QString shown = QString::fromStdString(std::filesystem::path(path).make_preferred().string());
        // Ampersands in a folder name are text, not accelerators.
        QString label = QString(shown).replace('&', "&&");
        if (n <= 9) label = QString("&%1  %2").arg(n).arg(label);
        QAction* a = recentMenu_->addAction(label);
        a->setObjectName(QString("mnuRecent%1").arg(n - 1));
        a->setData(QString::fromStdString(path));
        a->setToolTip(shown);
        connect(a, &QAction::triggered, this, [this, path] { OpenRecent(path); });
    }
    if (n > 0) recentMenu_->addSeparator();
    QAction* clear = recentMenu_->addAction("Clear List");
    clear->setObjectName("mnuRecentClear");
    clear->setEnabled(n > 0);
    connect(clear, &QAction::triggered, this, [this] { ClearRecent(); });
}

void MainFrame::SpectrumOpened(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    AddRecentSpectrum(state_.recentSpectra, (ec ? std::filesystem::path(path) : full).lexically_normal().generic_string());
    FillRecentMenu();
    // Written at once: a program that ends abnormally keeps the list.
    SaveState();
}

void MainFrame::OpenRecent(std::string path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        RemoveRecentSpectrum(state_.recentSpectra, path);
        FillRecentMenu();
        SaveState();
        dialogs_->MessageBox(kRecentTitle,
                             "The spectrum \"" + path + "\" is no longer there; it was taken off the list.",
                             MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    ShowExperimental();
    form100_->OpenDroppedSpectrum(path);
}

void MainFrame::ClearRecent() {
    state_.recentSpectra.clear();
    FillRecentMenu();
    SaveState();
}

// ---------------------------------------------------------------- window places

void MainFrame::UseStateFile(std::filesystem::path file) {
    stateFile_ = std::move(file);
    std::string warning;
    state_ = LoadUserState(stateFile_, &warning);
    // A damaged file is no reason to stop or to ask: it is rewritten at the end.
    if (!warning.empty()) qWarning("%s", warning.c_str());
    ApplyPlace(form1Sub_);
    if (form100Sub_) ApplyPlace(form100Sub_);
    FillRecentMenu();
}

void MainFrame::ShowAtStart() {
    const auto it = state_.windows.find(kFramePlace);
    if (it != state_.windows.end()) {
        const QRect area = AvailableFor(ToQRect(it->second.rect.Empty() ? ScreenRect{} : it->second.rect));
        setGeometry(ToQRect(FitInside(it->second.rect, ToScreenRect(area))));
        if (it->second.maximized) {
            showMaximized();
        } else {
            show();
            // The window manager's frame is known once shown: the title bar
            // must stay on the screen too.
            const QRect outer = frameGeometry(), inner = geometry();
            const QRect room = area.adjusted(inner.left() - outer.left(), inner.top() - outer.top(),
                                             inner.right() - outer.right(), inner.bottom() - outer.bottom());
            if (!room.contains(inner)) setGeometry(ToQRect(FitInside(ToScreenRect(inner), ToScreenRect(room))));
        }
    } else {
        // First run: most of the screen, so both windows fit beside the bars.
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect a = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
        const QSize size(std::min(a.width() * 9 / 10, 1400), std::min(a.height() * 9 / 10, 1000));
        setGeometry(QRect(a.center() - QPoint(size.width() / 2, size.height() / 2), size));
        show();
    }
    // The workspace has its size only now.
    if (!HasPlace(form1Sub_)) FillWorkspace(form1Sub_);
    KeepInWorkspace(form1Sub_);
    if (form100Sub_) KeepInWorkspace(form100Sub_);
}

bool MainFrame::HasPlace(const QMdiSubWindow* w) const {
    return w && state_.windows.count(w->objectName().toStdString()) > 0;
}

bool MainFrame::ApplyPlace(QMdiSubWindow* w) {
    if (!HasPlace(w)) return false;
    const WindowPlace& place = state_.windows.at(w->objectName().toStdString());
    if (place.maximized) {
        w->showMaximized();
    } else {
        w->setGeometry(ToQRect(place.rect));
    }
    return true;
}

void MainFrame::FillWorkspace(QMdiSubWindow* w) {
    // On a big screen the graph gets the room rather than the form's own
    // size, but never less than its contents need: KeepInWorkspace would
    // take a smaller window for the user's choice and leave it cut. The room
    // is the workspace without scroll bars, which a window too big for it
    // may have brought and which go when that window is made smaller.
    const QSize space = mdi_->maximumViewportSize();
    if (!w || w->isMaximized() || space.width() < 100 || space.height() < 100) return;
    const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
    w->setGeometry(QRect(QPoint(0, 0), space.expandedTo(least)));
}

void MainFrame::KeepWholeWhenMaximized(QMdiSubWindow* w) { w->installEventFilter(new WholeWhenMaximized(w)); }

void MainFrame::KeepInWorkspace(QMdiSubWindow* w) {
    if (!w || w->isMaximized()) return;
    const QSize space = mdi_->viewport()->size();
    // Before the frame is laid out the workspace has no real size yet.
    if (space.width() < 100 || space.height() < 100) return;
    // Not cut below what its contents need: in a small workspace (a high
    // scale factor on a small screen) the graph and its controls would be
    // lost beyond the edge, while a window that keeps that size makes the
    // workspace scroll to them.
    const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
    w->setGeometry(ToQRect(FitInside(ToScreenRect(w->geometry()), {0, 0, space.width(), space.height()},
                                     {least.width(), least.height()})));
}

void MainFrame::RememberPlaces() {
    const bool max = isMaximized();
    const QRect frameRect = max ? normalGeometry() : geometry();
    if (frameRect.isValid()) state_.windows[kFramePlace] = {ToScreenRect(frameRect), max};
    for (QMdiSubWindow* w : {form1Sub_, form100Sub_}) {
        if (!w) continue;
        const bool wMax = w->isMaximized();
        const QRect r = wMax && w->normalGeometry().isValid() ? w->normalGeometry() : w->geometry();
        if (r.isValid()) state_.windows[w->objectName().toStdString()] = {ToScreenRect(r), wMax};
    }
}

bool MainFrame::SaveState() {
    if (stateFile_.empty()) return false;
    std::string error;
    if (!SaveUserState(stateFile_, state_, &error)) {
        // Losing the window places is not worth a message box at every close.
        qWarning("%s", error.c_str());
        return false;
    }
    return true;
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (!stateFile_.empty()) {
        RememberPlaces();
        SaveState();
    }
    QMainWindow::closeEvent(event);
}

}  // namespace quble
