#include "platform/emf_player.h"

#include <new>

#include <QBrush>
#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QPen>
#include <QSvgGenerator>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <variant>

#include <uemf.h>

#include "platform/emf_format.h"
#include "platform/ttf_metrics.h"

namespace quble {

namespace {

constexpr std::size_t kMaxSaveDepth = 4096;
constexpr std::uint32_t kMaxObjectIndex = 0xFFFF;
constexpr std::int64_t kMaxDibPixels = 1 << 26;

QColor FromColorRef(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

struct PenObj {
    QColor color = Qt::black;
    double width = 0;  // logical units; 0 is one device pixel
    std::uint32_t style = 0;
    bool cosmetic = true;
};
struct BrushObj {
    QColor color = Qt::white;
    bool null = false;
    QImage pattern;  // pattern brushes
};
struct FontObj {
    double height = 0;  // logical; negative = character height
    int weight = 400;
    bool italic = false, underline = false, strike = false;
    int escapement = 0;
    QString face = QStringLiteral("Arial");
};
using Object = std::variant<PenObj, BrushObj, FontObj>;

struct DcState {
    EmfMapping map;
    Affine world;
    PenObj pen;
    BrushObj brush;
    FontObj font;
    QColor textColor = Qt::black;
    QColor bkColor = Qt::white;
    std::uint32_t bkMode = 2;  // OPAQUE
    std::uint32_t textAlign = 0;
    std::uint32_t polyFill = 1;  // ALTERNATE
    std::uint32_t arcDirection = 1;  // counter-clockwise
    QPointF current;
    bool clipped = false;
    QPainterPath clip;  // device (painter) coordinates, when clipped
};

class Player {
public:
    Player(QPainter& painter, const std::uint8_t* data, std::size_t size, const QRectF& target)
        : p_(painter), data_(data), size_(size), target_(target) {}

    bool Run(std::string* error);

private:
    bool Fail(const char* why) {
        error_ = why;
        return false;
    }
    bool Record(const EmfRecord& r);

    // Transform from logical units to painter coordinates.
    QTransform Xf() const {
        const Affine a = st_.world.Then(st_.map.PageToDevice()).Then(devToTarget_);
        return QTransform(a.m11, a.m12, a.m21, a.m22, a.dx, a.dy);
    }
    bool TransformUsable() const {
        const Affine a = st_.world.Then(st_.map.PageToDevice()).Then(devToTarget_);
        return a.Invertible() && std::isfinite(a.m11) && std::isfinite(a.m22) && std::isfinite(a.m12) &&
               std::isfinite(a.m21);
    }
    void ApplyClip() {
        p_.setTransform(QTransform());
        if (st_.clipped) {
            p_.setClipPath(st_.clip.intersected(targetPath_));
        } else {
            p_.setClipRect(target_);
        }
    }
    QPen MakePen() const;
    QBrush MakeBrush() const;
    void Draw(const QPainterPath& path, bool fill, bool stroke);
    bool Points(const EmfRecord& r, std::size_t countOff, std::size_t ptsOff, bool is16, std::vector<QPointF>* out);
    bool PolyRecord(const EmfRecord& r, bool is16);
    bool PolyPolyRecord(const EmfRecord& r, bool is16);
    bool ArcRecord(const EmfRecord& r);
    bool TextRecord(const EmfRecord& r, bool wide);
    bool DibImage(const EmfRecord& r, std::size_t offBmi, std::size_t cbBmi, std::size_t offBits, std::size_t cbBits,
                  std::uint32_t usage, QImage* out, bool* drawable);
    bool BitmapRecord(const EmfRecord& r);
    bool CreateObject(const EmfRecord& r);
    bool Select(std::uint32_t ih);
    QRectF RectAt(const EmfRecord& r, std::size_t off) const {
        return QRectF(QPointF(r.I32(off), r.I32(off + 4)), QPointF(r.I32(off + 8), r.I32(off + 12)));
    }

    QPainter& p_;
    const std::uint8_t* data_;
    std::size_t size_;
    QRectF target_;
    QPainterPath targetPath_;
    Affine devToTarget_;
    double pxPerMmX_ = 1, pxPerMmY_ = 1;
    DcState st_;
    std::vector<DcState> stack_;
    std::unordered_map<std::uint32_t, Object> objects_;
    bool inPath_ = false;
    QPainterPath path_;
    std::string error_;
};

bool Player::Run(std::string* error) {
    EmfHeaderInfo h;
    if (!ParseEmfHeader(data_, size_, &h, &error_)) {
        if (error) *error = error_;
        return false;
    }
    pxPerMmX_ = static_cast<double>(h.deviceW) / h.deviceMmW;
    pxPerMmY_ = static_cast<double>(h.deviceH) / h.deviceMmH;
    // The frame, in reference-device pixels, fills the target.
    double fl = h.frame.left / 100.0 * pxPerMmX_, fr = h.frame.right / 100.0 * pxPerMmX_;
    double ft = h.frame.top / 100.0 * pxPerMmY_, fb = h.frame.bottom / 100.0 * pxPerMmY_;
    if (fr <= fl || fb <= ft) {
        fl = h.bounds.left;
        fr = static_cast<double>(h.bounds.right) + 1;
        ft = h.bounds.top;
        fb = static_cast<double>(h.bounds.bottom) + 1;
    }
    if (fr <= fl || fb <= ft) {
        if (error) *error = "metafile has neither a frame nor bounds";
        return false;
    }
    devToTarget_.m11 = target_.width() / (fr - fl);
    devToTarget_.m22 = target_.height() / (fb - ft);
    devToTarget_.dx = target_.left() - fl * devToTarget_.m11;
    devToTarget_.dy = target_.top() - ft * devToTarget_.m22;
    targetPath_.addRect(target_);

    p_.save();
    EmfRecordWalker walk(data_, h.nBytes ? h.nBytes : size_);
    EmfRecord rec;
    bool ok = true;
    bool first = true;
    while (walk.Next(&rec)) {
        if (first) {
            first = false;
            if (rec.type == emr::HEADER) continue;
        }
        if (!Record(rec)) {
            ok = false;
            break;
        }
    }
    if (ok && !walk.error().empty()) {
        error_ = walk.error();
        ok = false;
    }
    p_.restore();
    if (!ok && error) *error = error_;
    return ok;
}

QPen Player::MakePen() const {
    const PenObj& pen = st_.pen;
    const std::uint32_t style = pen.style & 0x0F;
    if (style == 5) return QPen(Qt::NoPen);  // PS_NULL
    QPen q(pen.color);
    if (pen.width <= 0 || pen.cosmetic) {
        q.setCosmetic(true);
        q.setWidthF(1.0);
    } else {
        // Kept to a width that can still be stroked in reasonable time.
        q.setWidthF(std::min(pen.width, 1e6));
    }
    switch (style) {
        case 1: q.setStyle(Qt::DashLine); break;
        case 2: q.setStyle(Qt::DotLine); break;
        case 3: q.setStyle(Qt::DashDotLine); break;
        case 4: q.setStyle(Qt::DashDotDotLine); break;
        default: q.setStyle(Qt::SolidLine); break;
    }
    const std::uint32_t cap = pen.style & 0xF00, join = pen.style & 0xF000;
    q.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    q.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    return q;
}

QBrush Player::MakeBrush() const {
    if (st_.brush.null) return QBrush(Qt::NoBrush);
    if (!st_.brush.pattern.isNull()) return QBrush(st_.brush.pattern);
    return QBrush(st_.brush.color);
}

void Player::Draw(const QPainterPath& path, bool fill, bool stroke) {
    if (inPath_) {
        path_.addPath(path);
        return;
    }
    if (!TransformUsable()) return;
    ApplyClip();
    p_.setTransform(Xf());
    QPen pen = stroke ? MakePen() : QPen(Qt::NoPen);
    // Thin lines crisp, as on the screen; wide ones smooth.
    const bool thin = pen.style() == Qt::NoPen || pen.isCosmetic();
    p_.setRenderHint(QPainter::Antialiasing, !thin || fill);
    p_.setPen(pen);
    p_.setBrush(fill ? MakeBrush() : QBrush(Qt::NoBrush));
    QPainterPath copy = path;
    copy.setFillRule(st_.polyFill == 2 ? Qt::WindingFill : Qt::OddEvenFill);
    p_.drawPath(copy);
}

bool Player::Points(const EmfRecord& r, std::size_t countOff, std::size_t ptsOff, bool is16,
                    std::vector<QPointF>* out) {
    if (!r.Has(countOff, 4)) return Fail("point record too short");
    const std::uint64_t n = r.U32(countOff);
    const std::uint64_t elem = is16 ? 4 : 8;
    if (ptsOff > r.size || n > (r.size - ptsOff) / elem) return Fail("point count larger than the record");
    out->resize(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < n; ++i) {
        if (is16) {
            std::int16_t xy[2];
            std::memcpy(xy, r.data + ptsOff + i * 4, 4);
            (*out)[i] = QPointF(xy[0], xy[1]);
        } else {
            (*out)[i] = QPointF(r.I32(ptsOff + i * 8), r.I32(ptsOff + i * 8 + 4));
        }
    }
    return true;
}

bool Player::PolyRecord(const EmfRecord& r, bool is16) {
    std::vector<QPointF> pts;
    if (!Points(r, 24, 28, is16, &pts)) return false;
    if (pts.empty()) return true;
    const std::uint32_t t = r.type;
    const bool to = t == emr::POLYLINETO || t == emr::POLYLINETO16 || t == emr::POLYBEZIERTO ||
                    t == emr::POLYBEZIERTO16;
    const bool bezier = t == emr::POLYBEZIER || t == emr::POLYBEZIER16 || t == emr::POLYBEZIERTO ||
                        t == emr::POLYBEZIERTO16;
    const bool polygon = t == emr::POLYGON || t == emr::POLYGON16;
    QPainterPath path;
    std::size_t i = 0;
    if (to) {
        path.moveTo(st_.current);
    } else {
        path.moveTo(pts[0]);
        i = 1;
    }
    if (bezier) {
        for (; i + 2 < pts.size(); i += 3) path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
    } else {
        for (; i < pts.size(); ++i) path.lineTo(pts[i]);
    }
    if (polygon) path.closeSubpath();
    if (to) st_.current = path.currentPosition();
    if (inPath_ && to) {
        // Inside a path bracket the figure continues from the current point.
        path_.connectPath(path);
        return true;
    }
    Draw(path, polygon, true);
    return true;
}

bool Player::PolyPolyRecord(const EmfRecord& r, bool is16) {
    if (!r.Has(24, 8)) return Fail("poly-poly record too short");
    const std::uint64_t nPolys = r.U32(24);
    const std::uint64_t total = r.U32(28);
    const std::uint64_t elem = is16 ? 4 : 8;
    if (nPolys > (r.size - 32) / 4) return Fail("polygon count larger than the record");
    const std::uint64_t ptsOff = 32 + nPolys * 4;
    if (total > (r.size - ptsOff) / elem) return Fail("point count larger than the record");
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < nPolys; ++i) sum += r.U32(32 + i * 4);
    if (sum > total) return Fail("polygon point counts exceed the points");
    const bool polygon = r.type == emr::POLYPOLYGON || r.type == emr::POLYPOLYGON16;
    QPainterPath path;
    std::size_t at = 0;
    for (std::size_t i = 0; i < nPolys; ++i) {
        const std::size_t n = r.U32(32 + i * 4);
        for (std::size_t k = 0; k < n; ++k, ++at) {
            QPointF q;
            const std::size_t off = static_cast<std::size_t>(ptsOff) + at * elem;
            if (is16) {
                std::int16_t xy[2];
                std::memcpy(xy, r.data + off, 4);
                q = QPointF(xy[0], xy[1]);
            } else {
                q = QPointF(r.I32(off), r.I32(off + 4));
            }
            if (k == 0) path.moveTo(q);
            else path.lineTo(q);
        }
        if (polygon && n > 0) path.closeSubpath();
    }
    Draw(path, polygon, true);
    return true;
}

bool Player::ArcRecord(const EmfRecord& r) {
    if (!r.Has(8, 32)) return Fail("arc record too short");
    const QRectF box = RectAt(r, 8).normalized();
    const QPointF start(r.I32(24), r.I32(28)), end(r.I32(32), r.I32(36));
    if (box.width() <= 0 || box.height() <= 0) return true;
    const QPointF c = box.center();
    auto angle = [&](QPointF q) {
        return std::atan2(-(q.y() - c.y()) / box.height(), (q.x() - c.x()) / box.width()) * 180.0 / M_PI;
    };
    const double a0 = angle(start), a1 = angle(end);
    double span = a1 - a0;
    if (st_.arcDirection == 2) {  // clockwise
        while (span >= 0) span -= 360;
    } else {
        while (span <= 0) span += 360;
    }
    QPainterPath path;
    switch (r.type) {
        case emr::ARC:
            path.arcMoveTo(box, a0);
            path.arcTo(box, a0, span);
            Draw(path, false, true);
            break;
        case emr::ARCTO:
            path.moveTo(st_.current);
            path.arcTo(box, a0, span);
            st_.current = path.currentPosition();
            Draw(path, false, true);
            break;
        case emr::CHORD:
            path.arcMoveTo(box, a0);
            path.arcTo(box, a0, span);
            path.closeSubpath();
            Draw(path, true, true);
            break;
        default:  // PIE
            path.moveTo(c);
            path.arcTo(box, a0, span);
            path.closeSubpath();
            Draw(path, true, true);
            break;
    }
    return true;
}

bool Player::TextRecord(const EmfRecord& r, bool wide) {
    if (!r.Has(36, 20)) return Fail("text record too short");
    const QPointF ref(r.I32(36), r.I32(40));
    const std::uint64_t nChars = r.U32(44);
    const std::uint64_t offString = r.U32(48);
    const std::uint32_t options = r.U32(52);
    std::size_t dxField = 56;
    QRectF rcl;
    if (!(options & 0x100)) {  // ETO_NO_RECT absent: a rectangle precedes offDx
        if (!r.Has(56, 20)) return Fail("text record too short");
        rcl = RectAt(r, 56);
        dxField = 72;
    }
    if (!r.Has(dxField, 4)) return Fail("text record too short");
    const std::uint64_t offDx = r.U32(dxField);
    const std::uint64_t charSize = wide ? 2 : 1;
    if (offString > r.size || nChars > (r.size - offString) / charSize) return Fail("text longer than its record");
    QString text;
    if (wide) {
        std::vector<char16_t> u(static_cast<std::size_t>(nChars));
        if (nChars) std::memcpy(u.data(), r.data + offString, static_cast<std::size_t>(nChars) * 2);
        text = QString::fromUtf16(u.data(), static_cast<qsizetype>(nChars));
    } else {
        text = QString::fromLatin1(reinterpret_cast<const char*>(r.data + offString), static_cast<qsizetype>(nChars));
    }
    std::vector<double> dx;
    const std::uint64_t dxElem = (options & 0x2000) ? 8 : 4;  // ETO_PDY: x and y per character
    if (offDx != 0 && nChars != 0) {
        if (offDx > r.size || nChars > (r.size - offDx) / dxElem) return Fail("character spacing beyond the record");
        dx.resize(static_cast<std::size_t>(nChars));
        for (std::size_t i = 0; i < nChars; ++i) dx[i] = r.I32(static_cast<std::size_t>(offDx + i * dxElem));
    }
    if (!TransformUsable()) return true;

    const QTransform xf = Xf();
    ApplyClip();
    if ((options & 0x2) && !rcl.isEmpty()) {  // ETO_OPAQUE
        p_.setTransform(xf);
        p_.fillRect(rcl, st_.bkColor);
        p_.setTransform(QTransform());
    }
    if ((options & 0x4) && !rcl.isEmpty()) {  // ETO_CLIPPED
        p_.setClipPath(xf.map(QPainterPath([&] {
            QPainterPath c;
            c.addRect(rcl);
            return c;
        }())), Qt::IntersectClip);
    }
    if (text.isEmpty()) return true;

    const FontObj& f = st_.font;
    // Character height in logical units; a positive height is the cell.
    double em = std::fabs(f.height);
    if (f.height > 0) em = f.height / TextLineHeight(f.weight, 1.0);
    if (em == 0) em = 12;
    const double vScale = std::hypot(xf.m21(), xf.m22());
    const double hScale = std::hypot(xf.m11(), xf.m12());
    const double pixel = std::clamp(em * vScale, 1.0, 2048.0);
    QFont font(f.face.isEmpty() ? QStringLiteral("Arial") : f.face);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixel))));
    font.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strike);
    const QFontMetricsF fm(font, p_.device());

    QPointF origin = ref;
    if (st_.textAlign & 1) origin = st_.current;  // TA_UPDATECP
    const QPointF dev = xf.map(origin);
    std::vector<double> at(static_cast<std::size_t>(text.size()) + 1, 0.0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        at[i + 1] = at[i] + (dx.empty() ? fm.horizontalAdvance(text.at(i)) : dx[i] * hScale);
    }
    const double width = at.back();
    double x0 = 0;
    const std::uint32_t h = st_.textAlign & 6;
    if (h == 6) x0 = -width / 2;       // TA_CENTER
    else if (h == 2) x0 = -width;      // TA_RIGHT
    double baseline = fm.ascent();     // TA_TOP
    const std::uint32_t v = st_.textAlign & 24;
    if (v == 24) baseline = 0;                   // TA_BASELINE
    else if (v == 8) baseline = -fm.descent();   // TA_BOTTOM

    p_.setTransform(QTransform());
    p_.translate(dev);
    if (f.escapement != 0) p_.rotate(-static_cast<double>(f.escapement) / 10.0);
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    if (st_.bkMode == 2) p_.fillRect(QRectF(x0, baseline - fm.ascent(), width, fm.height()), st_.bkColor);
    p_.setFont(font);
    p_.setPen(st_.textColor);
    if (dx.empty()) {
        p_.drawText(QPointF(x0, baseline), text);
    } else {
        for (qsizetype i = 0; i < text.size(); ++i) p_.drawText(QPointF(x0 + at[i], baseline), QString(text.at(i)));
    }
    if (st_.textAlign & 1) {
        const QPointF end = xf.inverted().map(dev + QPointF(width * std::cos(f.escapement * M_PI / 1800.0),
                                                           -width * std::sin(f.escapement * M_PI / 1800.0)));
        st_.current = end;
    }
    return true;
}

// A device-independent bitmap into a top-down image. False (with error) for
// sizes or offsets that do not fit the record; drawable is false for
// formats the player does not know, which are skipped.
bool Player::DibImage(const EmfRecord& r, std::size_t offBmi, std::size_t cbBmi, std::size_t offBits,
                      std::size_t cbBits, std::uint32_t usage, QImage* out, bool* drawable) {
    *drawable = false;
    if (!r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits)) return Fail("bitmap outside its record");
    if (cbBmi < 40) return Fail("bitmap header too short");
    const std::uint8_t* bmi = r.data + offBmi;
    auto u32 = [&](std::size_t o) {
        std::uint32_t v;
        std::memcpy(&v, bmi + o, 4);
        return v;
    };
    auto u16 = [&](std::size_t o) {
        std::uint16_t v;
        std::memcpy(&v, bmi + o, 2);
        return v;
    };
    const std::uint32_t biSize = u32(0);
    if (biSize < 40 || biSize > cbBmi) return Fail("bitmap header size is wrong");
    const std::int64_t w = static_cast<std::int32_t>(u32(4));
    const std::int64_t hRaw = static_cast<std::int32_t>(u32(8));
    const std::uint32_t bpp = u16(14);
    const std::uint32_t compression = u32(16);
    const std::uint32_t clrUsed = u32(32);
    const std::int64_t hAbs = hRaw < 0 ? -hRaw : hRaw;
    if (w <= 0 || hAbs == 0 || w > 65536 || hAbs > 65536 || w * hAbs > kMaxDibPixels) {
        return Fail("bitmap dimensions out of range");
    }
    const std::uint8_t* bits = r.data + offBits;
    if (compression == 4 || compression == 5) {  // BI_JPEG, BI_PNG
        QImage img;
        if (img.loadFromData(bits, static_cast<int>(std::min<std::size_t>(cbBits, INT32_MAX)))) {
            *out = img;
            *drawable = true;
        }
        return true;
    }
    if (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32))) return true;  // RLE etc.: skipped
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return true;
    std::vector<QRgb> palette;
    if (bpp <= 8) {
        std::uint64_t colours = clrUsed ? clrUsed : (1u << bpp);
        colours = std::min<std::uint64_t>(colours, 1u << bpp);
        if (usage == 0) {  // DIB_RGB_COLORS
            if (colours > (cbBmi - biSize) / 4) return Fail("bitmap palette beyond its header");
            for (std::size_t i = 0; i < colours; ++i) {
                const std::uint8_t* q = bmi + biSize + i * 4;
                palette.push_back(qRgb(q[2], q[1], q[0]));
            }
        } else {
            // Indices into a logical palette we do not keep: a grey ramp.
            for (std::size_t i = 0; i < colours; ++i) {
                const int g = static_cast<int>(255 * i / std::max<std::uint64_t>(1, colours - 1));
                palette.push_back(qRgb(g, g, g));
            }
        }
        palette.resize(std::size_t{1} << bpp, qRgb(0, 0, 0));
    }
    const std::uint64_t stride = ((static_cast<std::uint64_t>(w) * bpp + 31) / 32) * 4;
    if (stride * static_cast<std::uint64_t>(hAbs) > cbBits) return Fail("bitmap data shorter than the image");
    QImage img(static_cast<int>(w), static_cast<int>(hAbs), QImage::Format_RGB32);
    if (img.isNull()) return true;
    for (std::int64_t y = 0; y < hAbs; ++y) {
        const std::uint8_t* row = bits + stride * static_cast<std::uint64_t>(hRaw > 0 ? hAbs - 1 - y : y);
        QRgb* dst = reinterpret_cast<QRgb*>(img.scanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < w; ++x) {
            switch (bpp) {
                case 1: dst[x] = palette[(row[x / 8] >> (7 - x % 8)) & 1]; break;
                case 4: dst[x] = palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF]; break;
                case 8: dst[x] = palette[row[x]]; break;
                case 16: {
                    const int v = row[2 * x] | (row[2 * x + 1] << 8);
                    dst[x] = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                    break;
                }
                case 24: dst[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
                default: dst[x] = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]); break;
            }
        }
    }
    *out = img;
    *drawable = true;
    return true;
}

bool Player::BitmapRecord(const EmfRecord& r) {
    QPointF dest, src;
    QSizeF cDest, cSrc;
    std::size_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0;
    std::uint32_t usage = 0, rop = 0;
    bool bottomUpSrc = false;
    if (r.type == emr::STRETCHDIBITS) {
        if (!r.Has(8, 72)) return Fail("bitmap record too short");
        dest = QPointF(r.I32(24), r.I32(28));
        src = QPointF(r.I32(32), r.I32(36));
        cSrc = QSizeF(r.I32(40), r.I32(44));
        offBmi = r.U32(48);
        cbBmi = r.U32(52);
        offBits = r.U32(56);
        cbBits = r.U32(60);
        usage = r.U32(64);
        rop = r.U32(68);
        cDest = QSizeF(r.I32(72), r.I32(76));
        bottomUpSrc = true;
    } else {
        if (!r.Has(8, 92)) return Fail("bitmap record too short");
        dest = QPointF(r.I32(24), r.I32(28));
        cDest = QSizeF(r.I32(32), r.I32(36));
        rop = r.U32(40);
        src = QPointF(r.I32(44), r.I32(48));
        usage = r.U32(80);
        offBmi = r.U32(84);
        cbBmi = r.U32(88);
        offBits = r.U32(92);
        cbBits = r.U32(96);
        cSrc = cDest;
        if (r.type == emr::STRETCHBLT) {
            if (!r.Has(100, 8)) return Fail("bitmap record too short");
            cSrc = QSizeF(r.I32(100), r.I32(104));
        }
    }
    const QRectF destRect = QRectF(dest, cDest).normalized();
    if (cbBmi == 0) {
        // No source: a pattern operation on the destination.
        if (!TransformUsable()) return true;
        QBrush fill;
        if (rop == 0x00000042) fill = QBrush(Qt::black);           // BLACKNESS
        else if (rop == 0x00FF0062) fill = QBrush(Qt::white);      // WHITENESS
        else if (rop == 0x00F00021) fill = MakeBrush();            // PATCOPY
        else return true;
        ApplyClip();
        p_.setTransform(Xf());
        p_.fillRect(destRect, fill);
        return true;
    }
    QImage img;
    bool drawable = false;
    if (!DibImage(r, offBmi, cbBmi, offBits, cbBits, usage, &img, &drawable)) return false;
    if (!drawable || !TransformUsable()) return true;
    QRectF srcRect(src, cSrc);
    srcRect = srcRect.normalized();
    if (bottomUpSrc && srcRect.height() > 0) {
        // The source origin of a DIB is its lower-left corner.
        srcRect.moveTop(img.height() - srcRect.top() - srcRect.height());
    }
    srcRect = srcRect.intersected(QRectF(img.rect()));
    if (srcRect.isEmpty()) srcRect = QRectF(img.rect());
    const bool flipX = cDest.width() < 0, flipY = cDest.height() < 0;
    if (flipX || flipY) img = img.mirrored(flipX, flipY);
    ApplyClip();
    p_.setTransform(Xf());
    // Stretched pixel by pixel, as the default stretch mode does.
    p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p_.drawImage(destRect, img, srcRect);
    return true;
}

bool Player::CreateObject(const EmfRecord& r) {
    if (!r.Has(8, 4)) return Fail("object record too short");
    const std::uint32_t ih = r.U32(8);
    if (ih == 0 || ih > kMaxObjectIndex) return Fail("object index out of range");
    switch (r.type) {
        case emr::CREATEPEN: {
            if (!r.Has(12, 16)) return Fail("pen record too short");
            PenObj pen;
            pen.style = r.U32(12);
            pen.width = r.I32(16);
            pen.cosmetic = pen.width <= 0;
            pen.color = FromColorRef(r.U32(24));
            objects_[ih] = pen;
            break;
        }
        case emr::EXTCREATEPEN: {
            if (!r.Has(28, 24)) return Fail("pen record too short");
            const std::uint64_t entries = r.U32(48);
            if (entries > (r.size - 52) / 4) return Fail("pen style entries beyond the record");
            PenObj pen;
            pen.style = r.U32(28);
            pen.width = r.U32(32);
            pen.cosmetic = (pen.style & 0x00010000) == 0 || pen.width == 0;  // not PS_GEOMETRIC
            pen.color = FromColorRef(r.U32(40));
            if (r.U32(36) == 1) pen.style = (pen.style & ~0xFu) | 5;  // BS_NULL brush: no line
            objects_[ih] = pen;
            break;
        }
        case emr::CREATEBRUSHINDIRECT: {
            if (!r.Has(12, 12)) return Fail("brush record too short");
            BrushObj b;
            b.null = r.U32(12) == 1;  // BS_NULL
            b.color = FromColorRef(r.U32(16));
            objects_[ih] = b;
            break;
        }
        case emr::CREATEDIBPATTERNBRUSHPT: case emr::CREATEMONOBRUSH: {
            if (!r.Has(12, 20)) return Fail("brush record too short");
            BrushObj b;
            bool drawable = false;
            if (!DibImage(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28), r.U32(12), &b.pattern, &drawable)) {
                return false;
            }
            if (!drawable) b.color = Qt::gray;
            objects_[ih] = b;
            break;
        }
        case emr::EXTCREATEFONTINDIRECTW: {
            if (!r.Has(12, 92)) return Fail("font record too short");
            FontObj f;
            f.height = r.I32(12);
            f.escapement = r.I32(20);
            f.weight = r.I32(28);
            f.italic = r.data[32] != 0;
            f.underline = r.data[33] != 0;
            f.strike = r.data[34] != 0;
            char16_t face[32];
            std::memcpy(face, r.data + 40, 64);
            int n = 0;
            while (n < 32 && face[n] != 0) ++n;
            f.face = QString::fromUtf16(face, n);
            objects_[ih] = f;
            break;
        }
        default:
            // Palettes and colour spaces take a slot but draw nothing.
            objects_.erase(ih);
            break;
    }
    return true;
}

bool Player::Select(std::uint32_t ih) {
    if (ih & kStockObjectFlag) {
        switch (ih & 0x7FFFFFFF) {
            case 0: st_.brush = {Qt::white, false, {}}; break;
            case 1: st_.brush = {QColor(192, 192, 192), false, {}}; break;
            case 2: st_.brush = {QColor(128, 128, 128), false, {}}; break;
            case 3: st_.brush = {QColor(64, 64, 64), false, {}}; break;
            case 4: st_.brush = {Qt::black, false, {}}; break;
            case 5: st_.brush = {Qt::white, true, {}}; break;
            case 6: st_.pen = {Qt::white, 0, 0, true}; break;
            case 7: st_.pen = {Qt::black, 0, 0, true}; break;
            case 8: st_.pen = {Qt::black, 0, 5, true}; break;
            case 10: case 11: case 12: case 13: case 14: case 16: case 17: st_.font = FontObj{}; break;
            default: break;
        }
        return true;
    }
    const auto it = objects_.find(ih);
    if (it == objects_.end()) return true;  // GDI ignores a missing object
    if (auto* pen = std::get_if<PenObj>(&it->second)) st_.pen = *pen;
    else if (auto* b = std::get_if<BrushObj>(&it->second)) st_.brush = *b;
    else if (auto* f = std::get_if<FontObj>(&it->second)) st_.font = *f;
    return true;
}

bool Player::Record(const EmfRecord& r) {
    auto need = [&](std::size_t bytes) { return r.Has(0, bytes); };
    switch (r.type) {
        case emr::HEADER: return Fail("a second header inside the metafile");
        case emr::EOF_: return true;
        case emr::SETMAPMODE:
            if (!need(12)) return Fail("record too short");
            st_.map.SetMode(r.U32(8), pxPerMmX_, pxPerMmY_);
            return true;
        case emr::SETWINDOWEXTEX: case emr::SETVIEWPORTEXTEX: {
            if (!need(16)) return Fail("record too short");
            const double cx = r.I32(8), cy = r.I32(12);
            // Extents only count in the scalable modes, and never as zero.
            if ((st_.map.mode != 7 && st_.map.mode != 8) || cx == 0 || cy == 0) return true;
            if (r.type == emr::SETWINDOWEXTEX) {
                st_.map.winExtX = cx;
                st_.map.winExtY = cy;
            } else {
                st_.map.vpExtX = cx;
                st_.map.vpExtY = cy;
            }
            return true;
        }
        case emr::SETWINDOWORGEX:
            if (!need(16)) return Fail("record too short");
            st_.map.winOrgX = r.I32(8);
            st_.map.winOrgY = r.I32(12);
            return true;
        case emr::SETVIEWPORTORGEX:
            if (!need(16)) return Fail("record too short");
            st_.map.vpOrgX = r.I32(8);
            st_.map.vpOrgY = r.I32(12);
            return true;
        case emr::SCALEVIEWPORTEXTEX: case emr::SCALEWINDOWEXTEX: {
            if (!need(24)) return Fail("record too short");
            const double xn = r.I32(8), xd = r.I32(12), yn = r.I32(16), yd = r.I32(20);
            if (xd == 0 || yd == 0 || xn == 0 || yn == 0) return true;
            double& ex = r.type == emr::SCALEVIEWPORTEXTEX ? st_.map.vpExtX : st_.map.winExtX;
            double& ey = r.type == emr::SCALEVIEWPORTEXTEX ? st_.map.vpExtY : st_.map.winExtY;
            ex = ex * xn / xd;
            ey = ey * yn / yd;
            return true;
        }
        case emr::SETWORLDTRANSFORM: case emr::MODIFYWORLDTRANSFORM: {
            if (!need(32)) return Fail("record too short");
            const Affine x{r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28)};
            std::uint32_t mode = 4;
            if (r.type == emr::MODIFYWORLDTRANSFORM) {
                if (!need(36)) return Fail("record too short");
                mode = r.U32(32);
            }
            Affine next = st_.world;
            if (mode == 1) next = Affine{};
            else if (mode == 2) next = x.Then(st_.world);
            else if (mode == 3) next = st_.world.Then(x);
            else if (mode == 4) next = x;
            // GDI refuses a transform that cannot be inverted.
            if (mode == 1 || next.Invertible()) st_.world = next;
            return true;
        }
        case emr::SAVEDC:
            if (stack_.size() >= kMaxSaveDepth) return Fail("too many saved states");
            stack_.push_back(st_);
            return true;
        case emr::RESTOREDC: {
            if (!need(12)) return Fail("record too short");
            const std::int64_t n = r.I32(8);
            const std::int64_t depth = static_cast<std::int64_t>(stack_.size());
            // Relative (negative) counts back from the top, absolute
            // (positive) names the n-th save; anything else is ignored.
            const std::int64_t keep = n < 0 ? depth + n : n - 1;
            if (n == 0 || keep < 0 || keep >= depth) return true;
            st_ = stack_[static_cast<std::size_t>(keep)];
            stack_.resize(static_cast<std::size_t>(keep));
            return true;
        }
        case emr::CREATEPEN: case emr::EXTCREATEPEN: case emr::CREATEBRUSHINDIRECT: case emr::EXTCREATEFONTINDIRECTW:
        case emr::CREATEDIBPATTERNBRUSHPT: case emr::CREATEMONOBRUSH: case emr::CREATEPALETTE:
        case emr::CREATECOLORSPACE: case emr::CREATECOLORSPACEW:
            return CreateObject(r);
        case emr::SELECTOBJECT:
            if (!need(12)) return Fail("record too short");
            return Select(r.U32(8));
        case emr::DELETEOBJECT:
            if (!need(12)) return Fail("record too short");
            objects_.erase(r.U32(8));
            return true;
        case emr::SETTEXTCOLOR: case emr::SETBKCOLOR:
            if (!need(12)) return Fail("record too short");
            (r.type == emr::SETTEXTCOLOR ? st_.textColor : st_.bkColor) = FromColorRef(r.U32(8));
            return true;
        case emr::SETBKMODE: case emr::SETTEXTALIGN: case emr::SETPOLYFILLMODE: case emr::SETARCDIRECTION:
            if (!need(12)) return Fail("record too short");
            (r.type == emr::SETBKMODE       ? st_.bkMode
             : r.type == emr::SETTEXTALIGN  ? st_.textAlign
             : r.type == emr::SETPOLYFILLMODE ? st_.polyFill
                                              : st_.arcDirection) = r.U32(8);
            return true;
        case emr::MOVETOEX:
            if (!need(16)) return Fail("record too short");
            st_.current = QPointF(r.I32(8), r.I32(12));
            if (inPath_) path_.moveTo(st_.current);
            return true;
        case emr::LINETO: {
            if (!need(16)) return Fail("record too short");
            const QPointF to(r.I32(8), r.I32(12));
            if (inPath_) {
                if (path_.elementCount() == 0) path_.moveTo(st_.current);
                path_.lineTo(to);
            } else {
                QPainterPath path(st_.current);
                path.lineTo(to);
                Draw(path, false, true);
            }
            st_.current = to;
            return true;
        }
        case emr::POLYLINE: case emr::POLYGON: case emr::POLYBEZIER: case emr::POLYLINETO: case emr::POLYBEZIERTO:
            return PolyRecord(r, false);
        case emr::POLYLINE16: case emr::POLYGON16: case emr::POLYBEZIER16: case emr::POLYLINETO16:
        case emr::POLYBEZIERTO16:
            return PolyRecord(r, true);
        case emr::POLYPOLYLINE: case emr::POLYPOLYGON: return PolyPolyRecord(r, false);
        case emr::POLYPOLYLINE16: case emr::POLYPOLYGON16: return PolyPolyRecord(r, true);
        case emr::RECTANGLE: case emr::ELLIPSE: case emr::ROUNDRECT: {
            if (!need(r.type == emr::ROUNDRECT ? 32 : 24)) return Fail("record too short");
            const QRectF box = RectAt(r, 8).normalized();
            QPainterPath path;
            if (r.type == emr::ELLIPSE) path.addEllipse(box);
            else if (r.type == emr::RECTANGLE) path.addRect(box);
            else path.addRoundedRect(box, std::fabs(static_cast<double>(r.I32(24))) / 2.0,
                                     std::fabs(static_cast<double>(r.I32(28))) / 2.0);
            Draw(path, true, true);
            return true;
        }
        case emr::ARC: case emr::ARCTO: case emr::CHORD: case emr::PIE: return ArcRecord(r);
        case emr::ANGLEARC: {
            if (!need(28)) return Fail("record too short");
            const QPointF c(r.I32(8), r.I32(12));
            const double rad = r.U32(16);
            const double a0 = r.F32(20), sweep = r.F32(24);
            if (!std::isfinite(a0) || !std::isfinite(sweep)) return true;
            const QRectF box(c.x() - rad, c.y() - rad, 2 * rad, 2 * rad);
            QPainterPath path(st_.current);
            path.arcTo(box, a0, std::clamp(sweep, -3600.0, 3600.0));
            st_.current = path.currentPosition();
            Draw(path, false, true);
            return true;
        }
        case emr::SETPIXELV: {
            if (!need(20)) return Fail("record too short");
            if (!TransformUsable()) return true;
            const QPointF d = Xf().map(QPointF(r.I32(8), r.I32(12)));
            ApplyClip();
            p_.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), FromColorRef(r.U32(16)));
            return true;
        }
        case emr::EXTTEXTOUTW: return TextRecord(r, true);
        case emr::EXTTEXTOUTA: return TextRecord(r, false);
        case emr::BITBLT: case emr::STRETCHBLT: case emr::STRETCHDIBITS: return BitmapRecord(r);
        case emr::INTERSECTCLIPRECT: case emr::EXCLUDECLIPRECT: {
            if (!need(24)) return Fail("record too short");
            if (!TransformUsable()) return true;
            QPainterPath rect;
            rect.addRect(RectAt(r, 8).normalized());
            const QPainterPath dev = Xf().map(rect);
            const QPainterPath base = st_.clipped ? st_.clip : targetPath_;
            st_.clip = r.type == emr::INTERSECTCLIPRECT ? base.intersected(dev) : base.subtracted(dev);
            st_.clipped = true;
            return true;
        }
        case emr::EXTSELECTCLIPRGN:
            // Only the reset (RGN_COPY with no region) is followed; regions in
            // device units are not.
            if (!need(16)) return Fail("record too short");
            if (r.U32(8) == 0 && r.U32(12) == 5) st_.clipped = false;  // no region data, RGN_COPY
            return true;
        case emr::BEGINPATH:
            inPath_ = true;
            path_ = QPainterPath();
            path_.moveTo(st_.current);
            return true;
        case emr::ENDPATH: inPath_ = false; return true;
        case emr::ABORTPATH: inPath_ = false; path_ = QPainterPath(); return true;
        case emr::CLOSEFIGURE: if (inPath_) path_.closeSubpath(); return true;
        case emr::STROKEPATH: case emr::FILLPATH: case emr::STROKEANDFILLPATH: {
            inPath_ = false;
            const QPainterPath path = path_;
            path_ = QPainterPath();
            Draw(path, r.type != emr::STROKEPATH, r.type != emr::FILLPATH);
            return true;
        }
        default:
            // Well-formed records the picture does not need (comments,
            // palettes, colour management, unsupported drawing) are passed.
            return true;
    }
}

}  // namespace

bool PlayEmf(QPainter& painter, const std::vector<std::uint8_t>& data, const QRectF& target, std::string* error) {
    if (!painter.isActive()) {
        if (error) *error = "painter is not active";
        return false;
    }
    try {
        Player player(painter, data.data(), data.size(), target);
        return player.Run(error);
    } catch (const std::bad_alloc&) {
        if (error) *error = "the metafile does not fit in memory";
        return false;
    }
}

QSizeF EmfNaturalSize(const std::vector<std::uint8_t>& data) {
    EmfHeaderInfo h;
    if (!ParseEmfHeader(data.data(), data.size(), &h, nullptr)) return {};
    const double w = (h.frame.right - h.frame.left) / 100.0 * h.deviceW / h.deviceMmW;
    const double hh = (h.frame.bottom - h.frame.top) / 100.0 * h.deviceH / h.deviceMmH;
    return w > 0 && hh > 0 ? QSizeF(w, hh) : QSizeF();
}

QImage RenderEmfToImage(const std::vector<std::uint8_t>& data, QSize size, std::string* error) {
    if (size.isEmpty()) {
        if (error) *error = "empty image size";
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const bool ok = PlayEmf(painter, data, QRectF(QPointF(0, 0), QSizeF(size)), error);
    painter.end();
    return ok ? image : QImage();
}

bool RenderEmfToSvg(const std::vector<std::uint8_t>& data, QSize size, const QString& path, std::string* error) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    QPainter painter;
    if (!painter.begin(&svg)) {
        if (error) *error = "cannot write " + path.toStdString();
        return false;
    }
    const bool ok = PlayEmf(painter, data, QRectF(QPointF(0, 0), QSizeF(size)), error);
    painter.end();
    return ok;
}

}  // namespace quble
