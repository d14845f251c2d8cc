// "Line Color": the palette from which the user picks the colour of a branch
// of the splitting diagram and everything below it.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "platform/dialogs.h"

class QLabel;
class QPushButton;

namespace quble {

class LinePreview;

// Object names: "Form3", swatches "Label1_0".."Label1_9", preview box
// "Picture1" holding the four lines, buttons "Command1" (confirm), "Command2"
// ("Reset all to black"), "Command3" ("More colors"), prompt "Label2".
class Form3 : public QDialog {
    Q_OBJECT
public:
    // linBlack resets every branch colour of the simulator window.
    Form3(QWidget* parent, Dialogs* dialogs, std::function<void()> linBlack);

    static ColorRef PaletteColor(int swatch);

    void Label1_Click(int index);
    void Command1_Click();   // confirm
    void Command2_Click();   // reset all to black
    void Command3_Click();   // more colours

    // The chosen colour as decimal text ("" until something is picked).
    const std::string& ChosenColor() const { return chosen_; }
    ColorRef PreviewColor() const { return preview_; }
    // Modal: the chosen colour when a button closed the dialog, nothing when
    // the window's close button did (the branch then keeps its colour).
    std::optional<std::string> ShowModal();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetPreview(ColorRef c);
    void Finish();

    Dialogs* dialogs_;
    std::function<void()> linBlack_;
    std::array<QLabel*, 10> swatches_{};
    LinePreview* picture1_ = nullptr;
    std::string chosen_;
    ColorRef preview_ = 0;
    bool confirmed_ = false;
};

}  // namespace quble
