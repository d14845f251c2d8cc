// "Set Options for Graph": the Graph menu's choices in one place, applied
// live, undone by Cancel, saved as the start-up defaults on request.
#pragma once

#include <QDialog>
#include <array>

#include "platform/dialogs.h"
#include "settings/settings_file.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quble {

class Form1;
class Form5;
class GridPreview;

// A sample of how a line or a point of the graph will look.
class DrawSample : public QWidget {
    Q_OBJECT
public:
    DrawSample(QWidget* parent, bool point, double size);
    void SetColor(ColorRef c);
    ColorRef Color() const { return color_; }
    QSize sizeHint() const override { return {50, 16}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool point_;
    double size_;
    ColorRef color_ = 0;
};

inline constexpr const char* kSaveWholeSetTitle = "Save the whole set?";
inline constexpr const char* kSaveWholeSetText =
    "If you choose 'Yes', the whole set of options will be saved,\r\n"
    "and these will become the default settings for opening the\r\n"
    "program. Do you want to proceed?";

// Object names as the controls are known: "frmOptions", "Check1_0".."Check1_6",
// "Option1".."Option13", "Label1_0".."Label1_2" (colour swatches),
// "Command1_0".."Command1_3" ("Change"), "Picture2", "cmdOK", "cmdCancel",
// "cmdApply", "CmdSave", "Command2"; menu items "mnuSavePreferences",
// "mnuRecover", "mnuOK", "mnuCancel", "mnuApply".
class OptionsWindow : public QDialog {
    Q_OBJECT
public:
    OptionsWindow(Form1* form, Dialogs* dialogs);

    void Check1_Click(int index);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void Command1_Click(int index);
    void CmdSave_Click();
    void mnuSavePreferences_Click();
    void Command2_Click();

    // The settings the controls stand for, over the current globals.
    GraphSettings FromControls() const;
    // The copy taken at opening, which Cancel puts back.
    const GraphSettings& AtOpening() const { return saved_; }
    Form5* BackgroundDialog() const { return form5_; }

protected:
    void reject() override;  // Esc and the close box cancel

private:
    void ToControls(const GraphSettings& s);
    void SetSwatch(int index, ColorRef c);
    void ShowBackground();
    bool AskSaveWholeSet();

    Form1* form_;
    Dialogs* dialogs_;
    GraphSettings saved_;
    bool closing_ = false;
    std::array<QCheckBox*, 7> check1_{};
    std::array<QRadioButton*, 14> option_{};  // [1]..[13]
    std::array<QLabel*, 3> label1_{};
    std::array<ColorRef, 3> swatch_{};
    std::array<DrawSample*, 3> envSamples_{};
    std::array<DrawSample*, 4> pointSamples_{};
    std::array<DrawSample*, 3> expLineSamples_{};
    GridPreview* picture2_ = nullptr;
    Form5* form5_ = nullptr;
};

}  // namespace quble
