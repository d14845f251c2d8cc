#include "platform/background_work.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <chrono>
#include <exception>
#include <thread>

namespace quble {

bool RunWithProgress(QWidget* parent, const QString& title, const QString& label, const CancellableWork& work) {
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work(cancel);
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
    });

    QProgressDialog progress(label, "Cancel", 0, 0, parent);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(200);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);

    // Until the dialog shows, the window takes no input (a second click
    // would start the work again); from then on the modal dialog keeps the
    // window blocked and its Cancel button takes the clicks.
    QElapsedTimer clock;
    clock.start();
    bool shown = false;
    while (!done.load()) {
        if (!shown && clock.elapsed() >= 200) {
            progress.show();
            shown = true;
        }
        QCoreApplication::processEvents(shown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents, 5);
        if (shown && progress.wasCanceled() && !cancel.load()) {
            cancel.store(true);
            progress.setLabelText("Cancelling...");
        }
        if (!done.load()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    worker.join();
    progress.close();
    // Out of memory and the like reach the caller on its own thread.
    if (failure) std::rethrow_exception(failure);
    return !cancel.load();
}

WorkRunner ProgressRunner(QWidget* parent) {
    return [parent](const QString& title, const QString& label, const CancellableWork& work) {
        return RunWithProgress(parent, title, label, work);
    };
}

}  // namespace quble
