#include "platform/clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>

#include "platform/emf_format.h"

namespace quble {

void QtClipboard::Clear() {
    if (QClipboard* c = QGuiApplication::clipboard()) c->clear();
}

void QtClipboard::SetMimeData(QMimeData* data) {
    if (QClipboard* c = QGuiApplication::clipboard()) {
        c->setMimeData(data);
    } else {
        delete data;
    }
}

const QMimeData* QtClipboard::MimeData() const {
    QClipboard* c = QGuiApplication::clipboard();
    return c ? c->mimeData() : nullptr;
}

QMimeData* PictureMimeData(const std::vector<std::uint8_t>& emf, const QByteArray& svg, const QByteArray& png) {
    auto* d = new QMimeData;
    if (!emf.empty()) {
        const QByteArray bytes(reinterpret_cast<const char*>(emf.data()), static_cast<qsizetype>(emf.size()));
        d->setData(kMimeEmf, bytes);
        d->setData(kMimeEmfAlt, bytes);
    }
    if (!svg.isEmpty()) d->setData(kMimeSvg, svg);
    if (!png.isEmpty()) {
        d->setData(kMimePng, png);
        QImage image;
        if (image.loadFromData(png, "PNG")) d->setImageData(image);
    }
    return d;
}

namespace {

// An EMF is taken only when its header reads as one; a program that puts
// something else under the name must not end up as a broken formula.
bool SoundEmf(const QByteArray& b) {
    EmfHeaderInfo h;
    return !b.isEmpty() &&
           ParseEmfHeader(reinterpret_cast<const std::uint8_t*>(b.constData()), static_cast<std::size_t>(b.size()), &h,
                          nullptr);
}

}  // namespace

std::optional<ClipPicture> TakeClipPicture(const QMimeData* data) {
    if (!data) return std::nullopt;
    for (const char* type : {kMimeEmf, kMimeEmfAlt, kMimeWindowsEmf}) {
        if (!data->hasFormat(type)) continue;
        const QByteArray b = data->data(type);
        if (!SoundEmf(b)) continue;
        ClipPicture p;
        p.kind = ClipPicture::Kind::Emf;
        p.emf.assign(b.begin(), b.end());
        p.mimeType = type;
        return p;
    }
    if (data->hasFormat(kMimeSvg)) {
        ClipPicture p;
        p.kind = ClipPicture::Kind::Svg;
        p.svg = data->data(kMimeSvg);
        p.mimeType = kMimeSvg;
        if (!p.svg.isEmpty()) return p;
    }
    if (data->hasFormat(kMimePng)) {
        ClipPicture p;
        p.kind = ClipPicture::Kind::Raster;
        p.mimeType = kMimePng;
        if (p.image.loadFromData(data->data(kMimePng), "PNG")) return p;
    }
    if (data->hasImage()) {
        ClipPicture p;
        p.kind = ClipPicture::Kind::Raster;
        p.image = qvariant_cast<QImage>(data->imageData());
        p.mimeType = "application/x-qt-image";
        if (!p.image.isNull()) return p;
    }
    return std::nullopt;
}

bool HasClipPicture(const QMimeData* data) {
    if (!data) return false;
    for (const char* type : {kMimeEmf, kMimeEmfAlt, kMimeWindowsEmf, kMimeSvg, kMimePng}) {
        if (data->hasFormat(type)) return true;
    }
    return data->hasImage();
}

}  // namespace quble
