// A shortcut for a child window of the frame. Both child windows live in one
// frame and carry the same keys: a window shortcut of each would cancel the
// other's, so the key belongs to the window that has the focus.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QWidget>

namespace quble {

inline void SetChildShortcut(QWidget* window, QAction* action, const QKeySequence& keys) {
    if (!action) return;
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    window->addAction(action);
}

}  // namespace quble
