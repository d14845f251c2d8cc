// A graph picture box: it keeps its drawing in an image like a picture box
// with AutoRedraw, draws through a DrawingSurface in user units (a user
// scale scaleWidth wide, the height in proportion), and reports the mouse
// in those units. The simulator's graph (663 units wide) and the
// experimental graph (its own pixels) are both one of these.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

#include "platform/drawing_surface.h"

namespace quble {

class GraphBoxBase : public QWidget {
    Q_OBJECT
public:
    struct Options {
        double scaleWidth = 0.0;  // user units across; 0: one unit per pixel
        bool antialiased = false; // smooth lines and text in the kept picture
    };
    GraphBoxBase(QWidget* parent, QSize pixels, Options options);
    ~GraphBoxBase() override;

    double ScaleWidth() const;
    double ScaleHeight() const;
    // Draw into the kept picture with a surface in user units, then show it.
    void Draw(const std::function<void(DrawingSurface&)>& paint);
    void ClearPicture(ColorRef background);
    const QImage& picture() const { return *picture_; }
    // Position of the last mouse event, in user units (-1 before any).
    double lastX() const { return lastX_; }
    double lastY() const { return lastY_; }
    // Picture pixels of a point in user units (for tests and hit checks).
    QPoint ToPixels(double x, double y) const;
    // Let the box follow its layout from `minimum` upwards instead of keeping
    // the size it was made with (which stays its preferred size). Every new
    // size is told through resized(); the owner redraws for it.
    void SetResizable(QSize minimum);
    QSize sizeHint() const override { return preferred_; }

    // Called on every pointer movement over the graph (the formula picture
    // hides its handle then).
    std::function<void()> onMouseMove;

    // Mouse codes: button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt.
    static int ButtonCode(Qt::MouseButtons b);
    static int ShiftCode(Qt::KeyboardModifiers m);

signals:
    void doubleClicked();
    // Positions in user units.
    void mouseDown(int button, int shift, double x, double y);
    void mouseMove(int buttons, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);
    void mouseLeft();
    // The wheel: whole notches (positive away from the user) at x (user units).
    void wheelTurned(int steps, int shift, double x);
    // The box has a new size (logical pixels); the kept picture is stale.
    void resized(QSize size);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void RememberMouse(const QPointF& p);
    Options options_;
    QSize preferred_;
    std::unique_ptr<QImage> picture_;
    double lastX_ = -1.0, lastY_ = -1.0;
    int wheelEighths_ = 0;   // of a degree, kept until a notch is full (touchpads send less)
};

}  // namespace quble
