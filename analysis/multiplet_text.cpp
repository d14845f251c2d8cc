#include "analysis/multiplet_analysis.h"
#include "core/number_text.h"

namespace quble::analysis {

MultipletTexts DescribeAnalysis(const MultipletAnalysis& a, char decSep) {
    MultipletTexts t;
    t.centre = "\xCE\xB4 " + FixedDecimals(a.centrePpm, 4, decSep) + " ppm (" + FixedDecimals(a.centreHz, 2, decSep) +
               " Hz)";
    t.multiplicity = a.multiplicity;
    if (!a.firstOrder) {
        t.multiplicity += " (no first-order pattern explains " + FixedDecimals(a.fromPpm, 3, decSep) + " to " +
                          FixedDecimals(a.toPpm, 3, decSep) + " ppm)";
    }
    for (std::size_t i = 0; i < a.jHz.size(); ++i) {
        if (!t.couplings.empty()) t.couplings += ", ";
        t.couplings += FixedDecimals(a.jHz[i], 2, decSep);
        if (i < a.jSdHz.size()) t.couplings += " \xC2\xB1 " + FixedDecimals(a.jSdHz[i], 2, decSep);
        t.couplings += " Hz";
        const int count = i < a.jCount.size() ? a.jCount[i] : 1;
        if (count > 1) t.couplings += " (\xC3\x97" + std::to_string(count) + ")";
    }
    if (t.couplings.empty()) t.couplings = "none";
    t.confidence = FixedDecimals(a.confidence, 2, decSep);
    t.note = a.note;
    return t;
}

}  // namespace quble::analysis
