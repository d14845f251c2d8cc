// The frame window: a multiple-document area holding the simulator window,
// a bar of command buttons that forward to the simulator's own commands, a
// small toolbar, and the About box.
#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/user_state.h"

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QLabel;
class QMenu;
class QPushButton;
class QToolBar;

namespace quble {

struct DropTarget;
class Form1;
struct FrameMarking;
class Form100;

// Object names: "MDIForm1"; panels "Picture1" (simulator) and "Picture2"
// (experimental); buttons "Command1", "Command2_0".."Command2_2", "Command3",
// "Command4", "Command24", "Command5", "Command6", "Command21", "Command23",
// "Command22", "Command20", "Command7", "Command8", "Command9", "Command10" ..
// "Command19"; toolbar "Toolbar1" with actions whose data is their key
// ("Open", "Copy", "Go"). The experimental window "Form100" is created on
// first use and then reused.
class MainFrame : public QMainWindow {
    Q_OBJECT
public:
    // dialogs may be null: the real Qt dialogs are used then.
    explicit MainFrame(Dialogs* dialogs = nullptr);
    // With the program folder (examples, settings file) chosen before the
    // simulator loads, instead of the one beside the program: a frame that
    // must not read or write the installed program's files.
    MainFrame(Dialogs* dialogs, std::filesystem::path programFolder);
    ~MainFrame() override;

    Form1* form1() const { return form1_; }
    QMdiSubWindow* form1Window() const { return form1Sub_; }
    QMdiArea* mdiArea() const { return mdi_; }
    // The experimental window, or null before its first use.
    Form100* form100() const { return form100_; }
    QMdiSubWindow* form100Window() const { return form100Sub_; }
    // Creates the experimental window (which opens the first example) when
    // it does not exist yet.
    Form100* EnsureForm100();
    // Show the experimental window and its button panel.
    void ShowExperimental();
    // "Open experimental spectrum": the window, then its open dialog; true
    // when a new spectrum was opened.
    bool OpenExperimental(bool autoAdjustTMS);
    // The marking mode's toggle button and labels.
    void ShowMarking(const FrameMarking& m);
    int Form100Creations() const { return form100Creations_; }

    void Command1_Click();
    void Command2_Click(int index);
    void Command5_Click();
    void Command6_Click();
    void Toolbar1_ButtonClick(const QString& key);
    void ShowAbout();

    // --- the desktop side (frame_desktop.cpp) ---
    // "&User Guide" (F1): the guide opened by opener, which tests replace
    // (by default the bundled guide in the desktop's browser).
    void mnuUserGuide_Click();
    void SetGuideOpener(std::function<bool(QString*)> opener) { guideOpener_ = std::move(opener); }
    // The per-user state file: read now (recent spectra, window places) and
    // written when the frame closes. Without one nothing is remembered.
    void UseStateFile(std::filesystem::path file);
    const std::filesystem::path& StateFile() const { return stateFile_; }
    // The frame at its remembered place (kept on the screen), or sized to
    // the screen on the first run; maximised when it was.
    void ShowAtStart();
    // The window places as they are now, and the whole state written.
    void RememberPlaces();
    bool SaveState();
    const std::vector<std::string>& RecentSpectra() const { return state_.recentSpectra; }
    // "Recent Spectra" in the experimental window's File menu.
    void OpenRecent(std::string path);
    void ClearRecent();
    // A drop on the frame or on one of its windows (onto: the window).
    void HandleDrop(const DropTarget& target, QWidget* onto);

    // The colour each line-shape button shows (0x00BBGGRR or a system colour).
    ColorRef ShapeButtonColor(int index) const { return shapeColors_.at(index); }
    void HighlightShapeButton(int index);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void MDIForm_Load();
    void AddRecentMenu();
    void FillRecentMenu();
    void SpectrumOpened(const std::string& path);
    // Child windows moved and shrunk to lie inside the workspace.
    void KeepInWorkspace(QMdiSubWindow* w);
    void KeepWholeWhenMaximized(QMdiSubWindow* w);
    // False when the state holds no place for the window.
    bool ApplyPlace(QMdiSubWindow* w);
    bool HasPlace(const QMdiSubWindow* w) const;
    // The whole workspace, for a window that has no place of its own yet.
    void FillWorkspace(QMdiSubWindow* w);
    QPushButton* MakeButton(QWidget* panel, const QString& name, const QString& caption, const QString& tip);
    void ShowPanels(bool simulator);

    std::unique_ptr<Dialogs> ownDialogs_;
    Dialogs* dialogs_;
    // Empty: the one beside the program.
    std::filesystem::path programFolder_;
    QMdiArea* mdi_ = nullptr;
    Form1* form1_ = nullptr;
    QPushButton* command23_ = nullptr;
    std::array<QLabel*, 3> panelLabels_{};
    QMdiSubWindow* form1Sub_ = nullptr;
    QWidget* picture1_ = nullptr;
    QWidget* picture2_ = nullptr;
    QToolBar* toolbar1_ = nullptr;
    QPushButton* command1_ = nullptr;
    std::array<QPushButton*, 3> command2_{};
    std::array<ColorRef, 3> shapeColors_{};
    Form100* form100_ = nullptr;
    QMdiSubWindow* form100Sub_ = nullptr;
    QPushButton* command8_ = nullptr;
    QPushButton* command9_ = nullptr;
    int form100Creations_ = 0;

    std::function<bool(QString*)> guideOpener_;
    std::filesystem::path stateFile_;
    UserState state_;
    QMenu* recentMenu_ = nullptr;
};

}  // namespace quble
