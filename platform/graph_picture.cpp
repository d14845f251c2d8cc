#include "platform/graph_picture.h"

#include <QBuffer>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

#include "platform/emf_player.h"
#include "platform/qpainter_surface.h"

namespace quble {

namespace {

double Inches(double units, int ppi) { return ppi > 0 ? units / ppi : units / 96.0; }

// Draws the graph with QPainter over target; the formula is played in at its
// rectangle mapped the same way.
void PaintGraph(const GraphPicture& g, bool bw, QPainter& p, const QRectF& target) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    QPainterSurface surface(p, target, g.scaleWidth, g.scaleHeight);
    const double sx = target.width() / g.scaleWidth, sy = target.height() / g.scaleHeight;
    g.draw(surface, bw, [&](DrawingSurface&) {
        if (g.formulaEmf.empty()) return;
        surface.Flush();
        const QRectF r(target.left() + std::round(g.formulaRect.left()) * sx,
                       target.top() + std::round(g.formulaRect.top()) * sy,
                       std::round(g.formulaRect.width()) * sx, std::round(g.formulaRect.height()) * sy);
        p.save();
        PlayEmf(p, g.formulaEmf, r, nullptr);
        p.restore();
    });
    surface.Flush();
}

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

}  // namespace

std::optional<PictureFormat> PictureFormatForPath(const std::string& path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::nullopt;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "emf") return PictureFormat::Emf;
    if (ext == "svg") return PictureFormat::Svg;
    if (ext == "pdf") return PictureFormat::Pdf;
    if (ext == "png") return PictureFormat::Png;
    return std::nullopt;
}

std::vector<std::uint8_t> GraphEmf(const GraphPicture& g, bool bw) {
    const ScreenMetrics& s = g.screen;
    const double wi = Inches(g.scaleWidth, s.LOGPIXELSX), hi = Inches(g.scaleHeight, s.LOGPIXELSY);
    EmfPageSetup setup;
    setup.scaleWidth = g.scaleWidth;
    setup.scaleHeight = g.scaleHeight;
    setup.screen = s;
    setup.frame = {0, 0, static_cast<std::int32_t>(std::nearbyint(wi * 2540)),
                   static_cast<std::int32_t>(std::nearbyint(hi * 2540))};
    EmfSurface dc(setup);
    dc.SetMapMode(8);  // MM_ANISOTROPIC
    dc.SetWindowExtEx(static_cast<std::int32_t>(std::nearbyint(wi * s.LOGPIXELSX)),
                      static_cast<std::int32_t>(std::nearbyint(hi * s.LOGPIXELSY)));
    dc.SetViewportExtEx(static_cast<std::int32_t>(std::nearbyint(wi * 25.4 * s.HORZRES / s.HORZSIZE)),
                        static_cast<std::int32_t>(std::nearbyint(hi * 25.4 * s.VERTRES / s.VERTSIZE)));
    g.draw(dc, bw, [&](DrawingSurface&) {
        if (g.formulaEmf.empty()) return;
        const QRectF& r = g.formulaRect;
        dc.EmbedMetafile(g.formulaEmf, std::round(r.left()), std::round(r.top()), std::round(r.right()),
                         std::round(r.bottom()), nullptr);
    });
    return dc.Finish();
}

QSize GraphPixelSize(const GraphPicture& g, double dpi) {
    const double wi = Inches(g.scaleWidth, g.screen.LOGPIXELSX), hi = Inches(g.scaleHeight, g.screen.LOGPIXELSY);
    return QSize(std::max(1, static_cast<int>(std::lround(wi * dpi))),
                 std::max(1, static_cast<int>(std::lround(hi * dpi))));
}

QImage GraphImage(const GraphPicture& g, bool bw, double dpi) {
    const QSize size = GraphPixelSize(g, dpi);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    const int dpm = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    {
        QPainter p(&image);
        PaintGraph(g, bw, p, QRectF(0, 0, size.width(), size.height()));
    }
    return image;
}

QByteArray GraphPng(const GraphPicture& g, bool bw, double dpi) {
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    const QImage image = GraphImage(g, bw, dpi);
    if (image.isNull() || !image.save(&buf, "PNG")) return {};
    return out;
}

QByteArray GraphSvg(const GraphPicture& g, bool bw) {
    const QSize size = GraphPixelSize(g, 96.0);
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QSvgGenerator gen;
    gen.setOutputDevice(&buf);
    gen.setSize(size);
    gen.setViewBox(QRect(QPoint(0, 0), size));
    gen.setResolution(96);
    gen.setTitle("Quble graph");
    {
        QPainter p(&gen);
        p.fillRect(QRectF(0, 0, size.width(), size.height()), Qt::white);
        PaintGraph(g, bw, p, QRectF(0, 0, size.width(), size.height()));
    }
    return out;
}

namespace {

// Lays the graph out on a PDF page written to out (a file or a buffer).
bool PaintPdf(const GraphPicture& g, bool bw, QPdfWriter& pdf, std::string* error) {
    const double wi = Inches(g.scaleWidth, g.screen.LOGPIXELSX), hi = Inches(g.scaleHeight, g.screen.LOGPIXELSY);
    pdf.setTitle("Quble graph");
    pdf.setCreator("Quble");
    pdf.setResolution(1200);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!pdf.setPageSize(QPageSize(QSizeF(wi * 72.0, hi * 72.0), QPageSize::Point, QString(), QPageSize::ExactMatch))) {
        return Fail(error, "the page size cannot be set");
    }
    QPainter p;
    if (!p.begin(&pdf)) return Fail(error, "the PDF cannot be started");
    const QRect page = pdf.pageLayout().paintRectPixels(pdf.resolution());
    PaintGraph(g, bw, p, QRectF(0, 0, page.width(), page.height()));
    if (!p.end()) return Fail(error, "the PDF cannot be finished");
    return true;
}

// A PDF ends with its end-of-file marker (perhaps followed by line ends);
// anything else was cut short.
bool CompletePdf(const QByteArray& b) {
    QByteArray t = b;
    while (!t.isEmpty() && (t.back() == '\n' || t.back() == '\r' || t.back() == ' ')) t.chop(1);
    return b.startsWith("%PDF-") && t.endsWith("%%EOF");
}

}  // namespace

QByteArray GraphPdfBytes(const GraphPicture& g, bool bw, std::string* error) {
    QByteArray out;
    QBuffer buf(&out);
    if (!buf.open(QIODevice::WriteOnly)) {
        Fail(error, "the PDF cannot be started");
        return {};
    }
    {
        QPdfWriter pdf(&buf);
        if (!PaintPdf(g, bw, pdf, error)) return {};
    }
    buf.close();
    if (!CompletePdf(out)) {
        Fail(error, "the PDF came out incomplete");
        return {};
    }
    return out;
}

bool GraphPdf(const GraphPicture& g, bool bw, const QString& path, std::string* error) {
    const QByteArray b = GraphPdfBytes(g, bw, error);
    if (b.isEmpty()) return false;
    return WriteFileAtomically(path.toStdString(), std::vector<std::uint8_t>(b.begin(), b.end()), error);
}

bool ExportGraphPicture(const GraphPicture& g, const std::string& path, PictureFormat format, bool bw, double dpi,
                        std::string* error) {
    if (!(g.scaleWidth > 0) || !(g.scaleHeight > 0) || !g.draw) return Fail(error, "there is no graph to export");
    switch (format) {
        case PictureFormat::Emf:
            return WriteFileAtomically(path, GraphEmf(g, bw), error);
        case PictureFormat::Svg: {
            const QByteArray b = GraphSvg(g, bw);
            if (!b.contains("</svg>")) return Fail(error, "the SVG came out incomplete");
            return WriteFileAtomically(path, std::vector<std::uint8_t>(b.begin(), b.end()), error);
        }
        case PictureFormat::Png: {
            if (!(dpi >= 10 && dpi <= 2400)) return Fail(error, "the resolution must lie between 10 and 2400 dpi");
            const QByteArray b = GraphPng(g, bw, dpi);
            if (b.isEmpty()) return Fail(error, "the picture is too large for a PNG");
            return WriteFileAtomically(path, std::vector<std::uint8_t>(b.begin(), b.end()), error);
        }
        case PictureFormat::Pdf: {
            // Made in memory and checked whole: a PDF writer reports no
            // failed write, so one that wrote straight to disk could leave
            // a cut file behind as if it were complete.
            const QByteArray b = GraphPdfBytes(g, bw, error);
            if (b.isEmpty()) return false;
            return WriteFileAtomically(path, std::vector<std::uint8_t>(b.begin(), b.end()), error);
        }
    }
    return Fail(error, "unknown picture form");
}

}  // namespace quble
