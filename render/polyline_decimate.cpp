#include "render/polyline_decimate.h"

namespace quble {

void DecimateByColumn(const PointF* in, std::size_t count, double columnsPerUnit, double columnOffset,
                      std::vector<PointF>& out) {
    out.clear();
    ColumnThinner thinner(columnsPerUnit, columnOffset);
    auto keep = [&out](const PointF& p) { out.push_back(p); };
    for (std::size_t i = 0; i < count; ++i) thinner.Add(in[i], keep);
    thinner.Finish(keep);
}

}  // namespace quble
