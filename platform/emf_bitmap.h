// A metafile that holds one bitmap stretched over its frame. A picture that
// reaches us only as pixels (a PNG from the clipboard, a rasterised SVG) is
// kept in this form, so that the formula picture is always a metafile and
// every export can embed it the same way.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/emf_surface.h"

namespace quble {

// pixels: width x height values 0xAARRGGBB, top row first (alpha ignored:
// flatten transparent pictures first). The frame is the bitmap's size at
// dpi dots per inch. Empty when the size is not positive or too large for
// a metafile record.
std::vector<std::uint8_t> EmfFromBitmap(int width, int height, const std::uint32_t* pixels, double dpi,
                                        const ScreenMetrics& screen = ScreenMetrics{});

}  // namespace quble
