// The simulator window from the keyboard: the usual shortcuts on its menu
// entries, a tab order that follows the Enter sequence, and sliders that
// keep the focus while keys drive them and say their value.
#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>

#include "simulator/form1_internal.h"
#include "simulator/form1_window.h"
#include "platform/window_shortcut.h"

namespace quble {

using namespace form1detail;

void Form1::SetUpKeyboard() {
    auto key = [this](const char* name, const QKeySequence& seq) { SetChildShortcut(this, Action(name), seq); };
    if (QMenu* file = menuBar()->findChild<QMenu*>("mnuFile")) {
        QAction* go = new QAction("&Go (Calculate and Plot)", this);
        go->setObjectName("mnuGo");
        connect(go, &QAction::triggered, this, [this] {
            // As the Go buttons: nothing sound to calculate after New or an
            // edited count.
            if (Command1[0]->isEnabled()) Command1_Click();
        });
        QAction* before = Action("mnuNew");
        const QList<QAction*> all = file->actions();
        const int at = all.indexOf(before);
        file->insertAction(at >= 0 && at + 1 < all.size() ? all[at + 1] : nullptr, go);
    }
    key("mnuNew", QKeySequence::New);
    key("mnuGo", Qt::Key_F5);
    key("mnuOpenExpSpec", QKeySequence::Open);
    key("mnuExportPicture", Qt::CTRL | Qt::Key_E);
    key("mnuExit", Qt::CTRL | Qt::Key_Q);
    key("mnuCopyMF", QKeySequence::Copy);
    key("mnuCopyBW", Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    key("mnuPaste", QKeySequence::Paste);
    key("mnuCopyText", Qt::CTRL | Qt::ALT | Qt::Key_C);
    key("mnuPasteText", Qt::CTRL | Qt::ALT | Qt::Key_V);
    key("mnuFit", Qt::CTRL | Qt::Key_F);
    key("mnuUndoFit", QKeySequence::Undo);

    // Tab walks the boxes in the order Enter does: count, shifts, J counts,
    // J values, then resolution, width and Go. Hidden boxes are skipped.
    std::vector<QWidget*> chain{Text2};
    for (QLineEdit* b : Text6) chain.push_back(b);
    for (QLineEdit* b : Text1) chain.push_back(b);
    for (const auto& row : jBox_)
        for (QLineEdit* b : row) chain.push_back(b);
    chain.insert(chain.end(), {Text3, Text4, Command1[0], Slider4, Command1[1], Slider1w, Slider2w, Slider3w});
    for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);

    auto tip = [](QSlider* s, const QString& what) {
        auto show = [s, what](int v) { s->setToolTip(what.arg(v)); };
        show(s->value());
        connect(s, &QSlider::valueChanged, s, show);
    };
    tip(Slider4, "Lorentzian percentage of the line shape: %1 %");
    tip(Slider1w, "Horizontal scale of the graph: %1");
    tip(Slider2w, "Height of the splitting diagram: %1");
    tip(Slider3w, "Height of the spectrum (higher is smaller): %1");
}

}  // namespace quble
