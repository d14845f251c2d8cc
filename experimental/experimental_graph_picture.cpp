#include "experimental/experimental_graph_picture.h"

#include <filesystem>

#include "platform/formula_image.h"
#include "core/number_text.h"
#include "platform/formula_image.h"

namespace quble {

GraphPicture ExperimentalGraphPicture(const ExpView& view, const BrukerSpectrum& s, ExpDrawStyle style,
                                      const ExpFrameLayout& layout, std::vector<std::uint8_t> formulaEmf,
                                      const QRectF& formulaRect, const ScreenMetrics& screen) {
    GraphPicture g;
    g.scaleWidth = layout.PictureWidth();
    g.scaleHeight = layout.PictureHeight();
    g.screen = screen;
    if (s.ReadAcqus && !formulaRect.isEmpty()) {
        g.formulaEmf = std::move(formulaEmf);
        // Over the graph, which sits below the title strip.
        g.formulaRect = formulaRect.translated(0, RoundHalfEven(layout.titleHeight));
    }
    const BrukerSpectrum* spectrum = &s;
    g.draw = [view, spectrum, style, layout](DrawingSurface& dc, bool bw,
                                         const std::function<void(DrawingSurface&)>& formula) {
        DrawExperimentalPicture(dc, view, *spectrum, style, layout, formula, bw);
    };
    return g;
}

std::unique_ptr<ExperimentalGraph> BuildExperimentalGraph(const std::string& path, bool autoTms, std::string* error) {
    auto g = std::make_unique<ExperimentalGraph>();
    BrukerSpectrum& s = g->spectrum;
    s.BigEndian = true;
    s.NPointsSearch = 240;
    s.AutoAdjustTMS = autoTms;
    // procs and acqus are found from the folders of the path.
    std::string whole = path;
    std::error_code ec;
    const std::filesystem::path abs = std::filesystem::absolute(path, ec);
    if (!ec) whole = abs.generic_string();
    const OpenResult r = OpenFull(s, whole);
    if (!r.ok()) {
        if (error) *error = r.text.empty() ? "the spectrum could not be opened: " + path : r.text;
        return nullptr;
    }
    g->referenceMessage = r.reference.message;
    g->layout = DefaultExpFrameLayout(s);
    FullViewScaling(g->view, s, g->layout.graphWidth, g->layout.graphHeight);
    if (std::optional<std::filesystem::path> f = FindFormulaBeside(std::filesystem::path(whole).parent_path())) {
        std::vector<std::uint8_t> emf;
        if (ReadFormulaFile(*f, &emf, nullptr)) {
            g->formulaRect = FormulaRectFor(emf, kExpFormulaLeft, kExpFormulaTop, 200);
            if (!g->formulaRect.isEmpty()) g->formulaEmf = std::move(emf);
        }
    }
    return g;
}

}  // namespace quble
