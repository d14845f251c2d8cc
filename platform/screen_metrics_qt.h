// The screen a window shows on, in the terms a metafile records.
#pragma once

#include "platform/emf_surface.h"

class QScreen;

namespace quble {

// The screen's metrics as a metafile refers to them; a screen that reports
// no physical size is taken at its logical dots per inch.
ScreenMetrics ScreenMetricsOf(const QScreen* screen);

}  // namespace quble
