// "Graph Background": the graph's back colour and the colour family of its
// grid, changed live on the graph.
#pragma once

#include <QDialog>
#include <QWidget>
#include <array>
#include <functional>

#include "platform/drawing_surface.h"

class QLabel;

namespace quble {

// A small picture of a back colour with sample grid lines of one family
// (or none), as the dialogs show it.
class GridPreview : public QWidget {
    Q_OBJECT
public:
    explicit GridPreview(QWidget* parent = nullptr);
    void Show(ColorRef back, bool grid, int gridCode);
    ColorRef Back() const { return back_; }
    bool Grid() const { return grid_; }
    int GridCode() const { return code_; }
    QSize sizeHint() const override { return {90, 50}; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    ColorRef back_ = 0xFFFFFF;
    bool grid_ = false;
    int code_ = 19;
};

// The settings the dialog changes, and how the graph is redrawn.
struct BackgroundLink {
    std::function<int()> backIndex;
    std::function<bool()> grid;
    std::function<int()> gridCode;
    std::function<void(int backIndex, bool grid, int gridCode)> set;  // sets and redraws
};

// Object names: "Form5", frames "Frame1" ("Graph Back Color") and "Frame2"
// ("Graph Background Grid Color"), swatches "Label1_0".."Label1_3",
// previews "Picture1_0".."Picture1_4" (4 is "No Grid"), button "Command1".
class Form5 : public QDialog {
    Q_OBJECT
public:
    Form5(QWidget* parent, BackgroundLink link);
    void Label1_Click(int index);
    void Picture1_Click(int index);
    void Command1_Click();
    GridPreview* Preview(int index) const { return previews_[static_cast<std::size_t>(index)]; }

private:
    void RefreshPreviews();
    BackgroundLink link_;
    std::array<GridPreview*, 4> swatches_{};
    std::array<GridPreview*, 5> previews_{};
};

}  // namespace quble
