#include "settings/graph_background.h"

namespace quble {

namespace {
constexpr std::array<ColorRef, kBackColorCount> kBackColors = {0xEFFFFF, 0xF0F0FF, 0xD0F0FF, 0x8000000E};
constexpr std::array<GridColors, 4> kGridFamilies = {{
    {0xFFFFDF, 0xFFFFA0, 0xFFFF00, 0xFFFFD0},
    {0xC0FFC0, 0xA0FFA0, 0x50FF50, 0xB0FFB0},
    {0x00EFFF, 0x00E5F5, 0x00C0D0, 0x00E8F8},
    {0xE0E0E0, 0xD0D0D0, 0xC0C0C0, 0xD0D0D0},
}};
}  // namespace

ColorRef BackColorForIndex(int index) {
    if (index < 0 || index >= kBackColorCount) index = 0;
    return kBackColors[static_cast<std::size_t>(index)];
}

GridColors GridColorsForCode(int code) {
    if (code < kFirstGridCode || code > kLastGridCode) code = kFirstGridCode;
    return kGridFamilies[static_cast<std::size_t>(code - kFirstGridCode)];
}

}  // namespace quble
