// Small pieces the simulator window's files share: the window's pixel
// layout, its colours and the text conversions between Qt and the core.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/drawing_surface.h"

namespace quble::form1detail {

// Window layout in pixels: one twip is 1/15 of a pixel, so the rows of the
// input frames, 240 twips apart, are 16 pixels apart.
constexpr int kTwipsPerPixel = 15;
constexpr int kRowStep = 240 / kTwipsPerPixel;
constexpr int FrameHeight(int nh) { return ((nh - 1) * 240 + 615) / kTwipsPerPixel; }
// The graph box's smallest size; it grows with the window.
constexpr int kGraphWidth = 663;
constexpr int kGraphHeight = 356;
constexpr int kGraphTop = 184;
// Room right of the graph for the Go button and the scale controls.
constexpr int kGraphColumn = 110;

constexpr ColorRef kBlinkYellow = 0x0000FFFF;  // &HFFFF
constexpr ColorRef kWindowWhite = 0x00FFFFFF;
constexpr ColorRef kButtonFace = 0x8000000F;

// Colours of the individual-peak palette under the graph; swatch 1 is the
// built-in default.
constexpr std::array<ColorRef, 8> kPeakSwatches{0x00000000, 0x00C0C0C0, 0x00008000, 0x00FF8080,
                                               0x000080FF, 0x00C000C0, 0x008080FF, 0x0000C0C0};

inline const char* const kOrdinal[4] = {"first", "second", "third", "fourth"};

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string S(const QString& s) { return s.toStdString(); }

// Without a rectangle the control is left to a layout.
inline QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QRect geo = {}) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    if (geo.isValid()) l->setGeometry(geo);
    return l;
}

inline QLineEdit* MakeBox(QWidget* parent, const QString& name, const QString& tip, QRect geo = {}) {
    auto* b = new QLineEdit(parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    if (geo.isValid()) b->setGeometry(geo);
    b->setTextMargins(0, 0, 0, 0);
    return b;
}

inline std::optional<ColorRef> ParseColorText(const std::string& text) {
    try {
        std::size_t used = 0;
        const long long v = std::stoll(text, &used);
        if (used != text.size()) return std::nullopt;
        return static_cast<ColorRef>(static_cast<std::uint32_t>(v));
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace quble::form1detail
