// The first-order model of line_model.h computed through its free induction
// decay: a hydrogen's lines are one signal
//   s(t) = exp(i 2 pi (shift - nu0) t) * prod_g cos(pi J_g t)^count_g * envelope(t)
// whose envelope is the Fourier pair of the mixed line shape,
//   f pi hw exp(-2 pi hw t) + (1 - f) hw sqrt(pi / ln 2) exp(-(pi hw t)^2 / ln 2),
// and one FFT of the sampled sum gives every line at every point of a uniform
// grid at once. The cost grows with the grid, not with the number of lines
// (a hydrogen with ten couplings has 1024), which is what makes fits of
// many-coupled hydrogens affordable.
//
// The spectrum comes from the trapezoid sum over t = k dt, which equals the
// exact line shapes up to two errors: the grid's period N df folds far
// Lorentzian tails back in (taken off again in closed form, leaving about
// 1e-8 of a line's height), and cutting the decay at t = 1 / df leaves
// exp(-2 pi hw / df) / 2 (the grid is refined by an integer factor when
// lines are narrow).
#pragma once

#include <complex>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "analysis/line_model.h"

namespace quble::analysis {

// Points equally spaced, rising or falling.
struct UniformAxis {
    double lowHz = 0.0;      // the lowest point
    double stepHz = 1.0;     // > 0
    bool descending = false; // the points fall from the first to the last
};

// The axis of points equally spaced to 1e-6 of their step; nothing for fewer
// than two points, unequal steps or repeated points.
std::optional<UniformAxis> FindUniformAxis(std::span<const double> hz);

// One hydrogen of the model and where its derivatives go: columns of the
// Jacobian, -1 for none. Several hydrogens may share a column (a shared
// width); their derivatives add.
struct TimeDomainHydrogen {
    double shiftHz = 0.0;
    double halfWidthHz = 0.5;          // half the full width at half height, > 0
    // The hydrogen's lines times amplitude, and its derivative by the half
    // width (lines kept at equal area as their width changes).
    double amplitude = 1.0;
    double amplitudeSlope = 0.0;
    std::vector<CouplingGroup> groups;
    int shiftColumn = -1;
    int halfWidthColumn = -1;          // derivative by the half width
    std::vector<int> jColumns;         // per group; missing entries are none
};

class TimeDomainModel {
public:
    TimeDomainModel(UniformAxis axis, std::size_t points);
    ~TimeDomainModel();
    TimeDomainModel(const TimeDomainModel&) = delete;
    TimeDomainModel& operator=(const TimeDomainModel&) = delete;

    struct Grid {
        int oversample = 1;      // model points per point of the data
        std::size_t size = 0;    // FFT length; 0 when it would be unreasonably large
    };
    // The grid for lines no narrower than minHalfWidthHz.
    Grid GridFor(double minHalfWidthHz) const;

    // Adds the unit-scale model (a line's peak height is its intensity) at
    // the points, in their order, to values, and when jacobian is given its
    // derivatives to the columns named by the hydrogens and lorentzColumn
    // (by the Lorentzian share f). jacobian is column-major with one row per
    // point and at least `columns` columns. Returns false, adding nothing,
    // when the grid would be too large (GridFor's size 0).
    bool Evaluate(std::span<const TimeDomainHydrogen> hydrogens, double lorentzFraction, int lorentzColumn,
                  std::span<double> values, double* jacobian, int columns);

private:
    void AddSignal(const TimeDomainHydrogen& h, double lorentzFraction, int lorentzSlot,
                   std::span<const int> slotOfColumn, std::size_t n, double nu0, double dt);

    UniformAxis axis_;
    std::size_t points_;
    // Time signals, one block of n per slot (slot 0 the model), then the
    // packed input and the output of the FFT.
    std::complex<double>* signals_ = nullptr;
    std::complex<double>* packed_ = nullptr;
    std::complex<double>* spectrum_ = nullptr;
    std::size_t signalCapacity_ = 0, gridCapacity_ = 0;
};

}  // namespace quble::analysis
