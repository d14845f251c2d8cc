// "Fit to Experimental": which of the simulation's values the fit may change.
#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>

#include "simulator/overlay_fit.h"

class QListWidget;
class QListWidgetItem;

namespace quble {

class FitDialog : public QDialog {
    Q_OBJECT
public:
    // names: the hydrogens' titles ("H7"), as the graph shows them.
    FitDialog(QWidget* parent, const SimulationState& sim, const std::array<std::string, kMaxHydrogens>& names,
              const OverlayFitChoice& start);
    OverlayFitChoice Choice() const;

    QListWidget* List1 = nullptr;

private:
    const SimulationState& sim_;
    // Item per parameter: kind 0 shift, 1 J, 2 width, 3 Lorentzian share, 4 baseline.
    struct Entry {
        int kind = 0, h = 0, k = 0;
        QListWidgetItem* item = nullptr;
    };
    std::vector<Entry> entries_;
};

}  // namespace quble
