// Work that may take a while (a fit, an analysis of a wide band), run off the
// window's thread so the window keeps painting. Past 200 ms a progress
// dialog with Cancel appears; Cancel raises the flag the work watches, and
// the caller drops whatever the work produced.
#pragma once

#include <QString>
#include <atomic>
#include <functional>

class QWidget;

namespace quble {

using CancellableWork = std::function<void(const std::atomic<bool>& cancel)>;
// Runs work to its end; false when the user cancelled it.
using WorkRunner = std::function<bool(const QString& title, const QString& label, const CancellableWork& work)>;

bool RunWithProgress(QWidget* parent, const QString& title, const QString& label, const CancellableWork& work);

// The runner windows start with: RunWithProgress over parent.
WorkRunner ProgressRunner(QWidget* parent);

}  // namespace quble
