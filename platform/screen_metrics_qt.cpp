#include "platform/screen_metrics_qt.h"

#include <QScreen>

#include <cmath>

namespace quble {

ScreenMetrics ScreenMetricsOf(const QScreen* screen) {
    ScreenMetrics m;
    if (!screen) return m;
    const QSize px = screen->size();
    const QSizeF mm = screen->physicalSize();
    const double dpiX = screen->logicalDotsPerInchX(), dpiY = screen->logicalDotsPerInchY();
    if (px.width() > 0 && px.height() > 0) {
        m.HORZRES = px.width();
        m.VERTRES = px.height();
    }
    if (dpiX > 0) m.LOGPIXELSX = static_cast<int>(std::lround(dpiX));
    if (dpiY > 0) m.LOGPIXELSY = static_cast<int>(std::lround(dpiY));
    if (mm.width() >= 1 && mm.height() >= 1) {
        m.HORZSIZE = static_cast<int>(std::lround(mm.width()));
        m.VERTSIZE = static_cast<int>(std::lround(mm.height()));
    } else {
        m.HORZSIZE = static_cast<int>(std::lround(m.HORZRES * 25.4 / m.LOGPIXELSX));
        m.VERTSIZE = static_cast<int>(std::lround(m.VERTRES * 25.4 / m.LOGPIXELSY));
    }
    return m;
}

}  // namespace quble
