#include "app/drop_filter.h"

#include <QApplication>
#include <QDropEvent>
#include <QHash>
#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace quble {

std::vector<std::filesystem::path> DroppedPaths(const QMimeData* data) {
    std::vector<std::filesystem::path> paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QString local = url.toLocalFile();
        if (!local.isEmpty()) paths.emplace_back(local.toStdString());
    }
    return paths;
}

namespace {

// One filter for the whole program: a drag over an input box reaches the box
// first (boxes take text drops), so the windows' own filters would never see
// it. The nearest window registered above the widget under the pointer
// takes the drop.
class DropRouter : public QObject {
public:
    static DropRouter& Instance() {
        static QPointer<DropRouter> router;
        if (!router) {
            router = new DropRouter(qApp);
            qApp->installEventFilter(router);
        }
        return *router;
    }

    void Add(QWidget* window, bool allowPicture, DropHandler handler) {
        targets_.insert(window, Target{allowPicture, std::move(handler)});
        connect(window, &QObject::destroyed, this, [this, window] { targets_.remove(window); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        if (t != QEvent::DragEnter && t != QEvent::DragMove && t != QEvent::Drop) return false;
        if (!watched->isWidgetType()) return false;
        QWidget* window = static_cast<QWidget*>(watched);
        while (window && !targets_.contains(window)) window = window->parentWidget();
        if (!window) return false;
        auto* drop = static_cast<QDropEvent*>(event);
        const Target& target = targets_[window];
        const DropTarget found = ClassifyDrop(DroppedPaths(drop->mimeData()), target.allowPicture);
        if (found.kind == DropKind::None) {
            // Text and the like stay with the widget (a box takes dragged text);
            // files that mean nothing here are refused by the window.
            if (watched != window && !drop->mimeData()->hasUrls()) return false;
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        if (t == QEvent::Drop) {
            const DropHandler handler = target.handler;
            QTimer::singleShot(0, window, [handler, found] { handler(found); });
        }
        return true;
    }

private:
    using QObject::QObject;
    struct Target {
        bool allowPicture = false;
        DropHandler handler;
    };
    QHash<QWidget*, Target> targets_;
};

}  // namespace

void AcceptDrops(QWidget* window, bool allowPicture, DropHandler handler) {
    window->setAcceptDrops(true);
    DropRouter::Instance().Add(window, allowPicture, std::move(handler));
}

}  // namespace quble
