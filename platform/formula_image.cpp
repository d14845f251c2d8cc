#include "platform/formula_image.h"

#include "platform/file_read.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "platform/emf_bitmap.h"
#include "platform/emf_format.h"
#include "platform/emf_player.h"

namespace quble {

namespace {

bool SoundMetafile(const std::vector<std::uint8_t>& emf, std::string* error) {
    EmfHeaderInfo h;
    if (!ParseEmfHeader(emf.data(), emf.size(), &h, error)) return false;
    EmfRecordWalker walk(emf.data(), h.nBytes ? h.nBytes : emf.size());
    EmfRecord rec;
    while (walk.Next(&rec)) {
    }
    if (!walk.error().empty()) {
        if (error) *error = walk.error();
        return false;
    }
    return true;
}

std::vector<std::uint8_t> FromImage(QImage image) {
    // Transparent parts become white, as they would look on the page.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    const double dpi = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 96.0;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(flat.width()) * flat.height());
    for (int y = 0; y < flat.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(flat.constScanLine(y));
        std::copy(line, line + flat.width(), px.begin() + static_cast<std::ptrdiff_t>(y) * flat.width());
    }
    return EmfFromBitmap(flat.width(), flat.height(), px.data(), dpi);
}

// The picture drawn over the graph: the metafile stretched over the widget.
void PaintPicture(QWidget* w, const std::vector<std::uint8_t>& emf, bool border, bool dashed) {
    QPainter p(w);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!emf.empty()) PlayEmf(p, emf, QRectF(0, 0, w->width(), w->height()), nullptr);
    if (border) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::black, 1, dashed ? Qt::DashLine : Qt::SolidLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(0, 0, w->width() - 1, w->height() - 1);
    }
}

class Outline : public QWidget {
public:
    Outline(QWidget* parent, const std::vector<std::uint8_t>* emf) : QWidget(parent), emf_(emf) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override { PaintPicture(this, *emf_, true, true); }

private:
    const std::vector<std::uint8_t>* emf_;
};

}  // namespace

bool ReadFormulaFile(const std::filesystem::path& path, std::vector<std::uint8_t>* emf, std::string* error) {
    std::vector<std::uint8_t> data;
    if (!ReadRegularFile(path.string(), &data, std::int64_t{64} * 1024 * 1024, error)) return false;
    if (!SoundMetafile(data, error)) return false;
    *emf = std::move(data);
    return true;
}

std::vector<std::uint8_t> FormulaEmfFromClip(const ClipPicture& pic, std::string* note) {
    switch (pic.kind) {
        case ClipPicture::Kind::Emf:
            if (note) *note = "metafile kept as it came";
            return pic.emf;
        case ClipPicture::Kind::Svg: {
            QSvgRenderer svg(pic.svg);
            if (!svg.isValid()) return {};
            QSizeF size = svg.defaultSize();
            if (size.isEmpty()) size = svg.viewBoxF().size();
            if (size.isEmpty()) return {};
            // 1000 pixels on the longer side: sharp at the 200-unit size
            // even in a 600 dpi export.
            const double k = 1000.0 / std::max(size.width(), size.height());
            QImage image(std::max(1, static_cast<int>(std::lround(size.width() * k))),
                         std::max(1, static_cast<int>(std::lround(size.height() * k))), QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            {
                QPainter p(&image);
                svg.render(&p);
            }
            // Keep the picture's own size: its default size is in 96 dpi pixels.
            const int dpm = static_cast<int>(std::lround(96.0 * k / 0.0254));
            image.setDotsPerMeterX(dpm);
            image.setDotsPerMeterY(dpm);
            if (note) *note = "SVG drawn on pixels and kept as a bitmap in the metafile";
            return FromImage(image);
        }
        case ClipPicture::Kind::Raster:
            if (pic.image.isNull()) return {};
            if (note) *note = "image kept as a bitmap in the metafile";
            return FromImage(pic.image);
    }
    return {};
}

QSizeF FormulaNaturalSize(const std::vector<std::uint8_t>& emf) {
    EmfHeaderInfo h;
    if (!ParseEmfHeader(emf.data(), emf.size(), &h, nullptr)) return {};
    const double w = static_cast<double>(h.frame.right) - h.frame.left;
    const double ht = static_cast<double>(h.frame.bottom) - h.frame.top;
    if (!(w > 0) || !(ht > 0)) return {};
    return QSizeF(w, ht);
}

bool IsFormulaFileName(const std::string& name) {
    if (name.size() > 4) return name.compare(name.size() - 4, 4, ".emf") == 0;
    return name == ".emf";
}

std::optional<std::filesystem::path> FindFormulaBeside(const std::filesystem::path& folder) {
    std::error_code ec;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fe;
        if (it->is_regular_file(fe)) names.push_back(it->path().filename().string());
    }
    // A folder listing has no order of its own on every system; name order
    // makes "the first" the same everywhere.
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        if (IsFormulaFileName(n)) return folder / n;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------- FormulaImage

FormulaImage::FormulaImage(QWidget* graph, const QString& image1Name, const QString& image2Name,
                           const QString& shapeName)
    : QWidget(graph) {
    setObjectName(image1Name);
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    image2_ = new Outline(graph, &emf_);
    image2_->setObjectName(image2Name);
    shape1_ = new QWidget(graph);
    shape1_->setObjectName(shapeName);
    shape1_->setAttribute(Qt::WA_TransparentForMouseEvents);
    shape1_->setAutoFillBackground(true);
    QPalette pal = shape1_->palette();
    pal.setColor(QPalette::Window, Qt::black);
    shape1_->setPalette(pal);
    shape1_->resize(kHandle, kHandle);
    hide();
    image2_->hide();
    shape1_->hide();
}

void FormulaImage::SetUnitsPerPixel(double ux, double uy) {
    if (ux > 0) ux_ = ux;
    if (uy > 0) uy_ = uy;
    setGeometry(ToPixels(rect_));
    image2_->setGeometry(ToPixels(outlineRect_));
}

QRect FormulaImage::ToPixels(const QRectF& r) const {
    const int l = static_cast<int>(std::lround(r.left() / ux_));
    const int t = static_cast<int>(std::lround(r.top() / uy_));
    const int w = std::max(1, static_cast<int>(std::lround(r.width() / ux_)));
    const int h = std::max(1, static_cast<int>(std::lround(r.height() / uy_)));
    return QRect(l, t, w, h);
}

bool FormulaImage::ShowPicture(std::vector<std::uint8_t> emf, double left, double top, double longSide) {
    const QSizeF natural = FormulaNaturalSize(emf);
    if (natural.isEmpty() || !(longSide > 0)) return false;
    hide();
    emf_ = std::move(emf);
    // The longer side becomes longSide units; the other keeps the ratio.
    const double k = natural.height() > natural.width() ? longSide / natural.height() : longSide / natural.width();
    rect_ = QRectF(left, top, natural.width() * k, natural.height() * k);
    outlineRect_ = rect_;
    setGeometry(ToPixels(rect_));
    image2_->setGeometry(ToPixels(outlineRect_));
    lifted_ = false;
    border_ = false;
    show();
    raise();
    update();
    return true;
}

void FormulaImage::ClearPicture() {
    emf_.clear();
    hide();
    image2_->hide();
    shape1_->hide();
    lifted_ = pressed_ = border_ = false;
    SetPointer(Pointer::Normal);
}

void FormulaImage::SetUnitRect(const QRectF& r) {
    rect_ = outlineRect_ = r;
    setGeometry(ToPixels(rect_));
    image2_->setGeometry(ToPixels(outlineRect_));
    if (shape1_->isVisible()) PlaceHandle();
    update();
}

void FormulaImage::GraphMouseMove() {
    if (pressed_) return;
    shape1_->hide();
    image2_->hide();
    if (border_) {
        border_ = false;
        update();
    }
}

void FormulaImage::PlaceHandle() {
    const QRect g = geometry();
    shape1_->move(g.right() + 1 - kHandle, g.bottom() + 1 - kHandle);
    shape1_->raise();
}

void FormulaImage::SetPointer(Pointer p) {
    pointer_ = p;
    switch (p) {
        case Pointer::Normal:
            unsetCursor();
            break;
        case Pointer::Move:
            setCursor(Qt::SizeAllCursor);
            setToolTip(kMoveTip);
            break;
        case Pointer::Size:
            setCursor(Qt::SizeFDiagCursor);
            setToolTip(kSizeTip);
            break;
    }
}

void FormulaImage::paintEvent(QPaintEvent*) {
    if (lifted_) return;
    PaintPicture(this, emf_, border_, false);
}

void FormulaImage::mouseMoveEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    if (!pressed_) {
        if (!border_) {
            border_ = true;
            update();
        }
        PlaceHandle();
        shape1_->show();
        const bool overHandle = pos.x() >= width() - kHandle && pos.y() >= height() - kHandle;
        SetPointer(overHandle ? Pointer::Size : Pointer::Move);
        return;
    }
    if (dragPointer_ == Pointer::Move) {
        const QPointF d = e->globalPosition() - pressGlobal_;
        outlineRect_.moveTo(pressRect_.left() + d.x() * ux_, pressRect_.top() + d.y() * uy_);
        image2_->setGeometry(ToPixels(outlineRect_));
    } else if (dragPointer_ == Pointer::Size) {
        // Only a pointer inside the picture's quadrant sizes it; the smaller
        // of the two ratios keeps the whole picture under the pointer.
        if (pos.x() <= 0 || pos.y() <= 0 || pressLocal_.x() <= 0 || pressLocal_.y() <= 0) return;
        double s = std::min(pos.x() / pressLocal_.x(), pos.y() / pressLocal_.y());
        // Never smaller than a handle, so the picture can be caught again.
        const double minSide = 2.0 * kHandle;
        const double shortest = std::min(pressRect_.width() / ux_, pressRect_.height() / uy_);
        if (shortest > 0) s = std::max(s, minSide / shortest);
        rect_.setSize(pressRect_.size() * s);
        outlineRect_ = rect_;
        setGeometry(ToPixels(rect_));
        image2_->setGeometry(ToPixels(outlineRect_));
        PlaceHandle();
        update();
    }
}

void FormulaImage::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    pressed_ = true;
    dragPointer_ = pointer_ == Pointer::Normal ? Pointer::Move : pointer_;
    pressGlobal_ = e->globalPosition();
    pressLocal_ = e->position();
    pressRect_ = QRectF(std::round(rect_.left()), std::round(rect_.top()), rect_.width(), rect_.height());
    if (dragPointer_ == Pointer::Move) {
        lifted_ = true;
        shape1_->hide();
        outlineRect_ = rect_;
        image2_->setGeometry(ToPixels(outlineRect_));
        image2_->show();
        image2_->raise();
        update();
    }
}

void FormulaImage::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton || !pressed_) return;
    pressed_ = false;
    SetPointer(Pointer::Normal);
    rect_.moveTo(outlineRect_.topLeft());
    setGeometry(ToPixels(rect_));
    image2_->hide();
    lifted_ = false;
    show();
    update();
    emit rectChanged(rect_);
}

QRectF FormulaRectFor(const std::vector<std::uint8_t>& emf, double left, double top, double longSide) {
    const QSizeF n = FormulaNaturalSize(emf);
    if (n.isEmpty()) return {};
    const double k = n.height() > n.width() ? longSide / n.height() : longSide / n.width();
    return QRectF(left, top, n.width() * k, n.height() * k);
}

}  // namespace quble
