#include "simulator/fit_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/number_text.h"

namespace quble {

FitDialog::FitDialog(QWidget* parent, const SimulationState& sim, const std::array<std::string, kMaxHydrogens>& names,
                     const OverlayFitChoice& start)
    : QDialog(parent), sim_(sim) {
    setObjectName("frmFit");
    setWindowTitle("Fit to Experimental");
    auto* column = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "The ticked values are fitted to the experimental points of the multiplet; the others are held.\n"
        "J boxes with the same value stay equal. Edit > Undo Fit brings the boxes back.",
        this);
    intro->setWordWrap(true);
    column->addWidget(intro);
    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    column->addWidget(List1);

    auto add = [this](const std::string& text, bool on, int kind, int h, int k) {
        auto* item = new QListWidgetItem(QString::fromStdString(text), List1);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        entries_.push_back({kind, h, k, item});
    };
    for (int h = 1; h <= sim.NH; ++h) {
        const std::string& name = names[static_cast<std::size_t>(h - 1)];
        add("Shift of " + name + " (" + FormatNumber(sim.Shift[h], '.') + " Hz)", start.varyShift[h], 0, h, 0);
        for (int k = 1; k <= sim.NJ[h]; ++k) {
            if (sim.JVal[h][k] == 0.0f) continue;  // no coupling to fit
            add("J" + std::to_string(k) + " of " + name + " (" + FormatNumber(sim.JVal[h][k], '.') + " Hz)",
                start.varyJ[h][k], 1, h, k);
        }
    }
    add("Width at half height (" + FormatNumber(sim.Width, '.') + " Hz)", start.varyWidth, 2, 0, 0);
    add("Lorentzian share", start.varyLorentz, 3, 0, 0);
    add("Baseline (offset and slope)", start.varyBaseline, 4, 0, 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("&Fit");
    buttons->button(QDialogButtonBox::Ok)->setObjectName("OKButton");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    resize(380, 360);
}

OverlayFitChoice FitDialog::Choice() const {
    OverlayFitChoice c;
    for (const Entry& e : entries_) {
        const bool on = e.item->checkState() == Qt::Checked;
        switch (e.kind) {
            case 0: c.varyShift[e.h] = on; break;
            case 1: c.varyJ[e.h][e.k] = on; break;
            case 2: c.varyWidth = on; break;
            case 3: c.varyLorentz = on; break;
            default: c.varyBaseline = on; break;
        }
    }
    return c;
}

}  // namespace quble
