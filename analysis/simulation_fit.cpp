#include "analysis/simulation_fit.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

#include <Eigen/Dense>
#include <unsupported/Eigen/LevenbergMarquardt>

#include "analysis/fit_blocks.h"
#include "analysis/time_domain_model.h"

namespace quble::analysis {

namespace {

// exp(-ln 2 u^2) without the exponential where it is exactly 0 in double
// precision anyway (the exponent is below -745 beyond u^2 of about 1075):
// most points of a region lie that far from most lines.
inline double GaussianTerm(double u2) { return u2 < 1100.0 ? std::exp(-std::numbers::ln2 * u2) : 0.0; }

// One set of equal couplings of a hydrogen and where its value lives.
struct Group {
    double start = 0.0;
    int count = 0;
    int param = -1;               // index into the parameter vector, -1 fixed
    std::vector<int> members;     // entries of the hydrogen's jHz
};

struct Hydrogen {
    double shiftStart = 0.0;
    int shiftParam = -1;
    double widthStart = 1.0;
    int widthParam = -1;          // shared by all hydrogens unless widths are separate
    std::vector<Group> groups;
    // Lines as intensity and, per group, the multiple of J/2 of its offset.
    std::vector<double> intensity;
    std::vector<int> steps;       // lines x groups
};

// Both ways cost in proportion to the points (the direct sum per line, the
// time domain per grid point), so the choice comes down to the number of
// lines: measured on regions of 300 to 2000 points, one hydrogen of 2 to 64
// lines, the time domain is the quicker from about 16 (300 points) to about
// 24 lines (2000 points); see docs/PERFORMANCE.md.
constexpr double kTimeDomainFromLines = 24.0;

struct Problem {
    std::span<const double> hz;
    std::span<const double> y;
    double mid = 0.0;
    std::vector<Hydrogen> hydrogens;
    double widthStart = 1.0, thetaStart = 0.0, scaleStart = 1.0, b0Start = 0.0, b1Start = 0.0;
    int widthParam = -1, thetaParam = -1, scaleParam = -1, b0Param = -1, b1Param = -1;
    int parameters = 0;
    // With a width each, a hydrogen's lines keep their area, not their
    // height, as the width changes: hydrogens of one proton each integrate
    // alike however broad. Heights kept equal, a broader hydrogen would
    // take area it does not have, and its width and couplings bend to make
    // up for it (Example 1a's H5 and H3'a, 1.13 and 0.87 Hz wide).
    bool equalAreas = false;
    double AreaFactor(const Hydrogen& h, double w) const { return equalAreas ? h.widthStart / std::max(std::abs(w), 1e-9) : 1.0; }
    FitEvaluation evaluation = FitEvaluation::Automatic;
    // Set for equally spaced points; shared by copies of the problem, which
    // all run on the fit's own thread.
    std::shared_ptr<TimeDomainModel> timeDomain;
    mutable FitEvaluation lastUsed = FitEvaluation::Direct;
    const std::atomic<bool>* cancel = nullptr;
    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    double Value(const Eigen::VectorXd& x, int param, double fixed) const { return param >= 0 ? x[param] : fixed; }

    double Lines() const {
        double lines = 0.0;
        for (const auto& h : hydrogens) lines += static_cast<double>(h.intensity.size());
        return lines;
    }

    // Residuals model - data and, when jac is given, their derivatives.
    // columns maps a parameter to its Jacobian column, -1 for held ones;
    // without it every parameter is its own column.
    void Evaluate(const Eigen::VectorXd& x, Eigen::VectorXd& r, Eigen::MatrixXd* jac, bool withBaseline = true,
                  const std::vector<int>* columns = nullptr) const {
        const std::size_t n = hz.size();
        const double theta = Value(x, thetaParam, thetaStart);
        const double f = 0.5 + 0.5 * std::sin(theta);
        const double dfdtheta = 0.5 * std::cos(theta);
        const double a = Value(x, scaleParam, scaleStart);
        const double b0 = withBaseline ? Value(x, b0Param, b0Start) : 0.0;
        const double b1 = withBaseline ? Value(x, b1Param, b1Start) : 0.0;
        auto column = [&](int param) { return param < 0 ? -1 : columns ? (*columns)[static_cast<std::size_t>(param)] : param; };
        int ncols = parameters;
        if (columns) ncols = static_cast<int>(std::count_if(columns->begin(), columns->end(), [](int c) { return c >= 0; }));
        r.setZero(static_cast<Eigen::Index>(n));
        if (jac) jac->setZero(static_cast<Eigen::Index>(n), ncols);
        const bool useTimeDomain = timeDomain && evaluation != FitEvaluation::Direct &&
                                (evaluation == FitEvaluation::TimeDomain || Lines() >= kTimeDomainFromLines) &&
                                EvaluateTimeDomain(x, f, dfdtheta, a, r, jac, column);
        lastUsed = useTimeDomain ? FitEvaluation::TimeDomain : FitEvaluation::Direct;
        if (!useTimeDomain) EvaluateDirect(x, f, dfdtheta, a, r, jac, column);
        const int cb0 = column(b0Param), cb1 = column(b1Param);
        for (std::size_t i = 0; i < n; ++i) {
            const double t = hz[i] - mid;
            r[static_cast<Eigen::Index>(i)] += b0 + b1 * t - (withBaseline ? y[i] : 0.0);
            if (jac && cb0 >= 0) (*jac)(static_cast<Eigen::Index>(i), cb0) = 1.0;
            if (jac && cb1 >= 0) (*jac)(static_cast<Eigen::Index>(i), cb1) = t;
        }
    }

    template <class Column>
    void EvaluateDirect(const Eigen::VectorXd& x, double f, double dfdtheta, double a, Eigen::VectorXd& r,
                        Eigen::MatrixXd* jac, const Column& column) const {
        const std::size_t n = hz.size();
        constexpr double ln2 = std::numbers::ln2;
        auto colPtr = [&](int param) { return column(param) >= 0 ? jac->col(column(param)).data() : nullptr; };
        for (const auto& h : hydrogens) {
            const double shift = Value(x, h.shiftParam, h.shiftStart);
            const double w = Value(x, h.widthParam, h.widthStart);
            const double hw = 0.5 * std::max(std::abs(w), 1e-9);
            const double wSign = w < 0.0 ? -1.0 : 1.0;
            const std::size_t ng = h.groups.size();
            std::vector<double> j(ng);
            for (std::size_t g = 0; g < ng; ++g) j[g] = Value(x, h.groups[g].param, h.groups[g].start);
            for (std::size_t l = 0; l < h.intensity.size(); ++l) {
                double pos = shift;
                for (std::size_t g = 0; g < ng; ++g) pos += 0.5 * h.steps[l * ng + g] * j[g];
                const double wl = h.intensity[l] * AreaFactor(h, w);
                if (!jac) {
                    for (std::size_t i = 0; i < n; ++i) {
                        const double u = (hz[i] - pos) / hw;
                        const double u2 = u * u;
                        r[static_cast<Eigen::Index>(i)] +=
                            a * wl * (f / (1.0 + u2) + (1.0 - f) * GaussianTerm(u2));
                    }
                    continue;
                }
                double* cShift = colPtr(h.shiftParam);
                double* cWidth = colPtr(h.widthParam);
                double* cTheta = colPtr(thetaParam);
                double* cScale = colPtr(scaleParam);
                // Columns of this line's free couplings with their J/2 multiples.
                double* cJ[16];
                double kJ[16];
                int nj = 0;
                for (std::size_t g = 0; g < ng && nj < 16; ++g) {
                    const int s = h.steps[l * ng + g];
                    double* c = colPtr(h.groups[g].param);
                    if (c && s != 0) {
                        cJ[nj] = c;
                        kJ[nj] = 0.5 * s;
                        ++nj;
                    }
                }
                for (std::size_t i = 0; i < n; ++i) {
                    const double u = (hz[i] - pos) / hw;
                    const double u2 = u * u;
                    const double lor = 1.0 / (1.0 + u2);
                    const double gau = GaussianTerm(u2);
                    const double s = f * lor + (1.0 - f) * gau;
                    r[static_cast<Eigen::Index>(i)] += a * wl * s;
                    const double dsdd = (f * (-2.0 * u * lor * lor) + (1.0 - f) * (-2.0 * ln2 * u * gau)) / hw;
                    const double dpos = -a * wl * dsdd;  // derivative of the model by the line position
                    if (cShift) cShift[i] += dpos;
                    for (int k = 0; k < nj; ++k) cJ[k][i] += kJ[k] * dpos;
                    if (cWidth) cWidth[i] += a * wl * ((-u * dsdd) * 0.5 * wSign - (equalAreas ? s / w : 0.0));
                    if (cTheta) cTheta[i] += a * wl * (lor - gau) * dfdtheta;
                    if (cScale) cScale[i] += wl * s;
                }
            }
        }
    }

    // The same through the time signal; false (nothing added) when the grid
    // would be too large for the narrowest line.
    template <class Column>
    bool EvaluateTimeDomain(const Eigen::VectorXd& x, double f, double dfdtheta, double a, Eigen::VectorXd& r,
                            Eigen::MatrixXd* jac, const Column& column) const {
        const std::size_t n = hz.size();
        std::vector<TimeDomainHydrogen> td(hydrogens.size());
        // The model is computed at unit scale; each column then takes the
        // chain rule's factor of its parameter.
        const int ncols = jac ? static_cast<int>(jac->cols()) : 0;
        std::vector<double> factor(static_cast<std::size_t>(ncols), a);
        for (std::size_t k = 0; k < hydrogens.size(); ++k) {
            const auto& h = hydrogens[k];
            auto& t = td[k];
            t.shiftHz = Value(x, h.shiftParam, h.shiftStart);
            const double w = Value(x, h.widthParam, h.widthStart);
            t.halfWidthHz = 0.5 * std::max(std::abs(w), 1e-9);
            t.amplitude = AreaFactor(h, w);
            if (equalAreas) t.amplitudeSlope = -t.amplitude / t.halfWidthHz;
            for (const auto& g : h.groups) {
                t.groups.push_back({Value(x, g.param, g.start), g.count});
                t.jColumns.push_back(column(g.param));
            }
            t.shiftColumn = column(h.shiftParam);
            t.halfWidthColumn = column(h.widthParam);
            if (jac && t.halfWidthColumn >= 0) factor[static_cast<std::size_t>(t.halfWidthColumn)] = a * 0.5 * (w < 0.0 ? -1.0 : 1.0);
        }
        const int cTheta = column(thetaParam);
        if (jac && cTheta >= 0) factor[static_cast<std::size_t>(cTheta)] = a * dfdtheta;
        std::vector<double> unit(n, 0.0);
        if (!timeDomain->Evaluate(td, f, cTheta, unit, jac ? jac->data() : nullptr, ncols)) return false;
        for (std::size_t i = 0; i < n; ++i) r[static_cast<Eigen::Index>(i)] += a * unit[i];
        if (!jac) return true;
        for (int c = 0; c < ncols; ++c) jac->col(c) *= factor[static_cast<std::size_t>(c)];
        const int cScale = column(scaleParam);
        if (cScale >= 0) jac->col(cScale) = Eigen::Map<const Eigen::VectorXd>(unit.data(), static_cast<Eigen::Index>(n));
        return true;
    }
};

// The solver's view: the free parameters of one stage. active lists the
// problem's parameters the stage moves; the others stay at base.
struct Functor : Eigen::DenseFunctor<double> {
    const Problem* p;
    Eigen::VectorXd base;
    std::vector<int> active;   // stage parameter -> problem parameter
    std::vector<int> columns;  // problem parameter -> stage parameter or -1
    Functor(const Problem& problem, int values, Eigen::VectorXd start, std::vector<int> act)
        : Eigen::DenseFunctor<double>(static_cast<int>(act.size()), values), p(&problem), base(std::move(start)),
          active(std::move(act)), columns(static_cast<std::size_t>(problem.parameters), -1) {
        for (std::size_t k = 0; k < active.size(); ++k) columns[static_cast<std::size_t>(active[k])] = static_cast<int>(k);
    }
    Eigen::VectorXd Full(const Eigen::VectorXd& x) const {
        Eigen::VectorXd full = base;
        for (std::size_t k = 0; k < active.size(); ++k) full[active[k]] = x[static_cast<Eigen::Index>(k)];
        return full;
    }
    int operator()(const Eigen::VectorXd& x, Eigen::VectorXd& fvec) const {
        // A negative answer stops the solver.
        if (p->Cancelled()) return -1;
        p->Evaluate(Full(x), fvec, nullptr, true, &columns);
        return 0;
    }
    int df(const Eigen::VectorXd& x, Eigen::MatrixXd& fjac) const {
        if (p->Cancelled()) return -1;
        Eigen::VectorXd r;
        p->Evaluate(Full(x), r, &fjac, true, &columns);
        return 0;
    }
};

// One staged solve from x: first with the parameters marked in held kept
// at their start (skipped when none is marked), then everything.
struct Staged {
    Eigen::VectorXd x;
    double rss = 0.0;
    int iterations = 0, evaluations = 0;
    bool converged = false, finite = true, cancelled = false;
};

Staged SolveStaged(const Problem& p, int values, Eigen::VectorXd x, const std::vector<bool>& held, int maxEvaluations) {
    Staged out;
    const int next = p.parameters;
    std::vector<int> all(static_cast<std::size_t>(next)), first;
    for (int k = 0; k < next; ++k) all[static_cast<std::size_t>(k)] = k;
    const bool staged = std::find(held.begin(), held.end(), true) != held.end();
    for (int k = 0; staged && k < next; ++k)
        if (!held[static_cast<std::size_t>(k)]) first.push_back(k);
    int budget = std::max(1, maxEvaluations);
    if (!first.empty()) {
        Functor shifts(p, values, x, first);
        Eigen::LevenbergMarquardt<Functor> lm(shifts);
        lm.setMaxfev(std::max(1, budget / 4));
        lm.setXtol(1e-6);
        lm.setFtol(1e-8);
        Eigen::VectorXd xs(static_cast<Eigen::Index>(first.size()));
        for (std::size_t k = 0; k < first.size(); ++k) xs[static_cast<Eigen::Index>(k)] = x[first[k]];
        lm.minimize(xs);
        if (p.Cancelled()) {
            out.cancelled = true;
            return out;
        }
        bool finite = true;
        for (Eigen::Index k = 0; k < xs.size(); ++k) finite = finite && std::isfinite(xs[k]);
        // A first stage that went astray is forgotten, not fatal.
        if (finite) x = shifts.Full(xs);
        out.iterations += static_cast<int>(lm.iterations());
        out.evaluations += static_cast<int>(lm.nfev());
        budget = std::max(1, budget - static_cast<int>(lm.nfev()));
    }
    Functor functor(p, values, x, all);
    Eigen::LevenbergMarquardt<Functor> lm(functor);
    lm.setMaxfev(budget);
    lm.setXtol(1e-10);
    lm.setFtol(1e-12);
    const auto status = lm.minimize(x);
    if (p.Cancelled()) {
        out.cancelled = true;
        return out;
    }
    out.iterations += static_cast<int>(lm.iterations());
    out.evaluations += static_cast<int>(lm.nfev());
    out.converged = status == Eigen::LevenbergMarquardtSpace::RelativeReductionTooSmall ||
                    status == Eigen::LevenbergMarquardtSpace::RelativeErrorTooSmall ||
                    status == Eigen::LevenbergMarquardtSpace::RelativeErrorAndReductionTooSmall ||
                    status == Eigen::LevenbergMarquardtSpace::CosinusTooSmall ||
                    status == Eigen::LevenbergMarquardtSpace::FtolTooSmall ||
                    status == Eigen::LevenbergMarquardtSpace::XtolTooSmall ||
                    status == Eigen::LevenbergMarquardtSpace::GtolTooSmall;
    for (Eigen::Index k = 0; k < x.size(); ++k) out.finite = out.finite && std::isfinite(x[k]);
    // The solver's own fvec norm is of its last trial step, not always of x.
    if (out.finite) {
        Eigen::VectorXd r;
        p.Evaluate(x, r, nullptr);
        out.rss = r.squaredNorm();
        out.finite = std::isfinite(out.rss);
    }
    out.x = std::move(x);
    return out;
}

FitResult Failure(std::string why) {
    FitResult r;
    r.error = std::move(why);
    return r;
}

}  // namespace

// One fit with the ties as the starting values give them.
static FitResult FitOnce(std::span<const double> hz, std::span<const double> y, const FitInput& in) {
    if (hz.size() != y.size()) return Failure("the frequencies and intensities differ in number");
    if (in.hydrogens.empty()) return Failure("no hydrogen to fit");
    for (std::size_t i = 0; i < hz.size(); ++i) {
        if (!std::isfinite(hz[i]) || !std::isfinite(y[i])) return Failure("the region holds a value that is not a number");
    }
    if (!(in.widthHz > 0.0) || !std::isfinite(in.widthHz)) return Failure("the width must be above 0 Hz");

    Problem p;
    p.cancel = in.cancel;
    p.evaluation = in.evaluation;
    if (in.evaluation != FitEvaluation::Direct) {
        if (const auto axis = FindUniformAxis(hz)) p.timeDomain = std::make_shared<TimeDomainModel>(*axis, hz.size());
    }
    p.hz = hz;
    p.y = y;
    const auto [lo, hi] = std::minmax_element(hz.begin(), hz.end());
    if (hz.empty()) return Failure("the region holds no points");
    p.mid = 0.5 * (*lo + *hi);
    int next = 0;
    for (const auto& fh : in.hydrogens) {
        if (!std::isfinite(fh.shiftHz)) return Failure("a shift is not a number");
        Hydrogen h;
        h.shiftStart = fh.shiftHz;
        h.shiftParam = fh.fixShift ? -1 : next++;
        for (std::size_t e = 0; e < fh.jHz.size(); ++e) {
            const double j = fh.jHz[e];
            if (!std::isfinite(j)) return Failure("a coupling constant is not a number");
            if (std::abs(j) < 1e-12) continue;
            auto it = std::find_if(h.groups.begin(), h.groups.end(),
                                   [&](const Group& g) { return std::abs(g.start - j) <= 1e-9; });
            if (it == h.groups.end()) {
                h.groups.push_back({j, 0, 0, {}});
                it = h.groups.end() - 1;
            }
            ++it->count;
            it->members.push_back(static_cast<int>(e));
            if (e < fh.fixJ.size() && fh.fixJ[e]) it->param = -1000;  // marked fixed
        }
        for (auto& g : h.groups) g.param = g.param == -1000 ? -1 : next++;
        // Offsets of unit couplings tell each line's J/2 multiples per group;
        // build them group by group as the line list does.
        std::vector<std::vector<int>> steps{{}};
        std::vector<double> inten{1.0};
        for (const auto& g : h.groups) {
            std::vector<std::vector<int>> ns;
            std::vector<double> ni;
            double w = std::ldexp(1.0, -g.count);
            for (int k = 0; k <= g.count; ++k) {
                for (std::size_t l = 0; l < steps.size(); ++l) {
                    auto s = steps[l];
                    s.push_back(g.count - 2 * k);
                    ns.push_back(std::move(s));
                    ni.push_back(inten[l] * w);
                }
                w = w * (g.count - k) / (k + 1);
            }
            steps.swap(ns);
            inten.swap(ni);
        }
        h.intensity = inten;
        for (const auto& s : steps) h.steps.insert(h.steps.end(), s.begin(), s.end());
        p.hydrogens.push_back(std::move(h));
    }
    p.widthStart = in.widthHz;
    p.equalAreas = in.separateWidths;
    if (in.separateWidths) {
        p.widthParam = -1;
        for (auto& h : p.hydrogens) {
            h.widthStart = in.widthHz;
            h.widthParam = in.fixWidth ? -1 : next++;
        }
    } else {
        p.widthParam = in.fixWidth ? -1 : next++;
        for (auto& h : p.hydrogens) {
            h.widthStart = in.widthHz;
            h.widthParam = p.widthParam;
        }
    }
    // sin() is flat at the ends, so a free share starts inside them; from
    // closer than a tenth a pure shape's start stays stuck near its end
    // (a 90 % Lorentzian example fitted from Gaussian stayed Gaussian).
    const double f0 = std::clamp(in.lorentzFraction, in.fixLorentz ? 0.0 : 0.1, in.fixLorentz ? 1.0 : 0.9);
    p.thetaStart = std::asin(2.0 * f0 - 1.0);
    p.thetaParam = in.fixLorentz ? -1 : next++;
    p.scaleParam = in.fixScale ? -1 : next++;
    p.b0Param = in.fixBaseline ? -1 : next++;
    p.b1Param = in.fixBaseline ? -1 : next++;
    p.parameters = next;
    p.scaleStart = in.scale;
    p.b0Start = in.baselineHz0;
    p.b1Start = in.baselineSlope;
    const auto n = static_cast<Eigen::Index>(hz.size());
    if (n <= next) return Failure("the region has too few points for the free parameters");

    Eigen::VectorXd x(next);
    for (const auto& h : p.hydrogens) {
        if (h.shiftParam >= 0) x[h.shiftParam] = h.shiftStart;
        for (const auto& g : h.groups)
            if (g.param >= 0) x[g.param] = g.start;
    }
    for (const auto& h : p.hydrogens)
        if (h.widthParam >= 0) x[h.widthParam] = h.widthStart;
    if (p.thetaParam >= 0) x[p.thetaParam] = p.thetaStart;

    // The linear parameters start from their best values at the starting
    // shape, which keeps the first steps of the solver sensible.
    if (!in.fixScale) {
        Eigen::VectorXd unit;
        Problem q = p;
        q.scaleStart = 1.0;
        q.scaleParam = -1;
        q.b0Start = q.b1Start = 0.0;
        Eigen::VectorXd xq = x;
        q.Evaluate(xq, unit, nullptr, false);
        const int cols = in.fixBaseline ? 1 : 3;
        Eigen::MatrixXd a(n, cols);
        Eigen::VectorXd b(n);
        for (Eigen::Index i = 0; i < n; ++i) {
            a(i, 0) = unit[i];
            if (cols == 3) {
                a(i, 1) = 1.0;
                a(i, 2) = hz[static_cast<std::size_t>(i)] - p.mid;
            }
            const double t = hz[static_cast<std::size_t>(i)] - p.mid;
            b[i] = y[static_cast<std::size_t>(i)] - (cols == 1 ? in.baselineHz0 + in.baselineSlope * t : 0.0);
        }
        const Eigen::VectorXd c = a.colPivHouseholderQr().solve(b);
        p.scaleStart = std::isfinite(c[0]) && c[0] != 0.0 ? c[0] : 1.0;
        if (cols == 3) {
            p.b0Start = c[1];
            p.b1Start = c[2];
        }
    }
    if (p.scaleParam >= 0) x[p.scaleParam] = p.scaleStart;
    if (p.b0Param >= 0) x[p.b0Param] = p.b0Start;
    if (p.b1Param >= 0) x[p.b1Param] = p.b1Start;

    FitResult res;
    if (next > 0) {
        // From couplings well off, the solver first moves every line to fit
        // the data's peaks by the shifts alone and then cannot get out of
        // that valley. With the couplings (and the shape's share) held, the
        // shifts, width, scale and baseline settle first; the whole fit then
        // starts where only the couplings are wrong.
        std::vector<bool> held(static_cast<std::size_t>(next), false);
        for (const auto& h : p.hydrogens)
            for (const auto& g : h.groups)
                if (g.param >= 0) held[static_cast<std::size_t>(g.param)] = true;
        const bool staged = std::find(held.begin(), held.end(), true) != held.end();
        if (p.thetaParam >= 0) held[static_cast<std::size_t>(p.thetaParam)] = true;
        Staged fit = SolveStaged(p, static_cast<int>(n), x, staged ? held : std::vector<bool>{}, in.maxEvaluations);
        // A free width in the first stage can widen the lines to cover
        // couplings still wrong, and the whole fit then wanders in that
        // valley without converging (four hydrogens of ten couplings each);
        // held, it sends the one-hydrogen case with six couplings to a wrong
        // minimum (shift 1.7 Hz off). So the width stays free at first, and
        // only a fit that did not converge is tried again with the width
        // held, keeping the lower residual: a converged fit pays nothing.
        bool widthFree = false;
        for (const auto& h : p.hydrogens) {
            if (h.widthParam >= 0) {
                widthFree = true;
                held[static_cast<std::size_t>(h.widthParam)] = true;
            }
        }
        if (staged && widthFree && !fit.cancelled && !fit.converged) {
            Staged other = SolveStaged(p, static_cast<int>(n), x, held, in.maxEvaluations);
            other.iterations += fit.iterations;
            other.evaluations += fit.evaluations;
            if (other.cancelled || !fit.finite || (other.finite && other.rss < fit.rss)) {
                fit = std::move(other);
            } else {
                fit.iterations = other.iterations;
                fit.evaluations = other.evaluations;
            }
        }
        if (fit.cancelled) {
            FitResult stopped = Failure("the fit was cancelled");
            stopped.cancelled = true;
            return stopped;
        }
        if (!fit.finite) return Failure("the fit diverged");
        x = fit.x;
        res.iterations = fit.iterations;
        res.evaluations = fit.evaluations;
        res.converged = fit.converged;
    } else {
        res.converged = true;
    }

    Eigen::VectorXd r;
    Eigen::MatrixXd jac;
    p.Evaluate(x, r, &jac);
    res.evaluation = p.lastUsed;
    res.rss = r.squaredNorm();
    res.freeParameters = next;
    // Standard errors: the covariance s^2 (J^T J)^-1 with s^2 the residual
    // variance, so a model that misses the data reports wider errors.
    Eigen::VectorXd sd = Eigen::VectorXd::Zero(next);
    if (next > 0) {
        const double s2 = res.rss / static_cast<double>(n - next);
        const Eigen::MatrixXd cov = (jac.transpose() * jac).completeOrthogonalDecomposition().pseudoInverse() * s2;
        for (int k = 0; k < next; ++k) sd[k] = std::sqrt(std::max(0.0, cov(k, k)));
    }
    auto val = [&](int param, double fixed) { return param >= 0 ? x[param] : fixed; };
    auto err = [&](int param) { return param >= 0 ? sd[param] : 0.0; };
    for (std::size_t hi2 = 0; hi2 < p.hydrogens.size(); ++hi2) {
        const auto& h = p.hydrogens[hi2];
        FitHydrogenResult hr;
        hr.shiftHz = val(h.shiftParam, h.shiftStart);
        hr.shiftSdHz = err(h.shiftParam);
        hr.jHz = in.hydrogens[hi2].jHz;
        hr.jSdHz.assign(hr.jHz.size(), 0.0);
        hr.widthHz = std::abs(val(h.widthParam, h.widthStart));
        hr.widthSdHz = err(h.widthParam);
        for (const auto& g : h.groups) {
            for (int m : g.members) {
                hr.jHz[static_cast<std::size_t>(m)] = val(g.param, g.start);
                hr.jSdHz[static_cast<std::size_t>(m)] = err(g.param);
            }
        }
        res.hydrogens.push_back(std::move(hr));
    }
    res.widthHz = std::abs(val(p.hydrogens[0].widthParam, p.hydrogens[0].widthStart));
    res.widthSdHz = err(p.hydrogens[0].widthParam);
    const double theta = val(p.thetaParam, p.thetaStart);
    res.lorentzFraction = 0.5 + 0.5 * std::sin(theta);
    res.lorentzSd = err(p.thetaParam) * 0.5 * std::abs(std::cos(theta));
    res.scale = val(p.scaleParam, p.scaleStart);
    res.baselineHz0 = val(p.b0Param, p.b0Start);
    res.baselineSlope = val(p.b1Param, p.b1Start);
    res.model.resize(hz.size());
    res.residual.resize(hz.size());
    double mean = 0.0;
    for (double v : y) mean += v;
    mean /= static_cast<double>(y.size());
    double tss = 0.0;
    for (std::size_t i = 0; i < hz.size(); ++i) {
        res.residual[i] = -r[static_cast<Eigen::Index>(i)];
        res.model[i] = y[i] + r[static_cast<Eigen::Index>(i)];
        tss += (y[i] - mean) * (y[i] - mean);
    }
    res.rms = std::sqrt(res.rss / static_cast<double>(n));
    res.r2 = tss > 0.0 ? 1.0 - res.rss / tss : 0.0;
    res.ok = true;
    return res;
}

namespace {

double Bic(const FitResult& f, std::size_t n) {
    const double nn = static_cast<double>(n);
    return nn * std::log(std::max(f.rss / nn, 1e-300)) + f.freeParameters * std::log(nn);
}

// Whether entry e of hydrogen h moves in the fit: not zero and not tied to
// a fixed entry (a tie with a fixed entry is fixed as a whole).
bool FreeEntry(const FitHydrogen& h, std::size_t e) {
    const double j = h.jHz[e];
    if (std::abs(j) < 1e-12) return false;
    for (std::size_t k = 0; k < h.jHz.size(); ++k) {
        if (std::abs(h.jHz[k] - j) <= 1e-9 && k < h.fixJ.size() && h.fixJ[k]) return false;
    }
    return true;
}

// The input restarted from a result, free couplings at the given values.
FitInput Restart(const FitInput& in, const FitResult& from, const std::vector<std::vector<double>>& j) {
    FitInput out = in;
    for (std::size_t h = 0; h < out.hydrogens.size(); ++h) {
        auto& fh = out.hydrogens[h];
        if (!fh.fixShift) fh.shiftHz = from.hydrogens[h].shiftHz;
        for (std::size_t e = 0; e < fh.jHz.size(); ++e)
            if (FreeEntry(in.hydrogens[h], e)) fh.jHz[e] = j[h][e];
    }
    return out;
}

}  // namespace

FitResult FitWithTies(std::span<const double> hz, std::span<const double> y, const FitInput& in) {
    FitResult asEntered = FitOnce(hz, y, in);
    if (!in.chooseTies || !asEntered.ok) return asEntered;
    auto stopped = [&in] {
        FitResult r = Failure("the fit was cancelled");
        r.cancelled = true;
        return r;
    };
    const std::size_t n = hz.size();

    // Every free coupling on its own. Entries entered equal start a little
    // apart: from exactly equal values the solver has no reason to split them.
    std::vector<std::vector<double>> j;
    for (const auto& fh : in.hydrogens) {
        std::vector<double> v = fh.jHz;
        for (std::size_t e = 0; e < v.size(); ++e) {
            if (!FreeEntry(fh, e)) continue;
            int before = 0, equal = 0;
            for (std::size_t k = 0; k < v.size(); ++k) {
                if (std::abs(fh.jHz[k] - fh.jHz[e]) > 1e-9) continue;
                ++equal;
                if (k < e) ++before;
            }
            const double step = std::min(0.1 * in.widthHz, std::abs(fh.jHz[e]) / (equal + 1));
            v[e] = fh.jHz[e] + (before - 0.5 * (equal - 1)) * step;
        }
        j.push_back(std::move(v));
    }
    FitResult best = FitOnce(hz, y, Restart(in, asEntered, j));
    if (best.cancelled) return stopped();
    if (!best.ok) return asEntered;

    // Tie again, closest neighbours first, while the criterion improves.
    for (bool merged = true; merged;) {
        merged = false;
        struct Pair {
            std::size_t h;
            double a, b;
        };
        std::vector<Pair> pairs;
        for (std::size_t h = 0; h < in.hydrogens.size(); ++h) {
            std::vector<double> values;
            for (std::size_t e = 0; e < in.hydrogens[h].jHz.size(); ++e)
                if (FreeEntry(in.hydrogens[h], e)) values.push_back(best.hydrogens[h].jHz[e]);
            std::sort(values.begin(), values.end());
            values.erase(std::unique(values.begin(), values.end()), values.end());
            for (std::size_t k = 1; k < values.size(); ++k) pairs.push_back({h, values[k - 1], values[k]});
        }
        std::sort(pairs.begin(), pairs.end(), [](const Pair& p, const Pair& q) { return p.b - p.a < q.b - q.a; });
        const double bestBic = Bic(best, n);
        for (const auto& pair : pairs) {
            std::vector<std::vector<double>> jm;
            for (const auto& hr : best.hydrogens) jm.push_back(hr.jHz);
            double sum = 0.0;
            int count = 0;
            for (double v : jm[pair.h]) {
                if (v == pair.a || v == pair.b) {
                    sum += v;
                    ++count;
                }
            }
            for (double& v : jm[pair.h])
                if (v == pair.a || v == pair.b) v = sum / count;
            FitResult trial = FitOnce(hz, y, Restart(in, best, jm));
            if (trial.cancelled) return stopped();
            if (trial.ok && Bic(trial, n) < bestBic) {
                best = std::move(trial);
                merged = true;
                break;
            }
        }
    }
    if (Bic(best, n) < Bic(asEntered, n)) {
        best.tiesChanged = true;
        return best;
    }
    return asEntered;
}

}  // namespace quble::analysis
