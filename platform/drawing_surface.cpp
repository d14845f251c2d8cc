#include "platform/drawing_surface.h"

namespace quble {

ColorRef ResolveColor(ColorRef c) {
    if ((c & 0x80000000u) == 0) return c & 0x00FFFFFFu;
    switch (c & 0xFFu) {
        case 5: return Rgb(255, 255, 255);    // window background
        case 8: return Rgb(0, 0, 0);          // window text
        case 14: return Rgb(255, 255, 255);   // highlighted text (a graph back colour)
        case 15: return Rgb(240, 240, 240);   // button face
        case 18: return Rgb(0, 0, 0);         // button text
        default: return Rgb(0, 0, 0);
    }
}

void DrawingSurface::Polyline(const PointF* points, std::size_t count) {
    if (count == 0) return;
    MoveTo(points[0].x, points[0].y);
    for (std::size_t i = 1; i < count; ++i) LineTo(points[i].x, points[i].y);
}

}  // namespace quble
