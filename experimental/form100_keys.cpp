// The experimental window's shortcuts, on its own menu entries and scoped to
// the window (the simulator beside it in the frame has the same keys), and
// its mouse wheel: zoom about the pointer, Shift+wheel to scroll.
#include <QAction>
#include <QKeySequence>

#include "experimental/form100_window.h"
#include "platform/window_shortcut.h"

namespace quble {

void Form100::SetUpKeyboard() {
    auto key = [this](const char* name, const QKeySequence& seq) { SetChildShortcut(this, Action(name), seq); };
    key("mnuOpenFull", QKeySequence::Open);
    key("mnuExportPicture", Qt::CTRL | Qt::Key_E);
    key("mnuExit", Qt::CTRL | Qt::Key_Q);
    key("mnuCopy", QKeySequence::Copy);
    key("mnuPaste", QKeySequence::Paste);
    key("mnuTransferData", Qt::CTRL | Qt::Key_T);
    key("mnuAnalyse", Qt::CTRL | Qt::Key_M);
    connect(picture1_, &ExpGraphBox::wheelTurned, this,
            [this](int steps, int shift, double x) { Picture1_Wheel(steps, shift, x); });
}

void Form100::Picture1_Wheel(int steps, int shift, double x) {
    Apply(session_.Wheel(x, steps, (shift & 1) != 0));
}

}  // namespace quble
