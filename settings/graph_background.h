// Back colours and grid colour families of the simulator graph.
#pragma once

#include <array>

#include "platform/drawing_surface.h"

namespace quble {

inline constexpr int kBackColorCount = 4;
inline constexpr int kFirstGridCode = 19;
inline constexpr int kLastGridCode = 22;

// Grid colours by role: 0 fine lines, 1 coarse vertical lines, 2 centre
// line, 3 coarse horizontal lines.
using GridColors = std::array<ColorRef, 4>;

// The back colour of a background colour index (0..3); an index outside the
// table gives the first colour, so a damaged setting never paints garbage.
ColorRef BackColorForIndex(int index);
// The four colours of a grid family (19..22); outside the table, family 19.
GridColors GridColorsForCode(int code);

}  // namespace quble
