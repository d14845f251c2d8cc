#include "platform/graph_box_base.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QWheelEvent>
#include <QPainter>

#include <cmath>

#include "platform/qpainter_surface.h"

namespace quble {

GraphBoxBase::GraphBoxBase(QWidget* parent, QSize pixels, Options options)
    : QWidget(parent), options_(options), preferred_(pixels) {
    setFixedSize(pixels);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    picture_ = std::make_unique<QImage>(pixels, QImage::Format_RGB32);
    picture_->fill(Qt::white);
}

GraphBoxBase::~GraphBoxBase() = default;

double GraphBoxBase::ScaleWidth() const { return options_.scaleWidth > 0 ? options_.scaleWidth : width(); }

double GraphBoxBase::ScaleHeight() const {
    return options_.scaleWidth > 0 ? options_.scaleWidth * height() / width() : height();
}

int GraphBoxBase::ButtonCode(Qt::MouseButtons b) {
    int c = 0;
    if (b & Qt::LeftButton) c |= 1;
    if (b & Qt::RightButton) c |= 2;
    if (b & Qt::MiddleButton) c |= 4;
    return c;
}

int GraphBoxBase::ShiftCode(Qt::KeyboardModifiers m) {
    int s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::ControlModifier) s |= 2;
    if (m & Qt::AltModifier) s |= 4;
    return s;
}

void GraphBoxBase::Draw(const std::function<void(DrawingSurface&)>& paint) {
    // Drawn at device pixels: at a scale factor of 1.5 or 2 the lines and
    // texts stay as sharp as at 1 instead of being scaled up from a bitmap.
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    if (picture_->size() != pixels || picture_->devicePixelRatio() != dpr) {
        *picture_ = QImage(pixels, QImage::Format_RGB32);
        picture_->setDevicePixelRatio(dpr);
        picture_->fill(Qt::white);
    }
    {
        QPainter p(picture_.get());
        if (options_.antialiased) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setRenderHint(QPainter::TextAntialiasing, true);
        }
        QPainterSurface surface(p, QRectF(0, 0, width(), height()), ScaleWidth(), ScaleHeight());
        paint(surface);
    }
    update();
}

void GraphBoxBase::ClearPicture(ColorRef background) {
    picture_->fill(ToQColor(background));
    update();
}

QPoint GraphBoxBase::ToPixels(double x, double y) const {
    return QPoint(static_cast<int>(std::lround(x * width() / ScaleWidth())),
                  static_cast<int>(std::lround(y * height() / ScaleHeight())));
}

void GraphBoxBase::SetResizable(QSize minimum) {
    setMinimumSize(minimum);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    updateGeometry();
}

void GraphBoxBase::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    emit resized(size());
}

void GraphBoxBase::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, *picture_);
}

void GraphBoxBase::RememberMouse(const QPointF& pos) {
    lastX_ = pos.x() * ScaleWidth() / width();
    lastY_ = pos.y() * ScaleHeight() / height();
}

void GraphBoxBase::mouseMoveEvent(QMouseEvent* e) {
    RememberMouse(e->position());
    if (onMouseMove) onMouseMove();
    emit mouseMove(ButtonCode(e->buttons()), ShiftCode(e->modifiers()), lastX_, lastY_);
}

void GraphBoxBase::mousePressEvent(QMouseEvent* e) {
    RememberMouse(e->position());
    setFocus();
    emit mouseDown(ButtonCode(e->button()), ShiftCode(e->modifiers()), lastX_, lastY_);
}

void GraphBoxBase::mouseReleaseEvent(QMouseEvent* e) {
    RememberMouse(e->position());
    emit mouseUp(ButtonCode(e->button()), ShiftCode(e->modifiers()), lastX_, lastY_);
}

void GraphBoxBase::mouseDoubleClickEvent(QMouseEvent* e) {
    RememberMouse(e->position());
    emit doubleClicked();
}

void GraphBoxBase::leaveEvent(QEvent*) { emit mouseLeft(); }

void GraphBoxBase::wheelEvent(QWheelEvent* e) {
    const QPoint d = e->angleDelta();
    // Shift+wheel turns into a horizontal delta on some platforms.
    wheelEighths_ += d.y() != 0 ? d.y() : d.x();
    const int steps = wheelEighths_ / 120;
    if (steps == 0) {
        e->accept();
        return;
    }
    wheelEighths_ -= steps * 120;
    RememberMouse(e->position());
    emit wheelTurned(steps, ShiftCode(e->modifiers()), lastX_);
    e->accept();
}

}  // namespace quble
