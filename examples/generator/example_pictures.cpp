#include "examples/generator/example_pictures.h"

#include <cmath>
#include <numbers>

#include "platform/emf_surface.h"

namespace quble::examplegen {

namespace {

// Picture units; one unit is one pixel of a 96 dpi screen, so the frame is
// about 8.5 x 6.4 cm, a size that reads well beside a graph.
constexpr double kW = 320.0;
constexpr double kH = 240.0;
constexpr double kBond = 30.0;

struct Atom {
    double x = 0, y = 0;
    std::string label;  // empty: a skeletal carbon
    bool hydrogen = false;  // the example's hydrogen: drawn in colour
};
struct Bond {
    int a = 0, b = 0;
    int order = 1;       // 2: a second line on the left of a -> b
    bool hashed = false; // a hashed wedge from a to b (bond behind the page)
};

class Sketch {
public:
    int Add(double x, double y, std::string label = {}, bool hydrogen = false) {
        atoms.push_back({x, y, std::move(label), hydrogen});
        return static_cast<int>(atoms.size()) - 1;
    }
    // An atom kBond (times scale) away from atom from, at angle deg (counter-
    // clockwise from the right, y up as on paper).
    int From(int from, double deg, std::string label = {}, bool hydrogen = false, double scale = 1.0) {
        const double r = deg * std::numbers::pi / 180.0;
        return Add(atoms[from].x + kBond * scale * std::cos(r), atoms[from].y - kBond * scale * std::sin(r),
                   std::move(label), hydrogen);
    }
    void Link(int a, int b, int order = 1, bool hashed = false) { bonds.push_back({a, b, order, hashed}); }
    // A ring of n atoms around (cx, cy) starting at angle deg; returns the
    // first index, the atoms following in counter-clockwise order.
    int Ring(double cx, double cy, int n, double deg) {
        const double radius = kBond / (2 * std::sin(std::numbers::pi / n));
        const int first = static_cast<int>(atoms.size());
        for (int k = 0; k < n; ++k) {
            const double r = (deg + 360.0 * k / n) * std::numbers::pi / 180.0;
            Add(cx + radius * std::cos(r), cy - radius * std::sin(r));
        }
        for (int k = 0; k < n; ++k) Link(first + k, first + (k + 1) % n);
        return first;
    }
    void Label(int i, std::string label, bool hydrogen = false) {
        atoms[i].label = std::move(label);
        atoms[i].hydrogen = hydrogen;
    }

    std::string title;
    std::vector<Atom> atoms;
    std::vector<Bond> bonds;
};

Font LabelFont() { return Font{"Arial", 15.0, 400, false, 0}; }
Font TitleFont() { return Font{"Arial", 16.0, 700, false, 0}; }
constexpr ColorRef kInk = 0;                  // black
constexpr ColorRef kHydrogen = 0x00C00000;    // dark blue: the example's hydrogen

// Shortens the segment a-b at the ends that carry a label, so the line
// stops short of the text.
void Trim(const Atom& a, const Atom& b, double* x1, double* y1, double* x2, double* y2) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::hypot(dx, dy);
    if (len <= 0) return;
    const double ux = dx / len, uy = dy / len;
    const double ga = a.label.empty() ? 0.0 : 9.0 + 2.5 * std::abs(ux) * (a.label.size() - 1);
    const double gb = b.label.empty() ? 0.0 : 9.0 + 2.5 * std::abs(ux) * (b.label.size() - 1);
    *x1 = a.x + ux * ga;
    *y1 = a.y + uy * ga;
    *x2 = b.x - ux * gb;
    *y2 = b.y - uy * gb;
}

void Draw(const Sketch& s, EmfSurface& dc) {
    const Pen bondPen{kInk, 2.0};
    for (const Bond& b : s.bonds) {
        const Atom& a = s.atoms[b.a];
        const Atom& c = s.atoms[b.b];
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        Trim(a, c, &x1, &y1, &x2, &y2);
        const bool toHydrogen = a.hydrogen || c.hydrogen;
        dc.SetPen(Pen{toHydrogen ? kHydrogen : kInk, 2.0});
        if (b.hashed) {
            // Short strokes across the bond, widening towards b.
            const double dx = x2 - x1, dy = y2 - y1, len = std::hypot(dx, dy);
            const double nx = -dy / len, ny = dx / len;
            for (int k = 1; k <= 6; ++k) {
                const double t = k / 6.0, half = 1.0 + 4.0 * t;
                const double px = x1 + dx * t, py = y1 + dy * t;
                dc.MoveTo(px - nx * half, py - ny * half);
                dc.LineTo(px + nx * half, py + ny * half);
            }
            continue;
        }
        dc.MoveTo(x1, y1);
        dc.LineTo(x2, y2);
        if (b.order == 2) {
            // The second line sits on the left of a -> b, a little shorter.
            const double dx = x2 - x1, dy = y2 - y1, len = std::hypot(dx, dy);
            const double nx = dy / len * 5.0, ny = -dx / len * 5.0;
            const double inset = a.label.empty() && c.label.empty() ? 0.15 : 0.0;
            dc.MoveTo(x1 + dx * inset + nx, y1 + dy * inset + ny);
            dc.LineTo(x2 - dx * inset + nx, y2 - dy * inset + ny);
        }
    }
    dc.SetPen(bondPen);
    const Font label = LabelFont();
    dc.SetFont(label);
    for (const Atom& a : s.atoms) {
        if (a.label.empty()) continue;
        const TextExtent e = dc.MeasureText(label, a.label);
        dc.SetTextColor(a.hydrogen ? kHydrogen : kInk);
        dc.TextOut(a.x - e.width / 2, a.y - e.height / 2, a.label);
    }
    const Font title = TitleFont();
    dc.SetFont(title);
    dc.SetTextColor(kInk);
    const TextExtent e = dc.MeasureText(title, s.title);
    dc.TextOut((kW - e.width) / 2, kH - e.height - 8, s.title);
}

// 15-Deoxygoyazensolide: the alpha-methylene gamma-lactone with H5, H6, H7
// and H8 of the ring it is fused to, and the furanone's H3'a/H3'b side.
Sketch Example1() {
    Sketch s;
    s.title = "15-Deoxygoyazensolide";
    const int r = s.Ring(205, 115, 5, 162);  // C7, C6, O, C12, C11
    const int c7 = r, c6 = r + 1, o1 = r + 2, c12 = r + 3, c11 = r + 4;
    s.Label(o1, "O");
    const int oc = s.From(c12, -10, "O");
    s.Link(c12, oc, 2);
    const int ch2 = s.From(c11, 60);
    s.Link(c11, ch2, 2);
    s.Link(c11, c12);
    const int h7 = s.From(c7, 110, "H7", true, 0.9);
    s.Link(c7, h7, 1, true);
    const int c8 = s.From(c7, 150);
    s.Link(c7, c8);
    const int h8 = s.From(c8, 90, "H8", true, 0.9);
    s.Link(c8, h8);
    const int o8 = s.From(c8, 200, "OR");
    s.Link(c8, o8, 1, true);
    const int c5 = s.From(c6, 250);
    s.Link(c6, c5);
    const int h6 = s.From(c6, 330, "H6", true, 0.9);
    s.Link(c6, h6, 1, true);
    const int h5 = s.From(c5, 300, "H5", true, 0.9);
    s.Link(c5, h5);
    const int c4 = s.From(c5, 190);
    s.Link(c5, c4, 2);
    const int c3 = s.From(c4, 160);
    s.Link(c4, c3);
    s.Link(c3, s.From(c3, 100, "H3'a", true, 0.9));
    s.Link(c3, s.From(c3, 220, "H3'b", true, 0.9));
    return s;
}

// bqw75a: the cyclohexene ring with the equatorial He between two CH2 groups
// and an acetate.
Sketch Example2() {
    Sketch s;
    s.title = "bqw75a";
    const int r = s.Ring(170, 125, 6, 90);
    s.bonds[2].order = 2;  // C3=C4
    const int top = r;
    const int he = s.From(top, 60, "He", true, 0.9);
    s.Link(top, he);
    const int o = s.From(top, 120, "O");
    s.Link(top, o, 1, true);
    const int ac = s.From(o, 170);
    s.Link(o, ac);
    const int oc = s.From(ac, 240, "O");
    s.Link(ac, oc, 2);
    s.Link(ac, s.From(ac, 120));
    const int me = s.From(r + 4, -30, "Me");
    s.Link(r + 4, me);
    return s;
}

// Alcohol RVALE-009: the carbinol hydrogen HA on a chain between two stereo
// centres.
Sketch Example3() {
    Sketch s;
    s.title = "Alcohol RVALE-009";
    const int c1 = s.Add(70, 110);
    const int c2 = s.From(c1, 30);
    const int c3 = s.From(c2, -30);
    const int c4 = s.From(c3, 30);
    const int c5 = s.From(c4, -30);
    const int c6 = s.From(c5, 30);
    s.Link(c1, c2);
    s.Link(c2, c3);
    s.Link(c3, c4);
    s.Link(c4, c5);
    s.Link(c5, c6, 2);
    const int oh = s.From(c3, -90, "OH");
    s.Link(c3, oh);
    const int ha = s.From(c3, 90, "HA", true, 0.9);
    s.Link(c3, ha, 1, true);
    const int me = s.From(c4, 90, "Me");
    s.Link(c4, me);
    const int o = s.From(c1, 210, "OMe");
    s.Link(c1, o);
    return s;
}

// Mesylate RVALE-011: the mesylated carbon with HG beside a CH2.
Sketch Example4() {
    Sketch s;
    s.title = "Mesylate RVALE-011";
    const int c1 = s.Add(80, 120);
    const int c2 = s.From(c1, 30);
    const int c3 = s.From(c2, -30);
    const int c4 = s.From(c3, 30);
    const int c5 = s.From(c4, -30);
    s.Link(c1, c2);
    s.Link(c2, c3);
    s.Link(c3, c4);
    s.Link(c4, c5);
    const int o = s.From(c3, -90, "OMs");
    s.Link(c3, o);
    const int hg = s.From(c3, 90, "HG", true, 0.9);
    s.Link(c3, hg, 1, true);
    const int o5 = s.From(c5, 30, "OMe");
    s.Link(c5, o5);
    const int o1 = s.From(c1, 210, "O");
    s.Link(c1, o1, 2);
    return s;
}

// Lactam RVALE-007: the five-membered lactam with HG on the ring carbon
// next to nitrogen.
Sketch Example5() {
    Sketch s;
    s.title = "Lactam RVALE-007";
    const int r = s.Ring(165, 112, 5, 198);  // C5, N1, C2, C3, C4
    const int c5 = r, n1 = r + 1, c2 = r + 2;
    s.Label(n1, "N");
    const int o = s.From(c2, -20, "O");
    s.Link(c2, o, 2);
    const int h = s.From(n1, 270, "H", false, 0.8);
    s.Link(n1, h);
    const int hg = s.From(c5, 250, "HG", true, 0.9);
    s.Link(c5, hg, 1, true);
    const int side = s.From(c5, 150);
    s.Link(c5, side);
    const int side2 = s.From(side, 210);
    s.Link(side, side2);
    const int ome = s.From(side2, 150, "OMe");
    s.Link(side2, ome);
    const int c4 = r + 4;
    const int ph = s.From(c4, 90);
    s.Link(c4, ph);
    return s;
}

Sketch ExampleSketch(int n) {
    switch (n) {
        case 1: return Example1();
        case 2: return Example2();
        case 3: return Example3();
        case 4: return Example4();
        default: return Example5();
    }
}

}  // namespace

std::vector<std::string> ExamplePictureNames() { return {"Ex1.emf", "Ex2.emf", "Ex3.emf", "Ex4.emf", "Ex5.emf"}; }

std::string ExamplePictureTitle(int n) { return n >= 1 && n <= 5 ? ExampleSketch(n).title : std::string(); }

std::vector<std::uint8_t> ExamplePictureEmf(int n) {
    if (n < 1 || n > 5) return {};
    const ScreenMetrics screen;  // a 96 dpi reference screen, the same on every machine
    EmfPageSetup page;
    page.scaleWidth = kW;
    page.scaleHeight = kH;
    page.screen = screen;
    page.frame = {0, 0, static_cast<std::int32_t>(std::lround(kW / screen.LOGPIXELSX * 2540)),
                  static_cast<std::int32_t>(std::lround(kH / screen.LOGPIXELSY * 2540))};
    EmfSurface dc(page);
    dc.SetMapMode(8);  // MM_ANISOTROPIC: picture units onto the reference screen
    dc.SetWindowExtEx(static_cast<std::int32_t>(kW), static_cast<std::int32_t>(kH));
    dc.SetViewportExtEx(
        static_cast<std::int32_t>(std::lround(kW / screen.LOGPIXELSX * 25.4 * screen.HORZRES / screen.HORZSIZE)),
        static_cast<std::int32_t>(std::lround(kH / screen.LOGPIXELSY * 25.4 * screen.VERTRES / screen.VERTSIZE)));
    Draw(ExampleSketch(n), dc);
    return dc.Finish();
}

}  // namespace quble::examplegen
