// Thinning a dense polyline for a thin pen: of each run of consecutive
// points that fall in one pixel column, only the first, the lowest, the
// highest and the last are kept, in the order the line visits them. A
// one-pixel line lights, in each column, the rows between the extremes of
// its points there and joins the neighbouring columns through the run's
// first and last point, so the thinned line lights the same pixels to the
// eye while a 4096-line spectrum needs a few points per column instead of
// hundreds.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/drawing_surface.h"

namespace quble {

// Takes the points one at a time and hands the kept ones on, so a surface
// can thin while it maps the points, with no buffer in between. Columns are
// floor(x * columnsPerUnit + columnOffset); fewer than five points in a
// column are all handed on.
class ColumnThinner {
public:
    ColumnThinner(double columnsPerUnit, double columnOffset) : scale_(columnsPerUnit), offset_(columnOffset) {}

    template <class Emit>
    void Add(const PointF& p, Emit&& out) {
        const double c = std::floor(p.x * scale_ + offset_);
        if (n_ == 0 || c != column_) {
            Finish(out);
            column_ = c;
            first_ = lo_ = hi_ = last_ = p;
            loAt_ = hiAt_ = 0;
            n_ = 1;
            return;
        }
        if (n_ < 4) few_[n_ - 1] = p;
        if (p.y < lo_.y) lo_ = p, loAt_ = n_;
        if (p.y > hi_.y) hi_ = p, hiAt_ = n_;
        last_ = p;
        ++n_;
    }

    template <class Emit>
    void Finish(Emit&& out) {
        if (n_ == 0) return;
        out(first_);
        if (n_ <= 4) {
            for (int k = 0; k + 1 < n_; ++k) out(few_[k]);
        } else {
            const int last = n_ - 1;
            const bool loFirst = loAt_ < hiAt_;
            const PointF& a = loFirst ? lo_ : hi_;
            const PointF& b = loFirst ? hi_ : lo_;
            const int aAt = loFirst ? loAt_ : hiAt_, bAt = loFirst ? hiAt_ : loAt_;
            if (aAt != 0 && aAt != last) out(a);
            if (bAt != aAt && bAt != 0 && bAt != last) out(b);
            out(last_);
        }
        n_ = 0;
    }

private:
    double scale_, offset_;
    double column_ = 0.0;
    int n_ = 0;
    PointF first_, lo_, hi_, last_;
    PointF few_[3];  // the second to fourth point of a sparse column
    int loAt_ = 0, hiAt_ = 0;
};

// The whole polyline at once: `out` is replaced by the kept points.
void DecimateByColumn(const PointF* in, std::size_t count, double columnsPerUnit, double columnOffset,
                      std::vector<PointF>& out);

}  // namespace quble
