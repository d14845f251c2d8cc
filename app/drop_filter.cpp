#include "app/drop_filter.h"

#include <QDropEvent>
#include <QMimeData>
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

DropFilter::DropFilter(QWidget* window, bool allowPicture, DropHandler handler)
    : QObject(window), allowPicture_(allowPicture), handler_(std::move(handler)) {}

bool DropFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::DragEnter && t != QEvent::DragMove && t != QEvent::Drop) return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const DropTarget target = ClassifyDrop(DroppedPaths(drop->mimeData()), allowPicture_);
    if (target.kind == DropKind::None) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (t == QEvent::Drop) QTimer::singleShot(0, this, [this, target] { handler_(target); });
    return true;
}

DropFilter* AcceptDrops(QWidget* window, bool allowPicture, DropHandler handler) {
    auto* f = new DropFilter(window, allowPicture, std::move(handler));
    window->setAcceptDrops(true);
    window->installEventFilter(f);
    return f;
}

}  // namespace quble
