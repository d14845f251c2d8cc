#include "experimental/experimental_picture.h"

#include <algorithm>
#include <cmath>

#include "core/number_text.h"

namespace quble {

namespace {

double R(double v) { return RoundHalfEven(v); }

// The graph's part of a larger picture: the drawing routine measures its
// axis against the surface's width, which must be the graph's and not the
// frame's (two pixels wider). In black and white every colour is black.
class GraphArea : public DrawingSurface {
public:
    GraphArea(DrawingSurface& dc, double width, double height, bool bw)
        : dc_(dc), width_(width), height_(height), bw_(bw) {}
    double ScaleWidth() const override { return width_; }
    double ScaleHeight() const override { return height_; }
    void Clear(ColorRef) override {}  // the picture's background is the frame's
    void SetPen(const Pen& pen) override {
        Pen p = pen;
        if (bw_) p.color = 0;
        dc_.SetPen(p);
    }
    void MoveTo(double x, double y) override { dc_.MoveTo(x, y); }
    void LineTo(double x, double y) override { dc_.LineTo(x, y); }
    void Polyline(const PointF* points, std::size_t count) override;
    void Box(double x1, double y1, double x2, double y2, ColorRef color, bool filled) override {
        dc_.Box(x1, y1, x2, y2, bw_ ? 0 : color, filled);
    }
    void Ellipse(double x1, double y1, double x2, double y2) override { dc_.Ellipse(x1, y1, x2, y2); }
    void SetPixel(double x, double y, ColorRef color) override { dc_.SetPixel(x, y, bw_ ? 0 : color); }
    void SetFont(const Font& font) override { dc_.SetFont(font); }
    void SetTextColor(ColorRef color) override { dc_.SetTextColor(bw_ ? 0 : color); }
    void TextOut(double x, double y, std::string_view text) override { dc_.TextOut(x, y, text); }
    TextExtent MeasureText(const Font& font, std::string_view text) const override {
        return dc_.MeasureText(font, text);
    }

private:
    DrawingSurface& dc_;
    double width_, height_;
    bool bw_;
};

// Office readers drop a polyline of more than 65535 points without a word
// (a full 64k spectrum is one), so the line goes out in pieces, each
// starting where the last ended. In a wide view many points fall on the
// same pixel: repeating one adds nothing to the line and is left out.
constexpr std::size_t kPolylinePiece = 16384;

void GraphArea::Polyline(const PointF* points, std::size_t count) {
    std::vector<PointF> piece;
    piece.reserve(std::min(count, kPolylinePiece));
    for (std::size_t i = 0; i < count; ++i) {
        if (!piece.empty() && piece.back().x == points[i].x && piece.back().y == points[i].y) continue;
        piece.push_back(points[i]);
        if (piece.size() == kPolylinePiece) {
            dc_.Polyline(piece.data(), piece.size());
            const PointF last = piece.back();
            piece.assign(1, last);
        }
    }
    if (piece.size() > 1 || (count > 0 && piece.size() == 1 && count == 1)) dc_.Polyline(piece.data(), piece.size());
}

Font MakeFont(const char* face, double height, int weight = 400) {
    Font f;
    f.face = face;
    f.height = height;
    f.weight = weight;
    return f;
}

}  // namespace

double ExpFrameLayout::FrameWidth() const { return R(graphWidth); }
double ExpFrameLayout::FrameHeight() const { return R(titleHeight + graphHeight + legendHeight); }

ExpFrameLayout DefaultExpFrameLayout(const BrukerSpectrum& s) {
    ExpFrameLayout f;
    f.title = s.Title;
    f.reference = s.ReferenceCaption;
    return f;
}

void Moldura(DrawingSurface& dc, const ExpFrameLayout& f) {
    const double W = f.FrameWidth(), H = f.FrameHeight(), T = R(f.titleHeight);
    // 1. Frame and the line under the title strip.
    dc.SetPen(Pen{0, 1.0});
    dc.Box(0, 0, W, H, 0, false);
    dc.MoveTo(0, T);
    dc.LineTo(W, T);
    // 2. Shadow, three pixels deep.
    const PointF shadow[] = {{1, H + 1}, {W + 1, H + 1}, {W + 1, 1}, {W + 2, 2},
                             {W + 2, H + 2}, {2, H + 2}, {3, H + 3}, {W + 2, H + 3}};
    dc.Polyline(shadow, std::size(shadow));
    // 3. The axis legend below the graph. The delta is written as the
    // Unicode letter: a Symbol-font "d" reads as a plain d wherever that
    // font is missing (most Linux desktops, SVG and PNG renderings).
    dc.SetTextColor(0);
    const double legendTop = R(f.graphHeight) + T;
    const Font times = MakeFont("Times New Roman", 12);
    dc.SetFont(times);
    const double dx = R(f.deltaLeft), dy = R(legendTop + f.deltaTop - 5);
    dc.TextOut(dx, dy, "\xCE\xB4");
    dc.TextOut(dx + 10, dy, "(ppm)");
    // 4. Reference caption and title.
    if (!f.reference.empty()) dc.TextOut(R(f.referenceLeft), R(legendTop + f.referenceTop), f.reference);
    if (!f.title.empty()) {
        const Font title = MakeFont(kTitleFont, 13, kTitleWeight);
        double left = f.titleLeft;
        if (left < 0) left = (f.graphWidth + 1) / 2 - dc.MeasureText(title, f.title).width / 2;
        dc.SetFont(title);
        dc.TextOut(R(left), R(f.titleTop), f.title);
    }
}

void DrawExperimentalPicture(DrawingSurface& dc, ExpView view, const BrukerSpectrum& s, ExpDrawStyle style,
                             const ExpFrameLayout& f, const std::function<void(DrawingSurface&)>& formula,
                             bool bw) {
    const double T = R(f.titleHeight);
    {
        GraphArea graph(dc, R(f.graphWidth), R(f.graphHeight), bw);
        GrafMesmoWnd(graph, view, s, style, T);
    }
    if (s.ReadAcqus && formula) formula(dc);
    Moldura(dc, f);
}

std::string ExpFormulaFile(const ExpFormula& f, const std::string& programFolder) {
    return f.ExpFormulaFromExample ? f.ExpExampleFormulaPath : ProgramFile(programFolder, kSvClipMFSFFile);
}

bool MakeCurPic2MF(const ExpView& view, const BrukerSpectrum& s, ExpDrawStyle style, const ExpFrameLayout& f,
                   const ExpFormula& formula, const ScreenMetrics& screen, const std::string& programFolder,
                   std::vector<std::uint8_t>* bytes, std::string* error) {
    if (screen.LOGPIXELSX <= 0 || screen.LOGPIXELSY <= 0 || screen.HORZSIZE <= 0 || screen.VERTSIZE <= 0 ||
        f.graphWidth <= 0 || f.graphHeight <= 0) {
        if (error) *error = "the screen or the graph has no size";
        return false;
    }
    const CurPicPage page = CurPicPageFor(f.PictureWidth(), f.PictureHeight(), screen);
    EmfSurface dc(page.setup);
    dc.SetMapMode(8);  // MM_ANISOTROPIC
    dc.SetWindowExtEx(page.windowExtX, page.windowExtY);
    dc.SetViewportExtEx(page.viewportExtX, page.viewportExtY);
    DrawExperimentalPicture(dc, view, s, style, f, [&](DrawingSurface&) {
        if (!formula.ExpFormulaShown) return;
        // The formula lies over the graph, so it moves down with it.
        PictureExport ex;
        ex.ProgramFolder = programFolder;
        ex.formula.FormulaShown = true;
        ex.formula.FormulaFromExample = true;
        ex.formula.ExampleFormulaPath = ExpFormulaFile(formula, programFolder);
        ex.formula.Left = formula.Left;
        ex.formula.Top = formula.Top + R(f.titleHeight);
        ex.formula.Width = formula.Width;
        ex.formula.Height = formula.Height;
        // A formula file that cannot be read is left out; the graph is still
        // worth having.
        Formula(dc, ex, nullptr);
    });
    const std::vector<std::uint8_t>& data = dc.Finish();
    if (bytes) *bytes = data;
    return WriteFileAtomically(ProgramFile(programFolder, kCurPic2File), data, error);
}

}  // namespace quble
