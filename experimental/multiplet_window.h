// The answer of "Analyse Multiplet": where the multiplet lies, what it is,
// its couplings with their uncertainties, how far to trust them, and the
// journal line, with the way on to the simulator.
#pragma once

#include <QDialog>
#include <functional>

#include "analysis/multiplet_analysis.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace quble {

class MultipletWindow : public QDialog {
    Q_OBJECT
public:
    explicit MultipletWindow(QWidget* parent);

    void Show(const analysis::MultipletAnalysis& a, char decSep);
    const analysis::MultipletAnalysis& result() const { return result_; }

    std::function<void(const analysis::MultipletAnalysis&)> onSendToSimulator;
    std::function<void(const std::string& text)> onCopyText;

    QLabel *LabelCentre = nullptr, *LabelMultiplicity = nullptr, *LabelJ = nullptr, *LabelConfidence = nullptr,
           *LabelNote = nullptr;
    QLineEdit* TextJournal = nullptr;
    QPushButton *CommandCopy = nullptr, *CommandSend = nullptr, *CommandClose = nullptr;

private:
    analysis::MultipletAnalysis result_;
};

}  // namespace quble
