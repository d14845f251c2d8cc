// The experimental window's picture as a graph to export (the file forms,
// the clipboard renderings), and the same picture built without a window
// for the command line.
#pragma once

#include <QRectF>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "experimental/experimental_picture.h"
#include "experimental/experimental_plot.h"
#include "platform/graph_picture.h"

namespace quble {

// The picture (title strip, graph, legend strip and frame) with the formula
// at formulaRect, in graph pixels as the window shows it; s must outlive
// the result. The formula is left out for a spectrum without its axis.
GraphPicture ExperimentalGraphPicture(const ExpView& view, const BrukerSpectrum& s, ExpDrawStyle style,
                                      const ExpFrameLayout& layout, std::vector<std::uint8_t> formulaEmf,
                                      const QRectF& formulaRect, const ScreenMetrics& screen);

// A spectrum opened as "&Open" opens it (calibrated to TMS when autoTms and
// a reference peak is accepted), in full view on the window's graph, with
// the formula picture that lies beside it.
struct ExperimentalGraph {
    BrukerSpectrum spectrum;
    ExpView view;
    ExpFrameLayout layout;
    std::vector<std::uint8_t> formulaEmf;
    QRectF formulaRect;
    std::string referenceMessage;  // what the window would tell about the reference
};
// Nothing and the reason (the window's message) when the file is refused.
std::unique_ptr<ExperimentalGraph> BuildExperimentalGraph(const std::string& path, bool autoTms, std::string* error);

// Where the window shows a formula: corner (100, 40), longer side 200.
inline constexpr double kExpFormulaLeft = 100;
inline constexpr double kExpFormulaTop = 40;

}  // namespace quble
