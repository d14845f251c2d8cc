// Small helpers the experimental window's files share.
#pragma once

#include <QLabel>
#include <QPalette>
#include <QString>
#include <QWidget>

#include <string>

#include "platform/qpainter_surface.h"

namespace quble::form100 {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

inline void Paint(QWidget* w, ColorRef c) {
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, ToQColor(ResolveColor(c)));
    w->setPalette(pal);
}

inline void PaintText(QLabel* l, ColorRef c) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, ToQColor(c));
    l->setPalette(pal);
}

}  // namespace quble::form100
